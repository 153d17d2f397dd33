// The connection dialog against the sandbox server through unixODBC and FreeTDS, and the
// inputs it remembers.
#include "harbor_session.h"
#include "login_shell_fixture.h"

#include <QCheckBox>
#include <QDateTime>
#include <QFileInfo>
#include <QGroupBox>
#include <QTest>

#include <sys/stat.h>

using namespace norvane;
using norvane::test::SandboxProcess;
using norvane::testing::PrivateSettings;

namespace {

class LoginDialog : public norvane::testing::ShellFixture {
protected:
    static void SetUpTestSuite()
    {
        const int port = test::sharedSampleSandbox().port();
        setUpServers(QString("[global]\nport = 1433\n[sandbox]\nhost = 127.0.0.1\nport = %1\n").arg(port).toUtf8());
        test::PrivateOdbcConfig::instance().writeDataSources(
            QString("[SandboxDSN]\nDriver=FreeTDS\nServer=127.0.0.1\nPort=%1\n"
                    "[LiteDSN]\nDriver=SQLite3\nDatabase=/tmp/none.db\n")
                .arg(port));
        // The driver manager keeps what it read of a file while the file's time, in whole seconds,
        // stays the same: other tests of this program may have had it read the file this second.
        QFile systemSources(test::PrivateOdbcConfig::instance().directory() + "/odbc.ini");
        systemSources.open(QIODevice::ReadWrite);
        systemSources.setFileTime(QDateTime::currentDateTime().addSecs(2), QFileDevice::FileModificationTime);
    }
    static void TearDownTestSuite() { test::PrivateOdbcConfig::instance().writeDataSources(QString()); }

    // A loaded dialog, shown and active so focus moves as it would for the user.
    static std::unique_ptr<frmLogin> shownDialog()
    {
        auto dialog = std::make_unique<frmLogin>();
        dialog->load();
        dialog->show();
        dialog->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
        return dialog;
    }

    // The texts of the prompts shown so far, and forgets them.
    QStringList takeMessages()
    {
        QStringList texts;
        for (const PromptRequest& request : prompts->requests)
            texts << request.text;
        prompts->requests.clear();
        return texts;
    }
};

} // namespace

TEST_F(LoginDialog, FirstRunListsSqlServerSourcesAndServersEscapeCancelsAndGarbageSettingsFallBack)
{
    auto dialog = shownDialog();
    EXPECT_EQ(dialog->txtCONPassword->echoMode(), QLineEdit::Password);
    // Only the data sources of a SQL Server driver, none chosen; the configured sandbox as an address.
    ASSERT_EQ(dialog->cboCONDSN->count(), 1);
    EXPECT_EQ(dialog->cboCONDSN->itemText(0), "SandboxDSN");
    EXPECT_EQ(dialog->cboCONDSN->currentIndex(), -1);
    EXPECT_EQ(dialog->cboCONServers->itemText(0), harborSource());
    EXPECT_EQ(dialog->cboCONServers->currentText(), "(local)");
    EXPECT_TRUE(dialog->fraCONDSN->isVisible() && !dialog->fraCONServer->isVisible());
    dialog->optCONMode[1]->click(); // the other mode swaps the frames
    EXPECT_TRUE(!dialog->fraCONDSN->isVisible() && dialog->fraCONServer->isVisible());

    QTest::keyClick(dialog.get(), Qt::Key_Escape);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_FALSE(dialog->LoginOK());
    dialog->unload();
    EXPECT_TRUE(settings.fileText().isEmpty()); // nothing saved before a connection
    EXPECT_TRUE(prompts->requests.empty());

    // Garbage in the settings falls back to the defaults; a server saved empty stays empty.
    settings.write("[UserInputs]\nRemember=maybe\nModeDSN=perhaps\nModeServer=FALSE\nServer=\nDSN=NoSuchDSN\n"
                   "UserName=a, b\n"); // a list to the INI reader
    dialog = shownDialog();
    EXPECT_TRUE(dialog->optCONMode[0]->isChecked() && !dialog->chkCONRemember->isChecked());
    EXPECT_EQ(dialog->cboCONServers->currentText() + "|" + dialog->txtCONUserName->text(), "|sa");
    EXPECT_EQ(dialog->cboCONDSN->currentIndex(), -1);
}

TEST_F(LoginDialog, ValidationNamesTheMissingInputAndMovesTheFocus)
{
    auto dialog = shownDialog();
    dialog->txtCONUserName->clear();
    dialog->cmdCONConnect->click();
    ASSERT_EQ(prompts->requests.size(), 1u);
    EXPECT_EQ(prompts->requests[0].icon, QMessageBox::Information);
    EXPECT_EQ(QApplication::focusWidget(), dialog->txtCONUserName);
    dialog->txtCONUserName->setText("sa");
    dialog->cmdCONConnect->click();
    EXPECT_EQ(QApplication::focusWidget(), dialog->cboCONDSN);
    fillServerLogin(*dialog, "", "Harbor");
    dialog->cmdCONConnect->click();
    EXPECT_TRUE(dialog->cboCONServers->hasFocus());
    // Entering the database box fetches the list (nothing chosen: "Master" is not "master"),
    // so the box is empty at the next Connect.
    fillServerLogin(*dialog, harborSource(), "");
    dialog->cmdCONConnect->click();
    EXPECT_TRUE(dialog->cboCONDatabase->hasFocus());
    EXPECT_EQ(dialog->cboCONDatabase->currentText(), "");

    // Integrated security disables the user box; the test still applies and no control takes the focus.
    dialog->cboCONDatabase->setEditText("Harbor");
    dialog->chkWindows->click();
    EXPECT_FALSE(dialog->txtCONUserName->isEnabled() || dialog->txtCONPassword->isEnabled());
    dialog->txtCONUserName->clear();
    dialog->cmdSQLCancel->setFocus();
    dialog->cmdCONConnect->click();
    EXPECT_EQ(QApplication::focusWidget(), dialog->cmdSQLCancel);
    EXPECT_EQ(takeMessages(),
              QStringList({"User Name must be entered!", "DSN must be selected!", "Server name must be entered!",
                           "Database must be selected!", "User Name must be entered!"}));
    dialog->chkWindows->click();
    EXPECT_TRUE(dialog->txtCONUserName->isEnabled());
    // Nothing of the session changes before a connection succeeds.
    EXPECT_FALSE(session().UseWindowsAuth);
    EXPECT_TRUE(session().ConnectionString.isEmpty() && session().DatabaseName.isEmpty());
    EXPECT_FALSE(dialog->LoginOK());
}

TEST_F(LoginDialog, EnteringTheDatabaseBoxFetchesTheListEveryTime)
{
    auto dialog = shownDialog();
    fillServerLogin(*dialog, harborSource(), "");
    dialog->txtCONPassword->setFocus();
    dialog->cboCONDatabase->setFocus();
    QStringList listed;
    for (int i = 0; i < dialog->cboCONDatabase->count(); ++i)
        listed.append(dialog->cboCONDatabase->itemText(i));
    EXPECT_TRUE(listed.contains("master") && listed.contains("Harbor"));
    EXPECT_TRUE(session().ConnectionString.isEmpty()); // the list comes from a connection of the dialog's own

    // A database created meanwhile shows at the next visit.
    norvane::testing::runBatches("master", {"CREATE DATABASE LoginFetchProbe"});
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

TEST_F(LoginDialog, ComposesTheConnectionStringsAndAFailureKeepsTheSession)
{
    auto dialog = shownDialog();
    dialog->cboCONDSN->setCurrentIndex(0);
    // A failed first Connect leaves the dialog up and nothing connected; the message carries the driver's text.
    dialog->txtCONPassword->setText("pw;x");
    dialog->cmdCONConnect->click();
    EXPECT_EQ(takeMessages(), QStringList({"Error...Problems encountered while connecting!\r\nDetails:"
                                           "Login failed for user 'sa'."}));
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_FALSE(dialog->LoginOK() || session().Connected || session().connection.isOpen());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    dialog->txtCONPassword->clear();
    dialog->cmdCONConnect->click();
    ASSERT_TRUE(prompts->requests.empty()) << prompts->requests[0].text.toStdString();
    EXPECT_EQ(session().ConnectionString, "DSN=SandboxDSN;uid=sa;");
    EXPECT_TRUE(dialog->LoginOK() && session().Connected && session().EverConnected);
    EXPECT_EQ(session().ServerName + "|" + session().DatabaseName, "SANDBOX|master");
    ASSERT_TRUE(session().serverAdmin);
    EXPECT_TRUE(session().serverAdmin->isConnected());
    EXPECT_FALSE(dialog->isVisible());

    dialog->show();
    fillServerLogin(*dialog, "  " + harborSource() + " ", " Harbor ");
    dialog->cmdCONConnect->click();
    ASSERT_TRUE(prompts->requests.empty()) << prompts->requests[0].text.toStdString();
    const QString serverLogin =
        "Provider=SQLOLEDB.1;User ID=sa;Pwd=;Initial Catalog=Harbor;Data Source=" + harborSource();
    EXPECT_EQ(session().ConnectionString, serverLogin);
    EXPECT_EQ(session().DatabaseName, "Harbor");
    EXPECT_EQ(session().serverAdmin->serverName(), harborSource());

    // Integrated security, which the sandbox refuses: the session keeps its SQL login.
    dialog->show();
    dialog->chkWindows->click();
    dialog->cmdCONConnect->click();
    ASSERT_EQ(prompts->requests.size(), 1u);
    EXPECT_TRUE(prompts->requests[0].text.startsWith("Error...Problems encountered while connecting!\r\nDetails:"));
    EXPECT_EQ(session().ConnectionString, serverLogin);
    EXPECT_FALSE(session().UseWindowsAuth);
    EXPECT_TRUE(session().connection.isOpen());
}

TEST_F(LoginDialog, RemembersThePasswordWithItsBlanksOnlyWhenAskedAndNeverInClear)
{
    SandboxProcess::Options options;
    options.logins = {"dev: Zebra;42 "}; // a password beginning and ending with a blank
    SandboxProcess sandbox(options);
    {
        auto dialog = shownDialog();
        fillServerLogin(*dialog, sandbox.dataSource(), "master", " dev ", " Zebra;42 ");
        dialog->chkCONRemember->setChecked(true);
        dialog->cmdCONConnect->click();
        ASSERT_TRUE(prompts->requests.empty()) << prompts->requests[0].text.toStdString();
        EXPECT_EQ(session().UserName + "|" + session().Password, "dev| Zebra;42 ");
        dialog->unload();
    }
    EXPECT_FALSE(settings.fileText().contains("Zebra"));
    EXPECT_TRUE(settings.fileText().contains("UserName=dev\n"));
    {
        auto dialog = shownDialog();
        EXPECT_EQ(dialog->txtCONUserName->text() + "|" + dialog->txtCONPassword->text(), "dev| Zebra;42 "); // as typed
        EXPECT_TRUE(dialog->chkCONRemember->isChecked() && dialog->optCONMode[1]->isChecked());
        EXPECT_EQ(dialog->cboCONServers->currentText(), sandbox.dataSource());
        dialog->chkCONRemember->setChecked(false);
        dialog->cboCONDatabase->setFocus(); // the saved database is chosen from the fetched list
        EXPECT_EQ(dialog->cboCONDatabase->currentText(), "master");
        dialog->cmdCONConnect->click();
        ASSERT_TRUE(prompts->requests.empty()) << prompts->requests[0].text.toStdString();
        dialog->unload();
    }
    auto dialog = shownDialog();
    EXPECT_EQ(dialog->txtCONUserName->text() + "|" + dialog->txtCONPassword->text(), "dev|");
    EXPECT_FALSE(dialog->chkCONRemember->isChecked());
}

TEST(LoginSettings, WritesTheKeysInOrderForTheOwnerOnlyWithThePasswordScrambled)
{
    const QString password = "Zebra;Pwd=1 ÄZ";
    EXPECT_EQ(ScrambleText(password).at(0), QChar(u'Z' ^ 0x5A)); // exclusive-or with the fixed key
    EXPECT_EQ(ScrambleText(ScrambleText(password)), password);

    PrivateSettings settings;
    // Even with a umask that lets everyone read, the file is the owner's from its creation on.
    const mode_t umaskBefore = ::umask(0);
    SavedLoginInputs inputs{"dev", "Zecret", true, "HarborDSN", "127.0.0.1,14330", "Harbor", false, true};
    writeLoginSettings(inputs);
    ::umask(umaskBefore);
    // The INI writer keeps a section's keys in name order, whatever the order of writing.
    EXPECT_EQ(settings.fileText(), QByteArray("[UserInputs]\nDSN=HarborDSN\nDatabase=Harbor\nModeDSN=False\n"
                                              "ModeServer=True\nPassword=@String(\\0?9(?.)\nRemember=1\n"
                                              "Server=\"127.0.0.1,14330\"\nUserName=dev\n"));
    EXPECT_EQ(QFileInfo(settings.fileName()).permissions(),
              QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
    EXPECT_EQ(ScrambleText(readLoginSetting(LoginKeys::Password, LoginDefaults::Password)), "Zecret");

    inputs.remember = false;
    writeLoginSettings(inputs);
    EXPECT_EQ(readLoginSetting(LoginKeys::Password, LoginDefaults::Password), "");
    EXPECT_EQ(readLoginSetting(LoginKeys::Remember, LoginDefaults::Remember), "0");
}
