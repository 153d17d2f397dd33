// The catalog functions: OBJECT_ID, OBJECT_NAME, DB_NAME, DB_ID, USER_NAME, USER_ID, COLUMNPROPERTY,
// OBJECTPROPERTY, TYPE_NAME, COL_NAME, COL_LENGTH, IDENT_*, SERVERPROPERTY, DATABASEPROPERTYEX.
#include <optional>
#include <vector>

#include "engine/database_registry.h"
#include "engine/sqlite_function_support.h"
#include "engine/tokenizer.h"

namespace sandbox::sqlfn {

namespace {

// ---- catalog functions -------------------------------------------------------

struct ObjectName {
    std::string database;
    std::string owner;
    std::string name;
};

// Splits 'db.owner.name' (parts bracketed, quoted or empty as in db..name).
std::optional<ObjectName> parseObjectName(const std::string& text)
{
    std::vector<std::string> parts(1);
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '[' || c == '"') {
            char close = c == '[' ? ']' : '"';
            for (++i; i < text.size(); ++i) {
                if (text[i] == close) {
                    if (i + 1 < text.size() && text[i + 1] == close) {
                        parts.back() += close;
                        ++i;
                        continue;
                    }
                    break;
                }
                parts.back() += text[i];
            }
        } else if (c == '.') {
            parts.emplace_back();
        } else if (c != ' ' || !parts.back().empty()) {
            parts.back() += c;
        }
    }
    for (std::string& part : parts)
        while (!part.empty() && part.back() == ' ')
            part.pop_back();
    if (parts.size() > 3 || parts.back().empty())
        return std::nullopt;
    ObjectName name;
    name.name = parts.back();
    if (parts.size() >= 2)
        name.owner = parts[parts.size() - 2];
    if (parts.size() == 3)
        name.database = parts[0];
    return name;
}

// A connection to read another database's catalog from inside a function.
struct CatalogReader {
    sqlite3* db = nullptr;
    SqliteHandle own;
};

bool readerFor(sqlite3_context* ctx, const std::string& database, CatalogReader& reader)
{
    const ConnectionContext& context = contextOf(ctx);
    if (database.empty() || equalsIgnoreCase(database, context.databaseName) || !context.registry) {
        reader.db = sqlite3_context_db_handle(ctx);
        return true;
    }
    auto entry = context.registry->find(database);
    if (!entry)
        return false;
    sqlite3* raw = nullptr;
    int rc = sqlite3_open_v2(context.registry->fileOf(entry->name).c_str(), &raw, SQLITE_OPEN_READONLY, nullptr);
    reader.own.reset(raw);
    if (rc != SQLITE_OK)
        return false;
    sqlite3_busy_timeout(raw, 10000);
    registerTsqlFunctions(raw, nullptr);
    reader.db = raw;
    return true;
}

// Runs a one-value catalog query; nullopt when there is no row or the query fails.
std::optional<Value> queryValue(sqlite3* db, const char* sql, const std::vector<Value>& parameters)
{
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &raw, nullptr) != SQLITE_OK) {
        sqlite3_finalize(raw);
        return std::nullopt;
    }
    StatementHandle statement(raw);
    for (std::size_t i = 0; i < parameters.size(); ++i) {
        int index = static_cast<int>(i + 1);
        if (const auto* s = std::get_if<std::string>(&parameters[i]))
            sqlite3_bind_text(raw, index, s->data(), static_cast<int>(s->size()), SQLITE_TRANSIENT);
        else if (const auto* n = std::get_if<std::int64_t>(&parameters[i]))
            sqlite3_bind_int64(raw, index, *n);
        else
            sqlite3_bind_null(raw, index);
    }
    if (sqlite3_step(raw) != SQLITE_ROW)
        return std::nullopt;
    return columnValue(raw, 0);
}

void resultValue(sqlite3_context* ctx, const std::optional<Value>& value)
{
    if (!value || std::holds_alternative<Null>(*value))
        return sqlite3_result_null(ctx);
    if (const auto* i = std::get_if<std::int64_t>(&*value))
        return sqlite3_result_int64(ctx, *i);
    if (const auto* d = std::get_if<double>(&*value))
        return sqlite3_result_double(ctx, *d);
    if (const auto* s = std::get_if<std::string>(&*value))
        return resultText(ctx, *s);
    const Bytes& b = std::get<Bytes>(*value);
    sqlite3_result_blob(ctx, b.data(), static_cast<int>(b.size()), SQLITE_TRANSIENT);
}

std::optional<Value> findObjectId(sqlite3* db, const ObjectName& name)
{
    if (!name.owner.empty())
        return queryValue(db,
                          "SELECT o.id FROM sysobjects o JOIN sysusers u ON u.uid = o.uid "
                          "WHERE o.name = ?1 COLLATE SQLSERVER AND u.name = ?2 COLLATE SQLSERVER",
                          {name.name, name.owner});
    return queryValue(db, "SELECT id FROM sysobjects WHERE name = ?1 COLLATE SQLSERVER ORDER BY uid <> 1 LIMIT 1",
                      {name.name});
}

void objectIdFunction(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (isNull(argv[0]))
        return sqlite3_result_null(ctx);
    auto name = parseObjectName(textArg(argv[0]));
    if (!name || name->name[0] == '#')
        return sqlite3_result_null(ctx);
    CatalogReader reader;
    if (!readerFor(ctx, name->database, reader))
        return sqlite3_result_null(ctx);
    resultValue(ctx, findObjectId(reader.db, *name));
}

void objectNameFunction(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (isNull(argv[0]))
        return sqlite3_result_null(ctx);
    resultValue(ctx, queryValue(sqlite3_context_db_handle(ctx), "SELECT name FROM sysobjects WHERE id = ?1",
                                {static_cast<std::int64_t>(sqlite3_value_int64(argv[0]))}));
}

void dbNameFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    const ConnectionContext& context = contextOf(ctx);
    if (argc == 0)
        return resultText(ctx, context.databaseName);
    if (isNull(argv[0]) || !context.registry)
        return sqlite3_result_null(ctx);
    auto entry = context.registry->find(static_cast<int>(sqlite3_value_int64(argv[0])));
    if (!entry)
        return sqlite3_result_null(ctx);
    resultText(ctx, entry->name);
}

void dbIdFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    const ConnectionContext& context = contextOf(ctx);
    std::string name = argc == 0 ? context.databaseName : textArg(argv[0]);
    if ((argc == 1 && isNull(argv[0])) || !context.registry)
        return sqlite3_result_null(ctx);
    auto entry = context.registry->find(name);
    if (!entry)
        return sqlite3_result_null(ctx);
    sqlite3_result_int(ctx, entry->id);
}

void userNameFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    if (argc == 0)
        return resultText(ctx, "dbo");
    if (isNull(argv[0]))
        return sqlite3_result_null(ctx);
    resultValue(ctx, queryValue(sqlite3_context_db_handle(ctx), "SELECT name FROM sysusers WHERE uid = ?1",
                                {static_cast<std::int64_t>(sqlite3_value_int64(argv[0]))}));
}

void userIdFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    if (argc == 0)
        return sqlite3_result_int(ctx, 1);
    if (isNull(argv[0]))
        return sqlite3_result_null(ctx);
    resultValue(ctx, queryValue(sqlite3_context_db_handle(ctx), "SELECT uid FROM sysusers WHERE name = ?1 COLLATE SQLSERVER",
                                {textArg(argv[0])}));
}

void sessionTextFunction(sqlite3_context* ctx, int, sqlite3_value**)
{
    const ConnectionContext& context = contextOf(ctx);
    // user data is the context; which field is chosen by the registered name, kept in a small lookup.
    resultText(ctx, context.loginName);
}

void columnPropertyFunction(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (isNull(argv[0]) || isNull(argv[1]) || isNull(argv[2]))
        return sqlite3_result_null(ctx);
    const std::string property = toUpperAscii(textArg(argv[2]));
    const char* sql = nullptr;
    if (property == "ISIDENTITY")
        sql = "SELECT CASE WHEN status & 128 THEN 1 ELSE 0 END FROM syscolumns WHERE id = ?1 AND name = ?2 COLLATE SQLSERVER";
    else if (property == "ISCOMPUTED")
        sql = "SELECT iscomputed FROM syscolumns WHERE id = ?1 AND name = ?2 COLLATE SQLSERVER";
    else if (property == "ALLOWSNULL")
        sql = "SELECT isnullable FROM syscolumns WHERE id = ?1 AND name = ?2 COLLATE SQLSERVER";
    else if (property == "PRECISION")
        sql = "SELECT prec FROM syscolumns WHERE id = ?1 AND name = ?2 COLLATE SQLSERVER";
    else if (property == "SCALE")
        sql = "SELECT scale FROM syscolumns WHERE id = ?1 AND name = ?2 COLLATE SQLSERVER";
    else if (property == "ISOUTPARAM")
        sql = "SELECT isoutparam FROM syscolumns WHERE id = ?1 AND name = ?2 COLLATE SQLSERVER";
    else if (property == "ISROWGUIDCOL" || property == "ISIDNOTFORREPL")
        sql = "SELECT 0 FROM syscolumns WHERE id = ?1 AND name = ?2 COLLATE SQLSERVER";
    if (!sql)
        return sqlite3_result_null(ctx);
    resultValue(ctx, queryValue(sqlite3_context_db_handle(ctx), sql,
                                {static_cast<std::int64_t>(sqlite3_value_int64(argv[0])), textArg(argv[1])}));
}

void objectPropertyFunction(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (isNull(argv[0]) || isNull(argv[1]))
        return sqlite3_result_null(ctx);
    static const std::pair<const char*, const char*> properties[] = {
        {"ISMSSHIPPED", "CASE WHEN category & 2 THEN 1 ELSE 0 END"},
        {"ISUSERTABLE", "xtype = 'U'"},
        {"ISSYSTEMTABLE", "xtype = 'S'"},
        {"ISTABLE", "xtype IN ('U', 'S')"},
        {"ISVIEW", "xtype = 'V'"},
        {"ISPROCEDURE", "xtype = 'P'"},
        {"ISEXTENDEDPROC", "xtype = 'X'"},
        {"ISTRIGGER", "xtype = 'TR'"},
        {"ISSCALARFUNCTION", "xtype = 'FN'"},
        {"ISTABLEFUNCTION", "xtype IN ('TF', 'IF')"},
        {"ISINLINEFUNCTION", "xtype = 'IF'"},
        {"ISPRIMARYKEY", "xtype = 'PK'"},
        {"ISFOREIGNKEY", "xtype = 'F'"},
        {"ISCHECKCNST", "xtype = 'C'"},
        {"ISDEFAULTCNST", "xtype = 'D' AND parent_obj <> 0"},
        {"ISDEFAULT", "xtype = 'D' AND parent_obj = 0"},
        {"ISRULE", "xtype = 'R'"},
        {"ISCONSTRAINT", "xtype IN ('C', 'F', 'PK', 'UQ') OR (xtype = 'D' AND parent_obj <> 0)"},
        {"OWNERID", "uid"},
        {"TABLEHASPRIMARYKEY", "EXISTS (SELECT 1 FROM sysobjects k WHERE k.parent_obj = sysobjects.id AND k.xtype = 'PK')"},
        {"TABLEHASFOREIGNKEY", "EXISTS (SELECT 1 FROM sysobjects k WHERE k.parent_obj = sysobjects.id AND k.xtype = 'F')"},
        {"TABLEHASIDENTITY", "EXISTS (SELECT 1 FROM syscolumns c WHERE c.id = sysobjects.id AND c.status & 128)"},
        {"ISENCRYPTED", "EXISTS (SELECT 1 FROM syscomments c WHERE c.id = sysobjects.id AND c.encrypted = 1)"},
    };
    const std::string property = toUpperAscii(textArg(argv[1]));
    for (const auto& [name, expression] : properties) {
        if (property == name) {
            std::string sql = std::string("SELECT CASE WHEN (") + expression + ") THEN 1 ELSE 0 END, " + expression +
                              " FROM sysobjects WHERE id = ?1";
            auto value = queryValue(sqlite3_context_db_handle(ctx), sql.c_str(),
                                    {static_cast<std::int64_t>(sqlite3_value_int64(argv[0]))});
            if (value && property == "OWNERID")
                value = queryValue(sqlite3_context_db_handle(ctx), "SELECT uid FROM sysobjects WHERE id = ?1",
                                   {static_cast<std::int64_t>(sqlite3_value_int64(argv[0]))});
            return resultValue(ctx, value);
        }
    }
    sqlite3_result_null(ctx);
}

void typeNameFunction(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (isNull(argv[0]))
        return sqlite3_result_null(ctx);
    resultValue(ctx, queryValue(sqlite3_context_db_handle(ctx), "SELECT name FROM systypes WHERE xusertype = ?1",
                                {static_cast<std::int64_t>(sqlite3_value_int64(argv[0]))}));
}

void colNameFunction(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (isNull(argv[0]) || isNull(argv[1]))
        return sqlite3_result_null(ctx);
    resultValue(ctx, queryValue(sqlite3_context_db_handle(ctx), "SELECT name FROM syscolumns WHERE id = ?1 AND colid = ?2",
                                {static_cast<std::int64_t>(sqlite3_value_int64(argv[0])),
                                 static_cast<std::int64_t>(sqlite3_value_int64(argv[1]))}));
}

void colLengthFunction(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (isNull(argv[0]) || isNull(argv[1]))
        return sqlite3_result_null(ctx);
    auto name = parseObjectName(textArg(argv[0]));
    CatalogReader reader;
    if (!name || !readerFor(ctx, name->database, reader))
        return sqlite3_result_null(ctx);
    auto id = findObjectId(reader.db, *name);
    if (!id)
        return sqlite3_result_null(ctx);
    resultValue(ctx, queryValue(reader.db, "SELECT length FROM syscolumns WHERE id = ?1 AND name = ?2 COLLATE SQLSERVER",
                                {*id, textArg(argv[1])}));
}

// IDENT_SEED / IDENT_INCR / IDENT_CURRENT('table'): the catalog keeps identity settings in sandbox_identity.
void identityValue(sqlite3_context* ctx, sqlite3_value** argv, const char* which)
{
    if (isNull(argv[0]))
        return sqlite3_result_null(ctx);
    auto name = parseObjectName(textArg(argv[0]));
    CatalogReader reader;
    if (!name || !readerFor(ctx, name->database, reader))
        return sqlite3_result_null(ctx);
    auto id = findObjectId(reader.db, *name);
    if (!id)
        return sqlite3_result_null(ctx);
    const std::string sql = std::string("SELECT ") + which + " FROM sandbox_identity WHERE table_id = ?1";
    resultValue(ctx, queryValue(reader.db, sql.c_str(), {*id}));
}

void serverPropertyFunction(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (isNull(argv[0]))
        return sqlite3_result_null(ctx);
    const std::string property = toUpperAscii(textArg(argv[0]));
    if (property == "SERVERNAME" || property == "MACHINENAME")
        return resultText(ctx, "SANDBOX");
    if (property == "PRODUCTVERSION")
        return resultText(ctx, "8.00.760");
    if (property == "PRODUCTLEVEL")
        return resultText(ctx, "SP3");
    if (property == "EDITION")
        return resultText(ctx, "Developer Edition");
    if (property == "ENGINEEDITION")
        return sqlite3_result_int(ctx, 3);
    if (property == "COLLATION")
        return resultText(ctx, "SQL_Latin1_General_CP1_CI_AS");
    if (property == "ISINTEGRATEDSECURITYONLY" || property == "ISSINGLEUSER" || property == "ISCLUSTERED" ||
        property == "ISFULLTEXTINSTALLED")
        return sqlite3_result_int(ctx, 0);
    sqlite3_result_null(ctx);
}

void databasePropertyFunction(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    const ConnectionContext& context = contextOf(ctx);
    if (isNull(argv[0]) || isNull(argv[1]) || !context.registry || !context.registry->find(textArg(argv[0])))
        return sqlite3_result_null(ctx);
    const std::string property = toUpperAscii(textArg(argv[1]));
    if (property == "STATUS")
        return resultText(ctx, "ONLINE");
    if (property == "USERACCESS")
        return resultText(ctx, "MULTI_USER");
    if (property == "UPDATEABILITY")
        return resultText(ctx, "READ_WRITE");
    if (property == "RECOVERY")
        return resultText(ctx, "FULL");
    if (property == "COLLATION")
        return resultText(ctx, "SQL_Latin1_General_CP1_CI_AS");
    if (property == "VERSION")
        return sqlite3_result_int(ctx, 539);
    sqlite3_result_null(ctx);
}

}  // namespace

void registerCatalogFunctions(sqlite3* db, const ConnectionContext* context)
{
    void* data = const_cast<ConnectionContext*>(context);
    const int flags = SQLITE_UTF8;
    static const FunctionEntry catalog[] = {
        {"object_id", 1, objectIdFunction}, {"object_name", 1, objectNameFunction}, {"db_name", 0, dbNameFunction},
        {"db_name", 1, dbNameFunction}, {"db_id", 0, dbIdFunction}, {"db_id", 1, dbIdFunction},
        {"user_name", 0, userNameFunction}, {"user_name", 1, userNameFunction}, {"user_id", 0, userIdFunction},
        {"user_id", 1, userIdFunction}, {"suser_sname", 0, sessionTextFunction}, {"suser_name", 0, sessionTextFunction},
        {"columnproperty", 3, columnPropertyFunction}, {"objectproperty", 2, objectPropertyFunction},
        {"type_name", 1, typeNameFunction}, {"col_name", 2, colNameFunction}, {"col_length", 2, colLengthFunction},
        {"serverproperty", 1, serverPropertyFunction}, {"databasepropertyex", 2, databasePropertyFunction},
    };
    for (const FunctionEntry& entry : catalog)
        sqlite3_create_function(db, entry.name, entry.arguments, flags, data, entry.function, nullptr, nullptr);
    sqlite3_create_function(db, "ident_seed", 1, flags, data,
                            [](sqlite3_context* ctx, int, sqlite3_value** argv) { identityValue(ctx, argv, "seed"); },
                            nullptr, nullptr);
    sqlite3_create_function(db, "ident_incr", 1, flags, data,
                            [](sqlite3_context* ctx, int, sqlite3_value** argv) { identityValue(ctx, argv, "increment"); },
                            nullptr, nullptr);
    sqlite3_create_function(db, "ident_current", 1, flags, data,
                            [](sqlite3_context* ctx, int, sqlite3_value** argv) { identityValue(ctx, argv, "current"); },
                            nullptr, nullptr);
    sqlite3_create_function(db, "host_name", 0, flags, data,
                            [](sqlite3_context* ctx, int, sqlite3_value**) { resultText(ctx, contextOf(ctx).hostName); },
                            nullptr, nullptr);
    sqlite3_create_function(db, "app_name", 0, flags, data,
                            [](sqlite3_context* ctx, int, sqlite3_value**) { resultText(ctx, contextOf(ctx).appName); },
                            nullptr, nullptr);
}

}  // namespace sandbox::sqlfn
