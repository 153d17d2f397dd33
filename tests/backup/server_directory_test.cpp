// The server directory browser against the sandbox's drives: the tree read from the server,
// its pictures and placeholders, the path rules of both modes, Start and Cancel.
#include "backup/backup_test_fixture.h"
#include "backup/frmServerDir.h"

#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>

namespace norvane::testing {
namespace {

const QString kProposed = QStringLiteral("Sales_2007March05_0207PM.bak");

class ServerDirectoryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        createLedger();
        makeFolder("D", "Backups/Old");
        writeHostFile("D", "Backups/Ledger.bak", "not read by the browser");
        writeHostFile("D", "Backups/notes.txt", "notes");
        writeHostFile("D", "Backups/SALES.BAK", "upper case");
        connectSession();
        // One distinct picture per key, so each node's picture can be told apart.
        int shade = 0;
        for (const char* key : {"Drive", "ClosedFolder", "OpenFolder", "File", "BakFile"}) {
            QPixmap pixmap(16, 16);
            pixmap.fill(QColor::fromHsv(shade, 255, 255));
            shade += 60;
            pictures_.insert(QString::fromLatin1(key), QIcon(pixmap));
        }
        setImageProvider([this](const QString& key) { return pictures_.value(key); });
    }
    void TearDown() override
    {
        setImageProvider(nullptr);
        disconnectSession();
    }

    QString pictureOf(const QTreeWidgetItem* node) const
    {
        for (auto it = pictures_.cbegin(); it != pictures_.cend(); ++it)
            if (it.value().cacheKey() == node->icon(0).cacheKey())
                return it.key();
        return QStringLiteral("(none)");
    }

    static QString currentDatabase() { return session().connection.currentCatalog(); }

    QMap<QString, QIcon> pictures_;
    RecordingPrompts::Installed prompts_;
};

TEST_F(ServerDirectoryTest, BackupModeShowsFoldersOnlyAndBuildsThePathFromNodeAndName)
{
    frmServerDir browser;
    browser.RestoreMode = false;
    browser.FileName = kProposed;
    bool answered = false;
    whenModalShown<frmServerDir>([&](frmServerDir& window) {
        auto* tree = control<QTreeWidget>(window, "tvwDir");
        auto* name = control<QLineEdit>(window, "txtFileName");
        auto* fullPath = control<QLineEdit>(window, "txtFullPath");
        EXPECT_EQ(control<QLabel>(window, "lblServer")->text(),
                  "Drives and folders of the database server " + session().ServerName + ", not of this computer.");
        EXPECT_EQ(currentDatabase(), "master");
        EXPECT_EQ(name->text(), kProposed);
        EXPECT_EQ(fullPath->text(), "");  // nothing is chosen until the user picks a node
        ASSERT_EQ(tree->topLevelItemCount(), 2);
        EXPECT_EQ(tree->topLevelItem(0)->text(0), "C:\\");
        EXPECT_EQ(tree->topLevelItem(1)->text(0), "D:\\");
        EXPECT_EQ(pictureOf(tree->topLevelItem(1)), "Drive");

        QTreeWidgetItem* drive = topNode(tree, "D:\\");
        clickNode(tree, drive);
        EXPECT_EQ(fullPath->text(), "D:\\\\Sales_2007March05_0207PM.bak");
        EXPECT_EQ(childTexts(drive), QStringList{"Backups"});
        QTreeWidgetItem* backups = childNode(drive, "Backups");
        ASSERT_NE(backups, nullptr);
        // Not yet opened: one empty placeholder gives it an expander.
        ASSERT_EQ(backups->childCount(), 1);
        EXPECT_EQ(backups->child(0)->text(0), "");
        EXPECT_EQ(pictureOf(backups->child(0)), "ClosedFolder");
        EXPECT_EQ(pictureOf(backups), "ClosedFolder");

        backups->setExpanded(true);
        EXPECT_EQ(childTexts(backups), QStringList{"Old"});  // no files when backing up
        EXPECT_EQ(pictureOf(backups), "OpenFolder");
        EXPECT_EQ(pictureOf(childNode(backups, "Old")), "ClosedFolder");

        clickNode(tree, backups);
        EXPECT_EQ(fullPath->text(), "D:\\\\Backups\\Sales_2007March05_0207PM.bak");
        name->clear();
        QTest::keyClicks(name, "  Ledger.bak ");
        EXPECT_EQ(fullPath->text(), "D:\\\\Backups\\Ledger.bak");

        // Closed and opened again, a folder keeps what it showed.
        backups->setExpanded(false);
        backups->setExpanded(true);
        EXPECT_EQ(childTexts(backups), QStringList{"Old"});
        QTreeWidgetItem* old = childNode(backups, "Old");
        old->setExpanded(true);
        EXPECT_EQ(old->childCount(), 0);  // an empty folder: the placeholder went, nothing came

        // Start with an empty path says so and stays open.
        fullPath->setText("   ");
        QTest::mouseClick(control<QPushButton>(window, "cmdStart"), Qt::LeftButton);
        ASSERT_EQ(prompts_->requests.size(), 1u);
        EXPECT_EQ(prompts_->requests[0].text, "Select/Enter the File Name");
        EXPECT_EQ(prompts_->requests[0].icon, QMessageBox::Information);
        EXPECT_EQ(prompts_->requests[0].title, "Norvane");
        EXPECT_TRUE(window.isVisible());

        fullPath->setText("  D:\\\\Backups\\Ledger.bak  ");
        QTest::mouseClick(control<QPushButton>(window, "cmdStart"), Qt::LeftButton);
        answered = true;
    });
    browser.exec();
    ASSERT_TRUE(answered);
    EXPECT_FALSE(session().DirectoryCancelled);
    EXPECT_EQ(browser.FullPath(), "D:\\\\Backups\\Ledger.bak");
    EXPECT_EQ(currentDatabase(), "Ledger");
}

TEST_F(ServerDirectoryTest, RestoreModeShowsFilesWithTheirPicturesAndTakesAFilesPath)
{
    frmServerDir browser;
    browser.RestoreMode = true;
    bool answered = false;
    whenModalShown<frmServerDir>([&](frmServerDir& window) {
        auto* tree = control<QTreeWidget>(window, "tvwDir");
        auto* name = control<QLineEdit>(window, "txtFileName");
        auto* fullPath = control<QLineEdit>(window, "txtFullPath");
        EXPECT_EQ(name->text(), "");
        QTreeWidgetItem* drive = topNode(tree, "D:\\");
        drive->setExpanded(true);
        QTreeWidgetItem* backups = childNode(drive, "Backups");
        ASSERT_NE(backups, nullptr);
        backups->setExpanded(true);
        EXPECT_EQ(childTexts(backups), (QStringList{"Ledger.bak", "notes.txt", "Old", "SALES.BAK"}));
        EXPECT_EQ(pictureOf(childNode(backups, "Ledger.bak")), "BakFile");
        EXPECT_EQ(pictureOf(childNode(backups, "notes.txt")), "File");
        EXPECT_EQ(pictureOf(childNode(backups, "SALES.BAK")), "File");  // the extension is compared exactly
        EXPECT_EQ(pictureOf(childNode(backups, "Old")), "ClosedFolder");

        clickNode(tree, backups);
        EXPECT_EQ(name->text(), "Backups");
        EXPECT_EQ(fullPath->text(), "D:\\\\Backups");
        EXPECT_EQ(pictureOf(backups), "OpenFolder");
        clickNode(tree, childNode(backups, "Ledger.bak"));
        EXPECT_EQ(name->text(), "Ledger.bak");
        EXPECT_EQ(fullPath->text(), "D:\\\\Backups\\Ledger.bak");
        // Typing a name does not touch the path when restoring.
        QTest::keyClicks(name, "x");
        EXPECT_EQ(fullPath->text(), "D:\\\\Backups\\Ledger.bak");
        QTest::mouseClick(control<QPushButton>(window, "cmdCancel"), Qt::LeftButton);
        answered = true;
    });
    browser.exec();
    ASSERT_TRUE(answered);
    EXPECT_TRUE(session().DirectoryCancelled);
    EXPECT_TRUE(prompts_->requests.empty());
    EXPECT_EQ(currentDatabase(), "Ledger");
}

TEST_F(ServerDirectoryTest, ClosingByTheFrameOrEscapeActsAsCancel)
{
    for (const bool byEscape : {false, true}) {
        frmServerDir browser;
        browser.FileName = kProposed;
        whenModalShown<frmServerDir>([&](frmServerDir& window) {
            EXPECT_EQ(currentDatabase(), "master");
            if (byEscape)
                QTest::keyClick(&window, Qt::Key_Escape);
            else
                window.close();
        });
        browser.exec();
        EXPECT_TRUE(session().DirectoryCancelled) << byEscape;
        EXPECT_EQ(currentDatabase(), "Ledger") << byEscape;
    }
    EXPECT_TRUE(prompts_->requests.empty());
}

TEST_F(ServerDirectoryTest, ALostConnectionIsReportedInTheProgramsErrorFormatAndATypedPathStillWorks)
{
    session().connection.close();
    frmServerDir browser;
    browser.FileName = kProposed;
    whenModalShown<frmServerDir>([](frmServerDir& window) {
        EXPECT_EQ(control<QTreeWidget>(window, "tvwDir")->topLevelItemCount(), 0);
        control<QLineEdit>(window, "txtFullPath")->setText("D:\\Ledger.bak");
        QTest::mouseClick(control<QPushButton>(window, "cmdStart"), Qt::LeftButton);
    });
    browser.exec();
    ASSERT_EQ(prompts_->requests.size(), 2u);
    EXPECT_EQ(prompts_->requests[0].text,
              "Error...Problems encountered while listing the server's drives!\r\nDetails:The connection is not open.");
    EXPECT_EQ(prompts_->requests[0].icon, QMessageBox::Critical);
    EXPECT_EQ(prompts_->requests[1].text,
              "Error...Problems encountered while returning to the database!\r\nDetails:The connection is not open.");
    EXPECT_FALSE(session().DirectoryCancelled);
    EXPECT_EQ(browser.FullPath(), "D:\\Ledger.bak");
}

}  // namespace
}  // namespace norvane::testing
