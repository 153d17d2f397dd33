// The program's start: splash, the first connection dialog, then the main and tables windows.
#include "login_shell_fixture.h"
#include "shell/startup.h"

#include <QMdiArea>

using namespace norvane;
using norvane::testing::ShellFixture;
using norvane::testing::programWindows;

namespace {

QWidget* topLevelNamed(const QString& name)
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == name)
            return widget;
    }
    return nullptr;
}

class StartUpSequence : public ShellFixture {};

}  // namespace

TEST_F(StartUpSequence, CancelInTheFirstDialogEndsWithoutAMainWindow)
{
    bool splashShownWithDialog = false;
    whenDialogShown([&](frmLogin& dialog) {
        QWidget* splash = topLevelNamed("frmSplash");
        splashShownWithDialog = splash && splash->isVisible();
        dialog.cmdSQLCancel->click();
    });
    std::unique_ptr<frmMain> main = StartUp(programWindows());
    EXPECT_EQ(main, nullptr);
    EXPECT_EQ(frmMain::find(), nullptr);
    EXPECT_TRUE(splashShownWithDialog);
    EXPECT_FALSE(session().EverConnected);
    EXPECT_TRUE(prompts->requests.empty());
    EXPECT_TRUE(settings.fileText().isEmpty());  // nothing saved without a connection
}

TEST_F(StartUpSequence, ConnectShowsTheMainWindowWithTheTablesWindowAndSavesTheInputs)
{
    whenDialogShown([](frmLogin& dialog) {
        fillServerLogin(dialog, harborSource(), "Harbor");
        dialog.cmdCONConnect->click();
    });
    std::unique_ptr<frmMain> main = StartUp(programWindows());
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(prompts->requests.empty()) << prompts->requests[0].text.toStdString();
    EXPECT_TRUE(main->isVisible());
    EXPECT_EQ(frmMain::find(), main.get());
    EXPECT_EQ(topLevelNamed("frmSplash"), nullptr);  // the splash window is gone
    EXPECT_EQ(topLevelNamed("frmLogin"), nullptr);   // the start-up dialog too

    const QList<QWidget*> children = main->openChildren();
    ASSERT_EQ(children.size(), 1);
    EXPECT_EQ(children[0]->objectName(), "frmTables");
    EXPECT_TRUE(children[0]->isVisible());
    EXPECT_EQ(main->mdiArea()->subWindowList().size(), 1);

    EXPECT_TRUE(session().Connected);
    EXPECT_TRUE(session().EverConnected);
    EXPECT_TRUE(session().connection.isOpen());
    EXPECT_EQ(main->panelText(2), "SANDBOX");
    EXPECT_EQ(main->panelText(3), "Harbor");
    EXPECT_EQ(main->panelText(4), "sa");

    const QByteArray saved = settings.fileText();
    EXPECT_TRUE(saved.contains("Database=Harbor\n")) << saved.constData();
    EXPECT_TRUE(saved.contains(("Server=\"" + harborSource() + "\"\n").toUtf8())) << saved.constData();
    EXPECT_TRUE(saved.contains("ModeServer=True\n"));

    // Exit: the connection is closed and the server-management object logged off.
    main->mnuExit_Click();
    EXPECT_FALSE(main->isVisible());
    EXPECT_FALSE(session().connection.isOpen());
    EXPECT_FALSE(session().serverAdmin->isConnected());
}

TEST_F(StartUpSequence, AFailedConnectKeepsTheDialogOpenUntilCancel)
{
    whenDialogShown([](frmLogin& dialog) {
        fillServerLogin(dialog, harborSource(), "Harbor", "sa", "wrong");
        dialog.cmdCONConnect->click();
        EXPECT_TRUE(dialog.isVisible());
        dialog.cmdSQLCancel->click();
    });
    EXPECT_EQ(StartUp(programWindows()), nullptr);
    ASSERT_EQ(prompts->requests.size(), 1u);
    EXPECT_TRUE(prompts->requests[0].text.startsWith("Error...Problems encountered while connecting!\r\nDetails:"));
}
