// Speed of the table explorer: the stored procedures of a 1,000-column table,
// 10,000 shown rows of 20 columns as INSERT lines, and showing a Harbor table
// (rows, columns grid and the five relation lists) end to end.
#include "shell/harbor_session.h"
#include "shell/recording_prompts.h"
#include "shell/session.h"
#include "tables/data_inserts.h"
#include "tables/frmTables.h"
#include "tables/procedure_builder.h"

#include <QApplication>
#include <QListWidget>
#include <QRadioButton>

#include "window_bench_main.h"

#include <benchmark/benchmark.h>

using namespace norvane;

namespace {

void ProceduresOfAThousandColumns(benchmark::State& state)
{
    const std::array<const char*, 5> types = {"int", "nvarchar", "decimal", "datetime", "varchar"};
    std::vector<ColumnInfo> columns;
    for (int index = 1; index <= 1000; ++index) {
        columns.push_back(ColumnInfo{index, index == 1, QString("Column%1").arg(index),
                                     types[static_cast<std::size_t>(index) % types.size()], 40, 18, 4, true});
    }
    qsizetype size = 0;
    for (auto _ : state) {
        const QString text = BuildProcedures("WideTable", "dbo", columns);
        size = text.size();
        benchmark::DoNotOptimize(size);
    }
    state.counters["chars"] = static_cast<double>(size);
}
BENCHMARK(ProceduresOfAThousandColumns)->Unit(benchmark::kMillisecond);

void DataInsertsOfTenThousandRowsByTwenty(benchmark::State& state)
{
    QStringList names, types;
    for (int column = 1; column <= 20; ++column) {
        names << QString("c%1").arg(column);
        types << (column % 2 ? "nvarchar" : "int");
    }
    std::vector<ExportColumn> columns;
    for (int column = 1; column <= 20; ++column)
        columns.push_back({names.at(column - 1), types.at(column - 1)});
    std::vector<QStringList> rows;
    for (int row = 1; row <= 10000; ++row) {
        QStringList cells;
        for (int column = 1; column <= 20; ++column)
            cells << (column % 2 ? QString(" O'Brien %1 ").arg(row) : QString::number(row * column));
        rows.push_back(cells);
    }
    qsizetype size = 0;
    for (auto _ : state) {
        const QString text = BuildDataInserts("Grid", names, rows, columns, true);
        size = text.size();
        benchmark::DoNotOptimize(size);
    }
    state.counters["chars"] = static_cast<double>(size);
}
BENCHMARK(DataInsertsOfTenThousandRowsByTwenty)->Unit(benchmark::kMillisecond);

// Customers: 500 rows (shown without a question), 11 columns, a key, and relations.
void ShowTableOfHarborCustomers(benchmark::State& state)
{
    norvane::testing::connectSessionTo("Harbor");
    norvane::testing::RecordingPrompts::Installed prompts;
    frmTables window;
    auto* list = window.findChild<QListWidget*>("lstTABTables");
    list->setCurrentItem(list->findItems("Customers", Qt::MatchExactly).first());
    for (auto _ : state) {
        benchmark::DoNotOptimize(window.ShowTable());
    }
    state.counters["prompts"] = static_cast<double>(prompts->requests.size());
}
BENCHMARK(ShowTableOfHarborCustomers)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    return runWindowBenchmarks(argc, argv);
}
