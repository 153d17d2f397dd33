#pragma once
// The structure of every table of a database, read in two catalog queries
// (the columns of all tables at once, then the computed columns' texts), for
// work that needs all tables' columns, such as comparing two databases.
#include "shell/data/server_admin.h"

#include <functional>
#include <vector>

namespace norvane {

// One table with its columns, in column order.
struct TableStructure {
    QString Name;
    QString Owner;
    bool SystemObject = false;
    std::vector<ColumnProperties> Columns;
};

// The database's tables in the order ServerAdmin::tables lists them (name, then
// owner), system tables included and flagged. Each column carries Name,
// Datatype, UserDefinedType, Length, NumericPrecision, NumericScale,
// AllowNulls, Identity, IsComputed, ComputedText, Default (a bound default's
// name), DRIDefaultName and ColumnId, as ServerAdmin::columns reads them; the
// key, identity seed and default constraint texts are not read.
// `eachRow`, when given, is called after every row received (a window keeps
// repainting through it). Throws DbError.
std::vector<TableStructure> readTableStructures(ServerAdmin& admin, const QString& database,
                                                const std::function<void()>& eachRow = {});

}  // namespace norvane
