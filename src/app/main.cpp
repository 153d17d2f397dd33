#include "app/program_windows.h"
#include "shell/app_pictures.h"
#include "shell/frmMain.h"
#include "shell/startup.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    // While TZ is unset, glibc checks /etc/localtime again for every local-time conversion, that
    // is for every date value a grid or script reads; naming the zone file once spares those checks.
    if (!qEnvironmentVariableIsSet("TZ"))
        qputenv("TZ", ":/etc/localtime");
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
