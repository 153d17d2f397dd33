// Speed of the shell: the connection dialog coming up, the table list of a
// 10,000-table database, and the rows grid of 500 rows by 20 columns.
#include "shell/catalog_helpers.h"
#include "shell/frmLogin.h"
#include "shell/frmSplash.h"
#include "shell/recording_prompts.h"
#include "shell/session.h"
#include "support/sandbox_process.h"
#include "tables/frmTables.h"

#include <QApplication>
#include <QListWidget>
#include <QTreeWidget>

#include "bench_sandbox.h"
#include "window_bench_main.h"

#include <benchmark/benchmark.h>

using namespace norvane;

namespace {

// One sandbox with a wide table and a database of 10,000 tables, made once.
test::SandboxProcess& benchSandbox()
{
    return filledBenchSandbox([](Connection& connection) {
        connection.executeCommand("CREATE DATABASE Wide");
        QString columns;
        for (int c = 1; c <= 20; ++c)
            columns += QString("%1c%2 varchar(20) NULL").arg(c == 1 ? "" : ", ").arg(c);
        connection.executeCommand("USE Wide\nCREATE TABLE Grid (" + columns + ")");
        QString batch = "USE Wide\n";
        for (int r = 1; r <= 500; ++r) {
            QString values;
            for (int c = 1; c <= 20; ++c)
                values += QString("%1'r%2c%3'").arg(c == 1 ? "" : ", ").arg(r).arg(c);
            batch += "INSERT INTO Grid VALUES (" + values + ")\n";
        }
        connection.executeCommand(batch);
        connection.executeCommand("CREATE DATABASE Many");
        for (int first = 1; first <= 10000; first += 500) {
            QString creates = "USE Many\n";
            for (int t = first; t < first + 500; ++t)
                creates += QString("CREATE TABLE T%1 (id int NOT NULL)\n").arg(t, 5, 10, QChar('0'));
            connection.executeCommand(creates);
        }
    });
}

void ConnectionDialogShown(benchmark::State& state)
{
    for (auto _ : state) {
        frmSplash splash;
        splash.show();
        frmLogin dialog;
        dialog.show();
        QApplication::processEvents();
        benchmark::DoNotOptimize(dialog.isVisible());
    }
}
BENCHMARK(ConnectionDialogShown)->Unit(benchmark::kMillisecond);

void TableListOfTenThousandTables(benchmark::State& state)
{
    session().connection.open(benchSandbox().connectionString("Many"));
    QListWidget list;
    for (auto _ : state) {
        frmTables::LoadTableList(&list);
        benchmark::DoNotOptimize(list.count());
    }
    state.counters["tables"] = list.count();
}
BENCHMARK(TableListOfTenThousandTables)->Unit(benchmark::kMillisecond);

void RowsGridOf500By20(benchmark::State& state)
{
    session().connection.open(benchSandbox().connectionString("Wide"));
    norvane::testing::RecordingPrompts::Installed prompts;
    QTreeWidget grid;
    for (auto _ : state) {
        ShowRows(&grid, "[Wide].[dbo].[Grid]", true);
        benchmark::DoNotOptimize(grid.topLevelItemCount());
    }
    state.counters["rows"] = grid.topLevelItemCount();
}
BENCHMARK(RowsGridOf500By20)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return runWindowBenchmarks(argc, argv);
}
