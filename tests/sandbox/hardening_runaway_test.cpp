// Statements that would run for ever or eat the machine: bounded results, linear translation, and
// attention, a lost client and SIGTERM honoured while a statement runs.
#include <gtest/gtest.h>

#include <csignal>
#include <set>
#include <string>
#include <sys/wait.h>
#include <thread>

#include "hardening_client.h"
#include "support/sandbox_process.h"
#include "tds_test_support.h"

using namespace std::chrono_literals;

namespace {

std::string chain(const std::string& term, const std::string& op, int terms)
{
    std::string out = term;
    for (int i = 1; i < terms; ++i)
        out += op + term;
    return out;
}

// A cross join SQLite needs minutes for: what an attention, a disconnect or SIGTERM must interrupt.
const std::string kEndless =
    "SELECT COUNT(*) FROM syscolumns a, syscolumns b, syscolumns c, syscolumns d, syscolumns e, syscolumns f";

class Runaway : public ::testing::Test {
protected:
    static void SetUpTestSuite() { tds_test::usePrivateOdbcConfig(); }
    norvane::test::SandboxProcess sandbox;
};

}  // namespace

TEST_F(Runaway, FunctionResultsAreBoundedAndOperatorChainsTranslateInLinearTime)
{
    hardening::OdbcClient client;
    ASSERT_TRUE(client.open(sandbox.port())) << client.connectError();
    const auto stop = [&] { sandbox.stop(); };
    hardening::BatchResult result;
    ASSERT_TRUE(hardening::finishesWithin(20s, [&] { result = client.run("SELECT REPLICATE('', 9223372036854775807)"); }, stop));
    EXPECT_EQ(result.scalar(), "") << result.describe();
    // Results stop at 8,000 characters, as SQL Server 2000's varchar results do.
    EXPECT_EQ(client.run("SELECT LEN(REPLICATE('ab', 2000000000))").scalar(), "8000");
    EXPECT_EQ(client.run("SELECT LEN(REPLACE(REPLICATE('a', 8000), 'a', REPLICATE('b', 8000)))").scalar(), "8000");
    EXPECT_EQ(client.run("SELECT LEN(SPACE(2000000000) + 'x')").scalar(), "8001");
    EXPECT_EQ(client.run("SELECT SUBSTRING('abc', 9223372036854775807, 9223372036854775807)").scalar(), "");

    // Each ^ once copied its left side twice: 22 terms were gigabytes. XOR of 22 ones is 0, of 2,001 is 1.
    ASSERT_TRUE(hardening::finishesWithin(20s, [&] { result = client.run("SELECT " + chain("1", "^", 22)); }, stop));
    EXPECT_EQ(result.scalar(), "0") << result.describe();
    EXPECT_EQ(client.run("SELECT " + chain("1", " ^ ", 2001)).scalar(), "1");
    const auto bitwise = client.run("SELECT 6 ^ 3, 5 & 3, 5 | 3, 1 + 2 & 6, 7 & 2 + 1, - -4");
    ASSERT_EQ(bitwise.results.size(), 1u) << bitwise.describe();
    EXPECT_EQ(bitwise.results[0], (std::vector<std::vector<std::optional<std::string>>>{{"5", "1", "7", "2", "3", "4"}}));
    // Long runs of + and OR: quadratic copying made these take minutes.
    ASSERT_TRUE(hardening::finishesWithin(
        20s, [&] { result = client.run("SELECT " + chain("1", "+", 900)); }, stop));
    EXPECT_EQ(result.scalar(), "900") << result.describe();
    ASSERT_TRUE(hardening::finishesWithin(
        20s, [&] { result = client.run("SELECT COUNT(*) FROM sysobjects WHERE " + chain("id = -1", " OR ", 20000)); }, stop));
    EXPECT_EQ(result.scalar(), "0") << result.describe();
    EXPECT_EQ(client.run("SELECT 1 WHERE " + chain("1 = 1", " AND ", 20000)).scalar(), "1");
    // A run longer than SQLite can evaluate says so, in SQL Server's words, instead of failing oddly.
    ASSERT_TRUE(hardening::finishesWithin(20s, [&] { result = client.run("SELECT " + chain("1", "+", 100000)); }, stop));
    EXPECT_TRUE(result.hasError(191)) << result.describe();
    EXPECT_EQ(client.run("SELECT 'still' + ' here'").scalar(), "still here");
}

TEST_F(Runaway, AttentionAndALostClientStopARunningStatement)
{
    hardening::OdbcClient client;
    ASSERT_TRUE(client.open(sandbox.port())) << client.connectError();
    hardening::BatchResult result;
    std::thread canceller([&] {
        std::this_thread::sleep_for(500ms);
        client.cancel();
    });
    const bool stopped = hardening::finishesWithin(15s, [&] { result = client.run(kEndless); }, [&] { sandbox.stop(); });
    canceller.join();
    ASSERT_TRUE(stopped) << "the attention was not honoured while the statement ran";
    EXPECT_FALSE(result.succeeded);
    ASSERT_FALSE(result.diagnostics.empty());
    EXPECT_EQ(result.diagnostics[0].state, "HY008") << result.describe();
    EXPECT_EQ(client.run("SELECT 5").scalar(), "5");

    // A client that goes away mid-statement: its session ends at once instead of computing for nobody.
    hardening::OdbcClient observer;
    ASSERT_TRUE(observer.open(sandbox.port()));
    const auto spids = [&] {
        std::set<std::string> listed;
        const hardening::BatchResult who = observer.run("EXEC sp_who");
        if (who.results.empty())
            return listed;
        for (const auto& row : who.results[0])
            listed.insert(row.empty() ? "" : row[0].value_or(""));
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
        ASSERT_TRUE(raw.send(0x01, tds_test::utf16le(std::u16string(kEndless.begin(), kEndless.end()))));
        std::this_thread::sleep_for(300ms);
        raw.disconnect();
    }
    bool gone = false;
    for (int attempt = 0; attempt < 50 && !gone; ++attempt) {
        gone = spids().count(leaver) == 0;
        if (!gone)
            std::this_thread::sleep_for(100ms);
    }
    EXPECT_TRUE(gone) << "session " << leaver << " kept running after its client left";
}

TEST_F(Runaway, SigtermEndsTheServerWhateverRuns)
{
    hardening::OdbcClient client;
    ASSERT_TRUE(client.open(sandbox.port())) << client.connectError();
    std::thread running([&] { client.run(kEndless); });
    std::this_thread::sleep_for(500ms);
    const auto started = std::chrono::steady_clock::now();
    const int status = sandbox.stop();  // SIGTERM, then SIGKILL after 10 s
    const auto took = std::chrono::steady_clock::now() - started;
    running.join();
    EXPECT_TRUE(WIFEXITED(status)) << "the server had to be killed";
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_LT(took, 5s);
}
