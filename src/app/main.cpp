#include "app/program_windows.h"
#include "shell/app_pictures.h"
#include "shell/frmMain.h"
#include "shell/startup.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName("Norvane");
    QApplication::setApplicationName("Norvane");
    QApplication::setWindowIcon(norvane::applicationIcon());
    norvane::WindowRegistry windows;
    norvane::registerProgramWindows(windows);
    std::unique_ptr<norvane::frmMain> mainWindow = norvane::StartUp(windows);
    if (!mainWindow)
        return 0;
    return QApplication::exec();
}
