// Backup and restore from the main window's menu against a sandbox of the program's own (the
// database "Ledger" with three accounts; each percent of the server's work takes a few
// milliseconds): the server directory browser read from the server's drives, the file written
// and read back by the server, the progress window moving, the other sessions listed and ended
// with the user's consent, and every failure ending with the server's text and nothing changed.
#include "app/program_windows.h"
#include "backup/backup_commands.h"
#include "backup/backup_text.h"
#include "backup/frmServerDir.h"
#include "shell/catalog_helpers.h"
#include "shell/data/server_admin.h"
#include "shell/data/server_admin_backup.h"
#include "shell/frmMain.h"
#include "shell/qt_test_application.h"
#include "shell/recording_prompts.h"
#include "shell/session.h"
#include "support/qt_printers.h"
#include "support/sandbox_process.h"
#include "support/session_reset.h"
#include "support/window_controls.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>

#include <unistd.h>

namespace norvane::testing {
namespace {

test::SandboxProcess& sandbox()
{
    test::PrivateOdbcConfig::instance();
    static test::SandboxProcess server([] {
        test::SandboxProcess::Options options;
        options.workDelayMs = 5; // after each percent of a backup or restore
        // As on a busy server, a session closed by the program is still listed for a moment.
        options.logoutDelayMs = 200;
        // sa for the program; clerk, another login, whose sessions the program does not list.
        options.logins = {"sa:", "clerk:Clerk#1"};
        return options;
    }());
    return server;
}

// A file on the sandbox's drive D, as the host sees it.
QString hostPath(const QString& relative)
{
    return sandbox().dataDirectory() + "/drives/D/" + relative;
}

void runOn(const QString& database, const QStringList& batches)
{
    Connection connection;
    connection.open(sandbox().connectionString(database));
    for (const QString& batch : batches)
        connection.executeCommand(batch);
}

QString scalarOn(const QString& database, const QString& sql)
{
    Connection connection;
    connection.open(sandbox().connectionString(database));
    Recordset result = connection.execute(sql);
    return result.eof() ? QString() : result.field(0).text();
}

QString firstAccount()
{
    return scalarOn("Ledger", "SELECT Name FROM Accounts WHERE Id = 1");
}

bool ledgerOpenToAll()
{
    return scalarOn("master", "SELECT status & 4096 FROM sysdatabases WHERE name = 'Ledger'") == "0";
}

// Waits until the server counts this many sessions in Ledger: a connection closed a moment ago
// may still be leaving it.
void waitForSessionsInLedger(int expected)
{
    Connection watcher;
    watcher.open(sandbox().connectionString("master"));
    for (int attempt = 0; attempt < 250; ++attempt) {
        int inside = 0;
        for (Recordset who = watcher.execute("sp_who"); !who.eof(); who.moveNext())
            inside += who.field("dbname").text().trimmed() == "Ledger" ? 1 : 0;
        if (inside == expected)
            return;
        QTest::qWait(20);
    }
}

// The session as a successful Connect leaves it.
void connectSession()
{
    Session& s = session();
    s.ConnectionString = sandbox().connectionString("Ledger");
    s.UserName = "sa";
    s.connection.open(s.ConnectionString);
    s.ServerName = s.connection.property("Server Name");
    s.DatabaseName = s.connection.property("Current Catalog");
    s.serverAdmin = std::make_unique<ServerAdmin>();
    s.serverAdmin->connect(sandbox().dataSource(), "sa", QString());
    s.Connected = true;
    s.EverConnected = true;
}

// Calls answer with the browser once it is shown (the command then blocks in it).
void answerBrowser(std::function<void(frmServerDir&)> answer, int attempts = 1000)
{
    QTimer::singleShot(5, [answer = std::move(answer), attempts]() mutable {
        if (auto* window = qobject_cast<frmServerDir*>(QApplication::activeModalWidget());
            window && window->isVisible())
            answer(*window);
        else if (attempts > 0)
            answerBrowser(std::move(answer), attempts - 1);
        else
            ADD_FAILURE() << "no server directory browser appeared";
    });
}

using test::control;
using test::press;

// Answers the browser with a path typed into the full path box.
std::function<void(frmServerDir&)> typed(const QString& path)
{
    return [path](frmServerDir& window) {
        control<QLineEdit>(window, "txtFullPath")->setText(path);
        press(window, "cmdStart");
    };
}

// A mouse click on the node, as the user gives it.
void clickNode(QTreeWidget* tree, QTreeWidgetItem* node)
{
    tree->scrollToItem(node);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(node).center());
}

// The one node of the tree with the text.
QTreeWidgetItem* node(QTreeWidget* tree, const QString& text)
{
    return tree->findItems(text, Qt::MatchExactly | Qt::MatchRecursive).value(0);
}

// A picture of its own for each request, named by its key, so that each node's picture can be told apart.
std::map<qint64, QString> pictureKeys;
QIcon picture(const QString& key)
{
    const QIcon icon{QPixmap(16, 16)};
    pictureKeys[icon.cacheKey()] = key;
    return icon;
}

// The node's children as "text[picture]".
QString childrenOf(const QTreeWidgetItem* node)
{
    QStringList texts;
    for (int i = 0; i < node->childCount(); ++i)
        texts << node->child(i)->text(0) + '[' + pictureKeys[node->child(i)->icon(0).cacheKey()] + ']';
    return texts.join(' ');
}

class BackupRestore : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        runOn("master", {"CREATE DATABASE Ledger"});
        runOn("Ledger", {"CREATE TABLE Accounts (Id int NOT NULL PRIMARY KEY, Name varchar(40) NOT NULL)",
                         "INSERT INTO Accounts (Id, Name) SELECT 1, 'Harbour dues' UNION ALL SELECT 2, 'Pilotage' "
                         "UNION ALL SELECT 3, 'Berth rent'"});
        ASSERT_TRUE(QDir().mkpath(hostPath("Backups/Old")));
        for (const char* name : {"notes.txt", "SALES.BAK"}) {
            QFile file(hostPath(QString("Backups/") + name));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write("These are notes, not a backup.");
        }
        // The backup every restore here starts from.
        RecordingPrompts::Installed prompts;
        connectSession();
        QWidget owner;
        RunBackup(&owner, "D:\\Backups\\Ledger.bak");
        resetSessionForTests();
    }

    void SetUp() override
    {
        // Changed since the backup; the program's own connection alone in the database.
        runOn("Ledger", {"UPDATE Accounts SET Name = 'Changed' WHERE Id = 1"});
        connectSession();
        waitForSessionsInLedger(1);
        WindowRegistry windows;
        registerProgramWindows(windows);
        main_ = std::make_unique<frmMain>(windows);
        main_->openTablesWindow();
        main_->openChild("Views");
        setStatusSink([this](const QString& text) { statusTexts_ << text; });
        setImageProvider([](const QString& key) { return picture(key); });
        // Looks at the progress window every few milliseconds while the program waits for the server.
        QObject::connect(&ticker_, &QTimer::timeout, [this] {
            for (QWidget* widget : QApplication::topLevelWidgets())
                if (widget->objectName() == "frmProgress" && widget->isVisible())
                    percentsSeen_.insert(widget->findChild<QProgressBar*>("prgProgress")->value());
        });
        ticker_.start(4);
    }
    void TearDown() override
    {
        ticker_.stop();
        main_.reset();
        setImageProvider(nullptr);
        setStatusSink(nullptr);
        resetSessionForTests();
    }

    void run(const char* command) { main_->menuCommand(command)->trigger(); }

    QString openWindows() const
    {
        QStringList names;
        for (QWidget* child : test::openChildren(*main_->mdiArea()))
            names << QString(child->metaObject()->className()).section("::", -1);
        return names.join(',');
    }

    QString restoreDone() const
    {
        return "Restore of database 'Ledger' to server '" + session().ServerName + "' completed successfully!";
    }

    std::unique_ptr<frmMain> main_;
    QStringList statusTexts_;
    RecordingPrompts::Installed prompts_;
    QTimer ticker_;
    std::set<int> percentsSeen_;
};

TEST_F(BackupRestore, BackupIntoAFolderPickedInTheBrowserOverwritesTheFileTheSecondTime)
{
    QString proposed;
    answerBrowser([&](frmServerDir& window) {
        auto* tree = control<QTreeWidget>(window, "tvwDir");
        auto* name = control<QLineEdit>(window, "txtFileName");
        auto* fullPath = control<QLineEdit>(window, "txtFullPath");
        // The browser reads the server's drives from master; nothing is chosen until the user picks a node.
        EXPECT_EQ(session().connection.currentCatalog(), "master");
        proposed = name->text();
        EXPECT_EQ(fullPath->text(), "");
        EXPECT_EQ(childrenOf(tree->invisibleRootItem()), "C:\\[Drive] D:\\[Drive]");
        QTreeWidgetItem* drive = tree->topLevelItem(1);
        clickNode(tree, drive);
        EXPECT_EQ(fullPath->text(), "D:\\\\" + proposed);
        EXPECT_EQ(childrenOf(drive), "Backups[ClosedFolder]");
        QTreeWidgetItem* backups = node(tree, "Backups");
        EXPECT_EQ(childrenOf(backups), "[ClosedFolder]"); // not yet opened: a placeholder gives it an expander
        // Opened: folders only when backing up; closed and opened again it keeps what it showed.
        for (const bool expanded : {true, false, true})
            backups->setExpanded(expanded);
        EXPECT_EQ(childrenOf(backups), "Old[ClosedFolder]");
        EXPECT_EQ(childrenOf(drive), "Backups[OpenFolder]");
        QTreeWidgetItem* old = node(tree, "Old");
        old->setExpanded(true);
        EXPECT_EQ(old->childCount(), 0); // an empty folder: the placeholder went, nothing came
        clickNode(tree, backups);
        EXPECT_EQ(fullPath->text(), "D:\\\\Backups\\" + proposed);
        name->clear();
        QTest::keyClicks(name, "  Ledger.bak ");
        EXPECT_EQ(fullPath->text(), "D:\\\\Backups\\Ledger.bak");
        // Start without a path says so and stays open; a typed path is taken trimmed.
        fullPath->setText("   ");
        press(window, "cmdStart");
        EXPECT_TRUE(window.isVisible());
        typed("  D:\\\\Backups\\Old\\Fresh.bak  ")(window);
    });
    run("mnuBackup");

    EXPECT_TRUE(
        QRegularExpression("^Ledger_\\d{4}[^_\\d]+\\d{2}_(0\\d|1[0-2])[0-5]\\d[^_]+\\.bak$").match(proposed).hasMatch())
        << proposed.toStdString();
    EXPECT_EQ(prompts_->requests.size(), 2u);
    EXPECT_EQ(prompts_->requests[0].text, "Select/Enter the File Name");
    EXPECT_EQ(prompts_->requests.back().text,
              "Backup of database 'Ledger' from server '" + session().ServerName + "' completed successfully!");
    EXPECT_EQ(prompts_->requests.back().icon, QMessageBox::Information);
    EXPECT_EQ(statusTexts_, QStringList({"Backup in progress... Please wait...", "Ready"}));
    EXPECT_TRUE(QFile::exists(hostPath("Backups/Old/Fresh.bak")));
    EXPECT_EQ(session().connection.currentCatalog(), "Ledger");
    // About half a second of work: the progress window showed many different percents as they came.
    EXPECT_GE(percentsSeen_.size(), 10u);
    EXPECT_GT(*percentsSeen_.rbegin(), 50);

    // The second backup replaces the first in the file.
    runOn("Ledger", {"UPDATE Accounts SET Name = 'Second' WHERE Id = 1"});
    RunBackup(main_.get(), "D:\\Backups\\Old\\Fresh.bak");
    try {
        runOn("master", {"RESTORE DATABASE [LedgerCopy] FROM DISK = N'D:\\Backups\\Old\\Fresh.bak' WITH FILE = 2"});
        ADD_FAILURE() << "a second backup set was found";
    } catch (const DbError& error) {
        EXPECT_EQ(error.description(), "Cannot find file ID 2 on device 'D:\\Backups\\Old\\Fresh.bak'.");
    }
    runOn("master", {"RESTORE DATABASE [LedgerCopy] FROM DISK = N'D:\\Backups\\Old\\Fresh.bak' WITH FILE = 1"});
    EXPECT_EQ(scalarOn("LedgerCopy", "SELECT Name FROM Accounts WHERE Id = 1"), "Second");
    EXPECT_EQ(scalarOn("LedgerCopy", "SELECT COUNT(*) FROM Accounts"), "3");
}

TEST_F(BackupRestore, RestoreWithOnlyTheProgramConnectedAsksNothingAndOpensTheTablesWindowAgain)
{
    const QPointer<QWidget> tablesBefore = main_->child("Tables");
    answerBrowser([](frmServerDir& window) {
        auto* tree = control<QTreeWidget>(window, "tvwDir");
        auto* name = control<QLineEdit>(window, "txtFileName");
        auto* fullPath = control<QLineEdit>(window, "txtFullPath");
        EXPECT_EQ(name->text(), "");
        QTreeWidgetItem* drive = tree->topLevelItem(1);
        drive->setExpanded(true);
        QTreeWidgetItem* backups = node(tree, "Backups");
        backups->setExpanded(true);
        // Files too when restoring; only ".bak" exactly has the backup picture.
        EXPECT_EQ(childrenOf(backups), "Ledger.bak[BakFile] notes.txt[File] Old[ClosedFolder] SALES.BAK[File]");
        clickNode(tree, backups);
        EXPECT_EQ(name->text() + " " + fullPath->text(), "Backups D:\\\\Backups");
        clickNode(tree, node(tree, "Ledger.bak"));
        QTest::keyClicks(name, "x"); // typing a name does not touch the path when restoring
        EXPECT_EQ(name->text() + " " + fullPath->text(), "Ledger.bakx D:\\\\Backups\\Ledger.bak");
        press(window, "cmdStart");
    });
    run("mnuRestore");

    EXPECT_EQ(prompts_->requests.size(), 1u);
    EXPECT_EQ(prompts_->requests.back().text, restoreDone());
    // The tables window, loaded again, writes its own status before the restore's last "Ready".
    EXPECT_EQ(statusTexts_, QStringList({"Restore in progress... Please wait...", "Populating Tables... Please wait...",
                                         "Ready", "Ready"}));
    EXPECT_EQ(firstAccount(), "Harbour dues");
    EXPECT_EQ(openWindows(), "frmTables");
    EXPECT_TRUE(tablesBefore.isNull()); // the old one was unloaded; this one is loaded afresh
    EXPECT_EQ(session().connection.currentCatalog(), "Ledger");
    EXPECT_TRUE(ledgerOpenToAll());
    EXPECT_GE(percentsSeen_.size(), 10u);
}

TEST_F(BackupRestore, OtherSessionsAreListedAndEndedOnlyWhenTheUserAgrees)
{
    Connection first;
    Connection second;
    first.open(sandbox().connectionString("Ledger"));
    second.open(sandbox().connectionString("Ledger"));
    waitForSessionsInLedger(3);
    char host[256] = {};
    gethostname(host, sizeof host - 1);
    const QString question = QString("The following computer(s) are connected to this database: \r\n\r\n1. %1\r\n"
                                     "2. %1\r\n3. %1\r\n\r\nDo you want to disconnect them and continue restoring?\r\n"
                                     "(Click No to abort restoring and Yes to proceed with restoring)")
                                 .arg(host);

    prompts_->answers.push_back(PromptAnswer{QMessageBox::No, QString(), 1});
    answerBrowser(typed("D:\\Backups\\Ledger.bak"));
    run("mnuRestore");
    ASSERT_EQ(prompts_->requests.size(), 1u);
    EXPECT_EQ(prompts_->requests[0].text, question);
    EXPECT_EQ(prompts_->requests[0].buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(statusTexts_, QStringList({"Restore in progress... Please wait...", "Ready"}));
    EXPECT_EQ(firstAccount(), "Changed");
    EXPECT_NO_THROW(first.executeCommand("SELECT 1"));
    EXPECT_NO_THROW(second.executeCommand("SELECT 1"));
    EXPECT_EQ(openWindows(), "frmTables,frmViews");

    prompts_->requests.clear();
    waitForSessionsInLedger(3);
    prompts_->answers.push_back(PromptAnswer{QMessageBox::Yes, QString(), 1});
    answerBrowser(typed("D:\\Backups\\Ledger.bak"));
    run("mnuRestore");
    ASSERT_EQ(prompts_->requests.size(), 2u);
    EXPECT_EQ(prompts_->requests[0].text, question);
    EXPECT_EQ(prompts_->requests[1].text, restoreDone());
    EXPECT_EQ(firstAccount(), "Harbour dues");
    EXPECT_THROW(first.executeCommand("SELECT 1"), DbError);
    EXPECT_THROW(second.executeCommand("SELECT 1"), DbError);
    EXPECT_EQ(openWindows(), "frmTables");
}

TEST_F(BackupRestore, FailuresAndCancelsEndWithTheServersTextAndChangeNothing)
{
    const auto failed = [](const char* operation, const QString& details) {
        return QString(operation) + " operation was not completed!\r\nDetails:" + details;
    };
    std::unique_ptr<Connection> clerk;
    struct Case {
        const char* what;
        const char* command;
        std::function<void()> arrange;
        std::function<void(frmServerDir&)> answer;
        QString message; // empty: nothing is said and nothing done
    };
    const Case cases[] = {
        {"a backup path the server cannot open", "mnuBackup", nullptr, typed("D:\\NoSuchFolder\\Ledger.bak"),
         failed("Backup", "Cannot open backup device 'D:\\NoSuchFolder\\Ledger.bak'. Device error or device "
                          "off-line. See the SQL Server error log for more details.")},
        {"a backup without a logged-in server object", "mnuBackup", [] { session().serverAdmin->disconnect(); },
         typed("D:\\Backups\\Old\\Lost.bak"), failed("Backup", "The server-management object is not logged in.")},
        {"a restore from a file that is no backup", "mnuRestore", nullptr, typed("D:\\Backups\\notes.txt"),
         failed("Restore", "The media family on device 'D:\\Backups\\notes.txt' is incorrectly formed. SQL "
                           "Server cannot process this media family.")},
        {"a restore from a file the server cannot reach", "mnuRestore", nullptr, typed("D:\\NoSuchFolder\\Ledger.bak"),
         failed("Restore", " Try again after selecting a file local to the database server " + sandbox().dataSource())},
        // The clerk's session is not the program's login: it is not listed, and the server refuses.
        {"a restore while another login is in the database", "mnuRestore",
         [&] {
             clerk = std::make_unique<Connection>();
             clerk->open(sandbox().connectionString("Ledger", "clerk", "Clerk#1"));
             waitForSessionsInLedger(2);
         },
         typed("D:\\Backups\\Ledger.bak"),
         failed("Restore", "Database state cannot be changed while other users are using the database 'Ledger'")},
        // The tree taking the focus as the browser closes does not take the session back to master.
        {"Cancel in the backup browser", "mnuBackup", nullptr,
         [](frmServerDir& w) {
             press(w, "cmdCancel");
             auto* tree = control<QTreeWidget>(w, "tvwDir");
             tree->setCurrentItem(tree->topLevelItem(0));
         },
         ""},
        {"the restore browser's close box", "mnuRestore", nullptr, [](frmServerDir& w) { w.close(); }, ""},
        {"Escape in the restore browser", "mnuRestore", nullptr,
         [](frmServerDir& w) { QTest::keyClick(&w, Qt::Key_Escape); }, ""},
    };
    for (const Case& failure : cases) {
        SCOPED_TRACE(failure.what);
        prompts_->requests.clear();
        statusTexts_.clear();
        if (failure.arrange)
            failure.arrange();
        answerBrowser(failure.answer);
        run(failure.command);
        if (failure.message.isEmpty()) {
            EXPECT_TRUE(prompts_->requests.empty());
            EXPECT_TRUE(statusTexts_.isEmpty());
            EXPECT_TRUE(session().DirectoryCancelled);
        } else {
            ASSERT_EQ(prompts_->requests.size(), 1u);
            EXPECT_EQ(prompts_->requests[0].text, failure.message);
            EXPECT_EQ(prompts_->requests[0].icon, QMessageBox::Information);
            const QString operation = QString(failure.command).mid(3); // Backup or Restore
            EXPECT_EQ(statusTexts_, QStringList({operation + " in progress... Please wait...", "Ready"}));
        }
        EXPECT_EQ(firstAccount(), "Changed");
        EXPECT_TRUE(ledgerOpenToAll());
        EXPECT_EQ(session().connection.currentCatalog(), "Ledger");
        EXPECT_EQ(openWindows(), "frmTables,frmViews");
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        EXPECT_TRUE(main_->findChildren<QDialog*>().isEmpty()); // neither browser nor progress window is left
        if (clerk) {
            EXPECT_NO_THROW(clerk->executeCommand("SELECT 1"));
        }
        clerk.reset();
        session().serverAdmin->connect(sandbox().dataSource(), "sa", QString());
        waitForSessionsInLedger(1);
    }
    EXPECT_FALSE(QFile::exists(hostPath("Backups/Old/Lost.bak")));
}

TEST_F(BackupRestore, ABrowserWithoutItsConnectionSaysSoInTheProgramsErrorFormatAndTakesATypedPath)
{
    session().connection.close();
    frmServerDir browser;
    answerBrowser([](frmServerDir& window) {
        EXPECT_EQ(control<QTreeWidget>(window, "tvwDir")->topLevelItemCount(), 0);
        typed("D:\\Ledger.bak")(window);
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

TEST(BackupText, FileNamesStatementsAndTheServersPercent)
{
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    EXPECT_EQ(proposedBackupFileName("Sales", QDateTime(QDate(2007, 12, 25), QTime(0, 5)), english),
              "Sales_2007December25_1205AM.bak");
    const QLocale german(QLocale::German, QLocale::Germany);
    EXPECT_EQ(proposedBackupFileName("Lager", QDateTime(QDate(2007, 3, 5), QTime(9, 30)), german),
              "Lager_2007März05_0930" + german.amText().toUpper() + ".bak");

    EXPECT_EQ(backupStatement("O'Neil]s", "D:\\\\Backups\\O'Neil.bak"),
              "BACKUP DATABASE [O'Neil]]s] TO DISK = N'D:\\\\Backups\\O''Neil.bak' WITH INIT, NAME = N'O''Neil]s', "
              "DESCRIPTION = N'Backup created by Norvane', MEDIADESCRIPTION = N'Backup created by Norvane', STATS = 1");
    EXPECT_EQ(restoreStatement("Sales", "C:\\it's.bak"),
              "RESTORE DATABASE [Sales] FROM DISK = N'C:\\it''s.bak' WITH REPLACE, STATS = 1");

    const std::pair<DbMessage, std::optional<int>> messages[] = {
        {{3211, "01000", "7 percent processed"}, 7},
        {{3014, "01000", "BACKUP DATABASE successfully processed 161 pages in 0.1 seconds."}, std::nullopt},
        {{0, "01000", "10 percent backed up."}, std::nullopt}, // a PRINT, not the server's
        {{3211, "01000", "250 percent processed."}, std::nullopt},
    };
    for (const auto& [message, percent] : messages)
        EXPECT_EQ(progressPercent(message), percent) << message.text.toStdString();
}

} // namespace
} // namespace norvane::testing
