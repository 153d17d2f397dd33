// The functions window against the sample database: scalar and multi-statement
// functions listed, the result in the first grid row marked "Return" and
// counted, source texts, and the failure for a function the catalog no longer knows.
#include "objects/frmFunctions.h"

#include "object_window_fixture.h"

#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTextEdit>

using namespace norvane;

namespace {

class FunctionsWindow : public norvane::testing::ObjectWindowTest {
protected:
    static void showByTyping(const frmFunctions& window, const QString& start)
    {
        typeAndEnter(window, "txtFNSearch", start);
    }
};

}  // namespace

TEST_F(FunctionsWindow, LoadingListsScalarAndMultiStatementFunctions)
{
    frmFunctions window;
    // The inline function fnCustomerOrders is not among them.
    EXPECT_EQ(entries(control<QListWidget>(window, "lstFN")),
              QStringList({"fnFullName", "fnOrderTotal", "fnReportingChain"}));
    EXPECT_EQ(control<QLabel>(window, "lblFNTotal")->text(), "&Total Functions : 3");
    EXPECT_EQ(statusTexts, QStringList({"Populating Functions... Please wait...", "Ready"}));
    EXPECT_TRUE(prompts->requests.empty());
}

TEST_F(FunctionsWindow, TheResultIsTheFirstRowAndIsCounted)
{
    frmFunctions window;
    statusTexts.clear();
    showByTyping(window, "fnf");

    EXPECT_TRUE(prompts->requests.empty());
    EXPECT_EQ(window.currentName(), "[Harbor].[dbo].[fnFullName]");
    EXPECT_EQ(control<QLabel>(window, "lblFNName")->text(), "&Name:[Harbor].[dbo].[fnFullName]");
    auto* grid = control<QTableWidget>(window, "flxFNSParams");
    EXPECT_EQ(gridRows(grid), QStringList({"1||nvarchar|64|0|0|Return", "2|@FirstName|nvarchar|20|0|0|Input",
                                           "3|@LastName|nvarchar|40|0|0|Input"}));
    EXPECT_EQ(control<QLabel>(window, "lblFNSParams")->text(), "Total Parameters : 3");
    EXPECT_EQ(control<QTextEdit>(window, "rtbFNText")->toPlainText(),
              "CREATE FUNCTION fnFullName (@FirstName nvarchar(10), @LastName nvarchar(20))\n"
              "RETURNS nvarchar(32)\n"
              "AS\n"
              "BEGIN\n"
              "\tRETURN @FirstName + N' ' + @LastName\n"
              "END\n");
    EXPECT_EQ(statusTexts, QStringList({"Populating Parameters... Please wait...",
                                        "Filling Object Text.. Please wait...", "Ready"}));

    showByTyping(window, "fnO");
    EXPECT_EQ(gridRows(grid), QStringList({"1||money|8|19|4|Return", "2|@OrderID|int|4|10|0|Input"}));
    EXPECT_EQ(control<QLabel>(window, "lblFNSParams")->text(), "Total Parameters : 2");
}

TEST_F(FunctionsWindow, ATableFunctionsFirstRowReadsReturnWhateverItHolds)
{
    frmFunctions window;
    auto* list = control<QListWidget>(window, "lstFN");
    clickThenDoubleClick(window, list, 2);

    EXPECT_TRUE(prompts->requests.empty());
    EXPECT_EQ(control<QLabel>(window, "lblFNName")->text(), "&Name:[Harbor].[dbo].[fnReportingChain]");
    // The table's columns come first here, so the first of them is marked.
    EXPECT_EQ(gridRows(control<QTableWidget>(window, "flxFNSParams")),
              QStringList({"1|EmployeeID|int|4|10|0|Return", "2|LastName|nvarchar|40|0|0|Input",
                           "3|Depth|int|4|10|0|Input", "4|@EmployeeID|int|4|10|0|Input"}));
    EXPECT_EQ(control<QLabel>(window, "lblFNSParams")->text(), "Total Parameters : 4");
    EXPECT_TRUE(control<QTextEdit>(window, "rtbFNText")
                    ->toPlainText()
                    .startsWith("CREATE FUNCTION fnReportingChain (@EmployeeID int)\nRETURNS @Chain TABLE"));
}

TEST_F(FunctionsWindow, AFunctionDroppedSinceTheListWasReadEndsInTheFailureMessage)
{
    norvane::testing::createScratchDatabase("FunctionScratch");
    norvane::testing::runBatches("FunctionScratch",
                                 {
                                     "CREATE FUNCTION Twice (@n int) RETURNS int AS BEGIN RETURN @n * 2 END",
                                     "CREATE FUNCTION Gone () RETURNS int AS BEGIN RETURN 1 END",
                                 });
    norvane::testing::connectSessionTo("FunctionScratch");
    frmFunctions window;
    showByTyping(window, "tw");
    ASSERT_TRUE(prompts->requests.empty());
    EXPECT_EQ(control<QLabel>(window, "lblFNSParams")->text(), "Total Parameters : 2");

    norvane::testing::runBatches("FunctionScratch", {"DROP FUNCTION Gone"});
    statusTexts.clear();
    showByTyping(window, "go");
    ASSERT_EQ(prompts->requests.size(), 1u);
    EXPECT_EQ(prompts->requests[0].icon, QMessageBox::Critical);
    EXPECT_EQ(prompts->requests[0].title, "Norvane");
    EXPECT_EQ(prompts->requests[0].text, "Error...Problems encountered while populating Object details!\r\n"
                                         "Details:The catalog holds no result or parameter of the function.");
    EXPECT_EQ(control<QTableWidget>(window, "flxFNSParams")->rowCount(), 0);
    EXPECT_EQ(control<QLabel>(window, "lblFNName")->text(), "&Name:");
    EXPECT_EQ(window.currentName(), "");
    EXPECT_EQ(statusTexts.last(), "Ready");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // The window goes on working.
    showByTyping(window, "tw");
    EXPECT_EQ(prompts->requests.size(), 1u);
    EXPECT_EQ(gridRows(control<QTableWidget>(window, "flxFNSParams")),
              QStringList({"1||int|4|10|0|Return", "2|@n|int|4|10|0|Input"}));
}
