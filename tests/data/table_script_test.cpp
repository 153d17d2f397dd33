// The table creation script, built from plain facts: exact text.
#include "shell/data/table_script.h"
#include "support/qt_printers.h"

#include <gtest/gtest.h>

using namespace norvane;

namespace {

ScriptColumn plainColumn(const QString& name, const QString& type, bool allowNulls)
{
    ScriptColumn column;
    column.name = name;
    column.typeName = type;
    column.allowNulls = allowNulls;
    return column;
}

}  // namespace

TEST(TableScript, ScriptsDropCreateAndEveryConstraintInOrder)
{
    TableDefinition table;
    table.owner = "dbo";
    table.name = "Order Details";

    ScriptColumn orderId = plainColumn("OrderID", "int", false);
    ScriptColumn lineNo = plainColumn("LineNo", "int", false);
    lineNo.identity = true;
    lineNo.identitySeed = 10248;
    lineNo.identityIncrement = 2;
    ScriptColumn price = plainColumn("UnitPrice", "money", false);
    ScriptColumn note = plainColumn("Note", "nvarchar", true);
    note.length = 40;
    ScriptColumn amount = plainColumn("Amount", "decimal", true);
    amount.precision = 10;
    amount.scale = 2;
    ScriptColumn phone = plainColumn("Phone", "PhoneNumber", true);
    phone.userDefinedType = true;
    phone.length = 24;
    ScriptColumn total;
    total.name = "Total";
    total.computed = true;
    total.computedText = "([UnitPrice] * 2)";
    table.columns = {orderId, lineNo, price, note, amount, phone, total};

    table.keys = {{"UQ_Note", false, false, {"Note"}}, {"PK_Order_Details", true, true, {"OrderID", "LineNo"}}};
    table.foreignKeys = {{"FK_Order_Details_Orders", {"OrderID"}, "dbo", "Orders", {"OrderID"}}};
    table.defaults = {{"DF_Order_Details_UnitPrice", "UnitPrice", "(0)"}};
    table.checks = {{"CK_Price", "([UnitPrice] >= 0)"}};

    const QString expected =
        "IF EXISTS (SELECT * FROM dbo.sysobjects WHERE id = OBJECT_ID(N'[dbo].[Order Details]') AND xtype = 'U')\r\n"
        "DROP TABLE [dbo].[Order Details]\r\n"
        "GO\r\n"
        "\r\n"
        "CREATE TABLE [dbo].[Order Details] (\r\n"
        "\t[OrderID] [int] NOT NULL,\r\n"
        "\t[LineNo] [int] IDENTITY (10248, 2) NOT NULL,\r\n"
        "\t[UnitPrice] [money] NOT NULL,\r\n"
        "\t[Note] [nvarchar] (40) NULL,\r\n"
        "\t[Amount] [decimal] (10, 2) NULL,\r\n"
        "\t[Phone] [PhoneNumber] NULL,\r\n"
        "\t[Total] AS ([UnitPrice] * 2)\r\n"
        ")\r\n"
        "GO\r\n"
        "\r\n"
        "ALTER TABLE [dbo].[Order Details] ADD CONSTRAINT [PK_Order_Details] PRIMARY KEY CLUSTERED ([OrderID], [LineNo])\r\n"
        "GO\r\n"
        "\r\n"
        "ALTER TABLE [dbo].[Order Details] ADD CONSTRAINT [UQ_Note] UNIQUE NONCLUSTERED ([Note])\r\n"
        "GO\r\n"
        "\r\n"
        "ALTER TABLE [dbo].[Order Details] ADD CONSTRAINT [FK_Order_Details_Orders] FOREIGN KEY ([OrderID]) REFERENCES [dbo].[Orders] ([OrderID])\r\n"
        "GO\r\n"
        "\r\n"
        "ALTER TABLE [dbo].[Order Details] ADD CONSTRAINT [DF_Order_Details_UnitPrice] DEFAULT (0) FOR [UnitPrice]\r\n"
        "GO\r\n"
        "\r\n"
        "ALTER TABLE [dbo].[Order Details] ADD CONSTRAINT [CK_Price] CHECK ([UnitPrice] >= 0)\r\n"
        "GO\r\n"
        "\r\n";
    EXPECT_EQ(BuildTableScript(table), expected);
}

TEST(TableScript, QuotesAndBracketsInNamesAreEscaped)
{
    TableDefinition table;
    table.owner = "dbo";
    table.name = "O'Brien [odd]";
    table.columns = {plainColumn("Col]umn", "int", true)};

    const QString expected =
        "IF EXISTS (SELECT * FROM dbo.sysobjects WHERE id = OBJECT_ID(N'[dbo].[O''Brien [odd]]]') AND xtype = 'U')\r\n"
        "DROP TABLE [dbo].[O'Brien [odd]]]\r\n"
        "GO\r\n"
        "\r\n"
        "CREATE TABLE [dbo].[O'Brien [odd]]] (\r\n"
        "\t[Col]]umn] [int] NULL\r\n"
        ")\r\n"
        "GO\r\n"
        "\r\n";
    EXPECT_EQ(BuildTableScript(table), expected);
}

TEST(TableScript, TypeTextFollowsTheKindOfType)
{
    auto typeText = [](const QString& type, int length, int precision = 0, int scale = 0, bool userType = false) {
        ScriptColumn column;
        column.typeName = type;
        column.length = length;
        column.precision = precision;
        column.scale = scale;
        column.userDefinedType = userType;
        return columnTypeText(column);
    };
    EXPECT_EQ(typeText("char", 10), "[char] (10)");
    EXPECT_EQ(typeText("varchar", 50), "[varchar] (50)");
    EXPECT_EQ(typeText("nchar", 5), "[nchar] (5)");
    EXPECT_EQ(typeText("binary", 8), "[binary] (8)");
    EXPECT_EQ(typeText("varbinary", -1), "[varbinary] (max)");
    EXPECT_EQ(typeText("numeric", 17, 18, 4), "[numeric] (18, 4)");
    EXPECT_EQ(typeText("int", 4, 10, 0), "[int]");
    EXPECT_EQ(typeText("ntext", 16), "[ntext]");
    EXPECT_EQ(typeText("sysname", 128), "[sysname]");
    EXPECT_EQ(typeText("PhoneNumber", 24, 0, 0, true), "[PhoneNumber]");
}

TEST(TableScript, SplitsBatchesAtGoLines)
{
    EXPECT_EQ(splitScriptBatches("SELECT 1\r\nGO\r\n\r\nSELECT 'GO'\r\n  go  \r\nSELECT 3\r\nGO\r\n"),
              QStringList({"SELECT 1", "SELECT 'GO'", "SELECT 3"}));
    EXPECT_EQ(splitScriptBatches("\r\nGO\r\nGO\r\n"), QStringList());
    // GO inside a line is not a separator.
    EXPECT_EQ(splitScriptBatches("PRINT 'GO on'\nGO"), QStringList({"PRINT 'GO on'"}));
}
