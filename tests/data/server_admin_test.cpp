// The server-management object against the sample sandbox through FreeTDS:
// login, databases, objects, columns and the table script, which must
// recreate the table on another database.
#include "shell/data/server_admin.h"
#include "support/qt_printers.h"
#include "support/sandbox_process.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace norvane;

namespace {

QStringList namesOf(const std::vector<CatalogObject>& objects, bool system)
{
    QStringList names;
    for (const CatalogObject& object : objects)
        if (object.SystemObject == system)
            names << object.Name;
    return names;
}

const QStringList kHarborTables = {"AuditLog",  "Categories", "Customers",   "Employees", "EmployeeTerritories",
                                   "Order Details", "Orders", "Products", "Region", "Shippers", "Suppliers",
                                   "Territories", "TypeSamples"};

class ServerAdminTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        test::PrivateOdbcConfig::instance();
        admin = std::make_unique<ServerAdmin>();
        admin->connect(test::sharedSampleSandbox().dataSource(), "sa", "");
    }
    static void TearDownTestSuite() { admin.reset(); }

    static ColumnProperties columnOf(const QString& database, const QString& table, const QString& name)
    {
        const std::optional<ColumnProperties> column = admin->column(database, table, "dbo", name);
        if (!column)
            ADD_FAILURE() << "no column " << name.toStdString() << " in " << table.toStdString();
        return column.value_or(ColumnProperties{});
    }

    static std::unique_ptr<ServerAdmin> admin;
};
std::unique_ptr<ServerAdmin> ServerAdminTest::admin;

}  // namespace

TEST_F(ServerAdminTest, LogsInAndOffAndListsDatabasesByName)
{
    EXPECT_TRUE(admin->isConnected());
    EXPECT_EQ(admin->serverName(), test::sharedSampleSandbox().dataSource());
    const QStringList databases = admin->databaseNames();
    EXPECT_TRUE(databases.contains("master"));
    EXPECT_TRUE(databases.contains("Harbor"));
    EXPECT_TRUE(databases.contains("HarborArchive"));
    QStringList sorted = databases;
    std::sort(sorted.begin(), sorted.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    EXPECT_EQ(databases, sorted);

    ServerAdmin other;
    EXPECT_FALSE(other.isConnected());
    other.disconnect();  // harmless when not logged in
    EXPECT_THROW(other.databaseNames(), DbError);
    other.connect(test::sharedSampleSandbox().dataSource(), "sa", "");
    EXPECT_TRUE(other.isConnected());
    other.disconnect();
    EXPECT_FALSE(other.isConnected());
    EXPECT_EQ(other.serverName(), "");

    ServerAdmin refused;
    EXPECT_THROW(refused.connect(test::sharedSampleSandbox().dataSource(), "nobody", "wrong"), DbError);
    EXPECT_FALSE(refused.isConnected());
}

TEST_F(ServerAdminTest, ListsTheObjectsOfADatabaseWithOwnerDateAndSystemFlag)
{
    const std::vector<CatalogObject> tables = admin->tables("Harbor");
    EXPECT_EQ(namesOf(tables, false), kHarborTables);
    EXPECT_TRUE(namesOf(tables, true).contains("sysobjects"));
    for (const CatalogObject& table : tables) {
        if (table.SystemObject)
            continue;
        EXPECT_EQ(table.Owner, "dbo") << table.Name.toStdString();
        EXPECT_TRUE(table.CreateDate.isValid()) << table.Name.toStdString();
    }

    EXPECT_EQ(namesOf(admin->views("Harbor"), false),
              QStringList({"CurrentProducts", "CustomersByCountry", "EmployeeManagers", "OrderSummary", "ProductCatalog"}));
    EXPECT_EQ(namesOf(admin->storedProcedures("Harbor"), false),
              QStringList({"AddOrder", "CustomerOrderCount", "EmployeeLabel", "FindCustomers", "ListCategories",
                           "MonthlyShipmentReport", "OrderTotals", "ProductsByPrice", "SalesByYear", "UpdateDiscount"}));
    EXPECT_EQ(namesOf(admin->userDefinedFunctions("Harbor"), false),
              QStringList({"fnCustomerOrders", "fnFullName", "fnOrderTotal", "fnReportingChain"}));

    // One connection serves every database.
    const QStringList archive = namesOf(admin->tables("HarborArchive"), false);
    EXPECT_FALSE(archive.contains("AuditLog"));
    EXPECT_TRUE(archive.contains("OrderHistory"));
    EXPECT_TRUE(namesOf(admin->views("HarborArchive"), false).isEmpty());
}

TEST_F(ServerAdminTest, CountsRowsAndFindsTablesByNameAndOwner)
{
    EXPECT_EQ(admin->tableRows("Harbor", "Customers"), 500);
    EXPECT_EQ(admin->tableRows("Harbor", "Orders", "dbo"), 501);
    EXPECT_EQ(admin->tableRows("Harbor", "Order Details"), 2505);
    EXPECT_EQ(admin->tableRows("HarborArchive", "Customers"), 20);

    const CatalogObject orders = admin->table("Harbor", "Orders", "dbo");
    EXPECT_EQ(orders.Name, "Orders");
    EXPECT_EQ(orders.Owner, "dbo");
    EXPECT_FALSE(orders.SystemObject);
    EXPECT_EQ(admin->view("Harbor", "OrderSummary").Owner, "dbo");

    try {
        admin->table("Harbor", "NoSuchTable");
        ADD_FAILURE() << "no error for an unknown table";
    } catch (const DbError& error) {
        EXPECT_EQ(error.nativeError(), 208);
        EXPECT_EQ(error.description(), "Invalid object name 'NoSuchTable' in database 'Harbor'.");
    }
    EXPECT_THROW(admin->table("Harbor", "Orders", "nobody"), DbError);
    EXPECT_THROW(admin->table("Harbor", "CurrentProducts"), DbError);  // a view is not a table
}

TEST_F(ServerAdminTest, ColumnsCarryEveryProperty)
{
    const std::vector<ColumnProperties> columns = admin->columns("Harbor", "Orders", "dbo");
    QStringList names;
    for (const ColumnProperties& column : columns)
        names << column.Name;
    EXPECT_EQ(names, QStringList({"OrderID", "CustomerID", "EmployeeID", "OrderDate", "RequiredDate", "ShippedDate",
                                  "ShipVia", "Freight", "ShipName", "ShipCountry"}));

    const ColumnProperties orderId = columns.at(0);
    EXPECT_EQ(orderId.Datatype, "int");
    EXPECT_EQ(orderId.Length, 4);
    EXPECT_EQ(orderId.NumericPrecision, 10);
    EXPECT_EQ(orderId.NumericScale, 0);
    EXPECT_FALSE(orderId.AllowNulls);
    EXPECT_TRUE(orderId.Identity);
    EXPECT_EQ(orderId.IdentitySeed, 10248);
    EXPECT_EQ(orderId.IdentityIncrement, 1);
    EXPECT_TRUE(orderId.InPrimaryKey);
    EXPECT_FALSE(orderId.IsComputed);
    EXPECT_EQ(orderId.DRIDefaultText, "");
    EXPECT_EQ(orderId.ColumnId, 1);

    const ColumnProperties customerId = columns.at(1);
    EXPECT_EQ(customerId.Datatype, "nchar");
    EXPECT_EQ(customerId.Length, 5);  // characters, not bytes
    EXPECT_TRUE(customerId.AllowNulls);
    EXPECT_FALSE(customerId.Identity);
    EXPECT_FALSE(customerId.InPrimaryKey);

    const ColumnProperties orderDate = columns.at(3);
    EXPECT_EQ(orderDate.DRIDefaultName, "DF_Orders_OrderDate");
    EXPECT_EQ(orderDate.DRIDefaultText, "(getdate())");
    EXPECT_EQ(orderDate.Default, "");

    const ColumnProperties freight = columnOf("Harbor", "Orders", "freight");  // by name, ignoring case
    EXPECT_EQ(freight.Datatype, "money");
    EXPECT_EQ(freight.DRIDefaultText, "(0)");
    EXPECT_FALSE(admin->column("Harbor", "Orders", "dbo", "NoSuchColumn").has_value());

    // A two-column key marks both columns.
    EXPECT_TRUE(columnOf("Harbor", "Order Details", "OrderID").InPrimaryKey);
    EXPECT_TRUE(columnOf("Harbor", "Order Details", "ProductID").InPrimaryKey);
    EXPECT_FALSE(columnOf("Harbor", "Order Details", "Quantity").InPrimaryKey);

    const ColumnProperties amount = columnOf("Harbor", "TypeSamples", "DecimalValue");
    EXPECT_EQ(amount.Datatype, "decimal");
    EXPECT_EQ(amount.NumericPrecision, 10);
    EXPECT_EQ(amount.NumericScale, 2);
    EXPECT_EQ(columnOf("Harbor", "TypeSamples", "NVarCharValue").Length, 50);
    EXPECT_EQ(columnOf("Harbor", "TypeSamples", "VarCharValue").Length, 50);
    EXPECT_EQ(columnOf("Harbor", "TypeSamples", "BinaryValue").Length, 8);

    const ColumnProperties phone = columnOf("Harbor", "TypeSamples", "Phone");
    EXPECT_EQ(phone.Datatype, "PhoneNumber");
    EXPECT_TRUE(phone.UserDefinedType);

    const ColumnProperties computed = columnOf("Harbor", "TypeSamples", "IntPlusSmall");
    EXPECT_TRUE(computed.IsComputed);
    EXPECT_FALSE(computed.ComputedText.isEmpty());
    EXPECT_TRUE(computed.ComputedText.contains("IntValue")) << computed.ComputedText.toStdString();

    // A default bound with sp_bindefault is named; it is no default constraint.
    const ColumnProperties reorder = columnOf("HarborArchive", "Products", "ReorderLevel");
    EXPECT_EQ(reorder.Default, "dfZero");
    EXPECT_EQ(reorder.DRIDefaultName, "");
    EXPECT_EQ(columnOf("Harbor", "Products", "ReorderLevel").DRIDefaultName, "DF_Products_ReorderLevel");

    // A view's columns.
    const std::vector<ColumnProperties> viewColumns = admin->columns("Harbor", "CurrentProducts");
    ASSERT_EQ(viewColumns.size(), 3u);
    EXPECT_EQ(viewColumns[2].Name, "UnitPrice");
}

TEST_F(ServerAdminTest, ScriptsATableWithItsKeysForeignKeysAndDefaults)
{
    const QString expected =
        "IF EXISTS (SELECT * FROM dbo.sysobjects WHERE id = OBJECT_ID(N'[dbo].[Orders]') AND xtype = 'U')\r\n"
        "DROP TABLE [dbo].[Orders]\r\n"
        "GO\r\n"
        "\r\n"
        "CREATE TABLE [dbo].[Orders] (\r\n"
        "\t[OrderID] [int] IDENTITY (10248, 1) NOT NULL,\r\n"
        "\t[CustomerID] [nchar] (5) NULL,\r\n"
        "\t[EmployeeID] [int] NULL,\r\n"
        "\t[OrderDate] [datetime] NULL,\r\n"
        "\t[RequiredDate] [datetime] NULL,\r\n"
        "\t[ShippedDate] [datetime] NULL,\r\n"
        "\t[ShipVia] [int] NULL,\r\n"
        "\t[Freight] [money] NULL,\r\n"
        "\t[ShipName] [nvarchar] (40) NULL,\r\n"
        "\t[ShipCountry] [nvarchar] (15) NULL\r\n"
        ")\r\n"
        "GO\r\n"
        "\r\n"
        "ALTER TABLE [dbo].[Orders] ADD CONSTRAINT [PK_Orders] PRIMARY KEY CLUSTERED ([OrderID])\r\n"
        "GO\r\n"
        "\r\n"
        "ALTER TABLE [dbo].[Orders] ADD CONSTRAINT [FK_Orders_Customers] FOREIGN KEY ([CustomerID]) REFERENCES [dbo].[Customers] ([CustomerID])\r\n"
        "GO\r\n"
        "\r\n"
        "ALTER TABLE [dbo].[Orders] ADD CONSTRAINT [FK_Orders_Employees] FOREIGN KEY ([EmployeeID]) REFERENCES [dbo].[Employees] ([EmployeeID])\r\n"
        "GO\r\n"
        "\r\n"
        "ALTER TABLE [dbo].[Orders] ADD CONSTRAINT [FK_Orders_Shippers] FOREIGN KEY ([ShipVia]) REFERENCES [dbo].[Shippers] ([ShipperID])\r\n"
        "GO\r\n"
        "\r\n"
        "ALTER TABLE [dbo].[Orders] ADD CONSTRAINT [DF_Orders_OrderDate] DEFAULT (getdate()) FOR [OrderDate]\r\n"
        "GO\r\n"
        "\r\n"
        "ALTER TABLE [dbo].[Orders] ADD CONSTRAINT [DF_Orders_Freight] DEFAULT (0) FOR [Freight]\r\n"
        "GO\r\n"
        "\r\n";
    EXPECT_EQ(admin->Script("Harbor", "Orders", "dbo"), expected);
}

TEST_F(ServerAdminTest, ScriptsRecreateEveryTableOnAnotherDatabase)
{
    Connection master;
    master.open(test::sharedSampleSandbox().connectionString("master"));
    master.executeCommand("IF EXISTS (SELECT name FROM master..sysdatabases WHERE name = N'AdminScratch') "
                          "DROP DATABASE AdminScratch");
    master.executeCommand("CREATE DATABASE AdminScratch");
    master.close();

    Connection scratch;
    scratch.open(test::sharedSampleSandbox().connectionString("AdminScratch"));
    scratch.executeCommand("EXEC sp_addtype PhoneNumber, 'varchar(24)', 'NULL'");
    // Referenced tables first, so every foreign key finds its table.
    const QStringList order = {"Categories", "Suppliers", "Products", "Customers", "Employees", "Shippers", "Orders",
                               "Order Details", "Region", "Territories", "EmployeeTerritories", "AuditLog",
                               "TypeSamples"};
    ASSERT_EQ(QStringList(order).size(), kHarborTables.size());
    for (const QString& table : order) {
        for (const QString& batch : splitScriptBatches(admin->Script("Harbor", table)))
            scratch.executeCommand(batch);
    }
    scratch.close();

    EXPECT_EQ(namesOf(admin->tables("AdminScratch"), false), kHarborTables);
    for (const QString& table : kHarborTables) {
        // The catalog of the copy scripts to the very same text.
        EXPECT_EQ(admin->Script("AdminScratch", table), admin->Script("Harbor", table)) << table.toStdString();
        EXPECT_EQ(admin->tableRows("AdminScratch", table), 0) << table.toStdString();
    }
    const TableDefinition details = admin->tableDefinition("AdminScratch", "Order Details");
    EXPECT_EQ(details.checks.size(), 2u);  // the named one and the one the server named
    EXPECT_EQ(details.defaults.size(), 3u);
    EXPECT_EQ(details.foreignKeys.size(), 2u);
    ASSERT_EQ(details.keys.size(), 1u);
    EXPECT_EQ(details.keys[0].columns, QStringList({"OrderID", "ProductID"}));

    // Running a script again drops the table first and creates it anew.
    Connection again;
    again.open(test::sharedSampleSandbox().connectionString("AdminScratch"));
    for (const QString& batch : splitScriptBatches(admin->Script("AdminScratch", "AuditLog")))
        again.executeCommand(batch);
    again.close();
    EXPECT_EQ(admin->Script("AdminScratch", "AuditLog"), admin->Script("Harbor", "AuditLog"));
}

TEST_F(ServerAdminTest, ScriptsUniqueKeysNonclusteredKeysAndAwkwardNames)
{
    Connection master;
    master.open(test::sharedSampleSandbox().connectionString("master"));
    master.executeCommand("IF EXISTS (SELECT name FROM master..sysdatabases WHERE name = N'AdminKeys') "
                          "DROP DATABASE AdminKeys");
    master.executeCommand("CREATE DATABASE AdminKeys");
    master.close();
    Connection keys;
    keys.open(test::sharedSampleSandbox().connectionString("AdminKeys"));
    keys.executeCommand("CREATE TABLE [O'Brien [Keys]]] ("
                        "Id int NOT NULL CONSTRAINT [PK_O'Brien] PRIMARY KEY NONCLUSTERED, "
                        "Code char(4) NOT NULL CONSTRAINT UQ_Code UNIQUE CLUSTERED, "
                        "Ratio decimal(5, 2) NULL CONSTRAINT CK_Ratio CHECK ([Ratio] > 0), "
                        "Payload varbinary(16) NULL)");
    keys.close();

    const QString expected =
        "IF EXISTS (SELECT * FROM dbo.sysobjects WHERE id = OBJECT_ID(N'[dbo].[O''Brien [Keys]]]') AND xtype = 'U')\r\n"
        "DROP TABLE [dbo].[O'Brien [Keys]]]\r\n"
        "GO\r\n"
        "\r\n"
        "CREATE TABLE [dbo].[O'Brien [Keys]]] (\r\n"
        "\t[Id] [int] NOT NULL,\r\n"
        "\t[Code] [char] (4) NOT NULL,\r\n"
        "\t[Ratio] [decimal] (5, 2) NULL,\r\n"
        "\t[Payload] [varbinary] (16) NULL\r\n"
        ")\r\n"
        "GO\r\n"
        "\r\n"
        "ALTER TABLE [dbo].[O'Brien [Keys]]] ADD CONSTRAINT [PK_O'Brien] PRIMARY KEY NONCLUSTERED ([Id])\r\n"
        "GO\r\n"
        "\r\n"
        "ALTER TABLE [dbo].[O'Brien [Keys]]] ADD CONSTRAINT [UQ_Code] UNIQUE CLUSTERED ([Code])\r\n"
        "GO\r\n"
        "\r\n"
        "ALTER TABLE [dbo].[O'Brien [Keys]]] ADD CONSTRAINT [CK_Ratio] CHECK ([Ratio] > 0)\r\n"
        "GO\r\n"
        "\r\n";
    EXPECT_EQ(admin->Script("AdminKeys", "O'Brien [Keys]"), expected);
    EXPECT_EQ(admin->tableRows("AdminKeys", "O'Brien [Keys]"), 0);
    EXPECT_TRUE(columnOf("AdminKeys", "O'Brien [Keys]", "Id").InPrimaryKey);
    EXPECT_FALSE(columnOf("AdminKeys", "O'Brien [Keys]", "Code").InPrimaryKey);  // a unique key is no primary key
}
