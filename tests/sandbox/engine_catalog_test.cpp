#include "engine_recording_sink.h"

namespace sandbox::test {
namespace {

class EngineCatalogTest : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        run("CREATE DATABASE Harbor");
        run("USE Harbor\n"
            "CREATE TABLE Customers (CustomerID nchar(5) NOT NULL CONSTRAINT PK_Customers PRIMARY KEY, CompanyName nvarchar(40) NOT NULL)\n"
            "CREATE TABLE Orders (OrderID int IDENTITY(1,1) NOT NULL CONSTRAINT PK_Orders PRIMARY KEY, "
            "CustomerID nchar(5) NULL CONSTRAINT FK_Orders_Customers REFERENCES Customers (CustomerID), Freight money NULL)\n"
            "CREATE TABLE [Order Details] (OrderID int NOT NULL, ProductID int NOT NULL, Quantity smallint NOT NULL,"
            " CONSTRAINT PK_Order_Details PRIMARY KEY (OrderID, ProductID))");
        run("CREATE VIEW [Customer List] AS\r\nSELECT CustomerID, CompanyName\r\nFROM Customers\r\n");
    }
};

TEST_F(EngineCatalogTest, ObjectIdAcceptsEveryNameForm)
{
    RecordingSink sink = run("SELECT OBJECT_ID('Orders'), OBJECT_ID('dbo.Orders'), OBJECT_ID(N'[Harbor].[dbo].[Orders]'), "
                             "OBJECT_ID('Harbor..Orders'), OBJECT_ID('[dbo].[Order Details]'), OBJECT_ID('nothing'), "
                             "OBJECT_ID('guest.Orders')");
    const auto& row = sink.results.at(0).rows.at(0);
    ASSERT_TRUE(std::holds_alternative<std::int64_t>(row[0]));
    for (int i = 1; i < 4; ++i)
        EXPECT_EQ(text(row[static_cast<std::size_t>(i)]), text(row[0])) << i;
    EXPECT_NE(text(row[4]), "NULL");
    EXPECT_EQ(text(row[5]), "NULL");
    EXPECT_EQ(text(row[6]), "NULL");
    EXPECT_EQ(sink.results[0].columns[0].type.type, SqlType::Int);

    // From another database, a three-part name still finds the object.
    run("USE master");
    sink = run("SELECT OBJECT_ID('Harbor.dbo.Orders'), OBJECT_ID('Orders'), DB_ID('Harbor'), DB_NAME(1), DB_NAME()");
    const auto& other = sink.results.at(0).rows.at(0);
    EXPECT_NE(text(other[0]), "NULL");
    EXPECT_EQ(text(other[1]), "NULL");
    EXPECT_EQ(text(other[2]), "5");
    EXPECT_EQ(text(other[3]), "master");
    EXPECT_EQ(text(other[4]), "master");
}

TEST_F(EngineCatalogTest, PropertiesAndNames)
{
    RecordingSink sink = run(
        "SELECT OBJECTPROPERTY(OBJECT_ID('Orders'), 'IsUserTable'), OBJECTPROPERTY(OBJECT_ID('Orders'), 'IsView'), "
        "OBJECTPROPERTY(OBJECT_ID('[Customer List]'), 'IsView'), OBJECTPROPERTY(OBJECT_ID('Orders'), 'TableHasPrimaryKey'), "
        "OBJECTPROPERTY(OBJECT_ID('Orders'), 'IsMSShipped'), OBJECTPROPERTY(OBJECT_ID('Orders'), 'NoSuchProperty'), "
        "COLUMNPROPERTY(OBJECT_ID('Orders'), 'OrderID', 'IsIdentity'), COLUMNPROPERTY(OBJECT_ID('Orders'), 'Freight', 'IsIdentity'), "
        "OBJECT_NAME(OBJECT_ID('Orders')), USER_NAME(1), SERVERPROPERTY('ProductVersion')");
    std::vector<std::string> got;
    for (const Value& v : sink.results.at(0).rows.at(0))
        got.push_back(text(v));
    EXPECT_EQ(got, (std::vector<std::string>{"1", "0", "1", "1", "0", "NULL", "1", "0", "Orders", "dbo", "8.00.760"}));

    // Identity settings as the table script builder reads them, from any database.
    run("USE master");
    sink = run("SELECT IDENT_SEED(N'[Harbor].[dbo].[Orders]') AS Seed, IDENT_INCR(N'[Harbor].[dbo].[Orders]') AS Increment, "
               "IDENT_SEED(N'[Harbor].[dbo].[Customers]')");
    got.clear();
    for (const Value& v : sink.results.at(0).rows.at(0))
        got.push_back(text(v));
    EXPECT_EQ(got, (std::vector<std::string>{"1", "1", "NULL"}));
    EXPECT_EQ(sink.results[0].columns[0].name, "Seed");
}

TEST_F(EngineCatalogTest, CatalogQueriesOfTheTableWindows)
{
    EXPECT_EQ(column("Select Distinct Name From SysObjects Where Xtype='U' Order By Name"),
              (std::vector<std::string>{"Customers", "Order Details", "Orders"}));
    EXPECT_EQ(column("Select Name From SysColumns Where Id=Object_Id(N'[Harbor].[dbo].[Order Details]') Order By ColId"),
              (std::vector<std::string>{"OrderID", "ProductID", "Quantity"}));
    RecordingSink sink = run("SELECT TABLE_CATALOG AS DBName, TABLE_SCHEMA As OwnerName FROM INFORMATION_SCHEMA.TABLES WHERE TABLE_NAME = 'Order Details'");
    ASSERT_EQ(sink.results.at(0).rows.size(), 1u);
    EXPECT_EQ(sink.results[0].columns[0].name, "DBName");
    EXPECT_EQ(sink.results[0].columns[1].name, "OwnerName");
    EXPECT_EQ(text(sink.results[0].rows[0][0]), "Harbor");
    EXPECT_EQ(text(sink.results[0].rows[0][1]), "dbo");

    sink = run("Select SysColumns.Name ColName,SysTypes.Name DataType,SysColumns.Length Length, SysColumns.XPrec Prec, "
               "SysColumns.XScale Scale,SysColumns.IsNullable Nullable  From SysColumns, SysTypes Where   "
               "Id=Object_Id(N'[Harbor].[dbo].[Orders]') And SysColumns.XUserType = SysTypes.XUserType");
    ASSERT_EQ(sink.results.at(0).rows.size(), 3u);
    EXPECT_EQ(sink.results[0].columns[0].name, "ColName");
    EXPECT_EQ(sink.results[0].columns[1].name, "DataType");
    EXPECT_EQ(sink.results[0].columns[0].type.type, SqlType::NVarChar);
    EXPECT_EQ(sink.results[0].columns[0].type.length, 128);

    sink = run("Select Distinct O.Name TableName From    SysReferences R, SysObjects O Where   O.Id =R.FKeyId And R.RKeyId = object_id(N'[Harbor].[dbo].[Customers]')");
    ASSERT_EQ(sink.results.at(0).rows.size(), 1u);
    EXPECT_EQ(text(sink.results[0].rows[0][0]), "Orders");

    // sysobjects.type is char(2): one-letter codes keep their blank.
    EXPECT_EQ(column("Select Distinct SysObjects.Name,SysObjects.Type From SysObjects,SysComments  Where SysObjects.Id= "
                     "SysComments.Id And SysObjects.parent_obj = 0 And  SysComments.Text Like '%FROM Customers%' Order By Name", 1),
              (std::vector<std::string>{"V "}));
}

TEST_F(EngineCatalogTest, ForeignKeyViolationsNameTheConstraint)
{
    RecordingSink sink;
    session->executeBatch("INSERT INTO Orders (CustomerID) VALUES ('NONE')", sink);
    ASSERT_EQ(sink.messages.size(), 2u);
    EXPECT_EQ(sink.messages[0].number, 547);
    EXPECT_EQ(sink.messages[0].text, "INSERT statement conflicted with COLUMN FOREIGN KEY constraint 'FK_Orders_Customers'. "
                                     "The conflict occurred in database 'Harbor', table 'Customers', column 'CustomerID'.");
    EXPECT_EQ(sink.messages[1].number, 3621);
    EXPECT_EQ(sink.messages[1].text, "The statement has been terminated.");

    run("INSERT INTO Customers VALUES ('ALFKI', 'Alfreds') INSERT INTO Orders (CustomerID) VALUES ('ALFKI')");
    EXPECT_EQ(fail("DELETE FROM Customers"),
              (std::vector<std::string>{"547: DELETE statement conflicted with COLUMN REFERENCE constraint 'FK_Orders_Customers'. "
                                        "The conflict occurred in database 'Harbor', table 'Orders', column 'CustomerID'."}));
    auto function = fail("SELECT * FROM fnCustomerOrders('ALFKI')");
    ASSERT_EQ(function.size(), 1u);
    EXPECT_NE(function[0].find("does not run user-defined function bodies"), std::string::npos);
}

TEST_F(EngineCatalogTest, SpPkeysListsTheKeyColumnsInOrder)
{
    RecordingSink sink = run("sp_pkeys @table_name = 'Order Details', @table_owner ='dbo' ,@table_qualifier = 'Harbor'");
    ASSERT_EQ(sink.results.size(), 1u);
    const auto& result = sink.results[0];
    std::vector<std::string> names;
    for (const auto& c : result.columns)
        names.push_back(c.name);
    EXPECT_EQ(names, (std::vector<std::string>{"TABLE_QUALIFIER", "TABLE_OWNER", "TABLE_NAME", "COLUMN_NAME", "KEY_SEQ", "PK_NAME"}));
    EXPECT_EQ(result.columns[4].type.type, SqlType::SmallInt);
    ASSERT_EQ(result.rows.size(), 2u);
    std::vector<std::string> first, second;
    for (const Value& v : result.rows[0])
        first.push_back(text(v));
    for (const Value& v : result.rows[1])
        second.push_back(text(v));
    EXPECT_EQ(first, (std::vector<std::string>{"Harbor", "dbo", "Order Details", "OrderID", "1", "PK_Order_Details"}));
    EXPECT_EQ(second, (std::vector<std::string>{"Harbor", "dbo", "Order Details", "ProductID", "2", "PK_Order_Details"}));

    sink = run("EXEC sp_pkeys N'Customers'");
    ASSERT_EQ(sink.results.at(0).rows.size(), 1u);
    EXPECT_EQ(text(sink.results[0].rows[0][3]), "CustomerID");
    sink = run("EXECUTE sp_pkeys @table_name = N'Missing'");
    ASSERT_EQ(sink.results.size(), 1u);
    EXPECT_TRUE(sink.results[0].rows.empty());
    EXPECT_EQ(fail("sp_pkeys @table_name = 'Orders', @table_qualifier = 'master'"),
              (std::vector<std::string>{"15250: The database name component of the object qualifier must be the name of the current database."}));
}

TEST_F(EngineCatalogTest, SpHelptextKeepsLineBreaksAndSplitsLongLines)
{
    RecordingSink sink = run("SP_HelpText '[Customer List]'");
    ASSERT_EQ(sink.results.size(), 1u);
    EXPECT_EQ(sink.results[0].columns.at(0).name, "Text");
    EXPECT_EQ(sink.results[0].columns[0].type.type, SqlType::NVarChar);
    EXPECT_EQ(sink.results[0].columns[0].type.length, 255);
    std::vector<std::string> lines;
    for (const auto& row : sink.results[0].rows)
        lines.push_back(text(row[0]));
    EXPECT_EQ(lines, (std::vector<std::string>{"CREATE VIEW [Customer List] AS\r\n", "SELECT CustomerID, CompanyName\r\n",
                                               "FROM Customers\r\n"}));

    const std::string longLine = "SELECT '" + std::string(300, 'a') + "' AS Wide\r\n";
    run("CREATE PROCEDURE Wide AS\r\n" + longLine + "RETURN 0");
    sink = run("EXEC sp_helptext @objname = 'dbo.Wide'");
    lines.clear();
    for (const auto& row : sink.results.at(0).rows)
        lines.push_back(text(row[0]));
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "CREATE PROCEDURE Wide AS\r\n");
    EXPECT_EQ(lines[1], longLine.substr(0, 255));
    EXPECT_EQ(lines[2], longLine.substr(255));
    EXPECT_EQ(lines[3], "RETURN 0");

    EXPECT_EQ(fail("sp_helptext 'Customers'"), (std::vector<std::string>{"15197: There is no text for object 'Customers'."}));
    EXPECT_EQ(fail("sp_helptext 'Nothing'"),
              (std::vector<std::string>{"15009: The object 'Nothing' does not exist in database 'Harbor'."}));
    auto procedure = fail("EXEC Wide");
    ASSERT_EQ(procedure.size(), 1u);
    EXPECT_NE(procedure[0].find("does not run procedure bodies"), std::string::npos);
}

}  // namespace
}  // namespace sandbox::test
