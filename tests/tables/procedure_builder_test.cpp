// The stored procedure generator: the whole text for the worked table T,
// character keys declared with their length, byte lengths of Unicode
// columns, lower-cased procedure names and the single-column failure.
#include "tables/procedure_builder.h"

#include "column_fixtures.h"
#include "support/qt_printers.h"

#include <gtest/gtest.h>

using namespace norvane;
using norvane::testing::grid;

namespace {

// The end shared by the insert, update and delete procedures.
const QString kClosing =
    "SELECT @err = @@ERROR, @rows = @@ROWCOUNT\r\n"
    "\r\n"
    "\tIF @err <> 0 OR @rows = 0\r\n"
    "\tBEGIN\r\n"
    "\t\tRETURN @err\r\n"
    "\tEND\r\n"
    "\r\n"
    "\tRETURN 0\r\n"
    "END\r\n"
    "Go\r\n"
    "\r\n";

}  // namespace

TEST(ProcedureBuilder, TheFourProceduresOfTheWorkedTable)
{
    const auto columns = grid({{"id", "int", 4, 10, 0, true}, {"name", "varchar", 50}, {"price", "decimal", 9, 10, 2}});
    const QString expected = QString(
        "CREATE PROCEDURE [dbo].[sp_sel_t]\r\n"
        "\t@id int = NULL\r\n"
        "AS\r\n"
        "BEGIN\r\n"
        "\tSELECT  id, name, price FROM T WHERE id = @id\r\n"
        "END\r\n"
        "Go\r\n"
        "\r\n"
        "CREATE PROCEDURE [dbo].[sp_ins_t]\r\n"
        "\t@id int = NULL,\r\n"
        "\t@name varchar(50) = NULL,\r\n"
        "\t@price decimal(10,2) = NULL\r\n"
        "AS\r\n"
        "BEGIN\r\n"
        "\tDECLARE @err INT, @rows INT\r\n"
        "\r\n"
        "\tINSERT INTO T ( id, name, price) VALUES ( @id, @name, @price )\r\n"
        "\r\n"
        "\t") + kClosing + QString(
        "CREATE PROCEDURE [dbo].[sp_upd_t]\r\n"
        "\t@id int = NULL,\r\n"
        "\t@name varchar(50) = NULL,\r\n"
        "\t@price decimal(10,2) = NULL\r\n"
        "AS\r\n"
        "BEGIN\r\n"
        "\tDECLARE @err INT, @rows INT\r\n"
        "\r\n"
        "\tUPDATE T SET \r\n"
        "\t\tname = @name,\r\n"
        "\t\tprice = @price\r\n"
        "\t\tWHERE id = @id\r\n"
        "\r\n"
        "\t") + kClosing + QString(
        "CREATE PROCEDURE [dbo].[sp_del_t]\r\n"
        "\t@id int = NULL\r\n"
        "AS\r\n"
        "BEGIN\r\n"
        "\tDECLARE @err INT, @rows INT\r\n"
        "\r\n"
        "\tDELETE FROM T WHERE id = @id\r\n"
        "\r\n"
        "\t") + kClosing;
    EXPECT_EQ(BuildProcedures("T", "dbo", columns), expected);
}

TEST(ProcedureBuilder, CharacterKeysAreDeclaredWithTheirLengthInEveryProcedure)
{
    // A varchar key declared as bare varchar would be one character long: sp_del_ called with
    // 'ABC' would then delete the row whose key is 'A'.
    const auto columns = grid({{"Code", "varchar", 12, 0, 0, true}, {"Title", "nvarchar", 100}, {"Rate", "numeric", 9, 18, 4}});
    const QString text = BuildProcedures("MixedCase", "sales", columns);
    const QString select =
        "CREATE PROCEDURE [sales].[sp_sel_mixedcase]\r\n"
        "\t@Code varchar(12) = NULL\r\n"
        "AS\r\n"
        "BEGIN\r\n"
        "\tSELECT  Code, Title, Rate FROM MixedCase WHERE Code = @Code\r\n"
        "END\r\n"
        "Go\r\n"
        "\r\n";
    const QString insertHead =
        "CREATE PROCEDURE [sales].[sp_ins_mixedcase]\r\n"
        "\t@Code varchar(12) = NULL,\r\n"
        "\t@Title nvarchar(100) = NULL,\r\n"
        "\t@Rate numeric(18,4) = NULL\r\n"
        "AS\r\n"
        "BEGIN\r\n"
        "\tDECLARE @err INT, @rows INT\r\n"
        "\r\n"
        "\tINSERT INTO MixedCase ( Code, Title, Rate) VALUES ( @Code, @Title, @Rate )\r\n";
    const QString deleteProcedure = QString(
        "CREATE PROCEDURE [sales].[sp_del_mixedcase]\r\n"
        "\t@Code varchar(12) = NULL\r\n"
        "AS\r\n"
        "BEGIN\r\n"
        "\tDECLARE @err INT, @rows INT\r\n"
        "\r\n"
        "\tDELETE FROM MixedCase WHERE Code = @Code\r\n"
        "\r\n"
        "\t") + kClosing;
    EXPECT_TRUE(text.startsWith(select + insertHead)) << text.toStdString();
    EXPECT_TRUE(text.endsWith(deleteProcedure)) << text.toStdString();
    EXPECT_TRUE(text.contains("CREATE PROCEDURE [sales].[sp_upd_mixedcase]\r\n"));
}

TEST(ProcedureBuilder, TypeTextsOfEveryKind)
{
    const auto columns = grid({{"a", "char", 10},         {"b", "nchar", 10},           {"c", "nvarchar", 100},
                               {"d", "decimal", 17, 38, 10}, {"e", "numeric", 5, 5, 0}, {"f", "Varchar", 20},
                               {"g", "PhoneNumber", 24},  {"h", "text", 16},            {"i", "uniqueidentifier", 16}});
    QStringList texts;
    for (const ColumnInfo& column : columns)
        texts << procedureTypeText(column);
    // Only the exact lower-case names carry a length; a user-defined type is declared by its name.
    EXPECT_EQ(texts, QStringList({"char(10)", "nchar(10)", "nvarchar(100)", "decimal(38,10)", "numeric(5,0)",
                                  "Varchar", "PhoneNumber", "text", "uniqueidentifier"}));
}

TEST(ProcedureBuilder, TheFirstGridRowIsTheKeyWhateverTheKeyMarkSays)
{
    const auto columns = grid({{"Note", "ntext", 16}, {"Id", "int", 4, 10, 0, true}});
    const QString text = BuildProcedures("Notes", "dbo", columns);
    EXPECT_TRUE(text.contains("\tSELECT  Note, Id FROM Notes WHERE Note = @Note\r\n"));
    EXPECT_TRUE(text.contains("\tUPDATE Notes SET \r\n\t\tId = @Id\r\n\t\tWHERE Note = @Note\r\n"));
    EXPECT_TRUE(text.contains("\tDELETE FROM Notes WHERE Note = @Note\r\n"));
}

TEST(ProcedureBuilder, ATableOfOneColumnCannotHaveAnUpdateProcedure)
{
    try {
        BuildProcedures("Region", "dbo", grid({{"RegionID", "int"}}));
        FAIL() << "a single column must be refused";
    } catch (const GenerationError& error) {
        EXPECT_EQ(error.description(),
                  "The table has a single column: the update procedure has no column to set besides the key.");
    }
    EXPECT_THROW(BuildProcedures("Nothing", "dbo", {}), GenerationError);
}
