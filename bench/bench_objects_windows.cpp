// Speed of the programmable-object windows: each window listing 5,000 objects
// (its whole load), and showing a procedure of 100 parameters.
#include "objects/frmFunctions.h"
#include "objects/frmSPs.h"
#include "objects/frmViews.h"
#include "shell/recording_prompts.h"
#include "shell/session.h"
#include "support/sandbox_process.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>

#include "bench_sandbox.h"
#include "window_bench_main.h"

#include <benchmark/benchmark.h>

using namespace norvane;

namespace {

constexpr int kObjects = 5000;
constexpr int kParameters = 100;

// Runs the statements, each as its own dynamic batch, 500 to a round trip.
void createInBatches(Connection& connection, const QString& database, const std::function<QString(int)>& statement)
{
    for (int first = 1; first <= kObjects; first += 500) {
        QString batch = "USE " + database + "\n";
        for (int n = first; n < first + 500; ++n)
            batch += "EXEC('" + statement(n) + "')\n";
        connection.executeCommand(batch);
    }
}

// One sandbox with a database of 5,000 views, procedures and functions, and a procedure of 100 parameters.
test::SandboxProcess& benchSandbox()
{
    return filledBenchSandbox([](Connection& connection) {
        connection.executeCommand("CREATE DATABASE Modules");
        connection.executeCommand("USE Modules\nCREATE TABLE Base (id int NOT NULL)");
        auto number = [](int n) { return QString("%1").arg(n, 5, 10, QChar('0')); };
        createInBatches(connection, "Modules",
                        [&](int n) { return "CREATE VIEW V" + number(n) + " AS SELECT id FROM Base"; });
        createInBatches(connection, "Modules",
                        [&](int n) { return "CREATE PROCEDURE P" + number(n) + " @a int AS SELECT @a"; });
        createInBatches(connection, "Modules", [&](int n) {
            return "CREATE FUNCTION F" + number(n) + " (@a int) RETURNS int AS BEGIN RETURN @a END";
        });
        QString parameters;
        for (int p = 1; p <= kParameters; ++p)
            parameters += QString("%1\t@Param%2 %3")
                              .arg(p == 1 ? "" : ",\r\n")
                              .arg(p)
                              .arg(p % 4 == 0   ? "numeric(12, 2) OUTPUT"
                                   : p % 4 == 1 ? "int"
                                   : p % 4 == 2 ? "varchar(40)"
                                                : "nvarchar(20) OUTPUT");
        const QString wide = "CREATE PROCEDURE Wide\r\n" + parameters + "\r\nAS\r\nSELECT @Param1";
        connection.executeCommand("USE Modules");
        connection.executeCommand(wide);
        connection.executeCommand("CREATE DATABASE OneProcedure");
        connection.executeCommand("USE OneProcedure");
        connection.executeCommand(wide);
    });
}

void connectTo(const QString& database)
{
    Session& s = session();
    s.connection.open(benchSandbox().connectionString(database));
    s.DatabaseName = database;
    s.Connected = true;
}

template <typename Window> void ListOf5000(benchmark::State& state, const char* totalLabel)
{
    connectTo("Modules");
    QString total;
    for (auto _ : state) {
        Window window;
        total = window.template findChild<QLabel*>(totalLabel)->text();
        benchmark::DoNotOptimize(total);
    }
    state.SetLabel(total.toStdString());
}

void ViewsWindowListing5000Views(benchmark::State& state)
{
    ListOf5000<frmViews>(state, "lblVWSTotalViews");
}
BENCHMARK(ViewsWindowListing5000Views)->Unit(benchmark::kMillisecond);

void ProceduresWindowListing5000Procedures(benchmark::State& state)
{
    ListOf5000<frmSPs>(state, "lblSPSTotalSPs");
}
BENCHMARK(ProceduresWindowListing5000Procedures)->Unit(benchmark::kMillisecond);

void FunctionsWindowListing5000Functions(benchmark::State& state)
{
    ListOf5000<frmFunctions>(state, "lblFNTotal");
}
BENCHMARK(FunctionsWindowListing5000Functions)->Unit(benchmark::kMillisecond);

// Enter in the find box: qualified name, parameters grid, count and source text; the procedure
// alone in its database, or among 15,000 other modules.
void ShowingAProcedureOf100Parameters(benchmark::State& state, const QString& database)
{
    connectTo(database);
    norvane::testing::RecordingPrompts::Installed prompts;
    frmSPs window;
    auto* find = window.findChild<QLineEdit*>("txtSPSSearch");
    find->setText("Wide");
    for (auto _ : state) {
        Q_EMIT find->returnPressed();
        benchmark::DoNotOptimize(window.findChild<QTableWidget*>("flxSPSParams")->rowCount());
    }
    state.SetLabel(window.findChild<QLabel*>("lblSPSParams")->text().toStdString());
    if (!prompts->requests.empty())
        state.SkipWithError(prompts->requests.front().text.toStdString().c_str());
}
BENCHMARK_CAPTURE(ShowingAProcedureOf100Parameters, alone, QString("OneProcedure"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ShowingAProcedureOf100Parameters, among15000, QString("Modules"))->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return runWindowBenchmarks(argc, argv);
}
