#pragma once
// One row of the table explorer's columns grid, as the generators read it:
// the row's number with the primary-key mark, name, data type, storage
// length in bytes, precision, scale and nullability.
#include <QString>
#include <QStringList>

#include <stdexcept>
#include <string>
#include <vector>

namespace norvane {

struct ColumnInfo {
    int Ordinal = 0;            // 1, 2, 3 ... in grid order
    bool IsPrimaryKey = false;  // shown as "x  " before the number
    QString Name;
    QString DataType;           // the column's user type name (a user-defined type shows its own name)
    qint64 Length = 0;          // storage length in bytes: nvarchar(50) has 100
    int Precision = 0;
    int Scale = 0;
    bool IsNullable = false;    // shown as "Yes"
};

// The mark that precedes the number of a primary-key column in the grid.
inline const QString kPrimaryKeyMark = QStringLiteral("x  ");

// The cells of the grid row, left to right: number, name, type, length, precision, scale, "Yes" or empty.
QStringList columnGridCells(const ColumnInfo& column);
// The row read back from its cells (the generators read the grid cell by cell).
ColumnInfo columnInfoFromCells(const QStringList& cells);

// The names of the columns, in grid order.
inline QStringList columnNames(const std::vector<ColumnInfo>& columns)
{
    QStringList names;
    names.reserve(static_cast<qsizetype>(columns.size()));
    for (const ColumnInfo& column : columns)
        names << column.Name;
    return names;
}

// A generator that cannot build its text for the table it was given; the
// description is shown after "Details:" in the window's failure message.
class GenerationError : public std::runtime_error {
public:
    explicit GenerationError(const QString& description) : std::runtime_error(description.toStdString()) {}
    QString description() const { return QString::fromStdString(what()); }
};

}  // namespace norvane
