// The server as clients meet it: backup and restore progress through FreeTDS, single-user
// databases, the session cap and idle clients over raw sockets, and one server per data folder.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <random>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

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

// A norvane-sandbox child process, stopped by its pid.
class Program {
public:
    // Starts the program; returns once it said it listens, exited, or 20 s passed.
    explicit Program(const std::vector<std::string>& arguments)
    {
        const char* program = std::getenv("NORVANE_SANDBOX");
        if (!program || ::access(program, X_OK) != 0)
            return;
        int out[2];
        if (::pipe(out) != 0)
            return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(out[1], STDOUT_FILENO);
            ::dup2(out[1], STDERR_FILENO);
            ::close(out[0]);
            ::close(out[1]);
            std::vector<char*> argv{const_cast<char*>(program)};
            for (const std::string& a : arguments)
                argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            ::execv(program, argv.data());
            ::_exit(127);
        }
        ::close(out[1]);
        char ch = 0;
        pollfd p{out[0], POLLIN, 0};
        const auto deadline = std::chrono::steady_clock::now() + 20s;
        while (std::chrono::steady_clock::now() < deadline && ::poll(&p, 1, 200) >= 0) {
            if ((p.revents & (POLLIN | POLLHUP)) == 0)
                continue;
            if (::read(out[0], &ch, 1) != 1)
                break;  // the program ended
            output_ += ch;
            if (ch == '\n' && std::sscanf(output_.c_str(), "listening on 127.0.0.1:%d", &port_) == 1)
                break;
        }
        ::close(out[0]);
    }
    ~Program() { stop(); }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    static bool available()
    {
        const char* program = std::getenv("NORVANE_SANDBOX");
        return program && ::access(program, X_OK) == 0;
    }
    int port() const { return port_; }
    pid_t pid() const { return pid_; }
    const std::string& output() const { return output_; }
    // The exit status once the program ended within timeout; -1 when it still runs.
    int exitStatus(std::chrono::milliseconds timeout)
    {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (pid_ > 0) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                exit_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
                break;
            }
            if (std::chrono::steady_clock::now() >= deadline)
                return -1;
            std::this_thread::sleep_for(20ms);
        }
        return exit_;
    }
    void stop()
    {
        if (pid_ <= 0)
            return;
        ::kill(pid_, SIGTERM);
        if (exitStatus(10s) < 0) {
            ::kill(pid_, SIGKILL);
            exitStatus(10s);
        }
    }

private:
    pid_t pid_ = -1;
    int port_ = 0;
    int exit_ = -1;
    std::string output_;
};

// The resident memory of a process in KB.
[[maybe_unused]] long residentKb(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return -1;
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
    ASSERT_TRUE(errorsOf(c, "USE Harbor CREATE TABLE Ships (ShipID int NOT NULL PRIMARY KEY) USE master").empty());

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
    ASSERT_TRUE(errorsOf(owner, "USE Harbor CREATE TABLE Ships (ShipID int NOT NULL PRIMARY KEY) USE master").empty());
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

TEST_F(TdsServer, ClientsThatDoNotLogInAreDroppedAndTheSessionCapAnswers17809)
{
    tds_test::ScriptedBackend backend;
    sandbox::tds::ServerLimits limits;
    limits.maxSessions = 3;
    limits.loginTimeout = 600ms;
    sandbox::tds::Server server(backend, 0, limits);
    server.start();

    // Idle, half-logged-in and trickling clients, more of them than the cap: all dropped by the deadline.
    std::vector<std::unique_ptr<tds_test::RawClient>> idle;
    const auto started = std::chrono::steady_clock::now();
    for (int i = 0; i < 6; ++i)
        idle.push_back(std::make_unique<tds_test::RawClient>(server.port()));
    auto prelogged = std::make_unique<tds_test::RawClient>(server.port());
    ASSERT_TRUE(prelogged->send(0x12, tds_test::buildPrelogin74()));
    ASSERT_TRUE(prelogged->receive());
    auto trickling = std::make_unique<tds_test::RawClient>(server.port());
    const auto login = tds_test::buildLogin7({});
    std::vector<std::uint8_t> header{0x10, 0x01, 0, 0, 0, 0, 1, 0};
    header[2] = static_cast<std::uint8_t>((login.size() + 8) >> 8);
    header[3] = static_cast<std::uint8_t>((login.size() + 8) & 0xFF);
    for (std::size_t i = 0; i < 4; ++i) {  // a few bytes at a time, each before any per-read timeout
        ASSERT_TRUE(trickling->sendRaw({header[i * 2], header[i * 2 + 1]}));
        std::this_thread::sleep_for(120ms);
    }
    // Meanwhile a real client logs in at once: idle connections do not count against the cap.
    {
        tds_test::RawClient client(server.port());
        EXPECT_TRUE(client.login());
    }
    for (auto& client : idle)
        EXPECT_TRUE(client->closedByServer(3000));
    EXPECT_TRUE(prelogged->closedByServer(3000));
    EXPECT_TRUE(trickling->closedByServer(3000));
    const auto took = std::chrono::steady_clock::now() - started;
    EXPECT_GE(took, 550ms);
    EXPECT_LT(took, 2500ms) << "dropped soon after the login deadline";

    // Three sessions fill the cap; the fourth login hears why it is refused.
    std::vector<std::unique_ptr<tds_test::RawClient>> sessions;
    for (int i = 0; i < 3; ++i) {
        sessions.push_back(std::make_unique<tds_test::RawClient>(server.port()));
        ASSERT_TRUE(sessions.back()->login()) << i;
    }
    std::this_thread::sleep_for(800ms);  // logged-in sessions outlive the login deadline
    ASSERT_TRUE(sessions[0]->batch("select 1"));
    tds_test::RawClient refused(server.port());
    ASSERT_TRUE(refused.send(0x12, tds_test::buildPrelogin74()));
    ASSERT_TRUE(refused.receive());
    ASSERT_TRUE(refused.send(0x10, tds_test::buildLogin7({})));
    const auto reply = refused.receive();
    ASSERT_TRUE(reply);
    EXPECT_TRUE(tds_test::contains(*reply, {0xAA}));
    EXPECT_TRUE(tds_test::contains(*reply, {0x91, 0x45, 0x00, 0x00, 0x01, 0x14})) << "17809, state 1, severity 20";
    EXPECT_TRUE(tds_test::contains(
        *reply, tds_test::utf16le(u"Unable to connect. The maximum number of '3' configured user connections are already "
                                  u"connected. System Administrator can configure to a higher value with sp_configure.")));
    EXPECT_FALSE(tds_test::contains(*reply, {0xAD})) << "no LOGINACK";
    EXPECT_TRUE(refused.closedByServer(3000));

    // A session that leaves gives its place to the next login.
    sessions[1]->disconnect();
    bool admitted = false;
    for (int attempt = 0; attempt < 50 && !admitted; ++attempt) {
        tds_test::RawClient next(server.port());
        admitted = next.login();
        if (!admitted)
            std::this_thread::sleep_for(20ms);
    }
    EXPECT_TRUE(admitted);
    server.stop();
}

TEST_F(TdsServer, OneServerPerDataFolder)
{
    if (!Program::available())
        GTEST_SKIP() << "norvane-sandbox is not built";
    TemporaryDirectory data;
    Program first({"--data", data.path.string()});
    ASSERT_GT(first.port(), 0) << first.output();
    {
        Connection c;
        ASSERT_TRUE(SQL_SUCCEEDED(c.open(first.port()))) << describe(c.errors());
        ASSERT_TRUE(errorsOf(c, "CREATE DATABASE Harbor").empty());
        ASSERT_TRUE(errorsOf(c, "USE Harbor CREATE TABLE Ships (ShipID int NOT NULL PRIMARY KEY) USE master").empty());
        ASSERT_TRUE(errorsOf(c, "INSERT INTO Harbor..Ships VALUES (1)").empty());
    }
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"--data", data.path.string()}, std::vector<std::string>{"--data", data.path.string(), "--sample"}}) {
        Program second(arguments);
        EXPECT_EQ(second.exitStatus(5s), 3) << second.output();
        EXPECT_EQ(second.port(), 0);
        EXPECT_EQ(second.output(), "norvane-sandbox: the data folder " + data.path.string() +
                                       " is in use by another norvane-sandbox (process " + std::to_string(first.pid()) +
                                       "); stop that server or choose another --data folder\n");
    }
    // The first server and its data are untouched.
    Connection c;
    ASSERT_TRUE(SQL_SUCCEEDED(c.open(first.port()))) << describe(c.errors());
    Handle statement(SQL_HANDLE_STMT, c.dbc());
    ASSERT_TRUE(SQL_SUCCEEDED(execute(statement, "SELECT COUNT(*) FROM Harbor..Ships")));
    ASSERT_EQ(SQLFetch(statement.get()), SQL_SUCCESS);
    EXPECT_EQ(text(statement, 1), "1");

    // Once it stops, the folder is free again.
    first.stop();
    Program third({"--data", data.path.string()});
    EXPECT_GT(third.port(), 0) << third.output();
}

TEST_F(TdsServer, IdleSessionsStaySmall)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizers' own bookkeeping makes memory figures meaningless";
#else
    if (!Program::available())
        GTEST_SKIP() << "norvane-sandbox is not built";
    constexpr int kSessions = 300;  // more than the 256 sessions that once filled the server
    rlimit files{};
    if (::getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_max != RLIM_INFINITY && files.rlim_max < 8 * kSessions + 64)
        GTEST_SKIP() << "the descriptor limit caps the server below " << kSessions << " sessions";
    TemporaryDirectory data;
    Program server({"--data", data.path.string()});
    ASSERT_GT(server.port(), 0) << server.output();
    {
        tds_test::RawClient warmUp(static_cast<std::uint16_t>(server.port()));
        ASSERT_TRUE(warmUp.login());
        ASSERT_TRUE(warmUp.batch("SELECT 1"));
    }
    const long before = residentKb(server.pid());
    std::vector<std::unique_ptr<tds_test::RawClient>> sessions;
    for (int i = 0; i < kSessions; ++i) {
        sessions.push_back(std::make_unique<tds_test::RawClient>(static_cast<std::uint16_t>(server.port())));
        ASSERT_TRUE(sessions.back()->login()) << i;
    }
    ASSERT_TRUE(sessions.back()->batch("SELECT 1"));
    const long after = residentKb(server.pid());
    tds_test::RawClient oneMore(static_cast<std::uint16_t>(server.port()));
    EXPECT_TRUE(oneMore.login()) << "idle sessions leave room for more";
    const long perSession = (after - before) / kSessions;
    std::printf("resident memory: %ld KB before, %ld KB with %d idle sessions (%ld KB each)\n", before, after, kSessions,
                perSession);
    EXPECT_LT(perSession, 512) << "KB per idle session";
#endif
}
