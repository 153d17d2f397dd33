// Connect from the menu and Refresh when things go wrong: Cancel after the dialog was used, a
// management login that fails, a stopped server, a password with blanks at its ends. The session,
// its connection and the status panels stay as they were until a new connection has succeeded.
#include "login_shell_fixture.h"
#include "shell/data/server_admin.h"
#include "shell/session_login.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QTcpServer>

#include <csignal>

using namespace norvane;
using norvane::testing::ShellFixture;

namespace {

// A loopback port nobody listens on.
int closedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

// The connection dialog whose server-management login goes to a closed port.
class DialogWithFailingAdmin : public frmLogin {
public:
    using frmLogin::frmLogin;

protected:
    void loginServerAdmin(ServerAdmin& admin, const SessionLogin& login) override
    {
        SessionLogin elsewhere = login;
        elsewhere.adminTarget = "127.0.0.1," + QString::number(port_);
        defaultAdminLogin(admin, elsewhere);
    }

private:
    int port_ = closedPort();
};

struct SessionState {
    QString connectionString, serverName, databaseName, userName, password;
    bool windows = false;
    bool operator==(const SessionState&) const = default;
};

SessionState sessionState()
{
    const Session& s = session();
    return {s.ConnectionString, s.ServerName, s.DatabaseName, s.UserName, s.Password, s.UseWindowsAuth};
}

QStringList panels(const frmMain& main)
{
    return {main.panelText(2), main.panelText(3), main.panelText(4)};
}

class ConnectFailures : public ShellFixture {
protected:
    void TearDown() override
    {
        session().loginTimeoutSeconds = 15;
        session().queryTimeoutSeconds = 30;
        ShellFixture::TearDown();
    }
};

}  // namespace

TEST_F(ConnectFailures, CancelAfterUsingTheDialogLeavesTheSessionAsItWas)
{
    connectSession(harborSource(), "Harbor");
    frmMain main(norvane::testing::programWindows());
    main.show();
    const SessionState before = sessionState();
    const QStringList panelsBefore = panels(main);
    ASSERT_EQ(panelsBefore, QStringList({"SANDBOX", "Harbor", "sa"}));

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
        main.mnuConnect_Click();
        EXPECT_TRUE(sessionState() == before);
        EXPECT_EQ(panels(main), panelsBefore);
        EXPECT_TRUE(session().connection.isOpen());
        EXPECT_EQ(session().connection.currentCatalog(), "Harbor");
    }
    ASSERT_EQ(prompts->requests.size(), 1u);  // the validation message only
    EXPECT_EQ(prompts->requests[0].text, "User Name must be entered!");

    // Refresh reloads the same database.
    main.mnuRefresh_Click();
    EXPECT_EQ(prompts->requests.size(), 1u);
    EXPECT_EQ(session().connection.currentCatalog(), "Harbor");
    EXPECT_TRUE(sessionState() == before);
}

TEST_F(ConnectFailures, AFailedManagementLoginKeepsTheWorkingConnection)
{
    connectSession(harborSource(), "Harbor");
    frmMain main(norvane::testing::programWindows());
    main.show();
    main.openTablesWindow();
    QPointer<QWidget> tables = main.child("Tables");
    ServerAdmin* adminBefore = session().serverAdmin.get();
    const SessionState before = sessionState();

    DialogWithFailingAdmin dialog(&main);
    dialog.load();
    fillServerLogin(dialog, harborSource(), "HarborArchive");
    dialog.cmdCONConnect_Click();

    ASSERT_EQ(prompts->requests.size(), 1u);
    EXPECT_TRUE(prompts->requests[0].text.startsWith(
        "Error...Problems encountered while connecting!\r\nDetails:Unable to connect: Adaptive Server is unavailable "
        "or does not exist (tried 127.0.0.1, port "))
        << prompts->requests[0].text.toStdString();
    EXPECT_FALSE(dialog.LoginOK());
    EXPECT_TRUE(sessionState() == before);
    EXPECT_EQ(panels(main), QStringList({"SANDBOX", "Harbor", "sa"}));
    EXPECT_EQ(session().serverAdmin.get(), adminBefore);
    EXPECT_TRUE(adminBefore->isConnected());
    EXPECT_EQ(session().connection.currentCatalog(), "Harbor");  // still open, still the old database
    EXPECT_TRUE(tables);
}

TEST_F(ConnectFailures, RefreshAgainstAStoppedServerEndsWithinTheLoginTimeAndLeavesTheProgramUsable)
{
    test::SandboxProcess sandbox;
    connectSession(sandbox.dataSource(), "master");
    frmMain main(norvane::testing::programWindows());
    main.show();
    main.openTablesWindow();
    session().loginTimeoutSeconds = 2;

    ASSERT_EQ(::kill(sandbox.pid(), SIGSTOP), 0);
    QElapsedTimer elapsed;
    elapsed.start();
    main.mnuRefresh_Click();
    const qint64 took = elapsed.elapsed();
    ::kill(sandbox.pid(), SIGCONT);

    EXPECT_LT(took, 6000);
    ASSERT_EQ(prompts->requests.size(), 1u);
    EXPECT_EQ(prompts->requests[0].text, "Error...Problems encountered while refreshing!\r\nDetails:"
                                         "The server did not answer the login within 2 seconds.");
    EXPECT_TRUE(main.child("Tables"));

    // With the server back, Refresh works again.
    main.mnuRefresh_Click();
    EXPECT_EQ(prompts->requests.size(), 1u);
    EXPECT_TRUE(session().connection.isOpen());
    EXPECT_EQ(session().connection.currentCatalog(), "master");
}

TEST_F(ConnectFailures, APasswordKeepsTheBlanksAtItsEnds)
{
    test::SandboxProcess::Options options;
    options.logins = {"dev: two blanks "};
    test::SandboxProcess sandbox(options);
    frmLogin dialog;
    dialog.load();
    fillServerLogin(dialog, sandbox.dataSource(), "master", " dev ", " two blanks ");
    dialog.chkCONRemember->setChecked(true);
    dialog.cmdCONConnect_Click();
    ASSERT_TRUE(prompts->requests.empty()) << prompts->requests[0].text.toStdString();
    EXPECT_EQ(session().UserName, "dev");
    EXPECT_EQ(session().Password, " two blanks ");
    dialog.unload();

    frmLogin again;
    again.load();
    EXPECT_EQ(again.txtCONPassword->text(), " two blanks ");  // remembered as typed
}
