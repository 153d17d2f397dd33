// Quoting literals and bracketing names: exact text, and hostile names round-tripped through the sandbox.
#include "shell/data/connection.h"
#include "shell/data/sql_text.h"
#include "support/qt_printers.h"
#include "support/sandbox_process.h"

#include <gtest/gtest.h>

using namespace norvane;

TEST(SqlText, DoublesQuotesInLiteralsAndClosingBracketsInNames)
{
    EXPECT_EQ(quotedLiteralText("O'Brien's"), "O''Brien''s");
    EXPECT_EQ(quotedLiteralText("''"), "''''");
    EXPECT_EQ(quotedLiteralText("[a]"), "[a]");
    EXPECT_EQ(bracketedName("[odd]"), "[odd]]");
    EXPECT_EQ(bracketedName("a]]b"), "a]]]]b");
    EXPECT_EQ(bracketedName("O'Brien"), "O'Brien");
    EXPECT_EQ(bracketed("a]b"), "[a]]b]");
    EXPECT_EQ(unicodeLiteral("x'; drop table Region--"), "N'x''; drop table Region--'");
}

TEST(SqlText, HostileNamesReachTheServerAsNames)
{
    test::PrivateOdbcConfig::instance();
    test::SandboxProcess sandbox;
    Connection connection;
    connection.open(sandbox.connectionString());
    connection.executeCommand("CREATE DATABASE Escapes");
    connection.close();
    connection.open(sandbox.connectionString("Escapes"));

    const QStringList names = {"Bob's", "a]b", "x'; drop table Region--", " padded "};
    connection.executeCommand("CREATE TABLE Region (Id int NOT NULL)");
    for (const QString& name : names) {
        connection.executeCommand("CREATE TABLE " + bracketed(name) + " (Id int NOT NULL)");
        connection.executeCommand("INSERT INTO " + bracketed(name) + " (Id) VALUES (7)");
    }
    for (const QString& name : names) {
        Recordset found =
            connection.execute("SELECT Name FROM SysObjects WHERE Name = '" + quotedLiteralText(name) + "'");
        ASSERT_FALSE(found.eof()) << name.toStdString();
        EXPECT_EQ(found.field("Name").text(), name);
        found.close();
        Recordset rows = connection.execute("SELECT Id FROM [dbo].[" + bracketedName(name) + "]");
        ASSERT_FALSE(rows.eof()) << name.toStdString();
        EXPECT_EQ(rows.field("Id").text(), "7");
        rows.close();
    }
    Recordset region = connection.execute("SELECT COUNT(*) AS N FROM SysObjects WHERE Name = 'Region'");
    EXPECT_EQ(region.field("N").text(), "1"); // nothing was dropped
    region.close();
    connection.close();
}
