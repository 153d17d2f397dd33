#pragma once
// The rows shown in the table explorer as INSERT statements, one line each,
// so that the data can be carried to another database.
#include <QString>
#include <QStringList>

#include <vector>

namespace norvane {

// A column of the table as the server describes it: enough to choose how its values are written.
struct ExportColumn {
    QString Name;
    QString DataType;
    bool Identity = false;
};

// Whether values of the type are written between quotes.
bool isQuotedExportType(const QString& dataType);

// The type of the table's column named by each heading, in heading order
// (names compared without regard to case). Throws GenerationError when a
// heading names no column of the table.
QStringList headingTypes(const QStringList& headings, const std::vector<ExportColumn>& tableColumns);

// One "INSERT INTO T (a,b) VALUES (...)" line per row, in row order. Each row
// holds the texts of the shown cells, one per heading; headingTypes holds the
// type of each heading's column. A table with an identity column gets
// "SET IDENTITY_INSERT T ON" before the lines and "... OFF" after them, so the
// script can run. No rows give an empty text.
QString BuildDataInserts(const QString& tableName, const QStringList& columnNames,
                         const std::vector<QStringList>& rows, const QStringList& headingTypes, bool identityColumn);

}  // namespace norvane
