#include "shell/startup.h"

#include "shell/frmLogin.h"
#include "shell/frmMain.h"
#include "shell/frmSplash.h"

#include <QApplication>

namespace norvane {

std::unique_ptr<frmMain> StartUp(const WindowRegistry& windows)
{
    // 1. The splash window, painted at once, stays up while the dialog is open.
    auto splash = std::make_unique<frmSplash>();
    splash->show();
    splash->repaint();
    QApplication::processEvents();

    // 2. A fresh connection dialog of its own, shown modally.
    auto login = std::make_unique<frmLogin>(nullptr, &windows);
    login->load();
    login->exec();

    // 3. Cancelled: the program ends, no main window is made.
    if (!login->LoginOK())
        return nullptr;

    // 4. This instance goes; its unload saves the inputs.
    login->unload();
    login.reset();

    // 5. The main window, then the tables window inside it (which reads the catalog as it loads).
    auto main = std::make_unique<frmMain>(windows);
    main->openTablesWindow();

    // 6. The splash window goes.
    splash.reset();

    // 7. Both are shown: the tables window appears with its frame.
    main->show();
    return main;
}

}  // namespace norvane
