// The calling code for a stored procedure, as whole texts: the T-SQL script and
// the two kinds of Visual Basic, for the order example and the awkward cases.
#include "object_window_fixture.h"
#include "objects/sql_call.h"
#include "objects/vb_call.h"

#include <gtest/gtest.h>

using namespace norvane;
using norvane::testing::vbCallText;

namespace {

// The order procedure: an int input, a numeric(10,2) output and a varchar(40) output.
const ParamRows kOrderRows = {
    ParamRow{"1", "@Id", "int", "4", "10", "0", "Input"},
    ParamRow{"2", "@Total", "numeric", "9", "10", "2", "Output"},
    ParamRow{"3", "@Note", "varchar", "40", "0", "0", "Output"},
};

}  // namespace

TEST(CallingCode, OrderProcedureInAllThreeKinds)
{
    EXPECT_EQ(BuildSQLCall("up_Order", kOrderRows),
              "DECLARE @pTotal AS NUMERIC(10,2)\r\n"
              "DECLARE @pNote AS VARCHAR(40)\r\n"
              "Execute up_Order  @Id= ?, @Total= @pTotal OUTPUT, @Note= @pNote OUTPUT\r\n"
              "PRINT @pTotal\r\n"
              "PRINT @pNote\r\n");

    EXPECT_EQ(BuildVBCall2("up_Order", kOrderRows),
              vbCallText("up_Order", "\t.Parameters.Append .CreateParameter(\"@Id\", adInteger, adParamInput, 4, ?)\r"
                                     "\t.Parameters.Append .CreateParameter(\"@Total\", adNumeric, adParamOutput, 9)\r"
                                     "\t.Parameters(\"@Total\").Precision = 10\r"
                                     "\t.Parameters(\"@Total\").NumericScale = 2\r"
                                     "\t.Parameters.Append .CreateParameter(\"@Note\", adVarChar, adParamOutput, 40)\r"
                                     "\t.Execute\r"
                                     "\t? = .Parameters(\"@Total\")\r"
                                     "\t? = .Parameters(\"@Note\")\r"));

    EXPECT_EQ(BuildVBCall1("up_Order", kOrderRows),
              vbCallText("up_Order", "\t.Parameters(\"@Id\")= ?\r\t.Execute\r\t? = .Parameters(\"@Total\")\r"
                                     "\t? = .Parameters(\"@Note\")\r"));
}

TEST(CallingCode, ProcedureWithoutParametersSkipsTheEmptyGridRow)
{
    // The grid of a parameterless procedure keeps one empty row under its header.
    const ParamRows emptyRow = {ParamRow{"", "", "", "", "", "", ""}};
    EXPECT_EQ(BuildSQLCall("ListCategories", emptyRow), "Execute ListCategories \r\n");
    const QString vb = vbCallText("ListCategories", "\t.Execute\r");
    EXPECT_EQ(BuildVBCall1("ListCategories", emptyRow), vb);
    EXPECT_EQ(BuildVBCall2("ListCategories", emptyRow), vb);

    // Nothing shown and an empty find box: the code names no procedure.
    EXPECT_EQ(BuildSQLCall("", {}), "Execute  \r\n");
    EXPECT_EQ(BuildVBCall2("", {}), vbCallText("", "\t.Execute\r"));
}

TEST(CallingCode, OnlyOutputsOrOnlyInputs)
{
    const ParamRows outputs = {ParamRow{"1", "@Count", "int", "4", "10", "0", "Output"},
                               ParamRow{"2", "@Code", " char ", " 5 ", "0", "0", " output "}};
    EXPECT_EQ(BuildSQLCall("CountAll", outputs), "DECLARE @pCount AS INT\r\n"
                                                 "DECLARE @pCode AS CHAR(5)\r\n"
                                                 "Execute CountAll  @Count= @pCount OUTPUT, @Code= @pCode OUTPUT\r\n"
                                                 "PRINT @pCount\r\n"
                                                 "PRINT @pCode\r\n");
    EXPECT_EQ(BuildVBCall1("CountAll", outputs),
              vbCallText("CountAll", "\t.Execute\r\t? = .Parameters(\"@Count\")\r\t? = .Parameters(\"@Code\")\r"));

    const ParamRows inputs = {ParamRow{"1", "@From", "datetime", "8", "23", "3", "Input"},
                              ParamRow{"2", "@Rate", "smallmoney", "4", "10", "4", " input "},
                              ParamRow{"3", "@Flag", "bit", "1", "1", "0", "INPUT"}};
    EXPECT_EQ(BuildSQLCall("Rates", inputs), "Execute Rates  @From= ?, @Rate= ?, @Flag= ?\r\n");
    EXPECT_EQ(BuildVBCall2("Rates", inputs),
              vbCallText("Rates", "\t.Parameters.Append .CreateParameter(\"@From\", adDate, adParamInput, 8, ?)\r"
                                  "\t.Parameters.Append .CreateParameter(\"@Rate\", adCurrency, adParamInput, 4, ?)\r"
                                  "\t.Parameters.Append .CreateParameter(\"@Flag\", adBoolean, adParamInput, 1, ?)\r"
                                  "\t.Execute\r"));
}

TEST(CallingCode, OutputVariablesHoldTheWholeValue)
{
    // Decimal, national text and binary outputs are declared with their size;
    // nvarchar(40) and nchar(5) store 80 and 10 bytes.
    const ParamRows rows = {ParamRow{"1", "@Average", "decimal", "5", "5", "4", "Output"},
                            ParamRow{"2", "@FullName", "nvarchar", "80", "0", "0", "Output"},
                            ParamRow{"3", "@Code", "nchar", "10", "0", "0", "Output"},
                            ParamRow{"4", "@Hash", "binary", "16", "0", "0", "Output"},
                            ParamRow{"5", "@Blob", "varbinary", "200", "0", "0", "Output"},
                            ParamRow{"6", "@Phone", "PhoneNumber", "24", "0", "0", "Output"}};
    EXPECT_EQ(BuildSQLCall("Sizes", rows),
              "DECLARE @pAverage AS DECIMAL(5,4)\r\n"
              "DECLARE @pFullName AS NVARCHAR(40)\r\n"
              "DECLARE @pCode AS NCHAR(5)\r\n"
              "DECLARE @pHash AS BINARY(16)\r\n"
              "DECLARE @pBlob AS VARBINARY(200)\r\n"
              "DECLARE @pPhone AS PHONENUMBER\r\n"
              "Execute Sizes  @Average= @pAverage OUTPUT, @FullName= @pFullName OUTPUT, @Code= @pCode OUTPUT, "
              "@Hash= @pHash OUTPUT, @Blob= @pBlob OUTPUT, @Phone= @pPhone OUTPUT\r\n"
              "PRINT @pAverage\r\n"
              "PRINT @pFullName\r\n"
              "PRINT @pCode\r\n"
              "PRINT @pHash\r\n"
              "PRINT @pBlob\r\n"
              "PRINT @pPhone\r\n");

    // Visual Basic: decimal gets no Precision lines, and types without an ADO constant of their own are adIUnknown.
    EXPECT_EQ(BuildVBCall2("Sizes", {rows[0], rows[1]}),
              vbCallText("Sizes",
                         "\t.Parameters.Append .CreateParameter(\"@Average\", adDecimal, adParamOutput, 5)\r"
                         "\t.Parameters.Append .CreateParameter(\"@FullName\", adIUnknown, adParamOutput, 80)\r"
                         "\t.Execute\r\t? = .Parameters(\"@Average\")\r\t? = .Parameters(\"@FullName\")\r"));
}

TEST(CallingCode, NumericInputGetsPrecisionAndScaleLines)
{
    // A return row (from a functions grid) counts as an output; every "@" in a name becomes "@p".
    const ParamRows rows = {ParamRow{"1", "@Factor", " Numeric ", " 9 ", " 10 ", " 4 ", "Input"},
                            ParamRow{"2", "@a@b", "tinyint", "1", "3", "0", "Return"}};
    EXPECT_EQ(BuildVBCall2("Scale", rows),
              vbCallText("Scale", "\t.Parameters.Append .CreateParameter(\"@Factor\", adNumeric, adParamInput, 9, ?)\r"
                                  "\t.Parameters(\"@Factor\").Precision = 10\r"
                                  "\t.Parameters(\"@Factor\").NumericScale = 4\r"
                                  "\t.Parameters.Append .CreateParameter(\"@a@b\", adTinyInt, adParamOutput, 1)\r"
                                  "\t.Execute\r\t? = .Parameters(\"@a@b\")\r"));
    EXPECT_EQ(BuildSQLCall("Scale", rows), "DECLARE @pa@pb AS TINYINT\r\n"
                                           "Execute Scale  @Factor= ?, @a@b= @pa@pb OUTPUT\r\n"
                                           "PRINT @pa@pb\r\n");
}

TEST(CallingCode, AdoTypeOfATypeName)
{
    QString type = "  smallmoney ";
    EXPECT_EQ(GetADOType(type), "adCurrency");
    EXPECT_EQ(type, "SMALLMONEY"); // the argument is left trimmed and upper-cased
    type = "Int";
    EXPECT_EQ(GetADOType(type), "adInteger");
    type = "bigint";
    EXPECT_EQ(GetADOType(type), "adBigInt");
    // Types without an entry of their own, a user-defined type among them.
    for (QString other : {"nvarchar", "smalldatetime", "uniqueidentifier", "PhoneNumber", "", "integer"})
        EXPECT_EQ(GetADOType(other), "adIUnknown") << other.toStdString();
}
