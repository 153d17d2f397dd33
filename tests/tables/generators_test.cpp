// The generators behind the table explorer's Generate button, over plain data:
// the four stored procedures and the data as INSERT lines, as whole texts.
#include "tables/data_inserts.h"
#include "tables/procedure_builder.h"
#include "tables/tables_layout.h"

#include "support/qt_printers.h"

#include <gtest/gtest.h>

using namespace norvane;

namespace {

// The expected text, written with ⇥ for a tab and ⎵ for a blank at a line's end, with each line break
// as the generators write it.
QString crlf(const char* text)
{
    return QString::fromUtf8(text)
        .replace("\n", "\r\n")
        .replace(QString::fromUtf8("⇥"), "\t")
        .replace(QString::fromUtf8("⎵"), " ");
}

} // namespace

TEST(ProcedureBuilder, TheFourProceduresForEveryTypeFamilyAndTheSingleColumnRefusal)
{
    // The first grid row is the key whatever the key mark says; a character key is declared with its length
    // (bare varchar would be one character long: sp_del_ called with 'ABC' would delete the row 'A'). Only
    // exact lower-case type names carry a length; a user-defined type is declared by its name.
    const std::vector<ColumnInfo> columns = {
        {1, false, "Code", "varchar", 12},      {2, true, "Id", "int", 4, 10},
        {3, false, "Title", "nvarchar", 100},   {4, false, "Amount", "decimal", 17, 38, 10},
        {5, false, "Phone", "PhoneNumber", 24}, {6, false, "Note", "Varchar", 20},
        {7, false, "Body", "text", 16}};
    const QString parameters = crlf(R"(⇥@Code varchar(12) = NULL,
⇥@Id int = NULL,
⇥@Title nvarchar(100) = NULL,
⇥@Amount decimal(38,10) = NULL,
⇥@Phone PhoneNumber = NULL,
⇥@Note Varchar = NULL,
⇥@Body text = NULL
AS
BEGIN
⇥DECLARE @err INT, @rows INT

)");
    const QString closing = crlf(R"(
⇥SELECT @err = @@ERROR, @rows = @@ROWCOUNT

⇥IF @err <> 0 OR @rows = 0
⇥BEGIN
⇥⇥RETURN @err
⇥END

⇥RETURN 0
END
Go

)");
    const QString select = crlf(R"(CREATE PROCEDURE [sales].[sp_sel_mixedcase]
⇥@Code varchar(12) = NULL
AS
BEGIN
⇥SELECT  Code, Id, Title, Amount, Phone, Note, Body FROM MixedCase WHERE Code = @Code
END
Go

)");
    const QString insert =
        crlf(R"(CREATE PROCEDURE [sales].[sp_ins_mixedcase]
)") + parameters +
        crlf(
            R"(⇥INSERT INTO MixedCase ( Code, Id, Title, Amount, Phone, Note, Body) VALUES ( @Code, @Id, @Title, @Amount, @Phone, @Note, @Body )
)") + closing;
    const QString update = crlf(R"(CREATE PROCEDURE [sales].[sp_upd_mixedcase]
)") + parameters + crlf(R"(⇥UPDATE MixedCase SET⎵
⇥⇥Id = @Id,
⇥⇥Title = @Title,
⇥⇥Amount = @Amount,
⇥⇥Phone = @Phone,
⇥⇥Note = @Note,
⇥⇥Body = @Body
⇥⇥WHERE Code = @Code
)") + closing;
    const QString remove = crlf(R"(CREATE PROCEDURE [sales].[sp_del_mixedcase]
⇥@Code varchar(12) = NULL
AS
BEGIN
⇥DECLARE @err INT, @rows INT

⇥DELETE FROM MixedCase WHERE Code = @Code
)") + closing;
    EXPECT_EQ(BuildProcedures("MixedCase", "sales", columns), select + insert + update + remove);

    try {
        BuildProcedures("Region", "dbo", {{1, true, "RegionID", "int", 4}});
        FAIL() << "a single column must be refused";
    } catch (const GenerationError& error) {
        EXPECT_EQ(error.description(),
                  "The table has a single column: the update procedure has no column to set besides the key.");
    }
    EXPECT_THROW(BuildProcedures("Nothing", "dbo", {}), GenerationError);
}

TEST(DataInserts, QuotingNullsBlanksBitsUserTypesAndServerFilledColumns)
{
    // Born and Phone are user-defined types over quoted types, Tag over int; Stamp a timestamp, Total computed.
    const std::vector<ExportColumn> columns = {{"Code", "char"},
                                               {"ID", "int", true},
                                               {"Notes", "ntext"},
                                               {"Photo", "image"},
                                               {"Amount", "money"},
                                               {"Raw", "varbinary"},
                                               {"Born", "BirthDate", false, "smalldatetime"},
                                               {"Flag", "bit"},
                                               {"Phone", "PhoneNumber", false, "varchar"},
                                               {"Stamp", "timestamp"},
                                               {"Tag", "Code", false, "int"},
                                               {"Total", "int", false, "int", true}};
    const QStringList names = {"Code", "ID",   "Notes", "Photo", "Amount", "Raw",
                               "Born", "Flag", "Phone", "Stamp", "Tag",    "Total"};
    const std::vector<QStringList> rows = {
        // Shown nulls: the bare word in every column, quoted type or not.
        {"NULL", "1", "NULL", "NULL", "NULL", "NULL", "NULL", "NULL", "NULL", "0x01", "NULL", "NULL"},
        // A text reading null in any case and with blanks is NULL, and so is image data; a false bit is 0.
        {"  AB  ", "2", " null ", "binary data", "12.5000", "0x0A0B", "2024-02-29 13:45:00", "False", " O'Hare ",
         "0x02", "7", "14"},
        // Blanks around a value stay in the first column and go in the other quoted ones; quotes are doubled;
        // an empty number has no value, an empty text stays an empty text.
        {" it's ", "3", "  'quoted'  ", "BINARY DATA ", "", "0x", "", "1", "", "0x03", " ", ""},
        // Tabs and line breaks inside a value are kept; numbers are written as shown.
        {"x", "4", "line one\r\nline\ttwo", "NULL", " -1 ", "NULL", "NULL", "", "555-0100", "0x04", "NULL", "NULL"}};
    const QString prefix = "INSERT INTO Samples (Code,ID,Notes,Photo,Amount,Raw,Born,Flag,Phone,Tag) VALUES (";
    EXPECT_EQ(BuildDataInserts("Samples", names, rows, columns, true),
              "SET IDENTITY_INSERT Samples ON\r\n" + prefix + "NULL,1,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL)\r\n" +
                  prefix + "'  AB  ',2,NULL,NULL,12.5000,0x0A0B,'2024-02-29 13:45:00',0,'O''Hare',7)\r\n" + prefix +
                  "' it''s ',3,'''quoted''',NULL,NULL,0x,'',1,'',NULL)\r\n" + prefix +
                  "'x',4,'line one\r\nline\ttwo',NULL, -1 ,NULL,NULL,NULL,'555-0100',NULL)\r\n"
                  "SET IDENTITY_INSERT Samples OFF\r\n");
    // No rows: nothing to insert, nothing to switch.
    EXPECT_EQ(BuildDataInserts("Samples", names, {}, columns, true), "");

    // Server-filled columns go wherever they stand, first and last included; the grid's names match in any case.
    const std::vector<ExportColumn> edges = {
        {"Stamp", "timestamp"}, {"Name", "nvarchar"}, {"Twice", "int", false, "", true}};
    EXPECT_EQ(BuildDataInserts("E", {"stamp", "Name", "TWICE"}, {{"0x01", " a ", "4"}}, edges, false),
              "INSERT INTO E (Name) VALUES ('a')\r\n");
    EXPECT_EQ(headingColumns({"twice", "NAME"}, edges)[1].DataType, "nvarchar");
    try {
        headingColumns({"Name", "Dropped"}, edges);
        FAIL() << "a heading that names no column must be refused";
    } catch (const GenerationError& error) {
        EXPECT_EQ(error.description(), "The table has no column named 'Dropped'.");
    }
}

TEST(TablesLayout, ColumnsShareTheSpaceOrShrinkInProportionAndCaptionsSplitOverTwoLines)
{
    // Room to spare: each gets its need and an equal part of the rest; the last ends at the edge.
    EXPECT_EQ(sideBySide(100, 340, {100, 50, 80}, 10), std::vector<Span>({{100, 130}, {240, 80}, {330, 110}}));
    // Too little: shares in proportion to the needs.
    const std::vector<Span> tight = sideBySide(0, 210, {200, 100, 100}, 5);
    EXPECT_EQ(tight, std::vector<Span>({{0, 100}, {105, 50}, {160, 50}}));
    EXPECT_FALSE(everyNeedMet(tight, {200, 100, 100}));
    EXPECT_TRUE(sideBySide(0, 100, {}, 5).empty());

    // Two lines: the split that makes the longer line shortest.
    EXPECT_EQ(twoLineNeed({60, 50, 5, 20}, 4), 83);
    EXPECT_EQ(twoLineNeed({20, 5, 50, 60}, 4), 83);
    EXPECT_EQ(twoLineNeed({40}, 4), 40);

    // The left side widens for the statement options, up to half the window.
    EXPECT_EQ(leftSideWidth(200, 800, 70, 100, 8), 200);
    EXPECT_EQ(leftSideWidth(200, 800, 80, 130, 8), 234);
    EXPECT_EQ(leftSideWidth(200, 800, 200, 300, 8), 400);
}
