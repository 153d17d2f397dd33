#pragma once
// syscolumns rows: table and view columns, procedure and function parameters.
#include <cstdint>
#include <string>

#include <sqlite3.h>

#include "catalog/types.h"

namespace sandbox::catalog {

struct ColumnRow {
    std::string name;  // a parameter keeps its @; a scalar function's result row has an empty name
    std::int64_t objectId = 0;
    int colid = 1;
    int number = 0;    // 0 for columns, the procedure group number (1) for parameters
    ColumnTypeInfo type;
    bool nullable = true;
    bool identity = false;
    bool computed = false;
    bool outParam = false;
    std::int64_t cdefault = 0;
    std::int64_t domain = 0;
};

void insertColumn(sqlite3* db, const ColumnRow& column);

// The collation character columns report, as a default SQL Server 2000 install has it.
inline constexpr const char* defaultCollation = "SQL_Latin1_General_CP1_CI_AS";
inline constexpr std::int64_t defaultCollationId = 872468488;

}  // namespace sandbox::catalog
