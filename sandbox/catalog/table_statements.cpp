// CREATE TABLE, ALTER TABLE, CREATE INDEX and DROP INDEX.
#include "catalog/catalog_store.h"
#include "catalog/sqlite_util.h"
#include "catalog/statements.h"
#include "catalog/tables.h"

namespace sandbox::catalog {

namespace {

int ownerOf(DdlContext& context, const QualifiedName& name)
{
    if (!name.owner.empty())
        if (const auto uid = userId(context.db, name.owner))
            return *uid;
    return userId(context.db, context.userName).value_or(1);
}

FoundObject userTable(DdlContext& context, const QualifiedName& name)
{
    const auto table = findObject(context.db, name.name);
    if (!table || table->xtype != xtype::UserTable)
        throw invalidObjectName(name.written);
    return *table;
}

void skipOnFilegroup(Cursor& cursor)
{
    for (;;) {
        if (cursor.acceptWord("ON") || cursor.acceptWord("TEXTIMAGE_ON"))
            cursor.name();
        else
            return;
    }
}

}  // namespace

void createTable(DdlContext& context, const std::vector<Token>& tokens, Cursor& cursor)
{
    TableDefinition table;
    table.name = cursor.qualifiedName();
    requireThisDatabase(table.name, context.databaseName, "CREATE TABLE", false);
    if (table.name.name.rfind('#', 0) == 0)
        throw SqlError(50000, 16, 1, "Temporary tables are not supported by this server.");
    cursor.expectSymbol("(");
    do {
        if (!parseTableConstraint(cursor, table))
            parseColumnDefinition(context.db, cursor, table);
    } while (cursor.acceptSymbol(","));
    cursor.expectSymbol(")");
    skipOnFilegroup(cursor);
    if (!cursor.atEnd())
        throw cursor.error();
    TableWriter writer(context.db, tokens);
    writer.createTable(table, ownerOf(context, table.name));
}

void alterTable(DdlContext& context, const std::vector<Token>& tokens, Cursor& cursor)
{
    const QualifiedName name = cursor.qualifiedName();
    requireThisDatabase(name, context.databaseName, "ALTER TABLE", false);
    const FoundObject table = userTable(context, name);
    TableWriter writer(context.db, tokens);
    bool checkRows = true;
    if (cursor.acceptWord("WITH")) {
        if (!cursor.acceptWord("CHECK")) {
            cursor.expectWord("NOCHECK");
            checkRows = false;
        }
    }
    if (cursor.peek().isWord("CHECK") || cursor.peek().isWord("NOCHECK")) {
        // Enabling or disabling constraints changes nothing the catalog shows.
        ++cursor.pos;
        cursor.expectWord("CONSTRAINT");
        if (!cursor.acceptWord("ALL")) {
            do {
                const std::string constraint = cursor.name();
                const auto found = findObject(context.db, constraint);
                if (!found || found->parent != table.id)
                    throw SqlError(4917, 16, 1, "Constraint '" + constraint + "' does not exist.");
            } while (cursor.acceptSymbol(","));
        }
    } else if (cursor.acceptWord("ADD")) {
        TableDefinition added;
        added.name = name;
        do {
            if (!parseTableConstraint(cursor, added))
                parseColumnDefinition(context.db, cursor, added);
        } while (cursor.acceptSymbol(","));
        if (cursor.acceptWord("WITH"))
            cursor.expectWord("VALUES");
        for (const auto& column : added.columns)
            writer.addColumn(table.id, table.name, column);
        std::vector<std::int64_t> constraints;
        for (const auto& constraint : added.constraints)
            if (constraint.kind == ConstraintKind::PrimaryKey || constraint.kind == ConstraintKind::Unique)
                constraints.push_back(writer.addConstraint(table.id, table.name, constraint));
        for (const auto& constraint : added.constraints)
            if (constraint.kind != ConstraintKind::PrimaryKey && constraint.kind != ConstraintKind::Unique)
                constraints.push_back(writer.addConstraint(table.id, table.name, constraint));
        writer.rebuildSqliteTable(table.id, table.name);
        if (checkRows)
            for (const std::int64_t constraint : constraints)
                writer.checkExistingRows(constraint, table.name);
    } else if (cursor.acceptWord("DROP")) {
        do {
            if (cursor.acceptWord("COLUMN")) {
                do {
                    writer.dropColumn(table.id, table.name, cursor.name());
                } while (cursor.peek().isSymbol(",") && !cursor.peek(1).isWord("CONSTRAINT") &&
                         !cursor.peek(1).isWord("COLUMN") && cursor.acceptSymbol(","));
            } else {
                cursor.acceptWord("CONSTRAINT");
                const std::string constraint = cursor.name();
                const auto found = findObject(context.db, constraint);
                if (!found || found->parent != table.id || found->xtype == xtype::Trigger)
                    throw SqlError(3728, 16, 1, "'" + constraint + "' is not a constraint.");
                if (found->xtype == xtype::PrimaryKey || found->xtype == xtype::Unique) {
                    Statement referenced(context.db,
                                         "SELECT o.name FROM sysreferences r JOIN sysobjects o ON o.id = r.constid "
                                         "JOIN sysindexes i ON i.id = r.rkeyid AND i.indid = r.rkeyindid "
                                         "WHERE r.rkeyid = ?1 AND i.name = ?2");
                    referenced.bind(1, table.id).bind(2, found->name);
                    if (referenced.step())
                        throw SqlError(3725, 16, 1,
                                       "The constraint '" + found->name + "' is being referenced by table '" + table.name +
                                           "', foreign key constraint '" + referenced.text(0) + "'.");
                    Statement index(context.db, "SELECT indid FROM sysindexes WHERE id = ?1 AND name = ?2");
                    index.bind(1, table.id).bind(2, found->name);
                    if (index.step()) {
                        const std::string indid = std::to_string(index.integer(0));
                        execute(context.db, "DELETE FROM sysindexkeys WHERE id = " + std::to_string(table.id) + " AND indid = " + indid);
                        execute(context.db, "DELETE FROM sysindexes WHERE id = " + std::to_string(table.id) + " AND indid = " + indid);
                        if (indid == "1")
                            insertIndexRow(context.db, table.id, 0, 0, 0, table.name, tableRowCount(context.db, table.name));
                    }
                }
                if (found->xtype == xtype::ForeignKey) {
                    execute(context.db, "DELETE FROM sysreferences WHERE constid = " + std::to_string(found->id));
                    execute(context.db, "DELETE FROM sysforeignkeys WHERE constid = " + std::to_string(found->id));
                }
                if (found->xtype == xtype::Default)
                    execute(context.db, "UPDATE syscolumns SET cdefault = 0 WHERE cdefault = " + std::to_string(found->id));
                if (found->xtype == xtype::Check)
                    execute(context.db, "UPDATE syscolumns SET domain = 0 WHERE domain = " + std::to_string(found->id));
                deleteObjectRows(context.db, found->id);
                execute(context.db, "DELETE FROM sandbox_expression WHERE object_id = " + std::to_string(found->id));
            }
        } while (cursor.acceptSymbol(","));
        writer.rebuildSqliteTable(table.id, table.name);
    } else if (cursor.acceptWord("ALTER")) {
        cursor.expectWord("COLUMN");
        const std::string column = cursor.name();
        const ColumnTypeInfo type = parseColumnType(context.db, tokens, cursor.pos, cursor.end);
        bool nullable = type.allowNulls;
        if (cursor.acceptWord("NULL"))
            nullable = true;
        else if (cursor.acceptWord("NOT")) {
            cursor.expectWord("NULL");
            nullable = false;
        }
        Statement update(context.db,
                         "UPDATE syscolumns SET xtype = ?1, xusertype = ?2, length = ?3, xprec = ?4, xscale = ?5, prec = ?6, "
                         "scale = ?7, isnullable = ?8, status = (status & ~8) | ?9 WHERE id = ?10 AND number = 0 AND name = ?11");
        update.bind(1, type.xtype).bind(2, type.xusertype).bind(3, type.length).bind(4, type.xprec).bind(5, type.xscale);
        update.bind(6, type.prec);
        if (type.scale)
            update.bind(7, *type.scale);
        else
            update.bindNull(7);
        update.bind(8, nullable ? 1 : 0).bind(9, nullable ? 8 : 0).bind(10, table.id).bind(11, column);
        update.run();
        if (sqlite3_changes(context.db) == 0)
            throw SqlError(4924, 16, 1, "ALTER TABLE ALTER COLUMN failed because column '" + column + "' does not exist in table '" +
                                            table.name + "'.");
        writer.rebuildSqliteTable(table.id, table.name);
    } else {
        throw cursor.error();
    }
    if (!cursor.atEnd())
        throw cursor.error();
    execute(context.db, "UPDATE sysobjects SET schema_ver = schema_ver + 16 WHERE id = " + std::to_string(table.id));
}

void createIndex(DdlContext& context, Cursor& cursor, bool unique, std::optional<bool> clustered)
{
    const std::string indexName = cursor.name();
    cursor.expectWord("ON");
    const QualifiedName tableName = cursor.qualifiedName();
    requireThisDatabase(tableName, context.databaseName, "CREATE INDEX", false);
    const FoundObject table = userTable(context, tableName);
    std::vector<std::string> columns;
    std::vector<std::string> ordered;
    cursor.expectSymbol("(");
    do {
        columns.push_back(cursor.name());
        std::string item = quoteName(columns.back());
        if (cursor.acceptWord("DESC"))
            item += " DESC";
        else
            cursor.acceptWord("ASC");
        ordered.push_back(item);
    } while (cursor.acceptSymbol(","));
    cursor.expectSymbol(")");
    if (cursor.acceptWord("WITH")) {
        do {
            cursor.name();
            if (cursor.acceptSymbol("="))
                ++cursor.pos;
        } while (cursor.acceptSymbol(","));
    }
    if (cursor.acceptWord("ON"))
        cursor.name();
    if (!cursor.atEnd())
        throw cursor.error();

    sqlite3* db = context.db;
    Statement existing(db, "SELECT 1 FROM sysindexes WHERE id = ?1 AND name = ?2");
    existing.bind(1, table.id).bind(2, indexName);
    if (existing.step())
        throw SqlError(1913, 16, 1, "There is already an index on table '" + table.name + "' named '" + indexName + "'.");
    const bool hasClustered = queryInteger(db, "SELECT 1 FROM sysindexes WHERE indid = 1 AND id = " + std::to_string(table.id)).has_value();
    const bool isClustered = clustered.value_or(false);
    if (isClustered && hasClustered)
        throw SqlError(1902, 16, 3,
                       "Cannot create more than one clustered index on table '" + table.name +
                           "'. Drop the existing clustered index before creating another.");
    std::vector<int> colids;
    for (const auto& column : columns) {
        Statement colid(db, "SELECT colid FROM syscolumns WHERE id = ?1 AND number = 0 AND name = ?2");
        colid.bind(1, table.id).bind(2, column);
        if (!colid.step())
            throw SqlError(1911, 16, 1, "Column name '" + column + "' does not exist in the target table or view.");
        colids.push_back(static_cast<int>(colid.integer(0)));
    }
    int indid = 1;
    if (isClustered)
        execute(db, "DELETE FROM sysindexes WHERE indid = 0 AND id = " + std::to_string(table.id));
    else
        indid = nextIndexId(db, table.id);
    std::string list;
    for (const auto& item : ordered)
        list += (list.empty() ? "" : ", ") + item;
    try {
        execute(db, std::string("CREATE ") + (unique ? "UNIQUE " : "") + "INDEX " +
                        quoteName(sqliteIndexName(table.name, indexName)) + " ON " + quoteName(table.name) + " (" + list + ")");
    } catch (const SqlError&) {
        if (unique)
            throw duplicateKeyError(db, table.name, columns, indid);
        throw;
    }
    insertIndexRow(db, table.id, indid, (unique ? 2 : 0) | (isClustered ? 16 : 0), static_cast<int>(colids.size()), indexName,
                   tableRowCount(db, table.name));
    Statement key(db, "INSERT INTO sysindexkeys (id, indid, colid, keyno) VALUES (?1, ?2, ?3, ?4)");
    for (std::size_t i = 0; i < colids.size(); ++i) {
        key.reset();
        key.bind(1, table.id).bind(2, indid).bind(3, colids[i]).bind(4, static_cast<int>(i + 1));
        key.run();
    }
    if (isClustered && unique) {
        // The rows now follow this key.
        TableWriter writer(db, cursor.tokens);
        writer.rebuildSqliteTable(table.id, table.name);
    }
}

void dropIndexes(DdlContext& context, Cursor& cursor)
{
    sqlite3* db = context.db;
    do {
        const QualifiedName name = cursor.qualifiedName();
        const std::string written = name.written;
        const std::string tableName = name.owner;
        const std::string indexName = name.name;
        const auto table = tableName.empty() ? std::nullopt : findObject(db, tableName);
        std::int64_t indid = 0;
        std::int64_t status = 0;
        {
            Statement index(db, "SELECT indid, status FROM sysindexes WHERE id = ?1 AND name = ?2 AND indid BETWEEN 1 AND 250");
            index.bind(1, table ? table->id : 0).bind(2, indexName);
            if (!table || !index.step())
                throw SqlError(3703, 11, 7,
                               "Cannot drop the index '" + written + "', because it does not exist in the system catalog.");
            indid = index.integer(0);
            status = index.integer(1);
        }
        if (status & (2048 | 4096))
            throw SqlError(3723, 16, 4,
                           "An explicit DROP INDEX is not allowed on index '" + written + "'. It is being used for " +
                               ((status & 2048) ? "PRIMARY KEY" : "UNIQUE KEY") + " constraint enforcement.");
        const std::string where = " WHERE id = " + std::to_string(table->id) + " AND indid = " + std::to_string(indid);
        execute(db, "DELETE FROM sysindexkeys" + where);
        execute(db, "DELETE FROM sysindexes" + where);
        execute(db, "DROP INDEX IF EXISTS " + quoteName(sqliteIndexName(table->name, indexName)));
        if (indid == 1) {
            insertIndexRow(db, table->id, 0, 0, 0, table->name, tableRowCount(db, table->name));
            if (status & 2) {
                // A heap again: rows in the order they came.
                TableWriter writer(db, cursor.tokens);
                writer.rebuildSqliteTable(table->id, table->name);
            }
        }
    } while (cursor.acceptSymbol(","));
}

}  // namespace sandbox::catalog
