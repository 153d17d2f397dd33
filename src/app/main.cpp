#include "shell/frmMain.h"
#include "shell/startup.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName("Norvane");
    QApplication::setApplicationName("Norvane");
    std::unique_ptr<norvane::frmMain> mainWindow = norvane::StartUp();
    if (!mainWindow)
        return 0;
    return QApplication::exec();
}
