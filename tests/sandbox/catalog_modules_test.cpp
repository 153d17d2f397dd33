// Views, procedures, functions and triggers: parameters, text, dependencies.
#include "catalog_fixture.h"

namespace sandbox::catalog::testing {
namespace {

class ModuleTest : public CatalogTest {
protected:
    void SetUp() override
    {
        CatalogTest::SetUp();
        ASSERT_TRUE(run("CREATE TABLE Products (ProductID int NOT NULL PRIMARY KEY, ProductName nvarchar(40) NOT NULL, "
                        "UnitPrice money NULL, Discontinued bit NOT NULL)"));
    }
};

TEST_F(ModuleTest, ProcedureParametersTextAndDependencies)
{
    const std::string procedure =
        "-- lists products\r\nCREATE PROCEDURE dbo.GetProducts\r\n  @MinPrice money = 0,\r\n  @Name nvarchar(40) = N'%',\r\n"
        "  @Count int OUTPUT\r\nAS\r\nSELECT ProductName, UnitPrice FROM dbo.Products WHERE UnitPrice >= @MinPrice\r\n"
        "SET @Count = @@ROWCOUNT\r\n";
    const std::size_t create = procedure.find("CREATE");
    const std::vector<Token> tokens = tokenize(procedure);
    DdlContext context{db_, "Shop", "dbo", &sink};
    std::size_t begin = 0;
    while (!tokens[begin].isWord("CREATE"))
        ++begin;
    ASSERT_TRUE(executeDdl(context, tokens, begin, tokens.size() - 1, procedure));
    const std::string id = idOf("GetProducts");
    EXPECT_EQ(rows("SELECT name, xtype, type, uid, parent_obj, category FROM sysobjects WHERE id = " + id),
              (Rows{{"GetProducts", "P ", "P ", "1", "0", "0"}}));
    // The stored procedures window's parameter query.
    EXPECT_EQ(rows("Select SysColumns.Name ColName,SysTypes.Name DataType,SysColumns.Length Length, SysColumns.XPrec Prec, "
                   "SysColumns.XScale Scale,SysColumns.IsOutParam OutParam  From SysColumns, SysTypes Where   Id=" + id +
                   " And SysColumns.XUserType = SysTypes.XUserType"),
              (Rows{{"@MinPrice", "money", "8", "19", "4", "0"},
                    {"@Name", "nvarchar", "80", "0", "0", "0"},
                    {"@Count", "int", "4", "10", "0", "1"}}));
    EXPECT_EQ(rows("SELECT colid, number, status FROM syscolumns WHERE id = " + id + " ORDER BY colid"),
              (Rows{{"1", "1", "8"}, {"2", "1", "8"}, {"3", "1", "72"}}));
    EXPECT_EQ(rows("SELECT number, colid, text FROM syscomments WHERE id = " + id),
              (Rows{{"1", "1", procedure.substr(create)}}));
    EXPECT_EQ(rows("SELECT d.depnumber, c.name, d.readobj, d.resultobj FROM sysdepends d JOIN syscolumns c ON c.id = d.depid "
                   "AND c.colid = d.depnumber AND c.number = 0 WHERE d.id = " + id + " ORDER BY d.depnumber"),
              (Rows{{"2", "ProductName", "1", "0"}, {"3", "UnitPrice", "1", "0"}}));
    EXPECT_EQ(rows("SELECT ROUTINE_CATALOG, ROUTINE_SCHEMA, ROUTINE_NAME, ROUTINE_TYPE, DATA_TYPE, ROUTINE_BODY, "
                   "SQL_DATA_ACCESS FROM \"INFORMATION_SCHEMA.ROUTINES\""),
              (Rows{{"Shop", "dbo", "GetProducts", "PROCEDURE", "NULL", "SQL", "MODIFIES"}}));
    EXPECT_EQ(failure("CREATE PROC GetProducts AS SELECT 1"),
              "2714 16: There is already an object named 'GetProducts' in the database.");
    // A procedure must open its batch.
    const std::string late = "SELECT 1\r\nCREATE PROC Other AS SELECT 1";
    const std::vector<Token> lateTokens = tokenize(late);
    try {
        executeDdl(context, lateTokens, 2, lateTokens.size() - 1, late);
        ADD_FAILURE() << "no error";
    } catch (const SqlError& error) {
        EXPECT_EQ(error.number, 111);
        EXPECT_STREQ(error.what(), "'CREATE PROCEDURE' must be the first statement in a query batch.");
    }
    EXPECT_EQ(idOf("Other"), "no row");
}

TEST_F(ModuleTest, FunctionsKeepTheirResultAsTheCatalogHoldsIt)
{
    ASSERT_TRUE(run("CREATE FUNCTION dbo.PriceWithTax (@Price money, @Rate decimal(5, 2) = 0.2)\r\nRETURNS money\r\nAS\r\n"
                    "BEGIN\r\n  RETURN @Price * (1 + @Rate)\r\nEND"));
    ASSERT_TRUE(run("CREATE FUNCTION Cheap (@Max money)\r\nRETURNS @Result TABLE (ProductID int NOT NULL, Name nvarchar(40))\r\n"
                    "AS\r\nBEGIN\r\n  INSERT INTO @Result SELECT ProductID, ProductName FROM Products WHERE UnitPrice < @Max\r\n"
                    "  RETURN\r\nEND"));
    ASSERT_TRUE(run("CREATE FUNCTION Listed () RETURNS TABLE AS RETURN (SELECT ProductID, ProductName FROM Products)"));
    const std::string scalar = idOf("PriceWithTax");
    EXPECT_EQ(rows("Select SysColumns.Name ColName,SysTypes.Name DataType,SysColumns.Length Length, SysColumns.XPrec Prec, "
                   "SysColumns.XScale Scale,SysColumns.IsOutParam OutParam  From SysColumns, SysTypes Where   Id=" + scalar +
                   " And SysColumns.XUserType = SysTypes.XUserType"),
              (Rows{{"", "money", "8", "19", "4", "1"}, {"@Price", "money", "8", "19", "4", "0"},
                    {"@Rate", "decimal", "5", "5", "2", "0"}}));
    EXPECT_EQ(rows("SELECT name, colid, number FROM syscolumns WHERE id = " + idOf("Cheap") + " ORDER BY number, colid"),
              (Rows{{"ProductID", "1", "0"}, {"Name", "2", "0"}, {"@Max", "1", "1"}}));
    EXPECT_EQ(rows("SELECT name, xtype, length, isnullable FROM syscolumns WHERE id = " + idOf("Listed") + " ORDER BY colid"),
              (Rows{{"ProductID", "56", "4", "0"}, {"ProductName", "231", "80", "0"}}));
    EXPECT_EQ(rows("Select Distinct Name From SysObjects Where Xtype='FN' Or Xtype='TF' Order By Name"),
              (Rows{{"Cheap"}, {"PriceWithTax"}}));
    EXPECT_EQ(rows("SELECT ROUTINE_NAME, DATA_TYPE, SQL_DATA_ACCESS FROM \"INFORMATION_SCHEMA.ROUTINES\" ORDER BY ROUTINE_NAME"),
              (Rows{{"Cheap", "TABLE", "READS"}, {"Listed", "TABLE", "READS"}, {"PriceWithTax", "money", "READS"}}));
    EXPECT_EQ(rows("SELECT DISTINCT o.name, o.type FROM sysdepends d JOIN sysobjects o ON o.id = d.id WHERE d.depid = " +
                   idOf("Products") + " ORDER BY o.name"),
              (Rows{{"Cheap", "TF"}, {"Listed", "IF"}}));
}

TEST_F(ModuleTest, ViewsAreQueryableAndCatalogued)
{
    ASSERT_TRUE(run("CREATE VIEW dbo.CurrentProducts\r\nAS\r\nSELECT ProductID, ProductName AS Name FROM Products "
                    "WHERE Discontinued = 0"));
    exec("INSERT INTO Products VALUES (1, 'Chai', 18, 0); INSERT INTO Products VALUES (2, 'Chang', 19, 1)");
    EXPECT_EQ(rows("SELECT * FROM CurrentProducts"), (Rows{{"1", "Chai"}}));
    const std::string id = idOf("CurrentProducts");
    EXPECT_EQ(rows("SELECT name, colid, xtype, xusertype, length, isnullable FROM syscolumns WHERE id = " + id + " ORDER BY colid"),
              (Rows{{"ProductID", "1", "56", "56", "4", "0"}, {"Name", "2", "231", "231", "80", "0"}}));
    EXPECT_EQ(rows("SELECT depnumber FROM sysdepends WHERE id = " + id + " ORDER BY depnumber"), (Rows{{"1"}, {"2"}, {"4"}}));
    EXPECT_EQ(rows("Select Distinct Name From SysObjects Where Xtype='V' And Category = 0 Order By Name"), (Rows{{"CurrentProducts"}}));
    EXPECT_EQ(rows("SELECT TABLE_NAME, VIEW_DEFINITION FROM \"INFORMATION_SCHEMA.VIEWS\""),
              (Rows{{"CurrentProducts", "CREATE VIEW dbo.CurrentProducts\r\nAS\r\nSELECT ProductID, ProductName AS Name FROM "
                                        "Products WHERE Discontinued = 0"}}));
    ASSERT_TRUE(run("ALTER VIEW CurrentProducts AS SELECT ProductID FROM Products"));
    EXPECT_EQ(idOf("CurrentProducts"), id);
    EXPECT_EQ(value("SELECT count(*) FROM syscolumns WHERE id = " + id), "1");
    ASSERT_TRUE(run("DROP VIEW CurrentProducts"));
    EXPECT_EQ(value("SELECT count(*) FROM sqlite_master WHERE name = 'CurrentProducts'"), "0");
    EXPECT_EQ(value("SELECT count(*) FROM sysdepends"), "0");
}

TEST_F(ModuleTest, TriggersHangOffTheirTable)
{
    ASSERT_TRUE(run("CREATE TRIGGER trProductsAudit ON Products FOR INSERT, UPDATE AS\r\nSET NOCOUNT ON"));
    const std::string table = idOf("Products");
    const std::string trigger = idOf("trProductsAudit");
    EXPECT_EQ(rows("SELECT xtype, parent_obj, deltrig FROM sysobjects WHERE id = " + trigger), (Rows{{"TR", table, table}}));
    EXPECT_EQ(rows("SELECT instrig, updtrig, deltrig FROM sysobjects WHERE id = " + table), (Rows{{trigger, trigger, "0"}}));
    EXPECT_EQ(rows("Select Name From SysObjects where xtype='TR' and parent_obj = " + table), (Rows{{"trProductsAudit"}}));
    EXPECT_EQ(failure("CREATE TRIGGER trOther ON Nowhere FOR DELETE AS SELECT 1"), "208 16: Invalid object name 'Nowhere'.");
    ASSERT_TRUE(run("DROP TRIGGER trProductsAudit"));
    EXPECT_EQ(rows("SELECT instrig, updtrig FROM sysobjects WHERE id = " + table), (Rows{{"0", "0"}}));
}

TEST_F(ModuleTest, RulesTypesAndAlteredProcedures)
{
    ASSERT_TRUE(run("EXEC sp_addtype @typename = 'Percent', @phystype = 'decimal(5,2)', @nulltype = 'NULL'"));
    ASSERT_TRUE(run("CREATE RULE rlPercent AS @value BETWEEN 0 AND 100"));
    ASSERT_TRUE(run("CREATE DEFAULT dfHalf AS 50"));
    ASSERT_TRUE(run("EXEC sp_bindrule 'rlPercent', 'Percent'"));
    ASSERT_TRUE(run("CREATE TABLE Rates (Code char(2) NOT NULL, Rate Percent)"));
    ASSERT_TRUE(run("EXEC sp_bindefault 'dfHalf', 'Percent'"));
    const std::string rule = idOf("rlPercent");
    const std::string half = idOf("dfHalf");
    EXPECT_EQ(rows("SELECT name, xtype, length, xprec, xscale, allownulls, tdefault = " + half + ", domain = " + rule +
                   " FROM systypes WHERE name = 'Percent'"),
              (Rows{{"Percent", "106", "5", "5", "2", "1", "1", "1"}}));
    EXPECT_EQ(rows("SELECT isnullable, cdefault = " + half + ", domain = " + rule + " FROM syscolumns WHERE name = 'Rate'"),
              (Rows{{"1", "1", "1"}}));
    exec("INSERT INTO Rates (Code) VALUES ('A')");
    EXPECT_EQ(value("SELECT Rate FROM Rates"), "50");
    EXPECT_EQ(rows("SELECT xtype, type, sysstat FROM sysobjects WHERE id = " + rule), (Rows{{"R ", "R ", "7"}}));
    std::vector<std::string> texts;
    for (const auto& message : sink.messages)
        texts.push_back(std::to_string(message.number) + " " + message.procName + ": " + message.text);
    EXPECT_EQ(texts, (std::vector<std::string>{"0 sp_addtype: Type added.", "15515 sp_bindrule: Rule bound to data type.",
                                               "15512 sp_bindefault: Default bound to data type.",
                                               "15513 sp_bindefault: The new default has been bound to columns(s) of the "
                                               "specified user data type."}));
    EXPECT_EQ(failure("EXEC sp_droptype 'Percent'"), "15180 16: Cannot drop. The data type is being used.");
    EXPECT_EQ(failure("EXEC sp_addtype 'Percent', 'int'"), "15029 16: The type 'Percent' already exists in the database.");
    EXPECT_EQ(failure("EXEC sp_bindefault 'nothing', 'Rates.Code'"), "15016 16: The default 'nothing' does not exist.");
    EXPECT_EQ(failure("EXEC sp_addtype 'Other'"),
              "201 16: Procedure 'sp_addtype' expects parameter '@phystype', which was not supplied.");

    ASSERT_TRUE(run("CREATE PROC ListRates @Code char(2) AS SELECT Rate FROM Rates WHERE Code = @Code"));
    const std::string id = idOf("ListRates");
    const std::string altered = "ALTER PROC ListRates @Code char(2), @Min Percent = 0 AS SELECT Rate FROM Rates";
    ASSERT_TRUE(run(altered));
    EXPECT_EQ(idOf("ListRates"), id);
    EXPECT_EQ(rows("SELECT name, xusertype FROM syscolumns WHERE id = " + id + " ORDER BY colid"),
              (Rows{{"@Code", "175"}, {"@Min", "257"}}));
    EXPECT_EQ(rows("SELECT text FROM syscomments WHERE id = " + id), (Rows{{altered}}));
    EXPECT_EQ(failure("ALTER PROC Nothing AS SELECT 1"), "208 16: Invalid object name 'Nothing'.");
    ASSERT_TRUE(run("DROP PROCEDURE ListRates"));
    ASSERT_TRUE(run("DROP TABLE Rates"));
    ASSERT_TRUE(run("EXEC sp_droptype Percent"));
    EXPECT_EQ(value("SELECT count(*) FROM systypes"), "26");
    EXPECT_EQ(value("SELECT count(*) FROM syscolumns WHERE id = " + id), "0");
    EXPECT_EQ(failure("DROP FUNCTION ListRates"),
              "3701 11: Cannot drop the function 'ListRates', because it does not exist in the system catalog.");
}

TEST_F(ModuleTest, LongDefinitionsAreCutIntoRowsOf4000Characters)
{
    std::string body;
    while (body.size() < 9000)
        body += "SELECT ProductName FROM Products WHERE ProductID = 1 -- \xC3\xA9t\xC3\xA9\r\n";
    const std::string procedure = "CREATE PROCEDURE LongOne AS\r\n" + body;
    ASSERT_TRUE(run(procedure));
    const Rows chunks = rows("SELECT colid, length(text), text FROM syscomments WHERE id = " + idOf("LongOne") + " ORDER BY colid");
    ASSERT_EQ(chunks.size(), 3u);
    EXPECT_EQ(chunks[0][0], "1");
    EXPECT_EQ(chunks[0][1], "4000");
    EXPECT_EQ(chunks[1][1], "4000");
    EXPECT_EQ(chunks[2][0], "3");
    EXPECT_EQ(chunks[0][2] + chunks[1][2] + chunks[2][2], procedure);
    // ctext holds the same characters as UTF-16.
    EXPECT_EQ(value("SELECT length(ctext) FROM syscomments WHERE colid = 1 AND id = " + idOf("LongOne")), "8000");
    // The search window's query finds a word in any row.
    EXPECT_EQ(rows("Select Distinct SysObjects.Name,SysObjects.Type From SysObjects,SysComments  Where SysObjects.Id= "
                   "SysComments.Id And SysObjects.parent_obj = 0 And  SysComments.Text Like '%ProductName%' Order By Name"),
              (Rows{{"LongOne", "P "}}));
}

}  // namespace
}  // namespace sandbox::catalog::testing
