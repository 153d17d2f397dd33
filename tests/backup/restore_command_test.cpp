// The Restore command from the main window's menu against the sandbox: the other sessions
// listed and ended with the user's consent, the database replaced, the windows opened afresh,
// and a failed restore leaving the database and the program usable.
#include "app/program_windows.h"
#include "backup/backup_commands.h"
#include "backup/backup_test_fixture.h"
#include "backup/frmServerDir.h"
#include "shell/frmMain.h"

#include <QAction>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

#include <unistd.h>

namespace norvane::testing {
namespace {

QString hostName()
{
    char name[256] = {};
    gethostname(name, sizeof name - 1);
    return QString::fromLocal8Bit(name);
}

class RestoreCommandTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        createLedger();
        makeFolder("D", "Backups");
        writeHostFile("D", "Backups/notes.txt", "These are notes, not a backup.");
        connectSession();
        WindowRegistry windows;
        registerProgramWindows(windows);
        main_ = std::make_unique<frmMain>(windows);
        main_->openTablesWindow();
        main_->openChild("Views");
        setStatusSink([this](const QString& text) { statusTexts_ << text; });
        // The backup every restore here starts from; then a change the restore takes back.
        RunBackup(main_.get(), "D:\\Backups\\Ledger.bak");
        runOn("Ledger", {"UPDATE Accounts SET Name = 'Changed' WHERE Id = 1"});
        prompts_->requests.clear();
        waitForSessionsIn("Ledger", 1);  // the program's own connection alone
    }
    void TearDown() override
    {
        main_.reset();
        setStatusSink(nullptr);
        disconnectSession();
    }

    // Answers the browser with a path typed in the full path box.
    static void pickPath(const QString& path)
    {
        whenModalShown<frmServerDir>([path](frmServerDir& window) {
            control<QLineEdit>(window, "txtFullPath")->setText(path);
            QTest::mouseClick(control<QPushButton>(window, "cmdStart"), Qt::LeftButton);
        });
    }

    // Picks D:\Backups\Ledger.bak in the tree, as the user does.
    static void pickLedgerBackup()
    {
        whenModalShown<frmServerDir>([](frmServerDir& window) {
            auto* tree = control<QTreeWidget>(window, "tvwDir");
            QTreeWidgetItem* drive = topNode(tree, "D:\\");
            drive->setExpanded(true);
            QTreeWidgetItem* backups = childNode(drive, "Backups");
            backups->setExpanded(true);
            clickNode(tree, childNode(backups, "Ledger.bak"));
            QTest::mouseClick(control<QPushButton>(window, "cmdStart"), Qt::LeftButton);
        });
    }

    void restoreFromMenu() { main_->menuCommand("mnuRestore")->trigger(); }

    QString completion() const
    {
        return "Restore of database 'Ledger' to server '" + session().ServerName + "' completed successfully!";
    }

    static QString firstName() { return scalarOn("Ledger", "SELECT Name FROM Accounts WHERE Id = 1"); }

    QStringList openWindows() const
    {
        QStringList names;
        for (QWidget* child : main_->openChildren())
            names << QString::fromLatin1(child->metaObject()->className()).section(QStringLiteral("::"), -1);
        return names;
    }

    std::unique_ptr<frmMain> main_;
    QStringList statusTexts_;
    RecordingPrompts::Installed prompts_;
};

TEST_F(RestoreCommandTest, WithOnlyTheProgramConnectedItAsksNothingAndOpensTheTablesWindowAgain)
{
    ASSERT_EQ(openWindows(), (QStringList{"frmTables", "frmViews"}));
    const QPointer<QWidget> tablesBefore = main_->child("Tables");
    pickLedgerBackup();
    restoreFromMenu();

    ASSERT_EQ(prompts_->requests.size(), 1u);
    EXPECT_EQ(prompts_->requests[0].text, completion());
    EXPECT_EQ(prompts_->requests[0].icon, QMessageBox::Information);
    // The tables window, loaded again, writes its own status before the restore's last "Ready".
    EXPECT_EQ(statusTexts_, (QStringList{"Restore in progress... Please wait...", "Populating Tables... Please wait...",
                                         "Ready", "Ready"}));
    EXPECT_EQ(firstName(), "Harbour dues");
    EXPECT_EQ(openWindows(), QStringList{"frmTables"});
    EXPECT_TRUE(tablesBefore.isNull());  // the old one was unloaded; this one is loaded afresh
    ASSERT_TRUE(session().connection.isOpen());
    EXPECT_EQ(session().connection.currentCatalog(), "Ledger");
    EXPECT_EQ(scalarOn("master", "SELECT status & 4096 FROM sysdatabases WHERE name = 'Ledger'"), "0");
}

TEST_F(RestoreCommandTest, OtherSessionsAreListedAndEndedOnlyWhenTheUserAgrees)
{
    Connection first;
    Connection second;
    first.open(ownSandbox().connectionString("Ledger"));
    second.open(ownSandbox().connectionString("Ledger"));
    const QString host = hostName();
    const QString question = "The following computer(s) are connected to this database: \r\n\r\n1. " + host + "\r\n2. "
        + host + "\r\n3. " + host
        + "\r\n\r\nDo you want to disconnect them and continue restoring?\r\n"
          "(Click No to abort restoring and Yes to proceed with restoring)";

    prompts_->answers.push_back(PromptAnswer{QMessageBox::No, QString(), 1});
    pickLedgerBackup();
    restoreFromMenu();
    ASSERT_EQ(prompts_->requests.size(), 1u);
    EXPECT_EQ(prompts_->requests[0].kind, PromptRequest::Kind::Question);
    EXPECT_EQ(prompts_->requests[0].text, question);
    EXPECT_EQ(prompts_->requests[0].icon, QMessageBox::Question);
    EXPECT_EQ(prompts_->requests[0].buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(statusTexts_, (QStringList{"Restore in progress... Please wait...", "Ready"}));
    EXPECT_EQ(firstName(), "Changed");
    EXPECT_NO_THROW(first.executeCommand("SELECT 1"));
    EXPECT_NO_THROW(second.executeCommand("SELECT 1"));
    EXPECT_EQ(openWindows(), (QStringList{"frmTables", "frmViews"}));
    EXPECT_EQ(session().connection.currentCatalog(), "Ledger");

    prompts_->requests.clear();
    statusTexts_.clear();
    waitForSessionsIn("Ledger", 3);
    prompts_->answers.push_back(PromptAnswer{QMessageBox::Yes, QString(), 1});
    pickLedgerBackup();
    restoreFromMenu();
    ASSERT_EQ(prompts_->requests.size(), 2u);
    EXPECT_EQ(prompts_->requests[0].text, question);
    EXPECT_EQ(prompts_->requests[1].text, completion());
    // The tables window, loaded again, writes its own status before the restore's last "Ready".
    EXPECT_EQ(statusTexts_, (QStringList{"Restore in progress... Please wait...", "Populating Tables... Please wait...",
                                         "Ready", "Ready"}));
    EXPECT_EQ(firstName(), "Harbour dues");
    EXPECT_THROW(first.executeCommand("SELECT 1"), DbError);
    EXPECT_THROW(second.executeCommand("SELECT 1"), DbError);
    EXPECT_EQ(openWindows(), QStringList{"frmTables"});
}

TEST_F(RestoreCommandTest, AFailedRestoreLeavesTheDatabaseOpenToAllAndTheProgramConnected)
{
    pickPath("D:\\Backups\\notes.txt");
    restoreFromMenu();
    ASSERT_EQ(prompts_->requests.size(), 1u);
    EXPECT_EQ(prompts_->requests[0].text,
              "Restore operation was not completed!\r\nDetails:The media family on device 'D:\\Backups\\notes.txt' is "
              "incorrectly formed. SQL Server cannot process this media family.");
    EXPECT_EQ(prompts_->requests[0].icon, QMessageBox::Information);
    EXPECT_EQ(statusTexts_, (QStringList{"Restore in progress... Please wait...", "Ready"}));
    EXPECT_EQ(scalarOn("master", "SELECT status & 4096 FROM sysdatabases WHERE name = 'Ledger'"), "0");
    EXPECT_EQ(firstName(), "Changed");  // a second user gets in beside the program, and nothing was replaced
    ASSERT_TRUE(session().connection.isOpen());
    EXPECT_EQ(session().connection.currentCatalog(), "Ledger");
    EXPECT_EQ(openWindows(), (QStringList{"frmTables", "frmViews"}));

    // A file the server cannot reach gets the text that sends the user to the server's own disks.
    prompts_->requests.clear();
    waitForSessionsIn("Ledger", 1);
    pickPath("D:\\NoSuchFolder\\Ledger.bak");
    restoreFromMenu();
    ASSERT_EQ(prompts_->requests.size(), 1u);
    EXPECT_EQ(prompts_->requests[0].text,
              "Restore operation was not completed!\r\nDetails: Try again after selecting a file local to the "
              "database server "
                  + ownSandbox().dataSource());
    EXPECT_EQ(scalarOn("master", "SELECT status & 4096 FROM sysdatabases WHERE name = 'Ledger'"), "0");
    EXPECT_EQ(session().connection.currentCatalog(), "Ledger");
}

TEST_F(RestoreCommandTest, ASessionOfAnotherLoginInTheDatabaseStopsTheRestoreWithoutWaitingForever)
{
    Connection clerk;
    clerk.open(ownSandbox().connectionString("Ledger", "clerk", "Clerk#1"));
    waitForSessionsIn("Ledger", 2);
    pickLedgerBackup();
    restoreFromMenu();
    ASSERT_EQ(prompts_->requests.size(), 1u);  // the clerk's session is not the program's login: not listed
    EXPECT_EQ(prompts_->requests[0].text,
              "Restore operation was not completed!\r\nDetails:Database state cannot be changed while other users "
              "are using the database 'Ledger'");
    EXPECT_NO_THROW(clerk.executeCommand("SELECT 1"));
    EXPECT_EQ(firstName(), "Changed");
    EXPECT_EQ(scalarOn("master", "SELECT status & 4096 FROM sysdatabases WHERE name = 'Ledger'"), "0");
    EXPECT_EQ(session().connection.currentCatalog(), "Ledger");
    EXPECT_EQ(statusTexts_, (QStringList{"Restore in progress... Please wait...", "Ready"}));
}

TEST_F(RestoreCommandTest, CancelInTheBrowserChangesNothing)
{
    whenModalShown<frmServerDir>([](frmServerDir& window) {
        QTest::mouseClick(control<QPushButton>(window, "cmdCancel"), Qt::LeftButton);
    });
    restoreFromMenu();
    EXPECT_TRUE(prompts_->requests.empty());
    EXPECT_TRUE(statusTexts_.isEmpty());
    EXPECT_EQ(firstName(), "Changed");
    EXPECT_EQ(openWindows(), (QStringList{"frmTables", "frmViews"}));
}

}  // namespace
}  // namespace norvane::testing
