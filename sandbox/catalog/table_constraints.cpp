// PRIMARY KEY, UNIQUE, FOREIGN KEY, CHECK and DEFAULT constraints of a table.
#include <algorithm>
#include <set>

#include "catalog/catalog_store.h"
#include "catalog/columns.h"
#include "catalog/sqlite_util.h"
#include "catalog/table_support.h"
#include "catalog/tables.h"

namespace sandbox::catalog {

using namespace table_support;

namespace {

std::string hexColids(const std::vector<int>& colids)
{
    std::string bytes;
    for (int colid : colids) {
        bytes += static_cast<char>(colid & 0xFF);
        bytes += static_cast<char>((colid >> 8) & 0xFF);
    }
    return bytes;
}

}  // namespace

namespace {

// The first key value more than one row holds, as SQL Server prints it; nullopt when the rows are unique.
std::optional<std::string> duplicateKey(sqlite3* db, const std::string& tableName, const std::vector<std::string>& columns)
{
    std::string list;
    for (const auto& column : columns)
        list += (list.empty() ? "" : ", ") + quoteName(column);
    Statement duplicate(db, "SELECT " + list + " FROM " + quoteName(tableName) + " GROUP BY " + list +
                                " HAVING count(*) > 1 LIMIT 1");
    if (!duplicate.step())
        return std::nullopt;
    std::string key;
    for (int i = 0; i < static_cast<int>(columns.size()); ++i)
        key += (i ? ", " : "") + (duplicate.isNull(i) ? std::string("NULL") : duplicate.text(i));
    return key;
}

SqlError duplicateKeyError(int indid, const std::string& key)
{
    return SqlError(1505, 16, 1,
                    "CREATE UNIQUE INDEX terminated because a duplicate key was found for index ID " + std::to_string(indid) +
                        ". Most significant primary key is '" + key + "'.");
}

}  // namespace

SqlError duplicateKeyError(sqlite3* db, const std::string& tableName, const std::vector<std::string>& columns, int indid)
{
    return duplicateKeyError(indid, duplicateKey(db, tableName, columns).value_or(""));
}

std::optional<SqlError> brokenKeyError(sqlite3* db, std::int64_t tableId, const std::string& tableName)
{
    std::vector<std::pair<int, std::vector<std::string>>> keys;
    {
        Statement query(db,
                        "SELECT i.indid, c.name FROM sysindexes i JOIN sysindexkeys k ON k.id = i.id AND k.indid = i.indid "
                        "JOIN syscolumns c ON c.id = k.id AND c.colid = k.colid AND c.number = 0 "
                        "WHERE i.id = ?1 AND (i.status & 2) <> 0 ORDER BY i.indid, k.keyno");
        query.bind(1, tableId);
        while (query.step()) {
            const int indid = static_cast<int>(query.integer(0));
            if (keys.empty() || keys.back().first != indid)
                keys.push_back({indid, {}});
            keys.back().second.push_back(query.text(1));
        }
    }
    for (const auto& [indid, columns] : keys)
        if (const auto key = duplicateKey(db, tableName, columns))
            return duplicateKeyError(indid, *key);
    return std::nullopt;
}

std::int64_t TableWriter::addDefault(std::int64_t tableId, const std::string& tableName, const std::string& column,
                             const std::string& name, std::size_t begin, std::size_t end)
{
    const int colid = columnId(tableId, tableName, column);
    const std::string where = " FROM syscolumns WHERE id = " + std::to_string(tableId) + " AND number = 0 AND colid = " +
                              std::to_string(colid);
    if (queryInteger(db_, "SELECT status & 128" + where).value_or(0) != 0)
        throw SqlError(1754, 16, 1, "Defaults cannot be created on columns with an IDENTITY attribute. Table '" + tableName +
                                        "', column '" + column + "'.");
    if (queryInteger(db_, "SELECT xtype" + where) == 189)
        throw SqlError(1755, 16, 1, "Defaults cannot be created on columns of data type timestamp. Table '" + tableName +
                                        "', column '" + column + "'.");
    const auto existing = queryInteger(db_, "SELECT cdefault" + where);
    if (existing.value_or(0) != 0) {
        const auto owner = findObjectById(db_, *existing);
        if (owner && owner->parent != 0)
            throw SqlError(1781, 16, 1, "Column already has a DEFAULT bound to it.");
    }
    const std::int64_t id = uniqueConstraintName(name);
    const std::string finalName = name.empty() ? generatedConstraintName("DF", tableName, column, id) : name;
    insertObject(db_, NewObject{finalName, id, xtype::Default, uid_, tableId, colid, 0, 0});
    insertComments(db_, id, 0, renderExpression(tokens_, begin, end));
    storeExpression(db_, id, 0, sqliteExpression(tokens_, begin, end));
    Statement update(db_, "UPDATE syscolumns SET cdefault = ?1 WHERE id = ?2 AND number = 0 AND colid = ?3");
    update.bind(1, id).bind(2, tableId).bind(3, colid);
    update.run();
    return id;
}

std::int64_t TableWriter::addConstraint(std::int64_t tableId, const std::string& tableName,
                                        const ConstraintDefinition& constraint)
{
    switch (constraint.kind) {
    case ConstraintKind::PrimaryKey:
    case ConstraintKind::Unique:
        return addKey(tableId, tableName, constraint);
    case ConstraintKind::ForeignKey:
        return addForeignKey(tableId, tableName, constraint);
    case ConstraintKind::Check:
        return addCheck(tableId, tableName, constraint);
    case ConstraintKind::Default:
        break;
    }
    return addDefault(tableId, tableName, constraint.columns.front(), constraint.name, constraint.expressionBegin,
                      constraint.expressionEnd);
}

void TableWriter::checkExistingRows(std::int64_t constraintId, const std::string& tableName)
{
    const auto constraint = findObjectById(db_, constraintId);
    if (!constraint)
        return;
    const std::int64_t colid =
        queryInteger(db_, "SELECT info FROM sysobjects WHERE id = " + std::to_string(constraintId)).value_or(0);
    const std::string database = catalogDatabaseName(db_);
    if (constraint->xtype == xtype::Check) {
        const auto expression = storedExpression(db_, constraintId, 0);
        if (!expression || !queryInteger(db_, "SELECT 1 FROM " + quoteName(tableName) + " WHERE NOT (" + *expression + ") LIMIT 1"))
            return;
        std::string message = "ALTER TABLE statement conflicted with " + std::string(colid ? "COLUMN" : "TABLE") +
                              " CHECK constraint '" + constraint->name + "'. The conflict occurred in database '" + database +
                              "', table '" + tableName + "'";
        if (colid) {
            Statement column(db_, "SELECT name FROM syscolumns WHERE number = 0 AND id = ?1 AND colid = ?2");
            column.bind(1, constraint->parent).bind(2, colid);
            if (column.step())
                message += ", column '" + column.text(0) + "'";
        }
        throw SqlError(547, 16, 1, message + ".");
    }
    if (constraint->xtype != xtype::ForeignKey)
        return;
    Statement pairs(db_,
                    "SELECT f.name, r.name, t.name FROM sysforeignkeys k "
                    "JOIN syscolumns f ON f.id = k.fkeyid AND f.colid = k.fkey AND f.number = 0 "
                    "JOIN syscolumns r ON r.id = k.rkeyid AND r.colid = k.rkey AND r.number = 0 "
                    "JOIN sysobjects t ON t.id = k.rkeyid WHERE k.constid = ?1 ORDER BY k.keyno");
    pairs.bind(1, constraintId);
    std::string present;
    std::string matching;
    std::string referencedTable;
    std::string referencedColumn;
    while (pairs.step()) {
        const std::string from = "c." + quoteName(pairs.text(0));
        present += (present.empty() ? "" : " AND ") + from + " IS NOT NULL";
        matching += (matching.empty() ? "" : " AND ") + std::string("p.") + quoteName(pairs.text(1)) + " = " + from;
        referencedTable = pairs.text(2);
        if (referencedColumn.empty())
            referencedColumn = pairs.text(1);
    }
    if (present.empty() || !queryInteger(db_, "SELECT 1 FROM " + quoteName(tableName) + " AS c WHERE " + present +
                                                   " AND NOT EXISTS (SELECT 1 FROM " + quoteName(referencedTable) +
                                                   " AS p WHERE " + matching + ") LIMIT 1"))
        return;
    throw SqlError(547, 16, 1,
                   "ALTER TABLE statement conflicted with " + std::string(colid ? "COLUMN" : "TABLE") +
                       " FOREIGN KEY constraint '" + constraint->name + "'. The conflict occurred in database '" + database +
                       "', table '" + referencedTable + "'" + (colid ? ", column '" + referencedColumn + "'" : std::string()) +
                       ".");
}

std::int64_t TableWriter::addKey(std::int64_t tableId, const std::string& tableName, const ConstraintDefinition& constraint)
{
    const bool primary = constraint.kind == ConstraintKind::PrimaryKey;
    if (primary && queryInteger(db_, "SELECT 1 FROM sysobjects WHERE xtype = 'PK' AND parent_obj = " + std::to_string(tableId)))
        throw SqlError(1779, 16, 1, "Table '" + tableName + "' already has a primary key defined on it.");
    std::vector<int> colids;
    for (const auto& column : constraint.columns) {
        colids.push_back(columnId(tableId, tableName, column));
        if (primary && queryInteger(db_, "SELECT isnullable FROM syscolumns WHERE id = " + std::to_string(tableId) +
                                             " AND number = 0 AND colid = " + std::to_string(colids.back())) == 1)
            throw SqlError(8111, 16, 1, "Cannot define PRIMARY KEY constraint on nullable column in table '" + tableName + "'.");
    }
    const bool hasClustered =
        queryInteger(db_, "SELECT 1 FROM sysindexes WHERE indid = 1 AND id = " + std::to_string(tableId)).has_value();
    const bool clustered = constraint.clustered.value_or(primary && !hasClustered);
    if (clustered && hasClustered)
        throw SqlError(1902, 16, 3,
                       "Cannot create more than one clustered index on table '" + tableName +
                           "'. Drop the existing clustered index before creating another.");
    const std::int64_t id = uniqueConstraintName(constraint.name);
    const std::string name =
        constraint.name.empty() ? generatedConstraintName(primary ? "PK" : "UQ", tableName, "", id) : constraint.name;
    const int info = constraint.columnLevel ? colids.front() : 0;
    insertObject(db_, NewObject{name, id, primary ? xtype::PrimaryKey : xtype::Unique, uid_, tableId, info, 0, 0});

    int indid = 1;
    if (clustered)
        execute(db_, "DELETE FROM sysindexes WHERE indid = 0 AND id = " + std::to_string(tableId));
    else
        indid = nextIndexId(db_, tableId);
    const int status = 2 | (clustered ? 16 : 0) | (primary ? 2048 : 4096);
    insertIndexRow(db_, tableId, indid, status, static_cast<int>(colids.size()), name, tableRowCount(db_, tableName));
    Statement key(db_, "INSERT INTO sysindexkeys (id, indid, colid, keyno) VALUES (?1, ?2, ?3, ?4)");
    for (std::size_t i = 0; i < colids.size(); ++i) {
        key.reset();
        key.bind(1, tableId).bind(2, indid).bind(3, colids[i]).bind(4, static_cast<int>(i + 1));
        key.run();
    }
    return id;
}

std::int64_t TableWriter::addForeignKey(std::int64_t tableId, const std::string& tableName, const ConstraintDefinition& constraint)
{
    const std::int64_t id = uniqueConstraintName(constraint.name);
    const std::string name =
        constraint.name.empty()
            ? generatedConstraintName("FK", tableName, constraint.columns.size() == 1 ? constraint.columns.front() : "", id)
            : constraint.name;
    const auto referenced = findObject(db_, constraint.referencedTable.name);
    if (!referenced || referenced->xtype != xtype::UserTable)
        throw SqlError(1767, 16, 1,
                       "Foreign key '" + name + "' references invalid table '" + constraint.referencedTable.written + "'.");
    std::vector<int> fkeys;
    for (const auto& column : constraint.columns)
        fkeys.push_back(columnId(tableId, tableName, column));

    // The referenced key: the columns given, or the primary key; either must match a PRIMARY KEY or UNIQUE index.
    std::vector<int> rkeys;
    int rkeyindid = 0;
    Statement keys(db_,
                   "SELECT i.indid, k.colid FROM sysindexes i JOIN sysindexkeys k ON k.id = i.id AND k.indid = i.indid "
                   "WHERE i.id = ?1 AND (i.status & 2) <> 0 ORDER BY (i.status & 2048) = 0, i.indid, k.keyno");
    keys.bind(1, referenced->id);
    std::vector<std::pair<int, std::vector<int>>> candidates;
    while (keys.step()) {
        const int indid = static_cast<int>(keys.integer(0));
        if (candidates.empty() || candidates.back().first != indid)
            candidates.push_back({indid, {}});
        candidates.back().second.push_back(static_cast<int>(keys.integer(1)));
    }
    if (constraint.referencedColumns.empty()) {
        if (!candidates.empty() && queryInteger(db_, "SELECT 1 FROM sysindexes WHERE (status & 2048) <> 0 AND id = " +
                                                         std::to_string(referenced->id) + " AND indid = " +
                                                         std::to_string(candidates.front().first))) {
            rkeys = candidates.front().second;
            rkeyindid = candidates.front().first;
        }
    } else {
        for (const auto& column : constraint.referencedColumns)
            rkeys.push_back(columnId(referenced->id, referenced->name, column));
        for (const auto& [indid, colids] : candidates) {
            std::vector<int> a = colids;
            std::vector<int> b = rkeys;
            std::sort(a.begin(), a.end());
            std::sort(b.begin(), b.end());
            if (a == b) {
                rkeyindid = indid;
                break;
            }
        }
    }
    if (!rkeys.empty() && rkeys.size() != fkeys.size())
        throw SqlError(8139, 16, 1,
                       "Number of referencing columns in foreign key differs from number of referenced columns, table '" +
                           tableName + "'.");
    if (rkeyindid == 0)
        throw SqlError(1776, 16, 1,
                       "There are no primary or candidate keys in the referenced table '" + constraint.referencedTable.written +
                           "' that match the referencing column list in the foreign key '" + name + "'.");

    const int info = fkeys.size() == 1 ? fkeys.front() : 0;
    insertObject(db_, NewObject{name, id, xtype::ForeignKey, uid_, tableId, info, 0, 0});
    std::string columns = "constid, fkeyid, rkeyid, rkeyindid, keycnt, forkeys, refkeys, fkeydbid, rkeydbid";
    std::string values = "?1, ?2, ?3, ?4, ?5, ?6, ?7, 0, 0";
    for (int i = 1; i <= 16; ++i) {
        columns += ", fkey" + std::to_string(i);
        values += ", " + std::to_string(i <= static_cast<int>(fkeys.size()) ? fkeys[i - 1] : 0);
    }
    for (int i = 1; i <= 16; ++i) {
        columns += ", rkey" + std::to_string(i);
        values += ", " + std::to_string(i <= static_cast<int>(rkeys.size()) ? rkeys[i - 1] : 0);
    }
    Statement reference(db_, "INSERT INTO sysreferences (" + columns + ") VALUES (" + values + ")");
    reference.bind(1, id).bind(2, tableId).bind(3, referenced->id).bind(4, rkeyindid).bind(5, static_cast<int>(fkeys.size()));
    reference.bindBlob(6, hexColids(fkeys)).bindBlob(7, hexColids(rkeys));
    reference.run();
    Statement pair(db_, "INSERT INTO sysforeignkeys (constid, fkeyid, rkeyid, fkey, rkey, keyno) VALUES (?1, ?2, ?3, ?4, ?5, ?6)");
    for (std::size_t i = 0; i < fkeys.size(); ++i) {
        pair.reset();
        pair.bind(1, id).bind(2, tableId).bind(3, referenced->id).bind(4, fkeys[i]).bind(5, rkeys[i]).bind(6, static_cast<int>(i + 1));
        pair.run();
    }
    std::string actions;
    if (constraint.deleteCascade)
        actions += " ON DELETE CASCADE";
    if (constraint.updateCascade)
        actions += " ON UPDATE CASCADE";
    storeExpression(db_, id, 1, actions);
    return id;
}

std::int64_t TableWriter::addCheck(std::int64_t tableId, const std::string& tableName, const ConstraintDefinition& constraint)
{
    const int colid = constraint.columnLevel ? columnId(tableId, tableName, constraint.columns.front()) : 0;
    const std::int64_t id = uniqueConstraintName(constraint.name);
    const std::string name =
        constraint.name.empty()
            ? generatedConstraintName("CK", tableName, constraint.columnLevel ? constraint.columns.front() : "", id)
            : constraint.name;
    insertObject(db_, NewObject{name, id, xtype::Check, uid_, tableId, colid, 0, 0});
    insertComments(db_, id, 0, renderExpression(tokens_, constraint.expressionBegin, constraint.expressionEnd));
    storeExpression(db_, id, 0, sqliteExpression(tokens_, constraint.expressionBegin, constraint.expressionEnd));
    if (colid != 0) {
        Statement update(db_, "UPDATE syscolumns SET domain = ?1 WHERE id = ?2 AND number = 0 AND colid = ?3 AND domain = 0");
        update.bind(1, id).bind(2, tableId).bind(3, colid);
        update.run();
    }
    return id;
}

}  // namespace sandbox::catalog
