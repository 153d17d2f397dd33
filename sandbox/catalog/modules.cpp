#include "catalog/modules.h"

#include <set>

#include "catalog/catalog_store.h"
#include "catalog/columns.h"
#include "catalog/sqlite_util.h"
#include "catalog/tables.h"
#include "engine/translate.h"
#include "engine/translator.h"

namespace sandbox::catalog {

namespace {

std::string definitionText(const ModuleStatement& statement)
{
    return std::string(statement.source.substr(statement.tokens[statement.begin].begin));
}

int ownerId(const ModuleStatement& statement, const QualifiedName& name)
{
    if (!name.owner.empty())
        if (const auto uid = userId(statement.context.db, name.owner))
            return *uid;
    return userId(statement.context.db, statement.context.userName).value_or(1);
}

// The id for a new object, or the altered object's own; 2714 when the name is taken.
std::int64_t objectIdFor(const ModuleStatement& statement, const QualifiedName& name)
{
    if (statement.alteredId)
        return *statement.alteredId;
    if (findObject(statement.context.db, name.name))
        throw SqlError(2714, 16, 3, "There is already an object named '" + name.name + "' in the database.");
    return newObjectId(statement.context.db);
}

void registerObject(const ModuleStatement& statement, const QualifiedName& name, std::int64_t id, std::string_view type,
                    std::int64_t parent = 0, std::int64_t deltrig = 0)
{
    if (statement.alteredId)
        return;
    insertObject(statement.context.db, NewObject{name.name, id, type, ownerId(statement, name), parent, 0, 0, deltrig});
}

void skipModuleOptions(Cursor& cursor)
{
    if (cursor.acceptWord("WITH")) {
        do {
            cursor.name();
        } while (cursor.acceptSymbol(","));
    }
    if (cursor.peek().isWord("FOR") && cursor.peek(1).isWord("REPLICATION"))
        cursor.pos += 2;
}

// Reads "@name [AS] type [VARYING] [= default] [OUTPUT]" parameters up to the closing word or symbol.
std::vector<ColumnRow> readParameters(sqlite3* db, Cursor& cursor, std::int64_t id, int number, bool parenthesised)
{
    std::vector<ColumnRow> parameters;
    if (parenthesised && cursor.peek().isSymbol(")"))
        return parameters;
    while (cursor.peek().kind == TokenKind::Variable) {
        ColumnRow row;
        row.name = cursor.tokens[cursor.pos++].text;
        row.objectId = id;
        row.number = number;
        row.colid = static_cast<int>(parameters.size()) + 1;
        cursor.acceptWord("AS");
        row.type = parseColumnType(db, cursor.tokens, cursor.pos, cursor.end);
        cursor.acceptWord("VARYING");
        if (cursor.acceptSymbol("=")) {
            cursor.acceptSymbol("-");
            if (cursor.atEnd())
                throw cursor.error();
            ++cursor.pos;
        }
        if (cursor.acceptWord("OUTPUT") || cursor.acceptWord("OUT"))
            row.outParam = true;
        row.nullable = true;
        for (const auto& earlier : parameters)
            if (equalsIgnoreCase(earlier.name, row.name))
                throw SqlError(134, 15, 1, "The variable name '" + row.name +
                                               "' has already been declared. Variable names must be unique within a query "
                                               "batch or stored procedure.");
        parameters.push_back(row);
        if (!cursor.acceptSymbol(","))
            break;
    }
    return parameters;
}

// Catalogues the columns of a SQLite view or query result: a column taken straight from a user table keeps that
// column's type and nullability.
void catalogResultColumns(sqlite3* db, std::int64_t id, const std::string& query, const std::vector<std::string>& names)
{
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, query.c_str(), -1, &raw, nullptr) != SQLITE_OK) {
        sqlite3_finalize(raw);
        return;
    }
    const int count = sqlite3_column_count(raw);
    std::vector<ColumnRow> rows;
    for (int i = 0; i < count; ++i) {
        ColumnRow row;
        row.objectId = id;
        row.colid = i + 1;
        row.name = i < static_cast<int>(names.size()) ? names[i] : sqlite3_column_name(raw, i);
        const char* table = sqlite3_column_table_name(raw, i);
        const char* origin = sqlite3_column_origin_name(raw, i);
        bool resolved = false;
        if (table && origin) {
            Statement source(db,
                             "SELECT c.xtype, c.xusertype, c.length, c.xprec, c.xscale, c.isnullable FROM syscolumns c "
                             "JOIN sysobjects o ON o.id = c.id WHERE o.name = ?1 AND o.xtype IN ('U ', 'S ') AND c.name = ?2 "
                             "AND c.number = 0");
            source.bind(1, table).bind(2, origin);
            if (source.step()) {
                const int xusertype = static_cast<int>(source.integer(1));
                row.type = typeFromText(db, declaredTypeText(static_cast<int>(source.integer(0)), xusertype,
                                                             static_cast<int>(source.integer(2)),
                                                             static_cast<int>(source.integer(3)),
                                                             static_cast<int>(source.integer(4))));
                if (xusertype > 256) {
                    Statement udt(db, "SELECT name FROM systypes WHERE xusertype = ?1");
                    udt.bind(1, xusertype);
                    if (udt.step())
                        row.type = typeFromText(db, udt.text(0));
                }
                row.nullable = source.integer(5) != 0;
                resolved = true;
            }
        }
        if (!resolved) {
            const char* declared = sqlite3_column_decltype(raw, i);
            try {
                row.type = typeFromText(db, declared ? declared : "varchar(255)");
            } catch (const SqlError&) {
                row.type = typeFromText(db, "varchar(255)");
            }
        }
        rows.push_back(row);
    }
    sqlite3_finalize(raw);
    for (const auto& row : rows)
        insertColumn(db, row);
}

struct Dependency {
    std::int64_t id;
    std::string xtype;
    bool written = false;
};

}  // namespace

void clearModuleRows(sqlite3* db, std::int64_t id)
{
    for (const char* sql : {"DELETE FROM syscolumns WHERE id = ?1", "DELETE FROM syscomments WHERE id = ?1",
                            "DELETE FROM sysdepends WHERE id = ?1", "DELETE FROM sandbox_expression WHERE object_id = ?1"}) {
        Statement statement(db, sql);
        statement.bind(1, id);
        statement.run();
    }
}

void recordDependencies(sqlite3* db, std::int64_t id, int number, const std::vector<Token>& tokens, std::size_t begin,
                        std::size_t end)
{
    std::vector<Dependency> objects;
    std::set<std::string> words;
    bool star = false;
    for (std::size_t i = begin; i < end; ++i) {
        const Token& token = tokens[i];
        star = star || token.isSymbol("*");
        if (!token.isName())
            continue;
        words.insert(toUpperAscii(token.text));
        Statement lookup(db,
                         "SELECT id, xtype FROM sysobjects WHERE name = ?1 AND id <> ?2 AND xtype IN ('U ', 'V ', 'P ', 'FN', 'IF', 'TF')");
        lookup.bind(1, token.text).bind(2, id);
        if (!lookup.step())
            continue;
        const std::int64_t found = lookup.integer(0);
        // Skip an owner or database prefix (dbo.Orders) to see the word before the name.
        std::size_t before = i;
        while (before >= begin + 2 && tokens[before - 1].isSymbol("."))
            before -= 2;
        const Token* previous = before > begin ? &tokens[before - 1] : nullptr;
        const bool deleteFrom = previous && previous->isWord("FROM") && before >= begin + 2 && tokens[before - 2].isWord("DELETE");
        const bool written =
            previous && (previous->isWord("INTO") || previous->isWord("UPDATE") || previous->isWord("DELETE") || deleteFrom);
        bool merged = false;
        for (auto& object : objects)
            if (object.id == found) {
                object.written = object.written || written;
                merged = true;
            }
        if (!merged)
            objects.push_back({found, lookup.text(1), written});
    }
    Statement insert(db,
                     "INSERT INTO sysdepends (id, depid, number, depnumber, status, deptype, depdbid, depsiteid, selall, resultobj, "
                     "readobj) VALUES (?1, ?2, ?3, ?4, 1, 0, 0, 0, ?5, ?6, ?7)");
    for (const auto& object : objects) {
        std::vector<int> colids;
        if (object.xtype == "U " || object.xtype == "V ") {
            Statement columns(db, "SELECT name, colid FROM syscolumns WHERE id = ?1 AND number = 0 ORDER BY colid");
            columns.bind(1, object.id);
            while (columns.step())
                if (star || words.count(toUpperAscii(columns.text(0))))
                    colids.push_back(static_cast<int>(columns.integer(1)));
        }
        if (colids.empty())
            colids.push_back(0);
        for (int colid : colids) {
            insert.reset();
            insert.bind(1, id).bind(2, object.id).bind(3, number).bind(4, colid);
            insert.bind(5, star && colid != 0 ? 1 : 0).bind(6, object.written ? 1 : 0).bind(7, object.written ? 0 : 1);
            insert.run();
        }
    }
}

void createView(const ModuleStatement& statement, Cursor& cursor)
{
    sqlite3* db = statement.context.db;
    const QualifiedName name = cursor.qualifiedName();
    std::vector<std::string> columnNames;
    if (cursor.peek().isSymbol("("))
        columnNames = nameList(cursor, false);
    skipModuleOptions(cursor);
    cursor.expectWord("AS");
    const std::size_t selectBegin = cursor.pos;
    std::size_t selectEnd = statement.end;
    if (selectEnd - selectBegin >= 3 && statement.tokens[selectEnd - 1].isWord("OPTION") &&
        statement.tokens[selectEnd - 2].isWord("CHECK") && statement.tokens[selectEnd - 3].isWord("WITH"))
        selectEnd -= 3;
    if (!cursor.peek().isWord("SELECT"))
        throw cursor.error();

    const std::int64_t id = objectIdFor(statement, name);
    if (statement.alteredId) {
        clearModuleRows(db, id);
        execute(db, "DROP VIEW IF EXISTS " + quoteName(name.name));
    }
    registerObject(statement, name, id, xtype::View);
    bool created = false;
    try {
        const std::string select = translateSelect(statement.tokens, selectBegin, selectEnd);
        std::string columns;
        for (const auto& column : columnNames)
            columns += (columns.empty() ? "" : ", ") + quoteName(column);
        execute(db, "CREATE VIEW " + quoteName(name.name) + (columns.empty() ? "" : " (" + columns + ")") + " AS " + select);
        created = true;
    } catch (const SqlError& error) {
        // Kept in the catalog all the same; selecting from it reports the failure then. A definition
        // nested too deeply is refused outright, as SQL Server refuses it.
        if (error.number == 191)
            throw;
    }
    if (created)
        catalogResultColumns(db, id, "SELECT * FROM " + quoteName(name.name), columnNames);
    insertComments(db, id, 0, definitionText(statement));
    recordDependencies(db, id, 0, statement.tokens, selectBegin, selectEnd);
}

void createProcedure(const ModuleStatement& statement, Cursor& cursor)
{
    sqlite3* db = statement.context.db;
    const QualifiedName name = cursor.qualifiedName();
    int number = 1;
    if (cursor.acceptSymbol(";")) {
        if (cursor.peek().kind != TokenKind::Number)
            throw cursor.error();
        number = std::stoi(cursor.tokens[cursor.pos++].text);
    }
    std::int64_t id = 0;
    const auto existing = findObject(db, name.name);
    const bool newGroupMember = !statement.alteredId && number > 1 && existing && existing->xtype == "P " &&
                                !queryInteger(db, "SELECT 1 FROM syscomments WHERE id = " + std::to_string(existing->id) +
                                                      " AND number = " + std::to_string(number));
    id = newGroupMember ? existing->id : objectIdFor(statement, name);
    const bool parenthesised = cursor.acceptSymbol("(");
    const std::vector<ColumnRow> parameters = readParameters(db, cursor, id, number, parenthesised);
    if (parenthesised)
        cursor.expectSymbol(")");
    skipModuleOptions(cursor);
    cursor.expectWord("AS");
    if (statement.alteredId)
        clearModuleRows(db, id);
    if (!newGroupMember)
        registerObject(statement, name, id, xtype::Procedure);
    for (const auto& parameter : parameters)
        insertColumn(db, parameter);
    insertComments(db, id, number, definitionText(statement));
    recordDependencies(db, id, number, statement.tokens, cursor.pos, statement.end);
}

void createFunction(const ModuleStatement& statement, Cursor& cursor)
{
    sqlite3* db = statement.context.db;
    const QualifiedName name = cursor.qualifiedName();
    const std::int64_t id = objectIdFor(statement, name);
    cursor.expectSymbol("(");
    const std::vector<ColumnRow> parameters = readParameters(db, cursor, id, 1, true);
    cursor.expectSymbol(")");
    cursor.expectWord("RETURNS");

    std::string_view type;
    std::size_t bodyBegin = 0;
    if (cursor.acceptWord("TABLE")) {
        type = xtype::InlineFunction;
        skipModuleOptions(cursor);
        cursor.acceptWord("AS");
        cursor.expectWord("RETURN");
        bodyBegin = cursor.pos;
        std::size_t selectBegin = cursor.pos;
        std::size_t selectEnd = statement.end;
        while (selectEnd > selectBegin && statement.tokens[selectEnd - 1].isSymbol(";"))
            --selectEnd;
        if (cursor.peek().isSymbol("(")) {
            const auto inner = cursor.parenthesized();
            selectBegin = inner.first;
            selectEnd = inner.second;
        }
        if (statement.alteredId)
            clearModuleRows(db, id);
        registerObject(statement, name, id, type);
        // The result columns are catalogued beside the parameters, as for a view; each parameter stands in as NULL.
        TranslateContext context;
        context.variable = [&parameters](const std::string& variable) -> std::optional<Value> {
            for (const auto& parameter : parameters)
                if (equalsIgnoreCase(parameter.name, variable))
                    return Value(Null{});
            return std::nullopt;
        };
        try {
            catalogResultColumns(db, id, translateSelectStatement(statement.tokens, selectBegin, selectEnd, context).sql, {});
        } catch (const SqlError&) {
            // A body SQLite cannot take: the function keeps its parameters only.
        }
    } else if (cursor.peek().kind == TokenKind::Variable) {
        type = xtype::TableFunction;
        ++cursor.pos;
        cursor.expectWord("TABLE");
        cursor.expectSymbol("(");
        TableDefinition table;
        do {
            if (!parseTableConstraint(cursor, table))
                parseColumnDefinition(db, cursor, table);
        } while (cursor.acceptSymbol(","));
        cursor.expectSymbol(")");
        if (statement.alteredId)
            clearModuleRows(db, id);
        registerObject(statement, name, id, type);
        int colid = 1;
        for (const auto& column : table.columns) {
            ColumnRow row;
            row.name = column.name;
            row.objectId = id;
            row.colid = colid++;
            row.type = column.computed ? typeFromText(db, "int") : column.type;
            row.nullable = !column.identity && column.nullable.value_or(column.type.allowNulls);
            row.identity = column.identity;
            row.computed = column.computed;
            insertColumn(db, row);
        }
    } else {
        type = xtype::ScalarFunction;
        ColumnRow result;
        result.objectId = id;
        result.colid = 0;
        result.number = 1;
        result.type = parseColumnType(db, cursor.tokens, cursor.pos, cursor.end);
        result.outParam = true;
        result.nullable = true;
        if (statement.alteredId)
            clearModuleRows(db, id);
        registerObject(statement, name, id, type);
        insertColumn(db, result);
    }
    for (const auto& parameter : parameters)
        insertColumn(db, parameter);
    insertComments(db, id, 0, definitionText(statement));
    recordDependencies(db, id, 0, statement.tokens, type == xtype::InlineFunction ? bodyBegin : cursor.pos, statement.end);
}

void createTrigger(const ModuleStatement& statement, Cursor& cursor)
{
    sqlite3* db = statement.context.db;
    const QualifiedName name = cursor.qualifiedName();
    cursor.expectWord("ON");
    const QualifiedName tableName = cursor.qualifiedName();
    const auto table = findObject(db, tableName.name);
    if (!table || (table->xtype != "U " && table->xtype != "V "))
        throw invalidObjectName(tableName.written);
    if (cursor.acceptWord("WITH"))
        cursor.expectWord("ENCRYPTION");
    bool insert = false;
    bool update = false;
    bool remove = false;
    if (!cursor.acceptWord("FOR") && !cursor.acceptWord("AFTER")) {
        cursor.expectWord("INSTEAD");
        cursor.expectWord("OF");
    }
    do {
        if (cursor.acceptWord("INSERT"))
            insert = true;
        else if (cursor.acceptWord("UPDATE"))
            update = true;
        else if (cursor.acceptWord("DELETE"))
            remove = true;
        else
            throw cursor.error();
    } while (cursor.acceptSymbol(","));
    if (cursor.acceptWord("WITH"))
        cursor.expectWord("APPEND");
    if (cursor.peek().isWord("NOT") && cursor.peek(1).isWord("FOR")) {
        cursor.pos += 2;
        cursor.expectWord("REPLICATION");
    }
    cursor.expectWord("AS");
    const std::int64_t id = objectIdFor(statement, name);
    if (statement.alteredId)
        clearModuleRows(db, id);
    registerObject(statement, name, id, xtype::Trigger, table->id, table->id);
    const std::string tableId = std::to_string(table->id);
    const std::string triggerId = std::to_string(id);
    if (insert)
        execute(db, "UPDATE sysobjects SET instrig = " + triggerId + " WHERE instrig = 0 AND id = " + tableId);
    if (update)
        execute(db, "UPDATE sysobjects SET updtrig = " + triggerId + " WHERE updtrig = 0 AND id = " + tableId);
    if (remove)
        execute(db, "UPDATE sysobjects SET deltrig = " + triggerId + " WHERE deltrig = 0 AND id = " + tableId);
    insertComments(db, id, 0, definitionText(statement));
    recordDependencies(db, id, 0, statement.tokens, cursor.pos, statement.end);
}

void createDefaultOrRule(const ModuleStatement& statement, Cursor& cursor, bool isRule)
{
    sqlite3* db = statement.context.db;
    const QualifiedName name = cursor.qualifiedName();
    cursor.expectWord("AS");
    if (cursor.atEnd())
        throw cursor.error();
    std::size_t expressionEnd = statement.end;
    while (expressionEnd > cursor.pos && statement.tokens[expressionEnd - 1].isSymbol(";"))
        --expressionEnd;
    const std::int64_t id = objectIdFor(statement, name);
    registerObject(statement, name, id, isRule ? xtype::Rule : xtype::Default);
    insertComments(db, id, 0, definitionText(statement));
    if (!isRule)
        if (const auto sqlite = sqliteExpression(statement.tokens, cursor.pos, expressionEnd)) {
            Statement store(db, "INSERT OR REPLACE INTO sandbox_expression (object_id, colid, sqlite_text) VALUES (?1, 0, ?2)");
            store.bind(1, id).bind(2, *sqlite);
            store.run();
        }
}

}  // namespace sandbox::catalog
