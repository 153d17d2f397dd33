#pragma once
// Columns grids for the generator tests, written as the grid shows them.
#include "tables/column_info.h"

#include <initializer_list>
#include <vector>

namespace norvane::testing {

struct GridRow {
    const char* name;
    const char* type;
    qint64 length = 4;
    int precision = 0;
    int scale = 0;
    bool key = false;
};

// Numbers the rows 1, 2, 3 ... as the grid does.
inline std::vector<ColumnInfo> grid(std::initializer_list<GridRow> rows)
{
    std::vector<ColumnInfo> columns;
    int ordinal = 0;
    for (const GridRow& row : rows) {
        ColumnInfo column;
        column.Ordinal = ++ordinal;
        column.IsPrimaryKey = row.key;
        column.Name = QString::fromUtf8(row.name);
        column.DataType = QString::fromUtf8(row.type);
        column.Length = row.length;
        column.Precision = row.precision;
        column.Scale = row.scale;
        columns.push_back(column);
    }
    return columns;
}

}  // namespace norvane::testing
