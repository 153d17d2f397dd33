// The server as clients meet it: backup and restore progress through FreeTDS, single-user
// databases, the session cap and idle clients over raw sockets, and one server per data folder.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <thread>

#include "engine/engine.h"
#include "odbc_client.h"
#include "tds/engine_backend.h"
#include "tds/server.h"
#include "tds_test_support.h"

using namespace std::chrono_literals;
using namespace odbc_test;

namespace {

struct TemporaryDirectory {
    std::filesystem::path path;
    TemporaryDirectory()
    {
        std::random_device random;
        path = std::filesystem::temp_directory_path() / ("norvane-server-" + std::to_string(random()) + std::to_string(random()));
    }
    ~TemporaryDirectory()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
};

// The real engine behind the listener, in this process.
struct EngineServer {
    explicit EngineServer(std::chrono::milliseconds workDelay = 0ms) { engine.setWorkDelay(workDelay); server.start(); }
    ~EngineServer() { server.stop(); }
    int port() const { return server.port(); }

    TemporaryDirectory directory;
    sandbox::Engine engine{directory.path};
    sandbox::tds::EngineBackend backend{engine, {{"sa", ""}}};
    sandbox::tds::Server server{backend, 0};
};

struct Arrival {
    std::string text;
    std::chrono::milliseconds at;
};

// Runs a batch to its end, noting when each message reached the client.
std::vector<Arrival> messagesOf(Connection& c, const std::string& sql, std::vector<Diagnostic>* errors = nullptr)
{
    Handle statement(SQL_HANDLE_STMT, c.dbc());
    const auto start = std::chrono::steady_clock::now();
    std::vector<Arrival> arrivals;
    SQLRETURN rc = execute(statement, sql);
    for (int results = 0; rc != SQL_NO_DATA && results < 1000; ++results) {
        const auto at = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
        for (const auto& d : diagnostics(SQL_HANDLE_STMT, statement.get())) {
            if (d.state == "01000")
                arrivals.push_back({d.text, at});
            else if (errors)
                errors->push_back(d);
        }
        if (rc == SQL_ERROR && results == 0)
            break;  // the driver manager hides the rest of a batch whose first statement failed
        rc = SQLMoreResults(statement.get());
    }
    return arrivals;
}

std::vector<Diagnostic> errorsOf(Connection& c, const std::string& sql)
{
    std::vector<Diagnostic> errors;
    messagesOf(c, sql, &errors);
    return errors;
}

class TdsServer : public ::testing::Test {
protected:
    static void SetUpTestSuite() { tds_test::usePrivateOdbcConfig(); }
};

}  // namespace

TEST_F(TdsServer, BackupAndRestoreProgressArrivesAsTheWorkProceeds)
{
    EngineServer running(8ms);
    Connection c;
    ASSERT_TRUE(SQL_SUCCEEDED(c.open(running.port()))) << describe(c.errors());
    ASSERT_TRUE(errorsOf(c, "CREATE DATABASE Harbor").empty());
    ASSERT_TRUE(errorsOf(c, "CREATE TABLE Harbor..Ships (ShipID int NOT NULL PRIMARY KEY)").empty());

    const std::string prefix = "[FreeTDS][SQL Server]";
    for (const char* verb : {"backed up", "restored"}) {
        const std::string sql = std::string(verb) == "backed up"
                                    ? "BACKUP DATABASE [Harbor] TO DISK = N'C:\\\\Harbor.bak' WITH INIT, NAME = N'Harbor', "
                                      "DESCRIPTION = N'Backup created by Norvane', STATS = 1"
                                    : "RESTORE DATABASE [Harbor] FROM DISK = N'C:\\\\Harbor.bak' WITH REPLACE, STATS = 1";
        std::vector<Diagnostic> errors;
        const auto arrivals = messagesOf(c, sql, &errors);
        EXPECT_TRUE(errors.empty()) << describe(errors);
        std::vector<Arrival> progress;
        for (const Arrival& a : arrivals)
            if (a.text.find(" percent ") != std::string::npos)
                progress.push_back(a);
        ASSERT_EQ(progress.size(), 100u) << verb;
        for (std::size_t i = 0; i < progress.size(); ++i)
            EXPECT_EQ(progress[i].text, prefix + std::to_string(i + 1) + " percent " + verb + ".");
        // Each percent waits 8 ms on the server: the client sees them come one after another, not all at the end.
        EXPECT_GE(progress[49].at - progress[9].at, 200ms) << verb;
        EXPECT_GE(progress[89].at - progress[49].at, 200ms) << verb;
        ASSERT_FALSE(arrivals.empty());
        EXPECT_EQ(arrivals.back().text.rfind(prefix + (std::string(verb) == "backed up" ? "BACKUP" : "RESTORE") +
                                                 " DATABASE successfully processed ",
                                             0),
                  0u)
            << arrivals.back().text;
    }
}

TEST_F(TdsServer, SingleUserDatabaseAdmitsOneSessionAndKillSparesItsCaller)
{
    EngineServer running;
    Connection owner;
    ASSERT_TRUE(SQL_SUCCEEDED(owner.open(running.port()))) << describe(owner.errors());
    ASSERT_TRUE(errorsOf(owner, "CREATE DATABASE Harbor").empty());
    ASSERT_TRUE(errorsOf(owner, "CREATE TABLE Harbor..Ships (ShipID int NOT NULL PRIMARY KEY)").empty());
    ASSERT_TRUE(errorsOf(owner, "ALTER DATABASE Harbor SET SINGLE_USER WITH ROLLBACK IMMEDIATE").empty());
    ASSERT_TRUE(errorsOf(owner, "USE Harbor").empty());

    const std::string refusal = "[FreeTDS][SQL Server]Database 'Harbor' is already open and can only have one user at a time.";
    Connection second;
    EXPECT_EQ(second.open(running.port(), "sa", "", "Harbor"), SQL_ERROR);
    EXPECT_TRUE(hasDiagnostic(second.errors(), 924, refusal)) << describe(second.errors());
    EXPECT_TRUE(hasDiagnostic(second.errors(), 4060,
                              "[FreeTDS][SQL Server]Cannot open database requested in login 'Harbor'. Login fails."))
        << describe(second.errors());

    Connection third;
    ASSERT_TRUE(SQL_SUCCEEDED(third.open(running.port()))) << describe(third.errors());
    auto errors = errorsOf(third, "USE Harbor");
    ASSERT_EQ(errors.size(), 1u) << describe(errors);
    EXPECT_EQ(errors[0].native, 924);
    EXPECT_EQ(errors[0].text, refusal);
    errors = errorsOf(third, "SELECT COUNT(*) FROM Harbor..Ships");
    ASSERT_EQ(errors.size(), 1u) << describe(errors);
    EXPECT_EQ(errors[0].text, refusal);

    // The owner may not end itself; it may end the other session, and then leave the database to others.
    Handle spid(SQL_HANDLE_STMT, owner.dbc());
    ASSERT_TRUE(SQL_SUCCEEDED(execute(spid, "SELECT @@SPID")));
    ASSERT_EQ(SQLFetch(spid.get()), SQL_SUCCESS);
    const std::string own = text(spid, 1).value_or("");
    SQLCloseCursor(spid.get());
    errors = errorsOf(owner, "KILL " + own);
    ASSERT_EQ(errors.size(), 1u) << describe(errors);
    EXPECT_EQ(errors[0].native, 6104);
    EXPECT_EQ(errors[0].text, "[FreeTDS][SQL Server]Cannot use KILL to kill your own process.");
    ASSERT_TRUE(errorsOf(owner, "USE master ALTER DATABASE Harbor SET MULTI_USER").empty());
    EXPECT_TRUE(errorsOf(third, "USE Harbor").empty());
}
