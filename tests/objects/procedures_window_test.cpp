// The stored procedures window against the sample database and a scratch
// database (the list, the parameters grid, the source, awkward names and
// types, a procedure dropped meanwhile), and the calling code it generates.
#include "objects/frmSPs.h"
#include "objects/sql_call.h"
#include "objects/vb_call.h"

#include "support/code_window_capture.h"
#include "tables/window_fixture.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTextEdit>

using namespace norvane;

namespace {

// A Visual Basic calling text: the command's set-up lines, the given lines, then the closing lines.
QString vbCallText(const QString& procedure, const QString& lines)
{
    return "Dim objCMD As ADODB.Command\rSet objCMD = New ADODB.Command\rWith objCMD\r\t.ActiveConnection = ?\r"
           "\t.CommandType = adCmdStoredProc\r\t.CommandText = \"" +
           procedure + "\" \r" + lines + "End With\rSet objCMD = Nothing";
}

class ProceduresWindow : public norvane::testing::WindowTest {
protected:
    // Chooses the kind of code and presses Generate, recording what the code window showed.
    static test::ShownCode generate(frmSPs& window, int kind)
    {
        control<QRadioButton>(window, QString("optCode%1").arg(kind).toUtf8().constData())->click();
        return test::captureCodeWindow([&] { control<QPushButton>(window, "cmdGenerate")->click(); });
    }
    static QString source(const frmSPs& window) { return control<QTextEdit>(window, "rtbSPSText")->toPlainText(); }
    static QStringList params(const frmSPs& window) { return gridRows(control<QTableWidget>(window, "flxSPSParams")); }
};

} // namespace

TEST_F(ProceduresWindow, ListParametersSourceAndTheCallingCodeOfHarborProcedures)
{
    frmSPs window;
    auto* list = control<QListWidget>(window, "lstSPS");
    EXPECT_EQ(entries(list), QStringList({"AddOrder", "CustomerOrderCount", "EmployeeLabel", "FindCustomers",
                                          "ListCategories", "MonthlyShipmentReport", "OrderTotals", "ProductsByPrice",
                                          "SalesByYear", "UpdateDiscount"}));
    EXPECT_EQ(text(window, "lblSPSTotalSPs"), "&Total SPs : 10");
    EXPECT_EQ(statusTexts, QStringList({"Populating SPs... Please wait...", "Ready"}));
    // Nothing shown and an empty find box: no name and no parameters.
    EXPECT_EQ(generate(window, 2).code, "Execute  \r\n");

    statusTexts.clear();
    typeAndEnter(window, "txtSPSSearch", "empl");
    EXPECT_EQ(text(window, "lblSPSSPName"), "&Name:[Harbor].[dbo].[EmployeeLabel]");
    EXPECT_EQ(params(window), QStringList({"1|@EmployeeID|int|4|10|0|Input", "2|@Label|varchar|60|0|0|Output",
                                           "3|@FullName|nvarchar|80|0|0|Output", "4|@HiredOn|datetime|8|23|3|Output"}));
    EXPECT_EQ(text(window, "lblSPSParams"), "Total Parameters : 4");
    EXPECT_EQ(statusTexts, QStringList({"Populating Parameters... Please wait...",
                                        "Filling Object Text.. Please wait...", "Ready"}));
    // The user edits the find box: the code names the new text, the grid still gives the parameters.
    control<QLineEdit>(window, "txtSPSSearch")->setText("  dbo.EmployeeLabel2 ");
    const test::ShownCode edited = generate(window, 0);
    EXPECT_EQ(edited.title, "Following is the generated VB code  for the stored procedure : dbo.EmployeeLabel2");
    EXPECT_EQ(edited.fileName, "dbo.EmployeeLabel2");
    EXPECT_EQ(edited.code, vbCallText("dbo.EmployeeLabel2", "\t.Parameters(\"@EmployeeID\")= ?\r\t.Execute\r"
                                                            "\t? = .Parameters(\"@Label\")\r"
                                                            "\t? = .Parameters(\"@FullName\")\r"
                                                            "\t? = .Parameters(\"@HiredOn\")\r"));

    // Decimal, numeric and money outputs, in the three kinds of code.
    typeAndEnter(window, "txtSPSSearch", "ordert");
    EXPECT_EQ(params(window),
              QStringList({"1|@OrderID|int|4|10|0|Input", "2|@Total|money|8|19|4|Output",
                           "3|@AverageDiscount|decimal|5|5|4|Output", "4|@Weight|numeric|5|9|3|Output"}));
    const test::ShownCode sql = generate(window, 2);
    EXPECT_EQ(sql.title, "Following is the generated SQL code  for the stored procedure : OrderTotals");
    EXPECT_EQ(sql.code, "DECLARE @pTotal AS MONEY\r\nDECLARE @pAverageDiscount AS DECIMAL(5,4)\r\n"
                        "DECLARE @pWeight AS NUMERIC(9,3)\r\n"
                        "Execute OrderTotals  @OrderID= ?, @Total= @pTotal OUTPUT, "
                        "@AverageDiscount= @pAverageDiscount OUTPUT, @Weight= @pWeight OUTPUT\r\n"
                        "PRINT @pTotal\r\nPRINT @pAverageDiscount\r\nPRINT @pWeight\r\n");
    EXPECT_EQ(std::tuple(sql.fileName, sql.filterIndex, sql.noColour), std::tuple(QString("OrderTotals"), 1, false));
    const test::ShownCode byName = generate(window, 0);
    EXPECT_EQ(byName.title, "Following is the generated VB code  for the stored procedure : OrderTotals");
    EXPECT_EQ(std::tuple(byName.filterIndex, byName.noColour), std::tuple(2, true));
    const test::ShownCode appended = generate(window, 1);
    EXPECT_EQ(appended.code,
              vbCallText("OrderTotals",
                         "\t.Parameters.Append .CreateParameter(\"@OrderID\", adInteger, adParamInput, 4, ?)\r"
                         "\t.Parameters.Append .CreateParameter(\"@Total\", adCurrency, adParamOutput, 8)\r"
                         "\t.Parameters.Append .CreateParameter(\"@AverageDiscount\", adDecimal, adParamOutput, 5)\r"
                         "\t.Parameters.Append .CreateParameter(\"@Weight\", adNumeric, adParamOutput, 5)\r"
                         "\t.Parameters(\"@Weight\").Precision = 9\r\t.Parameters(\"@Weight\").NumericScale = 3\r"
                         "\t.Execute\r\t? = .Parameters(\"@Total\")\r\t? = .Parameters(\"@AverageDiscount\")\r"
                         "\t? = .Parameters(\"@Weight\")\r"));
    EXPECT_EQ(std::tuple(appended.filterIndex, appended.noColour), std::tuple(2, true));

    // A click and a double-click: a procedure without parameters shows zero and one empty row, which no code uses.
    EXPECT_EQ(clickThenDoubleClick(window, list, 4), "ListCategories");
    EXPECT_EQ(text(window, "lblSPSSPName"), "&Name:[Harbor].[dbo].[ListCategories]");
    EXPECT_EQ(text(window, "lblSPSParams"), "Total Parameters : 0");
    EXPECT_EQ(params(window), QStringList({"||||||"}));
    EXPECT_EQ(source(window), "CREATE PROCEDURE ListCategories\nAS\nSELECT CategoryID, CategoryName\nFROM Categories\n"
                              "ORDER BY CategoryName\n");
    EXPECT_EQ(generate(window, 1).code, vbCallText("ListCategories", "\t.Execute\r"));
    EXPECT_EQ(generate(window, 2).code, "Execute ListCategories \r\n");

    // Enter in the list shows another one; the grid loses the empty row.
    list->setCurrentRow(3);
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(params(window), QStringList({"1|@Name|nvarchar|80|0|0|Input", "2|@Country|varchar|15|0|0|Input"}));
    EXPECT_EQ(text(window, "lblSPSParams"), "Total Parameters : 2");
    EXPECT_TRUE(prompts->requests.empty());
}

TEST_F(ProceduresWindow, QuotesBracketsUserTypesHiddenSourceAndADroppedProcedure)
{
    norvane::testing::createScratchDatabase("ProcScratch");
    norvane::testing::runBatches(
        "ProcScratch",
        {"EXEC sp_addtype Phone, 'varchar(24)', 'NULL'",
         "CREATE PROCEDURE [Bob's [List]]] @Who nvarchar(10), @Phone Phone OUTPUT AS SELECT @Phone = @Who",
         "CREATE PROCEDURE Hidden WITH ENCRYPTION AS SELECT 1", "CREATE PROCEDURE Doomed @a int AS SELECT @a",
         "CREATE PROCEDURE Textless AS SELECT 2",
         // The catalog rows as SQL Server keeps them for an encrypted procedure and for one whose text is lost.
         "UPDATE syscomments SET encrypted = 1, text = NULL WHERE id = OBJECT_ID('Hidden')",
         "DELETE FROM syscomments WHERE id = OBJECT_ID('Textless')"});
    norvane::testing::connectSessionTo("ProcScratch");
    frmSPs window;
    EXPECT_EQ(entries(control<QListWidget>(window, "lstSPS")),
              QStringList({"Bob's [List]", "Doomed", "Hidden", "Textless"}));

    typeAndEnter(window, "txtSPSSearch", "bob");
    EXPECT_EQ(text(window, "lblSPSSPName"), "&Name:[ProcScratch].[dbo].[Bob's [List]]]");
    EXPECT_EQ(params(window), QStringList({"1|@Who|nvarchar|20|0|0|Input", "2|@Phone|Phone|24|0|0|Output"}));
    EXPECT_EQ(source(window),
              "CREATE PROCEDURE [Bob's [List]]] @Who nvarchar(10), @Phone Phone OUTPUT AS SELECT @Phone = @Who");
    typeAndEnter(window, "txtSPSSearch", "hid");
    EXPECT_EQ(text(window, "lblSPSParams"), "Total Parameters : 0");
    EXPECT_EQ(source(window), "");
    typeAndEnter(window, "txtSPSSearch", "bob");
    typeAndEnter(window, "txtSPSSearch", "textl");
    EXPECT_EQ(text(window, "lblSPSSPName"), "&Name:[ProcScratch].[dbo].[Textless]");
    EXPECT_EQ(source(window), "");
    EXPECT_TRUE(prompts->requests.empty());

    // Dropped after the list was read: the catalog no longer knows it.
    norvane::testing::runBatches("ProcScratch", {"DROP PROCEDURE Doomed"});
    typeAndEnter(window, "txtSPSSearch", "doo");
    EXPECT_EQ(messages(), QStringList({"Critical: Error...Problems encountered while populating Object details!\r\n"
                                       "Details:The object '' does not exist in database 'ProcScratch'."}));
    EXPECT_EQ(text(window, "lblSPSParams"), "Total Parameters : 0");
    EXPECT_EQ(statusTexts.last(), "Ready");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    // The label's own ampersand marks its access key; one in the name is doubled so that it shows.
    EXPECT_EQ(captionWithName("&Name:", "[Db].[dbo].[Salt & Pepper]"), "&Name:[Db].[dbo].[Salt && Pepper]");
}

TEST(CallingCode, EveryTypeFamilyPaddedCellsAndAnEmptyGrid)
{
    // Cells as a grid may hold them, blanks and any case included; a return row (from a functions grid) is
    // an output; every "@" in a name becomes "@p"; national text outputs are declared in characters.
    const ParamRows rows = {ParamRow{"1", "@Factor", " Numeric ", " 9 ", " 10 ", " 4 ", "Input"},
                            ParamRow{"2", "@From", "datetime", "8", "23", "3", " input "},
                            ParamRow{"3", "@Flag", "bit", "1", "1", "0", "INPUT"},
                            ParamRow{"4", "@Code", " char ", " 5 ", "0", "0", " output "},
                            ParamRow{"5", "@Name", "nchar", "10", "0", "0", "Output"},
                            ParamRow{"6", "@Hash", "binary", "16", "0", "0", "Output"},
                            ParamRow{"7", "@Blob", "varbinary", "200", "0", "0", "Output"},
                            ParamRow{"8", "@Phone", "PhoneNumber", "24", "0", "0", "Output"},
                            ParamRow{"9", "@a@b", "tinyint", "1", "3", "0", "Return"}};
    EXPECT_EQ(BuildSQLCall("Mixed", rows),
              "DECLARE @pCode AS CHAR(5)\r\nDECLARE @pName AS NCHAR(5)\r\nDECLARE @pHash AS BINARY(16)\r\n"
              "DECLARE @pBlob AS VARBINARY(200)\r\nDECLARE @pPhone AS PHONENUMBER\r\nDECLARE @pa@pb AS TINYINT\r\n"
              "Execute Mixed  @Factor= ?, @From= ?, @Flag= ?, @Code= @pCode OUTPUT, "
              "@Name= @pName OUTPUT, @Hash= @pHash OUTPUT, @Blob= @pBlob OUTPUT, @Phone= @pPhone OUTPUT, "
              "@a@b= @pa@pb OUTPUT\r\n"
              "PRINT @pCode\r\nPRINT @pName\r\nPRINT @pHash\r\nPRINT @pBlob\r\nPRINT @pPhone\r\nPRINT @pa@pb\r\n");
    const QString outputs =
        "\t? = .Parameters(\"@Code\")\r\t? = .Parameters(\"@Name\")\r\t? = .Parameters(\"@Hash\")\r"
        "\t? = .Parameters(\"@Blob\")\r\t? = .Parameters(\"@Phone\")\r\t? = .Parameters(\"@a@b\")\r";
    EXPECT_EQ(BuildVBCall1("Mixed", rows),
              vbCallText("Mixed", "\t.Parameters(\"@Factor\")= ?\r\t.Parameters(\"@From\")= ?\r"
                                  "\t.Parameters(\"@Flag\")= ?\r\t.Execute\r" +
                                      outputs));
    // Types without an ADO constant of their own are adIUnknown.
    EXPECT_EQ(BuildVBCall2("Mixed", rows),
              vbCallText("Mixed", "\t.Parameters.Append .CreateParameter(\"@Factor\", adNumeric, adParamInput, 9, ?)\r"
                                  "\t.Parameters(\"@Factor\").Precision = 10\r"
                                  "\t.Parameters(\"@Factor\").NumericScale = 4\r"
                                  "\t.Parameters.Append .CreateParameter(\"@From\", adDate, adParamInput, 8, ?)\r"

                                  "\t.Parameters.Append .CreateParameter(\"@Flag\", adBoolean, adParamInput, 1, ?)\r"

                                  "\t.Parameters.Append .CreateParameter(\"@Code\", adChar, adParamOutput, 5)\r"
                                  "\t.Parameters.Append .CreateParameter(\"@Name\", adIUnknown, adParamOutput, 10)\r"
                                  "\t.Parameters.Append .CreateParameter(\"@Hash\", adIUnknown, adParamOutput, 16)\r"
                                  "\t.Parameters.Append .CreateParameter(\"@Blob\", adIUnknown, adParamOutput, 200)\r"
                                  "\t.Parameters.Append .CreateParameter(\"@Phone\", adIUnknown, adParamOutput, 24)\r"
                                  "\t.Parameters.Append .CreateParameter(\"@a@b\", adTinyInt, adParamOutput, 1)\r"
                                  "\t.Execute\r" +
                                      outputs));

    // The grid of a parameterless procedure keeps one empty row under its header; with no name, no name is written.
    const ParamRows emptyRow = {ParamRow{"", "", "", "", "", "", ""}};
    EXPECT_EQ(BuildSQLCall("", emptyRow), "Execute  \r\n");
    EXPECT_EQ(BuildVBCall1("", emptyRow), vbCallText("", "\t.Execute\r"));
    EXPECT_EQ(BuildVBCall2("", emptyRow), vbCallText("", "\t.Execute\r"));
}
