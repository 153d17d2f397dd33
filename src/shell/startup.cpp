#include "shell/startup.h"

#include "shell/frmLogin.h"
#include "shell/frmMain.h"
#include "shell/window_registry.h"

namespace norvane {

std::unique_ptr<frmMain> StartUp()
{
    // 1. The splash window, painted at once, stays up while the dialog is open.
    std::unique_ptr<QWidget> splash = showSplashWindow();

    // 2. A fresh connection dialog of its own, shown modally.
    auto login = std::make_unique<frmLogin>();
    login->load();
    login->exec();

    // 3. Cancelled: the program ends, no main window is made.
    if (!login->LoginOK())
        return nullptr;

    // 4. This instance goes; its unload saves the inputs.
    login->unload();
    login.reset();

    // 5. The main window, then the tables window inside it (which reads the catalog as it loads).
    auto main = std::make_unique<frmMain>();
    main->openTablesWindow();

    // 6. The splash window goes.
    splash.reset();

    // 7. Both are shown: the tables window appears with its frame.
    main->show();
    return main;
}

}  // namespace norvane
