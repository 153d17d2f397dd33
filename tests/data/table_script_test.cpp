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

// Identity columns, foreign keys, defaults and checks are checked end to end by the server-management tests.
TEST(TableScript, ScriptsUserTypeAndComputedColumnsAndThePrimaryKeyFirst)
{
    TableDefinition table{"dbo", "Order Details", {}, {}, {}, {}, {}};
    ScriptColumn lineNo = plainColumn("LineNo", "int", false);
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
              "\t[LineNo] [int] NOT NULL,\r\n"
              "\t[Note] [nvarchar] (40) NULL,\r\n"
              "\t[Phone] [PhoneNumber] NULL,\r\n"
              "\t[Total] AS ([LineNo] * 2)\r\n"
              ")\r\nGO\r\n\r\n"
              "ALTER TABLE [dbo].[Order Details] ADD CONSTRAINT [PK_Order_Details] PRIMARY KEY CLUSTERED ([LineNo], "
              "[Note])\r\nGO\r\n\r\n"
              "ALTER TABLE [dbo].[Order Details] ADD CONSTRAINT [UQ_Note] UNIQUE NONCLUSTERED ([Note])\r\nGO\r\n\r\n");
}

// Char, binary, decimal and user types are checked end to end by the server-management tests.
TEST(TableScript, TypeTextFollowsTheKindOfType)
{
    const struct {
        const char* type;
        int length, precision, scale;
        const char* expected;
    } cases[] = {{"varbinary", -1, 0, 0, "[varbinary] (max)"},
                 {"numeric", 17, 18, 4, "[numeric] (18, 4)"},
                 {"ntext", 16, 0, 0, "[ntext]"},
                 {"sysname", 128, 0, 0, "[sysname]"}};
    for (const auto& c : cases) {
        ScriptColumn column = plainColumn("c", c.type, true);
        column.length = c.length;
        column.precision = c.precision;
        column.scale = c.scale;
        EXPECT_EQ(columnTypeText(column), c.expected) << c.type;
    }
}
