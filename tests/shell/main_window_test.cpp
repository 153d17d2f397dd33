// The program's start and its main window against the sandbox: one instance per child window,
// Connect, Refresh and Exit, and what happens when they go wrong: the session, its connection and
// the status panels stay as they were until a new connection has succeeded.
#include "harbor_session.h"
#include "login_shell_fixture.h"
#include "shell/catalog_helpers.h"
#include "shell/data/server_admin.h"
#include "shell/session_login.h"
#include "shell/startup.h"
#include "support/window_controls.h"

#include <QAction>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPointer>
#include <QTcpServer>

#include <csignal>

using namespace norvane;
using norvane::testing::programWindows;

namespace {

// The connection dialog whose server-management login goes to a loopback port nobody listens on.
class DialogWithFailingAdmin : public frmLogin {
public:
    using frmLogin::frmLogin;

protected:
    void loginServerAdmin(ServerAdmin& admin, const SessionLogin& login) override
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        SessionLogin elsewhere = login;
        elsewhere.adminTarget = "127.0.0.1," + QString::number(probe.serverPort());
        probe.close();
        defaultAdminLogin(admin, elsewhere);
    }
};

// The session's fields and the status panels, as one text.
QString state(const frmMain& main)
{
    const Session& s = session();
    return QStringList({s.ConnectionString, s.ServerName, s.DatabaseName, s.UserName, s.Password,
                        s.UseWindowsAuth ? "windows" : "sql", main.panel(2)->text(), main.panel(3)->text(),
                        main.panel(4)->text()})
        .join("|");
}

// The main window's open child windows by name, the shown ones marked.
QString childWindows(const frmMain& main)
{
    QStringList names;
    for (const QWidget* child : test::openChildren(*main.mdiArea()))
        names << child->objectName() + (child->isVisible() ? " shown" : "");
    return names.join(",");
}

QWidget* topLevelNamed(const QString& name)
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->objectName() == name)
            return widget;
    return nullptr;
}

class MainWindow : public norvane::testing::ShellFixture {
protected:
    // A main window on the database with its tables window open.
    std::unique_ptr<frmMain> connectedMain(const QString& server, const QString& database)
    {
        connectSession(server, database);
        auto main = std::make_unique<frmMain>(programWindows());
        main->show();
        main->openTablesWindow();
        return main;
    }
};

} // namespace

TEST_F(MainWindow, StartUpWithAFailedConnectAndCancelThenWithAConnectionAndExit)
{
    bool splashShownWithDialog = false;
    whenDialogShown([&](frmLogin& dialog) {
        QWidget* splash = topLevelNamed("frmSplash");
        splashShownWithDialog = splash && splash->isVisible();
        fillServerLogin(dialog, harborSource(), "Harbor", "sa", "wrong");
        dialog.cmdCONConnect->click();
        EXPECT_TRUE(dialog.isVisible());
        dialog.cmdSQLCancel->click();
    });
    EXPECT_EQ(StartUp(programWindows()), nullptr);
    EXPECT_EQ(frmMain::find(), nullptr);
    EXPECT_TRUE(splashShownWithDialog);
    EXPECT_FALSE(session().EverConnected);
    ASSERT_EQ(prompts->requests.size(), 1u);
    EXPECT_TRUE(prompts->requests[0].text.startsWith("Error...Problems encountered while connecting!\r\nDetails:"));
    EXPECT_TRUE(settings.fileText().isEmpty()); // nothing saved without a connection

    // Connect shows the main window with the tables window and saves the inputs.
    prompts->requests.clear();
    whenDialogShown([](frmLogin& dialog) {
        fillServerLogin(dialog, harborSource(), "Harbor");
        dialog.cmdCONConnect->click();
    });
    std::unique_ptr<frmMain> main = StartUp(programWindows());
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(prompts->requests.empty()) << prompts->requests[0].text.toStdString();
    EXPECT_EQ(frmMain::find(), main.get());
    EXPECT_EQ(topLevelNamed("frmSplash"), nullptr);
    EXPECT_EQ(topLevelNamed("frmLogin"), nullptr);
    EXPECT_EQ(childWindows(*main), "frmTables shown");
    EXPECT_EQ(main->panel(2)->text() + "|" + main->panel(3)->text() + "|" + main->panel(4)->text(),
              "SANDBOX|Harbor|sa");
    // Every window and command of the program is built, and the image list's pictures load.
    EXPECT_EQ(main->menuBar()->actions().size(), 15);
    for (const QAction* action : main->menuBar()->actions())
        EXPECT_TRUE(action->isEnabled()) << action->objectName().toStdString();
    for (const char* key : {"UpArrow", "DownArrow", "Drive", "ClosedFolder", "OpenFolder", "File", "BakFile"})
        EXPECT_FALSE(main->image(key).isNull()) << key;
    const QByteArray saved = settings.fileText();
    EXPECT_TRUE(saved.contains("Database=Harbor\n") && saved.contains("ModeServer=True\n")) << saved.constData();
    EXPECT_TRUE(saved.contains(("Server=\"" + harborSource() + "\"\n").toUtf8())) << saved.constData();

    // The shared status routine writes panel 1.
    SetStatus("Loading Tables. Please wait...", true);
    EXPECT_EQ(main->panel(1)->text(), "Loading Tables. Please wait...");
    SetStatus("Ready", false);

    // Exit: the connection is closed and the server-management object logged off.
    main->mnuExit_Click();
    EXPECT_FALSE(main->isVisible());
    EXPECT_FALSE(session().connection.isOpen());
    EXPECT_FALSE(session().serverAdmin->isConnected());
}

TEST_F(MainWindow, OneWindowPerCommandAndConnectToAnotherDatabaseReopensTheTables)
{
    auto main = connectedMain(harborSource(), "Harbor");
    QPointer<QWidget> first = main->child("Tables");
    ASSERT_TRUE(first);
    // The child keeps its designed size: 12000 by 8100 twips less the caption allowance, in whole pixels.
    EXPECT_EQ(first->size(), QSize(800, 514));
    main->openChild("probe", [](QWidget* parent) { return new QWidget(parent); }); // now in front
    main->menuCommand("mnuTables")->trigger();
    EXPECT_EQ(main->child("Tables"), first.data());
    EXPECT_EQ(main->mdiArea()->subWindowList().size(), 2);
    EXPECT_EQ(main->mdiArea()->activeSubWindow()->widget(), first.data());

    // A closed window is loaded afresh by its command.
    main->mdiArea()->activeSubWindow()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(first);
    main->menuCommand("mnuTables")->trigger();
    EXPECT_TRUE(main->child("Tables"));

    // Connect to another database closes every child and reopens the tables window.
    QPointer<QWidget> oldTables = main->child("Tables");
    QPointer<QWidget> probe = main->openChild("probe", [](QWidget* parent) { return new QWidget(parent); });
    whenDialogShown([](frmLogin& dialog) {
        EXPECT_EQ(dialog.parentWidget(), frmMain::find());
        fillServerLogin(dialog, harborSource(), "HarborArchive");
        dialog.cmdCONConnect->click();
    });
    main->menuCommand("mnuConnect")->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    ASSERT_TRUE(prompts->requests.empty()) << prompts->requests[0].text.toStdString();
    EXPECT_FALSE(oldTables || probe);
    EXPECT_EQ(childWindows(*main), "frmTables shown");
    EXPECT_EQ(session().connection.currentCatalog(), "HarborArchive");
    EXPECT_EQ(main->panel(3)->text(), "HarborArchive");
    EXPECT_FALSE(main->hasSharedLogin()); // unloaded with the other windows, saving its inputs
    EXPECT_TRUE(settings.fileText().contains("Database=HarborArchive\n"));
}

TEST_F(MainWindow, CancelOrAFailedReconnectionLeavesTheSessionAndWindowsAsTheyWere)
{
    auto main = connectedMain(harborSource(), "Harbor");
    QPointer<QWidget> tables = main->child("Tables");
    const QString before = state(*main);
    ASSERT_EQ(before, "Provider=SQLOLEDB.1;User ID=sa;Pwd=;Initial Catalog=Harbor;Data Source=" + harborSource() +
                          "|SANDBOX|Harbor|sa||sql|SANDBOX|Harbor|sa");

    // Entering the database box (which lists another server's databases), a failed validation,
    // and the Windows Authentication box, each followed by Cancel.
    const std::vector<std::function<void(frmLogin&)>> uses = {
        [](frmLogin& dialog) {
            fillServerLogin(dialog, harborSource(), "HarborArchive", "sa", "");
            dialog.cboCONDatabase->setFocus();
            dialog.txtCONPassword->setFocus();
        },
        [](frmLogin& dialog) {
            fillServerLogin(dialog, "127.0.0.1,1", "Elsewhere", "", "");
            dialog.cmdCONConnect->click();
        },
        [](frmLogin& dialog) { dialog.chkWindows->click(); },
    };
    for (const auto& use : uses) {
        whenDialogShown([&](frmLogin& dialog) {
            use(dialog);
            dialog.cmdSQLCancel->click();
        });
        main->mnuConnect_Click();
        EXPECT_EQ(state(*main), before);
        EXPECT_EQ(session().connection.currentCatalog(), "Harbor");
        EXPECT_TRUE(tables);
        EXPECT_TRUE(main->hasSharedLogin() && !main->sharedLogin()->isVisible()); // only hidden
    }
    ASSERT_EQ(prompts->requests.size(), 1u); // the validation message only
    EXPECT_EQ(prompts->requests[0].text, "User Name must be entered!");

    // A reconnection whose server-management login fails keeps the working connection; the message
    // carries the driver's text with the address and port tried.
    ServerAdmin* adminBefore = session().serverAdmin.get();
    DialogWithFailingAdmin dialog(main.get());
    dialog.load();
    fillServerLogin(dialog, harborSource(), "HarborArchive");
    dialog.cmdCONConnect_Click();
    ASSERT_EQ(prompts->requests.size(), 2u);
    EXPECT_TRUE(prompts->requests[1].text.startsWith(
        "Error...Problems encountered while connecting!\r\nDetails:Unable to connect: Adaptive Server is unavailable "
        "or does not exist (tried 127.0.0.1, port "))
        << prompts->requests[1].text.toStdString();
    EXPECT_FALSE(dialog.LoginOK());
    EXPECT_EQ(state(*main), before);
    EXPECT_EQ(session().serverAdmin.get(), adminBefore);
    EXPECT_TRUE(adminBefore->isConnected() && tables);
    EXPECT_EQ(session().connection.currentCatalog(), "Harbor"); // still open, still the old database

    // Refresh reloads the same database, every window anew, with a table created meanwhile.
    norvane::testing::runBatches("Harbor", {"CREATE TABLE RefreshProbe (Id int)"});
    main->menuCommand("mnuRefresh")->trigger();
    EXPECT_EQ(prompts->requests.size(), 2u);
    EXPECT_EQ(session().connection.currentCatalog(), "Harbor");
    EXPECT_EQ(state(*main), before);
    EXPECT_FALSE(tables);
    EXPECT_EQ(childWindows(*main), "frmTables shown");
    auto* list = main->child("Tables")->findChild<QListWidget*>("lstTABTables");
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->findItems("RefreshProbe", Qt::MatchExactly).size(), 1);
}

TEST_F(MainWindow, RefreshAgainstAStoppedServerLeavesTheProgramUsableAndExitWithTheServerGone)
{
    test::SandboxProcess sandbox;
    auto main = connectedMain(sandbox.dataSource(), "master");
    QPointer<QWidget> tables = main->child("Tables");
    const QString before = state(*main);
    session().loginTimeoutSeconds = 2;

    ASSERT_EQ(::kill(sandbox.pid(), SIGSTOP), 0);
    QElapsedTimer elapsed;
    elapsed.start();
    main->mnuRefresh_Click();
    const qint64 took = elapsed.elapsed();
    ::kill(sandbox.pid(), SIGCONT);
    EXPECT_LT(took, 6000);
    ASSERT_EQ(prompts->requests.size(), 1u);
    EXPECT_EQ(prompts->requests[0].text, "Error...Problems encountered while refreshing!\r\nDetails:"
                                         "The server did not answer the login within 2 seconds.");
    EXPECT_TRUE(tables); // the session as it was, windows included
    EXPECT_EQ(state(*main), before);

    // With the server back, Refresh works again.
    main->mnuRefresh_Click();
    EXPECT_EQ(prompts->requests.size(), 1u);
    EXPECT_EQ(session().connection.currentCatalog(), "master");

    // With the server gone, Exit still closes the connection and ends, errors ignored.
    sandbox.stop();
    main->close();
    EXPECT_FALSE(main->isVisible() || session().connection.isOpen());
}
