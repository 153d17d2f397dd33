// Speed of the sandbox through the real client stack (Norvane's data layer, unixODBC, FreeTDS):
// a catalog query on the sample, and streaming a 10,000-row SELECT.
#include "shell/data/connection.h"
#include "support/sandbox_process.h"

#include <benchmark/benchmark.h>

using namespace norvane;

namespace {

Connection& sampleConnection()
{
    static Connection connection = [] {
        Connection opened;
        opened.open(test::sharedSampleSandbox().connectionString("Harbor"));
        return opened;
    }();
    return connection;
}

void CatalogQuery(benchmark::State& state)
{
    Connection& connection = sampleConnection();
    for (auto _ : state) {
        Recordset rows = connection.execute(
            "SELECT name FROM sysobjects WHERE xtype = 'U' AND OBJECTPROPERTY(id, 'IsMSShipped') = 0 ORDER BY name");
        int count = 0;
        for (; !rows.eof(); rows.moveNext())
            ++count;
        benchmark::DoNotOptimize(count);
    }
}
BENCHMARK(CatalogQuery)->Unit(benchmark::kMillisecond);

void StreamTenThousandRows(benchmark::State& state)
{
    static Connection connection = [] {
        Connection opened;
        opened.open(test::sharedSampleSandbox().connectionString("master"));
        opened.executeCommand("CREATE DATABASE BenchRows");
        opened.executeCommand("USE BenchRows\nCREATE TABLE Numbers (n int NOT NULL, label varchar(30) NULL, amount money NULL)");
        QString batch = "USE BenchRows\n";
        for (int i = 1; i <= 10000; ++i) {
            batch += QString("INSERT INTO Numbers (n, label, amount) VALUES (%1, 'row number %1', %1.25)\n").arg(i);
            if (i % 1000 == 0) {
                opened.executeCommand(batch);
                batch = "USE BenchRows\n";
            }
        }
        opened.executeCommand("USE BenchRows");
        return opened;
    }();
    qint64 rowsRead = 0;
    for (auto _ : state) {
        Recordset rows = connection.execute("SELECT n, label, amount FROM Numbers");
        for (; !rows.eof(); rows.moveNext())
            ++rowsRead;
    }
    state.counters["rows_per_second"] = benchmark::Counter(static_cast<double>(rowsRead), benchmark::Counter::kIsRate);
}
BENCHMARK(StreamTenThousandRows)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
