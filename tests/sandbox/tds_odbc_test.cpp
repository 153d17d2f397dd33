// End to end through unixODBC and FreeTDS (and tsql) against the TDS layer over a scripted backend,
// and the norvane-sandbox program itself.
#include <gtest/gtest.h>

#include <sql.h>
#include <sqlext.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "tds/socket.h"
#include "odbc_client.h"
#include "tds_test_support.h"

using namespace std::chrono_literals;

using namespace odbc_test;

namespace {

class TdsOdbc : public ::testing::Test {
protected:
    static void SetUpTestSuite() { tds_test::usePrivateOdbcConfig(); }
    tds_test::ScriptedServer server;
    int port() const { return server.server.port(); }
};

}  // namespace

TEST_F(TdsOdbc, LoginAcceptedAndRefused)
{
    {
        Connection c;
        ASSERT_TRUE(SQL_SUCCEEDED(c.open(port()))) << describe(c.errors());
        EXPECT_EQ(c.info(SQL_SERVER_NAME), "SANDBOX");
        EXPECT_EQ(c.info(SQL_DATABASE_NAME), "master");
        EXPECT_EQ(c.info(SQL_DBMS_NAME), "Microsoft SQL Server");
        EXPECT_EQ(c.info(SQL_DBMS_VER), "08.00.0760");
    }
    {
        Connection c;
        ASSERT_TRUE(SQL_SUCCEEDED(c.open(port(), "norvane", "Secret1;x", "harbor"))) << describe(c.errors());
        EXPECT_EQ(c.info(SQL_DATABASE_NAME), "harbor");
        ASSERT_FALSE(server.backend.sessions().empty());
        EXPECT_EQ(server.backend.sessions().back().loginName, "norvane");
    }
    {
        // An explicit 7.1 login, and a larger packet size that the server grants.
        Connection c;
        ASSERT_TRUE(SQL_SUCCEEDED(c.open(port(), "sa", "", "master", ";TDS_Version=7.1;PacketSize=8192")))
            << describe(c.errors());
        SQLUINTEGER packetSize = 0;
        SQLGetConnectAttr(c.dbc(), SQL_ATTR_PACKET_SIZE, &packetSize, 0, nullptr);
        EXPECT_EQ(packetSize, 8192u);
        Handle statement(SQL_HANDLE_STMT, c.dbc());
        const std::string longBatch = "select 1" + std::string(20000, ' ');
        ASSERT_EQ(execute(statement, longBatch), SQL_SUCCESS) << describe(diagnostics(SQL_HANDLE_STMT, statement.get()));
        ASSERT_EQ(SQLFetch(statement.get()), SQL_SUCCESS);
        EXPECT_EQ(text(statement, 1), "1");
        EXPECT_EQ(server.backend.batches().back().size(), longBatch.size()) << "a batch of several packets";
    }
    {
        Connection c;
        EXPECT_EQ(c.open(port(), "sa", "wrong"), SQL_ERROR);
        const auto errors = c.errors();
        EXPECT_TRUE(hasDiagnostic(errors, 18456, "[FreeTDS][SQL Server]Login failed for user 'sa'."))
            << describe(errors);
    }
    {
        Connection c;
        EXPECT_EQ(c.open(port(), "sa", "", "nowhere"), SQL_ERROR);
        const auto errors = c.errors();
        EXPECT_TRUE(hasDiagnostic(errors, 4060,
                                  "[FreeTDS][SQL Server]Cannot open database requested in login 'nowhere'. Login "
                                  "fails."))
            << describe(errors);
    }
}

TEST_F(TdsOdbc, EveryColumnTypeArrivesWithItsSqlTypeAndValue)
{
    struct Expected {
        SQLSMALLINT sqlType;
        std::string value;
    };
    const std::vector<Expected> expected{
        {SQL_INTEGER, "2147483647"},
        {SQL_SMALLINT, "-32768"},
        {SQL_TINYINT, "255"},
        {SQL_BIGINT, "9223372036854775807"},
        {SQL_BIT, "1"},
        {SQL_NUMERIC, "-123.4567"},
        {SQL_NUMERIC, "999.99"},
        {SQL_DECIMAL, "12345.6789"},
        {SQL_DECIMAL, "-214748.3648"},
        {SQL_DOUBLE, "1.5"},
        {SQL_REAL, "0.25"},
        {SQL_TYPE_TIMESTAMP, "2000-01-01 01:00:00.003"},
        {SQL_TYPE_TIMESTAMP, "2000-01-01 01:01:00"},
        {SQL_CHAR, "ab   "},
        {SQL_VARCHAR, "caf\xC3\xA9"},
        {SQL_WCHAR, "\xC3\xB1\xE2\x82\xAC  "},
        {SQL_WVARCHAR, "\xE6\x97\xA5\xE6\x9C\xAC \xF0\x9D\x84\x9E"},
        {SQL_LONGVARCHAR, "long text \xC3\xA9"},
        {SQL_WLONGVARCHAR, "\xC3\xBCn\xC3\xAF" "code \xE2\x9C\x93"},
        {SQL_LONGVARBINARY, "deadbeef"},
        {SQL_BINARY, "01020000"},
        {SQL_VARBINARY, "cafe"},
        {SQL_GUID, "00112233-4455-6677-8899-aabbccddeeff"},
        {SQL_BINARY, "00000000000007d1"},
    };
    const auto columns = tds_test::allTypeColumns();
    ASSERT_EQ(columns.size(), expected.size());

    Connection c;
    ASSERT_TRUE(SQL_SUCCEEDED(c.open(port()))) << describe(c.errors());
    Handle statement(SQL_HANDLE_STMT, c.dbc());
    ASSERT_TRUE(SQL_SUCCEEDED(execute(statement, "select types")))
        << describe(diagnostics(SQL_HANDLE_STMT, statement.get()));
    SQLSMALLINT count = 0;
    SQLNumResultCols(statement.get(), &count);
    ASSERT_EQ(count, static_cast<SQLSMALLINT>(expected.size()));
    for (SQLUSMALLINT i = 1; i <= expected.size(); ++i) {
        SQLCHAR name[128];
        SQLSMALLINT nameLength = 0, type = 0, digits = 0, nullable = 0;
        SQLULEN size = 0;
        SQLDescribeCol(statement.get(), i, name, sizeof name, &nameLength, &type, &size, &digits, &nullable);
        EXPECT_EQ(reinterpret_cast<char*>(name), columns[i - 1].name);
        EXPECT_EQ(type, expected[i - 1].sqlType) << columns[i - 1].name;
    }
    ASSERT_EQ(SQLFetch(statement.get()), SQL_SUCCESS);
    for (SQLUSMALLINT i = 1; i <= expected.size(); ++i) {
        const auto value = text(statement, i);
        ASSERT_TRUE(value) << columns[i - 1].name;
        const bool hex = expected[i - 1].sqlType == SQL_GUID || expected[i - 1].sqlType == SQL_BINARY ||
                         expected[i - 1].sqlType == SQL_VARBINARY || expected[i - 1].sqlType == SQL_LONGVARBINARY;
        EXPECT_EQ(hex ? lower(*value) : *value, expected[i - 1].value) << columns[i - 1].name;
    }
    ASSERT_EQ(SQLFetch(statement.get()), SQL_SUCCESS);
    for (SQLUSMALLINT i = 1; i <= expected.size(); ++i) {
        if (columns[i - 1].type.type == sandbox::SqlType::Timestamp)
            continue;  // not nullable: the NULL row's timestamp arrives as NULL all the same
        EXPECT_FALSE(text(statement, i)) << columns[i - 1].name << " should be NULL";
    }
    EXPECT_EQ(SQLFetch(statement.get()), SQL_NO_DATA);
    SQLLEN rows = 0;
    SQLRowCount(statement.get(), &rows);
    EXPECT_EQ(rows, 2);
}

TEST_F(TdsOdbc, MessagesArriveAsTheyHappen)
{
    Connection c;
    ASSERT_TRUE(SQL_SUCCEEDED(c.open(port()))) << describe(c.errors());
    Handle statement(SQL_HANDLE_STMT, c.dbc());
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::pair<std::string, std::chrono::milliseconds>> arrivals;
    SQLRETURN rc = execute(statement, "print three");
    while (rc != SQL_NO_DATA) {
        ASSERT_EQ(rc, SQL_SUCCESS_WITH_INFO);
        const auto elapsed =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
        for (const auto& d : diagnostics(SQL_HANDLE_STMT, statement.get())) {
            EXPECT_EQ(d.state, "01000");
            arrivals.emplace_back(d.text, elapsed);
        }
        rc = SQLMoreResults(statement.get());
    }
    ASSERT_EQ(arrivals.size(), 3u);
    EXPECT_EQ(arrivals[0].first, "[FreeTDS][SQL Server]message 1");
    EXPECT_EQ(arrivals[2].first, "[FreeTDS][SQL Server]message 3");
    // The server waits 300 ms between messages; the first must not wait for the last.
    EXPECT_LT(arrivals[0].second + 300ms, arrivals[2].second);
}

TEST_F(TdsOdbc, ErrorsCountsAndDatabaseChanges)
{
    Connection c;
    ASSERT_TRUE(SQL_SUCCEEDED(c.open(port()))) << describe(c.errors());
    {
        Handle statement(SQL_HANDLE_STMT, c.dbc());
        EXPECT_EQ(execute(statement, "error"), SQL_ERROR);
        const auto errors = diagnostics(SQL_HANDLE_STMT, statement.get());
        ASSERT_EQ(errors.size(), 1u) << describe(errors);
        EXPECT_EQ(errors[0].state, "42S02");
        EXPECT_EQ(errors[0].native, 208);
        EXPECT_EQ(errors[0].text, "[FreeTDS][SQL Server]Invalid object name 'nowhere'.");
    }
    {
        Handle statement(SQL_HANDLE_STMT, c.dbc());
        ASSERT_EQ(execute(statement, "update"), SQL_SUCCESS);
        SQLLEN rows = 0;
        SQLRowCount(statement.get(), &rows);
        EXPECT_EQ(rows, 3);
    }
    {
        Handle statement(SQL_HANDLE_STMT, c.dbc());
        EXPECT_TRUE(SQL_SUCCEEDED(execute(statement, "USE [harbor]")));
        while (SQL_SUCCEEDED(SQLMoreResults(statement.get()))) {
        }
        EXPECT_EQ(c.info(SQL_DATABASE_NAME), "harbor");
    }
}

TEST_F(TdsOdbc, ResultsMessagesAndErrorsOfOneBatchArriveInOrder)
{
    Connection c;
    ASSERT_TRUE(SQL_SUCCEEDED(c.open(port()))) << describe(c.errors());
    Handle statement(SQL_HANDLE_STMT, c.dbc());
    std::vector<std::string> steps;
    auto record = [&](SQLRETURN rc) {
        std::string step = rc == SQL_SUCCESS             ? "success"
                           : rc == SQL_SUCCESS_WITH_INFO ? "info"
                           : rc == SQL_ERROR             ? "error"
                           : rc == SQL_NO_DATA           ? "no data"
                                                         : "rc " + std::to_string(rc);
        for (const auto& d : diagnostics(SQL_HANDLE_STMT, statement.get()))
            step += " [" + std::to_string(d.native) + " " + d.text + "]";
        SQLSMALLINT columns = 0;
        if (SQL_SUCCEEDED(rc) && SQL_SUCCEEDED(SQLNumResultCols(statement.get(), &columns)) && columns > 0) {
            int rows = 0;
            while (SQLFetch(statement.get()) == SQL_SUCCESS)
                ++rows;
            step += " rows " + std::to_string(rows);
        }
        SQLLEN count = 0;
        if (SQL_SUCCEEDED(SQLRowCount(statement.get(), &count)) && count >= 0)
            step += " count " + std::to_string(count);
        steps.push_back(step);
        return rc;
    };
    SQLRETURN rc = record(execute(statement, "mixed"));
    while (rc != SQL_NO_DATA && steps.size() < 10)
        rc = record(SQLMoreResults(statement.get()));
    EXPECT_EQ(steps, (std::vector<std::string>{
                         "success rows 1 count 1",
                         "info [0 [FreeTDS][SQL Server]after the first result]",
                         "success rows 2 count 2",
                         "error [208 [FreeTDS][SQL Server]Invalid object name 'nowhere'.]",
                         "success count 4",
                         "no data",
                     }));
}

TEST_F(TdsOdbc, CancelStopsTheBatchAndLeavesTheConnectionUsable)
{
    Connection c;
    ASSERT_TRUE(SQL_SUCCEEDED(c.open(port()))) << describe(c.errors());
    Handle statement(SQL_HANDLE_STMT, c.dbc());
    SQLRETURN rc = SQL_SUCCESS;
    std::vector<Diagnostic> errors;
    std::thread worker([&] {
        rc = execute(statement, "slow 1000");
        while (rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO)
            rc = SQLFetch(statement.get());
        errors = diagnostics(SQL_HANDLE_STMT, statement.get());
    });
    std::this_thread::sleep_for(300ms);
    EXPECT_TRUE(SQL_SUCCEEDED(SQLCancel(statement.get())));
    worker.join();
    EXPECT_EQ(rc, SQL_ERROR);
    ASSERT_FALSE(errors.empty());
    EXPECT_EQ(errors[0].state, "HY008") << describe(errors);
    EXPECT_LT(server.backend.slowRowsSent(), 1000);

    SQLFreeStmt(statement.get(), SQL_CLOSE);
    ASSERT_EQ(execute(statement, "select 1"), SQL_SUCCESS) << describe(diagnostics(SQL_HANDLE_STMT, statement.get()));
    ASSERT_EQ(SQLFetch(statement.get()), SQL_SUCCESS);
    EXPECT_EQ(text(statement, 1), "1");
}

TEST_F(TdsOdbc, ConcurrentSessionsGetTheirOwnSpids)
{
    auto run = [&](const std::string& sql, std::string& result) {
        Connection c;
        if (!SQL_SUCCEEDED(c.open(port()))) {
            result = "login failed";
            return;
        }
        Handle statement(SQL_HANDLE_STMT, c.dbc());
        if (!SQL_SUCCEEDED(execute(statement, sql))) {
            result = "execute failed";
            return;
        }
        int rows = 0;
        while (SQLFetch(statement.get()) == SQL_SUCCESS)
            ++rows;
        result = std::to_string(rows);
    };
    std::string first, second;
    std::thread a([&] { run("slow 15", first); });
    std::thread b([&] { run("slow 10", second); });
    a.join();
    b.join();
    EXPECT_EQ(first, "15");
    EXPECT_EQ(second, "10");
    const auto sessions = server.backend.sessions();
    ASSERT_EQ(sessions.size(), 2u);
    EXPECT_NE(sessions[0].spid, sessions[1].spid);
    EXPECT_GE(std::min(sessions[0].spid, sessions[1].spid), 51);
}

TEST_F(TdsOdbc, TsqlLogsInAndRunsAQuery)
{
    if (::access("/usr/bin/tsql", X_OK) != 0)
        GTEST_SKIP() << "tsql (freetds-bin) is not installed";
    const std::string command = "printf 'select 1\\ngo\\nexit\\n' | timeout 20 /usr/bin/tsql -H 127.0.0.1 -p " +
                                std::to_string(port()) + " -U sa -P '' 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe))
        output += buffer;
    EXPECT_EQ(::pclose(pipe), 0) << output;
    EXPECT_NE(output.find("one\n1\n"), std::string::npos) << output;
    const auto batches = server.backend.batches();
    EXPECT_NE(std::find(batches.begin(), batches.end(), "select 1\n"), batches.end());
}

TEST(TdsProgram, StartsAnswersAndStopsOnSigterm)
{
    const char* program = std::getenv("NORVANE_SANDBOX");
    if (!program || ::access(program, X_OK) != 0)
        GTEST_SKIP() << "norvane-sandbox is not built";
    tds_test::usePrivateOdbcConfig();
    {
        const std::string command = std::string(program) + " --port 70000 2>&1";
        FILE* pipe = ::popen(command.c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        std::string output;
        char buffer[512];
        while (std::fgets(buffer, sizeof buffer, pipe))
            output += buffer;
        const int status = ::pclose(pipe);
        EXPECT_EQ(WEXITSTATUS(status), 2);
        EXPECT_NE(output.find("usage: norvane-sandbox --data DIR"), std::string::npos) << output;
    }
    // A UDP port that was free a moment ago, for the SQL Browser answer.
    std::string browserPort;
    {
        sandbox::tds::FileDescriptor probe = sandbox::tds::bindLoopback(SOCK_DGRAM, 0);
        browserPort = std::to_string(sandbox::tds::boundPort(probe.get()));
    }
    char directory[] = "/tmp/tds-program-XXXXXX";
    ASSERT_NE(::mkdtemp(directory), nullptr);
    int out[2];
    ASSERT_EQ(::pipe(out), 0);
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        ::close(out[0]);
        ::close(out[1]);
        ::execl(program, program, "--data", directory, "--login", "tester:pw", "--browser-port",
                browserPort.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(out[1]);
    std::string line;
    char ch = 0;
    pollfd p{out[0], POLLIN, 0};
    while (::poll(&p, 1, 20000) == 1 && ::read(out[0], &ch, 1) == 1 && ch != '\n')
        line += ch;
    ::close(out[0]);
    int port = 0;
    const bool ready = std::sscanf(line.c_str(), "listening on 127.0.0.1:%d", &port) == 1 && port > 0;
    EXPECT_TRUE(ready) << line;
    if (ready) {
        Connection c;
        EXPECT_TRUE(SQL_SUCCEEDED(c.open(port, "tester", "pw"))) << describe(c.errors());
        Connection refused;
        EXPECT_EQ(refused.open(port, "sa", ""), SQL_ERROR) << "only the given logins are accepted";

        sandbox::tds::FileDescriptor udp(::socket(AF_INET, SOCK_DGRAM, 0));
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(static_cast<std::uint16_t>(std::stoi(browserPort)));
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const std::uint8_t request = 0x03;
        ::sendto(udp.get(), &request, 1, 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
        pollfd answer{udp.get(), POLLIN, 0};
        ASSERT_EQ(::poll(&answer, 1, 5000), 1);
        char datagram[1024] = {};
        const ssize_t n = ::recv(udp.get(), datagram, sizeof datagram - 1, 0);
        ASSERT_GT(n, 3);
        EXPECT_EQ(std::string(datagram + 3, static_cast<std::size_t>(n - 3)),
                  "ServerName;" + sandbox::Engine::serverName() + ";InstanceName;MSSQLSERVER;IsClustered;No;Version;8.00.760;tcp;" +
                      std::to_string(port) + ";;");
    }
    ::kill(pid, SIGTERM);
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    std::filesystem::remove_all(directory);
}
