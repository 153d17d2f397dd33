// The table explorer's Generate button: the chosen statement, the data as
// INSERT lines or the stored procedures for the table shown, in the code window.
#include "tables/frmTables.h"

#include "codeview/frmCodes.h"
#include "shell/catalog_helpers.h"
#include "shell/prompts.h"
#include "shell/session.h"
#include "tables/data_inserts.h"
#include "tables/procedure_builder.h"
#include "tables/statement_builder.h"

#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QTreeWidget>

namespace norvane {

namespace {

enum StatementKind { kSelect = 0, kInsert, kUpdate, kDelete, kCreate, kData, kProcedures };

// The kind's word in the code window's title.
QString kindLabel(int kind)
{
    switch (kind) {
    case kSelect: return QStringLiteral("SELECT");
    case kInsert: return QStringLiteral("INSERT");
    case kUpdate: return QStringLiteral("UPDATE");
    case kDelete: return QStringLiteral("DELETE");
    case kCreate: return QStringLiteral("CREATE");
    case kData: return QStringLiteral("INSERT");
    default: return QStringLiteral("Stored Proc");
    }
}

ServerAdmin& serverAdmin()
{
    if (!session().serverAdmin || !session().serverAdmin->isConnected())
        throw GenerationError(QStringLiteral("The server-management connection is not open."));
    return *session().serverAdmin;
}

}  // namespace

void frmTables::GenerateStatement()
{
    if (TableName.isEmpty()) {
        showMessage(this, QMessageBox::Information, QStringLiteral("Please select a table from the list"));
        return;
    }
    // The find box names another table (already selected in the list by typing): show it first.
    if (txtTABSearch->text() != TableName) {
        // Nothing selected: the find box names no table, so there is nothing to build for.
        if (lstTABTables->selectedItems().isEmpty()) {
            showMessage(this, QMessageBox::Information, QStringLiteral("Please select a table from the list"));
            return;
        }
        if (!ShowTable())
            return;  // its details failed, and were reported
    }
    try {
        SetStatus(QStringLiteral("Generating statement... Please wait..."), true);
        int kind = kProcedures;
        for (int index = 0; index < kProcedures; ++index) {
            if (optStmt[static_cast<std::size_t>(index)]->isChecked()) {
                kind = index;
                break;
            }
        }
        CodeWindowInputs inputs;
        inputs.Code = buildStatement(kind);
        inputs.Title = QStringLiteral("Following is the generated ") + kindLabel(kind)
            + QStringLiteral(" SQL statement for the ") + QStringLiteral(" table : ") + QualifiedName;
        inputs.FilterIndex = 1;
        inputs.NoColour = true;
        inputs.FileName = TableName;
        SetStatus(QStringLiteral("Ready"), false);
        showCodeWindow(window(), inputs);
    } catch (const DbError& error) {
        SetStatus(QStringLiteral("Ready"), false);
        showError(this, QStringLiteral("Problems encountered while generating statements!"), error.description());
    } catch (const GenerationError& error) {
        SetStatus(QStringLiteral("Ready"), false);
        showError(this, QStringLiteral("Problems encountered while generating statements!"), error.description());
    } catch (const std::exception& error) {
        SetStatus(QStringLiteral("Ready"), false);
        showError(this, QStringLiteral("Problems encountered while generating statements!"),
                  QString::fromUtf8(error.what()));
    }
}

QString frmTables::buildStatement(int kind)
{
    switch (kind) {
    case kSelect: return BuildSelect(TableName, columnGridRows());
    case kInsert: return BuildInsert(TableName, columnGridRows());
    case kUpdate: return BuildUpdate(TableName, columnGridRows());
    case kDelete: return BuildDelete(TableName);
    case kCreate: return BuildCreate();
    case kData: return buildDataExport();
    default: return BuildProcedures(TableName, OwnerName, columnGridRows());
    }
}

QString frmTables::BuildCreate()
{
    return serverAdmin().Script(DatabaseName, TableName, OwnerName);
}

QString frmTables::buildDataExport()
{
    // The table's columns as the server describes them give each heading its type.
    std::vector<ExportColumn> tableColumns;
    bool identityColumn = false;
    for (const ColumnProperties& column : serverAdmin().columns(DatabaseName, TableName, OwnerName)) {
        tableColumns.push_back({column.Name, column.Datatype, column.Identity, column.BaseDatatype, column.IsComputed});
        identityColumn = identityColumn || column.Identity;
    }
    QStringList headings;
    for (int heading = 0; heading < lsvTABRows->columnCount(); ++heading)
        headings << lsvTABRows->headerItem()->text(heading);
    const std::vector<ExportColumn> columns = headingColumns(headings, tableColumns);

    // The rows in the order the list view shows them now.
    std::vector<QStringList> rows;
    rows.reserve(static_cast<std::size_t>(lsvTABRows->topLevelItemCount()));
    for (int row = 0; row < lsvTABRows->topLevelItemCount(); ++row) {
        const QTreeWidgetItem* item = lsvTABRows->topLevelItem(row);
        QStringList cells;
        cells.reserve(headings.size());
        for (int heading = 0; heading < headings.size(); ++heading)
            cells << item->text(heading);
        rows.push_back(cells);
    }
    return BuildDataInserts(TableName, columnNames(columnGridRows()), rows, columns, identityColumn);
}

}  // namespace norvane
