// The connection dialog against the sandbox server through unixODBC and FreeTDS.
#include "login_test_support.h"
#include "recording_prompts.h"
#include "shell/frmLogin.h"
#include "shell/frmMain.h"
#include "support/qt_printers.h"
#include "support/session_reset.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QUdpSocket>

#include <gtest/gtest.h>

using namespace norvane;
using norvane::testing::PrivateSettings;
using norvane::testing::RecordingPrompts;
using norvane::test::SandboxProcess;

namespace {

class LoginDialog : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        norvane::testing::testApplication();
        test::PrivateOdbcConfig& odbc = test::PrivateOdbcConfig::instance();
        SandboxProcess& sandbox = test::sharedSampleSandbox();
        odbc.writeDataSources(QString("[SandboxDSN]\nDriver=FreeTDS\nServer=127.0.0.1\nPort=%1\n"
                                      "[LiteDSN]\nDriver=SQLite3\nDatabase=/tmp/none.db\n")
                                  .arg(sandbox.port()));
        // No server list from this machine's configuration or browser: a private, empty one.
        confDir = std::make_unique<QTemporaryDir>();
        QFile conf(confDir->filePath("freetds.conf"));
        conf.open(QIODevice::WriteOnly);
        conf.write(QString("[global]\nport = 1433\n[sandbox]\nhost = 127.0.0.1\nport = %1\n").arg(sandbox.port()).toUtf8());
        conf.close();
        qputenv("FREETDSCONF", conf.fileName().toUtf8());
        // No browser on this port: a closed loopback port, so the dialog need not wait for an answer.
        QUdpSocket probe;
        probe.bind(QHostAddress::LocalHost, 0);
        qputenv("NORVANE_BROWSER_PORT", QByteArray::number(probe.localPort()));
    }
    static void TearDownTestSuite()
    {
        confDir.reset();
    }

    void SetUp() override { resetSessionForTests(); }
    void TearDown() override { resetSessionForTests(); }

    static QString sandboxSource() { return test::sharedSampleSandbox().dataSource(); }

    // A loaded dialog, shown and active so focus moves as it would for the user.
    std::unique_ptr<frmLogin> shownDialog()
    {
        auto dialog = std::make_unique<frmLogin>();
        dialog->load();
        dialog->show();
        dialog->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
        return dialog;
    }

    static void chooseServerMode(frmLogin& dialog, const QString& server, const QString& database)
    {
        dialog.optCONMode[1]->click();
        dialog.cboCONServers->setEditText(server);
        dialog.cboCONDatabase->setEditText(database);
    }

    static QString connectError(const QString& connectionString)
    {
        Connection probe;
        try {
            probe.open(connectionString);
        } catch (const DbError& error) {
            return error.description();
        }
        return "no error";
    }

    PrivateSettings settings;
    RecordingPrompts::Installed prompts;
    static std::unique_ptr<QTemporaryDir> confDir;
};
std::unique_ptr<QTemporaryDir> LoginDialog::confDir;

}  // namespace

TEST_F(LoginDialog, FirstRunShowsTheDefaultsAndTheDesignedControls)
{
    auto dialog = shownDialog();
    EXPECT_EQ(dialog->windowTitle(), "Norvane : Connection");
    EXPECT_EQ(dialog->txtCONUserName->text(), "sa");
    EXPECT_EQ(dialog->txtCONPassword->text(), "");
    EXPECT_EQ(dialog->txtCONPassword->echoMode(), QLineEdit::Password);
    EXPECT_FALSE(dialog->chkCONRemember->isChecked());
    EXPECT_FALSE(dialog->chkWindows->isChecked());
    EXPECT_TRUE(dialog->optCONMode[0]->isChecked());
    EXPECT_TRUE(dialog->fraCONDSN->isVisible());
    EXPECT_FALSE(dialog->fraCONServer->isVisible());
    EXPECT_EQ(dialog->cboCONServers->currentText(), "(local)");
    // Only the data sources of a SQL Server driver, none chosen.
    ASSERT_EQ(dialog->cboCONDSN->count(), 1);
    EXPECT_EQ(dialog->cboCONDSN->itemText(0), "SandboxDSN");
    EXPECT_EQ(dialog->cboCONDSN->currentIndex(), -1);
    // The configured sandbox, listed as an address that connects.
    EXPECT_EQ(dialog->cboCONServers->itemText(0), sandboxSource());

    EXPECT_TRUE(dialog->cboCONServers->isEditable());
    EXPECT_TRUE(dialog->cboCONDatabase->isEditable());

    // The other mode swaps the frames.
    dialog->optCONMode[1]->click();
    EXPECT_FALSE(dialog->fraCONDSN->isVisible());
    EXPECT_TRUE(dialog->fraCONServer->isVisible());

    // Escape acts as Cancel: before any connection the result flag stays false and the dialog hides.
    QTest::keyClick(dialog.get(), Qt::Key_Escape);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_FALSE(dialog->LoginOK());
    EXPECT_TRUE(prompts->requests.empty());
}

TEST_F(LoginDialog, ValidationNamesTheMissingInputAndMovesTheFocus)
{
    auto dialog = shownDialog();
    dialog->txtCONUserName->clear();
    dialog->cmdCONConnect->click();
    ASSERT_EQ(prompts->requests.size(), 1u);
    EXPECT_EQ(prompts->requests[0].text, "User Name must be entered!");
    EXPECT_EQ(prompts->requests[0].icon, QMessageBox::Information);
    EXPECT_EQ(prompts->requests[0].title, "Norvane");
    EXPECT_EQ(QApplication::focusWidget(), dialog->txtCONUserName);

    dialog->txtCONUserName->setText("sa");
    dialog->cmdCONConnect->click();
    ASSERT_EQ(prompts->requests.size(), 2u);
    EXPECT_EQ(prompts->requests[1].text, "DSN must be selected!");
    EXPECT_EQ(QApplication::focusWidget(), dialog->cboCONDSN);

    chooseServerMode(*dialog, "", "Harbor");
    dialog->cmdCONConnect->click();
    ASSERT_EQ(prompts->requests.size(), 3u);
    EXPECT_EQ(prompts->requests[2].text, "Server name must be entered!");
    EXPECT_TRUE(dialog->cboCONServers->hasFocus());

    // Entering the database box fetches the list (nothing chosen: "Master" is not "master"),
    // so the box is empty at the next Connect.
    chooseServerMode(*dialog, sandboxSource(), "");
    dialog->cmdCONConnect->click();
    ASSERT_EQ(prompts->requests.size(), 4u);
    EXPECT_EQ(prompts->requests[3].text, "Database must be selected!");
    EXPECT_TRUE(dialog->cboCONDatabase->hasFocus());
    EXPECT_EQ(dialog->cboCONDatabase->currentText(), "");
    EXPECT_GT(dialog->cboCONDatabase->count(), 0);

    // Integrated security disables the user box; the test still applies and no control takes the focus.
    dialog->cboCONDatabase->setEditText("Harbor");
    dialog->chkWindows->click();
    EXPECT_TRUE(dialog->inputs().useWindowsAuth);
    EXPECT_FALSE(session().UseWindowsAuth);
    EXPECT_FALSE(dialog->txtCONUserName->isEnabled());
    EXPECT_FALSE(dialog->txtCONPassword->isEnabled());
    dialog->txtCONUserName->clear();
    dialog->cmdSQLCancel->setFocus();
    dialog->cmdCONConnect->click();
    ASSERT_EQ(prompts->requests.size(), 5u);
    EXPECT_EQ(prompts->requests[4].text, "User Name must be entered!");
    EXPECT_EQ(QApplication::focusWidget(), dialog->cmdSQLCancel);
    dialog->chkWindows->click();
    EXPECT_FALSE(dialog->inputs().useWindowsAuth);
    EXPECT_TRUE(dialog->txtCONUserName->isEnabled());
    // Nothing of the session changes before a connection succeeds.
    EXPECT_TRUE(session().ConnectionString.isEmpty());
    EXPECT_TRUE(session().DatabaseName.isEmpty());
    EXPECT_TRUE(session().ServerName.isEmpty());
    EXPECT_FALSE(dialog->LoginOK());
}

TEST_F(LoginDialog, EnteringTheDatabaseBoxFetchesTheListEveryTime)
{
    settings.write("[UserInputs]\nDatabase=Harbor\n");
    auto dialog = shownDialog();
    chooseServerMode(*dialog, sandboxSource(), "");
    dialog->txtCONPassword->setFocus();
    dialog->cboCONDatabase->setFocus();

    QStringList expected;
    {
        Connection probe;
        probe.open(test::sharedSampleSandbox().connectionString());
        Recordset names = probe.execute("Select Name From SysDatabases");
        for (; !names.eof(); names.moveNext())
            expected.append(names.field("Name").text());
    }
    QStringList listed;
    for (int i = 0; i < dialog->cboCONDatabase->count(); ++i)
        listed.append(dialog->cboCONDatabase->itemText(i));
    EXPECT_EQ(listed, expected);
    EXPECT_TRUE(listed.contains("master"));
    EXPECT_TRUE(listed.contains("Harbor"));
    EXPECT_EQ(dialog->cboCONDatabase->currentText(), "Harbor");  // the saved name, spelled the same
    EXPECT_TRUE(session().DatabaseName.isEmpty());  // the list comes from a connection of the dialog's own
    EXPECT_TRUE(session().ConnectionString.isEmpty());

    // A database created meanwhile shows at the next visit: the list is fetched again.
    {
        Connection other;
        other.open(test::sharedSampleSandbox().connectionString());
        other.executeCommand("CREATE DATABASE LoginFetchProbe");
    }
    dialog->txtCONPassword->setFocus();
    dialog->cboCONDatabase->setFocus();
    EXPECT_GE(dialog->cboCONDatabase->findText("LoginFetchProbe"), 0);
    EXPECT_EQ(dialog->cboCONDatabase->count(), listed.size() + 1);
    EXPECT_TRUE(prompts->requests.empty());

    // A server that is not there: the list keeps what it had, and the message says why.
    dialog->txtCONPassword->setFocus();
    dialog->cboCONServers->setEditText("127.0.0.1,1");
    dialog->cboCONDatabase->setFocus();
    ASSERT_EQ(prompts->requests.size(), 1u);
    EXPECT_EQ(prompts->requests[0].icon, QMessageBox::Critical);
    EXPECT_TRUE(prompts->requests[0].text.startsWith("Error...Databases cannot be populated!\r\nDetails:"))
        << prompts->requests[0].text.toStdString();
    EXPECT_EQ(dialog->cboCONDatabase->count(), listed.size() + 1);
}

TEST_F(LoginDialog, ComposesTheThreeConnectionStrings)
{
    auto dialog = shownDialog();

    dialog->cboCONDSN->setCurrentIndex(0);
    dialog->cmdCONConnect->click();
    ASSERT_TRUE(prompts->requests.empty()) << prompts->requests[0].text.toStdString();
    EXPECT_EQ(session().ConnectionString, "DSN=SandboxDSN;uid=sa;");
    EXPECT_TRUE(dialog->LoginOK());
    EXPECT_TRUE(session().Connected);
    EXPECT_TRUE(session().EverConnected);
    EXPECT_EQ(session().ServerName, "SANDBOX");
    EXPECT_EQ(session().DatabaseName, "master");
    ASSERT_TRUE(session().serverAdmin);
    EXPECT_TRUE(session().serverAdmin->isConnected());
    EXPECT_FALSE(dialog->isVisible());

    // A failed Connect composes nothing into the session.
    dialog->show();
    dialog->txtCONPassword->setText("pw;x");
    dialog->cmdCONConnect->click();
    ASSERT_EQ(prompts->requests.size(), 1u);
    EXPECT_EQ(prompts->requests[0].text,
              "Error...Problems encountered while connecting!\r\nDetails:Login failed for user 'sa'.");
    EXPECT_EQ(session().ConnectionString, "DSN=SandboxDSN;uid=sa;");

    dialog->show();
    chooseServerMode(*dialog, "  " + sandboxSource() + " ", " Harbor ");
    dialog->txtCONPassword->clear();
    prompts->requests.clear();
    dialog->cmdCONConnect->click();
    ASSERT_TRUE(prompts->requests.empty()) << prompts->requests[0].text.toStdString();
    EXPECT_EQ(session().ConnectionString,
              "Provider=SQLOLEDB.1;User ID=sa;Pwd=;Initial Catalog=Harbor;Data Source=" + sandboxSource());
    EXPECT_EQ(session().DatabaseName, "Harbor");
    EXPECT_EQ(session().serverAdmin->serverName(), sandboxSource());

    // Integrated security, which the sandbox refuses: the session keeps its SQL login.
    dialog->show();
    dialog->chkWindows->click();
    prompts->requests.clear();
    dialog->cmdCONConnect->click();
    ASSERT_EQ(prompts->requests.size(), 1u);
    EXPECT_TRUE(prompts->requests[0].text.startsWith("Error...Problems encountered while connecting!\r\nDetails:"));
    EXPECT_EQ(session().ConnectionString,
              "Provider=SQLOLEDB.1;User ID=sa;Pwd=;Initial Catalog=Harbor;Data Source=" + sandboxSource());
    EXPECT_FALSE(session().UseWindowsAuth);
    EXPECT_TRUE(session().connection.isOpen());
}

TEST_F(LoginDialog, AWrongPasswordShowsTheConnectingErrorAndLeavesNotConnected)
{
    frmMain main;
    main.setPanelText(2, "SANDBOX");
    auto dialog = shownDialog();
    chooseServerMode(*dialog, sandboxSource(), "Harbor");
    dialog->txtCONPassword->setText("wrong");
    dialog->cmdCONConnect->click();

    const QString expected = "Error...Problems encountered while connecting!\r\nDetails:" +
                             connectError(test::sharedSampleSandbox().connectionString("Harbor", "sa", "wrong"));
    ASSERT_EQ(prompts->requests.size(), 1u);
    EXPECT_EQ(prompts->requests[0].text, expected);
    EXPECT_EQ(prompts->requests[0].icon, QMessageBox::Critical);
    EXPECT_EQ(prompts->requests[0].title, "Norvane");
    EXPECT_EQ(main.panelText(2), "SANDBOX");  // the panels show what is connected
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_FALSE(dialog->LoginOK());
    EXPECT_FALSE(session().Connected);
    EXPECT_FALSE(session().connection.isOpen());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(LoginDialog, RemembersThePasswordOnlyWhenAskedAndNeverInClear)
{
    SandboxProcess::Options options;
    options.logins = {"dev:Zebra;42"};
    SandboxProcess sandbox(options);
    {
        auto dialog = shownDialog();
        chooseServerMode(*dialog, sandbox.dataSource(), "master");
        dialog->txtCONUserName->setText(" dev ");
        dialog->txtCONPassword->setText("Zebra;42");
        dialog->chkCONRemember->setChecked(true);
        dialog->cmdCONConnect->click();
        ASSERT_TRUE(prompts->requests.empty()) << prompts->requests[0].text.toStdString();
        dialog->unload();
    }
    EXPECT_FALSE(settings.fileText().contains("Zebra"));
    EXPECT_TRUE(settings.fileText().contains("UserName=dev\n"));
    {
        auto dialog = shownDialog();
        EXPECT_EQ(dialog->txtCONUserName->text(), "dev");
        EXPECT_EQ(dialog->txtCONPassword->text(), "Zebra;42");
        EXPECT_TRUE(dialog->chkCONRemember->isChecked());
        EXPECT_TRUE(dialog->optCONMode[1]->isChecked());
        EXPECT_TRUE(dialog->fraCONServer->isVisible());
        EXPECT_EQ(dialog->cboCONServers->currentText(), sandbox.dataSource());
        dialog->chkCONRemember->setChecked(false);
        dialog->cboCONDatabase->setFocus();  // the saved database is chosen from the fetched list
        EXPECT_EQ(dialog->cboCONDatabase->currentText(), "master");
        dialog->cmdCONConnect->click();
        ASSERT_TRUE(prompts->requests.empty()) << prompts->requests[0].text.toStdString();
        dialog->unload();
    }
    {
        auto dialog = shownDialog();
        EXPECT_EQ(dialog->txtCONPassword->text(), "");
        EXPECT_FALSE(dialog->chkCONRemember->isChecked());
        EXPECT_EQ(dialog->txtCONUserName->text(), "dev");
    }
}

TEST_F(LoginDialog, UnloadBeforeAnyConnectionSavesNothing)
{
    auto dialog = shownDialog();
    dialog->txtCONUserName->setText("someone");
    dialog->unload();
    EXPECT_TRUE(settings.fileText().isEmpty());
}

TEST_F(LoginDialog, GarbageSettingsFallBackToTheDefaults)
{
    settings.write("[UserInputs]\nRemember=maybe\nModeDSN=perhaps\nModeServer=FALSE\nServer=\nDSN=NoSuchDSN\n");
    auto dialog = shownDialog();
    EXPECT_FALSE(dialog->chkCONRemember->isChecked());
    EXPECT_TRUE(dialog->optCONMode[0]->isChecked());
    EXPECT_EQ(dialog->cboCONServers->currentText(), "");  // saved empty stays empty
    EXPECT_EQ(dialog->cboCONDSN->currentIndex(), -1);
}

TEST_F(LoginDialog, FocusSelectsTheWholeUserName)
{
    auto dialog = shownDialog();
    dialog->cmdSQLCancel->setFocus();
    dialog->txtCONUserName->setFocus(Qt::OtherFocusReason);
    EXPECT_EQ(dialog->txtCONUserName->selectedText(), "sa");
}
