// Answers that must match SQL Server 2000's: row order of tables with a clustered key, and the
// catalog rows of inline functions, system tables and the compatibility views.
#include "engine_recording_sink.h"

namespace sandbox::test {
namespace {

class EngineFidelityTest : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        run("CREATE DATABASE Harbor USE Harbor");
    }

    // Every row of the batch's last result, its columns joined with '|'.
    std::vector<std::string> rows(const std::string& sql)
    {
        RecordingSink sink = run(sql);
        std::vector<std::string> out;
        if (sink.results.empty())
            return out;
        for (const auto& row : sink.results.back().rows) {
            std::string line;
            for (const Value& v : row)
                line += (line.empty() ? "" : "|") + text(v);
            out.push_back(line);
        }
        return out;
    }
};

using Lines = std::vector<std::string>;

TEST_F(EngineFidelityTest, ScansFollowTheClusteredKeyAndHeapsTheOrderOfInsertion)
{
    run("CREATE TABLE Territories (TerritoryID nvarchar(20) NOT NULL CONSTRAINT PK_Territories PRIMARY KEY, "
        "Description nchar(10) NOT NULL)\n"
        "INSERT INTO Territories VALUES (N'85014', N'Phoenix') INSERT INTO Territories VALUES (N'02116', N'Boston')\n"
        "INSERT INTO Territories VALUES (N'94025', N'Menlo Park') INSERT INTO Territories VALUES (N'29202', N'Columbia')\n"
        "INSERT INTO Territories VALUES (N'01581', N'Westboro')");
    EXPECT_EQ(column("SELECT TOP 3 TerritoryID FROM Territories"), (Lines{"01581", "02116", "29202"}));
    EXPECT_EQ(column("SELECT TerritoryID FROM [Harbor].[dbo].[Territories]"), (Lines{"01581", "02116", "29202", "85014", "94025"}));

    // A two-column key, its text compared without regard to case as SQL Server's collation does.
    run("CREATE TABLE Pairs (EmployeeID int NOT NULL, Code varchar(10) NOT NULL, CONSTRAINT PK_Pairs PRIMARY KEY (EmployeeID, Code))\n"
        "INSERT INTO Pairs VALUES (2, 'b') INSERT INTO Pairs VALUES (1, 'z') INSERT INTO Pairs VALUES (2, 'A')\n"
        "INSERT INTO Pairs VALUES (1, 'C')");
    EXPECT_EQ(rows("SELECT * FROM Pairs"), (Lines{"1|C", "1|z", "2|A", "2|b"}));
    EXPECT_EQ(fail("INSERT INTO Pairs VALUES (2, 'a')"),
              (Lines{"2627: Violation of PRIMARY KEY constraint 'PK_Pairs'. Cannot insert duplicate key in object 'Pairs'."}));

    // Heaps and nonclustered keys keep the order the rows came in.
    run("CREATE TABLE Heap (Code varchar(10) NOT NULL) INSERT INTO Heap VALUES ('m') INSERT INTO Heap VALUES ('a')\n"
        "CREATE TABLE Loose (Code varchar(10) NOT NULL CONSTRAINT PK_Loose PRIMARY KEY NONCLUSTERED)\n"
        "INSERT INTO Loose VALUES ('m') INSERT INTO Loose VALUES ('a')");
    EXPECT_EQ(column("SELECT Code FROM Heap"), (Lines{"m", "a"}));
    EXPECT_EQ(column("SELECT Code FROM Loose"), (Lines{"m", "a"}));

    // A clustered UNIQUE constraint orders the rows; the nonclustered primary key is still enforced.
    run("CREATE TABLE Ports (PortID int NOT NULL CONSTRAINT PK_Ports PRIMARY KEY NONCLUSTERED, "
        "Name varchar(20) NOT NULL CONSTRAINT UQ_Ports UNIQUE CLUSTERED)\n"
        "INSERT INTO Ports VALUES (1, 'Oslo') INSERT INTO Ports VALUES (2, 'Bergen') INSERT INTO Ports VALUES (3, 'Molde')");
    EXPECT_EQ(column("SELECT Name FROM Ports"), (Lines{"Bergen", "Molde", "Oslo"}));
    EXPECT_EQ(fail("INSERT INTO Ports VALUES (1, 'Alta')"),
              (Lines{"2627: Violation of PRIMARY KEY constraint 'PK_Ports'. Cannot insert duplicate key in object 'Ports'."}));

    // A key added later, or a unique clustered index, reorders a heap's rows; dropping the index leaves a heap.
    run("ALTER TABLE Heap ADD CONSTRAINT PK_Heap PRIMARY KEY (Code)");
    EXPECT_EQ(column("SELECT Code FROM Heap"), (Lines{"a", "m"}));
    run("CREATE TABLE Docks (Code varchar(10) NOT NULL) INSERT INTO Docks VALUES ('q') INSERT INTO Docks VALUES ('d')\n"
        "CREATE UNIQUE CLUSTERED INDEX IX_Docks ON Docks (Code)");
    EXPECT_EQ(column("SELECT Code FROM Docks"), (Lines{"d", "q"}));
    run("DROP INDEX Docks.IX_Docks INSERT INTO Docks VALUES ('b')");
    EXPECT_EQ(column("SELECT Code FROM Docks"), (Lines{"d", "q", "b"}));
    EXPECT_EQ(column("SELECT indid FROM sysindexes WHERE id = OBJECT_ID('Docks')"), (Lines{"0"}));

    // Identity and timestamp tables keep working (their identity key grows in insertion order).
    run("CREATE TABLE Orders (OrderID int IDENTITY (10248, 1) NOT NULL CONSTRAINT PK_Orders PRIMARY KEY, "
        "Code varchar(10) NOT NULL, Stamp timestamp NOT NULL)\n"
        "INSERT INTO Orders (Code) VALUES ('z') INSERT INTO Orders (Code) VALUES ('a')");
    EXPECT_EQ(rows("SELECT OrderID, Code, CASE WHEN Stamp IS NULL THEN 'none' ELSE 'set' END FROM Orders"),
              (Lines{"10248|z|set", "10249|a|set"}));
}

TEST_F(EngineFidelityTest, CatalogRowsOfInlineFunctionsSystemTablesAndCompatibilityViews)
{
    run("CREATE TABLE Customers (CustomerID nchar(5) NOT NULL PRIMARY KEY, CompanyName nvarchar(40) NOT NULL)\n"
        "CREATE TABLE Orders (OrderID int IDENTITY NOT NULL PRIMARY KEY, CustomerID nchar(5) NULL, OrderDate datetime NULL)");
    run("CREATE FUNCTION fnCustomerOrders (@CustomerID nchar(5))\r\nRETURNS TABLE\r\nAS\r\n"
        "RETURN (SELECT o.OrderID, o.OrderDate, c.CompanyName\r\n\tFROM Orders o\r\n"
        "\tINNER JOIN Customers c ON c.CustomerID = o.CustomerID\r\n\tWHERE o.CustomerID = @CustomerID)");
    EXPECT_EQ(rows("SELECT c.name, c.colid, c.number, t.name, c.length, c.isnullable FROM syscolumns c "
                   "JOIN systypes t ON t.xusertype = c.xusertype WHERE c.id = OBJECT_ID('fnCustomerOrders') "
                   "ORDER BY c.number, c.colid"),
              (Lines{"OrderID|1|0|int|4|0", "OrderDate|2|0|datetime|8|1", "CompanyName|3|0|nvarchar|80|0",
                     "@CustomerID|1|1|nchar|10|1"}));
    // A column-name search that joins systypes finds the function by its result columns.
    EXPECT_EQ(rows("SELECT o.name, o.xtype FROM sysobjects o JOIN syscolumns c ON c.id = o.id "
                   "WHERE c.name LIKE '%CompanyName%' ORDER BY o.name"),
              (Lines{"Customers|U ", "fnCustomerOrders|IF"}));

    // The system tables' sysname columns are typed sysname, other character columns keep their own type.
    EXPECT_EQ(rows("SELECT o.name + '.' + c.name, t.name FROM syscolumns c JOIN sysobjects o ON o.id = c.id "
                   "JOIN systypes t ON t.xusertype = c.xusertype WHERE t.name IN ('sysname', 'nvarchar', 'nchar') "
                   "AND o.xtype = 'S' ORDER BY 1"),
              (Lines{"syscolumns.collation|sysname", "syscolumns.name|sysname", "syscomments.text|nvarchar",
                     "sysfilegroups.groupname|sysname", "sysfiles.filename|nchar", "sysfiles.name|nchar",
                     "sysindexes.name|sysname", "sysobjects.name|sysname", "systypes.collation|sysname",
                     "systypes.name|sysname", "sysusers.name|sysname"}));

    // sysconstraints and syssegments have their column rows.
    EXPECT_EQ(rows("SELECT o.name, c.name, c.colid, t.name, c.isnullable FROM syscolumns c JOIN sysobjects o ON o.id = c.id "
                   "JOIN systypes t ON t.xusertype = c.xusertype WHERE o.name IN ('sysconstraints', 'syssegments') "
                   "ORDER BY o.name, c.colid"),
              (Lines{"sysconstraints|constid|1|int|1", "sysconstraints|id|2|int|1", "sysconstraints|colid|3|smallint|1",
                     "sysconstraints|spare1|4|tinyint|1", "sysconstraints|status|5|int|1", "sysconstraints|actions|6|int|1",
                     "sysconstraints|error|7|int|1", "syssegments|segment|1|int|0", "syssegments|name|2|varchar|0",
                     "syssegments|status|3|int|0"}));
}

TEST_F(EngineFidelityTest, ObjectsOfAnotherDatabaseAreNeverChangedHereInstead)
{
    run("CREATE TABLE Ships (ShipID int NOT NULL PRIMARY KEY) INSERT INTO Ships VALUES (1) USE master");
    run("CREATE TABLE Ships (Name varchar(10) NOT NULL)");
    const std::string useFirst = "50000: The Norvane sandbox runs ";
    EXPECT_EQ(fail("DROP TABLE Harbor..Ships"), (Lines{useFirst + "DROP TABLE on the current database only; run USE [Harbor] first."}));
    EXPECT_EQ(fail("CREATE TABLE Harbor.dbo.Boats (BoatID int NOT NULL)"),
              (Lines{useFirst + "CREATE TABLE on the current database only; run USE [Harbor] first."}));
    EXPECT_EQ(fail("ALTER TABLE Harbor..Ships ADD Name varchar(10) NULL"),
              (Lines{useFirst + "ALTER TABLE on the current database only; run USE [Harbor] first."}));
    EXPECT_EQ(fail("CREATE INDEX IX_Ships ON Harbor..Ships (ShipID)"),
              (Lines{useFirst + "CREATE INDEX on the current database only; run USE [Harbor] first."}));
    EXPECT_EQ(fail("CREATE VIEW Harbor..ShipList AS SELECT ShipID FROM Ships"),
              (Lines{"166: 'CREATE VIEW' does not allow specifying the database name as a prefix to the object name."}));
    EXPECT_EQ(fail("DROP PROCEDURE Harbor.dbo.Nothing"),
              (Lines{"166: 'DROP PROCEDURE' does not allow specifying the database name as a prefix to the object name."}));
    // Both tables are as they were; the current database's own prefix is fine.
    EXPECT_EQ(column("SELECT ShipID FROM Harbor..Ships"), (Lines{"1"}));
    EXPECT_EQ(column("SELECT COUNT(*) FROM master..syscolumns WHERE id = OBJECT_ID('Ships')"), (Lines{"1"}));
    EXPECT_EQ(column("SELECT COUNT(*) FROM sysobjects WHERE name IN ('Boats', 'ShipList', 'IX_Ships')"), (Lines{"0"}));
    run("DROP TABLE master.dbo.Ships");
}

}  // namespace
}  // namespace sandbox::test
