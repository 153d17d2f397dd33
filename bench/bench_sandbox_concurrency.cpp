// Many sessions writing at once through unixODBC and FreeTDS: each of N sessions inserts into its own
// table, one row per transaction, for a set time. Reports the rows acknowledged per second, the
// transactions refused, the slowest transaction and the server's peak memory.
//   NORVANE_BENCH_SECONDS   run time in seconds (default 30)
//   NORVANE_SANDBOX         the norvane-sandbox program to measure (default: the one built beside this)
#include "support/sandbox_process.h"

#include <benchmark/benchmark.h>
#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// One ODBC connection with one statement handle.
class Client {
public:
    explicit Client(int port)
    {
        SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_);
        SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
        SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_);
        std::string text = "Driver=FreeTDS;Server=127.0.0.1;Port=" + std::to_string(port) +
                           ";UID=sa;PWD=;Database=master;ClientCharset=UTF-8";
        SQLCHAR out[512];
        SQLSMALLINT length = 0;
        connected_ = SQL_SUCCEEDED(SQLDriverConnect(dbc_, nullptr, reinterpret_cast<SQLCHAR*>(text.data()), SQL_NTS, out,
                                                    sizeof out, &length, SQL_DRIVER_NOPROMPT));
        if (connected_)
            SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &statement_);
    }
    ~Client()
    {
        if (statement_)
            SQLFreeHandle(SQL_HANDLE_STMT, statement_);
        if (connected_)
            SQLDisconnect(dbc_);
        SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
        SQLFreeHandle(SQL_HANDLE_ENV, env_);
    }
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    bool connected() const { return connected_; }
    // Runs a batch to its end; false when any statement of it failed.
    bool run(const std::string& sql)
    {
        SQLFreeStmt(statement_, SQL_CLOSE);
        SQLRETURN rc = SQLExecDirect(statement_, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.c_str())), SQL_NTS);
        bool ok = rc != SQL_ERROR;
        for (int step = 0; step < 100 && rc != SQL_NO_DATA && rc != SQL_INVALID_HANDLE; ++step) {
            rc = SQLMoreResults(statement_);
            ok = ok && rc != SQL_ERROR;
        }
        return ok;
    }

private:
    SQLHENV env_ = SQL_NULL_HENV;
    SQLHDBC dbc_ = SQL_NULL_HDBC;
    SQLHSTMT statement_ = SQL_NULL_HSTMT;
    bool connected_ = false;
};

int runSeconds(int fallback)
{
    const char* text = std::getenv("NORVANE_BENCH_SECONDS");
    const int seconds = text ? std::atoi(text) : 0;
    return seconds > 0 ? seconds : fallback;
}

// The peak resident size of a process, in megabytes (VmHWM).
double peakMegabytes(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::atof(line.c_str() + 6) / 1024.0;
    return 0;
}

void ConcurrentInserts(benchmark::State& state)
{
    const int sessions = static_cast<int>(state.range(0));
    const int seconds = runSeconds(static_cast<int>(state.range(1)));
    for (auto _ : state) {
        norvane::test::SandboxProcess sandbox;
        std::vector<std::unique_ptr<Client>> clients;
        for (int i = 0; i < sessions; ++i) {
            clients.push_back(std::make_unique<Client>(sandbox.port()));
            if (!clients.back()->connected()) {
                state.SkipWithError("a session could not log in");
                return;
            }
        }
        std::atomic<long> acknowledged{0};
        std::atomic<long> refused{0};
        std::vector<double> slowest(static_cast<std::size_t>(sessions), 0.0);
        const auto started = Clock::now();
        const auto deadline = started + std::chrono::seconds(seconds);
        std::vector<std::thread> threads;
        for (int i = 0; i < sessions; ++i) {
            threads.emplace_back([&, i] {
                Client& client = *clients[static_cast<std::size_t>(i)];
                const std::string table = "Bench" + std::to_string(i);
                if (!client.run("CREATE TABLE " + table + " (n int NOT NULL PRIMARY KEY, label varchar(40) NULL)"))
                    ++refused;
                // Bounded by the deadline and by a row count no run of this length can reach.
                for (long n = 0; n < 100000000 && Clock::now() < deadline; ++n) {
                    const auto before = Clock::now();
                    const bool ok = client.run("BEGIN TRAN INSERT INTO " + table + " VALUES (" + std::to_string(n) +
                                               ", 'row " + std::to_string(n) + "') COMMIT");
                    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - before).count();
                    slowest[static_cast<std::size_t>(i)] = std::max(slowest[static_cast<std::size_t>(i)], ms);
                    if (ok)
                        ++acknowledged;
                    else
                        ++refused;
                }
            });
        }
        for (auto& thread : threads)
            thread.join();
        const double elapsed = std::chrono::duration<double>(Clock::now() - started).count();
        state.counters["rows"] = static_cast<double>(acknowledged.load());
        state.counters["rows_per_second"] = static_cast<double>(acknowledged.load()) / elapsed;
        state.counters["refused"] = static_cast<double>(refused.load());
        state.counters["worst_latency_ms"] = *std::max_element(slowest.begin(), slowest.end());
        state.counters["server_peak_mb"] = peakMegabytes(sandbox.pid());
        clients.clear();
    }
}
BENCHMARK(ConcurrentInserts)->Args({100, 30})->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
