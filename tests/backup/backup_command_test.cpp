// The Backup command against the sandbox: the file picked in the browser, the server's work,
// and the messages and status texts that end it.
#include "backup/backup_commands.h"
#include "backup/backup_test_fixture.h"
#include "backup/frmServerDir.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>

namespace norvane::testing {
namespace {

class BackupCommandTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        createLedger();
        makeFolder("D", "Backups");
        QFile::remove(hostPath("D", "Backups/Ledger.bak"));
        connectSession();
        setStatusSink([this](const QString& text) { statusTexts_ << text; });
    }
    void TearDown() override
    {
        setStatusSink(nullptr);
        disconnectSession();
    }

    // Answers the browser: opens D:\Backups, names the file and starts.
    void pickInBrowser(const QString& fileName, QString* proposed = nullptr, QString* shownPath = nullptr)
    {
        whenModalShown<frmServerDir>([=](frmServerDir& window) {
            auto* tree = control<QTreeWidget>(window, "tvwDir");
            auto* name = control<QLineEdit>(window, "txtFileName");
            if (proposed)
                *proposed = name->text();
            QTreeWidgetItem* drive = topNode(tree, "D:\\");
            clickNode(tree, drive);
            QTreeWidgetItem* backups = childNode(drive, "Backups");
            backups->setExpanded(true);
            clickNode(tree, backups);
            name->setText(fileName);
            if (shownPath)
                *shownPath = control<QLineEdit>(window, "txtFullPath")->text();
            QTest::mouseClick(control<QPushButton>(window, "cmdStart"), Qt::LeftButton);
        });
    }

    QString completion() const
    {
        return "Backup of database 'Ledger' from server '" + session().ServerName + "' completed successfully!";
    }

    QStringList statusTexts_;
    RecordingPrompts::Installed prompts_;
    QWidget owner_;
};

TEST_F(BackupCommandTest, BacksUpIntoTheFolderPickedAndOverwritesTheFileTheSecondTime)
{
    QString proposed;
    QString shownPath;
    pickInBrowser("Ledger.bak", &proposed, &shownPath);
    BackupCommand(&owner_);

    EXPECT_TRUE(QRegularExpression("^Ledger_\\d{4}[^_\\d]+\\d{2}_(0\\d|1[0-2])[0-5]\\d[^_]+\\.bak$").match(proposed).hasMatch())
        << proposed.toStdString();
    EXPECT_EQ(shownPath, "D:\\\\Backups\\Ledger.bak");  // the doubled separator below the drive reaches the server
    ASSERT_EQ(prompts_->requests.size(), 1u);
    EXPECT_EQ(prompts_->requests[0].text, completion());
    EXPECT_EQ(prompts_->requests[0].icon, QMessageBox::Information);
    EXPECT_EQ(prompts_->requests[0].title, "Norvane");
    EXPECT_EQ(statusTexts_, (QStringList{"Backup in progress... Please wait...", "Ready"}));
    EXPECT_TRUE(QFile::exists(hostPath("D", "Backups/Ledger.bak")));
    EXPECT_EQ(session().connection.currentCatalog(), "Ledger");

    runOn("Ledger", {"UPDATE Accounts SET Name = 'Changed' WHERE Id = 1"});
    pickInBrowser("Ledger.bak");
    BackupCommand(&owner_);
    ASSERT_EQ(prompts_->requests.size(), 2u);
    EXPECT_EQ(prompts_->requests[1].text, completion());

    // The file holds one backup, the second: a second set is not there, the first has the change.
    try {
        runOn("master", {"RESTORE DATABASE [LedgerCopy] FROM DISK = N'D:\\Backups\\Ledger.bak' WITH FILE = 2"});
        ADD_FAILURE() << "a second backup set was found";
    } catch (const DbError& error) {
        EXPECT_EQ(error.description(), "Cannot find file ID 2 on device 'D:\\Backups\\Ledger.bak'.");
    }
    runOn("master", {"RESTORE DATABASE [LedgerCopy] FROM DISK = N'D:\\Backups\\Ledger.bak' WITH FILE = 1"});
    EXPECT_EQ(scalarOn("LedgerCopy", "SELECT Name FROM Accounts WHERE Id = 1"), "Changed");
    EXPECT_EQ(scalarOn("LedgerCopy", "SELECT COUNT(*) FROM Accounts"), "3");
}

TEST_F(BackupCommandTest, APathTheServerCannotOpenEndsWithTheServersText)
{
    whenModalShown<frmServerDir>([](frmServerDir& window) {
        control<QLineEdit>(window, "txtFullPath")->setText("D:\\NoSuchFolder\\Ledger.bak");
        QTest::mouseClick(control<QPushButton>(window, "cmdStart"), Qt::LeftButton);
    });
    BackupCommand(&owner_);
    ASSERT_EQ(prompts_->requests.size(), 1u);
    EXPECT_EQ(prompts_->requests[0].text,
              "Backup operation was not completed!\r\nDetails:Cannot open backup device 'D:\\NoSuchFolder\\Ledger.bak'. "
              "Device error or device off-line. See the SQL Server error log for more details.");
    EXPECT_EQ(prompts_->requests[0].icon, QMessageBox::Information);
    EXPECT_EQ(statusTexts_, (QStringList{"Backup in progress... Please wait...", "Ready"}));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(owner_.findChildren<QDialog*>().isEmpty());  // the progress window is gone
}

TEST_F(BackupCommandTest, CancelInTheBrowserDoesNothingElse)
{
    whenModalShown<frmServerDir>([](frmServerDir& window) {
        QTest::mouseClick(control<QPushButton>(window, "cmdCancel"), Qt::LeftButton);
    });
    BackupCommand(&owner_);
    EXPECT_TRUE(prompts_->requests.empty());
    EXPECT_TRUE(statusTexts_.isEmpty());
    EXPECT_TRUE(owner_.findChildren<QDialog*>().isEmpty());
    EXPECT_FALSE(QFile::exists(hostPath("D", "Backups/Ledger.bak")));
}

TEST_F(BackupCommandTest, WithoutALoggedInServerObjectTheFailureIsReported)
{
    session().serverAdmin->disconnect();
    pickInBrowser("Ledger.bak");
    BackupCommand(&owner_);
    ASSERT_EQ(prompts_->requests.size(), 1u);
    EXPECT_EQ(prompts_->requests[0].text,
              "Backup operation was not completed!\r\nDetails:The server-management object is not logged in.");
    EXPECT_EQ(statusTexts_, (QStringList{"Backup in progress... Please wait...", "Ready"}));
}

}  // namespace
}  // namespace norvane::testing
