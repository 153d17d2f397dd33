// Catalog rows of a table and its columns, for CREATE TABLE and ALTER TABLE ADD/DROP COLUMN.
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

}  // namespace

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

void TableWriter::addColumn(std::int64_t tableId, const std::string& tableName, const ColumnDefinition& column)
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

}  // namespace sandbox::catalog
