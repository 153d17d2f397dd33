// Speed of the query and search windows: a result of 100,000 rows by 10
// columns shown in the query window (with the process's peak memory), the
// keyword colouring after one keystroke in a 100 KB input, and a text search
// over 2,000 procedures.
#include "query/frmQuery.h"
#include "query/frmSearch.h"
#include "shell/catalog_helpers.h"
#include "shell/recording_prompts.h"
#include "shell/session.h"
#include "support/sandbox_process.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <QTimer>

#include "bench_sandbox.h"
#include "window_bench_main.h"

#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <unistd.h>

using namespace norvane;

namespace {

// One sandbox with a table of 100,000 rows by 10 columns and a database of 2,000 procedures, made once.
test::SandboxProcess& benchSandbox()
{
    return filledBenchSandbox([](Connection& connection) {
        connection.executeCommand("CREATE DATABASE Big");
        connection.executeCommand("USE Big\nCREATE TABLE Digits (n int NOT NULL)");
        connection.executeCommand("USE Big\nINSERT INTO Digits VALUES (0) INSERT INTO Digits VALUES (1) "
                                  "INSERT INTO Digits VALUES (2) INSERT INTO Digits VALUES (3) "
                                  "INSERT INTO Digits VALUES (4) INSERT INTO Digits VALUES (5) "
                                  "INSERT INTO Digits VALUES (6) INSERT INTO Digits VALUES (7) "
                                  "INSERT INTO Digits VALUES (8) INSERT INTO Digits VALUES (9)");
        connection.executeCommand(
            "USE Big\nCREATE TABLE Wide (Id int NOT NULL, Code varchar(12) NOT NULL, Name nvarchar(40) NULL, "
            "Quantity int NULL, Price money NULL, Ratio float NULL, Shipped datetime NULL, Flag bit NULL, "
            "Note varchar(60) NULL, Total decimal(12,2) NULL)");
        connection.executeCommand(
            "USE Big\nINSERT INTO Wide SELECT a.n * 10000 + b.n * 1000 + c.n * 100 + d.n * 10 + e.n, "
            "'C' + CAST(a.n * 10000 + b.n * 1000 + c.n * 100 + d.n * 10 + e.n AS varchar(10)), "
            "N'Harbor customer ' + CAST(b.n * 10 + c.n AS nvarchar(10)), d.n * 7, 12.5, 0.25, '19970101', 1, "
            "'A note of some length for row ' + CAST(e.n AS varchar(2)), 1234.56 "
            "FROM Digits a, Digits b, Digits c, Digits d, Digits e");
        connection.executeCommand("CREATE DATABASE Procs");
        connection.executeCommand("USE Procs");
        for (int p = 1; p <= 2000; ++p) {
            // Every 20th procedure mentions the searched word.
            connection.executeCommand(QString("CREATE PROCEDURE Proc%1 @Id int AS\n-- reads the orders of one %2\n"
                                              "SELECT Id, Code, Name FROM Orders WHERE Id = @Id")
                                          .arg(p, 4, 10, QChar('0'))
                                          .arg(p % 20 == 0 ? "harpooner" : "customer"));
        }
    });
}

void connectSession(const QString& database)
{
    Session& s = session();
    s.ConnectionString = benchSandbox().connectionString(database);
    s.connection.open(s.ConnectionString);
    s.DatabaseName = database;
    s.Connected = true;
}

// CPU time the sandbox server has used so far, in milliseconds (user + system, from /proc).
double sandboxCpuMilliseconds()
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(benchSandbox().pid()));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = stat.readAll().split(' ');
    if (fields.size() < 15)
        return 0;
    return (fields[13].toDouble() + fields[14].toDouble()) * 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
}

double peakMemoryMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0; // kilobytes on Linux
}

void QueryResultOf100000RowsBy10Columns(benchmark::State& state)
{
    connectSession("Big");
    int rows = 0;
    const double serverBefore = sandboxCpuMilliseconds();
    for (auto _ : state) {
        frmQuery window;
        auto* input = window.findChild<QTextEdit*>("rtbQRYInput");
        auto* cancel = window.findChild<QPushButton*>("cmdQRYCancel");
        input->setPlainText("SELECT * FROM Wide");
        window.findChild<QPushButton*>("cmdQRYExecute")->click();
        // The event loop sleeps between events, as the program's own does.
        QEventLoop loop;
        QTimer check;
        QObject::connect(&check, &QTimer::timeout, &loop, [&] {
            if (!cancel->isEnabled())
                loop.quit();
        });
        check.start(5);
        loop.exec();
        rows = window.findChild<QTableView*>("flxQRYOutput")->model()->rowCount();
    }
    state.counters["rows"] = rows;
    state.counters["peak_MB"] = peakMemoryMegabytes();
    state.counters["server_cpu_ms"] =
        (sandboxCpuMilliseconds() - serverBefore) / static_cast<double>(state.iterations());
}
BENCHMARK(QueryResultOf100000RowsBy10Columns)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

// For comparison: the same result read through the data layer alone, with no window and no text.
void SameResultReadWithoutTheWindow(benchmark::State& state)
{
    connectSession("Big");
    qint64 rows = 0;
    const double serverBefore = sandboxCpuMilliseconds();
    for (auto _ : state) {
        rows = 0;
        for (Recordset result = session().connection.execute("SELECT * FROM Wide"); !result.eof(); result.moveNext())
            ++rows;
    }
    state.counters["rows"] = static_cast<double>(rows);
    state.counters["server_cpu_ms"] =
        (sandboxCpuMilliseconds() - serverBefore) / static_cast<double>(state.iterations());
}
BENCHMARK(SameResultReadWithoutTheWindow)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

void RecolourAfterKeystrokeIn100KB(benchmark::State& state)
{
    frmQuery window;
    auto* input = window.findChild<QTextEdit*>("rtbQRYInput");
    QString text;
    const QString line = "SELECT o.OrderID, COUNT(*) FROM Orders o INNER JOIN sysobjects s ON s.id = o.ID -- note\n";
    while (text.size() < 100 * 1024)
        text += line;
    input->setPlainText(text);
    QTextCursor cursor = input->textCursor();
    cursor.setPosition(static_cast<int>(text.size() / 2));
    input->setTextCursor(cursor);
    bool typing = true;
    for (auto _ : state) {
        // One keystroke: a letter typed, then taken back, at the middle of the text.
        if (typing)
            input->insertPlainText("x");
        else
            input->textCursor().deletePreviousChar();
        typing = !typing;
        benchmark::DoNotOptimize(input->document()->findBlock(cursor.position()).layout()->formats().size());
    }
    state.counters["chars"] = static_cast<double>(input->document()->characterCount());
}
BENCHMARK(RecolourAfterKeystrokeIn100KB)->Unit(benchmark::kMicrosecond);

void TextSearchOver2000Procedures(benchmark::State& state)
{
    connectSession("Procs");
    norvane::testing::RecordingPrompts::Installed prompts;
    frmSearch window;
    window.findChild<QLineEdit*>("txtSPSTextSearch")->setText("harpooner");
    auto* search = window.findChild<QPushButton*>("cmdSPSTextSearch");
    for (auto _ : state)
        search->click();
    state.counters["found"] = window.findChild<QLabel*>("lblSPSTotalSPs")->text().section(' ', -1).toDouble();
}
BENCHMARK(TextSearchOver2000Procedures)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return runWindowBenchmarks(argc, argv);
}
