#include "tables/column_info.h"

namespace norvane {

QStringList columnGridCells(const ColumnInfo& column)
{
    const QString number = QString::number(column.Ordinal);
    return {column.IsPrimaryKey ? kPrimaryKeyMark + number : number,
            column.Name,
            column.DataType,
            QString::number(column.Length),
            QString::number(column.Precision),
            QString::number(column.Scale),
            column.IsNullable ? QStringLiteral("Yes") : QString()};
}

ColumnInfo columnInfoFromCells(const QStringList& cells)
{
    const auto cell = [&cells](qsizetype index) { return index < cells.size() ? cells.at(index) : QString(); };
    ColumnInfo column;
    QString number = cell(0);
    column.IsPrimaryKey = number.startsWith(kPrimaryKeyMark);
    if (column.IsPrimaryKey)
        number.remove(0, kPrimaryKeyMark.size());
    column.Ordinal = number.toInt();
    column.Name = cell(1);
    column.DataType = cell(2);
    column.Length = cell(3).toLongLong();
    column.Precision = cell(4).toInt();
    column.Scale = cell(5).toInt();
    column.IsNullable = cell(6) == QLatin1String("Yes");
    return column;
}

}  // namespace norvane
