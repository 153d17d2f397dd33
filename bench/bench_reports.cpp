// Speed of the reports against a sandbox of their own: "Table Details" for 500
// tables (catalog reads, the sheet and the .xlsx file), and the data script of
// 100,000 rows by 10 columns beside a plain ODBC fetch of the same rows
// through FreeTDS (SQLFetch and SQLGetData as text, nothing else).
#include "reports/data_script.h"
#include "reports/report_builders.h"
#include "reports/xlsx_writer.h"
#include "shell/data/connection.h"
#include "support/sandbox_process.h"

#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <sql.h>
#include <sqlext.h>

#include <memory>

using namespace norvane;

namespace {

constexpr int kTables = 500;
constexpr int kRows = 100000;
const QString kTablesDatabase = QStringLiteral("BenchManyTables");
const QString kRowsDatabase = QStringLiteral("BenchManyRows");

test::SandboxProcess& sandbox()
{
    static const bool configured = [] {
        test::PrivateOdbcConfig::instance();
        return true;
    }();
    static test::SandboxProcess process{test::SandboxProcess::Options{}};
    benchmark::DoNotOptimize(configured);
    return process;
}

void createDatabases()
{
    static const bool created = [] {
        Connection connection;
        connection.open(sandbox().connectionString("master"));
        connection.executeCommand("CREATE DATABASE " + kTablesDatabase);
        connection.executeCommand("CREATE DATABASE " + kRowsDatabase);
        connection.executeCommand("USE " + kTablesDatabase);
        for (int table = 1; table <= kTables; ++table)
            connection.executeCommand(
                QString("CREATE TABLE Table%1 (Id int IDENTITY (1, 1) NOT NULL CONSTRAINT PK_Table%1 PRIMARY KEY, "
                        "Name varchar(40) NOT NULL, Amount money NULL CONSTRAINT DF_Table%1_Amount DEFAULT (0), "
                        "Created datetime NULL, Note nvarchar(200) NULL, Doubled AS (Id * 2))")
                    .arg(table, 3, 10, QLatin1Char('0')));

        connection.executeCommand("USE " + kRowsDatabase);
        connection.executeCommand("CREATE TABLE Digits (d int NOT NULL)");
        for (int digit = 0; digit < 10; ++digit)
            connection.executeCommand(QString("INSERT INTO Digits (d) VALUES (%1)").arg(digit));
        connection.executeCommand(
            "CREATE TABLE Wide (Id int NOT NULL, Code char(8) NOT NULL, Name varchar(40) NULL, Label nvarchar(40) NULL, "
            "Amount money NULL, Ratio float NULL, Small smallint NULL, Flag bit NULL, Stamp datetime NULL, "
            "Big bigint NULL)");
        connection.executeCommand(
            "INSERT INTO Wide (Id, Code, Name, Label, Amount, Ratio, Small, Flag, Stamp, Big) "
            "SELECT a.d * 10000 + b.d * 1000 + c.d * 100 + e.d * 10 + f.d, 'C' + CAST(a.d AS varchar(1)), "
            "'name ' + CAST(b.d * 10 + c.d AS varchar(4)), N'it''s ' + CAST(e.d AS nvarchar(2)), "
            "f.d * 1.25, a.d / 3.0, c.d - 5, e.d % 2, '2006-06-27 17:12:40', "
            "a.d * 1000000000 + f.d FROM Digits a, Digits b, Digits c, Digits e, Digits f");
        connection.close();
        return true;
    }();
    benchmark::DoNotOptimize(created);
}

ServerAdmin& admin()
{
    static std::unique_ptr<ServerAdmin> logged = [] {
        auto made = std::make_unique<ServerAdmin>();
        made->connect(sandbox().dataSource(), "sa", "");
        return made;
    }();
    return *logged;
}

void TableDetailsFor500Tables(benchmark::State& state)
{
    createDatabases();
    std::vector<ReportTableEntry> entries;
    for (const CatalogObject& table : admin().tables(kTablesDatabase))
        if (!table.SystemObject)
            entries.push_back({table.Name, true});
    QTemporaryDir folder;
    for (auto _ : state) {
        ReportSheet sheet;
        ReportRun run;
        run.admin = &admin();
        run.database = kTablesDatabase;
        run.sheet = &sheet;
        BuildTableDetails(run, entries);
        writeXlsxWorkbook(sheet, {"Report", "Norvane"}, folder.filePath("report.xlsx"));
        benchmark::DoNotOptimize(sheet.rowCount());
    }
    state.counters["tables"] = static_cast<double>(entries.size());
}
BENCHMARK(TableDetailsFor500Tables)->Unit(benchmark::kMillisecond)->Iterations(1);

void DataScriptOf100000Rows(benchmark::State& state)
{
    createDatabases();
    Connection connection;
    connection.open(sandbox().connectionString(kRowsDatabase));
    qint64 characters = 0;
    for (auto _ : state) {
        DataScriptRun run;
        run.admin = &admin();
        run.database = kRowsDatabase;
        run.connection = &connection;
        const std::optional<QString> script = BuildDataScript(run, {{"Wide", true}});
        characters = script ? script->size() : 0;
    }
    state.counters["rows_per_second"] =
        benchmark::Counter(static_cast<double>(kRows) * state.iterations(), benchmark::Counter::kIsRate);
    state.counters["characters"] = static_cast<double>(characters);
}
BENCHMARK(DataScriptOf100000Rows)->Unit(benchmark::kMillisecond)->Iterations(3);

// The same rows through the program's record set, each value read and nothing built.
void RecordsetFetchOf100000Rows(benchmark::State& state)
{
    createDatabases();
    Connection connection;
    connection.open(sandbox().connectionString(kRowsDatabase));
    qint64 rows = 0;
    for (auto _ : state) {
        Recordset found = connection.execute("Select * From [Wide]");
        for (; !found.eof(); found.moveNext()) {
            for (const Field& field : found.fields())
                benchmark::DoNotOptimize(field.value());
            ++rows;
        }
    }
    state.counters["rows_per_second"] = benchmark::Counter(static_cast<double>(rows), benchmark::Counter::kIsRate);
}
BENCHMARK(RecordsetFetchOf100000Rows)->Unit(benchmark::kMillisecond)->Iterations(3);

// The same rows through the ODBC API alone: every column read as text.
void PlainOdbcFetchOf100000Rows(benchmark::State& state)
{
    createDatabases();
    SQLHENV environment = SQL_NULL_HENV;
    SQLHDBC connection = SQL_NULL_HDBC;
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &environment);
    SQLSetEnvAttr(environment, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, environment, &connection);
    const QByteArray connectionString = QString("Driver=FreeTDS;Server=127.0.0.1;Port=%1;Database=%2;UID=sa;PWD=;"
                                                "ClientCharset=UTF-8")
                                            .arg(sandbox().port())
                                            .arg(kRowsDatabase)
                                            .toUtf8();
    SQLRETURN opened = SQLDriverConnect(connection, nullptr, (SQLCHAR*)connectionString.constData(), SQL_NTS, nullptr,
                                        0, nullptr, SQL_DRIVER_NOPROMPT);
    if (!SQL_SUCCEEDED(opened)) {
        state.SkipWithError("The plain ODBC connection failed.");
        return;
    }
    qint64 rows = 0;
    for (auto _ : state) {
        SQLHSTMT statement = SQL_NULL_HSTMT;
        SQLAllocHandle(SQL_HANDLE_STMT, connection, &statement);
        SQLExecDirect(statement, (SQLCHAR*)"Select * From [Wide]", SQL_NTS);
        SQLSMALLINT columns = 0;
        SQLNumResultCols(statement, &columns);
        char buffer[512];
        SQLLEN length = 0;
        while (SQL_SUCCEEDED(SQLFetch(statement))) {
            for (SQLUSMALLINT column = 1; column <= columns; ++column) {
                SQLGetData(statement, column, SQL_C_CHAR, buffer, sizeof buffer, &length);
                benchmark::DoNotOptimize(length);
            }
            ++rows;
        }
        SQLFreeHandle(SQL_HANDLE_STMT, statement);
    }
    SQLDisconnect(connection);
    SQLFreeHandle(SQL_HANDLE_DBC, connection);
    SQLFreeHandle(SQL_HANDLE_ENV, environment);
    state.counters["rows_per_second"] = benchmark::Counter(static_cast<double>(rows), benchmark::Counter::kIsRate);
}
BENCHMARK(PlainOdbcFetchOf100000Rows)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv)
{
    // As the program does at start: the time zone file is named once, so reading date values does not
    // check /etc/localtime for each of them.
    setenv("TZ", ":/etc/localtime", 0);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
