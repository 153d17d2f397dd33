#pragma once
// Helpers shared by the files that write a table's catalog rows and its SQLite table.
#include <cstdint>
#include <optional>
#include <string>

#include <sqlite3.h>

#include "engine/sql_error.h"

namespace sandbox::catalog::table_support {

bool isCharacterXtype(int xtype);
SqlError columnMissing(const std::string& column);
// sandbox_expression rows: the SQLite text behind a default, check or computed column (colid), or FK actions (colid 1).
void storeExpression(sqlite3* db, std::int64_t objectId, int colid, const std::optional<std::string>& sqlite);
std::optional<std::string> storedExpression(sqlite3* db, std::int64_t objectId, int colid);

}  // namespace sandbox::catalog::table_support
