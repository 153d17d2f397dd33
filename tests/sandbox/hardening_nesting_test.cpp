// Deeply nested statements end in SQL Server's error 191 and leave the server and the session serving.
#include <gtest/gtest.h>

#include <string>

#include "hardening_client.h"
#include "support/sandbox_process.h"
#include "tds_test_support.h"

using namespace std::chrono_literals;

namespace {

const std::string kTooDeep =
    "Some part of your SQL statement is nested too deeply. Rewrite the query or break it up into smaller queries.";

std::string repeat(const std::string& text, int times)
{
    std::string out;
    out.reserve(text.size() * static_cast<std::size_t>(times));
    for (int i = 0; i < times; ++i)
        out += text;
    return out;
}

struct Shape {
    std::string name;
    std::string sql;
};

std::vector<Shape> deepShapes()
{
    return {
        {"parentheses", "SELECT " + repeat("(", 2600) + "1" + repeat(")", 2600)},
        {"function calls", "SELECT " + repeat("ABS(", 10000) + "1" + repeat(")", 10000)},
        {"subqueries", "SELECT " + repeat("(SELECT ", 10000) + "1" + repeat(")", 10000)},
        {"IF", repeat("IF 1 = 1 ", 30000) + "SELECT 1"},
        {"BEGIN...END", repeat("BEGIN ", 30000) + "SELECT 1" + repeat(" END", 30000)},
        {"NOT", "SELECT 1 WHERE " + repeat("NOT ", 30000) + "1 = 0"},
        {"unary minus", "SELECT " + repeat("- ", 30000) + "1"},
        {"derived tables", "SELECT * FROM " + repeat("(SELECT * FROM ", 3000) + "sysobjects" + repeat(") x", 3000)},
        {"IN lists", "SELECT 1 WHERE 1 IN " + repeat("(SELECT 1 WHERE 1 IN ", 3000) + "(1)" + repeat(")", 3000)},
        {"a view", "CREATE VIEW Deep AS SELECT " + repeat("(", 3000) + "1" + repeat(")", 3000) + " AS n"},
        {"a CHECK constraint", "CREATE TABLE Checked (n int CHECK (n > " + repeat("(", 3000) + "0" + repeat(" + 1)", 3000) + "))"},
        {"EXEC of a text", "EXEC ('SELECT " + repeat("(", 3000) + "1" + repeat(")", 3000) + "')"},
    };
}

class Nesting : public ::testing::Test {
protected:
    static void SetUpTestSuite() { tds_test::usePrivateOdbcConfig(); }
    norvane::test::SandboxProcess sandbox;
};

}  // namespace

TEST_F(Nesting, DeepStatementsGetError191AndEverySessionKeepsServing)
{
    hardening::OdbcClient bystander;
    ASSERT_TRUE(bystander.open(sandbox.port())) << bystander.connectError();
    hardening::OdbcClient client;
    ASSERT_TRUE(client.open(sandbox.port())) << client.connectError();
    for (const Shape& shape : deepShapes()) {
        hardening::BatchResult result;
        const bool answered = hardening::finishesWithin(
            60s, [&] { result = client.run(shape.sql); }, [&] { sandbox.stop(); });
        ASSERT_TRUE(answered) << shape.name << " left the server without an answer";
        EXPECT_FALSE(result.succeeded) << shape.name;
        EXPECT_TRUE(result.hasError(191, kTooDeep)) << shape.name << "\n" << result.describe();
        // The same session goes on.
        EXPECT_EQ(client.run("SELECT 7").scalar(), "7") << "after " << shape.name;
    }
    EXPECT_EQ(client.run("SELECT COUNT(*) FROM sysobjects WHERE name IN ('Deep', 'Checked')").scalar(), "0")
        << "nothing is left behind by a refused CREATE";
    // So does every other session, and new ones are let in.
    EXPECT_EQ(bystander.run("SELECT 8").scalar(), "8");
    hardening::OdbcClient newcomer;
    ASSERT_TRUE(newcomer.open(sandbox.port())) << newcomer.connectError();
    EXPECT_EQ(newcomer.run("SELECT 9").scalar(), "9");
}

TEST_F(Nesting, CaseNestsTenDeepAsOnSqlServer)
{
    hardening::OdbcClient client;
    ASSERT_TRUE(client.open(sandbox.port())) << client.connectError();
    for (const int depth : {11, 5000}) {
        hardening::BatchResult result;
        ASSERT_TRUE(hardening::finishesWithin(
            60s, [&] { result = client.run("SELECT " + repeat("CASE WHEN 1 = 1 THEN ", depth) + "1" + repeat(" END", depth)); },
            [&] { sandbox.stop(); }));
        EXPECT_TRUE(result.hasError(125, "Case expressions may only be nested to level 10.")) << depth << "\n" << result.describe();
    }
    EXPECT_EQ(client.run("SELECT 1").scalar(), "1");
}

TEST_F(Nesting, ReasonableNestingStillAnswers)
{
    hardening::OdbcClient client;
    ASSERT_TRUE(client.open(sandbox.port())) << client.connectError();
    EXPECT_EQ(client.run("SELECT " + repeat("(", 40) + "2" + repeat(")", 40)).scalar(), "2");
    EXPECT_EQ(client.run("SELECT " + repeat("ABS(", 20) + "-3" + repeat(")", 20)).scalar(), "3");
    EXPECT_EQ(client.run("SELECT " + repeat("CASE WHEN 1 = 1 THEN ", 10) + "4" + repeat(" END", 10)).scalar(), "4");
    EXPECT_EQ(client.run("SELECT " + repeat("(SELECT ", 8) + "5" + repeat(")", 8)).scalar(), "5");
    EXPECT_EQ(client.run(repeat("IF 1 = 1 ", 150) + "SELECT 6").scalar(), "6");
    EXPECT_EQ(client.run(repeat("BEGIN ", 150) + "SELECT 7" + repeat(" END", 150)).scalar(), "7");
    // EXEC of a text runs in a scope of its own: the caller's variables are not there, so the text
    // cannot run itself over and over.
    const auto self = client.run("DECLARE @s varchar(100) SET @s = 'EXEC (@s)' EXEC (@s)");
    EXPECT_TRUE(self.hasError(137, "Must declare the variable '@s'.")) << self.describe();
    EXPECT_EQ(client.run("SELECT 8").scalar(), "8");
}
