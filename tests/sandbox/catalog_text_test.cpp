// Texts the catalog makes up: stored expressions, generated constraint names, type descriptions.
#include "catalog/catalog_store.h"
#include "catalog/parser.h"
#include "catalog/tables.h"
#include "catalog_fixture.h"

namespace sandbox::catalog::testing {
namespace {

std::string rendered(const std::string& expression)
{
    const std::vector<Token> tokens = tokenize(expression);
    return renderExpression(tokens, 0, tokens.size() - 1);
}

TEST(CatalogText, ExpressionsAreStoredAsSqlServer2000KeepsThem)
{
    EXPECT_EQ(rendered("0"), "(0)");
    EXPECT_EQ(rendered("(0)"), "(0)");
    EXPECT_EQ(rendered("-1"), "(-1)");
    EXPECT_EQ(rendered("GETDATE()"), "(getdate())");
    EXPECT_EQ(rendered("'N/A'"), "('N/A')");
    EXPECT_EQ(rendered("N'O''Brien'"), "(N'O''Brien')");
    EXPECT_EQ(rendered("(Qty > 0)"), "([Qty] > 0)");
    EXPECT_EQ(rendered("(Discount >= 0 AND Discount <= 1)"), "([Discount] >= 0 and [Discount] <= 1)");
    EXPECT_EQ(rendered("(au_id LIKE '[0-9][0-9][0-9]-[0-9][0-9]')"), "([au_id] like '[0-9][0-9][0-9]-[0-9][0-9]')");
    EXPECT_EQ(rendered("Qty*[Unit Price]"), "([Qty] * [Unit Price])");
    EXPECT_EQ(rendered("(Country IN ('UK', 'USA'))"), "([Country] in ('UK','USA'))");
    EXPECT_EQ(rendered("CONVERT(varchar(10), GETDATE(), 101)"), "(convert(varchar(10),getdate(),101))");
    EXPECT_EQ(rendered("(ShipDate IS NULL OR ShipDate >= OrderDate)"),
              "([ShipDate] is null or [ShipDate] >= [OrderDate])");
    EXPECT_EQ(rendered("(a - -1)"), "([a] - -1)");
}

TEST(CatalogText, GeneratedConstraintNamesFollowSqlServerRules)
{
    EXPECT_EQ(generatedConstraintName("PK", "Orders", "", 85575343), "PK__Orders__0519C6AF");
    // pubs: the table part keeps 9 characters and the whole name stays within 30.
    EXPECT_EQ(generatedConstraintName("FK", "titleauthor", "au_id", 85575343), "FK__titleauth__au_id__0519C6AF");
    EXPECT_EQ(generatedConstraintName("DF", "employee", "hire_date", 533576939), "DF__employee__hire_d__1FCDBCEB");
    EXPECT_EQ(generatedConstraintName("DF", "titles", "pubdate", 2121058592), "DF__titles__pubdate__7E6CC920");
    EXPECT_EQ(generatedConstraintName("UQ", "VeryLongTableNameForTests", "", 1977058079), "UQ__VeryLongTableNam__75D7831F");
}

TEST(CatalogText, TypeTextsAndStorageLengths)
{
    EXPECT_EQ(declaredTypeText(231, 256, 256, 0, 0), "nvarchar(128)");
    EXPECT_EQ(declaredTypeText(239, 239, 20, 0, 0), "nchar(10)");
    EXPECT_EQ(declaredTypeText(108, 108, 9, 18, 4), "numeric(18,4)");
    EXPECT_EQ(declaredTypeText(173, 173, 8, 0, 0), "binary(8)");
    EXPECT_EQ(declaredTypeText(58, 58, 4, 16, 0), "smalldatetime");
}

using TypeTest = CatalogTest;

TEST_F(TypeTest, TypesResolveToTheirSyscolumnsDescription)
{
    struct Case {
        const char* text;
        std::string name, declared;
        int xtype, xusertype, length, xprec, xscale, prec;
    };
    for (const Case& c : std::vector<Case>{
             {"int", "int", "int", 56, 56, 4, 10, 0, 10},
             {"[varchar] (40)", "varchar", "varchar(40)", 167, 167, 40, 0, 0, 40},
             {"nvarchar(50)", "nvarchar", "nvarchar(50)", 231, 231, 100, 0, 0, 50},
             {"char", "char", "char(1)", 175, 175, 1, 0, 0, 1},
             {"decimal", "decimal", "decimal(18,0)", 106, 106, 9, 18, 0, 18},
             {"dec(38, 10)", "decimal", "decimal(38,10)", 106, 106, 17, 38, 10, 38},
             {"numeric(5,2)", "numeric", "numeric(5,2)", 108, 108, 5, 5, 2, 5},
             {"float(10)", "real", "real", 59, 59, 4, 24, 0, 24},
             {"double precision", "float", "float", 62, 62, 8, 53, 0, 53},
             {"national character varying(12)", "nvarchar", "nvarchar(12)", 231, 231, 24, 0, 0, 12},
             {"sysname", "sysname", "nvarchar(128)", 231, 256, 256, 0, 0, 128},
             {"text", "text", "text", 35, 35, 16, 0, 0, 2147483647},
             {"rowversion", "timestamp", "timestamp", 189, 189, 8, 0, 0, 0},
         }) {
        const ColumnTypeInfo type = typeFromText(db_, c.text);
        EXPECT_EQ(type.typeName, c.name) << c.text;
        EXPECT_EQ(type.declaredType, c.declared) << c.text;
        EXPECT_EQ((std::vector<int>{type.xtype, type.xusertype, type.length, type.xprec, type.xscale, type.prec}),
                  (std::vector<int>{c.xtype, c.xusertype, c.length, c.xprec, c.xscale, c.prec}))
            << c.text;
    }
    EXPECT_EQ(failure("CREATE TABLE T (A varchar(8001))"),
              "131 15: The size (8001) given to the type 'varchar' exceeds the maximum allowed for any data type (8000).");
    EXPECT_EQ(failure("CREATE TABLE T (A nchar(4001))"),
              "2717 16: The size (4001) given to the parameter 'nchar' exceeds the maximum allowed (4000).");
}

TEST_F(TypeTest, ComputedColumnsTakeTheTypeOfTheirExpression)
{
    ASSERT_TRUE(run("CREATE TABLE People (First nvarchar(20) NOT NULL, Last varchar(30) NOT NULL, Born smalldatetime, "
                    "Age tinyint, Score real, FullName AS First + N' ' + Last, Older AS Age + 1, Scaled AS Score * Age, "
                    "Later AS Born + 1)"));
    EXPECT_EQ(rows("SELECT c.name, t.name, c.length, c.iscomputed, m.text FROM syscolumns c JOIN systypes t ON t.xusertype = "
                   "c.xusertype JOIN syscomments m ON m.id = c.id AND m.number = c.colid WHERE c.id = " + idOf("People") +
                   " ORDER BY c.colid"),
              (Rows{{"FullName", "nvarchar", "102", "1", "([First] + N' ' + [Last])"},
                    {"Older", "tinyint", "1", "1", "([Age] + 1)"},
                    {"Scaled", "real", "4", "1", "([Score] * [Age])"},
                    {"Later", "smalldatetime", "4", "1", "([Born] + 1)"}}));
}

TEST_F(TypeTest, DependenciesTellReadFromWritten)
{
    ASSERT_TRUE(run("CREATE TABLE [Order Details] (OrderID int NOT NULL, Quantity smallint NOT NULL)"));
    ASSERT_TRUE(run("CREATE TABLE Archive (OrderID int NOT NULL)"));
    ASSERT_TRUE(run("CREATE PROCEDURE MoveDetails AS\r\nINSERT INTO dbo.Archive (OrderID) SELECT OrderID FROM [Order Details]\r\n"
                    "DELETE FROM [Order Details]"));
    EXPECT_EQ(rows("SELECT o.name, d.depnumber, d.readobj, d.resultobj FROM sysdepends d JOIN sysobjects o ON o.id = d.depid "
                   "WHERE d.id = " + idOf("MoveDetails") + " ORDER BY o.name, d.depnumber"),
              (Rows{{"Archive", "1", "0", "1"}, {"Order Details", "1", "0", "1"}}));
}

}  // namespace
}  // namespace sandbox::catalog::testing
