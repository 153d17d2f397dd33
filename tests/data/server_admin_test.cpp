// The server-management object against the sample sandbox through FreeTDS: login, databases,
// objects, columns and the table script, which must recreate the table on another database.
#include "shell/data/server_admin.h"
#include "shell/harbor_session.h"
#include "support/qt_printers.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

#include <algorithm>

using namespace norvane;

namespace {

// The batches of a script: the text between lines that hold only "GO", empty ones left out.
QStringList splitScriptBatches(const QString& script)
{
    static const QRegularExpression separator("^[ \\t]*GO[ \\t]*\\r?$", QRegularExpression::MultilineOption);
    QStringList batches;
    for (const QString& part : script.split(separator))
        if (!part.trimmed().isEmpty())
            batches << part.trimmed();
    return batches;
}

QStringList namesOf(const std::vector<CatalogObject>& objects, bool system = false)
{
    QStringList names;
    for (const CatalogObject& object : objects)
        if (object.SystemObject == system)
            names << object.Name;
    return names;
}

// One column's properties on one line; only what is set is named.
QString columnText(const ColumnProperties& c)
{
    QString text = QString("%1 %2 %3%4 %5 %6,%7 %8")
                       .arg(c.ColumnId)
                       .arg(c.Name, c.Datatype, c.UserDefinedType ? " (user type)" : "")
                       .arg(c.Length)
                       .arg(c.NumericPrecision)
                       .arg(c.NumericScale)
                       .arg(c.AllowNulls ? "NULL" : "NOT NULL");
    if (c.Identity)
        text += QString(" IDENTITY(%1,%2)").arg(c.IdentitySeed).arg(c.IdentityIncrement);
    if (c.InPrimaryKey)
        text += " KEY";
    if (!c.DRIDefaultName.isEmpty() || !c.DRIDefaultText.isEmpty())
        text += " DEFAULT " + c.DRIDefaultName + " " + c.DRIDefaultText;
    if (c.IsComputed)
        text += " AS " + c.ComputedText;
    if (!c.Default.isEmpty())
        text += " BOUND " + c.Default;
    return text;
}

const QStringList kHarborTables = {"AuditLog",      "Categories",  "Customers",  "Employees", "EmployeeTerritories",
                                   "Order Details", "Orders",      "Products",   "Region",    "Shippers",
                                   "Suppliers",     "Territories", "TypeSamples"};

class ServerAdminTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        test::PrivateOdbcConfig::instance();
        admin = std::make_unique<ServerAdmin>();
        admin->connect(test::sharedSampleSandbox().dataSource(), "sa", "");
    }
    static void TearDownTestSuite() { admin.reset(); }

    static QString columnOf(const QString& database, const QString& table, const QString& name)
    {
        const std::optional<ColumnProperties> column = admin->column(database, table, "dbo", name);
        return column ? columnText(*column) : "no column " + name;
    }

    static inline std::unique_ptr<ServerAdmin> admin;
};

} // namespace

TEST_F(ServerAdminTest, LogsInAndOffAndListsDatabasesAndObjects)
{
    EXPECT_EQ(admin->serverName(), test::sharedSampleSandbox().dataSource());
    const QStringList databases = admin->databaseNames();
    EXPECT_TRUE(databases.contains("master") && databases.contains("Harbor") && databases.contains("HarborArchive"));
    EXPECT_TRUE(std::is_sorted(databases.begin(), databases.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    }));

    ServerAdmin refused;
    EXPECT_THROW(refused.connect(test::sharedSampleSandbox().dataSource(), "nobody", "wrong"), DbError);
    EXPECT_FALSE(refused.isConnected());

    const std::vector<CatalogObject> tables = admin->tables("Harbor");
    EXPECT_EQ(namesOf(tables), kHarborTables);
    EXPECT_TRUE(namesOf(tables, true).contains("sysobjects"));
    for (const CatalogObject& table : tables)
        EXPECT_TRUE(table.SystemObject || (table.Owner == "dbo" && table.CreateDate.isValid()))
            << table.Name.toStdString();
    // One connection serves every database.
    const QStringList archive = namesOf(admin->tables("HarborArchive"));
    EXPECT_TRUE(!archive.contains("AuditLog") && archive.contains("OrderHistory"));
    EXPECT_TRUE(namesOf(admin->views("HarborArchive")).isEmpty());
}

TEST_F(ServerAdminTest, ColumnsCarryEveryProperty)
{
    QStringList orders;
    for (const ColumnProperties& column : admin->columns("Harbor", "Orders", "dbo"))
        orders << columnText(column);
    EXPECT_EQ(orders,
              QStringList({"1 OrderID int 4 10,0 NOT NULL IDENTITY(10248,1) KEY",
                           "2 CustomerID nchar 5 0,0 NULL", // characters, not bytes
                           "3 EmployeeID int 4 10,0 NULL",
                           "4 OrderDate datetime 8 23,3 NULL DEFAULT DF_Orders_OrderDate (getdate())",
                           "5 RequiredDate datetime 8 23,3 NULL", "6 ShippedDate datetime 8 23,3 NULL",
                           "7 ShipVia int 4 10,0 NULL", "8 Freight money 8 19,4 NULL DEFAULT DF_Orders_Freight (0)",
                           "9 ShipName nvarchar 40 0,0 NULL", "10 ShipCountry nvarchar 15 0,0 NULL"}));
    EXPECT_FALSE(admin->column("Harbor", "Orders", "dbo", "NoSuchColumn").has_value());

    const struct {
        const char *database, *table, *column, *expected;
    } cases[] = {
        {"Harbor", "Orders", "freight", "8 Freight money 8 19,4 NULL DEFAULT DF_Orders_Freight (0)"}, // case ignored
        {"Harbor", "Order Details", "OrderID", "1 OrderID int 4 10,0 NOT NULL KEY"}, // a two-column key
        {"Harbor", "TypeSamples", "DecimalValue", "7 DecimalValue decimal 9 10,2 NULL"},
        {"Harbor", "TypeSamples", "Phone", "26 Phone PhoneNumber (user type) 24 0,0 NULL"},
        {"Harbor", "TypeSamples", "IntPlusSmall", "27 IntPlusSmall int 4 10,0 NULL AS ([IntValue] + [SmallValue])"},
        // A default bound with sp_bindefault is named; it is no default constraint.
        {"HarborArchive", "Products", "ReorderLevel", "9 ReorderLevel smallint 2 5,0 NULL BOUND dfZero"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(columnOf(c.database, c.table, c.column), c.expected) << c.table << "." << c.column;

    const std::vector<ColumnProperties> viewColumns = admin->columns("Harbor", "CurrentProducts");
    ASSERT_EQ(viewColumns.size(), 3u);
    EXPECT_EQ(viewColumns[2].Name, "UnitPrice");
}

TEST_F(ServerAdminTest, ScriptsRecreateEveryTableOnAnotherDatabase)
{
    norvane::testing::createScratchDatabase("AdminScratch");
    QStringList batches = {"EXEC sp_addtype PhoneNumber, 'varchar(24)', 'NULL'"};
    // Referenced tables first, so every foreign key finds its table.
    const QStringList order = {
        "Categories",    "Suppliers", "Products",    "Customers",           "Employees", "Shippers",   "Orders",
        "Order Details", "Region",    "Territories", "EmployeeTerritories", "AuditLog",  "TypeSamples"};
    for (const QString& table : order)
        batches += splitScriptBatches(admin->Script("Harbor", table));
    norvane::testing::runBatches("AdminScratch", batches);

    EXPECT_EQ(namesOf(admin->tables("AdminScratch")), kHarborTables);
    for (const QString& table : kHarborTables) {
        // The catalog of the copy scripts to the very same text.
        EXPECT_EQ(admin->Script("AdminScratch", table), admin->Script("Harbor", table)) << table.toStdString();
    }
    const TableDefinition details = admin->tableDefinition("AdminScratch", "Order Details");
    EXPECT_EQ(details.checks.size(), 2u); // the named one and the one the server named
    EXPECT_EQ(details.defaults.size(), 3u);
    EXPECT_EQ(details.foreignKeys.size(), 2u);
    ASSERT_EQ(details.keys.size(), 1u);
    EXPECT_EQ(details.keys[0].columns, QStringList({"OrderID", "ProductID"}));

    // Running a script again drops the table first and creates it anew.
    norvane::testing::runBatches("AdminScratch", splitScriptBatches(admin->Script("AdminScratch", "AuditLog")));
    EXPECT_EQ(admin->Script("AdminScratch", "AuditLog"), admin->Script("Harbor", "AuditLog"));
}

TEST_F(ServerAdminTest, ScriptsEveryKindOfConstraintOfATableWithAnAwkwardName)
{
    norvane::testing::createScratchDatabase("AdminKeys");
    norvane::testing::runBatches("AdminKeys",
                                 {"CREATE TABLE Parent (Id int NOT NULL CONSTRAINT PK_Parent PRIMARY KEY)",
                                  "CREATE TABLE [O'Brien [Keys]]] ("
                                  "Id int IDENTITY (5, 2) NOT NULL CONSTRAINT [PK_O'Brien] PRIMARY KEY NONCLUSTERED, "
                                  "Code nchar(4) NOT NULL CONSTRAINT UQ_Code UNIQUE CLUSTERED, "
                                  "Ratio decimal(5, 2) NULL CONSTRAINT DF_Ratio DEFAULT (1) "
                                  "CONSTRAINT CK_Ratio CHECK ([Ratio] > 0), "
                                  "ParentId int NULL CONSTRAINT FK_Parent REFERENCES Parent (Id), "
                                  "[Pay]]load] varbinary(16) NULL)"});
    EXPECT_EQ(
        admin->Script("AdminKeys", "O'Brien [Keys]"),
        "IF EXISTS (SELECT * FROM dbo.sysobjects WHERE id = OBJECT_ID(N'[dbo].[O''Brien [Keys]]]') AND xtype = "
        "'U')\r\n"
        "DROP TABLE [dbo].[O'Brien [Keys]]]\r\nGO\r\n\r\n"
        "CREATE TABLE [dbo].[O'Brien [Keys]]] (\r\n"
        "\t[Id] [int] IDENTITY (5, 2) NOT NULL,\r\n"
        "\t[Code] [nchar] (4) NOT NULL,\r\n"
        "\t[Ratio] [decimal] (5, 2) NULL,\r\n"
        "\t[ParentId] [int] NULL,\r\n"
        "\t[Pay]]load] [varbinary] (16) NULL\r\n"
        ")\r\nGO\r\n\r\n"
        "ALTER TABLE [dbo].[O'Brien [Keys]]] ADD CONSTRAINT [PK_O'Brien] PRIMARY KEY NONCLUSTERED ([Id])\r\nGO\r\n\r\n"
        "ALTER TABLE [dbo].[O'Brien [Keys]]] ADD CONSTRAINT [UQ_Code] UNIQUE CLUSTERED ([Code])\r\nGO\r\n\r\n"
        "ALTER TABLE [dbo].[O'Brien [Keys]]] ADD CONSTRAINT [FK_Parent] FOREIGN KEY ([ParentId]) REFERENCES "
        "[dbo].[Parent] ([Id])\r\nGO\r\n\r\n"
        "ALTER TABLE [dbo].[O'Brien [Keys]]] ADD CONSTRAINT [DF_Ratio] DEFAULT (1) FOR [Ratio]\r\nGO\r\n\r\n"
        "ALTER TABLE [dbo].[O'Brien [Keys]]] ADD CONSTRAINT [CK_Ratio] CHECK ([Ratio] > 0)\r\nGO\r\n\r\n");
    // A unique key is no primary key.
    EXPECT_EQ(columnOf("AdminKeys", "O'Brien [Keys]", "Code"), "2 Code nchar 4 0,0 NOT NULL");
}
