#pragma once
// The data script of the reports window: one INSERT statement per row of every
// checked table, tables separated by "Go" and an empty line. A table with an
// identity column is wrapped in SET IDENTITY_INSERT ... ON / OFF so the script
// can put its rows back with their own key values; computed and timestamp
// columns, which the server fills itself, are left out.
#include "reports/report_builders.h"
#include "shell/data/connection.h"
#include "shell/data/server_admin.h"

#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>
#include <vector>

namespace norvane {

// The code window's title over the script.
inline const QString kDataScriptTitle = QStringLiteral("Following is the generated INSERT SQL statement with data");

enum class ScriptValueClass { Quoted, AlwaysNull, Plain };
// The class of a field by its ADO type code.
ScriptValueClass scriptValueClass(int adoType);
// Appends the value as the script writes it, followed by a comma.
void appendScriptValue(QString& valueList, const QVariant& value, int adoType);

// The columns a row's INSERT names, and where their values sit in "SELECT *".
struct ScriptColumns {
    QStringList names;
    std::vector<int> fieldIndexes;
    bool hasIdentity = false;
};
ScriptColumns scriptColumns(const std::vector<ColumnProperties>& columns);
// "INSERT INTO [T] ([a],[b]) VALUES (".
QString insertStatementHead(const QString& table, const QStringList& columnNames);
// "SET IDENTITY_INSERT [T] ON" / "... OFF".
QString identityInsertLine(const QString& table, bool on);

// What the data script works on.
struct DataScriptRun {
    ServerAdmin* admin = nullptr;
    QString database;
    Connection* connection = nullptr;  // the rows are read here
    ReportProgress* progress = nullptr;
    std::function<bool()> yieldAndCheckCancelled;
};

// The script for the checked entries; nullopt when the run was cancelled. The
// window's events are processed before each table and every few thousand rows.
// A failing read passes its DbError to the caller.
std::optional<QString> BuildDataScript(DataScriptRun& run, const std::vector<ReportTableEntry>& entries);

}  // namespace norvane
