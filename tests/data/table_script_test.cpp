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

} // namespace

// Foreign keys, defaults and checks are checked end to end by the server-management tests.
TEST(TableScript, ScriptsIdentityUserTypeAndComputedColumnsAndThePrimaryKeyFirst)
{
    TableDefinition table{"dbo", "Order Details", {}, {}, {}, {}, {}};
    ScriptColumn lineNo = plainColumn("LineNo", "int", false);
    lineNo.identity = true;
    lineNo.identitySeed = 10248;
    lineNo.identityIncrement = 2;
    ScriptColumn note = plainColumn("Note", "nvarchar", true);
    note.length = 40;
    ScriptColumn phone = plainColumn("Phone", "PhoneNumber", true);
    phone.userDefinedType = true;
    phone.length = 24;
    ScriptColumn total = plainColumn("Total", "", true);
    total.computed = true;
    total.computedText = "([LineNo] * 2)";
    table.columns = {lineNo, note, phone, total};
    table.keys = {{"UQ_Note", false, false, {"Note"}}, {"PK_Order_Details", true, true, {"LineNo", "Note"}}};
    EXPECT_EQ(BuildTableScript(table),
              "IF EXISTS (SELECT * FROM dbo.sysobjects WHERE id = OBJECT_ID(N'[dbo].[Order Details]') AND xtype = "
              "'U')\r\nDROP TABLE [dbo].[Order Details]\r\nGO\r\n\r\n"
              "CREATE TABLE [dbo].[Order Details] (\r\n"
              "\t[LineNo] [int] IDENTITY (10248, 2) NOT NULL,\r\n"
              "\t[Note] [nvarchar] (40) NULL,\r\n"
              "\t[Phone] [PhoneNumber] NULL,\r\n"
              "\t[Total] AS ([LineNo] * 2)\r\n"
              ")\r\nGO\r\n\r\n"
              "ALTER TABLE [dbo].[Order Details] ADD CONSTRAINT [PK_Order_Details] PRIMARY KEY CLUSTERED ([LineNo], "
              "[Note])\r\nGO\r\n\r\n"
              "ALTER TABLE [dbo].[Order Details] ADD CONSTRAINT [UQ_Note] UNIQUE NONCLUSTERED ([Note])\r\nGO\r\n\r\n");
}

TEST(TableScript, TypeTextFollowsTheKindOfType)
{
    const struct {
        const char* type;
        int length, precision, scale;
        bool userType;
        const char* expected;
    } cases[] = {
        {"char", 10, 0, 0, false, "[char] (10)"},
        {"varchar", 50, 0, 0, false, "[varchar] (50)"},
        {"nchar", 5, 0, 0, false, "[nchar] (5)"},
        {"binary", 8, 0, 0, false, "[binary] (8)"},
        {"varbinary", -1, 0, 0, false, "[varbinary] (max)"},
        {"numeric", 17, 18, 4, false, "[numeric] (18, 4)"},
        {"int", 4, 10, 0, false, "[int]"},
        {"ntext", 16, 0, 0, false, "[ntext]"},
        {"sysname", 128, 0, 0, false, "[sysname]"},
        {"PhoneNumber", 24, 0, 0, true, "[PhoneNumber]"},
    };
    for (const auto& c : cases) {
        ScriptColumn column = plainColumn("c", c.type, true);
        column.length = c.length;
        column.precision = c.precision;
        column.scale = c.scale;
        column.userDefinedType = c.userType;
        EXPECT_EQ(columnTypeText(column), c.expected) << c.type;
    }
}

TEST(TableScript, SplitsBatchesAtGoLines)
{
    EXPECT_EQ(splitScriptBatches("SELECT 1\r\nGO\r\n\r\nSELECT 'GO'\r\n  go  \r\nSELECT 3\r\nGO\r\n"),
              QStringList({"SELECT 1", "SELECT 'GO'", "SELECT 3"}));
    EXPECT_EQ(splitScriptBatches("\r\nGO\r\nGO\r\n"), QStringList());
    // GO inside a line is not a separator.
    EXPECT_EQ(splitScriptBatches("PRINT 'GO on'\nGO"), QStringList({"PRINT 'GO on'"}));
}
