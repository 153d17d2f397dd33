// The data layer through unixODBC: FreeTDS against the sandbox server (what a SQL Server sends),
// and a second real driver, SQLite3.
#include "shell/data/connection.h"
#include "shell/data/thread_wait.h"
#include "support/qt_printers.h"
#include "support/sandbox_process.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

using namespace norvane;
using norvane::test::SandboxProcess;

namespace {

QString errorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const DbError& error) {
        return QString("%1|%2|%3").arg(error.nativeError()).arg(error.sqlState(), error.description());
    }
    return "no error";
}

class SqliteOdbc : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::PrivateOdbcConfig::instance();
        connection.open("Driver=SQLite3;Database=" + directory.filePath("data.db"));
        connection.executeCommand("CREATE TABLE items (id integer, name varchar(20))");
        for (const char* values : {"1, 'one'", "2, NULL", "3, 'three'"})
            connection.executeCommand(QString("INSERT INTO items VALUES (%1)").arg(values));
    }

    QTemporaryDir directory;
    Connection connection;
};

} // namespace

TEST(SandboxOdbc, ReadsTheServerAndReportsItsErrorsWithNumberStateAndText)
{
    Connection connection;
    connection.open(test::sharedSampleSandbox().connectionString("Harbor"));
    EXPECT_EQ(connection.property("Server Name") + "|" + connection.property("Current Catalog"), "SANDBOX|Harbor");
    EXPECT_EQ(errorOf([&] { connection.execute("SELECT * FROM NoSuchTable"); }),
              "208|42S02|Invalid object name 'NoSuchTable'.");
    // A batch that starts with a plain name calls a procedure of that name.
    EXPECT_EQ(errorOf([&] { connection.execute("SELEKT 1"); }), "2812|42000|Could not find stored procedure 'SELEKT'.");
    EXPECT_EQ(errorOf([&] { connection.execute("SELECT 1 +"); }).section('|', 0, 1), "102|42000");
    EXPECT_EQ(errorOf([&] { connection.execute("USE NoSuchDatabase"); }),
              "911|08004|Could not locate entry in sysdatabases for database 'NoSuchDatabase'. No entry found with "
              "that name. Make sure that the name is entered correctly.");
    // A later statement's failure surfaces when the batch is run to its end.
    EXPECT_EQ(errorOf([&] { connection.executeCommand("SELECT 1\nSELECT * FROM NoSuchTable"); }),
              "208|42S02|Invalid object name 'NoSuchTable'.");

    // Abandoning a result part-read leaves the connection usable.
    Recordset rows = connection.execute("SELECT OrderID FROM [Order Details] ORDER BY OrderID");
    EXPECT_EQ(rows.field("OrderID").text(), "10248");
    rows.abandon();
    EXPECT_TRUE(rows.eof() && !rows.isOpen() && rows.field(0).isNull());
    EXPECT_EQ(connection.execute("SELECT COUNT(*) FROM [Order Details]").field(0).text(), "2505");

    Connection refused;
    const QString login =
        errorOf([&] { refused.open(test::sharedSampleSandbox().connectionString("master", "sa", "wrong")); });
    EXPECT_EQ(login.section('|', 0, 0) + "|" + login.section('|', 2), "18456|Login failed for user 'sa'.");
    EXPECT_FALSE(refused.isOpen());
}

TEST(SandboxOdbc, TwoSessionsARestartThatKeepsDataAndAServerThatGoesAway)
{
    SandboxProcess own;
    Connection first;
    Connection second;
    first.open(own.connectionString("master"));
    second.open(own.connectionString("master"));
    first.executeCommand("CREATE DATABASE Kept");
    second.executeCommand("USE Kept\nCREATE TABLE Notes (id int NOT NULL, body varchar(20) NULL)");
    EXPECT_EQ(second.executeCommand("INSERT INTO Notes (id, body) VALUES (1, 'O''Brien')"), 1);
    EXPECT_EQ(first.currentCatalog() + "|" + second.currentCatalog(), "master|Kept");
    first.close();
    second.close();
    own.restart();
    first.open(own.connectionString("Kept"));
    EXPECT_EQ(first.execute("SELECT body FROM Notes WHERE id = 1").field("body").text(), "O'Brien");

    const QString dead = own.connectionString();
    const QString port = QString::number(own.port());
    own.stop();
    // The link's own cause, not the driver's "Unknown error".
    const QString failure = errorOf([&] { first.execute("SELECT 1"); });
    EXPECT_FALSE(failure.contains("Unknown error")) << failure.toStdString();
    EXPECT_TRUE(failure.section('|', 1, 1).startsWith("08")) << failure.toStdString();
    first.close(); // closing a connection whose server died is clean
    EXPECT_FALSE(first.isOpen());
    // A port nobody listens on: the driver's own error with the address tried, quickly.
    second.setLoginTimeout(3);
    EXPECT_EQ(
        errorOf([&] { second.open(dead); }),
        "20009|08S01|Unable to connect: Adaptive Server is unavailable or does not exist (tried 127.0.0.1, port " +
            port + ")");
}

TEST(SandboxOdbc, CancelsFromAnotherThreadWhileRowsStreamOrTheServerWaitsAlwaysEnd)
{
    Connection connection;
    connection.open(test::sharedSampleSandbox().connectionString("Harbor"));
    // A cancel sent while the reader is in the middle of a packet could leave it waiting forever;
    // many rounds, each asking again and again as the windows do, make that likely if it can happen.
    const QString huge = "SELECT a.name FROM sysobjects a, sysobjects b, sysobjects c";
    for (int round = 0; round < 30; ++round) {
        SCOPED_TRACE(round);
        std::atomic<bool> stop{false};
        std::atomic<bool> ended{false};
        std::atomic<qint64> rowsRead{0};
        QString failure;
        std::thread reader([&] {
            try {
                Recordset rows = connection.execute(huge);
                for (; !rows.eof() && !stop; rows.moveNext())
                    ++rowsRead;
                rows.abandon();
            } catch (const DbError& error) {
                failure = error.sqlState();
            }
            ended = true;
        });
        while (rowsRead < 100 + round * 50 && !ended)
            std::this_thread::yield();
        stop = true;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!ended && std::chrono::steady_clock::now() < deadline)
            connection.cancel();
        if (!ended) {
            reader.detach();
            connection.abandon();
            FAIL() << "the reader never came back from the driver";
        }
        reader.join();
        EXPECT_TRUE(failure.isEmpty() || failure == "HY008") << failure.toStdString();
        EXPECT_EQ(connection.execute("SELECT 7").field(0).text(), "7");
    }

    // A statement the server works on before any row: the cancel reaches it.
    std::atomic<bool> ended{false};
    QString failure;
    std::thread waiter([&] {
        try {
            connection.execute("WAITFOR DELAY '00:01:00'");
        } catch (const DbError& error) {
            failure = error.sqlState();
        }
        ended = true;
    });
    const auto started = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    while (!ended && std::chrono::steady_clock::now() - started < std::chrono::seconds(10)) {
        connection.cancel();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    waiter.join();
    EXPECT_EQ(failure, "HY008");
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
    EXPECT_EQ(connection.execute("SELECT 8").field(0).text(), "8");
}

TEST(ThreadWait, TellsAThreadWaitingOnSocketsFromOneWaitingOtherwise)
{
    if (threadWait(currentThreadId()) == ThreadWait::Unknown)
        GTEST_SKIP() << "this kernel does not show what a thread waits on";
    int pipe[2];
    ASSERT_EQ(::pipe(pipe), 0);
    std::atomic<pid_t> pollingThread{0};
    std::thread polling([&] {
        pollingThread = currentThreadId();
        pollfd watched{pipe[0], POLLIN, 0};
        ::poll(&watched, 1, 10000);
    });
    std::mutex mutex;
    std::condition_variable woken;
    bool wake = false;
    std::atomic<pid_t> sleepingThread{0};
    std::thread sleeping([&] {
        sleepingThread = currentThreadId();
        std::unique_lock lock(mutex);
        woken.wait(lock, [&] { return wake; });
    });
    // Each thread is read until it has reached its wait.
    const auto until = [](const std::atomic<pid_t>& thread, ThreadWait expected) {
        for (int attempt = 0; attempt < 2000; ++attempt) {
            if (thread != 0 && threadWait(thread) == expected)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return false;
    };
    EXPECT_TRUE(until(pollingThread, ThreadWait::OnSockets));
    EXPECT_TRUE(until(sleepingThread, ThreadWait::Otherwise));
    EXPECT_EQ(threadWait(sleepingThread), ThreadWait::Otherwise);
    EXPECT_EQ(threadWait(currentThreadId()), ThreadWait::Otherwise); // running
    ASSERT_EQ(::write(pipe[1], "x", 1), 1);
    {
        const std::lock_guard lock(mutex);
        wake = true;
    }
    woken.notify_all();
    polling.join();
    sleeping.join();
    ::close(pipe[0]);
    ::close(pipe[1]);
    EXPECT_EQ(threadWait(pollingThread), ThreadWait::Unknown); // gone
}

TEST_F(SqliteOdbc, StreamsRowsWithNullsAndReportsPastTheEnd)
{
    Recordset rows = connection.execute("SELECT id, name FROM items ORDER BY id");
    ASSERT_EQ(rows.fieldCount(), 2);
    EXPECT_EQ(rows.field(1).name(), "name");
    EXPECT_EQ(rows.recordCount(), -1);
    QStringList seen;
    while (!rows.eof()) {
        seen << rows.field("ID").text() + "=" + (rows.field("name").isNull() ? "NULL" : rows.field("name").text());
        rows.moveNext();
    }
    EXPECT_EQ(seen, QStringList({"1=one", "2=NULL", "3=three"}));
    EXPECT_EQ(rows.recordCount(), 3);
    EXPECT_TRUE(rows.field(0).isNull());
    EXPECT_EQ(errorOf([&] { rows.moveNext(); }),
              "3021|HY000|Either BOF or EOF is True, or the current record has been deleted. "
              "Requested operation requires a current record.");
    EXPECT_EQ(
        errorOf([&] { rows.field("missing"); }),
        "3265|HY000|Item cannot be found in the collection corresponding to the requested name or ordinal: missing.");
}

TEST_F(SqliteOdbc, AnUncountableQueryStreamsWithoutBeingReadWhole)
{
    // SQLite knows no COUNT_BIG: the rows stream uncounted, and the count is known at their end.
    Recordset streamed = connection.openCounted("SELECT id FROM items WHERE id > 1 ORDER BY id DESC");
    EXPECT_EQ(streamed.recordCount(), -1);
    EXPECT_EQ(streamed.field("id").text(), "3");
    streamed.moveNext();
    streamed.moveNext();
    EXPECT_TRUE(streamed.eof());
    EXPECT_EQ(streamed.recordCount(), 2);
}

TEST_F(SqliteOdbc, ReportsErrorsAndClosingFreesRecordsets)
{
    EXPECT_EQ(errorOf([&] { connection.execute("SELECT * FROM nowhere"); }).section('|', 2),
              "no such table: nowhere (1)");
    EXPECT_EQ(connection.executeCommand("UPDATE items SET name = 'x' WHERE id >= 2"), 2);
    Recordset rows = connection.execute("SELECT id FROM items");
    connection.close(); // frees the open record sets
    EXPECT_FALSE(connection.isOpen() || rows.isOpen() || !rows.eof());
    EXPECT_EQ(errorOf([&] { connection.close(); }), "0|08003|The connection is not open.");
    EXPECT_EQ(errorOf([&] { connection.execute("SELECT 1"); }), "0|08003|The connection is not open.");

    Connection unknown;
    EXPECT_EQ(errorOf([&] { unknown.open("Driver=NoSuchDriver;Database=x"); }).section('|', 2),
              "Can't open lib 'NoSuchDriver' : file not found");
    EXPECT_EQ(errorOf([&] { unknown.open("DSN=NoSuchSource;uid=sa;"); }).section('|', 1),
              "IM002|Data source name not found and no default driver specified");
}
