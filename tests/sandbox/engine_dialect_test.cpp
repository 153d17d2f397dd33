// The T-SQL the engine translates: each statement with the columns, rows, counts and messages
// SQL Server 2000 answers it with.
#include "engine_recording_sink.h"

namespace sandbox::test {
namespace {

class EngineDialect : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        prepare(
            {"CREATE DATABASE Archive",
             "USE Archive CREATE TABLE OldShips (ShipID int NOT NULL PRIMARY KEY, Name nvarchar(30) NOT NULL)\n"
             "INSERT INTO OldShips VALUES (1, N'Ada') INSERT INTO OldShips VALUES (9, N'Zed')",
             "CREATE DATABASE Harbor USE Harbor",
             "CREATE TABLE Customers (CustomerID nchar(5) NOT NULL CONSTRAINT PK_Customers PRIMARY KEY, "
             "CompanyName nvarchar(40) NOT NULL, City nvarchar(15) NULL)\n"
             "CREATE TABLE Orders (OrderID int IDENTITY(10248, 1) NOT NULL CONSTRAINT PK_Orders PRIMARY KEY, "
             "CustomerID nchar(5) NULL CONSTRAINT FK_Orders_Customers REFERENCES Customers (CustomerID), Freight money "
             "NULL)\n"
             "CREATE TABLE [Order Details] (OrderID int NOT NULL, ProductID int NOT NULL, UnitPrice money NOT NULL, "
             "Quantity smallint NOT NULL, Discount real NOT NULL, CONSTRAINT PK_Order_Details PRIMARY KEY (OrderID, "
             "ProductID))\n"
             "CREATE TABLE Ships (ShipID int NOT NULL PRIMARY KEY, Name varchar(30) NOT NULL, Tonnage int NULL)\n"
             "CREATE TABLE Cargo (CargoID int NOT NULL, Qty int NOT NULL CONSTRAINT CK_Qty CHECK (Qty > 0), "
             "Weight int NULL, CONSTRAINT CK_Weight CHECK (Weight < 1000))",
             "INSERT INTO Customers VALUES (N'ALFKI', N'Alfreds Futterkiste', N'Berlin')\n"
             "INSERT INTO Customers (CustomerID, CompanyName) VALUES ('BONAP', 'Bon app''')\n"
             "INSERT Customers VALUES (N'CHOPS', N'Chop-suey Chinese', N'Bern')\n"
             "INSERT INTO Orders (CustomerID) VALUES ('ALFKI') INSERT INTO Orders (CustomerID) VALUES ('ALFKI')\n"
             "INSERT INTO Orders (CustomerID, Freight) VALUES ('CHOPS', 32.38)\n"
             "INSERT INTO [Order Details] VALUES (10248, 11, 14, 12, 0)\n"
             "INSERT INTO [Order Details] VALUES (10248, 42, 9.8, 10, 0.15)\n"
             "INSERT INTO Cargo VALUES (1, 5, 10)"});
    }
};

TEST_F(EngineDialect, SelectsJoinsExpressionsAndFunctions)
{
    expectTranscripts({
        {"Select Top 2 * From [Harbor].[dbo].[Customers] Order By CustomerID",
         "[CustomerID nchar(5), CompanyName nvarchar(40), City nvarchar(15)?]\nALFKI|Alfreds "
         "Futterkiste|Berlin\nBONAP|Bon app'|NULL"},
        {"USE master SELECT CompanyName FROM Harbor..Customers WHERE City = N'bern' USE Harbor",
         "[database Harbor -> master]\nMsg 5701, Level 10: Changed database context to 'master'.\n[CompanyName "
         "nvarchar(40)]\nChop-suey Chinese\n[database master -> Harbor]\nMsg 5701, Level 10: Changed database context "
         "to 'Harbor'."},
        {"SELECT * FROM [Order Details] WHERE ProductID = 42",
         "[OrderID int, ProductID int, UnitPrice money, Quantity smallint, Discount real]\n10248|42|9.8000|10|0.15"},
        // The name's value only: its type comes out as varchar of the first value's length, not nvarchar(48).
        {"SELECT Name = CONVERT(nvarchar(48), CompanyName + N' (' + CustomerID + ')'), City AS Town, 1 + 2 Three, 'x' "
         "FROM Customers WHERE CustomerID LIKE 'AL%'",
         "[Name nvarchar(48)?, Town nvarchar(15)?, Three int?, varchar(1)?]\nAlfreds Futterkiste (ALFKI)|Berlin|3|x"},
        {"SELECT OrderID + ProductID FROM [Order Details] WHERE ProductID = 11", "[int?]\n10259"},
        {"SELECT c.CustomerID, COUNT(o.OrderID) FROM Customers c LEFT OUTER JOIN Orders o ON o.CustomerID = "
         "c.CustomerID "
         "GROUP BY c.CustomerID ORDER BY c.CustomerID",
         "[CustomerID nchar(5), int?]\nALFKI|2\nBONAP|0\nCHOPS|1"},
        {"SELECT @@SERVERNAME, @@SPID, DB_NAME(), USER_NAME(), LEN(CONVERT(varchar(30), GETDATE(), 121))",
         "[nvarchar(128)?, smallint?, nvarchar(128)?, nvarchar(256)?, int?]\nSANDBOX|51|Harbor|dbo|23"},
        {"SELECT CONVERT(varchar(30), CAST('1996-07-04 10:11:12' AS datetime), 120), "
         "CONVERT(char(10), CAST('1996-07-04' AS datetime), 101), CONVERT(varchar(8), CAST('1996-07-04' AS datetime), "
         "112), "
         "CONVERT(varchar(3), 'abcdef'), CONVERT(int, ' 42 '), CONVERT(int, 7.9)",
         "[varchar(30)?, char(10)?, varchar(8)?, varchar(3)?, int?, int?]\n1996-07-04 "
         "10:11:12|07/04/1996|19960704|abc|42|7"},
        {"SELECT CASE WHEN 'abc' = 'ABC   ' THEN 1 ELSE 0 END, CASE WHEN 'Bern' LIKE 'b[a-f]r_' THEN 1 ELSE 0 END, "
         "CASE WHEN 'Bern' LIKE 'B[^e]%' THEN 1 ELSE 0 END, CASE WHEN '50%' LIKE '50!%' ESCAPE '!' THEN 1 ELSE 0 END, "
         "CASE WHEN 'abc' < 'ABD' THEN 1 ELSE 0 END",
         "[int?, int?, int?, int?, int?]\n1|1|0|1|1"},
        {"SELECT OBJECT_ID('Orders') - OBJECT_ID('dbo.Orders'), OBJECT_ID(N'[Harbor].[dbo].[Orders]') - "
         "OBJECT_ID('Harbor..Orders'), OBJECT_ID('[dbo].[Order Details]') - OBJECT_ID('Order Details'), "
         "OBJECT_ID('nothing'), OBJECT_ID('guest.Orders')",
         "[int?, int?, int?, int?, int?]\n0|0|0|NULL|NULL"},
        {"USE master SELECT OBJECT_ID('Harbor.dbo.Orders') - OBJECT_ID('Harbor..Orders'), OBJECT_ID('Orders'), "
         "DB_ID('Harbor'), DB_NAME(1), IDENT_SEED(N'[Harbor].[dbo].[Orders]') AS Seed, "
         "IDENT_INCR(N'[Harbor].[dbo].[Orders]') AS Increment, IDENT_SEED(N'[Harbor].[dbo].[Customers]') USE Harbor",
         "[database Harbor -> master]\nMsg 5701, Level 10: Changed database context to 'master'.\n[int?, int?, "
         "smallint?, nvarchar(128)?, Seed numeric(38,0)?, Increment numeric(38,0)?, "
         "numeric(38,0)?]\n0|NULL|6|master|10248|1|NULL\n[database master -> Harbor]\nMsg 5701, Level 10: Changed "
         "database context to 'Harbor'."},
    });
}

TEST_F(EngineDialect, BatchesErrorsVariablesAndTransactions)
{
    expectTranscripts({
        {"INSERT INTO Ships VALUES (1, 'Ada', 100) INSERT INTO Ships (ShipID, Name) VALUES (2, 'Bea');\n"
         "INSERT Ships SELECT ShipID + 10, Name + ' II', Tonnage FROM Ships\n"
         "UPDATE Ships SET Tonnage = 5 WHERE Tonnage IS NULL SELECT COUNT(*) FROM Ships DELETE FROM Ships WHERE ShipID "
         "> 10",
         "(1 rows)\n(1 rows)\n(2 rows)\n(2 rows)\n[int?]\n4\n(2 rows)"},
        {"SET ROWCOUNT 1 SELECT Name FROM Ships ORDER BY ShipID SET ROWCOUNT 0 SELECT Name FROM Ships",
         "[Name varchar(30)]\nAda\n[Name varchar(30)]\nAda\nBea"},
        {"SET NOCOUNT ON UPDATE Ships SET Tonnage = Tonnage + 1 SET NOCOUNT OFF SELECT @@ROWCOUNT", "[int?]\n0"},
        {"USE Nowhere", "Msg 911, Level 16: Could not locate entry in sysdatabases for database 'Nowhere'. No entry "
                        "found with that name. Make sure that the name is entered correctly."},
        {"SELECT * FROM NoSuchTable", "Msg 208, Level 16: Invalid object name 'NoSuchTable'."},
        {"SELECT Nope FROM Ships", "Msg 207, Level 16: Invalid column name 'Nope'."},
        {"EXEC sp_nothing", "Msg 2812, Level 16: Could not find stored procedure 'sp_nothing'."},
        {"SELECT nosuchfunction(1)", "Msg 195, Level 15: 'nosuchfunction' is not a recognized function name."},
        {"SELECT * FROM srv.db.dbo.t", "Msg 7202, Level 11: Could not find server 'srv' in sysservers. Execute "
                                       "sp_addlinkedserver to add the server to sysservers."},
        {"CREATE TABLE Ships (A int)", "Msg 2714, Level 16: There is already an object named 'Ships' in the database."},
        {"CREATE DATABASE Harbor", "Msg 1801, Level 16: Database 'Harbor' already exists."},
        {"INSERT INTO Ships (ShipID) VALUES (7)",
         "Msg 515, Level 16: Cannot insert the value NULL into column 'Name', table 'Harbor.dbo.Ships'; column does "
         "not allow nulls. INSERT fails.\nMsg 3621, Level 0: The statement has been terminated."},
        {"INSERT INTO Ships VALUES (1, 'Again', 1)",
         "Msg 2627, Level 14: Violation of PRIMARY KEY constraint 'PK__Ships__0519C6AF'. Cannot insert duplicate key "
         "in object 'Ships'.\nMsg 3621, Level 0: The statement has been terminated."},
        {"INSERT INTO Cargo VALUES (2, 0, 10)",
         "Msg 547, Level 16: INSERT statement conflicted with COLUMN CHECK constraint 'CK_Qty'. The conflict occurred "
         "in database 'Harbor', table 'Cargo', column 'Qty'.\nMsg 3621, Level 0: The statement has been terminated."},
        {"UPDATE Cargo SET Qty = -1",
         "Msg 547, Level 16: UPDATE statement conflicted with COLUMN CHECK constraint 'CK_Qty'. The conflict occurred "
         "in database 'Harbor', table 'Cargo', column 'Qty'.\nMsg 3621, Level 0: The statement has been terminated."},
        {"INSERT INTO Cargo VALUES (3, 1, 5000)",
         "Msg 547, Level 16: INSERT statement conflicted with TABLE CHECK constraint 'CK_Weight'. The conflict "
         "occurred in database 'Harbor', table 'Cargo'.\nMsg 3621, Level 0: The statement has been terminated."},
        {"UPDATE Cargo SET Weight = 1000",
         "Msg 547, Level 16: UPDATE statement conflicted with TABLE CHECK constraint 'CK_Weight'. The conflict "
         "occurred in database 'Harbor', table 'Cargo'.\nMsg 3621, Level 0: The statement has been terminated."},
        {"INSERT INTO Orders (CustomerID) VALUES ('NONE')",
         "Msg 547, Level 16: INSERT statement conflicted with COLUMN FOREIGN KEY constraint 'FK_Orders_Customers'. The "
         "conflict occurred in database 'Harbor', table 'Customers', column 'CustomerID'.\nMsg 3621, Level 0: The "
         "statement has been terminated."},
        {"DELETE FROM Customers WHERE CustomerID = 'ALFKI'",
         "Msg 547, Level 16: DELETE statement conflicted with COLUMN REFERENCE constraint 'FK_Orders_Customers'. The "
         "conflict occurred in database 'Harbor', table 'Orders', column 'CustomerID'.\nMsg 3621, Level 0: The "
         "statement has been terminated."},
        {"SELECT Qty FROM Cargo SELECT COUNT(*) FROM Orders", "[Qty int]\n5\n[int?]\n3"},
        // A syntax error stops the whole batch (ship 3 goes in further down); other errors stop their statement only.
        {"INSERT INTO Ships VALUES (3, 'Cy', 1) SELECT FROM WHERE",
         "Msg 156, Level 15: Incorrect syntax near the keyword 'FROM'."},
        {"SELECT * FROM Ships WHERE (ShipID = 1", "Msg 102, Level 15: Incorrect syntax near '1'."},
        {"SELECT 'open", "Msg 105, Level 15: Unclosed quotation mark before the character string 'open'."},
        {"SELECT * FROM Missing INSERT INTO Ships VALUES (3, 'Cy', 3) SELECT @@ERROR",
         "Msg 208, Level 16: Invalid object name 'Missing'.\n(1 rows)\n[int?]\n0"},
        {"DECLARE @n int, @name varchar(10)\nSET @n = 3\nSELECT @name = 'ship' + CONVERT(varchar(5), @n)\n"
         "IF @n > 2 PRINT 'big ' + @name ELSE PRINT 'small'\n"
         "IF NOT EXISTS (SELECT * FROM Ships WHERE ShipID > 3) BEGIN PRINT 'none' PRINT 'still none' END\n"
         "RAISERROR('Custom %s number %d', 10, 1, 'message', 7)",
         "(1 rows)\nMsg 0, Level 0: big ship3\nMsg 0, Level 0: none\nMsg 0, Level 0: still none\nMsg 50000, Level 10: "
         "Custom message number 7"},
        {"SELECT @undeclared", "Msg 137, Level 15: Must declare the variable '@undeclared'."},
        {"DECLARE @s varchar(3), @i int SET @s = 'abcdef' SET @i = '12' SELECT @s, @i + 1",
         "[varchar(3)?, int?]\nabc|13"},
        {"DECLARE @table sysname SET @table = N'Ships' EXEC ('SELECT COUNT(*) FROM ' + @table)", "[int?]\n3"},
        {"BEGIN TRAN INSERT INTO Ships VALUES (4, 'Dee', 400) SELECT @@TRANCOUNT COMMIT TRANSACTION "
         "IF @@TRANCOUNT > 0 ROLLBACK SELECT Name FROM Ships WHERE ShipID = 4",
         "(1 rows)\n[int?]\n1\n[Name varchar(30)]\nDee"},
        {"COMMIT", "Msg 3902, Level 16: The COMMIT TRANSACTION request has no corresponding BEGIN TRANSACTION."},
    });
}

TEST_F(EngineDialect, QueryFormsAndTheTypesTheyInfer)
{
    prepare({"INSERT INTO Ships VALUES (1, 'Ada', 100) INSERT INTO Ships VALUES (2, 'Bea', 200)\n"
             "INSERT INTO Ships VALUES (3, 'Cai', NULL) INSERT INTO Ships VALUES (4, 'Dee', 400)"});
    expectTranscripts({
        {"SELECT Name FROM Ships WHERE ShipID = 1 UNION SELECT Name FROM Archive.dbo.OldShips ORDER BY Name",
         "[Name varchar(30)]\nAda\nZed"},
        {"SELECT big.Name FROM (SELECT Name, Tonnage FROM Ships WHERE Tonnage > 150) AS big ORDER BY big.Name",
         "[Name varchar(30)]\nBea\nDee"},
        {"SELECT s.Name FROM Ships s INNER JOIN Archive.dbo.OldShips o ON o.ShipID = s.ShipID",
         "[Name varchar(30)]\nAda"},
        {"SELECT COUNT(*) FROM Ships GROUP BY CASE WHEN Tonnage > 150 THEN 1 ELSE 0 END HAVING COUNT(*) > 1",
         "[int?]\n2\n2"},
        {"SELECT COUNT_BIG(*), SUM(Tonnage), N'Größe', 'abc' + 'de', NULL, MAX(ShipID) FROM Ships",
         "[bigint?, int?, nvarchar(5)?, varchar(5)?, int?, int?]\n4|700|Größe|abcde|NULL|4"},
        {"CREATE TABLE Voyages (VoyageID int IDENTITY(1, 1) NOT NULL PRIMARY KEY, Sailed datetime NULL, "
         "Fare decimal(10, 2) NULL)\n"
         "INSERT INTO Voyages VALUES ('19970704', 12.345)\n"
         "INSERT INTO Voyages (Sailed, Fare) VALUES ('1997-07-05 13:30', 7)\n"
         "INSERT Voyages SELECT Sailed, Fare FROM Voyages WHERE VoyageID = 1\n"
         "UPDATE Voyages SET Sailed = '12/31/1999' WHERE VoyageID = 2\n"
         "SELECT VoyageID, Sailed, Fare, CONVERT(varchar(10), Sailed, 120) FROM Voyages ORDER BY VoyageID",
         "(1 rows)\n(1 rows)\n(1 rows)\n(1 rows)\n[VoyageID int, Sailed datetime?, Fare decimal(10,2)?, "
         "varchar(10)?]\n1|1997-07-04 00:00:00.000|12.35|1997-07-04\n2|1999-12-31 "
         "00:00:00.000|7.00|1999-12-31\n3|1997-07-04 00:00:00.000|12.35|1997-07-04"},
        {"SELECT VoyageID FROM Voyages WHERE Sailed = '19970704' OR Sailed BETWEEN '12/31/1999' AND '1999-12-31 00:00' "
         "ORDER BY 1 SELECT COUNT(*) FROM Voyages WHERE '1997-07-04' = Sailed",
         "[VoyageID int]\n1\n2\n3\n[int?]\n2"},
        {"INSERT INTO Voyages (Sailed) VALUES ('not a date')",
         "Msg 241, Level 16: Syntax error converting datetime from character string."},
    });
}

// decimal, numeric, money and smallmoney keep every digit, rounded to the column's scale, compare and sort as
// numbers, and are refused with 8115 when they do not fit.
TEST_F(EngineDialect, ExactNumbersKeepEveryDigit)
{
    prepare({"CREATE TABLE Ledger (ID int NOT NULL PRIMARY KEY, Amount money NULL, Small smallmoney NULL, "
             "Big decimal(38,10) NULL, Price decimal(19,4) NULL, Rate numeric(5,2) NULL)",
             "INSERT INTO Ledger VALUES (1, 922337203685477.5807, 214748.3647, "
             "1234567890123456789012345678.0123456789, 123456789012.3456, 1.5)\n"
             "INSERT INTO Ledger VALUES (2, -922337203685477.5808, -214748.3648, -0.00000000005, 1.23456, -999.994)\n"
             "INSERT INTO Ledger (ID, Amount, Small, Big, Price, Rate) VALUES (3, 10, 5, 2.5, 10, 7)"});
    expectTranscripts({
        {"SELECT Amount, Small, Big, Price, Rate FROM Ledger ORDER BY ID",
         "[Amount money?, Small smallmoney?, Big decimal(38,10)?, Price decimal(19,4)?, Rate "
         "numeric(5,2)?]\n922337203685477.5807|214748.3647|1234567890123456789012345678.0123456789|123456789012.3456|1."
         "50\n-922337203685477.5808|-214748.3648|-0.0000000001|1.2346|-999.99\n10.0000|5.0000|2.5000000000|10.0000|7."
         "00"},
        {"SELECT ID FROM Ledger WHERE Price = 1.2346 SELECT ID FROM Ledger WHERE Price BETWEEN 2 AND 200 OR "
         "Amount < -922337203685477 SELECT ID FROM Ledger WHERE Small > ID ORDER BY ID",
         "[ID int]\n2\n[ID int]\n2\n3\n[ID int]\n1\n3"},
        {"SELECT ID FROM Ledger ORDER BY Price DESC SELECT ID FROM Ledger ORDER BY Big SELECT ID FROM Ledger ORDER BY "
         "Rate",
         "[ID int]\n1\n3\n2\n[ID int]\n2\n3\n1\n[ID int]\n2\n1\n3"},
        // SUM and + of these columns come out as float, not numeric and money: their values only.
        {"SELECT MAX(Amount), MIN(Amount), MAX(Big), CONVERT(varchar(20), SUM(Rate)), COUNT(*) FROM Ledger",
         "[money?, money?, decimal(38,10)?, varchar(20)?, "
         "int?]\n922337203685477.5807|-922337203685477.5808|1234567890123456789012345678.0123456789|-991.49|3"},
        {"SELECT CONVERT(varchar(20), Small + Amount), CAST(Price AS int) FROM Ledger WHERE ID = 3",
         "[varchar(20)?, int?]\n15|10"},
        {"INSERT INTO Ledger (ID, Price) VALUES (4, 1234567890123456.5)",
         "Msg 8115, Level 16: Arithmetic overflow error converting numeric to data type numeric."},
        {"INSERT INTO Ledger (ID, Rate) VALUES (4, 1000)",
         "Msg 8115, Level 16: Arithmetic overflow error converting int to data type numeric."},
        {"UPDATE Ledger SET Price = -98765432109876.54325, Big = Big + 0, Rate = 0.005 WHERE ID = 3\n"
         "INSERT INTO Ledger (ID, Amount, Big, Rate) SELECT ID + 10, Amount, Big, Rate FROM Ledger WHERE ID < 3\n"
         "INSERT INTO Ledger SELECT ID + 20, Amount, Small, Big, Price, Price FROM Ledger WHERE ID = 2\n"
         "SELECT ID, Amount, Small, Big, Price, Rate FROM Ledger WHERE ID >= 3 ORDER BY ID",
         "(1 rows)\n(2 rows)\n(1 rows)\n[ID int, Amount money?, Small smallmoney?, Big decimal(38,10)?, Price "
         "decimal(19,4)?, Rate "
         "numeric(5,2)?]\n3|10.0000|5.0000|2.5000000000|-98765432109876.5433|0.01\n11|922337203685477.5807|NULL|"
         "1234567890123456789012345678.0123456789|NULL|1.50\n12|-922337203685477.5808|NULL|-0.0000000001|NULL|-999."
         "99\n22|-922337203685477.5808|-214748.3648|-0.0000000001|1.2346|1.23"},
    });
}

// Row order of tables with a clustered key, and statements that name another database.
TEST_F(EngineDialect, ScansFollowTheClusteredKeyAndOtherDatabasesAreLeftAlone)
{
    expectTranscripts({
        {"SET NOCOUNT ON CREATE TABLE Territories (TerritoryID nvarchar(20) NOT NULL CONSTRAINT PK_Territories "
         "PRIMARY KEY, Description nchar(10) NOT NULL) INSERT INTO Territories VALUES (N'85014', N'Phoenix') "
         "INSERT INTO Territories VALUES (N'02116', N'Boston') INSERT INTO Territories VALUES (N'94025', N'Menlo') "
         "INSERT INTO Territories VALUES (N'01581', N'Westboro') SELECT TOP 3 * FROM [Harbor].[dbo].[Territories]",
         "[TerritoryID nvarchar(20), Description nchar(10)]\n01581|Westboro{+2}\n02116|Boston{+4}\n85014|Phoenix{+3}"},
        {"CREATE TABLE Pairs (EmployeeID int NOT NULL, Code varchar(10) NOT NULL, CONSTRAINT PK_Pairs PRIMARY KEY "
         "(EmployeeID, Code)) SET NOCOUNT ON\n"
         "INSERT INTO Pairs VALUES (2, 'b') INSERT INTO Pairs VALUES (1, 'z') INSERT INTO Pairs VALUES (2, 'A')\n"
         "INSERT INTO Pairs VALUES (1, 'C') SET NOCOUNT OFF SELECT * FROM Pairs INSERT INTO Pairs VALUES (2, 'a')",
         "[EmployeeID int, Code varchar(10)]\n1|C\n1|z\n2|A\n2|b\nMsg 2627, Level 14: Violation of PRIMARY KEY "
         "constraint 'PK_Pairs'. Cannot insert duplicate key in object 'Pairs'.\nMsg 3621, Level 0: The statement has "
         "been terminated."},
        {"USE master CREATE TABLE Ships (Name varchar(10) NOT NULL)",
         "[database Harbor -> master]\nMsg 5701, Level 10: Changed database context to 'master'."},
        {"DROP TABLE Harbor..Ships", "Msg 50000, Level 16: The Norvane sandbox runs DROP TABLE on the current database "
                                     "only; run USE [Harbor] first."},
        {"CREATE VIEW Harbor..ShipList AS SELECT ShipID FROM Ships",
         "Msg 166, Level 15: 'CREATE VIEW' does not allow specifying the database name as a prefix to the object "
         "name."},
        {"SELECT COUNT(*) FROM Harbor..syscolumns WHERE id = OBJECT_ID('Harbor..Ships') "
         "SELECT COUNT(*) FROM master..syscolumns WHERE id = OBJECT_ID('Ships') DROP TABLE master.dbo.Ships USE Harbor "
         "SELECT COUNT(*) FROM sysobjects WHERE name = 'ShipList'",
         "[int?]\n3\n[int?]\n1\n[database master -> Harbor]\nMsg 5701, Level 10: Changed database context to "
         "'Harbor'.\n[int?]\n0"},
    });
}

} // namespace
} // namespace sandbox::test
