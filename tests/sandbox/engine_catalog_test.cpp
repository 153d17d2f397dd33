// SQL Server 2000's catalog as the engine keeps it: the system tables, the rows DDL leaves in them, the system
// procedures, and the errors of DDL. The windows' own catalog SQL is checked by their tests against the sample.
#include "engine_recording_sink.h"

namespace sandbox::test {
namespace {

class EngineCatalog : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        prepare({"CREATE DATABASE Shop USE Shop"});
        headings = false; // the columns are the system tables' own
    }
};

TEST_F(EngineCatalog, AFreshDatabaseHoldsTheSystemTablesAndTypes)
{
    expectTranscripts({
        {"SELECT name FROM sysobjects WHERE id < 100 AND xtype = 'S' AND category = 2 ORDER BY id",
         "[1]"
         "\nsysobjects\nsysindexes\nsyscolumns\nsystypes\nsyscomments\nsyspermissions\nsysusers\nsysdepends\nsysreferen"
         "ces\nsysindexkeys\nsysforeignkeys\nsysmembers\nsysprotects\nsysfilegroups\nsysfiles"},
        {"SELECT COUNT(*) FROM systypes SELECT name, xtype, xusertype, length, xprec, xscale, variable, allownulls, "
         "prec FROM systypes WHERE name IN ('sysname', 'int', 'decimal', 'nvarchar', 'timestamp') ORDER BY xusertype",
         "[1]\n26\n[9]\nint|56|56|4|10|0|0|1|10\ndecimal|106|106|17|38|38|0|1|38\ntimestamp|189|189|8|0|0|0|0|"
         "8\nnvarchar|231|231|8000|0|0|1|1|4000\nsysname|231|256|256|0|0|1|0|128"},
    });
}

TEST_F(EngineCatalog, TablesLeaveTheirColumnsConstraintsAndIndexesInTheCatalog)
{
    expectTranscripts({
        {"EXEC sp_addtype N'ssn', N'varchar(11)', N'NOT NULL'\n"
         "CREATE TABLE [dbo].[Orders] (\r\n  OrderID int IDENTITY(100, 10) NOT NULL,\r\n  Customer ssn NULL,\r\n"
         "  Qty smallint NOT NULL CONSTRAINT DF_Orders_Qty DEFAULT (1) CHECK (Qty > 0),\r\n"
         "  Price decimal(10, 2) NOT NULL DEFAULT 0,\r\n  Note nvarchar(50),\r\n  Total AS Qty * Price,\r\n"
         "  CONSTRAINT PK_Orders PRIMARY KEY CLUSTERED (OrderID) ON [PRIMARY]\r\n) ON [PRIMARY]",
         "Msg 0, Level 0, Procedure sp_addtype: Type added."},
        // The column grid of the table details window: a user type and a computed column.
        {"Select SysColumns.Name ColName,SysTypes.Name DataType,SysColumns.Length Length, SysColumns.XPrec Prec, "
         "SysColumns.XScale Scale,SysColumns.IsNullable Nullable  From SysColumns, SysTypes Where   "
         "Id=Object_Id(N'[Shop].[dbo].[Orders]') And SysColumns.XUserType = SysTypes.XUserType",
         "[6]\nOrderID|int|4|10|0|0\nCustomer|ssn|11|0|0|1\nQty|smallint|2|5|0|0\nPrice|decimal|9|10|2|0\nNote|"
         "nvarchar|100|0|0|1\nTotal|decimal|9|10|2|1"},
        {"SELECT o.name, o.xtype, o.type, o.info, o.sysstat, c.colid, c.number, c.text FROM sysobjects o "
         "JOIN syscomments c ON c.id = o.id WHERE o.parent_obj = OBJECT_ID('Orders') OR o.id = OBJECT_ID('Orders') "
         "ORDER BY o.id, c.number "
         "SELECT name, xtype, type FROM sysobjects WHERE xtype = 'PK' "
         "SELECT colid, status FROM sysconstraints ORDER BY constid "
         "SELECT indid, status, keycnt, name FROM sysindexes WHERE id = OBJECT_ID('Orders')",
         "[8]\nOrders|U{+1}|U{+1}|0|3|1|6|([Qty] * "
         "[Price])\nDF_Orders_Qty|D{+1}|D{+1}|3|6|1|0|(1)\nDF__Orders__Price__79A81403|D{+1}|D{+1}|4|6|1|0|(0)\nCK__"
         "Orders__Qty__7D78A4E7|C{+1}|C{+1}|3|10|1|0|([Qty] > "
         "0)\n[3]\nPK_Orders|PK|K{+1}\n[2]\n3|21\n4|21\n0|33\n3|20\n[4]\n1|2066|1|PK_Orders"},
        {"INSERT INTO Orders (Price) VALUES (2.5) SELECT OrderID, Qty, Price, Total FROM Orders "
         "INSERT INTO Orders (Qty, Price) VALUES (0, 1)",
         "(1 rows)\n[4]\n100|1|2.50|2.50\nMsg 547, Level 16: INSERT statement conflicted with COLUMN CHECK constraint "
         "'CK__Orders__Qty__7D78A4E7'. The conflict occurred in database 'Shop', table 'Orders', column 'Qty'.\nMsg "
         "3621, Level 0: The statement has been terminated."},
        {"CREATE TABLE Notes (NoteID int IDENTITY, Body varchar(20) NULL, Stamp timestamp NOT NULL, Sent datetime "
         "NULL CONSTRAINT DF_Sent DEFAULT (GETDATE()), Code char(3) NULL DEFAULT 'N/A', Name nvarchar(9) NULL "
         "DEFAULT N'O''Brien', CHECK (Body IS NULL OR Body <> Code), CHECK (Code IN ('UK', 'US')), "
         "CHECK (Body LIKE '[0-9]-%' AND NoteID - -1 <> 0), CHECK (CONVERT(varchar(10), Sent, 101) <> ''))\n"
         "SELECT c.text FROM syscomments c JOIN sysobjects o ON o.id = c.id WHERE o.parent_obj = OBJECT_ID('Notes') "
         "ORDER BY o.id",
         "[1]\n(getdate())\n('N/A')\n(N'O''Brien')\n([Body] is null or [Body] <> [Code])\n([Code] in "
         "('UK','US'))\n([Body] like '[0-9]-%' and [NoteID] - -1 <> 0)\n(convert(varchar(10),[Sent],101) <> '')"},
        {"SELECT name, xtype, length, isnullable FROM syscolumns WHERE name = 'Stamp' SET NOCOUNT ON "
         "INSERT INTO Notes (Body, Code) VALUES ('1-a', 'UK') INSERT INTO Notes (Body, Code) VALUES ('2-b', 'US') "
         "UPDATE Notes SET Body = '3-c' WHERE NoteID = 1 SELECT NoteID, Stamp FROM Notes ORDER BY NoteID",
         "[4]\nStamp|189|8|0\n[2]\n1|0x00000000000007D3\n2|0x00000000000007D2"},
        {"CREATE TABLE Tickets (TicketID int IDENTITY(100, 10) PRIMARY KEY, Title varchar(30) NOT NULL) "
         "INSERT INTO Tickets (Title) SELECT 'c' UNION ALL SELECT 'd' SET IDENTITY_INSERT Tickets ON "
         "INSERT INTO Tickets (TicketID, Title) VALUES (500, 'e') SET IDENTITY_INSERT Tickets OFF "
         "INSERT INTO Tickets (Title) VALUES ('f') DELETE FROM Tickets WHERE TicketID < 110 "
         "SELECT * FROM Tickets SELECT indid, rows, rowcnt, name FROM sysindexes WHERE id = OBJECT_ID('Tickets')",
         "[2]\n110|d\n500|e\n510|f\n[4]\n1|3|3|PK__Tickets__108B795B"},
    });
}

TEST_F(EngineCatalog, KeysAndForeignKeys)
{
    prepare({"CREATE TABLE Employees (EmployeeID int NOT NULL PRIMARY KEY NONCLUSTERED, Name varchar(40) NOT NULL, "
             "ManagerID int NULL REFERENCES Employees (EmployeeID))",
             "CREATE TABLE OrderLines (OrderID int NOT NULL, LineNo smallint NOT NULL, Sku char(8) NOT NULL, "
             "CONSTRAINT PK_OrderLines PRIMARY KEY (OrderID, LineNo))",
             "CREATE TABLE Shipments (ShipmentID int NOT NULL, OrderID int NOT NULL, LineNo smallint NOT NULL, "
             "CONSTRAINT FK_Shipments_Lines FOREIGN KEY (LineNo, OrderID) REFERENCES OrderLines (LineNo, OrderID) "
             "ON DELETE CASCADE)"});
    expectTranscripts({
        // The referring tables of the table details window.
        {"Select  Distinct O.Name TableName, C.Name FieldName  From    SysReferences R, SysObjects O, SysColumns C, "
         "SysConstraints T Where O.Id = R.RKeyId And R.ConstId = T.ConstId And C.Id = T.Id And C.ColId = T.ColId "
         "And R.FKeyId = Object_Id(N'[Shop].[dbo].[Employees]')",
         "[2]\nEmployees|ManagerID"},
        {"SET NOCOUNT ON INSERT INTO OrderLines VALUES (1, 1, 'A') INSERT INTO Shipments VALUES (9, 1, 1) "
         "DELETE FROM OrderLines SELECT COUNT(*) FROM Shipments",
         "[1]\n0"},
        {"DROP TABLE OrderLines", "Msg 3726, Level 16: Could not drop object 'OrderLines' because it is referenced by "
                                  "a FOREIGN KEY constraint."},
        {"EXEC sp_pkeys N'Employees' EXECUTE sp_pkeys @table_name = N'Missing'",
         "[6]\nShop|dbo|Employees|EmployeeID|1|PK__Employees__77BFCB91\n[6]"},
    });
}

TEST_F(EngineCatalog, AlteredAndDroppedTablesKeepTheCatalogRight)
{
    prepare({"CREATE TABLE Customers (CustomerID nchar(5) NOT NULL, Name nvarchar(40) NOT NULL)\n"
             "CREATE TABLE Orders (OrderID int NOT NULL, CustomerID nchar(5) NULL)\n"
             "INSERT INTO Customers VALUES ('ALFKI', 'Alfreds') INSERT INTO Orders VALUES (1, 'ALFKI')\n"
             "INSERT INTO Orders VALUES (7, 'NOONE')\n"
             "ALTER TABLE Customers ADD CONSTRAINT PK_Customers PRIMARY KEY CLUSTERED (CustomerID)\n"
             "ALTER TABLE Orders WITH NOCHECK ADD CONSTRAINT FK_Orders_Customers FOREIGN KEY (CustomerID) "
             "REFERENCES dbo.Customers (CustomerID)"});
    expectTranscripts({
        {"ALTER TABLE Orders ADD CONSTRAINT FK_Strict FOREIGN KEY (CustomerID) REFERENCES Customers (CustomerID)",
         "Msg 547, Level 16: ALTER TABLE statement conflicted with COLUMN FOREIGN KEY constraint 'FK_Strict'. The "
         "conflict occurred in database 'Shop', table 'Customers', column 'CustomerID'.\nMsg 3621, Level 0: The "
         "statement has been terminated."},
        {"ALTER TABLE Orders ADD CONSTRAINT CK_Small CHECK (OrderID < 5)",
         "Msg 547, Level 16: ALTER TABLE statement conflicted with TABLE CHECK constraint 'CK_Small'. The conflict "
         "occurred in database 'Shop', table 'Orders'.\nMsg 3621, Level 0: The statement has been terminated."},
        {"ALTER TABLE Orders WITH NOCHECK ADD CONSTRAINT CK_Small CHECK (OrderID < 5) DELETE FROM Orders WHERE OrderID "
         "= "
         "7 ALTER TABLE Orders ADD Freight money NOT NULL CONSTRAINT DF_Orders_Freight DEFAULT (0), Shipped datetime "
         "NULL SELECT * FROM Orders SELECT name, colid, OBJECT_NAME(cdefault) FROM syscolumns WHERE id = "
         "OBJECT_ID('Orders') SELECT OBJECT_NAME(constid), rkeyindid FROM sysreferences "
         "SELECT indid, status, rows FROM sysindexes WHERE id = OBJECT_ID('Customers')",
         "(1 "
         "rows)\n[4]\n1|ALFKI|0.0000|NULL\n[3]\nOrderID|1|NULL\nCustomerID|2|NULL\nFreight|3|DF_Orders_"
         "Freight\nShipped|4|NULL\n[2]\nFK_Orders_Customers|1\n[3]\n1|2066|1"},
        {"ALTER TABLE Orders ADD Region int NOT NULL",
         "Msg 4901, Level 16: ALTER TABLE only allows columns to be added that can contain nulls or have a DEFAULT "
         "definition specified. Column 'Region' cannot be added to table 'Orders' because it does not allow nulls and "
         "does not specify a DEFAULT definition."},
        {"ALTER TABLE Orders ADD CONSTRAINT DF_Orders_Shipped DEFAULT ('19990101') FOR Shipped INSERT INTO Orders "
         "(OrderID, CustomerID) VALUES (3, 'ALFKI') SELECT * FROM Orders WHERE OrderID = 3",
         "(1 rows)\n[4]\n3|ALFKI|0.0000|1999-01-01 00:00:00.000"},
        // Adding a column rebuilds the table: the key that refers to it still holds, a bound default still fills.
        {"CREATE DEFAULT dfRegion AS 'West'", ""},
        {"ALTER TABLE Customers ADD Region varchar(10) NULL EXEC sp_bindefault dfRegion, 'Customers.Region' "
         "ALTER TABLE Customers ADD Rating int NULL INSERT INTO Customers (CustomerID, Name) VALUES ('BONAP', 'Bon') "
         "SELECT * FROM Customers INSERT INTO Orders (OrderID, CustomerID) VALUES (2, 'NONE')",
         "Msg 15511, Level 10, Procedure sp_bindefault: Default bound to column.\n(1 "
         "rows)\n[4]\nALFKI|Alfreds|NULL|NULL\nBONAP|Bon|West|NULL\nMsg 547, Level 16: INSERT statement conflicted "
         "with COLUMN FOREIGN KEY constraint 'FK_Orders_Customers'. The conflict occurred in database 'Shop', table "
         "'Customers', column 'CustomerID'.\nMsg 3621, Level 0: The statement has been terminated."},
        {"CREATE TRIGGER trOrders ON Orders FOR INSERT AS SELECT 1", ""},
        {"CREATE INDEX IX_Orders_Shipped ON Orders (Shipped DESC) DROP TABLE Customers",
         "Msg 3726, Level 16: Could not drop object 'Customers' because it is referenced by a FOREIGN KEY constraint."},
        {"DROP TABLE Orders DROP TABLE Customers SELECT name FROM sysobjects WHERE id > 100 "
         "SELECT COUNT(*) FROM syscolumns WHERE id > 100 SELECT COUNT(*) FROM sysindexes WHERE id > 100 "
         "SELECT text FROM syscomments",
         "[1]\nsysconstraints\nsyssegments\ndfRegion\n[1]\n10\n[1]\n0\n[1]\nCREATE DEFAULT dfRegion AS 'West'"},
        {"DROP TABLE Orders",
         "Msg 3701, Level 11: Cannot drop the table 'Orders', because it does not exist in the system catalog."},
        {"DROP VIEW dfRegion",
         "Msg 3705, Level 16: Cannot use DROP VIEW with 'dfRegion' because 'dfRegion' is a default. Use DROP DEFAULT."},
    });
}

// A statement is split at DROP and ALTER inside ALTER TABLE, so these answer 102 and 50000 instead.
TEST_F(EngineCatalog, AlterTableDropsConstraintsAndColumnsAndAltersColumns)
{
    prepare({"CREATE TABLE Orders (OrderID int NOT NULL, CustomerID nchar(5) NULL, Freight money NOT NULL "
             "CONSTRAINT DF_Orders_Freight DEFAULT (0), CONSTRAINT CK_Small CHECK (OrderID < 5))",
             "INSERT INTO Orders (OrderID) VALUES (1)"});
    expectTranscripts({
        {"ALTER TABLE Orders DROP CONSTRAINT CK_Small", ""},
        {"ALTER TABLE Orders DROP COLUMN Freight",
         "Msg 5074, Level 16: The object 'DF_Orders_Freight' is dependent on column 'Freight'."},
        {"ALTER TABLE Orders ALTER COLUMN CustomerID nchar(8) NOT NULL",
         "Msg 515, Level 16: Cannot insert the value NULL into column 'CustomerID', table 'Shop.dbo.Orders'; column "
         "does "
         "not allow nulls. UPDATE fails.\nMsg 3621, Level 0: The statement has been terminated."},
    });
}

TEST_F(EngineCatalog, DdlErrorsInSqlServersWords)
{
    prepare({"CREATE TABLE Parts (PartID int NOT NULL PRIMARY KEY, Name varchar(20))"});
    expectTranscripts({
        {"CREATE TABLE parts (X int)", "Msg 2714, Level 16: There is already an object named 'parts' in the database."},
        {"CREATE TABLE Bins (A int, a int)", "Msg 2705, Level 16: Column names in each table must be unique. Column "
                                             "name 'a' in table 'Bins' is specified more than once."},
        // A failed statement leaves the id sequence where it was: the next table gets the next id.
        {"CREATE TABLE Bins (A int REFERENCES Nowhere (A))",
         "Msg 1767, Level 16: Foreign key 'FK__Bins__A__7B905C75' references invalid table 'Nowhere'."},
        {"CREATE TABLE Bins (A int NULL PRIMARY KEY)",
         "Msg 8111, Level 16: Cannot define PRIMARY KEY constraint on nullable column in table 'Bins'."},
        {"CREATE TABLE Bins (A varchar(10) IDENTITY)",
         "Msg 2749, Level 16: Identity column 'A' must be of data type int, bigint, smallint, tinyint, or decimal or "
         "numeric with a scale of 0, and constrained to be nonnullable."},
        {"CREATE TABLE Bins (A widget)", "Msg 2715, Level 16: Column or parameter #1: Cannot find data type widget."},
        {"CREATE TABLE Bins (A nchar(4001))",
         "Msg 2717, Level 16: The size (4001) given to the parameter 'nchar' exceeds the maximum allowed (4000)."},
        {"CREATE TABLE Bins (A int,", "Msg 102, Level 15: Incorrect syntax near ','."},
        {"CREATE TABLE Bins (A int NOT NULL PRIMARY KEY) SELECT name FROM sysobjects WHERE id > 100 ORDER BY id",
         "[1]\nsysconstraints\nsyssegments\nParts\nPK__Parts__77BFCB91\nBins\nPK__Bins__7B905C75"},
        {"CREATE DEFAULT dfZero AS 0", ""},
        {"CREATE TABLE Stock (Sku char(8) NOT NULL, OnHand int NOT NULL) "
         "EXEC sp_bindefault 'dfZero', 'Stock.OnHand' INSERT INTO Stock (Sku) VALUES ('A1') SELECT * FROM Stock "
         "SELECT o.xtype, o.parent_obj, c.name, m.text FROM sysobjects o JOIN syscolumns c ON c.cdefault "
         "= o.id JOIN syscomments m ON m.id = o.id",
         "Msg 15511, Level 10, Procedure sp_bindefault: Default bound to column.\n(1 "
         "rows)\n[2]\nA1{+6}|0\n[4]\nD{+1}|0|OnHand|CREATE DEFAULT dfZero AS 0"},
        {"DROP DEFAULT dfZero",
         "Msg 3716, Level 16: Cannot drop the default 'dfZero' because it is bound to one or more column."},
        {"sp_unbindefault 'Stock.OnHand' DROP DEFAULT dfZero CREATE UNIQUE NONCLUSTERED INDEX IX_Stock_Sku ON "
         "dbo.Stock (Sku) WITH FILLFACTOR = 90 ON [PRIMARY] CREATE CLUSTERED INDEX IX_Stock_OnHand ON Stock (OnHand "
         "DESC) SET NOCOUNT ON INSERT INTO Stock VALUES ('B2', 7) INSERT INTO Stock VALUES ('C3', 7) "
         "SELECT indid, status, keycnt, rows, name FROM sysindexes WHERE id = OBJECT_ID('Stock') ORDER BY indid",
         "Msg 15518, Level 10, Procedure sp_unbindefault: Default unbound from table "
         "column.\n[5]\n1|16|1|3|IX_Stock_OnHand\n2|2|1|3|IX_Stock_Sku"},
        {"CREATE UNIQUE INDEX IX_Stock_Unique ON Stock (OnHand)",
         "Msg 1505, Level 16: CREATE UNIQUE INDEX terminated because a duplicate key was found for index ID 3. Most "
         "significant primary key is '7'."},
        {"CREATE INDEX IX_Stock_Sku ON Stock (OnHand)",
         "Msg 1913, Level 16: There is already an index on table 'Stock' named 'IX_Stock_Sku'."},
        {"DROP INDEX Stock.IX_Nothing", "Msg 3703, Level 11: Cannot drop the index 'Stock.IX_Nothing', because it does "
                                        "not exist in the system catalog."},
    });
}

TEST_F(EngineCatalog, ProceduresFunctionsViewsAndTriggers)
{
    prepare({"CREATE TABLE Products (ProductID int NOT NULL PRIMARY KEY, ProductName nvarchar(40) NOT NULL, "
             "UnitPrice money NULL, Discontinued bit NOT NULL)"});
    expectTranscripts({
        {"-- lists products\r\nCREATE PROCEDURE dbo.GetProducts\r\n  @MinPrice money = 0,\r\n"
         "  @Name nvarchar(40) = N'%',\r\n  @Count int OUTPUT\r\nAS\r\n"
         "SELECT ProductName, UnitPrice FROM dbo.Products WHERE UnitPrice >= @MinPrice\r\nSET @Count = @@ROWCOUNT\r\n",
         ""},
        {"SELECT name, xtype, type, uid, parent_obj, category FROM sysobjects WHERE name = 'GetProducts' "
         "SELECT number, colid, text FROM syscomments WHERE id = OBJECT_ID('GetProducts') "
         "SELECT c.name, d.readobj, d.resultobj FROM sysdepends d JOIN syscolumns c ON c.id = d.depid AND c.colid = "
         "d.depnumber AND c.number = 0 WHERE d.id = OBJECT_ID('GetProducts') ORDER BY d.depnumber",
         "[6]\nGetProducts|P{+1}|P{+1}|1|0|0\n[3]\n1|1|CREATE PROCEDURE dbo.GetProducts\r\n  @MinPrice money = 0,\r\n  "
         "@Name nvarchar(40) = N'%',\r\n  @Count int OUTPUT\r\nAS\r\nSELECT ProductName, UnitPrice FROM dbo.Products "
         "WHERE UnitPrice >= @MinPrice\r\nSET @Count = @@ROWCOUNT\r\n\n[3]\nProductName|1|0\nUnitPrice|1|0"},
        {"CREATE PROC GetProducts AS SELECT 1",
         "Msg 2714, Level 16: There is already an object named 'GetProducts' in the database."},
        {"CREATE FUNCTION dbo.PriceWithTax (@Price money, @Rate decimal(5, 2) = 0.2)\r\nRETURNS money\r\nAS\r\n"
         "BEGIN\r\n  RETURN @Price * (1 + @Rate)\r\nEND",
         ""},
        {"CREATE FUNCTION Cheap (@Max money)\r\nRETURNS @Result TABLE (ProductID int NOT NULL, Name nvarchar(40))\r\n"
         "AS\r\nBEGIN\r\n  INSERT INTO @Result SELECT ProductID, ProductName FROM Products WHERE UnitPrice < @Max\r\n"
         "  RETURN\r\nEND",
         ""},
        {"CREATE FUNCTION Listed () RETURNS TABLE AS RETURN (SELECT ProductID, ProductName FROM Products)", ""},
        {"SELECT OBJECT_NAME(id), name, colid, number, xtype, length, isnullable FROM syscolumns WHERE id IN "
         "(OBJECT_ID('Cheap'), OBJECT_ID('Listed'), OBJECT_ID('PriceWithTax')) ORDER BY id, number, colid",
         "[7]\nPriceWithTax||0|1|60|8|1\nPriceWithTax|@Price|1|1|60|8|1\nPriceWithTax|@Rate|2|1|106|5|1\nCheap|"
         "ProductID|1|0|56|4|0\nCheap|Name|2|0|231|80|1\nCheap|@Max|1|1|60|8|1\nListed|ProductID|1|0|56|4|0\nListed|"
         "ProductName|2|0|231|80|0"},
        {"CREATE VIEW dbo.CurrentProducts\r\nAS\r\nSELECT ProductID, ProductName AS Name FROM Products WHERE "
         "Discontinued = 0",
         ""},
        {"SET NOCOUNT ON INSERT INTO Products VALUES (1, 'Chai', 18, 0) INSERT INTO Products VALUES (2, 'Chang', 19, "
         "1) "
         "SELECT * FROM CurrentProducts SELECT name, colid, xtype, length, isnullable FROM syscolumns WHERE id = "
         "OBJECT_ID('CurrentProducts') SELECT depnumber FROM sysdepends WHERE id = OBJECT_ID('CurrentProducts')",
         "[2]\n1|Chai\n[5]\nProductID|1|56|4|0\nName|2|231|80|0\n[1]\n1\n2\n4"},
        {"DECLARE @id int SET @id = OBJECT_ID('CurrentProducts') EXEC ('ALTER VIEW CurrentProducts AS SELECT ProductID "
         "FROM Products') SELECT OBJECT_ID('CurrentProducts') - @id, COUNT(*) FROM syscolumns WHERE id = @id",
         "[2]\n0|1"},
        {"DROP VIEW CurrentProducts SELECT COUNT(*) FROM sysdepends WHERE id NOT IN (OBJECT_ID('Cheap'), "
         "OBJECT_ID('Listed'), OBJECT_ID('GetProducts'))",
         "[1]\n0"},
        {"CREATE TRIGGER trProductsAudit ON Products FOR INSERT, UPDATE AS\r\nSET NOCOUNT ON", ""},
        {"SELECT OBJECT_NAME(instrig), OBJECT_NAME(updtrig), deltrig FROM sysobjects WHERE name = 'Products' "
         "SELECT xtype, OBJECT_NAME(parent_obj) FROM sysobjects WHERE name = 'trProductsAudit' "
         "Select Name From SysObjects where xtype='TR' and parent_obj = object_id(N'[Shop].[dbo].[Products]')",
         "[3]\ntrProductsAudit|trProductsAudit|0\n[2]\nTR|Products\n[1]\ntrProductsAudit"},
        {"DROP TRIGGER trProductsAudit SELECT instrig, updtrig FROM sysobjects WHERE name = 'Products'", "[2]\n0|0"},
    });
}

TEST_F(EngineCatalog, UserTypesRulesAndSourceText)
{
    expectTranscripts({
        {"EXEC sp_addtype @typename = 'Percent', @phystype = 'decimal(5,2)', @nulltype = 'NULL'",
         "Msg 0, Level 0, Procedure sp_addtype: Type added."},
        {"CREATE RULE rlPercent AS @value BETWEEN 0 AND 100", ""},
        {"CREATE DEFAULT dfHalf AS 50", ""},
        {"EXEC sp_bindrule 'rlPercent', 'Percent' CREATE TABLE Rates (Code char(2) NOT NULL, Rate Percent) "
         "EXEC sp_bindefault 'dfHalf', 'Percent'",
         "Msg 15515, Level 10, Procedure sp_bindrule: Rule bound to data type.\nMsg 15512, Level 10, Procedure "
         "sp_bindefault: Default bound to data type.\nMsg 15513, Level 10, Procedure sp_bindefault: The new default "
         "has been bound to columns(s) of the specified user data type."},
        {"SET NOCOUNT ON INSERT INTO Rates (Code) VALUES ('A') SELECT * FROM Rates "
         "SELECT name, xtype, length, xprec, xscale, allownulls, OBJECT_NAME(tdefault), OBJECT_NAME(domain) FROM "
         "systypes WHERE name = 'Percent' SELECT name, isnullable, OBJECT_NAME(cdefault), OBJECT_NAME(domain) FROM "
         "syscolumns WHERE name = 'Rate' SELECT xtype, type, sysstat FROM sysobjects WHERE name = 'rlPercent'",
         "[2]\nA{+1}|50.00\n[8]\nPercent|106|5|5|2|1|dfHalf|rlPercent\n[4]\nRate|1|dfHalf|rlPercent\n[3]\nR{+1}|R{+1}|"
         "7"},
        {"EXEC sp_droptype 'Percent'", "Msg 15180, Level 16: Cannot drop. The data type is being used."},
        {"EXEC sp_addtype 'Percent', 'int'", "Msg 15029, Level 16: The type 'Percent' already exists in the database."},
        {"DROP TABLE Rates EXEC sp_droptype Percent SELECT COUNT(*) FROM systypes",
         "Msg 0, Level 0, Procedure sp_droptype: Type has been dropped.\n[1]\n26"},
        {"CREATE TABLE People (First nvarchar(20) NOT NULL, Last varchar(30) NOT NULL, Born smalldatetime, Age "
         "tinyint, "
         "Score real, FullName AS First + N' ' + Last, Older AS Age + 1, Scaled AS Score * Age, Later AS Born + 1)\n"
         "SELECT c.name, t.name, c.length, c.iscomputed, m.text FROM syscolumns c JOIN systypes t ON t.xusertype = "
         "c.xusertype JOIN syscomments m ON m.id = c.id AND m.number = c.colid WHERE c.id = OBJECT_ID('People') "
         "ORDER BY c.colid",
         "[5]\nFullName|nvarchar|102|1|([First] + N' ' + [Last])\nOlder|tinyint|1|1|([Age] + "
         "1)\nScaled|real|4|1|([Score] * [Age])\nLater|smalldatetime|4|1|([Born] + 1)"},
        // sp_helptext: a row per line, kept whole up to 255 characters.
        {"CREATE PROCEDURE Wide AS\r\nSELECT '" + std::string(250, 'a') + "' AS Wide\r\nRETURN 0", ""},
        {"SP_HelpText '[Wide]'",
         "[1]\nCREATE PROCEDURE Wide AS\r\n\nSELECT '" + std::string(247, 'a') + "\naaa' AS Wide\r\n\nRETURN 0"},
        {"sp_helptext 'People'", "Msg 15197, Level 16: There is no text for object 'People'."},
        {"sp_helptext 'Nothing'", "Msg 15009, Level 16: The object 'Nothing' does not exist in database 'Shop'."},
    });
}

} // namespace
} // namespace sandbox::test
