// The views, stored procedures and functions windows as the main window's menu
// opens them: one instance each, loaded from the connected database.
#include "app/program_windows.h"
#include "objects/frmFunctions.h"
#include "objects/frmSPs.h"
#include "objects/frmViews.h"
#include "shell/frmMain.h"

#include "object_window_fixture.h"

#include <QAction>
#include <QLabel>

using namespace norvane;

namespace {

class ObjectMenus : public norvane::testing::ObjectWindowTest {};

}  // namespace

TEST_F(ObjectMenus, EachMenuCommandOpensItsWindowOnce)
{
    WindowRegistry windows;
    registerProgramWindows(windows);
    frmMain main(windows);
    main.show();

    struct Expected {
        const char* command;
        const char* type;
        const char* totalLabel;
        QString total;
    };
    const Expected expected[] = {{"mnuViews", "Views", "lblVWSTotalViews", "Total Views : 5"},
                                 {"mnuSPs", "SPs", "lblSPSTotalSPs", "&Total SPs : 10"},
                                 {"mnuFunctions", "Functions", "lblFNTotal", "&Total Functions : 3"}};
    for (const Expected& entry : expected) {
        QAction* command = main.menuCommand(entry.command);
        ASSERT_TRUE(command->isEnabled()) << entry.command;
        command->trigger();
        command->trigger();
        QWidget* window = main.child(entry.type);
        ASSERT_NE(window, nullptr) << entry.type;
        EXPECT_EQ(control<QLabel>(*window, entry.totalLabel)->text(), entry.total);
    }
    EXPECT_NE(qobject_cast<frmViews*>(main.child("Views")), nullptr);
    EXPECT_NE(qobject_cast<frmSPs*>(main.child("SPs")), nullptr);
    EXPECT_NE(qobject_cast<frmFunctions*>(main.child("Functions")), nullptr);
    EXPECT_EQ(main.openChildren().size(), 3);
    EXPECT_TRUE(prompts->requests.empty());
}
