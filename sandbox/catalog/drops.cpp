// DROP TABLE / VIEW / PROCEDURE / FUNCTION / TRIGGER / DEFAULT / RULE.
#include "catalog/catalog_store.h"
#include "catalog/sqlite_util.h"
#include "catalog/statements.h"

namespace sandbox::catalog {

namespace {

struct Kind {
    std::string_view keyword;
    std::string_view noun;       // "table", as messages name it
    std::string_view article;    // "a table"
    std::vector<std::string_view> xtypes;
};

const std::vector<Kind>& kinds()
{
    static const std::vector<Kind> all = {
        {"TABLE", "table", "a table", {xtype::UserTable}},
        {"VIEW", "view", "a view", {xtype::View}},
        {"PROCEDURE", "procedure", "a procedure", {xtype::Procedure}},
        {"FUNCTION", "function", "a function", {xtype::ScalarFunction, xtype::InlineFunction, xtype::TableFunction}},
        {"TRIGGER", "trigger", "a trigger", {xtype::Trigger}},
        {"DEFAULT", "default", "a default", {xtype::Default}},
        {"RULE", "rule", "a rule", {xtype::Rule}},
    };
    return all;
}

const Kind& kindOf(std::string_view keyword)
{
    for (const auto& kind : kinds())
        if (kind.keyword == keyword)
            return kind;
    return kinds().front();
}

const Kind* kindOfType(const std::string& type)
{
    for (const auto& kind : kinds())
        for (auto x : kind.xtypes)
            if (x == type)
                return &kind;
    return nullptr;
}

void run(sqlite3* db, const char* sql, std::int64_t id)
{
    Statement statement(db, sql);
    statement.bind(1, id);
    statement.run();
}

void dropTable(sqlite3* db, const FoundObject& table)
{
    Statement referencing(db, "SELECT 1 FROM sysreferences WHERE rkeyid = ?1 AND fkeyid <> ?1");
    referencing.bind(1, table.id);
    if (referencing.step())
        throw SqlError(3726, 16, 1, "Could not drop object '" + table.name + "' because it is referenced by a FOREIGN KEY constraint.");
    std::vector<std::int64_t> children;
    {
        Statement query(db, "SELECT id FROM sysobjects WHERE parent_obj = ?1");
        query.bind(1, table.id);
        while (query.step())
            children.push_back(query.integer(0));
    }
    for (const std::int64_t child : children) {
        deleteObjectRows(db, child);
        run(db, "DELETE FROM sandbox_expression WHERE object_id = ?1", child);
    }
    deleteObjectRows(db, table.id);
    for (const char* sql : {"DELETE FROM sysindexes WHERE id = ?1", "DELETE FROM sysindexkeys WHERE id = ?1",
                            "DELETE FROM sysreferences WHERE fkeyid = ?1", "DELETE FROM sysforeignkeys WHERE fkeyid = ?1",
                            "DELETE FROM sandbox_identity WHERE table_id = ?1",
                            "DELETE FROM sandbox_expression WHERE object_id = ?1"})
        run(db, sql, table.id);
    execute(db, "DROP TABLE IF EXISTS " + quoteName(table.name));
}

void dropObject(sqlite3* db, const FoundObject& object, const Kind& kind)
{
    if (kind.keyword == "TABLE") {
        dropTable(db, object);
        return;
    }
    if (kind.keyword == "DEFAULT" || kind.keyword == "RULE") {
        const char* column = kind.keyword == "DEFAULT" ? "cdefault" : "domain";
        const char* type = kind.keyword == "DEFAULT" ? "tdefault" : "domain";
        const bool bound =
            queryInteger(db, std::string("SELECT 1 FROM syscolumns WHERE ") + column + " = " + std::to_string(object.id)) ||
            queryInteger(db, std::string("SELECT 1 FROM systypes WHERE ") + type + " = " + std::to_string(object.id));
        if (bound)
            throw SqlError(kind.keyword == "DEFAULT" ? 3716 : 3717, 16, 1,
                           "Cannot drop the " + std::string(kind.noun) + " '" + object.name +
                               "' because it is bound to one or more column.");
    }
    deleteObjectRows(db, object.id);
    run(db, "DELETE FROM sandbox_expression WHERE object_id = ?1", object.id);
    if (kind.keyword == "VIEW")
        execute(db, "DROP VIEW IF EXISTS " + quoteName(object.name));
    if (kind.keyword == "TRIGGER")
        for (const char* column : {"instrig", "updtrig", "deltrig"})
            execute(db, std::string("UPDATE sysobjects SET ") + column + " = 0 WHERE id = " + std::to_string(object.parent) +
                            " AND " + column + " = " + std::to_string(object.id));
}

}  // namespace

void dropObjects(DdlContext& context, Cursor& cursor, std::string_view keyword)
{
    const Kind& kind = kindOf(keyword);
    do {
        const QualifiedName name = cursor.qualifiedName();
        requireThisDatabase(name, context.databaseName, "DROP " + std::string(kind.keyword), kind.keyword != "TABLE");
        const auto object = findObject(context.db, name.name);
        if (!object)
            throw SqlError(3701, 11, 5,
                           "Cannot drop the " + std::string(kind.noun) + " '" + name.written +
                               "', because it does not exist in the system catalog.");
        const Kind* actual = kindOfType(object->xtype);
        if (!actual || actual->keyword != kind.keyword) {
            const std::string article = actual ? std::string(actual->article) : "a constraint";
            const std::string use = actual ? " Use DROP " + std::string(actual->keyword) + "." : "";
            throw SqlError(3705, 16, 1,
                           "Cannot use DROP " + std::string(kind.keyword) + " with '" + name.written + "' because '" +
                               name.written + "' is " + article + "." + use);
        }
        dropObject(context.db, *object, kind);
    } while (cursor.acceptSymbol(","));
    if (!cursor.atEnd() && !cursor.peek().isSymbol(";"))
        throw cursor.error();
}

}  // namespace sandbox::catalog
