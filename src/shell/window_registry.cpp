#include "shell/window_registry.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QVBoxLayout>

// Adapters for windows that are written beside this shell: each is used as soon as its header
// is in the tree; until then a plain stand-in keeps the shell usable.
#if __has_include("tables/frmTables.h")
#include "tables/frmTables.h"
#define NORVANE_HAS_TABLES_WINDOW 1
#endif
#if __has_include("shell/frmSplash.h")
#include "shell/frmSplash.h"
#define NORVANE_HAS_SPLASH_WINDOW 1
#endif
#if __has_include("shell/frmAbout.h")
#include "shell/frmAbout.h"
#define NORVANE_HAS_ABOUT_WINDOW 1
#endif
#if __has_include("shell/frmTips.h")
#include "shell/frmTips.h"
#define NORVANE_HAS_TIPS_WINDOW 1
#endif

namespace norvane {

QWidget* createTablesWindow(QWidget* parent)
{
#ifdef NORVANE_HAS_TABLES_WINDOW
    auto* window = new frmTables(parent);
    window->setObjectName("frmTables");
    return window;
#else
    // ADAPTER until the tables window lands: an empty child window with its caption.
    auto* window = new QWidget(parent);
    window->setObjectName("frmTables");
    window->setWindowTitle("Tables");
    window->resize(800, 540);
    return window;
#endif
}

std::unique_ptr<QWidget> showSplashWindow()
{
#ifdef NORVANE_HAS_SPLASH_WINDOW
    auto splash = std::make_unique<frmSplash>();
#else
    // ADAPTER until the splash window lands: a captionless window with the product title.
    auto splash = std::make_unique<QWidget>(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint);
    splash->setObjectName("frmSplash");
    auto* layout = new QVBoxLayout(splash.get());
    layout->addWidget(new QLabel("Norvane Professional Edition", splash.get()));
    layout->addWidget(new QLabel("Version 7.00.00", splash.get()));
#endif
    splash->show();
    splash->repaint();
    QApplication::processEvents();
    return splash;
}

void showTipsWindow(QWidget* owner)
{
#ifdef NORVANE_HAS_TIPS_WINDOW
    frmTip tips(owner);
    tips.exec();
#else
    (void)owner;
#endif
}

void showAboutWindow(QWidget* owner)
{
#ifdef NORVANE_HAS_ABOUT_WINDOW
    frmAbout about(owner);
    about.exec();
#else
    (void)owner;
#endif
}

}  // namespace norvane
