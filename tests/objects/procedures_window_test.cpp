// The stored procedures window against the sample database and a scratch
// database: the list and its total, the parameters grid with its count, the
// empty row of a parameterless procedure, source texts, awkward names and types.
#include "objects/frmSPs.h"

#include "object_window_fixture.h"
#include "support/code_window_capture.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTextEdit>

using namespace norvane;
using norvane::testing::vbCallText;

namespace {

const QStringList kHarborProcedures = {"AddOrder",       "CustomerOrderCount",    "EmployeeLabel", "FindCustomers",
                                       "ListCategories", "MonthlyShipmentReport", "OrderTotals",   "ProductsByPrice",
                                       "SalesByYear",    "UpdateDiscount"};

class ProceduresWindow : public norvane::testing::ObjectWindowTest {
protected:
    // Chooses the procedure by typing the start of its name and pressing Enter.
    static void showByTyping(const frmSPs& window, const QString& start)
    {
        typeAndEnter(window, "txtSPSSearch", start);
    }

    // Chooses the kind of code and presses Generate, recording what the code window showed.
    static norvane::test::ShownCode generate(frmSPs& window, int kind)
    {
        window.findChild<QRadioButton*>(QString("optCode%1").arg(kind))->click();
        return norvane::test::captureCodeWindow([&] { control<QPushButton>(window, "cmdGenerate")->click(); });
    }
};

}  // namespace

TEST_F(ProceduresWindow, LoadingListsTheProceduresWithTheirTotal)
{
    frmSPs window;
    EXPECT_EQ(entries(control<QListWidget>(window, "lstSPS")), kHarborProcedures);
    EXPECT_EQ(control<QLabel>(window, "lblSPSTotalSPs")->text(), "&Total SPs : 10");
    EXPECT_EQ(statusTexts, QStringList({"Populating SPs... Please wait...", "Ready"}));
    EXPECT_TRUE(prompts->requests.empty());
    EXPECT_EQ(control<QTableWidget>(window, "flxSPSParams")->rowCount(), 0);
}

TEST_F(ProceduresWindow, ShowingAProcedureFillsItsParametersAndSource)
{
    frmSPs window;
    statusTexts.clear();
    showByTyping(window, "empl");

    EXPECT_TRUE(prompts->requests.empty());
    EXPECT_EQ(control<QLineEdit>(window, "txtSPSSearch")->text(), "EmployeeLabel");
    EXPECT_EQ(control<QLabel>(window, "lblSPSSPName")->text(), "&Name:[Harbor].[dbo].[EmployeeLabel]");
    EXPECT_EQ(gridRows(control<QTableWidget>(window, "flxSPSParams")),
              QStringList({"1|@EmployeeID|int|4|10|0|Input", "2|@Label|varchar|60|0|0|Output",
                           "3|@FullName|nvarchar|80|0|0|Output", "4|@HiredOn|datetime|8|23|3|Output"}));
    EXPECT_EQ(control<QLabel>(window, "lblSPSParams")->text(), "Total Parameters : 4");
    EXPECT_EQ(control<QTextEdit>(window, "rtbSPSText")->toPlainText(),
              "CREATE PROCEDURE EmployeeLabel\n"
              "\t@EmployeeID int,\n"
              "\t@Label varchar(60) OUTPUT,\n"
              "\t@FullName nvarchar(40) OUTPUT,\n"
              "\t@HiredOn datetime OUTPUT\n"
              "AS\n"
              "SELECT @FullName = FirstName + N' ' + LastName,\n"
              "\t@Label = CONVERT(varchar(60), ISNULL(Title, 'No title')),\n"
              "\t@HiredOn = HireDate\n"
              "FROM Employees\n"
              "WHERE EmployeeID = @EmployeeID\n");
    EXPECT_EQ(statusTexts, QStringList({"Populating Parameters... Please wait...",
                                        "Filling Object Text.. Please wait...", "Ready"}));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // Decimal, numeric and money outputs.
    showByTyping(window, "ordert");
    EXPECT_EQ(gridRows(control<QTableWidget>(window, "flxSPSParams")),
              QStringList({"1|@OrderID|int|4|10|0|Input", "2|@Total|money|8|19|4|Output",
                           "3|@AverageDiscount|decimal|5|5|4|Output", "4|@Weight|numeric|5|9|3|Output"}));
}

TEST_F(ProceduresWindow, AProcedureWithoutParametersShowsZeroAndOneEmptyRow)
{
    frmSPs window;
    auto* list = control<QListWidget>(window, "lstSPS");
    EXPECT_EQ(clickThenDoubleClick(window, list, kHarborProcedures.indexOf("ListCategories")), "ListCategories");

    EXPECT_EQ(control<QLabel>(window, "lblSPSSPName")->text(), "&Name:[Harbor].[dbo].[ListCategories]");
    EXPECT_EQ(control<QLabel>(window, "lblSPSParams")->text(), "Total Parameters : 0");
    EXPECT_EQ(gridRows(control<QTableWidget>(window, "flxSPSParams")), QStringList({"||||||"}));
    EXPECT_EQ(control<QTextEdit>(window, "rtbSPSText")->toPlainText(),
              "CREATE PROCEDURE ListCategories\nAS\nSELECT CategoryID, CategoryName\nFROM Categories\n"
              "ORDER BY CategoryName\n");

    // Enter in the list shows another one; the grid loses the empty row.
    list->setCurrentRow(kHarborProcedures.indexOf("FindCustomers"));
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(gridRows(control<QTableWidget>(window, "flxSPSParams")),
              QStringList({"1|@Name|nvarchar|80|0|0|Input", "2|@Country|varchar|15|0|0|Input"}));
    EXPECT_EQ(control<QLabel>(window, "lblSPSParams")->text(), "Total Parameters : 2");
}

TEST_F(ProceduresWindow, ANameTheCatalogDoesNotKnowGivesOnlyTheHeader)
{
    frmSPs window;
    auto* grid = control<QTableWidget>(window, "flxSPSParams");
    frmSPs::PopulateSPParams(grid, "[Harbor].[dbo].[AddOrder]");
    EXPECT_EQ(grid->rowCount(), 6);
    frmSPs::PopulateSPParams(grid, "[Harbor].[dbo].[NoSuchProcedure]");
    EXPECT_EQ(grid->rowCount(), 0);
    EXPECT_EQ(grid->horizontalHeaderItem(1)->text(), "Parameter Name" + QString(35, ' '));
}

TEST_F(ProceduresWindow, QuotesBracketsUserTypesAndHiddenSource)
{
    norvane::testing::createScratchDatabase("ProcScratch");
    norvane::testing::runBatches(
        "ProcScratch",
        {
            "EXEC sp_addtype Phone, 'varchar(24)', 'NULL'",
            "CREATE PROCEDURE [Bob's [List]]] @Who nvarchar(10), @Phone Phone OUTPUT AS SELECT @Phone = @Who",
            "CREATE PROCEDURE Hidden WITH ENCRYPTION AS SELECT 1",
            "CREATE PROCEDURE Doomed @a int AS SELECT @a",
            "CREATE PROCEDURE Textless AS SELECT 2",
            // The catalog rows as SQL Server keeps them for an encrypted procedure and for one whose text is lost.
            "UPDATE syscomments SET encrypted = 1, text = NULL WHERE id = OBJECT_ID('Hidden')",
            "DELETE FROM syscomments WHERE id = OBJECT_ID('Textless')",
        });
    norvane::testing::connectSessionTo("ProcScratch");
    frmSPs window;
    EXPECT_EQ(entries(control<QListWidget>(window, "lstSPS")),
              QStringList({"Bob's [List]", "Doomed", "Hidden", "Textless"}));
    EXPECT_EQ(control<QLabel>(window, "lblSPSTotalSPs")->text(), "&Total SPs : 4");

    showByTyping(window, "bob");
    EXPECT_TRUE(prompts->requests.empty());
    EXPECT_EQ(control<QLabel>(window, "lblSPSSPName")->text(), "&Name:[ProcScratch].[dbo].[Bob's [List]]]");
    EXPECT_EQ(gridRows(control<QTableWidget>(window, "flxSPSParams")),
              QStringList({"1|@Who|nvarchar|20|0|0|Input", "2|@Phone|Phone|24|0|0|Output"}));
    EXPECT_EQ(control<QTextEdit>(window, "rtbSPSText")->toPlainText(),
              "CREATE PROCEDURE [Bob's [List]]] @Who nvarchar(10), @Phone Phone OUTPUT AS SELECT @Phone = @Who");

    showByTyping(window, "hid");
    EXPECT_TRUE(prompts->requests.empty());
    EXPECT_EQ(control<QLabel>(window, "lblSPSParams")->text(), "Total Parameters : 0");
    EXPECT_EQ(control<QTextEdit>(window, "rtbSPSText")->toPlainText(), "");
    showByTyping(window, "bob");
    showByTyping(window, "textl");
    EXPECT_TRUE(prompts->requests.empty());
    EXPECT_EQ(control<QLabel>(window, "lblSPSSPName")->text(), "&Name:[ProcScratch].[dbo].[Textless]");
    EXPECT_EQ(control<QTextEdit>(window, "rtbSPSText")->toPlainText(), "");

    // Dropped after the list was read: the catalog no longer knows it.
    norvane::testing::runBatches("ProcScratch", {"DROP PROCEDURE Doomed"});
    showByTyping(window, "doo");
    ASSERT_EQ(prompts->requests.size(), 1u);
    EXPECT_EQ(prompts->requests[0].icon, QMessageBox::Critical);
    EXPECT_EQ(prompts->requests[0].text, "Error...Problems encountered while populating Object details!\r\n"
                                         "Details:The object '' does not exist in database 'ProcScratch'.");
    EXPECT_EQ(control<QLabel>(window, "lblSPSParams")->text(), "Total Parameters : 0");
    EXPECT_EQ(statusTexts.last(), "Ready");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(ProceduresWindow, AnAmpersandInANameShowsInTheLabel)
{
    // The label's own ampersand marks its access key; one in the name is doubled so that it shows.
    EXPECT_EQ(captionWithName("&Name:", "[Db].[dbo].[Salt & Pepper]"), "&Name:[Db].[dbo].[Salt && Pepper]");
}

TEST_F(ProceduresWindow, GenerateHandsTheCallingCodeOfTheShownProcedureToTheCodeWindow)
{
    frmSPs window;
    showByTyping(window, "ordert");

    const norvane::test::ShownCode sql = generate(window, 2);
    ASSERT_TRUE(sql.shown);
    EXPECT_EQ(sql.title, "Following is the generated SQL code  for the stored procedure : OrderTotals");
    EXPECT_EQ(sql.code, "DECLARE @pTotal AS MONEY\r\n"
                        "DECLARE @pAverageDiscount AS DECIMAL(5,4)\r\n"
                        "DECLARE @pWeight AS NUMERIC(9,3)\r\n"
                        "Execute OrderTotals  @OrderID= ?, @Total= @pTotal OUTPUT, "
                        "@AverageDiscount= @pAverageDiscount OUTPUT, @Weight= @pWeight OUTPUT\r\n"
                        "PRINT @pTotal\r\n"
                        "PRINT @pAverageDiscount\r\n"
                        "PRINT @pWeight\r\n");
    EXPECT_EQ(sql.fileName, "OrderTotals");
    EXPECT_EQ(sql.filterIndex, 1);
    EXPECT_FALSE(sql.noColour);

    const norvane::test::ShownCode byName = generate(window, 0);
    ASSERT_TRUE(byName.shown);
    EXPECT_EQ(byName.title, "Following is the generated VB code  for the stored procedure : OrderTotals");
    EXPECT_EQ(byName.code, vbCallText("OrderTotals", "\t.Parameters(\"@OrderID\")= ?\r"
                                                     "\t.Execute\r"
                                                     "\t? = .Parameters(\"@Total\")\r"
                                                     "\t? = .Parameters(\"@AverageDiscount\")\r"
                                                     "\t? = .Parameters(\"@Weight\")\r"));
    EXPECT_EQ(byName.fileName, "OrderTotals");
    EXPECT_EQ(byName.filterIndex, 2);
    EXPECT_TRUE(byName.noColour);

    const norvane::test::ShownCode appended = generate(window, 1);
    ASSERT_TRUE(appended.shown);
    EXPECT_EQ(appended.code,
              vbCallText("OrderTotals",
                         "\t.Parameters.Append .CreateParameter(\"@OrderID\", adInteger, adParamInput, 4, ?)\r"
                         "\t.Parameters.Append .CreateParameter(\"@Total\", adCurrency, adParamOutput, 8)\r"
                         "\t.Parameters.Append .CreateParameter(\"@AverageDiscount\", adDecimal, adParamOutput, 5)\r"
                         "\t.Parameters.Append .CreateParameter(\"@Weight\", adNumeric, adParamOutput, 5)\r"
                         "\t.Parameters(\"@Weight\").Precision = 9\r"
                         "\t.Parameters(\"@Weight\").NumericScale = 3\r"
                         "\t.Execute\r"
                         "\t? = .Parameters(\"@Total\")\r"
                         "\t? = .Parameters(\"@AverageDiscount\")\r"
                         "\t? = .Parameters(\"@Weight\")\r"));
    EXPECT_EQ(appended.filterIndex, 2);
    EXPECT_TRUE(appended.noColour);
    EXPECT_TRUE(prompts->requests.empty());
}

TEST_F(ProceduresWindow, GenerateNamesWhatTheFindBoxHoldsWithTheGridsParameters)
{
    frmSPs window;
    // Nothing shown and an empty find box: no name and no parameters.
    EXPECT_EQ(generate(window, 2).code, "Execute  \r\n");

    // National text outputs are declared in characters.
    showByTyping(window, "employeel");
    EXPECT_EQ(generate(window, 2).code, "DECLARE @pLabel AS VARCHAR(60)\r\n"
                                        "DECLARE @pFullName AS NVARCHAR(40)\r\n"
                                        "DECLARE @pHiredOn AS DATETIME\r\n"
                                        "Execute EmployeeLabel  @EmployeeID= ?, @Label= @pLabel OUTPUT, "
                                        "@FullName= @pFullName OUTPUT, @HiredOn= @pHiredOn OUTPUT\r\n"
                                        "PRINT @pLabel\r\n"
                                        "PRINT @pFullName\r\n"
                                        "PRINT @pHiredOn\r\n");

    // The user edits the find box: the code names the new text, the grid still gives the parameters.
    auto* find = control<QLineEdit>(window, "txtSPSSearch");
    find->setText("  dbo.EmployeeLabel2 ");
    const norvane::test::ShownCode edited = generate(window, 0);
    EXPECT_EQ(edited.title, "Following is the generated VB code  for the stored procedure : dbo.EmployeeLabel2");
    EXPECT_EQ(edited.fileName, "dbo.EmployeeLabel2");
    EXPECT_EQ(edited.code, vbCallText("dbo.EmployeeLabel2", "\t.Parameters(\"@EmployeeID\")= ?\r"
                                                            "\t.Execute\r"
                                                            "\t? = .Parameters(\"@Label\")\r"
                                                            "\t? = .Parameters(\"@FullName\")\r"
                                                            "\t? = .Parameters(\"@HiredOn\")\r"));

    // A parameterless procedure: its empty grid row takes no part.
    showByTyping(window, "listc");
    EXPECT_EQ(generate(window, 1).code, vbCallText("ListCategories", "\t.Execute\r"));
    EXPECT_TRUE(prompts->requests.empty());
}
