// Hostile statements and concurrent sessions against the norvane-sandbox program through unixODBC and
// FreeTDS: deep nesting, runaway results and chains, attention, lost clients, SIGTERM, locking, and the
// statements SQL Server refuses, refused the same way instead of a silent success or a wrong answer.
#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <sys/wait.h>
#include <thread>

#include "odbc_client.h"
#include "support/sandbox_process.h"
#include "tds_test_support.h"

using namespace odbc_test;
using namespace std::chrono_literals;

namespace {

std::string repeat(const std::string& text, int times)
{
    std::string out;
    for (int i = 0; i < times; ++i)
        out += text;
    return out;
}

std::string chain(const std::string& term, const std::string& op, int terms)
{
    return term + repeat(op + term, terms - 1);
}

const std::string kTooDeep = "#191 Some part of your SQL statement is nested too deeply. Rewrite the query or break it "
                             "up into smaller queries.";

struct Step {
    std::string sql;
    std::string answer; // BatchResult::render()
};

class Hardening : public ::testing::Test {
protected:
    static void SetUpTestSuite() { norvane::test::PrivateOdbcConfig::instance(); }
    void SetUp() override { ASSERT_TRUE(client.open(sandbox.port())) << client.connectError(); }

    // Runs each step on client, each bounded in time (the server is stopped when one hangs).
    void expectAnswers(const std::vector<Step>& steps)
    {
        for (const Step& step : steps) {
            SCOPED_TRACE(step.sql.substr(0, 160));
            BatchResult result;
            ASSERT_TRUE(finishesWithin(
                30s, [&] { result = client.run(step.sql); }, [&] { sandbox.stop(); }))
                << "no answer in time";
            EXPECT_EQ(result.render(), step.answer) << result.describe();
        }
    }

    norvane::test::SandboxProcess sandbox;
    OdbcClient client;
};

} // namespace

TEST_F(Hardening, DeepNestingEndsInErrorsAndEverySessionKeepsServing)
{
    OdbcClient bystander;
    ASSERT_TRUE(bystander.open(sandbox.port())) << bystander.connectError();
    expectAnswers({
        {"SELECT " + repeat("(", 2600) + "1" + repeat(")", 2600), kTooDeep},
        {"SELECT " + repeat("ABS(", 10000) + "1" + repeat(")", 10000), kTooDeep},
        {"SELECT " + repeat("(SELECT ", 10000) + "1" + repeat(")", 10000), kTooDeep},
        {repeat("IF 1 = 1 ", 30000) + "SELECT 1", kTooDeep},
        {repeat("BEGIN ", 30000) + "SELECT 1" + repeat(" END", 30000), kTooDeep},
        {"SELECT 1 WHERE " + repeat("NOT ", 30000) + "1 = 0", kTooDeep},
        {"SELECT " + repeat("- ", 30000) + "1", kTooDeep},
        {"SELECT * FROM " + repeat("(SELECT * FROM ", 3000) + "sysobjects" + repeat(") x", 3000), kTooDeep},
        {"SELECT 1 WHERE 1 IN " + repeat("(SELECT 1 WHERE 1 IN ", 3000) + "(1)" + repeat(")", 3000), kTooDeep},
        {"CREATE VIEW Deep AS SELECT " + repeat("(", 3000) + "1" + repeat(")", 3000) + " AS n", kTooDeep},
        {"CREATE TABLE Checked (n int CHECK (n > " + repeat("(", 3000) + "0" + repeat(" + 1)", 3000) + "))", kTooDeep},
        {"EXEC ('SELECT " + repeat("(", 3000) + "1" + repeat(")", 3000) + "')", kTooDeep},
        {"SELECT COUNT(*) FROM sysobjects WHERE name IN ('Deep', 'Checked')", "[0]"},
        {"SELECT " + repeat("CASE WHEN 1 = 1 THEN ", 11) + "1" + repeat(" END", 11),
         "#125 Case expressions may only be nested to level 10."},
        {"SELECT " + repeat("CASE WHEN 1 = 1 THEN ", 5000) + "1" + repeat(" END", 5000),
         "#125 Case expressions may only be nested to level 10."},
        // Reasonable nesting still answers.
        {"SELECT " + repeat("(", 40) + "2" + repeat(")", 40), "[2]"},
        {"SELECT " + repeat("ABS(", 20) + "-3" + repeat(")", 20), "[3]"},
        {"SELECT " + repeat("CASE WHEN 1 = 1 THEN ", 10) + "4" + repeat(" END", 10), "[4]"},
        {"SELECT " + repeat("(SELECT ", 8) + "5" + repeat(")", 8), "[5]"},
        {repeat("IF 1 = 1 ", 150) + "SELECT 6", "[6]"},
        {repeat("BEGIN ", 150) + "SELECT 7" + repeat(" END", 150), "[7]"},
        // EXEC of a text runs in a scope of its own, so a text cannot run itself over and over.
        {"DECLARE @s varchar(100) SET @s = 'EXEC (@s)' EXEC (@s)", "#137 Must declare the variable '@s'."},
    });
    EXPECT_EQ(bystander.run("SELECT 8").render(), "[8]");
    OdbcClient newcomer;
    ASSERT_TRUE(newcomer.open(sandbox.port())) << newcomer.connectError();
    EXPECT_EQ(newcomer.run("SELECT 9").render(), "[9]");
}

TEST_F(Hardening, RunawayResultsAreBoundedAndOperatorChainsTranslateInLinearTime)
{
    expectAnswers({
        {"SELECT REPLICATE('', 9223372036854775807)", "[]"},
        // Results stop at 8,000 characters, as SQL Server 2000's varchar results do.
        {"SELECT LEN(REPLICATE('ab', 2000000000))", "[8000]"},
        {"SELECT LEN(REPLACE(REPLICATE('a', 8000), 'a', REPLICATE('b', 8000)))", "[8000]"},
        {"SELECT LEN(SPACE(2000000000) + 'x')", "[8001]"},
        {"SELECT SUBSTRING('abc', 9223372036854775807, 9223372036854775807)", "[]"},
        // Each ^ once copied its left side twice: 22 terms were gigabytes.
        {"SELECT " + chain("1", "^", 22), "[0]"},
        {"SELECT " + chain("1", " ^ ", 2001), "[1]"},
        {"SELECT 6 ^ 3, 5 & 3, 5 | 3, 1 + 2 & 6, 7 & 2 + 1, - -4", "[5,1,7,2,3,4]"},
        // Long runs of + and OR: quadratic copying made these take minutes.
        {"SELECT " + chain("1", "+", 900), "[900]"},
        {"SELECT COUNT(*) FROM sysobjects WHERE " + chain("id = -1", " OR ", 20000), "[0]"},
        {"SELECT 1 WHERE " + chain("1 = 1", " AND ", 20000), "[1]"},
        // A run longer than SQLite can evaluate says so in SQL Server's words.
        {"SELECT " + chain("1", "+", 100000), kTooDeep},
        {"SELECT 'still' + ' here'", "[still here]"},
    });
}

TEST_F(Hardening, AttentionALostClientAndSigtermStopARunningStatement)
{
    BatchResult result;
    std::thread canceller([&] {
        std::this_thread::sleep_for(500ms);
        client.cancel();
    });
    const bool stopped = finishesWithin(
        15s, [&] { result = client.run(tds_test::kEndless); }, [&] { sandbox.stop(); });
    canceller.join();
    ASSERT_TRUE(stopped) << "the attention was not honoured while the statement ran";
    ASSERT_FALSE(result.diagnostics.empty());
    EXPECT_EQ(result.diagnostics[0].state, "HY008") << result.describe();
    EXPECT_EQ(client.run("SELECT 5").render(), "[5]");

    // A client that goes away mid-statement: its session ends at once instead of computing for nobody.
    const auto spids = [&] {
        std::set<std::string> listed;
        const BatchResult who = client.run("EXEC sp_who");
        for (const auto& row : who.results.at(0))
            listed.insert(row.at(0).value_or(""));
        return listed;
    };
    const std::set<std::string> before = spids();
    std::string leaver;
    {
        tds_test::RawClient raw(static_cast<std::uint16_t>(sandbox.port()));
        ASSERT_TRUE(raw.login());
        for (const std::string& spid : spids())
            if (!before.count(spid))
                leaver = spid;
        ASSERT_FALSE(leaver.empty());
        ASSERT_TRUE(raw.send(0x01, tds_test::utf16le(tds_test::kEndless)));
        std::this_thread::sleep_for(300ms);
    }
    bool gone = false;
    for (int attempt = 0; attempt < 50 && !gone; ++attempt) {
        gone = spids().count(leaver) == 0;
        if (!gone)
            std::this_thread::sleep_for(100ms);
    }
    EXPECT_TRUE(gone) << "session " << leaver << " kept running after its client left";

    // SIGTERM ends the server whatever runs.
    std::thread running([&] { client.run(tds_test::kEndless); });
    std::this_thread::sleep_for(500ms);
    const auto started = std::chrono::steady_clock::now();
    const int status = sandbox.stop(); // SIGTERM, then SIGKILL after 10 s
    running.join();
    EXPECT_LT(std::chrono::steady_clock::now() - started, 5s);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the server had to be killed: " << status;
}

TEST_F(Hardening, AHundredWritersAtOnceAllSucceedAndLockTimeoutBoundsTheWait)
{
    for (const auto& [sessions, transactions] : {std::pair{10, 6}, {50, 3}, {100, 2}}) {
        SCOPED_TRACE(std::to_string(sessions) + " sessions");
        // Each session creates its own table and writes to it in transactions that read first.
        std::vector<std::unique_ptr<OdbcClient>> clients;
        for (int i = 0; i < sessions; ++i) {
            clients.push_back(std::make_unique<OdbcClient>());
            ASSERT_TRUE(clients.back()->open(sandbox.port())) << clients.back()->connectError();
        }
        std::vector<std::string> failures(static_cast<std::size_t>(sessions));
        std::vector<std::thread> threads;
        for (int i = 0; i < sessions; ++i)
            threads.emplace_back([&, i] {
                const std::string table = "W" + std::to_string(sessions) + "_" + std::to_string(i);
                std::vector<std::string> batches{"CREATE TABLE " + table + " (n int NOT NULL PRIMARY KEY)"};
                for (int t = 0; t < transactions; ++t)
                    batches.push_back("BEGIN TRAN SELECT COUNT(*) FROM " + table + " INSERT INTO " + table +
                                      " VALUES (" + std::to_string(t) + ") COMMIT");
                for (const std::string& sql : batches) {
                    const BatchResult result = clients[static_cast<std::size_t>(i)]->run(sql);
                    if (!result.succeeded && failures[static_cast<std::size_t>(i)].empty())
                        failures[static_cast<std::size_t>(i)] = result.describe();
                }
            });
        for (auto& thread : threads)
            thread.join();
        EXPECT_EQ(failures, std::vector<std::string>(static_cast<std::size_t>(sessions)));
        const std::string prefix = "W" + std::to_string(sessions);
        EXPECT_EQ(client
                      .run("SELECT COUNT(*) FROM sysobjects WHERE name LIKE '" + prefix +
                           "[_]%' SELECT COUNT(*) FROM " + prefix + "_0")
                      .render(),
                  "[" + std::to_string(sessions) + "] [" + std::to_string(transactions) + "]");
    }

    OdbcClient waiter;
    ASSERT_TRUE(waiter.open(sandbox.port()));
    ASSERT_TRUE(client.run("CREATE TABLE Held (n int NULL) CREATE TABLE Other (n int NULL)").succeeded);
    ASSERT_TRUE(client.run("BEGIN TRAN INSERT INTO Held VALUES (1)").succeeded);
    // Readers are never blocked by the open transaction, and see only committed rows.
    EXPECT_EQ(waiter
                  .run("SET LOCK_TIMEOUT 200 SELECT @@LOCK_TIMEOUT INSERT INTO Other VALUES (1) "
                       "SELECT COUNT(*) FROM Held")
                  .render(),
              "[200] [0] #1222 Lock request time out period exceeded.");
    // A writer waiting for its turn can be cancelled.
    BatchResult cancelled;
    std::thread canceller([&] {
        std::this_thread::sleep_for(300ms);
        waiter.cancel();
    });
    const bool answered = finishesWithin(
        10s, [&] { cancelled = waiter.run("SET LOCK_TIMEOUT -1 INSERT INTO Other VALUES (1)"); },
        [&] { sandbox.stop(); });
    canceller.join();
    ASSERT_TRUE(answered) << "the attention was not honoured while the writer waited";
    ASSERT_FALSE(cancelled.diagnostics.empty());
    EXPECT_EQ(cancelled.diagnostics.back().state, "HY008") << cancelled.describe();
    // Without a timeout the writer waits until the transaction ends, then succeeds.
    BatchResult waited;
    std::thread writer([&] { waited = waiter.run("INSERT INTO Other VALUES (2) SELECT COUNT(*) FROM Held"); });
    std::this_thread::sleep_for(400ms);
    EXPECT_TRUE(client.run("COMMIT").succeeded);
    writer.join();
    EXPECT_EQ(waited.render(), "[1]");
    EXPECT_EQ(client.run("SELECT n FROM Other").render(), "[2]");
}

TEST_F(Hardening, StatementsSqlServerRefusesAreRefusedWithItsErrors)
{
    const std::string noIdentity = "Cannot insert explicit value for identity column in table 'Ports' when "
                                   "IDENTITY_INSERT is set to OFF.";
    expectAnswers({
        {"CREATE DATABASE Checks USE Checks", ""},
        {"CREATE TABLE Counts (n int NULL, s smallint NULL, f float NULL)", ""},
        {"INSERT INTO Counts (n) VALUES ('x')",
         "#245 Syntax error converting the varchar value 'x' to a column of data type int."},
        {"INSERT INTO Counts (n) VALUES ('1.5')",
         "#245 Syntax error converting the varchar value '1.5' to a column of data type int."},
        {"UPDATE Counts SET n = 'y'", ""}, // no rows yet, so nothing to convert
        {"INSERT INTO Counts (s) VALUES (40000)",
         "#220 Arithmetic overflow error for data type smallint, value = 40000."},
        {"INSERT INTO Counts (f) VALUES ('many')", "#8114 Error converting data type varchar to float."},
        // What SQL Server converts, the sandbox stores as SQL Server would.
        {"INSERT INTO Counts (n, s, f) VALUES ('12', 2.9, '2.5') SELECT n, s, f FROM Counts", "[12,2,2.5]"},
        {"UPDATE Counts SET n = 'z'",
         "#245 Syntax error converting the varchar value 'z' to a column of data type int."},
        {"SELECT n FROM Counts", "[12]"},
        // IDENTITY_INSERT, one table at a time.
        {"CREATE TABLE Ports (PortID int IDENTITY(1, 1) PRIMARY KEY, Name varchar(20) NOT NULL) "
         "CREATE TABLE Docks (DockID int IDENTITY(10, 10) PRIMARY KEY, Name varchar(20) NULL) "
         "CREATE TABLE Plain (Name varchar(20) NULL) INSERT INTO Ports (Name) VALUES ('Aden')",
         ""},
        {"INSERT INTO Ports (PortID, Name) VALUES (7, 'Brest')", "#544 " + noIdentity},
        {"SET IDENTITY_INSERT [dbo].[Ports] ON", ""},
        {"INSERT INTO Ports (PortID, Name) VALUES (7, 'Brest') INSERT INTO Ports (PortID, Name) VALUES (5, 'Cork')",
         ""},
        {"INSERT INTO Ports (Name) VALUES ('Dover')", "#545 Explicit value must be specified for identity column in "
                                                      "table 'Ports' when IDENTITY_INSERT is set to ON."},
        {"INSERT INTO Ports VALUES (9, 'Dover')", "#8101 An explicit value for the identity column in table 'Ports' "
                                                  "can only be specified when a column list is used and "
                                                  "IDENTITY_INSERT is ON."},
        {"SET IDENTITY_INSERT Docks ON", "#8107 IDENTITY_INSERT is already ON for table 'Checks.dbo.Ports'. Cannot "
                                         "perform SET operation for table 'Docks'."},
        {"SET IDENTITY_INSERT Plain ON",
         "#8106 Table 'Plain' does not have the identity property. Cannot perform SET operation."},
        {"SET IDENTITY_INSERT Nowhere ON", "#208 Invalid object name 'Nowhere'."},
        // OFF again: new rows continue after the largest value given; a data script's shape runs as one batch.
        {"SET IDENTITY_INSERT Checks.dbo.Ports OFF INSERT INTO Ports (Name) VALUES ('Dover') "
         "SELECT PortID, Name FROM Ports ORDER BY PortID",
         "[1,Aden;5,Cork;7,Brest;8,Dover]"},
        {"SET IDENTITY_INSERT Docks ON\r\nINSERT INTO Docks (DockID, Name) VALUES (15, 'East')\r\n"
         "SET IDENTITY_INSERT Docks OFF\r\nINSERT INTO Docks (Name) VALUES ('West')\r\n"
         "SELECT DockID, Name FROM Docks ORDER BY DockID",
         "[15,East;25,West]"},
        // SET options.
        {"SET NOT_AN_OPTION ON", "#195 'NOT_AN_OPTION' is not a recognized SET option."},
        {"SET ANSI_NULLS, NOT_AN_OPTION ON", "#195 'NOT_AN_OPTION' is not a recognized SET option."},
        {"SET ANSI_NULLS, QUOTED_IDENTIFIER ON SET TEXTSIZE 2147483647 SET DATEFORMAT mdy", ""},
        {"SET NOEXEC ON", "#50000 The Norvane sandbox does not support SET NOEXEC ON."},
        {"SET NOEXEC OFF", ""},
        // IMPLICIT_TRANSACTIONS: an INSERT opens a transaction that ROLLBACK undoes; a SELECT opens one too.
        {"CREATE TABLE Notes (n int NULL) SET IMPLICIT_TRANSACTIONS ON", ""},
        {"INSERT INTO Notes VALUES (1) SELECT @@TRANCOUNT", "[1]"},
        {"ROLLBACK SELECT COUNT(*) FROM Notes", "[0]"},
        {"SELECT @@TRANCOUNT", "[1]"},
        {"INSERT INTO Notes VALUES (2) COMMIT SET IMPLICIT_TRANSACTIONS OFF SELECT COUNT(*), @@TRANCOUNT FROM Notes",
         "[1,0]"},
        // SET NOCOUNT ON followed by a statement: the statement runs.
        {"SET NOCOUNT ON UPDATE Notes SET n = 3 SET NOCOUNT OFF SELECT n FROM Notes", "[3]"},
        // XACT_ABORT ON: a failing statement takes its transaction with it.
        {"SET XACT_ABORT ON BEGIN TRAN INSERT INTO Notes VALUES (4) INSERT INTO Notes VALUES ('x') "
         "INSERT INTO Notes VALUES (5) COMMIT",
         "#245 Syntax error converting the varchar value 'x' to a column of data type int."},
        {"SET XACT_ABORT OFF SELECT COUNT(*), @@TRANCOUNT FROM Notes", "[1,0]"},
        {"GRANT SELECT ON Notes TO nobody", "#4604 There is no such user or group 'nobody'."},
        {"REVOKE SELECT ON Notes FROM public, nobody2", "#4604 There is no such user or group 'nobody2'."},
        {"GRANT SELECT, INSERT ON Notes TO public GRANT SELECT ON Notes TO dbo", ""},
        {"CREATE TABLE [" + std::string(128, 'n') + "] (i int NULL)", ""},
        {"CREATE TABLE [" + std::string(129, 'n') + "] (i int NULL)",
         "#103 The identifier that starts with '" + std::string(128, 'n') + "' is too long. Maximum length is 128."},
        {"SELECT 1 AS " + std::string(129, 'n'),
         "#103 The identifier that starts with '" + std::string(128, 'n') + "' is too long. Maximum length is 128."},
        {"SELECT COUNT(*) FROM sysobjects WHERE name LIKE 'nnnn%'", "[1]"},
    });
    // ODBC's manual-commit mode, as the driver implements it.
    ASSERT_TRUE(client.setAutocommit(false));
    EXPECT_TRUE(client.run("INSERT INTO Notes VALUES (6)").succeeded);
    EXPECT_TRUE(client.endTransaction(false));
    EXPECT_TRUE(client.run("INSERT INTO Notes VALUES (7)").succeeded);
    EXPECT_TRUE(client.endTransaction(true));
    ASSERT_TRUE(client.setAutocommit(true));
    EXPECT_EQ(client.run("SELECT n, @@TRANCOUNT FROM Notes ORDER BY n").render(), "[3,0;7,0]");
}
