#pragma once
// The four stored procedures written for a table: select, insert, update and
// delete, named sp_sel_, sp_ins_, sp_upd_ and sp_del_ followed by the table's
// name in lower case. The first column of the grid is the key.
#include "tables/column_info.h"

#include <QString>

#include <vector>

namespace norvane {

// The declared type of a column: "varchar(50)" (storage length in bytes),
// "decimal(10,2)", or the type name alone.
QString procedureTypeText(const ColumnInfo& column);

// The select, insert, update and delete procedures in one text. Throws
// GenerationError for a table of fewer than two columns: the update
// procedure would have no column to set.
QString BuildProcedures(const QString& tableName, const QString& ownerName, const std::vector<ColumnInfo>& columns);

}  // namespace norvane
