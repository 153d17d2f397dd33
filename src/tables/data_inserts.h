#pragma once
// The rows shown in the table explorer as INSERT statements, one line each,
// so that the data can be carried to another database.
#include <QString>
#include <QStringList>

#include <vector>

namespace norvane {

// A column of the table as the server describes it: enough to choose how its values are written.
struct ExportColumn {
    QString Name{};
    QString DataType{};      // the declared type: a system type, or a user-defined type's own name
    bool Identity = false;
    QString BaseType{};      // the system type it is stored as; empty means DataType
    bool Computed = false;
};

// Whether values of the type are written between quotes.
bool isQuotedExportType(const QString& dataType);

// Whether the server fills the column itself (timestamp and computed columns):
// an INSERT may name it with no value.
bool isServerFilled(const ExportColumn& column);

// The table's column named by each heading, in heading order (names compared
// without regard to case). Throws GenerationError when a heading names no
// column of the table.
std::vector<ExportColumn> headingColumns(const QStringList& headings, const std::vector<ExportColumn>& tableColumns);

// One "INSERT INTO T (a,b) VALUES (...)" line per row, in row order. Each row
// holds the texts of the shown cells, one per heading; headings holds the
// table's column of each heading. Values are quoted by the type they are
// stored as; a bit shown as False is written 0; an empty unquoted value is
// written NULL; timestamp and computed columns are left out of the names and
// the values. A table with an identity column gets "SET IDENTITY_INSERT T ON"
// before the lines and "... OFF" after them, so the script can run. No rows
// give an empty text.
QString BuildDataInserts(const QString& tableName, const QStringList& columnNames,
                         const std::vector<QStringList>& rows, const std::vector<ExportColumn>& headings,
                         bool identityColumn);

}  // namespace norvane
