// The SQLite table behind a catalogued table: its definition, its triggers and its rebuild after ALTER TABLE.
#include <algorithm>
#include <set>

#include "catalog/catalog_store.h"
#include "catalog/columns.h"
#include "catalog/sqlite_util.h"
#include "catalog/table_support.h"
#include "catalog/tables.h"
#include "engine/exact_decimal.h"

namespace sandbox::catalog {

using namespace table_support;

std::string declaredTypeText(int xtype, int xusertype, int length, int xprec, int xscale)
{
    if (xusertype == 256)
        return "nvarchar(128)";
    std::string name = "int";
    for (const auto& type : builtinTypes())
        if (type.xtype == xtype && type.xusertype == xtype)
            name = type.name;
    switch (xtype) {
    case 167: case 175: case 165: case 173:
        return name + "(" + std::to_string(length) + ")";
    case 231: case 239:
        return name + "(" + std::to_string(length / 2) + ")";
    case 106: case 108:
        return name + "(" + std::to_string(xprec) + "," + std::to_string(xscale) + ")";
    default:
        return name;
    }
}

std::int64_t tableRowCount(sqlite3* db, const std::string& tableName)
{
    if (!queryInteger(db, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?1", tableName))
        return 0;
    return queryInteger(db, "SELECT count(*) FROM " + quoteName(tableName)).value_or(0);
}

std::string sqliteIndexName(const std::string& table, const std::string& index) { return table + "." + index; }

void TableWriter::createSqliteTable(std::int64_t tableId, const std::string& sqliteName)
{
    try {
        execute(db_, sqliteTableDefinition(tableId, sqliteName, true));
    } catch (const SqlError&) {
        // A translated expression SQLite will not take (a non-deterministic function in a CHECK, say): the catalog
        // keeps the definition, the table goes without its enforcement.
        execute(db_, sqliteTableDefinition(tableId, sqliteName, false));
    }
}

std::string TableWriter::sqliteTableDefinition(std::int64_t tableId, const std::string& sqliteName, bool withExpressions)
{
    std::string definition = "CREATE TABLE " + quoteName(sqliteName) + " (";
    Statement columns(db_,
                      "SELECT name, colid, xtype, xusertype, length, xprec, xscale, isnullable, iscomputed, cdefault, status & 128 "
                      "FROM syscolumns WHERE id = ?1 AND number = 0 ORDER BY colid");
    columns.bind(1, tableId);
    std::vector<std::string> names;
    bool first = true;
    while (columns.step()) {
        const std::string name = columns.text(0);
        const int colid = static_cast<int>(columns.integer(1));
        const int xtype = static_cast<int>(columns.integer(2));
        names.push_back(name);
        const bool computed = columns.integer(8) != 0;
        const bool identity = columns.integer(10) != 0;
        const std::string type = declaredTypeText(xtype, static_cast<int>(columns.integer(3)), static_cast<int>(columns.integer(4)),
                                                  static_cast<int>(columns.integer(5)), static_cast<int>(columns.integer(6)));
        // decimal, numeric, money and smallmoney keep every digit as text that compares as a number.
        const bool exact = !computed && (xtype == 106 || xtype == 108 || xtype == 60 || xtype == 122);
        std::string column = quoteName(name) + " " + (exact ? exactStorageType(type) : type);
        if (isCharacterXtype(xtype))
            column += " COLLATE SQLSERVER";
        if (exact)
            column += std::string(" COLLATE ") + exactCollation;
        if (computed) {
            if (const auto expression = withExpressions ? storedExpression(db_, tableId, colid) : std::nullopt)
                column += " AS (" + *expression + ")";
        } else {
            // Identity and timestamp columns are filled by triggers after the row is in.
            if (columns.integer(7) == 0 && !identity && xtype != 189)
                column += " NOT NULL";
            if (const std::int64_t defaultId = columns.integer(9); defaultId != 0 && withExpressions)
                if (const auto expression = storedExpression(db_, defaultId, 0))
                    column += " DEFAULT (" + *expression + ")";
        }
        definition += (first ? "" : ", ") + column;
        first = false;
    }
    auto keyColumns = [&](const std::string& indexName) {
        Statement keys(db_,
                       "SELECT c.name FROM sysindexes i JOIN sysindexkeys k ON k.id = i.id AND k.indid = i.indid "
                       "JOIN syscolumns c ON c.id = k.id AND c.colid = k.colid AND c.number = 0 "
                       "WHERE i.id = ?1 AND i.name = ?2 ORDER BY k.keyno");
        keys.bind(1, tableId).bind(2, indexName);
        std::string list;
        while (keys.step())
            list += (list.empty() ? "" : ", ") + quoteName(keys.text(0));
        return list;
    };
    const std::optional<std::string> clustered = rowOrderingKey(tableId);
    Statement constraints(db_, "SELECT id, name, xtype FROM sysobjects WHERE parent_obj = ?1 AND xtype IN ('PK', 'UQ', 'F ', 'C ') ORDER BY id");
    constraints.bind(1, tableId);
    bool clusteredIsConstraint = false;
    while (constraints.step()) {
        const std::int64_t id = constraints.integer(0);
        const std::string name = constraints.text(1);
        const std::string type = constraints.text(2);
        if (type == xtype::PrimaryKey || type == xtype::Unique) {
            // The clustered key is SQLite's primary key; the other keys are unique, as SQL Server enforces them.
            const bool primary = clustered ? *clustered == name : type == xtype::PrimaryKey;
            clusteredIsConstraint = clusteredIsConstraint || (clustered && *clustered == name);
            definition += ", CONSTRAINT " + quoteName(name) + (primary ? " PRIMARY KEY (" : " UNIQUE (") + keyColumns(name) + ")";
        } else if (type == xtype::Check) {
            if (const auto expression = withExpressions ? storedExpression(db_, id, 0) : std::nullopt)
                definition += ", CONSTRAINT " + quoteName(name) + " CHECK (" + *expression + ")";
        } else {
            Statement pairs(db_,
                            "SELECT f.name, r.name, t.name FROM sysforeignkeys k "
                            "JOIN syscolumns f ON f.id = k.fkeyid AND f.colid = k.fkey AND f.number = 0 "
                            "JOIN syscolumns r ON r.id = k.rkeyid AND r.colid = k.rkey AND r.number = 0 "
                            "JOIN sysobjects t ON t.id = k.rkeyid WHERE k.constid = ?1 ORDER BY k.keyno");
            pairs.bind(1, id);
            std::string from;
            std::string to;
            std::string table;
            while (pairs.step()) {
                from += (from.empty() ? "" : ", ") + quoteName(pairs.text(0));
                to += (to.empty() ? "" : ", ") + quoteName(pairs.text(1));
                table = pairs.text(2);
            }
            definition += ", CONSTRAINT " + quoteName(name) + " FOREIGN KEY (" + from + ") REFERENCES " + quoteName(table) +
                          " (" + to + ")" + storedExpression(db_, id, 1).value_or("");
        }
    }
    if (clustered && !clusteredIsConstraint)
        definition += ", PRIMARY KEY (" + keyColumns(*clustered) + ")";
    return definition + (clustered ? ") WITHOUT ROWID" : ")");
}

std::optional<std::string> TableWriter::rowOrderingKey(std::int64_t tableId)
{
    // SQL Server keeps a table's rows in the order of its clustered index, and a scan returns them so. A unique
    // clustered key on NOT NULL columns becomes the key of a WITHOUT ROWID table, which SQLite stores in key order.
    // Tables with identity or timestamp columns keep their rowid, which the triggers filling those columns use;
    // an identity key grows with the order of insertion anyway. Heaps keep insertion order.
    Statement clustered(db_, "SELECT name, status FROM sysindexes WHERE id = ?1 AND indid = 1");
    clustered.bind(1, tableId);
    if (!clustered.step() || (clustered.integer(1) & 2) == 0)
        return std::nullopt;
    const std::string name = clustered.text(0);
    const auto blocking = queryInteger(
        db_,
        "SELECT count(*) FROM syscolumns c WHERE c.id = " + std::to_string(tableId) +
            " AND c.number = 0 AND ((c.status & 128) <> 0 OR c.xtype = 189 OR c.colid IN (SELECT k.colid FROM sysindexkeys k "
            "WHERE k.id = c.id AND k.indid = 1) AND (c.isnullable <> 0 OR c.iscomputed <> 0))");
    if (blocking.value_or(1) != 0)
        return std::nullopt;
    return name;
}

void TableWriter::createSqliteTriggers(std::int64_t tableId, const std::string& tableName)
{
    const std::string id = std::to_string(tableId);
    const std::string table = quoteName(tableName);
    execute(db_, "CREATE TRIGGER " + quoteName("sandbox_rows_insert_" + id) + " AFTER INSERT ON " + table +
                     " BEGIN UPDATE sysindexes SET rows = rows + 1, rowcnt = rowcnt + 1 WHERE id = " + id +
                     " AND indid < 255; END");
    execute(db_, "CREATE TRIGGER " + quoteName("sandbox_rows_delete_" + id) + " AFTER DELETE ON " + table +
                     " BEGIN UPDATE sysindexes SET rows = rows - 1, rowcnt = rowcnt - 1 WHERE id = " + id +
                     " AND indid < 255; END");
    createTimestampTriggers(tableId, tableName);
    Statement identity(db_, "SELECT column_name FROM sandbox_identity WHERE table_id = ?1");
    identity.bind(1, tableId);
    if (!identity.step())
        return;
    const std::string column = quoteName(identity.text(0));
    execute(db_, "CREATE TRIGGER " + quoteName("sandbox_identity_next_" + id) + " AFTER INSERT ON " + table +
                     " FOR EACH ROW WHEN NEW." + column +
                     " IS NULL BEGIN UPDATE sandbox_identity SET current = CASE WHEN current IS NULL THEN seed ELSE current + "
                     "increment END WHERE table_id = " + id + "; UPDATE " + table + " SET " + column +
                     " = (SELECT current FROM sandbox_identity WHERE table_id = " + id + ") WHERE rowid = NEW.rowid; END");
    execute(db_, "CREATE TRIGGER " + quoteName("sandbox_identity_given_" + id) + " AFTER INSERT ON " + table +
                     " FOR EACH ROW WHEN NEW." + column +
                     " IS NOT NULL BEGIN UPDATE sandbox_identity SET current = CASE WHEN current IS NULL THEN NEW." + column +
                     " WHEN increment > 0 AND NEW." + column + " > current THEN NEW." + column +
                     " WHEN increment < 0 AND NEW." + column + " < current THEN NEW." + column +
                     " ELSE current END WHERE table_id = " + id + "; END");
}

// A timestamp column takes the database's next @@DBTS value, as 8 big-endian bytes, on every INSERT and UPDATE.
void TableWriter::createTimestampTriggers(std::int64_t tableId, const std::string& tableName)
{
    std::string stamp;
    std::string others;
    {
        Statement columns(db_, "SELECT name, xtype, status & 128, iscomputed FROM syscolumns WHERE id = ?1 AND number = 0 ORDER BY colid");
        columns.bind(1, tableId);
        while (columns.step()) {
            if (columns.integer(1) == 189)
                stamp = columns.text(0);
            else if (columns.integer(2) == 0 && columns.integer(3) == 0)
                others += (others.empty() ? "" : ", ") + quoteName(columns.text(0));
        }
    }
    if (stamp.empty())
        return;
    std::string bytes;
    for (int shift = 56; shift >= 0; shift -= 8)
        bytes += std::string(bytes.empty() ? "" : " || ") + "(SELECT byte FROM sandbox_byte WHERE value = (dbts >> " +
                 std::to_string(shift) + ") & 255)";
    const std::string id = std::to_string(tableId);
    const std::string body = " FOR EACH ROW BEGIN UPDATE sandbox_catalog SET dbts = dbts + 1; UPDATE " + quoteName(tableName) +
                             " SET " + quoteName(stamp) + " = (SELECT CAST(" + bytes +
                             " AS BLOB) FROM sandbox_catalog) WHERE rowid = NEW.rowid; END";
    execute(db_, "CREATE TRIGGER " + quoteName("sandbox_timestamp_insert_" + id) + " AFTER INSERT ON " + quoteName(tableName) + body);
    if (!others.empty())
        execute(db_, "CREATE TRIGGER " + quoteName("sandbox_timestamp_update_" + id) + " AFTER UPDATE OF " + others + " ON " +
                         quoteName(tableName) + body);
}

void TableWriter::rebuildSqliteTable(std::int64_t tableId, const std::string& tableName)
{
    const std::string temporary = tableName + "__sandbox_rebuild";
    std::vector<std::string> indexes;
    {
        Statement existing(db_, "SELECT sql FROM sqlite_master WHERE type = 'index' AND tbl_name = ?1 AND sql IS NOT NULL");
        existing.bind(1, tableName);
        while (existing.step())
            indexes.push_back(existing.text(0));
    }
    createSqliteTable(tableId, temporary);
    // Columns both tables share and that hold stored values.
    std::string shared;
    {
        Statement columns(db_,
                          "SELECT name FROM pragma_table_xinfo(?1) WHERE hidden = 0 AND name IN "
                          "(SELECT name FROM pragma_table_xinfo(?2) WHERE hidden = 0)");
        columns.bind(1, tableName).bind(2, temporary);
        while (columns.step())
            shared += (shared.empty() ? "" : ", ") + quoteName(columns.text(0));
    }
    // A column that now refuses NULL while rows hold one fails as SQL Server's ALTER TABLE does.
    {
        Statement required(db_,
                           "SELECT name FROM syscolumns WHERE id = ?1 AND number = 0 AND isnullable = 0 AND iscomputed = 0 "
                           "AND (status & 128) = 0 AND xtype <> 189 ORDER BY colid");
        required.bind(1, tableId);
        while (required.step()) {
            const std::string column = required.text(0);
            if (shared.find(quoteName(column)) == std::string::npos)
                continue;
            if (queryInteger(db_, "SELECT 1 FROM " + quoteName(tableName) + " WHERE " + quoteName(column) + " IS NULL LIMIT 1")) {
                // The statement's savepoint takes the half-built table away again.
                throw SqlError(515, 16, 2,
                               "Cannot insert the value NULL into column '" + column + "', table '" + catalogDatabaseName(db_) +
                                   ".dbo." + tableName + "'; column does not allow nulls. UPDATE fails.");
            }
        }
    }
    execute(db_, "PRAGMA legacy_alter_table = ON; PRAGMA ignore_check_constraints = ON; PRAGMA defer_foreign_keys = ON");
    try {
        if (!shared.empty())
            try {
                execute(db_, "INSERT INTO " + quoteName(temporary) + " (" + shared + ") SELECT " + shared + " FROM " +
                                 quoteName(tableName));
            } catch (const SqlError&) {
                if (auto broken = brokenKeyError(db_, tableId, tableName))
                    throw *broken;
                throw;
            }
        execute(db_, "DROP TABLE " + quoteName(tableName));
        execute(db_, "ALTER TABLE " + quoteName(temporary) + " RENAME TO " + quoteName(tableName));
        for (const auto& index : indexes)
            execute(db_, index);
    } catch (...) {
        execute(db_, "PRAGMA legacy_alter_table = OFF; PRAGMA ignore_check_constraints = OFF");
        throw;
    }
    execute(db_, "PRAGMA legacy_alter_table = OFF; PRAGMA ignore_check_constraints = OFF");
    // An identity column added to a table with rows numbers those rows in their order.
    Statement identity(db_, "SELECT column_name, seed, increment, current FROM sandbox_identity WHERE table_id = ?1");
    identity.bind(1, tableId);
    if (identity.step() && identity.isNull(3)) {
        const std::string column = quoteName(identity.text(0));
        const std::string seed = std::to_string(identity.integer(1));
        const std::string increment = std::to_string(identity.integer(2));
        execute(db_, "UPDATE " + quoteName(tableName) + " SET " + column + " = " + seed + " + " + increment +
                         " * (SELECT count(*) FROM " + quoteName(tableName) + " AS earlier WHERE earlier.rowid < " +
                         quoteName(tableName) + ".rowid) WHERE " + column + " IS NULL");
        execute(db_, "UPDATE sandbox_identity SET current = (SELECT " + (identity.integer(2) > 0 ? std::string("max(") : std::string("min(")) +
                         column + ") FROM " + quoteName(tableName) + ") WHERE table_id = " + std::to_string(tableId));
    }
    createSqliteTriggers(tableId, tableName);
}

}  // namespace sandbox::catalog
