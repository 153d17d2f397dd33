// Concurrent writers wait their turn instead of failing, and SET LOCK_TIMEOUT bounds the wait.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "hardening_client.h"
#include "support/sandbox_process.h"
#include "tds_test_support.h"

using namespace std::chrono_literals;

namespace {

class Locking : public ::testing::Test {
protected:
    static void SetUpTestSuite() { tds_test::usePrivateOdbcConfig(); }
    norvane::test::SandboxProcess sandbox;

    // sessions clients at once, each creating its own table and writing to it in transactions that read first.
    void writeConcurrently(int sessions, int transactions)
    {
        std::vector<std::unique_ptr<hardening::OdbcClient>> clients;
        for (int i = 0; i < sessions; ++i) {
            clients.push_back(std::make_unique<hardening::OdbcClient>());
            ASSERT_TRUE(clients.back()->open(sandbox.port())) << clients.back()->connectError();
        }
        std::atomic<int> failures{0};
        std::vector<std::string> firstFailure(static_cast<std::size_t>(sessions));
        std::vector<std::thread> threads;
        for (int i = 0; i < sessions; ++i) {
            threads.emplace_back([&, i] {
                auto& client = *clients[static_cast<std::size_t>(i)];
                const std::string table = "W" + std::to_string(sessions) + "_" + std::to_string(i);
                auto check = [&](const hardening::BatchResult& result) {
                    if (!result.succeeded && failures++ >= 0 && firstFailure[static_cast<std::size_t>(i)].empty())
                        firstFailure[static_cast<std::size_t>(i)] = result.describe();
                };
                check(client.run("CREATE TABLE " + table + " (n int NOT NULL PRIMARY KEY, who varchar(20) NULL)"));
                for (int t = 0; t < transactions; ++t)
                    check(client.run("BEGIN TRAN SELECT COUNT(*) FROM " + table + " INSERT INTO " + table + " VALUES (" +
                                     std::to_string(t) + ", 'session " + std::to_string(i) + "') COMMIT"));
                check(client.run("INSERT INTO " + table + " VALUES (" + std::to_string(transactions) + ", NULL)"));
            });
        }
        for (auto& thread : threads)
            thread.join();
        EXPECT_EQ(failures.load(), 0);
        for (const std::string& failure : firstFailure)
            if (!failure.empty())
                ADD_FAILURE() << failure;
        hardening::OdbcClient checker;
        ASSERT_TRUE(checker.open(sandbox.port()));
        const auto total = checker.run("SELECT COUNT(*) FROM sysobjects WHERE name LIKE 'W" + std::to_string(sessions) + "[_]%'");
        EXPECT_EQ(total.scalar(), std::to_string(sessions));
        const auto rows = checker.run("SELECT COUNT(*) FROM W" + std::to_string(sessions) + "_0");
        EXPECT_EQ(rows.scalar(), std::to_string(transactions + 1));
    }
};

}  // namespace

TEST_F(Locking, TenFiftyAndAHundredSessionsWritingAtOnceAllSucceed)
{
    writeConcurrently(10, 6);
    writeConcurrently(50, 3);
    writeConcurrently(100, 2);
}

TEST_F(Locking, AWriterWaitsForAnOpenTransactionOrGivesUpAtItsLockTimeout)
{
    hardening::OdbcClient holder;
    hardening::OdbcClient waiter;
    ASSERT_TRUE(holder.open(sandbox.port()));
    ASSERT_TRUE(waiter.open(sandbox.port()));
    ASSERT_TRUE(holder.run("CREATE TABLE Held (n int NULL) CREATE TABLE Other (n int NULL)").succeeded);
    ASSERT_TRUE(holder.run("BEGIN TRAN INSERT INTO Held VALUES (1)").succeeded);

    auto result = waiter.run("SET LOCK_TIMEOUT 200 SELECT @@LOCK_TIMEOUT INSERT INTO Other VALUES (1)");
    EXPECT_EQ(result.scalar(), "200");
    EXPECT_TRUE(result.hasError(1222, "Lock request time out period exceeded.")) << result.describe();
    // Readers are never blocked by the open transaction, and see only committed rows.
    EXPECT_EQ(waiter.run("SELECT COUNT(*) FROM Held").scalar(), "0");

    // A writer waiting for its turn can be cancelled.
    hardening::BatchResult cancelled;
    std::thread canceller([&] {
        std::this_thread::sleep_for(300ms);
        waiter.cancel();
    });
    const bool answered = hardening::finishesWithin(
        10s, [&] { cancelled = waiter.run("SET LOCK_TIMEOUT -1 INSERT INTO Other VALUES (1)"); }, [&] { sandbox.stop(); });
    canceller.join();
    ASSERT_TRUE(answered) << "the attention was not honoured while the writer waited";
    ASSERT_FALSE(cancelled.diagnostics.empty());
    EXPECT_EQ(cancelled.diagnostics.back().state, "HY008") << cancelled.describe();

    // Without a timeout the writer waits until the transaction ends, then succeeds.
    hardening::BatchResult waited;
    std::thread writer([&] { waited = waiter.run("SET LOCK_TIMEOUT -1 INSERT INTO Other VALUES (2) SELECT COUNT(*) FROM Held"); });
    std::this_thread::sleep_for(400ms);
    EXPECT_TRUE(holder.run("COMMIT").succeeded);
    writer.join();
    EXPECT_TRUE(waited.succeeded) << waited.describe();
    EXPECT_EQ(waited.scalar(), "1");
    EXPECT_EQ(holder.run("SELECT COUNT(*) FROM Other").scalar(), "1");
}
