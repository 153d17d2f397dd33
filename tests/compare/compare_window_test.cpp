// The compare window against the sample sandbox: Harbor against HarborArchive,
// a database against itself, the small Orders/Staff case, and the login's
// validation and failures.
#include "compare/frmCompare.h"

#include "app/program_windows.h"
#include "shell/frmMain.h"
#include "shell/harbor_session.h"
#include "shell/qt_test_application.h"
#include "shell/recording_prompts.h"
#include "support/session_reset.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTextEdit>
#include <QTimer>

#include <gtest/gtest.h>

namespace norvane {
namespace {

using testing::RecordingPrompts;

class CompareWindowTest : public ::testing::Test {
protected:
    // The session connected to the reference database, its server-management object logged in.
    static void connectReference(const QString& database)
    {
        testing::connectSessionTo(database);
        auto admin = std::make_unique<ServerAdmin>();
        admin->connect(test::sharedSampleSandbox().dataSource(), QStringLiteral("sa"), QString());
        session().serverAdmin = std::move(admin);
    }

    static void fillLogin(frmCompare& window, const QString& database, const QString& password = QString())
    {
        window.cboCONServers->setEditText(QStringLiteral("  ") + test::sharedSampleSandbox().dataSource());
        window.cboCONDatabase->setEditText(database + QStringLiteral(" "));
        window.txtCONUserName->setText(QStringLiteral(" sa"));
        window.txtCONPassword->setText(password);
    }

    static QStringList listEntries(const QListWidget* list)
    {
        QStringList entries;
        for (int row = 0; row < list->count(); ++row)
            entries << list->item(row)->text();
        return entries;
    }

    static void expectMessageStart(const PromptRequest& request, const QString& start)
    {
        EXPECT_EQ(request.icon, QMessageBox::Critical);
        EXPECT_TRUE(request.text.startsWith(start)) << request.text.toStdString();
        EXPECT_GT(request.text.size(), start.size()) << "the error's own description follows";
    }

    static void giveFocus(QWidget* control, Qt::FocusReason reason)
    {
        QFocusEvent focus(QEvent::FocusIn, reason);
        QApplication::sendEvent(control, &focus);
    }

    void TearDown() override { resetSessionForTests(); }
};

TEST_F(CompareWindowTest, HarborAgainstHarborArchive)
{
    connectReference(QStringLiteral("Harbor"));
    RecordingPrompts::Installed recorder;
    frmCompare window;
    EXPECT_FALSE(window.cmdCompare->isEnabled());
    fillLogin(window, QStringLiteral("HarborArchive"));
    window.cmdConnect->click();
    EXPECT_TRUE(window.compareConnected());
    EXPECT_TRUE(window.cmdCompare->isEnabled());
    EXPECT_EQ(window.login().CompareServerName, test::sharedSampleSandbox().dataSource());
    EXPECT_EQ(window.login().CompareDatabaseName, QStringLiteral("HarborArchive"));
    EXPECT_EQ(window.login().CompareConnectionString,
              QStringLiteral("Provider=SQLOLEDB.1;User ID=sa;Pwd=;Initial Catalog=HarborArchive;Data Source=") +
                  test::sharedSampleSandbox().dataSource());

    // Entering the database box reads the list on master; the comparison stays with the connected database.
    giveFocus(window.cboCONDatabase, Qt::TabFocusReason);
    EXPECT_EQ(window.login().CompareDatabaseName, QStringLiteral("Master"));

    // While the comparison runs the window keeps turning its event loop; Connect,
    // Compare and closing the window wait for the end.
    bool buttonsWaited = false;
    bool closedWhileRunning = true;
    QTimer::singleShot(0, &window, [&] {
        buttonsWaited = !window.cmdCompare->isEnabled() && !window.cmdConnect->isEnabled();
        closedWhileRunning = window.close();
    });
    window.cmdCompare->click();
    EXPECT_TRUE(buttonsWaited);
    EXPECT_FALSE(closedWhileRunning);
    EXPECT_TRUE(recorder->requests.empty());
    const QString expected = QStringLiteral(
        "\r\n1-AuditLog-***NotFound***"
        "\r\n2-Categories-MatchingTableFound"
        "\r\n3-Customers-MatchingTableFound,Fax-***ColNotFound***"
        "\r\n4-Employees-MatchingTableFound,Title-Nonmatching Properties:Null"
        "\r\n5-EmployeeTerritories-MatchingTableFound"
        "\r\n6-Order Details-MatchingTableFound"
        "\r\n7-Orders-MatchingTableFound"
        "\r\n8-Products-MatchingTableFound,QuantityPerUnit-Nonmatching Properties:,Length,"
        "ReorderLevel-Nonmatching Properties:,Default,InventoryValue-Nonmatching Properties:,ComputedText"
        "\r\n9-Region-MatchingTableFound"
        "\r\n10-Shippers-MatchingTableFound,ShipperID-Nonmatching Properties:,Identity"
        "\r\n11-Suppliers-MatchingTableFound"
        "\r\n12-Territories-MatchingTableFound"
        "\r\n13-TypeSamples-MatchingTableFound");
    EXPECT_EQ(window.resultText(), expected);
    EXPECT_EQ(window.rtbResult->toPlainText(), QString(expected).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    EXPECT_EQ(listEntries(window.lstTables),
              QStringList({"1-AuditLog", "2-Categories", "3-Customers", "4-Employees", "5-EmployeeTerritories",
                           "6-Order Details", "7-Orders", "8-Products", "9-Region", "10-Shippers", "11-Suppliers",
                           "12-Territories", "13-TypeSamples"}));
    EXPECT_EQ(window.lstTables->currentRow(), 12);
    EXPECT_TRUE(window.cmdCompare->isEnabled());
    EXPECT_TRUE(window.cmdConnect->isEnabled());

    // Connected again, to Harbor itself: the new result replaces the old one and every table matches.
    fillLogin(window, QStringLiteral("Harbor"));
    window.cmdConnect->click();
    window.cmdCompare->click();
    ASSERT_EQ(window.lstTables->count(), 13);
    EXPECT_EQ(window.resultText(), QStringLiteral("\r\n") +
                                       listEntries(window.lstTables).join(QStringLiteral("-MatchingTableFound\r\n")) +
                                       QStringLiteral("-MatchingTableFound"));
}

TEST_F(CompareWindowTest, OrdersAndStaffOnTheServer)
{
    testing::createScratchDatabase(QStringLiteral("CompareReference"));
    testing::createScratchDatabase(QStringLiteral("CompareSecond"));
    testing::runBatches(QStringLiteral("CompareReference"),
                        {QStringLiteral("CREATE TABLE Orders (Id int NOT NULL, Note varchar(20) NULL)"),
                         QStringLiteral("CREATE TABLE Staff (Id int NOT NULL)")});
    testing::runBatches(QStringLiteral("CompareSecond"),
                        {QStringLiteral("CREATE TABLE Orders (Note varchar(50) NULL)"),
                         QStringLiteral("CREATE TABLE staff (Id int NOT NULL)")}); // case differs: no match
    connectReference(QStringLiteral("CompareReference"));
    RecordingPrompts::Installed recorder;
    frmCompare window;
    fillLogin(window, QStringLiteral("CompareSecond"));
    window.cmdConnect->click();
    window.cmdCompare->click();
    EXPECT_TRUE(recorder->requests.empty());
    EXPECT_EQ(window.resultText(),
              QStringLiteral("\r\n1-Orders-MatchingTableFound,Id-***ColNotFound***,Note-Nonmatching Properties:,Length"
                             "\r\n2-Staff-***NotFound***"));
    EXPECT_EQ(listEntries(window.lstTables), QStringList({"1-Orders", "2-Staff"}));
}

TEST_F(CompareWindowTest, LoginInputsAreCheckedInOrder)
{
    connectReference(QStringLiteral("Harbor"));
    RecordingPrompts::Installed recorder;
    frmCompare window;
    window.chkWindows->setChecked(true);
    window.cmdConnect->click(); // nothing filled in
    window.txtCONUserName->setText(QStringLiteral("sa"));
    window.cboCONServers->setEditText(QStringLiteral("   "));
    window.cmdConnect->click();
    window.cboCONServers->setEditText(test::sharedSampleSandbox().dataSource());
    window.cmdConnect->click();

    ASSERT_EQ(recorder->requests.size(), 3u);
    EXPECT_EQ(recorder->requests[0].text, QStringLiteral("User Name must be entered!"));
    EXPECT_EQ(recorder->requests[1].text, QStringLiteral("Server name must be entered!"));
    EXPECT_EQ(recorder->requests[2].text, QStringLiteral("Database must be selected!"));
    for (const PromptRequest& request : recorder->requests) {
        EXPECT_EQ(request.icon, QMessageBox::Information);
        EXPECT_EQ(request.title, QStringLiteral("Norvane"));
    }
    EXPECT_FALSE(window.compareConnected());
    EXPECT_FALSE(window.cmdCompare->isEnabled());
}

TEST_F(CompareWindowTest, DatabaseListIsReadWhenTheBoxIsEntered)
{
    connectReference(QStringLiteral("Harbor"));
    RecordingPrompts::Installed recorder;
    frmCompare window;
    fillLogin(window, QStringLiteral("Harb"));
    giveFocus(window.cboCONDatabase, Qt::TabFocusReason);
    EXPECT_TRUE(recorder->requests.empty());
    for (const char* database : {"Harbor", "HarborArchive", "master"})
        EXPECT_GE(window.cboCONDatabase->findText(database), 0) << database;
    EXPECT_EQ(window.cboCONDatabase->currentText(), QStringLiteral("Harb ")); // the typing stays
    EXPECT_EQ(window.login().CompareDatabaseName, QStringLiteral("Master"));
    EXPECT_EQ(window.login().CompareConnectionString,
              QStringLiteral("Provider=SQLOLEDB.1;User ID=sa;Pwd=;Initial Catalog=Master;Data Source=") +
                  test::sharedSampleSandbox().dataSource());

    // A server that does not answer: the list cannot be read. Focus coming back
    // when the message box closes does not try again.
    window.cboCONServers->setEditText(QStringLiteral("127.0.0.1,1"));
    giveFocus(window.cboCONDatabase, Qt::MouseFocusReason);
    giveFocus(window.cboCONDatabase, Qt::ActiveWindowFocusReason);
    ASSERT_EQ(recorder->requests.size(), 1u);
    expectMessageStart(recorder->requests[0], QStringLiteral("Error...Databases cannot be populated!\r\nDetails:"));
}

TEST_F(CompareWindowTest, FailedLoginAndFailedCompareAreReported)
{
    connectReference(QStringLiteral("Harbor"));
    RecordingPrompts::Installed recorder;
    frmCompare window;
    fillLogin(window, QStringLiteral("HarborArchive"));
    window.cmdConnect->click();
    ASSERT_TRUE(window.compareConnected());

    // A refused login leaves the window unconnected.
    fillLogin(window, QStringLiteral("HarborArchive"), QStringLiteral("wrong"));
    window.cmdConnect->click();
    ASSERT_EQ(recorder->requests.size(), 1u);
    expectMessageStart(recorder->requests[0],
                       QStringLiteral("Error...Problems encountered while connecting!\r\nDetails:"));
    EXPECT_FALSE(window.compareConnected());
    EXPECT_FALSE(window.cmdCompare->isEnabled());
    EXPECT_EQ(window.login().CompareServerAdmin, nullptr);

    // A second database that is not there: the comparison fails with a message, the window stays usable.
    fillLogin(window, QStringLiteral("NoSuchDatabase"));
    window.cmdConnect->click();
    window.cmdCompare->click();
    ASSERT_EQ(recorder->requests.size(), 2u);
    expectMessageStart(recorder->requests[1],
                       QStringLiteral("Error...Problems encountered while comparing databases!\r\nDetails:"));
    EXPECT_TRUE(window.cmdCompare->isEnabled());
    EXPECT_TRUE(window.cmdConnect->isEnabled());
    EXPECT_EQ(window.resultText(), QString());
    EXPECT_EQ(window.lstTables->count(), 0);
}

TEST_F(CompareWindowTest, OpensFromTheMainWindowMenuAtItsDesignedHeight)
{
    connectReference(QStringLiteral("Harbor"));
    WindowRegistry windows;
    registerProgramWindows(windows);
    frmMain main(std::move(windows));
    main.show();
    QAction* command = main.menuCommand(QStringLiteral("mnuCompare"));
    ASSERT_TRUE(command->isEnabled());
    command->trigger();
    const QList<frmCompare*> opened = main.findChildren<frmCompare*>();
    ASSERT_EQ(opened.size(), 1);
    // 4545 twips less the caption allowance of 400, at 15 twips a pixel, in whole pixels covering it;
    // as wide as every child window.
    EXPECT_EQ(opened.front()->size(), QSize(800, 277));
    command->trigger();
    EXPECT_EQ(main.findChildren<frmCompare*>().size(), 1);
}

}  // namespace
}  // namespace norvane
