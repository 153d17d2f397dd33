#include "engine_recording_sink.h"

namespace sandbox::test {
namespace {

class EngineSelectTest : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        run("CREATE DATABASE Harbor");
        run("USE Harbor\n"
            "CREATE TABLE Customers (CustomerID nchar(5) NOT NULL PRIMARY KEY, CompanyName nvarchar(40) NOT NULL, City nvarchar(15) NULL)\n"
            "CREATE TABLE [Order Details] (OrderID int NOT NULL, ProductID int NOT NULL, UnitPrice money NOT NULL, Quantity smallint NOT NULL, Discount real NOT NULL,"
            " CONSTRAINT PK_Order_Details PRIMARY KEY (OrderID, ProductID))\n"
            "INSERT INTO Customers VALUES (N'ALFKI', N'Alfreds Futterkiste', N'Berlin')\n"
            "INSERT INTO Customers (CustomerID, CompanyName) VALUES ('BONAP', 'Bon app''')\n"
            "INSERT Customers VALUES (N'CHOPS', N'Chop-suey Chinese', N'Bern')\n"
            "INSERT INTO [Order Details] VALUES (10248, 11, 14, 12, 0)\n"
            "INSERT INTO [Order Details] VALUES (10248, 42, 9.8, 10, 0.15)\n");
    }
};

TEST_F(EngineSelectTest, TopBracketsAndThreePartNames)
{
    EXPECT_EQ(column("Select Top 2 * From [Harbor].[dbo].[Customers] Order By CustomerID"),
              (std::vector<std::string>{"ALFKI", "BONAP"}));
    EXPECT_EQ(column("USE master SELECT CompanyName FROM Harbor..Customers WHERE City = N'bern'"),
              (std::vector<std::string>{"Chop-suey Chinese"}));
    EXPECT_EQ(column("USE Harbor SELECT COUNT(*) FROM dbo.[Order Details] od WHERE od.Quantity > 10"),
              (std::vector<std::string>{"1"}));
    EXPECT_EQ(column("SELECT dbo.Customers.CustomerID FROM dbo.Customers WHERE Customers.City IS NULL"),
              (std::vector<std::string>{"BONAP"}));
}

TEST_F(EngineSelectTest, ColumnTypesAndValuesCarrySqlServerTypes)
{
    RecordingSink sink = run("SELECT * FROM [Order Details] WHERE ProductID = 42");
    ASSERT_EQ(sink.results.size(), 1u);
    const auto& columns = sink.results[0].columns;
    ASSERT_EQ(columns.size(), 5u);
    EXPECT_EQ(columns[0].name, "OrderID");
    EXPECT_EQ(columns[0].type.type, SqlType::Int);
    EXPECT_FALSE(columns[0].type.nullable);
    EXPECT_EQ(columns[2].type.type, SqlType::Money);
    EXPECT_EQ(columns[3].type.type, SqlType::SmallInt);
    EXPECT_EQ(columns[4].type.type, SqlType::Real);
    const auto& row = sink.results[0].rows.at(0);
    EXPECT_EQ(text(row[2]), "9.8000");
    EXPECT_EQ(text(row[3]), "10");
    ASSERT_EQ(sink.dones.size(), 1u);
    EXPECT_EQ(sink.dones[0].rowCount, 1);

    sink = run("SELECT CustomerID, City FROM Customers WHERE CustomerID = 'ALFKI'");
    EXPECT_EQ(sink.results[0].columns[0].type.type, SqlType::NChar);
    EXPECT_EQ(sink.results[0].columns[0].type.length, 5);
    EXPECT_EQ(sink.results[0].columns[1].type.type, SqlType::NVarChar);
    EXPECT_EQ(sink.results[0].columns[1].type.length, 15);
    EXPECT_TRUE(sink.results[0].columns[1].type.nullable);
}

TEST_F(EngineSelectTest, ExpressionsConcatenationAndAliases)
{
    RecordingSink sink = run("SELECT Name = CompanyName + N' (' + CustomerID + ')', City AS Town, 1 + 2 Three, 'x' "
                             "FROM Customers WHERE CustomerID LIKE 'AL%'");
    ASSERT_EQ(sink.results.size(), 1u);
    const auto& result = sink.results[0];
    EXPECT_EQ(result.columns[0].name, "Name");
    EXPECT_EQ(result.columns[1].name, "Town");
    EXPECT_EQ(result.columns[2].name, "Three");
    EXPECT_EQ(result.columns[3].name, "");
    EXPECT_EQ(result.columns[2].type.type, SqlType::Int);
    EXPECT_EQ(result.columns[3].type.type, SqlType::VarChar);
    EXPECT_EQ(result.columns[3].type.length, 1);
    EXPECT_EQ(text(result.rows.at(0)[0]), "Alfreds Futterkiste (ALFKI)");
    EXPECT_EQ(text(result.rows.at(0)[2]), "3");
    // + between a number column and a number stays arithmetic.
    EXPECT_EQ(column("SELECT OrderID + ProductID FROM [Order Details] WHERE ProductID = 11"),
              (std::vector<std::string>{"10259"}));
}

TEST_F(EngineSelectTest, JoinsGroupingSubqueriesAndDistinct)
{
    run("CREATE TABLE Orders (OrderID int NOT NULL PRIMARY KEY, CustomerID nchar(5) NULL)\n"
        "INSERT INTO Orders VALUES (10248, 'ALFKI')\nINSERT INTO Orders VALUES (10249, 'ALFKI')\n"
        "INSERT INTO Orders VALUES (10250, 'CHOPS')");
    EXPECT_EQ(column("SELECT c.CustomerID, COUNT(o.OrderID) FROM Customers c LEFT OUTER JOIN Orders o ON o.CustomerID = c.CustomerID "
                     "GROUP BY c.CustomerID ORDER BY c.CustomerID", 1),
              (std::vector<std::string>{"2", "0", "1"}));
    EXPECT_EQ(column("SELECT DISTINCT CustomerID FROM Orders WHERE CustomerID IN (SELECT CustomerID FROM Customers WHERE City LIKE 'B[ae]r%') ORDER BY 1"),
              (std::vector<std::string>{"ALFKI", "CHOPS"}));
    EXPECT_EQ(column("SELECT CustomerID FROM Customers c WHERE NOT EXISTS (SELECT * FROM Orders o WHERE o.CustomerID = c.CustomerID)"),
              (std::vector<std::string>{"BONAP"}));
    EXPECT_EQ(column("SELECT MAX(OrderID), MIN(OrderID) FROM Orders, Customers WHERE Orders.CustomerID = Customers.CustomerID AND Customers.City = 'Bern'"),
              (std::vector<std::string>{"10250"}));
}

TEST_F(EngineSelectTest, SelectWithoutFromAndServerFunctions)
{
    RecordingSink sink = run("SELECT @@SERVERNAME, @@SPID, @@VERSION, DB_NAME(), USER_NAME(), GETDATE()");
    const auto& row = sink.results.at(0).rows.at(0);
    EXPECT_EQ(text(row[0]), "SANDBOX");
    EXPECT_EQ(text(row[1]), "51");
    EXPECT_NE(text(row[2]).find("SQL Server  2000 - 8.00"), std::string::npos);
    EXPECT_NE(text(row[2]).find("Norvane sandbox"), std::string::npos);
    EXPECT_EQ(text(row[3]), "Harbor");
    EXPECT_EQ(text(row[4]), "dbo");
    EXPECT_EQ(text(row[5]).size(), 23u);
    EXPECT_EQ(sink.results[0].columns[1].type.type, SqlType::SmallInt);
    EXPECT_EQ(sink.results[0].columns[5].type.type, SqlType::DateTime);

    EXPECT_EQ(column("SELECT LEN('abc  '), UPPER('x') + LOWER('Y'), LTRIM('  a'), SUBSTRING('abcdef', 2, 3), CHARINDEX('C', 'abcabc'), "
                     "ISNULL(NULL, 'dflt'), CONVERT(varchar(10), 42) + 'x', CAST('12' AS int) + 1"),
              (std::vector<std::string>{"3"}));
    sink = run("SELECT UPPER('x') + LOWER('Y'), LTRIM('  a'), SUBSTRING('abcdef', 2, 3), CHARINDEX('C', 'abcabc'), "
               "ISNULL(NULL, 'dflt'), CONVERT(varchar(10), 42) + 'x', CAST('12' AS int) + 1, CONVERT(decimal(10,2), 3.14159)");
    const auto& values = sink.results.at(0).rows.at(0);
    std::vector<std::string> got;
    for (const Value& v : values)
        got.push_back(text(v));
    EXPECT_EQ(got, (std::vector<std::string>{"Xy", "a", "bcd", "3", "dflt", "42x", "13", "3.14"}));
    EXPECT_EQ(sink.results[0].columns[7].type.type, SqlType::Decimal);
    EXPECT_EQ(sink.results[0].columns[7].type.scale, 2);
}

}  // namespace
}  // namespace sandbox::test
