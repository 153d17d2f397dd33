#include "reports/report_builders.h"

#include "reports/report_layout.h"
#include "shell/data/database_columns.h"

#include <QVariantList>

#include <algorithm>
#include <climits>
#include <iterator>
#include <optional>

namespace norvane {

namespace {

using CountsOf = std::function<QVariantList(const CatalogObject&)>;

// The procedure shared by the four sections of the object list.
bool listSection(ReportRun& run, const ListSection& section, const std::vector<CatalogObject>& objects,
                 const CountsOf& countsOf)
{
    ReportSheet& sheet = *run.sheet;
    const int c = run.ReportColumn;
    run.progress.Min = 0;
    run.progress.Max = static_cast<int>(std::min<std::size_t>(objects.size(), INT_MAX));
    run.progress.Value = 0;

    run.ReportRow += 1;
    run.ItemNumber = 1;
    writeSectionTitle(sheet, run.ReportRow, c, section);
    run.ReportRow += 1;
    writeSectionHeadings(sheet, run.ReportRow, c, section);

    for (const CatalogObject& object : objects) {
        if (run.cancelledAfterYield())
            return false;
        if (!object.SystemObject) {
            run.ReportRow += 1;
            writeObjectRow(sheet, run.ReportRow, c, run.ItemNumber, object,
                           countsOf ? countsOf(object) : QVariantList());
            run.ItemNumber += 1;
        }
        run.progress.advance();
    }
    fitSectionColumns(sheet, c, section);
    return true;
}

}  // namespace

bool BuildTableDetails(ReportRun& run, const std::vector<ReportTableEntry>& entries)
{
    ReportSheet& sheet = *run.sheet;
    const int c = run.ReportColumn;
    const auto checked = std::count_if(entries.begin(), entries.end(),
                                       [](const ReportTableEntry& entry) { return entry.checked; });
    run.progress.Min = 0;
    run.progress.Max = static_cast<int>(std::min<qint64>(checked + 1, INT_MAX));
    run.ItemNumber = 1;

    // The catalog is read once, at the first checked table, for all of them.
    std::optional<DatabaseColumns> catalog;
    for (const ReportTableEntry& entry : entries) {
        if (run.cancelledAfterYield())
            return false;
        if (!entry.checked)
            continue;
        run.ReportRow += 1;
        writeTableRow(sheet, run.ReportRow, c, run.ItemNumber, entry.name);
        if (!catalog)
            catalog.emplace(*run.admin, run.database);
        const std::vector<ColumnProperties>& columns = catalog->columnsOf(entry.name);
        run.ReportRow += 1;
        run.ItemNumber += 1;
        writeColumnHeadings(sheet, run.ReportRow, c);
        run.ReportRow += 1;
        run.ColumnNumber = 1;
        for (const ColumnProperties& column : columns) {
            writeColumnRow(sheet, run.ReportRow, c, run.ColumnNumber, column);
            run.ColumnNumber += 1;
            run.ReportRow += 1;
        }
        run.progress.advance();
    }
    return true;
}

bool ListTables(ReportRun& run)
{
    const std::vector<CatalogObject> tables = run.admin->tables(run.database);
    std::vector<CatalogObject> userTables;
    std::copy_if(tables.begin(), tables.end(), std::back_inserter(userTables),
                 [](const CatalogObject& table) { return !table.SystemObject; });
    const DatabaseColumns catalog(*run.admin, run.database);
    const std::vector<qint64> rows = countTableRows(*run.admin, run.database, userTables);
    std::size_t next = 0;  // user tables come in the order of the whole list
    return listSection(run, tablesSection(), tables, [&](const CatalogObject& table) {
        const auto columns = static_cast<qint64>(catalog.columnsOf(table.Name, table.Owner).size());
        return QVariantList{columns, rows.at(next++)};
    });
}

bool ListViews(ReportRun& run)
{
    const DatabaseColumns catalog(*run.admin, run.database);
    return listSection(run, viewsSection(), run.admin->views(run.database), [&](const CatalogObject& view) {
        return QVariantList{static_cast<qint64>(catalog.columnsOf(view.Name, view.Owner).size())};
    });
}

bool ListProcedures(ReportRun& run)
{
    return listSection(run, proceduresSection(), run.admin->storedProcedures(run.database), nullptr);
}

bool ListFunctions(ReportRun& run)
{
    return listSection(run, functionsSection(), run.admin->userDefinedFunctions(run.database), nullptr);
}

}  // namespace norvane
