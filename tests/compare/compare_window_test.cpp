// The compare window against the sample sandbox: Harbor against HarborArchive
// and against itself, the small Orders/Staff case, the login's validation, the
// database list and the failures.
#include "compare/frmCompare.h"

#include "tables/window_fixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QPushButton>
#include <QTextEdit>
#include <QTimer>

namespace norvane {
namespace {

class CompareWindow : public testing::WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        testing::logInServerAdmin();
    }
    static void fillLogin(frmCompare& window, const QString& database, const QString& password = QString())
    {
        window.cboCONServers->setEditText("  " + test::sharedSampleSandbox().dataSource());
        window.cboCONDatabase->setEditText(database + " ");
        window.txtCONUserName->setText(" sa");
        window.txtCONPassword->setText(password);
    }
    static void giveFocus(QWidget* control, Qt::FocusReason reason)
    {
        QFocusEvent focus(QEvent::FocusIn, reason);
        QApplication::sendEvent(control, &focus);
    }
};

TEST_F(CompareWindow, HarborAgainstHarborArchiveAndAgainstItself)
{
    frmCompare window;
    EXPECT_FALSE(window.cmdCompare->isEnabled());
    fillLogin(window, "HarborArchive");
    window.cmdConnect->click();
    EXPECT_TRUE(window.compareConnected());
    EXPECT_TRUE(window.cmdCompare->isEnabled());
    const QString server = test::sharedSampleSandbox().dataSource();
    EXPECT_EQ(window.login().CompareConnectionString,
              "Provider=SQLOLEDB.1;User ID=sa;Pwd=;Initial Catalog=HarborArchive;Data Source=" + server);
    // Entering the database box reads the list on master; the comparison stays with the connected database.
    giveFocus(window.cboCONDatabase, Qt::TabFocusReason);
    EXPECT_EQ(window.login().CompareDatabaseName, "Master");

    // While the comparison runs the window keeps turning its event loop; Connect, Compare and closing wait.
    bool buttonsWaited = false, closedWhileRunning = true;
    QTimer::singleShot(0, &window, [&] {
        buttonsWaited = !window.cmdCompare->isEnabled() && !window.cmdConnect->isEnabled();
        closedWhileRunning = window.close();
    });
    window.cmdCompare->click();
    EXPECT_TRUE(buttonsWaited);
    EXPECT_FALSE(closedWhileRunning);
    const QString expected =
        "\r\n1-AuditLog-***NotFound***\r\n2-Categories-MatchingTableFound"
        "\r\n3-Customers-MatchingTableFound,Fax-***ColNotFound***"
        "\r\n4-Employees-MatchingTableFound,Title-Nonmatching Properties:Null"
        "\r\n5-EmployeeTerritories-MatchingTableFound\r\n6-Order Details-MatchingTableFound"
        "\r\n7-Orders-MatchingTableFound"
        "\r\n8-Products-MatchingTableFound,QuantityPerUnit-Nonmatching Properties:,Length,"
        "ReorderLevel-Nonmatching Properties:,Default,InventoryValue-Nonmatching Properties:,ComputedText"
        "\r\n9-Region-MatchingTableFound\r\n10-Shippers-MatchingTableFound,ShipperID-Nonmatching Properties:,Identity"
        "\r\n11-Suppliers-MatchingTableFound\r\n12-Territories-MatchingTableFound\r\n13-TypeSamples-MatchingTableFound";
    EXPECT_EQ(window.resultText(), expected);
    EXPECT_EQ(window.rtbResult->toPlainText(), QString(expected).replace("\r\n", "\n"));
    EXPECT_EQ(entries(window.lstTables),
              QStringList({"1-AuditLog", "2-Categories", "3-Customers", "4-Employees", "5-EmployeeTerritories",
                           "6-Order Details", "7-Orders", "8-Products", "9-Region", "10-Shippers", "11-Suppliers",
                           "12-Territories", "13-TypeSamples"}));
    EXPECT_EQ(window.lstTables->currentRow(), 12);
    EXPECT_TRUE(window.cmdCompare->isEnabled() && window.cmdConnect->isEnabled());

    // Connected again, to Harbor itself: the new result replaces the old one and every table matches.
    fillLogin(window, "Harbor");
    window.cmdConnect->click();
    window.cmdCompare->click();
    ASSERT_EQ(window.lstTables->count(), 13);
    EXPECT_EQ(window.resultText(),
              "\r\n" + entries(window.lstTables).join("-MatchingTableFound\r\n") + "-MatchingTableFound");
    EXPECT_TRUE(prompts->requests.empty());
}

TEST_F(CompareWindow, OrdersAndStaffOnTheServer)
{
    testing::createScratchDatabase("CompareReference");
    testing::createScratchDatabase("CompareSecond");
    testing::runBatches("CompareReference", {"CREATE TABLE Orders (Id int NOT NULL, Note varchar(20) NULL)",
                                             "CREATE TABLE Staff (Id int NOT NULL)"});
    testing::runBatches("CompareSecond", {"CREATE TABLE Orders (Note varchar(50) NULL)",
                                          "CREATE TABLE staff (Id int NOT NULL)"}); // case differs: no match
    testing::connectSessionTo("CompareReference");
    frmCompare window;
    fillLogin(window, "CompareSecond");
    window.cmdConnect->click();
    window.cmdCompare->click();
    EXPECT_TRUE(prompts->requests.empty());
    EXPECT_EQ(window.resultText(), "\r\n1-Orders-MatchingTableFound,Id-***ColNotFound***,Note-Nonmatching "
                                   "Properties:,Length\r\n2-Staff-***NotFound***");
    EXPECT_EQ(entries(window.lstTables), QStringList({"1-Orders", "2-Staff"}));
}

TEST_F(CompareWindow, LoginChecksTheDatabaseListAndTheFailures)
{
    frmCompare window;
    window.chkWindows->setChecked(true);
    window.cmdConnect->click(); // nothing filled in
    window.txtCONUserName->setText("sa");
    window.cboCONServers->setEditText("   ");
    window.cmdConnect->click();
    window.cboCONServers->setEditText(test::sharedSampleSandbox().dataSource());
    window.cmdConnect->click();
    EXPECT_EQ(messages(),
              QStringList({"Information: User Name must be entered!", "Information: Server name must be entered!",
                           "Information: Database must be selected!"}));
    EXPECT_FALSE(window.compareConnected());
    EXPECT_FALSE(window.cmdCompare->isEnabled());
    window.chkWindows->setChecked(false);

    // Entering the database box reads the list; the typing stays.
    fillLogin(window, "Harb");
    giveFocus(window.cboCONDatabase, Qt::TabFocusReason);
    for (const char* database : {"Harbor", "HarborArchive", "master"})
        EXPECT_GE(window.cboCONDatabase->findText(database), 0) << database;
    EXPECT_EQ(window.cboCONDatabase->currentText(), "Harb ");
    EXPECT_EQ(window.login().CompareConnectionString,
              "Provider=SQLOLEDB.1;User ID=sa;Pwd=;Initial Catalog=Master;Data Source=" +
                  test::sharedSampleSandbox().dataSource());
    // A server that does not answer: the list cannot be read. Focus coming back when the message closes does
    // not try again.
    window.cboCONServers->setEditText("127.0.0.1,1");
    giveFocus(window.cboCONDatabase, Qt::MouseFocusReason);
    giveFocus(window.cboCONDatabase, Qt::ActiveWindowFocusReason);
    ASSERT_EQ(prompts->requests.size(), 4u);
    expectFailure(3, "Error...Databases cannot be populated!\r\nDetails:");

    // A refused login leaves the window unconnected.
    fillLogin(window, "HarborArchive");
    window.cmdConnect->click();
    ASSERT_TRUE(window.compareConnected());
    fillLogin(window, "HarborArchive", "wrong");
    window.cmdConnect->click();
    expectFailure(4, "Error...Problems encountered while connecting!\r\nDetails:");
    EXPECT_FALSE(window.compareConnected());
    EXPECT_FALSE(window.cmdCompare->isEnabled());
    EXPECT_EQ(window.login().CompareServerAdmin, nullptr);

    // A second database that is not there: the comparison fails with a message, the window stays usable.
    fillLogin(window, "NoSuchDatabase");
    window.cmdConnect->click();
    window.cmdCompare->click();
    expectFailure(5, "Error...Problems encountered while comparing databases!\r\nDetails:");
    EXPECT_TRUE(window.cmdCompare->isEnabled() && window.cmdConnect->isEnabled());
    EXPECT_EQ(window.resultText(), QString());
    EXPECT_EQ(window.lstTables->count(), 0);
}

} // namespace
} // namespace norvane
