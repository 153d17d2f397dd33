// The views window against the sample database and a scratch database: the
// list and its total, finding and choosing a view, its rows in first-column
// order, the row modes, heading sorts, the source text, and the failure of a
// view whose table is gone.
#include "objects/frmViews.h"

#include "object_window_fixture.h"
#include "support/session_reset.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <QTextEdit>

using namespace norvane;

namespace {

const QStringList kHarborViews = {"CurrentProducts", "CustomersByCountry", "EmployeeManagers", "OrderSummary",
                                  "ProductCatalog"};

// A scratch database whose views have twelve numbered rows, a quote in a name, and a table that is dropped.
void createViewScratch()
{
    norvane::testing::createScratchDatabase("ViewScratch");
    QString inserts;
    for (int n = 1; n <= 12; ++n)
        inserts += QString("INSERT INTO Numbers VALUES (%1, 'n%1')\n").arg(n);
    norvane::testing::runBatches("ViewScratch",
                                 {
                                     "CREATE TABLE Numbers (n int NOT NULL, label varchar(10) NULL)",
                                     inserts,
                                     "CREATE VIEW NumberList\r\nAS\r\nSELECT n, label FROM Numbers",
                                     "CREATE VIEW [Bob's [Numbers]]]\r\nAS\r\nSELECT label, n FROM Numbers WHERE n > 8",
                                     "CREATE TABLE Gone (a int NULL)",
                                     "CREATE VIEW OverGone AS SELECT a FROM Gone",
                                     "DROP TABLE Gone",
                                 });
}

class ViewsWindow : public norvane::testing::ObjectWindowTest {};

}  // namespace

TEST_F(ViewsWindow, LoadingListsTheUserViewsWithTheirTotal)
{
    frmViews window;
    EXPECT_EQ(entries(control<QListWidget>(window, "lstVWSViews")), kHarborViews);
    EXPECT_EQ(control<QLabel>(window, "lblVWSTotalViews")->text(), "Total Views : 5");
    EXPECT_EQ(statusTexts, QStringList({"Populating Views... Please wait...", "Ready"}));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(prompts->requests.empty());
}

TEST_F(ViewsWindow, EnterShowsTheViewsRowsAndSource)
{
    frmViews window;
    auto* find = control<QLineEdit>(window, "txtVWSSearch");
    QTest::keyClicks(find, "custo");
    EXPECT_EQ(selectedEntry(control<QListWidget>(window, "lstVWSViews")), "CustomersByCountry");
    statusTexts.clear();
    QTest::keyClick(find, Qt::Key_Return);

    EXPECT_EQ(find->text(), "CustomersByCountry");
    EXPECT_EQ(control<QLabel>(window, "lblVWSViewName")->text(), "View Name : [Harbor].[dbo].[CustomersByCountry]");
    auto* rows = control<QTreeWidget>(window, "lsvVWSRows");
    EXPECT_EQ(rows->headerItem()->text(0), "Country");
    EXPECT_EQ(rows->headerItem()->text(1), "CustomerCount");
    EXPECT_EQ(rows->topLevelItemCount(), 10);
    EXPECT_EQ(control<QLabel>(window, "lblVWSRows")->text(), "Total Showed Rows : 10");
    QStringList countries = firstColumn(rows);
    QStringList sorted = countries;
    std::sort(sorted.begin(), sorted.end(),
              [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    EXPECT_EQ(countries, sorted);
    EXPECT_EQ(control<QTextEdit>(window, "rtbVWSText")->toPlainText(),
              "CREATE VIEW CustomersByCountry\nAS\nSELECT Country, COUNT(*) AS CustomerCount\nFROM Customers\n"
              "GROUP BY Country\n");
    EXPECT_EQ(statusTexts,
              QStringList({"Populating data... Please wait...", "Filling View Text.. Please wait...", "Ready"}));
    EXPECT_TRUE(prompts->requests.empty());

    // The mode options show the same view again: all its rows.
    control<QRadioButton>(window, "optVWSMode0")->click();
    EXPECT_GT(rows->topLevelItemCount(), 10);
    EXPECT_EQ(control<QLabel>(window, "lblVWSRows")->text(),
              "Total Showed Rows : " + QString::number(rows->topLevelItemCount()));
}

TEST_F(ViewsWindow, RowsAreInFirstColumnTextOrderUntilAHeadingIsClicked)
{
    createViewScratch();
    norvane::testing::connectSessionTo("ViewScratch");
    frmViews window;
    auto* list = control<QListWidget>(window, "lstVWSViews");
    EXPECT_EQ(entries(list), QStringList({"Bob's [Numbers]", "NumberList", "OverGone"}));
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    list->setCurrentRow(1);
    QTest::keyClick(list, Qt::Key_Return);
    auto* rows = control<QTreeWidget>(window, "lsvVWSRows");
    EXPECT_EQ(firstColumn(rows), QStringList({"1", "10", "2", "3", "4", "5", "6", "7", "8", "9"}));

    // All rows, still by first-column text.
    control<QRadioButton>(window, "optVWSMode0")->click();
    EXPECT_EQ(firstColumn(rows), QStringList({"1", "10", "11", "12", "2", "3", "4", "5", "6", "7", "8", "9"}));
    EXPECT_EQ(control<QLabel>(window, "lblVWSRows")->text(), "Total Showed Rows : 12");

    // The first heading's first click turns the order round; then the list keeps the server's order.
    QHeaderView* header = rows->header();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(0) + header->sectionSize(0) / 2, header->height() / 2));
    EXPECT_EQ(firstColumn(rows), QStringList({"9", "8", "7", "6", "5", "4", "3", "2", "12", "11", "10", "1"}));
    EXPECT_FALSE(rows->headerItem()->icon(0).isNull());
    control<QRadioButton>(window, "optVWSMode1")->click();
    EXPECT_EQ(firstColumn(rows), QStringList({"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}));
}

TEST_F(ViewsWindow, NamesWithQuotesAndBracketsAreShown)
{
    createViewScratch();
    norvane::testing::connectSessionTo("ViewScratch");
    frmViews window;
    auto* list = control<QListWidget>(window, "lstVWSViews");
    EXPECT_EQ(clickThenDoubleClick(window, list, 0), "Bob's [Numbers]");

    EXPECT_TRUE(prompts->requests.empty());
    EXPECT_EQ(control<QLabel>(window, "lblVWSViewName")->text(), "View Name : [ViewScratch].[dbo].[Bob's [Numbers]]]");
    auto* rows = control<QTreeWidget>(window, "lsvVWSRows");
    EXPECT_EQ(firstColumn(rows), QStringList({"n10", "n11", "n12", "n9"}));
    EXPECT_EQ(rows->topLevelItem(3)->text(1), "9");
    EXPECT_EQ(control<QTextEdit>(window, "rtbVWSText")->toPlainText(),
              "CREATE VIEW [Bob's [Numbers]]]\nAS\nSELECT label, n FROM Numbers WHERE n > 8");
}

TEST_F(ViewsWindow, AViewOverADroppedTableReportsTheFailureAndTheWindowStaysUsable)
{
    createViewScratch();
    norvane::testing::connectSessionTo("ViewScratch");
    frmViews window;
    auto* find = control<QLineEdit>(window, "txtVWSSearch");
    typeAndEnter(window, "txtVWSSearch", "numb");
    ASSERT_EQ(control<QLabel>(window, "lblVWSViewName")->text(), "View Name : [ViewScratch].[dbo].[NumberList]");

    find->clear();
    QTest::keyClicks(find, "over");
    statusTexts.clear();
    QTest::keyClick(find, Qt::Key_Return);
    ASSERT_EQ(prompts->requests.size(), 1u);
    EXPECT_EQ(prompts->requests[0].icon, QMessageBox::Critical);
    EXPECT_EQ(prompts->requests[0].title, "Norvane");
    EXPECT_EQ(prompts->requests[0].text,
              "Error...Problems encountered while populating view details!\r\nDetails:Invalid object name 'Gone'.");
    EXPECT_EQ(statusTexts.last(), "Ready");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    // The panes keep what they showed.
    EXPECT_EQ(control<QLabel>(window, "lblVWSViewName")->text(), "View Name : [ViewScratch].[dbo].[NumberList]");

    typeAndEnter(window, "txtVWSSearch", "numberl");
    EXPECT_EQ(prompts->requests.size(), 1u);
    EXPECT_EQ(control<QLabel>(window, "lblVWSRows")->text(), "Total Showed Rows : 10");
}

TEST_F(ViewsWindow, NothingIsShownWithoutAChosenViewOrWithoutAConnection)
{
    norvane::testing::createScratchDatabase("NoViews");
    norvane::testing::connectSessionTo("NoViews");
    frmViews empty;
    EXPECT_EQ(control<QLabel>(empty, "lblVWSTotalViews")->text(), "Total Views : 0");
    statusTexts.clear();
    QTest::keyClick(control<QLineEdit>(empty, "txtVWSSearch"), Qt::Key_Return);
    control<QRadioButton>(empty, "optVWSMode0")->click();
    EXPECT_TRUE(statusTexts.isEmpty());
    EXPECT_EQ(control<QLabel>(empty, "lblVWSViewName")->text(), "ViewName");

    norvane::testing::connectSessionTo("Harbor");
    frmViews window;
    typeAndEnter(window, "txtVWSSearch", "zz");
    EXPECT_EQ(control<QLabel>(window, "lblVWSViewName")->text(), "ViewName");

    auto* find = control<QLineEdit>(window, "txtVWSSearch");
    find->clear();
    QTest::keyClicks(find, "prod");
    session().Connected = false;
    statusTexts.clear();
    QTest::keyClick(find, Qt::Key_Return);
    EXPECT_TRUE(statusTexts.isEmpty());
    EXPECT_EQ(control<QLabel>(window, "lblVWSViewName")->text(), "ViewName");
    EXPECT_TRUE(prompts->requests.empty());
}

TEST_F(ViewsWindow, TheFindBoxSelectsItsWholeTextOnFocus)
{
    frmViews window;
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    auto* find = control<QLineEdit>(window, "txtVWSSearch");
    find->setText("Order");
    control<QListWidget>(window, "lstVWSViews")->setFocus();
    find->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(find->selectedText(), "Order");
}

TEST_F(ViewsWindow, AListThatCannotBeReadIsReportedAndTheWindowOpensEmpty)
{
    resetSessionForTests();
    session().Connected = true; // marked connected, but the connection was never opened
    frmViews window;
    ASSERT_EQ(prompts->requests.size(), 1u);
    EXPECT_EQ(prompts->requests[0].icon, QMessageBox::Critical);
    EXPECT_EQ(prompts->requests[0].text,
              "Error...Problems encountered while populating views!\r\nDetails:The connection is not open.");
    EXPECT_EQ(control<QListWidget>(window, "lstVWSViews")->count(), 0);
    EXPECT_EQ(control<QLabel>(window, "lblVWSTotalViews")->text(), "Total Views : 0");
    EXPECT_EQ(statusTexts.last(), "Ready");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(window.size(), QSize(800, 514));
}
