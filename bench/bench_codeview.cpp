// Keyword colouring of a long script, and the code window's colouring of its box.
#include "codeview/modKeyColor.h"

#include <QApplication>
#include <QTextDocument>

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

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
