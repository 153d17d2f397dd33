// Catalog rows and the SQLite table for CREATE TABLE and ALTER TABLE.
#include <algorithm>
#include <set>

#include "catalog/catalog_store.h"
#include "catalog/columns.h"
#include "catalog/sqlite_util.h"
#include "catalog/tables.h"

namespace sandbox::catalog {

namespace {

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

int typePrecedence(int xtype)
{
    switch (xtype) {
    case 61: return 12;
    case 58: return 11;
    case 62: return 10;
    case 59: return 9;
    case 106: case 108: return 8;
    case 60: return 7;
    case 122: return 6;
    case 127: return 5;
    case 56: return 4;
    case 52: return 3;
    case 48: return 2;
    case 104: return 1;
    default: return 0;
    }
}

// The type SQL Server would give a computed column, from the columns and literals its expression uses.
ColumnTypeInfo computedColumnType(sqlite3* db, const std::vector<Token>& tokens, std::size_t begin, std::size_t end,
                                  const std::vector<ColumnDefinition>& columns)
{
    bool character = false;
    bool unicode = false;
    int characters = 0;
    const ColumnTypeInfo* best = nullptr;
    bool decimalLiteral = false;
    for (std::size_t i = begin; i < end; ++i) {
        const Token& token = tokens[i];
        if (token.kind == TokenKind::String) {
            character = true;
            unicode = unicode || token.nationalString;
            characters += static_cast<int>(token.text.size());
        } else if (token.kind == TokenKind::Number) {
            decimalLiteral = decimalLiteral || token.text.find('.') != std::string::npos;
        } else if (token.isName() && !(i + 1 < end && tokens[i + 1].isSymbol("("))) {
            for (const auto& column : columns) {
                if (column.computed || !equalsIgnoreCase(column.name, token.text))
                    continue;
                if (isCharacterXtype(column.type.xtype)) {
                    character = true;
                    unicode = unicode || column.type.xtype == 231 || column.type.xtype == 239 || column.type.xtype == 99;
                    characters += column.type.prec;
                } else if (!best || typePrecedence(column.type.xtype) > typePrecedence(best->xtype)) {
                    best = &column.type;
                }
            }
        }
    }
    if (best && typePrecedence(best->xtype) > 0) {
        ColumnTypeInfo type = *best;
        type.typeName = typeFromText(db, type.declaredType).typeName;
        type.xusertype = type.xtype;
        return type;
    }
    if (character) {
        const int limit = unicode ? 4000 : 8000;
        return typeFromText(db, std::string(unicode ? "nvarchar(" : "varchar(") +
                                    std::to_string(std::clamp(characters, 1, limit)) + ")");
    }
    return typeFromText(db, decimalLiteral ? "numeric(38,6)" : "int");
}

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

std::int64_t TableWriter::uniqueConstraintName(const std::string& name)
{
    if (!name.empty() && findObject(db_, name))
        throw SqlError(2714, 16, 5, "There is already an object named '" + name + "' in the database.");
    return newObjectId(db_);
}

int TableWriter::columnId(std::int64_t tableId, const std::string&, const std::string& column)
{
    Statement query(db_, "SELECT colid FROM syscolumns WHERE id = ?1 AND number = 0 AND name = ?2");
    query.bind(1, tableId).bind(2, column);
    if (!query.step())
        throw columnMissing(column);
    return static_cast<int>(query.integer(0));
}

std::int64_t TableWriter::createTable(const TableDefinition& table, int uid)
{
    uid_ = uid;
    const std::string& name = table.name.name;
    if (findObject(db_, name))
        throw SqlError(2714, 16, 6, "There is already an object named '" + name + "' in the database.");
    std::set<std::string> seen;
    int identities = 0;
    for (const auto& column : table.columns) {
        if (!seen.insert(toUpperAscii(column.name)).second)
            throw SqlError(2705, 16, 3,
                           "Column names in each table must be unique. Column name '" + column.name + "' in table '" + name +
                               "' is specified more than once.");
        identities += column.identity ? 1 : 0;
    }
    if (identities > 1)
        throw SqlError(2744, 16, 2,
                       "Multiple identity columns specified for table '" + name +
                           "'. Only one identity column per table is allowed.");
    const auto primaryKeys = std::count_if(table.constraints.begin(), table.constraints.end(),
                                           [](const auto& c) { return c.kind == ConstraintKind::PrimaryKey; });
    if (primaryKeys > 1)
        throw SqlError(8110, 16, 1, "Cannot add multiple PRIMARY KEY constraints to table '" + name + "'.");

    const std::int64_t tableId = newObjectId(db_);
    insertObject(db_, NewObject{name, tableId, xtype::UserTable, uid, 0, 0, 0, 0});

    std::set<std::string> keyColumns;
    for (const auto& constraint : table.constraints)
        if (constraint.kind == ConstraintKind::PrimaryKey)
            for (const auto& column : constraint.columns)
                keyColumns.insert(toUpperAscii(column));
    int colid = 1;
    for (const auto& column : table.columns) {
        bool nullable = column.nullable.value_or(column.type.allowNulls);
        if (keyColumns.count(toUpperAscii(column.name))) {
            if (column.nullable.value_or(false))
                throw SqlError(8111, 16, 1, "Cannot define PRIMARY KEY constraint on nullable column in table '" + name + "'.");
            nullable = false;
        }
        if (column.identity)
            nullable = false;
        ColumnDefinition resolved = column;
        if (column.computed)
            resolved.type = computedColumnType(db_, tokens_, column.expressionBegin, column.expressionEnd, table.columns);
        insertColumnRows(tableId, name, resolved, colid++, column.computed || nullable);
    }
    for (const auto& column : table.columns)
        if (column.hasDefault)
            addDefault(tableId, name, column.name, column.defaultName, column.defaultBegin, column.defaultEnd);

    insertIndexRow(db_, tableId, 0, 0, 0, name, 0);

    auto addAll = [&](auto predicate) {
        for (const auto& constraint : table.constraints)
            if (predicate(constraint.kind))
                addConstraint(tableId, name, constraint);
    };
    addAll([](ConstraintKind kind) { return kind == ConstraintKind::PrimaryKey || kind == ConstraintKind::Unique; });
    addAll([](ConstraintKind kind) { return kind == ConstraintKind::ForeignKey; });
    addAll([](ConstraintKind kind) { return kind == ConstraintKind::Check; });

    createSqliteTable(tableId, name);
    createSqliteTriggers(tableId, name);
    return tableId;
}

void TableWriter::insertColumnRows(std::int64_t tableId, const std::string&, const ColumnDefinition& column, int colid,
                                   bool nullable)
{
    if (column.identity) {
        const int x = column.type.xtype;
        if (!(x == 48 || x == 52 || x == 56 || x == 127 || ((x == 106 || x == 108) && column.type.xscale == 0)))
            throw SqlError(2749, 16, 2,
                           "Identity column '" + column.name +
                               "' must be of data type int, bigint, smallint, tinyint, or decimal or numeric with a scale "
                               "of 0, and constrained to be nonnullable.");
        if (column.increment == 0)
            throw SqlError(2747, 16, 1, "Identity increment of column '" + column.name + "' cannot be zero.");
        Statement identity(db_,
                           "INSERT OR REPLACE INTO sandbox_identity (table_id, column_name, seed, increment, current) "
                           "VALUES (?1, ?2, ?3, ?4, NULL)");
        identity.bind(1, tableId).bind(2, column.name).bind(3, column.seed).bind(4, column.increment);
        identity.run();
    }
    ColumnRow row;
    row.name = column.name;
    row.objectId = tableId;
    row.colid = colid;
    row.type = column.type;
    row.nullable = nullable;
    row.identity = column.identity;
    row.computed = column.computed;
    row.cdefault = column.computed ? 0 : column.type.typeDefault;
    row.domain = column.computed ? 0 : column.type.typeRule;
    insertColumn(db_, row);
    if (column.computed) {
        insertComments(db_, tableId, colid, renderExpression(tokens_, column.expressionBegin, column.expressionEnd));
        storeExpression(db_, tableId, colid, sqliteExpression(tokens_, column.expressionBegin, column.expressionEnd));
    }
}

std::int64_t TableWriter::addDefault(std::int64_t tableId, const std::string& tableName, const std::string& column,
                             const std::string& name, std::size_t begin, std::size_t end)
{
    const int colid = columnId(tableId, tableName, column);
    const auto existing = queryInteger(db_, "SELECT cdefault FROM syscolumns WHERE id = " + std::to_string(tableId) +
                                                " AND number = 0 AND colid = " + std::to_string(colid));
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

void TableWriter::addColumn(std::int64_t tableId, const std::string& tableName, const ColumnDefinition& column, bool)
{
    if (queryInteger(db_, "SELECT 1 FROM syscolumns WHERE number = 0 AND id = " + std::to_string(tableId) + " AND name = ?1",
                     column.name))
        throw SqlError(2705, 16, 4,
                       "Column names in each table must be unique. Column name '" + column.name + "' in table '" + tableName +
                           "' is specified more than once.");
    if (column.identity && queryInteger(db_, "SELECT 1 FROM sandbox_identity WHERE table_id = " + std::to_string(tableId)))
        throw SqlError(2744, 16, 2,
                       "Multiple identity columns specified for table '" + tableName +
                           "'. Only one identity column per table is allowed.");
    const bool nullable = column.computed || (!column.identity && column.nullable.value_or(column.type.allowNulls));
    if (!nullable && !column.identity && !column.hasDefault)
        throw SqlError(4901, 16, 1,
                       "ALTER TABLE only allows columns to be added that can contain nulls or have a DEFAULT definition "
                       "specified. Column '" + column.name + "' cannot be added to table '" + tableName +
                           "' because it does not allow nulls and does not specify a DEFAULT definition.");
    const int colid =
        static_cast<int>(queryInteger(db_, "SELECT max(colid) + 1 FROM syscolumns WHERE number = 0 AND id = " + std::to_string(tableId))
                             .value_or(1));
    ColumnDefinition resolved = column;
    if (column.computed) {
        std::vector<ColumnDefinition> existing;
        Statement columns(db_, "SELECT name, xtype, xusertype, length, xprec, xscale FROM syscolumns WHERE number = 0 AND id = ?1");
        columns.bind(1, tableId);
        while (columns.step()) {
            ColumnDefinition definition;
            definition.name = columns.text(0);
            definition.type = typeFromText(db_, declaredTypeText(static_cast<int>(columns.integer(1)),
                                                                  static_cast<int>(columns.integer(2)),
                                                                  static_cast<int>(columns.integer(3)),
                                                                  static_cast<int>(columns.integer(4)),
                                                                  static_cast<int>(columns.integer(5))));
            existing.push_back(definition);
        }
        resolved.type = computedColumnType(db_, tokens_, column.expressionBegin, column.expressionEnd, existing);
    }
    insertColumnRows(tableId, tableName, resolved, colid, nullable);
    if (column.hasDefault)
        addDefault(tableId, tableName, column.name, column.defaultName, column.defaultBegin, column.defaultEnd);
}

void TableWriter::dropColumn(std::int64_t tableId, const std::string& tableName, const std::string& column)
{
    const int colid = columnId(tableId, tableName, column);
    Statement dependents(db_,
                         "SELECT o.name FROM sysobjects o WHERE o.parent_obj = ?1 AND ((o.info = ?2 AND o.xtype <> 'TR') OR o.id IN "
                         "(SELECT k.constid FROM sysforeignkeys k WHERE (k.fkeyid = ?1 AND k.fkey = ?2) OR (k.rkeyid = ?1 AND k.rkey = ?2)) "
                         "OR o.name IN (SELECT i.name FROM sysindexes i JOIN sysindexkeys k ON k.id = i.id AND k.indid = i.indid "
                         "WHERE i.id = ?1 AND k.colid = ?2)) LIMIT 1");
    dependents.bind(1, tableId).bind(2, colid);
    if (dependents.step())
        throw SqlError(5074, 16, 1, "The object '" + dependents.text(0) + "' is dependent on column '" + column + "'.");
    for (const char* sql : {"DELETE FROM syscolumns WHERE id = ?1 AND number = 0 AND colid = ?2",
                            "DELETE FROM syscomments WHERE id = ?1 AND number = ?2",
                            "DELETE FROM sandbox_expression WHERE object_id = ?1 AND colid = ?2",
                            "UPDATE syscolumns SET colid = colid - 1, colorder = colorder - 1 WHERE id = ?1 AND number = 0 AND colid > ?2",
                            "UPDATE syscomments SET number = number - 1 WHERE id = ?1 AND number > ?2",
                            "UPDATE sandbox_expression SET colid = colid - 1 WHERE object_id = ?1 AND colid > ?2",
                            "UPDATE sysindexkeys SET colid = colid - 1 WHERE id = ?1 AND colid > ?2",
                            "UPDATE sysforeignkeys SET fkey = fkey - 1 WHERE fkeyid = ?1 AND fkey > ?2",
                            "UPDATE sysforeignkeys SET rkey = rkey - 1 WHERE rkeyid = ?1 AND rkey > ?2",
                            "UPDATE sysobjects SET info = info - 1 WHERE parent_obj = ?1 AND info > ?2 AND xtype <> 'TR'"}) {
        Statement statement(db_, sql);
        statement.bind(1, tableId).bind(2, colid);
        statement.run();
    }
    Statement identity(db_, "DELETE FROM sandbox_identity WHERE table_id = ?1 AND column_name = ?2");
    identity.bind(1, tableId).bind(2, column);
    identity.run();
    // sysreferences keeps colids in slots; rebuild them from sysforeignkeys.
    for (int i = 1; i <= 16; ++i) {
        const std::string n = std::to_string(i);
        execute(db_, "UPDATE sysreferences SET fkey" + n + " = fkey" + n + " - 1 WHERE fkeyid = " + std::to_string(tableId) +
                         " AND fkey" + n + " > " + std::to_string(colid));
        execute(db_, "UPDATE sysreferences SET rkey" + n + " = rkey" + n + " - 1 WHERE rkeyid = " + std::to_string(tableId) +
                         " AND rkey" + n + " > " + std::to_string(colid));
    }
}

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
        std::string column = quoteName(name) + " " +
                             declaredTypeText(xtype, static_cast<int>(columns.integer(3)), static_cast<int>(columns.integer(4)),
                                              static_cast<int>(columns.integer(5)), static_cast<int>(columns.integer(6)));
        const bool computed = columns.integer(8) != 0;
        const bool identity = columns.integer(10) != 0;
        if (isCharacterXtype(xtype))
            column += " COLLATE SQLSERVER";
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
    Statement constraints(db_, "SELECT id, name, xtype FROM sysobjects WHERE parent_obj = ?1 AND xtype IN ('PK', 'UQ', 'F ', 'C ') ORDER BY id");
    constraints.bind(1, tableId);
    while (constraints.step()) {
        const std::int64_t id = constraints.integer(0);
        const std::string name = constraints.text(1);
        const std::string type = constraints.text(2);
        if (type == xtype::PrimaryKey || type == xtype::Unique) {
            definition += ", CONSTRAINT " + quoteName(name) + (type == xtype::PrimaryKey ? " PRIMARY KEY (" : " UNIQUE (") +
                          keyColumns(name) + ")";
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
    return definition + ")";
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
