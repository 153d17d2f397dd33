// The views and functions windows against the sample database and scratch
// databases: the lists and totals, choosing an entry, a view's rows in
// first-column order with the row modes and heading sorts, a function's result
// row, source texts, awkward names, and the failures.
#include "objects/frmFunctions.h"
#include "objects/frmViews.h"

#include "tables/window_fixture.h"

#include <QHeaderView>
#include <QLabel>
#include <QRadioButton>
#include <QTextEdit>

using namespace norvane;
using norvane::testing::WindowTest;

namespace {

// Twelve numbered rows, a quote and brackets in a view's name, and a view whose table is dropped.
void createViewScratch()
{
    norvane::testing::createScratchDatabase("ViewScratch");
    QString inserts;
    for (int n = 1; n <= 12; ++n)
        inserts += QString("INSERT INTO Numbers VALUES (%1, 'n%1')\n").arg(n);
    norvane::testing::runBatches("ViewScratch",
                                 {"CREATE TABLE Numbers (n int NOT NULL, label varchar(10) NULL)", inserts,
                                  "CREATE VIEW NumberList\r\nAS\r\nSELECT n, label FROM Numbers",
                                  "CREATE VIEW [Bob's [Numbers]]]\r\nAS\r\nSELECT label, n FROM Numbers WHERE n > 8",
                                  "CREATE TABLE Gone (a int NULL)", "CREATE VIEW OverGone AS SELECT a FROM Gone",
                                  "DROP TABLE Gone"});
}

using ViewsWindow = WindowTest;
using FunctionsWindow = WindowTest;

} // namespace

TEST_F(ViewsWindow, EnterShowsTheViewsRowsAndSourceAndTheModesShowItAgain)
{
    frmViews window;
    EXPECT_EQ(
        entries(control<QListWidget>(window, "lstVWSViews")),
        QStringList({"CurrentProducts", "CustomersByCountry", "EmployeeManagers", "OrderSummary", "ProductCatalog"}));
    EXPECT_EQ(text(window, "lblVWSTotalViews"), "Total Views : 5");
    EXPECT_EQ(statusTexts, QStringList({"Populating Views... Please wait...", "Ready"}));

    auto* find = control<QLineEdit>(window, "txtVWSSearch");
    QTest::keyClicks(find, "custo");
    EXPECT_EQ(selectedEntry(control<QListWidget>(window, "lstVWSViews")), "CustomersByCountry");
    statusTexts.clear();
    QTest::keyClick(find, Qt::Key_Return);
    EXPECT_EQ(find->text(), "CustomersByCountry");
    EXPECT_EQ(text(window, "lblVWSViewName"), "View Name : [Harbor].[dbo].[CustomersByCountry]");
    auto* rows = control<QTreeWidget>(window, "lsvVWSRows");
    EXPECT_EQ(QStringList({rows->headerItem()->text(0), rows->headerItem()->text(1)}),
              QStringList({"Country", "CustomerCount"}));
    EXPECT_EQ(firstColumn(rows), QStringList({"Argentina", "Brazil", "Canada", "France", "Germany", "Ireland", "Mexico",
                                              "Spain", "Sweden", "Switzerland"}));
    EXPECT_EQ(text(window, "lblVWSRows"), "Total Showed Rows : 10");
    EXPECT_EQ(control<QTextEdit>(window, "rtbVWSText")->toPlainText(),
              "CREATE VIEW CustomersByCountry\nAS\nSELECT Country, COUNT(*) AS CustomerCount\nFROM Customers\n"
              "GROUP BY Country\n");
    EXPECT_EQ(statusTexts,
              QStringList({"Populating data... Please wait...", "Filling View Text.. Please wait...", "Ready"}));

    // The mode options show the same view again: all its rows.
    control<QRadioButton>(window, "optVWSMode0")->click();
    EXPECT_GT(rows->topLevelItemCount(), 10);
    EXPECT_EQ(text(window, "lblVWSRows"), "Total Showed Rows : " + QString::number(rows->topLevelItemCount()));
    EXPECT_TRUE(prompts->requests.empty());

    // The find box selects its whole text when it takes the focus.
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    find->setText("Order");
    control<QListWidget>(window, "lstVWSViews")->setFocus();
    find->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(find->selectedText(), "Order");
}

TEST_F(ViewsWindow, FirstColumnTextOrderAwkwardNamesAndAViewOverADroppedTable)
{
    createViewScratch();
    norvane::testing::connectSessionTo("ViewScratch");
    frmViews window;
    auto* list = control<QListWidget>(window, "lstVWSViews");
    EXPECT_EQ(entries(list), QStringList({"Bob's [Numbers]", "NumberList", "OverGone"}));
    EXPECT_EQ(clickThenDoubleClick(window, list, 0), "Bob's [Numbers]");
    EXPECT_EQ(text(window, "lblVWSViewName"), "View Name : [ViewScratch].[dbo].[Bob's [Numbers]]]");
    auto* rows = control<QTreeWidget>(window, "lsvVWSRows");
    EXPECT_EQ(firstColumn(rows), QStringList({"n10", "n11", "n12", "n9"}));
    EXPECT_EQ(control<QTextEdit>(window, "rtbVWSText")->toPlainText(),
              "CREATE VIEW [Bob's [Numbers]]]\nAS\nSELECT label, n FROM Numbers WHERE n > 8");

    list->setCurrentRow(1);
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(firstColumn(rows), QStringList({"1", "10", "2", "3", "4", "5", "6", "7", "8", "9"}));
    // All rows, still by first-column text.
    control<QRadioButton>(window, "optVWSMode0")->click();
    EXPECT_EQ(firstColumn(rows), QStringList({"1", "10", "11", "12", "2", "3", "4", "5", "6", "7", "8", "9"}));
    EXPECT_EQ(text(window, "lblVWSRows"), "Total Showed Rows : 12");
    // The first heading's first click turns the order round; then the list keeps the server's order.
    QHeaderView* header = rows->header();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(0) + header->sectionSize(0) / 2, header->height() / 2));
    EXPECT_EQ(firstColumn(rows), QStringList({"9", "8", "7", "6", "5", "4", "3", "2", "12", "11", "10", "1"}));
    EXPECT_FALSE(rows->headerItem()->icon(0).isNull());
    control<QRadioButton>(window, "optVWSMode1")->click();
    EXPECT_EQ(firstColumn(rows), QStringList({"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}));

    statusTexts.clear();
    typeAndEnter(window, "txtVWSSearch", "over");
    EXPECT_EQ(messages(), QStringList({"Critical: Error...Problems encountered while populating view details!\r\n"
                                       "Details:Invalid object name 'Gone'."}));
    EXPECT_EQ(statusTexts.last(), "Ready");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    // The panes keep what they showed, and the window goes on working.
    EXPECT_EQ(text(window, "lblVWSViewName"), "View Name : [ViewScratch].[dbo].[NumberList]");
    typeAndEnter(window, "txtVWSSearch", "bob");
    EXPECT_EQ(prompts->requests.size(), 1u);
    EXPECT_EQ(text(window, "lblVWSRows"), "Total Showed Rows : 4");
}

TEST_F(ViewsWindow, NothingIsShownWithoutAViewOrAConnectionAndAnUnreadableListIsReported)
{
    frmViews window;
    statusTexts.clear();
    typeAndEnter(window, "txtVWSSearch", "zz");
    control<QRadioButton>(window, "optVWSMode0")->click();
    EXPECT_TRUE(statusTexts.isEmpty());
    EXPECT_EQ(text(window, "lblVWSViewName"), "ViewName");
    session().Connected = false;
    statusTexts.clear();
    typeAndEnter(window, "txtVWSSearch", "prod");
    EXPECT_TRUE(statusTexts.isEmpty());
    EXPECT_EQ(text(window, "lblVWSViewName"), "ViewName");
    EXPECT_TRUE(prompts->requests.empty());

    resetSessionForTests();
    session().Connected = true; // marked connected, but the connection was never opened
    frmViews unread;
    EXPECT_EQ(messages(), QStringList({"Critical: Error...Problems encountered while populating views!\r\n"
                                       "Details:The connection is not open."}));
    EXPECT_EQ(control<QListWidget>(unread, "lstVWSViews")->count(), 0);
    EXPECT_EQ(text(unread, "lblVWSTotalViews"), "Total Views : 0");
    EXPECT_EQ(statusTexts.last(), "Ready");
}

TEST_F(FunctionsWindow, TheResultIsTheFirstRowAndIsCounted)
{
    frmFunctions window;
    auto* list = control<QListWidget>(window, "lstFN");
    auto* grid = control<QTableWidget>(window, "flxFNSParams");
    // The inline function fnCustomerOrders is not among them.
    EXPECT_EQ(entries(list), QStringList({"fnFullName", "fnOrderTotal", "fnReportingChain"}));
    EXPECT_EQ(text(window, "lblFNTotal"), "&Total Functions : 3");
    statusTexts.clear();
    typeAndEnter(window, "txtFNSearch", "fnf");
    EXPECT_EQ(text(window, "lblFNName"), "&Name:[Harbor].[dbo].[fnFullName]");
    EXPECT_EQ(gridRows(grid), QStringList({"1||nvarchar|64|0|0|Return", "2|@FirstName|nvarchar|20|0|0|Input",
                                           "3|@LastName|nvarchar|40|0|0|Input"}));
    EXPECT_EQ(text(window, "lblFNSParams"), "Total Parameters : 3");
    EXPECT_EQ(control<QTextEdit>(window, "rtbFNText")->toPlainText(),
              "CREATE FUNCTION fnFullName (@FirstName nvarchar(10), @LastName nvarchar(20))\nRETURNS nvarchar(32)\n"
              "AS\nBEGIN\n\tRETURN @FirstName + N' ' + @LastName\nEND\n");
    EXPECT_EQ(statusTexts, QStringList({"Populating Parameters... Please wait...",
                                        "Filling Object Text.. Please wait...", "Ready"}));
    typeAndEnter(window, "txtFNSearch", "fnO");
    EXPECT_EQ(gridRows(grid), QStringList({"1||money|8|19|4|Return", "2|@OrderID|int|4|10|0|Input"}));

    // A table function: its columns come first, so the first of them reads Return.
    clickThenDoubleClick(window, list, 2);
    EXPECT_EQ(text(window, "lblFNName"), "&Name:[Harbor].[dbo].[fnReportingChain]");
    EXPECT_EQ(gridRows(grid), QStringList({"1|EmployeeID|int|4|10|0|Return", "2|LastName|nvarchar|40|0|0|Input",
                                           "3|Depth|int|4|10|0|Input", "4|@EmployeeID|int|4|10|0|Input"}));
    EXPECT_EQ(text(window, "lblFNSParams"), "Total Parameters : 4");
    EXPECT_TRUE(control<QTextEdit>(window, "rtbFNText")
                    ->toPlainText()
                    .startsWith("CREATE FUNCTION fnReportingChain (@EmployeeID int)\nRETURNS @Chain TABLE"));
    EXPECT_TRUE(prompts->requests.empty());
}

TEST_F(FunctionsWindow, AFunctionDroppedSinceTheListWasReadEndsInTheFailureMessage)
{
    norvane::testing::createScratchDatabase("FunctionScratch");
    norvane::testing::runBatches("FunctionScratch",
                                 {"CREATE FUNCTION Twice (@n int) RETURNS int AS BEGIN RETURN @n * 2 END",
                                  "CREATE FUNCTION Gone () RETURNS int AS BEGIN RETURN 1 END"});
    norvane::testing::connectSessionTo("FunctionScratch");
    frmFunctions window;
    typeAndEnter(window, "txtFNSearch", "tw");
    norvane::testing::runBatches("FunctionScratch", {"DROP FUNCTION Gone"});
    statusTexts.clear();
    typeAndEnter(window, "txtFNSearch", "go");
    EXPECT_EQ(messages(), QStringList({"Critical: Error...Problems encountered while populating Object details!\r\n"
                                       "Details:The catalog holds no result or parameter of the function."}));
    EXPECT_EQ(control<QTableWidget>(window, "flxFNSParams")->rowCount(), 0);
    EXPECT_EQ(text(window, "lblFNName"), "&Name:");
    EXPECT_EQ(statusTexts.last(), "Ready");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    typeAndEnter(window, "txtFNSearch", "tw");
    EXPECT_EQ(prompts->requests.size(), 1u);
    EXPECT_EQ(gridRows(control<QTableWidget>(window, "flxFNSParams")),
              QStringList({"1||int|4|10|0|Return", "2|@n|int|4|10|0|Input"}));
}
