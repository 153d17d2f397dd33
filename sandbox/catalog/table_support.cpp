#include "catalog/table_support.h"

#include "catalog/sqlite_util.h"

namespace sandbox::catalog::table_support {

bool isCharacterXtype(int xtype)
{
    return xtype == 35 || xtype == 99 || xtype == 167 || xtype == 175 || xtype == 231 || xtype == 239;
}

SqlError columnMissing(const std::string& column)
{
    return SqlError(1911, 16, 1, "Column name '" + column + "' does not exist in the target table or view.");
}

void storeExpression(sqlite3* db, std::int64_t objectId, int colid, const std::optional<std::string>& sqlite)
{
    if (!sqlite)
        return;
    Statement insert(db, "INSERT OR REPLACE INTO sandbox_expression (object_id, colid, sqlite_text) VALUES (?1, ?2, ?3)");
    insert.bind(1, objectId).bind(2, colid).bind(3, *sqlite);
    insert.run();
}

std::optional<std::string> storedExpression(sqlite3* db, std::int64_t objectId, int colid)
{
    Statement query(db, "SELECT sqlite_text FROM sandbox_expression WHERE object_id = ?1 AND colid = ?2");
    query.bind(1, objectId).bind(2, colid);
    if (!query.step())
        return std::nullopt;
    return query.text(0);
}

}  // namespace sandbox::catalog::table_support
