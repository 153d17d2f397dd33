// The main window's menu opens the program's own windows: one instance of each,
// of the right kind, loaded from the connected database.
#include "app/program_windows.h"
#include "shell/frmMain.h"
#include "support/window_controls.h"

#include "tables/window_fixture.h"

#include <QAction>

using namespace norvane;

using ProgramMenu = norvane::testing::WindowTest;

TEST_F(ProgramMenu, EachCommandOpensItsWindowOnce)
{
    norvane::testing::logInServerAdmin();
    WindowRegistry windows;
    registerProgramWindows(windows);
    frmMain main(windows);
    main.show();
    const struct {
        const char *command, *type, *className;
    } expected[] = {{"mnuTables", "Tables", "norvane::frmTables"},
                    {"mnuViews", "Views", "norvane::frmViews"},
                    {"mnuSPs", "SPs", "norvane::frmSPs"},
                    {"mnuFunctions", "Functions", "norvane::frmFunctions"},
                    {"mnuQuery", "Query", "norvane::frmQuery"},
                    {"mnuSearch", "Search", "norvane::frmSearch"},
                    {"mnuCompare", "Compare", "norvane::frmCompare"}};
    int opened = 0;
    for (const auto& entry : expected) {
        SCOPED_TRACE(entry.command);
        QAction* command = main.menuCommand(entry.command);
        ASSERT_TRUE(command && command->isEnabled());
        command->trigger();
        command->trigger();
        QWidget* window = main.child(entry.type);
        ASSERT_NE(window, nullptr);
        EXPECT_STREQ(window->metaObject()->className(), entry.className);
        EXPECT_EQ(test::openChildren(*main.mdiArea()).size(), ++opened);
    }
    // The compare window is as wide as every child window, 4545 twips less the caption allowance high.
    EXPECT_EQ(main.child("Compare")->size(), QSize(800, 277));
    EXPECT_TRUE(prompts->requests.empty());
}
