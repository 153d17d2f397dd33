// The norvane-sandbox program through unixODBC and FreeTDS: TDS versions, command line, backup
// progress, single-user databases, one server per data folder, idle sessions, and hostile statements and
// sessions: deep nesting, runaway results and chains, attention, lost clients, SIGTERM, locking, refusals.
#include <gtest/gtest.h>

#include <sql.h>
#include <sqlext.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <future>
#include <optional>
#include <set>
#include <sys/wait.h>
#include <thread>

#include "support/sandbox_process.h"
#include "tds_test_support.h"

using namespace std::chrono_literals;
using norvane::test::SandboxProcess;
using tds_test::repeat;

namespace {

struct Diagnostic {
    std::string state;
    long native = 0;
    std::string text;
    std::chrono::milliseconds at{0}; // when the client saw it, from the start of the batch
};

std::vector<Diagnostic> diagnosticsOf(SQLSMALLINT type, SQLHANDLE handle, std::chrono::milliseconds at = {})
{
    std::vector<Diagnostic> out;
    SQLCHAR state[6] = {}, text[2048] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    for (SQLSMALLINT i = 1;
         i <= 64 && SQL_SUCCEEDED(SQLGetDiagRec(type, handle, i, state, &native, text, sizeof text, &length)); ++i)
        out.push_back({reinterpret_cast<char*>(state), native, reinterpret_cast<char*>(text), at});
    return out;
}

struct BatchResult {
    bool succeeded = false;
    std::vector<std::vector<std::vector<std::optional<std::string>>>> results; // result sets, rows, values
    std::vector<Diagnostic> diagnostics;

    // The whole answer on one line: each result set as [a,b;c,d], each error as #NUMBER text.
    std::string render() const
    {
        std::string out;
        for (const auto& rows : results) {
            out += out.empty() ? "[" : " [";
            for (std::size_t r = 0; r < rows.size(); ++r)
                for (std::size_t c = 0; c < rows[r].size(); ++c)
                    out += (c ? "," : r ? ";" : "") + rows[r][c].value_or("NULL");
            out += "]";
        }
        for (const auto& d : diagnostics) {
            const auto at = d.text.rfind("[SQL Server]"); // FreeTDS's prefix before the server's own text
            if (d.state != "01000")                       // not a PRINT or progress message
                out += (out.empty() ? "#" : " #") + std::to_string(d.native) + " " +
                       (at == std::string::npos ? d.text : d.text.substr(at + 12));
        }
        return out.empty() && !succeeded ? "failed" : out;
    }
};

// One ODBC connection through FreeTDS; batches run to the end with every result set and message collected.
class OdbcClient {
public:
    OdbcClient()
    {
        SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_);
        SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
        SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_);
    }
    ~OdbcClient()
    {
        SQLFreeHandle(SQL_HANDLE_STMT, statement_);
        SQLDisconnect(dbc_);
        SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
        SQLFreeHandle(SQL_HANDLE_ENV, env_);
    }
    bool open(int port, const std::string& database = "master", const std::string& extra = "")
    {
        std::string text = "Driver=FreeTDS;Server=127.0.0.1;Port=" + std::to_string(port) +
                           ";UID=sa;PWD=;Database=" + database + ";ClientCharset=UTF-8" + extra;
        const bool connected = SQL_SUCCEEDED(SQLDriverConnect(dbc_, nullptr, reinterpret_cast<SQLCHAR*>(text.data()),
                                                              SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT));
        connectError.clear();
        for (const auto& d : diagnosticsOf(SQL_HANDLE_DBC, dbc_))
            connectError += std::to_string(d.native) + " " + d.text + "\n";
        return connected && SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &statement_));
    }
    std::string info(SQLUSMALLINT what) const
    {
        char buffer[256] = {};
        SQLGetInfo(dbc_, what, buffer, sizeof buffer, nullptr);
        return buffer;
    }
    BatchResult run(const std::string& sql)
    {
        BatchResult result;
        SQLFreeStmt(statement_, SQL_CLOSE);
        const auto start = std::chrono::steady_clock::now();
        SQLRETURN rc = SQLExecDirect(statement_, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.c_str())),
                                     static_cast<SQLINTEGER>(sql.size()));
        result.succeeded = SQL_SUCCEEDED(rc) || rc == SQL_NO_DATA;
        // Every result set and DONE in turn; bounded so that a misbehaving server cannot keep the loop going.
        for (int step = 0; step < 10000 && rc != SQL_NO_DATA && rc != SQL_INVALID_HANDLE; ++step) {
            const auto at =
                std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
            const auto more = diagnosticsOf(SQL_HANDLE_STMT, statement_, at);
            result.diagnostics.insert(result.diagnostics.end(), more.begin(), more.end());
            result.succeeded = result.succeeded && rc != SQL_ERROR;
            SQLSMALLINT columns = 0;
            if (SQL_SUCCEEDED(rc) && SQL_SUCCEEDED(SQLNumResultCols(statement_, &columns)) && columns > 0) {
                auto& rows = result.results.emplace_back();
                while (SQLFetch(statement_) == SQL_SUCCESS) {
                    auto& row = rows.emplace_back();
                    for (SQLUSMALLINT c = 1; c <= static_cast<SQLUSMALLINT>(columns); ++c) {
                        std::string value(16384, '\0');
                        SQLLEN length = 0;
                        SQLGetData(statement_, c, SQL_C_CHAR, value.data(), value.size(), &length);
                        row.push_back(length == SQL_NULL_DATA ? std::nullopt
                                                              : std::optional(value.substr(0, value.find('\0'))));
                    }
                }
            }
            rc = SQLMoreResults(statement_);
        }
        return result;
    }
    // Asks the server to stop the running batch (from another thread).
    void cancel() { SQLCancel(statement_); }
    SQLHDBC dbc() const { return dbc_; }
    std::string connectError;

private:
    SQLHENV env_ = SQL_NULL_HENV;
    SQLHDBC dbc_ = SQL_NULL_HDBC;
    SQLHSTMT statement_ = SQL_NULL_HSTMT;
};

// Runs work on a thread of its own for at most limit; on time out, stop() (which must make work return)
// is called before the thread is joined. True when work finished in time.
bool finishesWithin(std::chrono::milliseconds limit, const std::function<void()>& work,
                    const std::function<void()>& stop)
{
    std::packaged_task<void()> task(work);
    std::future<void> done = task.get_future();
    std::thread thread(std::move(task));
    const bool inTime = done.wait_for(limit) == std::future_status::ready;
    if (!inTime)
        stop();
    thread.join();
    return inTime;
}

std::string chain(const std::string& term, const std::string& op, int terms)
{
    return term + tds_test::repeat(op + term, terms - 1);
}

const std::string kTooDeep = "#191 Some part of your SQL statement is nested too deeply. Rewrite the query or break it "
                             "up into smaller queries.";

using Step = std::pair<std::string, std::string>; // a batch and its whole answer, as BatchResult::render()

// Runs norvane-sandbox to its end: the exit status and everything it printed.
std::pair<int, std::string> runToEnd(const std::string& arguments)
{
    FILE* pipe = ::popen((std::string(std::getenv("NORVANE_SANDBOX")) + " " + arguments + " 2>&1").c_str(), "r");
    std::string output;
    char buffer[512];
    while (pipe && std::fgets(buffer, sizeof buffer, pipe))
        output += buffer;
    const int status = pipe ? ::pclose(pipe) : -1;
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

SandboxProcess::Options options(const std::string& folder, int workDelayMs = 0)
{
    return {false, {}, 0, QString::fromStdString(folder), workDelayMs};
}

// One norvane-sandbox per test and a client logged in to it.
class Sandbox : public ::testing::Test {
protected:
    static void SetUpTestSuite() { norvane::test::PrivateOdbcConfig::instance(); }
    void start(SandboxProcess::Options options = {})
    {
        sandbox = std::make_unique<SandboxProcess>(options);
        ASSERT_TRUE(client.open(sandbox->port())) << client.connectError;
    }
    int port() const { return sandbox->port(); }

    // Runs each step on client, each bounded in time (the server is stopped when one hangs).
    void expectAnswers(const std::vector<Step>& steps)
    {
        for (const Step& step : steps) {
            SCOPED_TRACE(step.first.substr(0, 160));
            BatchResult result;
            ASSERT_TRUE(finishesWithin(
                30s, [&] { result = client.run(step.first); }, [&] { sandbox->stop(); }))
                << "no answer in time";
            EXPECT_EQ(result.render(), step.second);
        }
    }

    // Runs sql on c and cancels it after 400 ms: the SQLSTATE of its last diagnostic.
    std::string cancelled(OdbcClient& c, const std::string& sql)
    {
        BatchResult result;
        std::thread canceller([&] {
            std::this_thread::sleep_for(400ms);
            c.cancel();
        });
        const bool answered = finishesWithin(
            15s, [&] { result = c.run(sql); }, [&] { sandbox->stop(); });
        canceller.join();
        return !answered ? "no answer in time" : result.diagnostics.empty() ? "none" : result.diagnostics.back().state;
    }

    std::unique_ptr<SandboxProcess> sandbox;
    OdbcClient client;
};

} // namespace

TEST_F(Sandbox, FreeTdsLogsInWithItsDefaultVersionAnd71WithALargerPacket)
{
    start();
    EXPECT_EQ(client.info(SQL_SERVER_NAME) + "|" + client.info(SQL_DATABASE_NAME) + "|" + client.info(SQL_DBMS_NAME) +
                  "|" + client.info(SQL_DBMS_VER),
              "SANDBOX|master|Microsoft SQL Server|08.00.0760");

    OdbcClient v71;
    ASSERT_TRUE(v71.open(port(), "master", ";TDS_Version=7.1;PacketSize=8192")) << v71.connectError;
    SQLUINTEGER packetSize = 0;
    SQLGetConnectAttr(v71.dbc(), SQL_ATTR_PACKET_SIZE, &packetSize, 0, nullptr);
    EXPECT_EQ(packetSize, 8192u);
    EXPECT_EQ(v71.run("SELECT 1" + std::string(20000, ' ')).render(), "[1]") << "a batch of several packets";
    EXPECT_EQ(v71.run("SELECT REPLICATE('x', 8000)").render(), "[" + std::string(8000, 'x') + "]")
        << "an answer of several";
}

TEST_F(Sandbox, TheProgramNamesWrongOptions)
{
    const auto [status, output] = runToEnd("--port 70000");
    EXPECT_EQ(status, 2);
    EXPECT_NE(output.find("usage: norvane-sandbox --data DIR"), std::string::npos) << output;
}

TEST_F(Sandbox, BackupAndRestoreProgressArrivesAsTheWorkProceeds)
{
    start(options("", 8));
    ASSERT_EQ(client.run("CREATE DATABASE Harbor").render(), "");
    const std::string prefix = "[FreeTDS][SQL Server]";
    for (const std::string verb : {"backed up", "restored"}) {
        SCOPED_TRACE(verb);
        const bool backup = verb == "backed up";
        const auto result = client.run(backup ? "BACKUP DATABASE [Harbor] TO DISK = N'C:\\\\Harbor.bak' WITH INIT, "
                                                "NAME = N'Harbor', STATS = 1"
                                              : "RESTORE DATABASE [Harbor] FROM DISK = N'C:\\\\Harbor.bak' WITH "
                                                "REPLACE, STATS = 1");
        EXPECT_EQ(result.render(), "");
        std::vector<Diagnostic> progress;
        for (const Diagnostic& d : result.diagnostics)
            if (d.text.find(" percent ") != std::string::npos)
                progress.push_back(d);
        ASSERT_EQ(progress.size(), 100u);
        for (std::size_t i = 0; i < 100; ++i)
            EXPECT_EQ(progress[i].text, prefix + std::to_string(i + 1) + " percent " + verb + ".");
        EXPECT_EQ(result.diagnostics.back().text.rfind(
                      prefix + (backup ? "BACKUP" : "RESTORE") + " DATABASE successfully processed ", 0),
                  0u);
        // Each percent waits 8 ms on the server: the client sees them one after another, not all at the end.
        EXPECT_GE(progress[49].at - progress[9].at, 100ms);
        EXPECT_GE(progress[89].at - progress[49].at, 100ms);
    }
}

TEST_F(Sandbox, SingleUserDatabaseAdmitsOneSessionAndKillSparesItsCaller)
{
    start();
    expectAnswers({{"CREATE DATABASE Harbor", ""},
                   {"USE Harbor CREATE TABLE Ships (ShipID int NULL) USE master", ""},
                   {"ALTER DATABASE Harbor SET SINGLE_USER WITH ROLLBACK IMMEDIATE USE Harbor", ""}});
    const std::string refusal = "Database 'Harbor' is already open and can only have one user at a time.";
    OdbcClient second;
    EXPECT_FALSE(second.open(port(), "Harbor"));
    EXPECT_EQ(second.connectError.substr(0, second.connectError.find("\n0 ")),
              "924 [FreeTDS][SQL Server]" + refusal +
                  "\n4060 [FreeTDS][SQL Server]Cannot open database requested in login 'Harbor'. Login fails.");
    OdbcClient third;
    ASSERT_TRUE(third.open(port())) << third.connectError;
    EXPECT_EQ(third.run("USE Harbor").render(), "#924 " + refusal);
    EXPECT_EQ(third.run("SELECT COUNT(*) FROM Harbor..Ships").render(), "#924 " + refusal);
    // The owner may not end itself; it may leave the database to others.
    expectAnswers({{"KILL " + client.run("SELECT @@SPID").render().substr(1, 2),
                    "#6104 Cannot use KILL to kill your own process."},
                   {"USE master ALTER DATABASE Harbor SET MULTI_USER", ""}});
    EXPECT_EQ(third.run("USE Harbor").render(), "");
}

TEST_F(Sandbox, OneServerPerDataFolder)
{
    const QTemporaryDir data;
    const std::string folder = data.path().toStdString();
    start(options(folder));
    expectAnswers({{"CREATE DATABASE Harbor", ""},
                   {"USE Harbor CREATE TABLE Ships (ShipID int NULL) INSERT INTO Ships VALUES (1)", ""}});
    for (const char* extra : {"", " --sample"}) {
        const auto [status, output] = runToEnd("--data " + folder + extra);
        EXPECT_EQ(status, 3);
        EXPECT_EQ(output, "norvane-sandbox: the data folder " + folder +
                              " is in use by another norvane-sandbox (process " + std::to_string(sandbox->pid()) +
                              "); stop that server or choose another --data folder\n");
    }
    EXPECT_EQ(client.run("SELECT COUNT(*) FROM Harbor..Ships").render(), "[1]") << "the first server goes on";
    sandbox.reset();
    SandboxProcess third(options(folder)); // throws when it does not start
    EXPECT_GT(third.port(), 0) << "once the first stops, the folder is free again";
}

TEST_F(Sandbox, IdleSessionsStaySmall)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizers' own bookkeeping makes memory figures meaningless";
#else
    start();
    const auto residentKb = [&] {
        std::ifstream status("/proc/" + std::to_string(sandbox->pid()) + "/status");
        for (std::string line; std::getline(status, line);)
            if (line.rfind("VmRSS:", 0) == 0)
                return std::atol(line.c_str() + 6);
        return -1L;
    };
    const long before = residentKb();
    std::vector<std::unique_ptr<tds_test::RawClient>> sessions;
    for (int i = 0; i < 300; ++i) { // more than the 256 sessions that once filled the server
        sessions.push_back(std::make_unique<tds_test::RawClient>(port()));
        ASSERT_TRUE(sessions.back()->login()) << i;
    }
    ASSERT_TRUE(sessions.back()->batch("SELECT 1"));
    EXPECT_LT((residentKb() - before) / 300, 512) << "KB per idle session";
    EXPECT_TRUE(tds_test::RawClient(port()).login()) << "idle sessions leave room for more";
#endif
}

TEST_F(Sandbox, DeepNestingEndsInErrorsAndEverySessionKeepsServing)
{
    start();
    OdbcClient bystander;
    ASSERT_TRUE(bystander.open(port())) << bystander.connectError;
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
    ASSERT_TRUE(newcomer.open(port())) << newcomer.connectError;
    EXPECT_EQ(newcomer.run("SELECT 9").render(), "[9]");
}

TEST_F(Sandbox, RunawayResultsAreBoundedAndOperatorChainsTranslateInLinearTime)
{
    start();
    expectAnswers({
        {"SELECT REPLICATE('', 9223372036854775807)", "[]"},
        // Results stop at 8,000 characters, as SQL Server 2000's varchar results do.
        {"SELECT LEN(REPLICATE('ab', 2000000000)), LEN(SPACE(2000000000) + 'x')", "[8000,8001]"},
        {"SELECT LEN(REPLACE(REPLICATE('a', 8000), 'a', REPLICATE('b', 8000)))", "[8000]"},
        {"SELECT SUBSTRING('abc', 9223372036854775807, 9223372036854775807)", "[]"},
        // Each ^ once copied its left side twice: 22 terms were gigabytes.
        {"SELECT " + chain("1", "^", 22) + ", " + chain("1", " ^ ", 2001), "[0,1]"},
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

TEST_F(Sandbox, AttentionALostClientAndSigtermStopARunningStatement)
{
    start();
    EXPECT_EQ(cancelled(client, tds_test::kEndless), "HY008");
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
        tds_test::RawClient raw(port());
        ASSERT_TRUE(raw.login());
        for (const std::string& spid : spids())
            if (!before.count(spid))
                leaver = spid;
        ASSERT_TRUE(raw.send(0x01, tds_test::utf16le(tds_test::kEndless)));
        std::this_thread::sleep_for(300ms);
    }
    bool gone = false;
    for (int attempt = 0; attempt < 50 && !gone; ++attempt) {
        gone = !leaver.empty() && spids().count(leaver) == 0;
        std::this_thread::sleep_for(gone ? 0ms : 100ms);
    }
    EXPECT_TRUE(gone) << "session '" << leaver << "' kept running after its client left";

    // SIGTERM ends the server whatever runs.
    std::thread running([&] { client.run(tds_test::kEndless); });
    std::this_thread::sleep_for(500ms);
    const auto started = std::chrono::steady_clock::now();
    const int status = sandbox->stop(); // SIGTERM, then SIGKILL after 10 s
    running.join();
    EXPECT_LT(std::chrono::steady_clock::now() - started, 5s);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the server had to be killed: " << status;
}

TEST_F(Sandbox, AHundredWritersAtOnceAllSucceedAndLockTimeoutBoundsTheWait)
{
    start();
    // A hundred sessions each create a table and write to it in transactions that read first.
    std::vector<std::unique_ptr<OdbcClient>> clients;
    for (int i = 0; i < 100; ++i) {
        clients.push_back(std::make_unique<OdbcClient>());
        ASSERT_TRUE(clients.back()->open(port())) << clients.back()->connectError;
    }
    std::vector<std::string> failures(100);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < 100; ++i)
        threads.emplace_back([&, i] {
            const std::string table = "W" + std::to_string(i);
            failures[i] = clients[i]->run("CREATE TABLE " + table + " (n int)").render();
            for (int t = 0; t < 3 && failures[i].empty(); ++t) {
                const std::string answer = clients[i]
                                               ->run("BEGIN TRAN SELECT COUNT(*) FROM " + table + " INSERT INTO " +
                                                     table + " VALUES (1) COMMIT")
                                               .render();
                failures[i] = answer == "[" + std::to_string(t) + "]" ? "" : answer;
            }
        });
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(failures, std::vector<std::string>(100));
    EXPECT_EQ(client.run("SELECT COUNT(*) FROM sysobjects WHERE name LIKE 'W%' SELECT COUNT(*) FROM W99").render(),
              "[100] [3]");

    OdbcClient waiter;
    ASSERT_TRUE(waiter.open(port()));
    expectAnswers({{"CREATE TABLE Held (n int NULL) CREATE TABLE Other (n int NULL)", ""},
                   {"BEGIN TRAN INSERT INTO Held VALUES (1)", ""}});
    // Readers are never blocked by the open transaction, and see only committed rows.
    EXPECT_EQ(waiter
                  .run("SET LOCK_TIMEOUT 200 SELECT @@LOCK_TIMEOUT SELECT COUNT(*) FROM Held "
                       "INSERT INTO Other VALUES (1)")
                  .render(),
              "[200] [0] #1222 Lock request time out period exceeded.");
    EXPECT_EQ(cancelled(waiter, "SET LOCK_TIMEOUT -1 INSERT INTO Other VALUES (1)"), "HY008") << "a waiting writer";
    // Without a timeout the writer waits until the transaction ends, then succeeds.
    BatchResult waited;
    std::thread writer([&] { waited = waiter.run("INSERT INTO Other VALUES (2) SELECT COUNT(*) FROM Held"); });
    std::this_thread::sleep_for(400ms);
    EXPECT_EQ(client.run("COMMIT").render(), "");
    writer.join();
    EXPECT_EQ(waited.render(), "[1]");
    EXPECT_EQ(client.run("SELECT n FROM Other").render(), "[2]");
}

// Where SQL Server refuses a statement, the sandbox refuses it with SQL Server's error instead of a silent success.
TEST_F(Sandbox, StatementsSqlServerRefusesAreRefusedWithItsErrors)
{
    start();
    const std::string int245 = "#245 Syntax error converting the varchar value 'x' to a column of data type int.";
    expectAnswers({
        {"CREATE TABLE Counts (n int NULL, s smallint NULL) INSERT INTO Counts VALUES (1, 1)", ""},
        {"UPDATE Counts SET n = 'x'", int245},
        {"INSERT INTO Counts (s) VALUES (40000)",
         "#220 Arithmetic overflow error for data type smallint, value = 40000."},
        {"CREATE TABLE Ports (PortID int IDENTITY PRIMARY KEY, Name varchar(9) NULL) INSERT Ports (PortID) VALUES (7)",
         "#544 Cannot insert explicit value for identity column in table 'Ports' when IDENTITY_INSERT is set to OFF."},
        {"SET ANSI_NULLS, NOT_AN_OPTION ON", "#195 'NOT_AN_OPTION' is not a recognized SET option."},
        {"SET NOEXEC ON", "#50000 The Norvane sandbox does not support SET NOEXEC ON."},
        // XACT_ABORT ON: a failing statement takes its transaction with it.
        {"SET XACT_ABORT ON BEGIN TRAN INSERT INTO Counts VALUES (4, 4) INSERT INTO Counts VALUES ('x', 5) COMMIT",
         int245},
        {"SET XACT_ABORT OFF SELECT COUNT(*), @@TRANCOUNT FROM Counts", "[1,0]"},
    });
}
