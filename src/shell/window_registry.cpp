#include "shell/window_registry.h"

#include "shell/frmAbout.h"
#include "shell/frmSplash.h"
#include "shell/frmTips.h"
#include "tables/frmTables.h"

#include <QApplication>

namespace norvane {

QWidget* createTablesWindow(QWidget* parent)
{
    auto* window = new frmTables(parent);
    window->setObjectName("frmTables");
    return window;
}

std::unique_ptr<QWidget> showSplashWindow()
{
    auto splash = std::make_unique<frmSplash>();
    splash->show();
    splash->repaint();
    QApplication::processEvents();
    return splash;
}

void showTipsWindow(QWidget* owner)
{
    frmTip tips(owner);
    tips.exec();
}

void showAboutWindow(QWidget* owner)
{
    frmAbout about(owner);
    about.exec();
}

}  // namespace norvane
