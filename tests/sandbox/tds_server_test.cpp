// The norvane-sandbox program as FreeTDS meets it: the TDS versions and packet sizes the program relies
// on, its command line and SQL Browser answer, backup and restore progress, single-user databases, one
// server per data folder, and idle sessions.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cstdio>
#include <fstream>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>

#include "odbc_client.h"
#include "support/sandbox_process.h"
#include "tds/socket.h"
#include "tds_test_support.h"

using namespace odbc_test;
using namespace std::chrono_literals;
using norvane::test::SandboxProcess;

namespace {

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

SandboxProcess::Options onFolder(const std::filesystem::path& folder)
{
    SandboxProcess::Options options;
    options.dataDirectory = QString::fromStdString(folder.string());
    return options;
}

class TdsServer : public ::testing::Test {
protected:
    static void SetUpTestSuite() { norvane::test::PrivateOdbcConfig::instance(); }
};

} // namespace

TEST_F(TdsServer, FreeTdsLogsInWithItsDefaultVersionAnd71WithALargerPacket)
{
    SandboxProcess sandbox;
    OdbcClient c;
    ASSERT_TRUE(c.open(sandbox.port())) << c.connectError();
    EXPECT_EQ(c.info(SQL_SERVER_NAME) + "|" + c.info(SQL_DATABASE_NAME) + "|" + c.info(SQL_DBMS_NAME) + "|" +
                  c.info(SQL_DBMS_VER),
              "SANDBOX|master|Microsoft SQL Server|08.00.0760");
    EXPECT_EQ(c.run("USE tempdb").render(), "");
    EXPECT_EQ(c.info(SQL_DATABASE_NAME), "tempdb") << "the ENVCHANGE of USE reaches the driver";

    OdbcClient v71;
    ASSERT_TRUE(v71.open(sandbox.port(), "sa", "", "master", ";TDS_Version=7.1;PacketSize=8192")) << v71.connectError();
    SQLUINTEGER packetSize = 0;
    SQLGetConnectAttr(v71.dbc(), SQL_ATTR_PACKET_SIZE, &packetSize, 0, nullptr);
    EXPECT_EQ(packetSize, 8192u);
    EXPECT_EQ(v71.run("SELECT 1" + std::string(20000, ' ')).render(), "[1]") << "a batch of several packets";
    EXPECT_EQ(v71.run("SELECT REPLICATE('x', 8000)").scalar(), std::string(8000, 'x')) << "an answer of several";
}

TEST_F(TdsServer, TheProgramNamesWrongOptionsAndAnswersTheSqlBrowser)
{
    const auto [status, output] = runToEnd("--port 70000");
    EXPECT_EQ(status, 2);
    EXPECT_NE(output.find("usage: norvane-sandbox --data DIR"), std::string::npos) << output;

    SandboxProcess::Options options;
    {
        const auto probe = sandbox::tds::bindLoopback(SOCK_DGRAM, 0); // a UDP port that was free a moment ago
        options.browserPort = sandbox::tds::boundPort(probe.get());
    }
    SandboxProcess sandbox(options);
    sandbox::tds::FileDescriptor udp(::socket(AF_INET, SOCK_DGRAM, 0));
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<std::uint16_t>(options.browserPort));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const std::uint8_t request = 0x03;
    ASSERT_EQ(::sendto(udp.get(), &request, 1, 0, reinterpret_cast<sockaddr*>(&to), sizeof to), 1);
    pollfd answer{udp.get(), POLLIN, 0};
    ASSERT_EQ(::poll(&answer, 1, 5000), 1);
    char datagram[1024] = {};
    const ssize_t n = ::recv(udp.get(), datagram, sizeof datagram - 1, 0);
    ASSERT_GT(n, 3);
    EXPECT_EQ(std::string(datagram + 3, static_cast<std::size_t>(n - 3)),
              "ServerName;SANDBOX;InstanceName;MSSQLSERVER;IsClustered;No;Version;8.00.760;tcp;" +
                  std::to_string(sandbox.port()) + ";;");
}

TEST_F(TdsServer, BackupAndRestoreProgressArrivesAsTheWorkProceeds)
{
    SandboxProcess::Options options;
    options.workDelayMs = 8;
    SandboxProcess sandbox(options);
    OdbcClient c;
    ASSERT_TRUE(c.open(sandbox.port())) << c.connectError();
    ASSERT_EQ(c.run("CREATE DATABASE Harbor").render(), "");
    const std::string prefix = "[FreeTDS][SQL Server]";
    for (const std::string verb : {"backed up", "restored"}) {
        SCOPED_TRACE(verb);
        const bool backup = verb == "backed up";
        const auto result = c.run(backup ? "BACKUP DATABASE [Harbor] TO DISK = N'C:\\\\Harbor.bak' WITH INIT, "
                                           "NAME = N'Harbor', STATS = 1"
                                         : "RESTORE DATABASE [Harbor] FROM DISK = N'C:\\\\Harbor.bak' WITH REPLACE, "
                                           "STATS = 1");
        EXPECT_EQ(result.render(), "");
        std::vector<Diagnostic> progress;
        for (const Diagnostic& d : result.diagnostics)
            if (d.text.find(" percent ") != std::string::npos)
                progress.push_back(d);
        ASSERT_EQ(progress.size(), 100u) << result.describe();
        for (std::size_t i = 0; i < 100; ++i)
            EXPECT_EQ(progress[i].text, prefix + std::to_string(i + 1) + " percent " + verb + ".");
        EXPECT_EQ(result.diagnostics.back().text.rfind(
                      prefix + (backup ? "BACKUP" : "RESTORE") + " DATABASE successfully processed ", 0),
                  0u)
            << result.describe();
        // Each percent waits 8 ms on the server: the client sees them one after another, not all at the end.
        EXPECT_GE(progress[49].at - progress[9].at, 200ms);
        EXPECT_GE(progress[89].at - progress[49].at, 200ms);
    }
}

TEST_F(TdsServer, SingleUserDatabaseAdmitsOneSessionAndKillSparesItsCaller)
{
    SandboxProcess sandbox;
    OdbcClient owner;
    ASSERT_TRUE(owner.open(sandbox.port())) << owner.connectError();
    ASSERT_EQ(owner.run("CREATE DATABASE Harbor").render(), "");
    ASSERT_EQ(owner.run("USE Harbor CREATE TABLE Ships (ShipID int NULL) USE master").render(), "");
    ASSERT_EQ(owner.run("ALTER DATABASE Harbor SET SINGLE_USER WITH ROLLBACK IMMEDIATE USE Harbor").render(), "");

    const std::string refusal = "Database 'Harbor' is already open and can only have one user at a time.";
    OdbcClient second;
    EXPECT_FALSE(second.open(sandbox.port(), "sa", "", "Harbor"));
    EXPECT_NE(second.connectError().find("924 [FreeTDS][SQL Server]" + refusal +
                                         "\n42000 4060 [FreeTDS][SQL Server]Cannot open database requested in "
                                         "login 'Harbor'. Login fails.\n"),
              std::string::npos)
        << second.connectError();
    OdbcClient third;
    ASSERT_TRUE(third.open(sandbox.port())) << third.connectError();
    EXPECT_EQ(third.run("USE Harbor").render(), "#924 " + refusal);
    EXPECT_EQ(third.run("SELECT COUNT(*) FROM Harbor..Ships").render(), "#924 " + refusal);

    // The owner may not end itself; it may leave the database to others.
    const std::string own = owner.run("SELECT @@SPID").scalar().value_or("");
    EXPECT_EQ(owner.run("KILL " + own).render(), "#6104 Cannot use KILL to kill your own process.");
    EXPECT_EQ(owner.run("USE master ALTER DATABASE Harbor SET MULTI_USER").render(), "");
    EXPECT_EQ(third.run("USE Harbor").render(), "");
}

TEST_F(TdsServer, OneServerPerDataFolder)
{
    tds_test::TemporaryDirectory data;
    auto first = std::make_unique<SandboxProcess>(onFolder(data.path));
    OdbcClient c;
    ASSERT_TRUE(c.open(first->port())) << c.connectError();
    ASSERT_EQ(c.run("CREATE DATABASE Harbor").render(), "");
    ASSERT_EQ(c.run("USE Harbor CREATE TABLE Ships (ShipID int NULL) INSERT INTO Ships VALUES (1)").render(), "");
    for (const char* extra : {"", " --sample"}) {
        const auto [status, output] = runToEnd("--data " + data.path.string() + extra);
        EXPECT_EQ(status, 3);
        EXPECT_EQ(output, "norvane-sandbox: the data folder " + data.path.string() +
                              " is in use by another norvane-sandbox (process " + std::to_string(first->pid()) +
                              "); stop that server or choose another --data folder\n");
    }
    EXPECT_EQ(c.run("SELECT COUNT(*) FROM Harbor..Ships").render(), "[1]") << "the first server and its data go on";
    first.reset();
    SandboxProcess third(onFolder(data.path)); // throws when it does not start
    EXPECT_GT(third.port(), 0) << "once the first stops, the folder is free again";
}

TEST_F(TdsServer, IdleSessionsStaySmall)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizers' own bookkeeping makes memory figures meaningless";
#else
    SandboxProcess server;
    const auto residentKb = [&] {
        std::ifstream status("/proc/" + std::to_string(server.pid()) + "/status");
        for (std::string line; std::getline(status, line);)
            if (line.rfind("VmRSS:", 0) == 0)
                return std::atol(line.c_str() + 6);
        return -1L;
    };
    const auto port = static_cast<std::uint16_t>(server.port());
    ASSERT_TRUE(tds_test::RawClient(port).login());
    const long before = residentKb();
    std::vector<std::unique_ptr<tds_test::RawClient>> sessions;
    for (int i = 0; i < 300; ++i) { // more than the 256 sessions that once filled the server
        sessions.push_back(std::make_unique<tds_test::RawClient>(port));
        ASSERT_TRUE(sessions.back()->login()) << i;
    }
    ASSERT_TRUE(sessions.back()->batch("SELECT 1"));
    EXPECT_LT((residentKb() - before) / 300, 512) << "KB per idle session";
    EXPECT_TRUE(tds_test::RawClient(port).login()) << "idle sessions leave room for more";
#endif
}
