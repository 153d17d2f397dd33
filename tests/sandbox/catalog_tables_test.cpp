// CREATE / ALTER / DROP TABLE, constraints, identity values, indexes, defaults and user-defined types.
#include "catalog_fixture.h"

namespace sandbox::catalog::testing {
namespace {

using TableTest = CatalogTest;

const char* const ordersTable =
    "CREATE TABLE [dbo].[Orders] (\r\n"
    "  OrderID int IDENTITY(100, 10) NOT NULL,\r\n"
    "  Customer ssn NULL,\r\n"
    "  Qty smallint NOT NULL CONSTRAINT DF_Orders_Qty DEFAULT (1) CHECK (Qty > 0),\r\n"
    "  Price decimal(10, 2) NOT NULL DEFAULT 0,\r\n"
    "  Note nvarchar(50),\r\n"
    "  Total AS Qty * Price,\r\n"
    "  CONSTRAINT PK_Orders PRIMARY KEY CLUSTERED (OrderID) ON [PRIMARY]\r\n"
    ") ON [PRIMARY]";

TEST_F(TableTest, ColumnsOfATableWithIdentityComputedDefaultsAndUserType)
{
    ASSERT_TRUE(run("EXEC sp_addtype N'ssn', N'varchar(11)', N'NOT NULL'"));
    ASSERT_TRUE(run(ordersTable));
    const std::string id = idOf("Orders");
    EXPECT_EQ(id, "1977058079");
    EXPECT_EQ(rows("SELECT name, colid, xtype, xusertype, length, xprec, xscale, prec, ifnull(scale, 'NULL'), isnullable, "
                   "iscomputed, status, cdefault <> 0, number FROM syscolumns WHERE id = " + id + " ORDER BY colid"),
              (Rows{{"OrderID", "1", "56", "56", "4", "10", "0", "10", "0", "0", "0", "128", "0", "0"},
                    {"Customer", "2", "167", "257", "11", "0", "0", "11", "NULL", "1", "0", "24", "0", "0"},
                    {"Qty", "3", "52", "52", "2", "5", "0", "5", "0", "0", "0", "0", "1", "0"},
                    {"Price", "4", "106", "106", "9", "10", "2", "10", "2", "0", "0", "0", "1", "0"},
                    {"Note", "5", "231", "231", "100", "0", "0", "50", "NULL", "1", "0", "8", "0", "0"},
                    {"Total", "6", "106", "106", "9", "10", "2", "10", "2", "1", "1", "8", "0", "0"}}));
    // The grid query of the table details window.
    EXPECT_EQ(rows("Select SysColumns.Name ColName,SysTypes.Name DataType,SysColumns.Length Length, SysColumns.XPrec Prec, "
                   "SysColumns.XScale Scale,SysColumns.IsNullable Nullable  From SysColumns, SysTypes Where   Id=" + id +
                   " And SysColumns.XUserType = SysTypes.XUserType"),
              (Rows{{"OrderID", "int", "4", "10", "0", "0"},
                    {"Customer", "ssn", "11", "0", "0", "1"},
                    {"Qty", "smallint", "2", "5", "0", "0"},
                    {"Price", "decimal", "9", "10", "2", "0"},
                    {"Note", "nvarchar", "100", "0", "0", "1"},
                    {"Total", "decimal", "9", "10", "2", "1"}}));
    // A stored decimal keeps its digits as text (TEXT affinity); the computed one is SQLite's own.
    EXPECT_EQ(rows("SELECT name, type FROM pragma_table_xinfo('Orders')"),
              (Rows{{"OrderID", "INT"}, {"Customer", "varchar(11)"}, {"Qty", "smallint"}, {"Price", "decimal text(10,2)"},
                    {"Note", "nvarchar(50)"}, {"Total", "decimal(10,2)"}}));
    EXPECT_EQ(rows("SELECT name, type FROM systypes WHERE xusertype = 257"), (Rows{{"ssn", "39"}}));
    EXPECT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages.at(0).text, "Type added.");
}

TEST_F(TableTest, ConstraintsBecomeObjectsWithSqlServerNamesAndText)
{
    ASSERT_TRUE(run("EXEC sp_addtype ssn, 'varchar(11)'"));
    ASSERT_TRUE(run(ordersTable));
    const std::string id = idOf("Orders");
    const std::string check = value("SELECT id FROM sysobjects WHERE xtype = 'C'");
    const std::string price = value("SELECT cdefault FROM syscolumns WHERE name = 'Price'");
    EXPECT_EQ(rows("SELECT name, xtype, type, parent_obj = " + id + ", info, sysstat FROM sysobjects WHERE parent_obj <> 0 ORDER BY id"),
              (Rows{{"DF_Orders_Qty", "D ", "D ", "1", "3", "6"},
                    {"DF__Orders__Price__" + hex8(price), "D ", "D ", "1", "4", "6"},
                    {"PK_Orders", "PK", "K ", "1", "0", "9"},
                    {"CK__Orders__Qty__" + hex8(check), "C ", "C ", "1", "3", "10"}}));
    EXPECT_EQ(rows("SELECT o.name, c.colid, c.number, c.text FROM syscomments c JOIN sysobjects o ON o.id = c.id ORDER BY o.id, c.number"),
              (Rows{{"Orders", "1", "6", "([Qty] * [Price])"},
                    {"DF_Orders_Qty", "1", "0", "(1)"},
                    {"DF__Orders__Price__" + hex8(price), "1", "0", "(0)"},
                    {"CK__Orders__Qty__" + hex8(check), "1", "0", "([Qty] > 0)"}}));
    EXPECT_EQ(rows("SELECT colid, status FROM sysconstraints ORDER BY constid"),
              (Rows{{"3", "21"}, {"4", "21"}, {"0", "33"}, {"3", "20"}}));
    EXPECT_EQ(rows("SELECT indid, status, keycnt, name FROM sysindexes WHERE id = " + id),
              (Rows{{"1", "2066", "1", "PK_Orders"}}));
    // SQLite enforces what SQL Server would: the CHECK, the default and the key.
    exec("INSERT INTO Orders (Price) VALUES (2.5)");
    EXPECT_EQ(rows("SELECT OrderID, Qty, Price, Total FROM Orders"), (Rows{{"100", "1", "2.5", "2.5"}}));
    EXPECT_NE(sqlite3_exec(db_, "INSERT INTO Orders (Qty, Price) VALUES (0, 1)", nullptr, nullptr, nullptr), SQLITE_OK);
}

TEST_F(TableTest, AnExpressionSqliteRefusesIsCataloguedWithoutEnforcement)
{
    // This connection has none of the engine's T-SQL functions, so SQLite refuses the translated CHECK.
    ASSERT_TRUE(run("CREATE TABLE Shipments (ShipDate datetime NOT NULL, CONSTRAINT CK_Future CHECK (ShipDate > getdate()))"));
    EXPECT_EQ(value("SELECT text FROM syscomments WHERE id = " + idOf("CK_Future")), "([ShipDate] > getdate())");
    EXPECT_EQ(value("SELECT sql FROM sqlite_master WHERE name = 'Shipments'"),
              "CREATE TABLE \"Shipments\" (\"ShipDate\" datetime NOT NULL)");
}

TEST_F(TableTest, IdentityValuesAndRowCounts)
{
    ASSERT_TRUE(run("CREATE TABLE Tickets (TicketID int IDENTITY(100, 10) PRIMARY KEY, Title varchar(30) NOT NULL)"));
    exec("INSERT INTO Tickets (Title) VALUES ('a'); INSERT INTO Tickets (Title) VALUES ('b'); "
         "INSERT INTO Tickets (Title) SELECT 'c' UNION ALL SELECT 'd'");
    EXPECT_EQ(rows("SELECT TicketID, Title FROM Tickets ORDER BY TicketID"),
              (Rows{{"100", "a"}, {"110", "b"}, {"120", "c"}, {"130", "d"}}));
    // An explicit value (IDENTITY_INSERT) moves the counter past it.
    exec("INSERT INTO Tickets (TicketID, Title) VALUES (500, 'e'); INSERT INTO Tickets (Title) VALUES ('f')");
    EXPECT_EQ(value("SELECT TicketID FROM Tickets WHERE Title = 'f'"), "510");
    EXPECT_EQ(rows("SELECT column_name, seed, increment, current FROM sandbox_identity"), (Rows{{"TicketID", "100", "10", "510"}}));
    EXPECT_EQ(rows("SELECT indid, rows, rowcnt FROM sysindexes WHERE id = " + idOf("Tickets")), (Rows{{"1", "6", "6"}}));
    exec("DELETE FROM Tickets WHERE TicketID < 130");
    EXPECT_EQ(value("SELECT rows FROM sysindexes WHERE id = " + idOf("Tickets")), "3");
    EXPECT_EQ(value("SELECT name FROM sysobjects WHERE xtype = 'PK'"), "PK__Tickets__" + hex8(value("SELECT id FROM sysobjects WHERE xtype = 'PK'")));
}

TEST_F(TableTest, TimestampColumnsTakeTheNextDatabaseTimestamp)
{
    ASSERT_TRUE(run("CREATE TABLE Notes (NoteID int IDENTITY, Body varchar(20) NULL, Stamp timestamp NOT NULL)"));
    EXPECT_EQ(rows("SELECT name, xtype, length, isnullable FROM syscolumns WHERE name = 'Stamp'"), (Rows{{"Stamp", "189", "8", "0"}}));
    exec("INSERT INTO Notes (Body) VALUES ('a'); INSERT INTO Notes (Body) VALUES ('b')");
    EXPECT_EQ(rows("SELECT NoteID, hex(Stamp) FROM Notes ORDER BY NoteID"),
              (Rows{{"1", "00000000000007D1"}, {"2", "00000000000007D2"}}));
    exec("UPDATE Notes SET Body = 'c' WHERE NoteID = 1");
    EXPECT_EQ(value("SELECT hex(Stamp) FROM Notes WHERE NoteID = 1"), "00000000000007D3");
    EXPECT_EQ(value("SELECT dbts FROM sandbox_catalog"), "2003");
}

TEST_F(TableTest, SelfReferencingForeignKeyAndTwoColumnKey)
{
    ASSERT_TRUE(run("CREATE TABLE Employees (EmployeeID int NOT NULL PRIMARY KEY NONCLUSTERED, Name varchar(40) NOT NULL, "
                    "ManagerID int NULL REFERENCES Employees (EmployeeID))"));
    ASSERT_TRUE(run("CREATE TABLE OrderLines (OrderID int NOT NULL, LineNo smallint NOT NULL, Sku char(8) NOT NULL, "
                    "CONSTRAINT PK_OrderLines PRIMARY KEY (OrderID, LineNo))"));
    ASSERT_TRUE(run("CREATE TABLE Shipments (ShipmentID int NOT NULL, OrderID int NOT NULL, LineNo smallint NOT NULL, "
                    "CONSTRAINT FK_Shipments_Lines FOREIGN KEY (LineNo, OrderID) REFERENCES OrderLines (LineNo, OrderID) "
                    "ON DELETE CASCADE)"));
    const std::string employees = idOf("Employees");
    const std::string lines = idOf("OrderLines");
    const std::string shipments = idOf("Shipments");
    const std::string selfKey = value("SELECT id FROM sysobjects WHERE xtype = 'F' AND parent_obj = " + employees);
    EXPECT_EQ(value("SELECT name FROM sysobjects WHERE id = " + selfKey), "FK__Employees__Manag__" + hex8(selfKey));
    EXPECT_EQ(rows("SELECT constid = " + selfKey + ", fkeyid, rkeyid, rkeyindid, keycnt, hex(forkeys), hex(refkeys), fkey1, fkey2, "
                   "rkey1, rkey2 FROM sysreferences WHERE fkeyid = " + employees),
              (Rows{{"1", employees, employees, "2", "1", "0300", "0100", "3", "0", "1", "0"}}));
    EXPECT_EQ(rows("SELECT fkeyid, rkeyid, rkeyindid, keycnt, fkey1, fkey2, fkey3, rkey1, rkey2, rkey3 FROM sysreferences "
                   "WHERE fkeyid = " + shipments),
              (Rows{{shipments, lines, "1", "2", "3", "2", "0", "2", "1", "0"}}));
    EXPECT_EQ(rows("SELECT fkey, rkey, keyno FROM sysforeignkeys WHERE fkeyid = " + shipments + " ORDER BY keyno"),
              (Rows{{"3", "2", "1"}, {"2", "1", "2"}}));
    EXPECT_EQ(rows("SELECT indid, colid, keyno FROM sysindexkeys WHERE id = " + lines + " ORDER BY keyno"),
              (Rows{{"1", "1", "1"}, {"1", "2", "2"}}));
    EXPECT_EQ(rows("SELECT indid, status, name FROM sysindexes WHERE id = " + employees + " ORDER BY indid"),
              (Rows{{"0", "0", "Employees"}, {"2", "2050", "PK__Employees__" + hex8(value("SELECT id FROM sysobjects WHERE xtype = 'PK' AND parent_obj = " + employees))}}));
    // The referring-tables query of the table details window.
    EXPECT_EQ(rows("Select  Distinct O.Name TableName, C.Name FieldName  From    SysReferences R, SysObjects O, SysColumns C, "
                   "SysConstraints T Where O.Id = R.RKeyId And R.ConstId = T.ConstId And C.Id = T.Id And C.ColId = T.ColId "
                   "And R.FKeyId = " + employees),
              (Rows{{"Employees", "ManagerID"}}));
    EXPECT_EQ(rows("SELECT CONSTRAINT_NAME, TABLE_NAME, COLUMN_NAME, ORDINAL_POSITION FROM \"INFORMATION_SCHEMA.KEY_COLUMN_USAGE\" "
                   "WHERE TABLE_NAME <> 'Employees' ORDER BY TABLE_NAME, CONSTRAINT_NAME, ORDINAL_POSITION"),
              (Rows{{"PK_OrderLines", "OrderLines", "OrderID", "1"}, {"PK_OrderLines", "OrderLines", "LineNo", "2"},
                    {"FK_Shipments_Lines", "Shipments", "LineNo", "1"}, {"FK_Shipments_Lines", "Shipments", "OrderID", "2"}}));
    EXPECT_EQ(rows("SELECT CONSTRAINT_NAME, UNIQUE_CONSTRAINT_NAME, UPDATE_RULE, DELETE_RULE FROM "
                   "\"INFORMATION_SCHEMA.REFERENTIAL_CONSTRAINTS\" WHERE CONSTRAINT_NAME = 'FK_Shipments_Lines'"),
              (Rows{{"FK_Shipments_Lines", "PK_OrderLines", "NO ACTION", "CASCADE"}}));
    // SQLite carries the keys and the cascade.
    exec("PRAGMA foreign_keys = ON; INSERT INTO OrderLines VALUES (1, 1, 'A'); INSERT INTO Shipments VALUES (9, 1, 1); "
         "DELETE FROM OrderLines");
    EXPECT_EQ(value("SELECT count(*) FROM Shipments"), "0");
    EXPECT_EQ(failure("DROP TABLE OrderLines"),
              "3726 16: Could not drop object 'OrderLines' because it is referenced by a FOREIGN KEY constraint.");
}

TEST_F(TableTest, DropRemovesEveryCatalogRow)
{
    ASSERT_TRUE(run("EXEC sp_addtype ssn, 'varchar(11)', 'NULL'"));
    ASSERT_TRUE(run(ordersTable));
    ASSERT_TRUE(run("CREATE TRIGGER trOrders ON Orders FOR INSERT AS SELECT 1"));
    ASSERT_TRUE(run("CREATE INDEX IX_Orders_Note ON Orders (Note DESC)"));
    const std::string id = idOf("Orders");
    ASSERT_TRUE(run("DROP TABLE Orders"));
    for (const char* sql : {"SELECT count(*) FROM sysobjects WHERE id = %1 OR parent_obj = %1",
                            "SELECT count(*) FROM syscolumns WHERE id = %1", "SELECT count(*) FROM syscomments",
                            "SELECT count(*) FROM sysindexes WHERE id = %1", "SELECT count(*) FROM sysindexkeys WHERE id = %1",
                            "SELECT count(*) FROM sandbox_identity", "SELECT count(*) FROM sandbox_expression",
                            "SELECT count(*) FROM sqlite_master WHERE tbl_name = 'Orders'"}) {
        std::string query = sql;
        for (std::size_t at; (at = query.find("%1")) != std::string::npos;)
            query.replace(at, 2, id);
        EXPECT_EQ(value(query), "0") << query;
    }
    EXPECT_EQ(failure("DROP TABLE Orders"),
              "3701 11: Cannot drop the table 'Orders', because it does not exist in the system catalog.");
}

TEST_F(TableTest, ErrorsInSqlServerWords)
{
    ASSERT_TRUE(run("CREATE TABLE Parts (PartID int NOT NULL PRIMARY KEY, Name varchar(20))"));
    EXPECT_EQ(failure("CREATE TABLE parts (X int)"), "2714 16: There is already an object named 'parts' in the database.");
    EXPECT_EQ(failure("CREATE TABLE Bins (A int, a int)"),
              "2705 16: Column names in each table must be unique. Column name 'a' in table 'Bins' is specified more than once.");
    // A failed statement leaves the id sequence where it was: the table would get 2041058307, its key 2073058421.
    EXPECT_EQ(failure("CREATE TABLE Bins (A int REFERENCES Nowhere (A))"),
              "1767 16: Foreign key 'FK__Bins__A__" + hex8("2073058421") + "' references invalid table 'Nowhere'.");
    EXPECT_EQ(failure("CREATE TABLE Bins (A int NULL PRIMARY KEY)"),
              "8111 16: Cannot define PRIMARY KEY constraint on nullable column in table 'Bins'.");
    EXPECT_EQ(failure("CREATE TABLE Bins (A varchar(10) IDENTITY)"),
              "2749 16: Identity column 'A' must be of data type int, bigint, smallint, tinyint, or decimal or numeric with a "
              "scale of 0, and constrained to be nonnullable.");
    EXPECT_EQ(failure("CREATE TABLE Bins (A int IDENTITY DEFAULT 1)"),
              "1754 16: Defaults cannot be created on columns with an IDENTITY attribute. Table 'Bins', column 'A'.");
    EXPECT_EQ(failure("CREATE TABLE Bins (A timestamp DEFAULT 0x01)"),
              "1755 16: Defaults cannot be created on columns of data type timestamp. Table 'Bins', column 'A'.");
    EXPECT_EQ(failure("CREATE TABLE Bins (A widget)"), "2715 16: Column or parameter #1: Cannot find data type widget.");
    EXPECT_EQ(failure("CREATE TABLE Bins (A int,"), "102 15: Incorrect syntax near ','.");
    EXPECT_EQ(failure("CREATE TABLE Bins (A int PRIMARY)"), "102 15: Incorrect syntax near ')'.");
    EXPECT_EQ(failure("CREATE TABLE Bins (A int) ON"), "102 15: Incorrect syntax near 'ON'.");
    EXPECT_EQ(failure("DROP VIEW Parts"), "3705 16: Cannot use DROP VIEW with 'Parts' because 'Parts' is a table. Use DROP TABLE.");
    EXPECT_EQ(value("SELECT count(*) FROM sysobjects WHERE name = 'Bins'"), "0");
    EXPECT_FALSE(run("SELECT 1"));
    EXPECT_FALSE(run("CREATE DATABASE Other"));
}

TEST_F(TableTest, AlterTableAddsAndDropsConstraintsAndColumnsKeepingRows)
{
    ASSERT_TRUE(run("CREATE TABLE Customers (CustomerID nchar(5) NOT NULL, Name nvarchar(40) NOT NULL)"));
    ASSERT_TRUE(run("CREATE TABLE Orders (OrderID int NOT NULL, CustomerID nchar(5) NULL)"));
    exec("INSERT INTO Customers VALUES ('ALFKI', 'Alfreds'); INSERT INTO Orders VALUES (1, 'ALFKI')");
    ASSERT_TRUE(run("ALTER TABLE Customers ADD CONSTRAINT PK_Customers PRIMARY KEY CLUSTERED (CustomerID)"));
    ASSERT_TRUE(run("ALTER TABLE Orders WITH NOCHECK ADD CONSTRAINT FK_Orders_Customers FOREIGN KEY (CustomerID) "
                    "REFERENCES dbo.Customers (CustomerID)"));
    exec("INSERT INTO Orders VALUES (7, 'NOONE')");
    EXPECT_EQ(failure("ALTER TABLE Orders ADD CONSTRAINT FK_Strict FOREIGN KEY (CustomerID) REFERENCES Customers (CustomerID)"),
              "547 16: ALTER TABLE statement conflicted with COLUMN FOREIGN KEY constraint 'FK_Strict'. The conflict occurred "
              "in database 'Shop', table 'Customers', column 'CustomerID'.");
    EXPECT_EQ(failure("ALTER TABLE Orders ADD CONSTRAINT CK_Small CHECK (OrderID < 5)"),
              "547 16: ALTER TABLE statement conflicted with TABLE CHECK constraint 'CK_Small'. The conflict occurred in "
              "database 'Shop', table 'Orders'.");
    EXPECT_EQ(value("SELECT count(*) FROM sysobjects WHERE name IN ('FK_Strict', 'CK_Small')"), "0");
    ASSERT_TRUE(run("ALTER TABLE Orders WITH NOCHECK ADD CONSTRAINT CK_Small CHECK (OrderID < 5)"));
    exec("DELETE FROM Orders WHERE OrderID = 7");
    ASSERT_TRUE(run("ALTER TABLE Orders DROP CONSTRAINT CK_Small"));
    ASSERT_TRUE(run("ALTER TABLE Orders ADD Freight money NOT NULL CONSTRAINT DF_Orders_Freight DEFAULT (0), Shipped datetime NULL"));
    EXPECT_EQ(rows("SELECT OrderID, CustomerID, Freight, Shipped FROM Orders"), (Rows{{"1", "ALFKI", "0", "NULL"}}));
    EXPECT_EQ(rows("SELECT name, colid FROM syscolumns WHERE id = " + idOf("Orders") + " ORDER BY colid"),
              (Rows{{"OrderID", "1"}, {"CustomerID", "2"}, {"Freight", "3"}, {"Shipped", "4"}}));
    EXPECT_EQ(rows("SELECT indid, status, rows FROM sysindexes WHERE id = " + idOf("Customers")), (Rows{{"1", "2066", "1"}}));
    EXPECT_EQ(value("SELECT rkeyindid FROM sysreferences WHERE constid = " + idOf("FK_Orders_Customers")), "1");
    EXPECT_EQ(failure("ALTER TABLE Orders ADD Region int NOT NULL"),
              "4901 16: ALTER TABLE only allows columns to be added that can contain nulls or have a DEFAULT definition "
              "specified. Column 'Region' cannot be added to table 'Orders' because it does not allow nulls and does not "
              "specify a DEFAULT definition.");
    EXPECT_EQ(failure("ALTER TABLE Orders DROP COLUMN Freight"),
              "5074 16: The object 'DF_Orders_Freight' is dependent on column 'Freight'.");
    ASSERT_TRUE(run("ALTER TABLE Orders DROP CONSTRAINT DF_Orders_Freight, FK_Orders_Customers"));
    ASSERT_TRUE(run("ALTER TABLE Orders DROP COLUMN Freight"));
    EXPECT_EQ(rows("SELECT name, colid FROM syscolumns WHERE id = " + idOf("Orders") + " ORDER BY colid"),
              (Rows{{"OrderID", "1"}, {"CustomerID", "2"}, {"Shipped", "3"}}));
    EXPECT_EQ(value("SELECT count(*) FROM sysreferences"), "0");
    EXPECT_EQ(rows("SELECT * FROM Orders"), (Rows{{"1", "ALFKI", "NULL"}}));
    exec("INSERT INTO Orders (OrderID) VALUES (2)");
    EXPECT_EQ(value("SELECT rows FROM sysindexes WHERE id = " + idOf("Orders")), "2");

    ASSERT_TRUE(run("ALTER TABLE Orders ADD CONSTRAINT DF_Orders_Shipped DEFAULT ('19990101') FOR Shipped"));
    EXPECT_EQ(failure("ALTER TABLE Orders ALTER COLUMN CustomerID nchar(8) NOT NULL"),
              "515 16: Cannot insert the value NULL into column 'CustomerID', table 'Shop.dbo.Orders'; column does not allow "
              "nulls. UPDATE fails.");
    exec("UPDATE Orders SET CustomerID = 'ANATR' WHERE CustomerID IS NULL");
    ASSERT_TRUE(run("ALTER TABLE Orders ALTER COLUMN CustomerID nchar(8) NOT NULL"));
    EXPECT_EQ(rows("SELECT length, prec, isnullable, cdefault = " + idOf("DF_Orders_Shipped") + " FROM syscolumns WHERE id = " +
                   idOf("Orders") + " AND colid IN (2, 3) ORDER BY colid"),
              (Rows{{"16", "8", "0", "0"}, {"8", "23", "1", "1"}}));
    exec("INSERT INTO Orders (OrderID, CustomerID) VALUES (3, 'X')");
    EXPECT_EQ(value("SELECT Shipped FROM Orders WHERE OrderID = 3"), "19990101");
    EXPECT_EQ(value("SELECT text FROM syscomments WHERE id = " + idOf("DF_Orders_Shipped")), "('19990101')");
    EXPECT_EQ(failure("ALTER TABLE Orders DROP CONSTRAINT Nothing"), "3728 16: 'Nothing' is not a constraint.");
}

TEST_F(TableTest, RebuildingAReferencedTableKeepsForeignKeysIntact)
{
    exec("PRAGMA foreign_keys = ON");
    ASSERT_TRUE(run("CREATE TABLE Customers (CustomerID int NOT NULL PRIMARY KEY, Region varchar(10) NULL)"));
    ASSERT_TRUE(run("CREATE TABLE Orders (OrderID int NOT NULL, CustomerID int NOT NULL REFERENCES Customers (CustomerID))"));
    exec("INSERT INTO Customers VALUES (1, NULL); INSERT INTO Orders VALUES (10, 1)");
    ASSERT_TRUE(run("CREATE DEFAULT dfRegion AS 'West'"));
    ASSERT_TRUE(run("EXEC sp_bindefault dfRegion, 'Customers.Region'"));
    ASSERT_TRUE(run("ALTER TABLE Customers ADD Rating int NULL"));
    EXPECT_EQ(value("PRAGMA foreign_keys"), "1");
    EXPECT_EQ(rows("SELECT * FROM Customers"), (Rows{{"1", "NULL", "NULL"}}));
    exec("INSERT INTO Customers (CustomerID) VALUES (2)");
    EXPECT_EQ(value("SELECT Region FROM Customers WHERE CustomerID = 2"), "West");
    EXPECT_NE(sqlite3_exec(db_, "INSERT INTO Orders VALUES (11, 99)", nullptr, nullptr, nullptr), SQLITE_OK);
    EXPECT_EQ(rows("PRAGMA foreign_key_check"), Rows{});
}

TEST_F(TableTest, BoundDefaultsAndIndexes)
{
    ASSERT_TRUE(run("CREATE DEFAULT dfZero AS 0"));
    ASSERT_TRUE(run("CREATE TABLE Stock (Sku char(8) NOT NULL, OnHand int NOT NULL)"));
    ASSERT_TRUE(run("EXEC sp_bindefault 'dfZero', 'Stock.OnHand'"));
    EXPECT_EQ(value("SELECT cdefault = " + idOf("dfZero") + " FROM syscolumns WHERE name = 'OnHand'"), "1");
    EXPECT_EQ(rows("SELECT xtype, parent_obj FROM sysobjects WHERE name = 'dfZero'"), (Rows{{"D ", "0"}}));
    EXPECT_EQ(value("SELECT text FROM syscomments WHERE id = " + idOf("dfZero")), "CREATE DEFAULT dfZero AS 0");
    exec("INSERT INTO Stock (Sku) VALUES ('A1')");
    EXPECT_EQ(value("SELECT OnHand FROM Stock"), "0");
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0].number, 15511);
    EXPECT_EQ(sink.messages[0].text, "Default bound to column.");
    EXPECT_EQ(failure("DROP DEFAULT dfZero"), "3716 16: Cannot drop the default 'dfZero' because it is bound to one or more column.");
    ASSERT_TRUE(run("sp_unbindefault 'Stock.OnHand'"));
    ASSERT_TRUE(run("DROP DEFAULT dfZero"));

    ASSERT_TRUE(run("CREATE UNIQUE NONCLUSTERED INDEX IX_Stock_Sku ON dbo.Stock (Sku) WITH FILLFACTOR = 90 ON [PRIMARY]"));
    ASSERT_TRUE(run("CREATE CLUSTERED INDEX IX_Stock_OnHand ON Stock (OnHand DESC)"));
    EXPECT_EQ(rows("SELECT indid, status, keycnt, rows, name FROM sysindexes WHERE id = " + idOf("Stock") + " ORDER BY indid"),
              (Rows{{"1", "16", "1", "1", "IX_Stock_OnHand"}, {"2", "2", "1", "1", "IX_Stock_Sku"}}));
    exec("INSERT INTO Stock VALUES ('B2', 7); INSERT INTO Stock VALUES ('C3', 7)");
    EXPECT_EQ(failure("CREATE UNIQUE INDEX IX_Stock_Unique ON Stock (OnHand)"),
              "1505 16: CREATE UNIQUE INDEX terminated because a duplicate key was found for index ID 3. Most significant "
              "primary key is '7'.");
    EXPECT_EQ(failure("ALTER TABLE Stock ADD CONSTRAINT PK_Stock PRIMARY KEY NONCLUSTERED (OnHand)"),
              "1505 16: CREATE UNIQUE INDEX terminated because a duplicate key was found for index ID 3. Most significant "
              "primary key is '7'.");
    EXPECT_EQ(value("SELECT count(*) FROM sysobjects WHERE name = 'PK_Stock'"), "0");
    exec("DELETE FROM Stock WHERE Sku <> 'A1'");
    EXPECT_EQ(failure("CREATE INDEX IX_Stock_Sku ON Stock (OnHand)"),
              "1913 16: There is already an index on table 'Stock' named 'IX_Stock_Sku'.");
    ASSERT_TRUE(run("DROP INDEX Stock.IX_Stock_OnHand"));
    EXPECT_EQ(rows("SELECT indid, name FROM sysindexes WHERE id = " + idOf("Stock") + " ORDER BY indid"),
              (Rows{{"0", "Stock"}, {"2", "IX_Stock_Sku"}}));
    EXPECT_EQ(failure("DROP INDEX Stock.IX_Nothing"),
              "3703 11: Cannot drop the index 'Stock.IX_Nothing', because it does not exist in the system catalog.");
}

}  // namespace
}  // namespace sandbox::catalog::testing
