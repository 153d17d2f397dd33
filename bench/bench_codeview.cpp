// Keyword colouring of a long script and the code window's colouring of its
// box; the comparison of two databases' tables and columns.
#include "codeview/modKeyColor.h"
#include "compare/database_compare.h"

#include <QApplication>
#include <QListWidget>
#include <QTextDocument>
#include <QTextEdit>

#include "window_bench_main.h"

#include <benchmark/benchmark.h>

namespace {

// About 1 MB of generated procedures: keywords, names, comments and strings.
QString megabyteScript()
{
    const QString procedure = QStringLiteral(
        "CREATE PROCEDURE sp_upd_order_details_%1\r\n"
        "\t@OrderID int,\r\n\t@ProductID int,\r\n\t@UnitPrice money,\r\n\t@Quantity smallint\r\nAS\r\n"
        "-- keep the totals in step; select inside a comment is coloured too\r\n"
        "IF EXISTS (SELECT * FROM sysobjects WHERE id = OBJECT_ID(N'[dbo].[Order Details]'))\r\n"
        "BEGIN\r\n\tUPDATE [Order Details] SET UnitPrice = @UnitPrice, Quantity = @Quantity\r\n"
        "\tWHERE OrderID = @OrderID AND ProductID = @ProductID\r\n"
        "\tSELECT OrderID, COUNT(*), SUM(Quantity) FROM [Order Details] GROUP BY OrderID HAVING COUNT(*) > 1\r\n"
        "END\r\nGO\r\n");
    QString script;
    for (int i = 0; script.size() < 1024 * 1024; ++i)
        script += procedure.arg(i);
    return script;
}

void BM_ColourKeywordsMegabyte(benchmark::State& state)
{
    norvane::LoadKeywords();
    const QString script = megabyteScript();
    std::size_t spans = 0;
    for (auto _ : state) {
        const std::vector<norvane::ColourSpan> result = norvane::ColourKeywords(script);
        spans = result.size();
        benchmark::DoNotOptimize(result.data());
    }
    state.counters["chars"] = static_cast<double>(script.size());
    state.counters["spans"] = static_cast<double>(spans);
}
BENCHMARK(BM_ColourKeywordsMegabyte)->Unit(benchmark::kMillisecond);

void BM_ColourDocumentMegabyte(benchmark::State& state)
{
    norvane::LoadKeywords();
    const QString script = megabyteScript();
    for (auto _ : state) {
        QTextDocument document;
        document.setPlainText(script);
        norvane::ColourKeywords(&document);
        benchmark::DoNotOptimize(document.characterCount());
    }
}
BENCHMARK(BM_ColourDocumentMegabyte)->Unit(benchmark::kMillisecond)->Iterations(2);

// A database of `count` tables of 20 columns each. The second database lacks
// every tenth table, and in every seventh table one column is longer and
// another is missing.
std::vector<norvane::TableStructure> sampleDatabase(int count, bool second)
{
    std::vector<norvane::TableStructure> tables;
    tables.reserve(static_cast<std::size_t>(count));
    for (int t = 0; t < count; ++t) {
        if (second && t % 10 == 9)
            continue;
        norvane::TableStructure table;
        table.Name = QStringLiteral("Table%1").arg(t, 5, 10, QLatin1Char('0'));
        table.Owner = QStringLiteral("dbo");
        for (int c = 0; c < 20; ++c) {
            if (second && t % 7 == 0 && c == 5)
                continue;
            norvane::ColumnProperties column;
            column.Name = QStringLiteral("Column%1").arg(c);
            column.Datatype = c % 2 ? QStringLiteral("varchar") : QStringLiteral("int");
            column.Length = c % 2 ? (second && t % 7 == 0 && c == 3 ? 80 : 40) : 4;
            column.NumericPrecision = c % 2 ? 0 : 10;
            column.AllowNulls = c > 0;
            column.Identity = c == 0;
            table.Columns.push_back(column);
        }
        tables.push_back(std::move(table));
    }
    return tables;
}

void BM_CompareTables(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    const auto reference = sampleDatabase(count, false);
    const auto second = sampleDatabase(count, true);
    for (auto _ : state) {
        const QString text = norvane::compareResultText(norvane::CompareTables(reference, second));
        benchmark::DoNotOptimize(text.size());
    }
}
BENCHMARK(BM_CompareTables)->Arg(500)->Arg(1000)->Arg(2000)->Unit(benchmark::kMillisecond);

// The comparison and what the window does with its outcome: the numbered list and the result box.
void BM_CompareAndShow(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    const auto reference = sampleDatabase(count, false);
    const auto second = sampleDatabase(count, true);
    QListWidget list;
    QTextEdit result;
    for (auto _ : state) {
        list.clear();
        const std::vector<norvane::TableComparison> outcomes = norvane::CompareTables(reference, second);
        for (const norvane::TableComparison& outcome : outcomes)
            list.addItem(outcome.entry);
        list.setCurrentRow(list.count() - 1);
        result.setPlainText(norvane::compareResultText(outcomes));
    }
}
BENCHMARK(BM_CompareAndShow)->Arg(500)->Arg(1000)->Arg(2000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    return runWindowBenchmarks(argc, argv);
}
