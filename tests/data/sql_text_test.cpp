// Quoting literals and bracketing names: exact text, and hostile names round-tripped through the sandbox.
#include "shell/data/connection.h"
#include "shell/data/sql_text.h"
#include "shell/harbor_session.h"
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
    const QStringList names = {"Bob's", "a]b", "x'; drop table Region--", " padded "};
    norvane::testing::createScratchDatabase("Escapes");
    QStringList batches = {"CREATE TABLE Region (Id int NOT NULL)"};
    for (const QString& name : names)
        batches << "CREATE TABLE " + bracketed(name) + " (Id int NOT NULL)"
                << "INSERT INTO " + bracketed(name) + " (Id) VALUES (7)";
    norvane::testing::runBatches("Escapes", batches);
    Connection connection;
    connection.open(test::sharedSampleSandbox().connectionString("Escapes"));
    for (const QString& name : names) {
        EXPECT_EQ(connection.execute("SELECT Name FROM SysObjects WHERE Name = '" + quotedLiteralText(name) + "'")
                      .field("Name")
                      .text(),
                  name);
        EXPECT_EQ(connection.execute("SELECT Id FROM [dbo].[" + bracketedName(name) + "]").field("Id").text(), "7")
            << name.toStdString();
    }
    // Nothing was dropped.
    EXPECT_EQ(connection.execute("SELECT COUNT(*) AS N FROM SysObjects WHERE Name = 'Region'").field("N").text(), "1");
}
