#pragma once
// The single statements of the table explorer's generator, built from the
// table's name and its columns grid. Names are written as the grid shows them.
#include "tables/column_info.h"

#include <QString>

#include <vector>

namespace norvane {

// "SELECT a,b FROM T": one line, names joined by a bare comma.
QString BuildSelect(const QString& tableName, const std::vector<ColumnInfo>& columns);
// "INSERT INTO T ( a, b) VALUES ( @a, @b )".
QString BuildInsert(const QString& tableName, const std::vector<ColumnInfo>& columns);
// "UPDATE T SET a = @a, b = @b": every column, no condition.
QString BuildUpdate(const QString& tableName, const std::vector<ColumnInfo>& columns);
// "DELETE FROM T WHERE ..." for the user to complete.
QString BuildDelete(const QString& tableName);

}  // namespace norvane
