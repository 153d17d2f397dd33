// sp_addtype, sp_droptype, sp_bindefault, sp_unbindefault, sp_bindrule, sp_unbindrule.
#include <algorithm>
#include <map>

#include "catalog/catalog_store.h"
#include "catalog/columns.h"
#include "catalog/sqlite_util.h"
#include "catalog/statements.h"
#include "catalog/tables.h"

namespace sandbox::catalog {

namespace {

struct Arguments {
    std::vector<std::optional<std::string>> positional;
    std::map<std::string, std::optional<std::string>> named;  // upper-case name with @

    std::optional<std::string> get(std::size_t position, const std::string& name) const
    {
        if (const auto found = named.find(name); found != named.end())
            return found->second;
        return position < positional.size() ? positional[position] : std::nullopt;
    }
};

Arguments readArguments(Cursor& cursor)
{
    Arguments arguments;
    if (cursor.atEnd())
        return arguments;
    do {
        std::string name;
        if (cursor.peek().kind == TokenKind::Variable && cursor.peek(1).isSymbol("=")) {
            name = toUpperAscii(cursor.peek().text);
            cursor.pos += 2;
        }
        std::optional<std::string> value;
        const Token& token = cursor.peek();
        if (token.isWord("NULL")) {
            ++cursor.pos;
        } else if (token.kind == TokenKind::String || token.kind == TokenKind::Number || token.isName()) {
            value = token.text;
            ++cursor.pos;
            // An unquoted two-part name such as Orders.OrderDate.
            while (cursor.peek().isSymbol(".") && cursor.peek(1).isName()) {
                *value += "." + cursor.peek(1).text;
                cursor.pos += 2;
            }
        } else {
            throw cursor.error();
        }
        if (name.empty())
            arguments.positional.push_back(value);
        else
            arguments.named[name] = value;
    } while (cursor.acceptSymbol(","));
    if (!cursor.atEnd())
        throw cursor.error();
    return arguments;
}

SqlError missingParameter(const std::string& procedure, const std::string& parameter)
{
    return SqlError(201, 16, 4, "Procedure '" + procedure + "' expects parameter '" + parameter + "', which was not supplied.");
}

std::string required(const Arguments& arguments, std::size_t position, const std::string& name, const std::string& procedure)
{
    const auto value = arguments.get(position, toUpperAscii(name));
    if (!value)
        throw missingParameter(procedure, name);
    return *value;
}

// 'Table.Column' (any part may be bracketed, an owner may lead) or a user-defined type name.
struct BindTarget {
    std::optional<FoundObject> table;
    int colid = 0;
    std::string column;
    int xusertype = 0;
};

std::string unbracket(std::string part)
{
    if (part.size() >= 2 && ((part.front() == '[' && part.back() == ']') || (part.front() == '"' && part.back() == '"')))
        return part.substr(1, part.size() - 2);
    return part;
}

BindTarget bindTarget(sqlite3* db, const std::string& objectName)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t dot = objectName.find('.', start);
        parts.push_back(unbracket(objectName.substr(start, dot == std::string::npos ? std::string::npos : dot - start)));
        if (dot == std::string::npos)
            break;
        start = dot + 1;
    }
    BindTarget target;
    if (parts.size() >= 2) {
        target.table = findObject(db, parts[parts.size() - 2]);
        target.column = parts.back();
        if (target.table && target.table->xtype == xtype::UserTable) {
            Statement column(db, "SELECT colid FROM syscolumns WHERE id = ?1 AND number = 0 AND name = ?2");
            column.bind(1, target.table->id).bind(2, target.column);
            if (column.step()) {
                target.colid = static_cast<int>(column.integer(0));
                return target;
            }
        }
        throw SqlError(15148, 16, 1, "The data type or table name given does not exist or you do not own it.");
    }
    const auto type = queryInteger(db, "SELECT xusertype FROM systypes WHERE xusertype > 256 AND name = ?1", parts.front());
    if (!type)
        throw SqlError(15148, 16, 1, "The data type or table name given does not exist or you do not own it.");
    target.xusertype = static_cast<int>(*type);
    return target;
}

void rebuildTables(DdlContext& context, const std::vector<Token>& tokens, const std::string& where)
{
    std::vector<std::pair<std::int64_t, std::string>> tables;
    {
        Statement query(context.db, "SELECT DISTINCT o.id, o.name FROM sysobjects o JOIN syscolumns c ON c.id = o.id "
                                    "WHERE o.xtype = 'U ' AND c.number = 0 AND " + where);
        while (query.step())
            tables.emplace_back(query.integer(0), query.text(1));
    }
    TableWriter writer(context.db, tokens);
    for (const auto& [id, name] : tables)
        writer.rebuildSqliteTable(id, name);
}

void addType(DdlContext& context, const Arguments& arguments)
{
    sqlite3* db = context.db;
    const std::string name = required(arguments, 0, "@typename", "sp_addtype");
    const std::string physical = required(arguments, 1, "@phystype", "sp_addtype");
    const std::string nullType = toUpperAscii(arguments.get(2, "@NULLTYPE").value_or("NOT NULL"));
    if (queryInteger(db, "SELECT 1 FROM systypes WHERE name = ?1", name))
        throw SqlError(15029, 16, 1, "The type '" + name + "' already exists in the database.");
    ColumnTypeInfo type;
    try {
        type = typeFromText(db, physical);
    } catch (const SqlError&) {
        throw SqlError(15036, 16, 1, "The data type '" + physical + "' does not exist.");
    }
    if (type.xusertype > 255 || type.xtype == 189)
        throw SqlError(15036, 16, 1, "The data type '" + physical + "' does not exist.");
    bool allowNulls = false;
    if (nullType == "NULL")
        allowNulls = true;
    else if (nullType != "NOT NULL" && nullType != "NONULL")
        throw SqlError(15040, 16, 1, "User-defined data types can only be created as NULL or NOT NULL.");
    const int uid = userId(db, arguments.get(3, "@OWNER").value_or(context.userName)).value_or(1);
    const int xusertype =
        static_cast<int>(queryInteger(db, "SELECT max(xusertype) + 1 FROM systypes WHERE xusertype > 256").value_or(257));
    Statement base(db, "SELECT variable, usertype, type FROM systypes WHERE xusertype = ?1");
    base.bind(1, type.xtype);
    base.step();
    Statement insert(db,
                     "INSERT INTO systypes (name, xtype, status, xusertype, length, xprec, xscale, tdefault, domain, uid, reserved, "
                     "collationid, usertype, variable, allownulls, type, printfmt, prec, scale, collation) VALUES "
                     "(?1, ?2, ?3, ?4, ?5, ?6, ?7, 0, 0, ?8, 0, ?9, ?10, ?11, ?12, ?13, NULL, ?14, ?15, ?16)");
    insert.bind(1, name).bind(2, type.xtype).bind(3, allowNulls ? 8 : 0).bind(4, xusertype).bind(5, type.length);
    insert.bind(6, type.xprec).bind(7, type.xscale).bind(8, uid).bind(10, 100 + xusertype - 257);
    insert.bind(11, base.integer(0)).bind(12, allowNulls ? 1 : 0).bind(13, base.integer(2)).bind(14, type.prec);
    insert.bind(15, type.xscale);
    if (type.character)
        insert.bind(9, defaultCollationId).bind(16, defaultCollation);
    else
        insert.bindNull(9).bindNull(16);
    insert.run();
    inform(context, 0, "Type added.", "sp_addtype");
}

void dropType(DdlContext& context, const Arguments& arguments)
{
    const std::string name = required(arguments, 0, "@typename", "sp_droptype");
    const auto type = queryInteger(context.db, "SELECT xusertype FROM systypes WHERE xusertype > 256 AND name = ?1", name);
    if (!type)
        throw SqlError(15010, 16, 1, "The data type '" + name + "' does not exist.");
    if (queryInteger(context.db, "SELECT 1 FROM syscolumns WHERE xusertype = " + std::to_string(*type)))
        throw SqlError(15180, 16, 1, "Cannot drop. The data type is being used.");
    execute(context.db, "DELETE FROM systypes WHERE xusertype = " + std::to_string(*type));
    inform(context, 0, "Type has been dropped.", "sp_droptype");
}

// sp_bindefault and sp_bindrule: kind is "default" or "rule".
void bind(DdlContext& context, const std::vector<Token>& tokens, const Arguments& arguments, bool isRule)
{
    sqlite3* db = context.db;
    const std::string procedure = isRule ? "sp_bindrule" : "sp_bindefault";
    const std::string objectName = required(arguments, 0, isRule ? "@rulename" : "@defname", procedure);
    const std::string targetName = required(arguments, 1, "@objname", procedure);
    const bool futureOnly = arguments.get(2, "@FUTUREONLY").has_value();
    const auto object = findObject(db, objectName);
    if (!object || object->parent != 0 || object->xtype != (isRule ? xtype::Rule : xtype::Default))
        throw SqlError(isRule ? 15017 : 15016, 16, 1,
                       std::string("The ") + (isRule ? "rule" : "default") + " '" + objectName + "' does not exist.");
    const BindTarget target = bindTarget(db, targetName);
    const std::string column = isRule ? "domain" : "cdefault";
    const std::string id = std::to_string(object->id);
    if (target.table) {
        if (!isRule) {
            const auto current = queryInteger(db, "SELECT cdefault FROM syscolumns WHERE number = 0 AND id = " +
                                                      std::to_string(target.table->id) + " AND colid = " + std::to_string(target.colid));
            if (current.value_or(0) != 0)
                if (const auto owner = findObjectById(db, *current); owner && owner->parent != 0)
                    throw SqlError(15103, 16, 1,
                                   "Cannot bind a default to a column created with or altered to have a default value.");
        }
        execute(db, "UPDATE syscolumns SET " + column + " = " + id + " WHERE number = 0 AND id = " +
                        std::to_string(target.table->id) + " AND colid = " + std::to_string(target.colid));
        if (!isRule) {
            TableWriter writer(db, tokens);
            writer.rebuildSqliteTable(target.table->id, target.table->name);
        }
        inform(context, isRule ? 15514 : 15511, isRule ? "Rule bound to table column." : "Default bound to column.", procedure);
        return;
    }
    const std::string typeColumn = isRule ? "domain" : "tdefault";
    const std::string xusertype = std::to_string(target.xusertype);
    const std::int64_t previous =
        queryInteger(db, "SELECT " + typeColumn + " FROM systypes WHERE xusertype = " + xusertype).value_or(0);
    execute(db, "UPDATE systypes SET " + typeColumn + " = " + id + " WHERE xusertype = " + xusertype);
    inform(context, isRule ? 15515 : 15512, isRule ? "Rule bound to data type." : "Default bound to data type.", procedure);
    if (futureOnly)
        return;
    const std::string where = "c.xusertype = " + xusertype + " AND c." + column + " IN (0, " + std::to_string(previous) + ")";
    if (!queryInteger(db, "SELECT 1 FROM syscolumns c WHERE c.number = 0 AND " + where))
        return;
    if (!isRule)
        execute(db, "UPDATE syscolumns SET cdefault = " + id + " WHERE number = 0 AND xusertype = " + xusertype +
                        " AND cdefault IN (0, " + std::to_string(previous) + ")");
    else
        execute(db, "UPDATE syscolumns SET domain = " + id + " WHERE number = 0 AND xusertype = " + xusertype +
                        " AND domain IN (0, " + std::to_string(previous) + ")");
    if (!isRule)
        rebuildTables(context, tokens, "c.cdefault = " + id);
    inform(context, isRule ? 15516 : 15513,
           isRule ? "The new rule has been bound to column(s) of the specified user data type."
                  : "The new default has been bound to columns(s) of the specified user data type.",
           procedure);
}

void unbind(DdlContext& context, const std::vector<Token>& tokens, const Arguments& arguments, bool isRule)
{
    sqlite3* db = context.db;
    const std::string procedure = isRule ? "sp_unbindrule" : "sp_unbindefault";
    const std::string targetName = required(arguments, 0, "@objname", procedure);
    const BindTarget target = bindTarget(db, targetName);
    const std::string column = isRule ? "domain" : "cdefault";
    if (target.table) {
        const std::string where = " WHERE number = 0 AND id = " + std::to_string(target.table->id) + " AND colid = " +
                                  std::to_string(target.colid);
        const std::int64_t current = queryInteger(db, "SELECT " + column + " FROM syscolumns" + where).value_or(0);
        const auto owner = current ? findObjectById(db, current) : std::nullopt;
        if (!owner || owner->parent != 0)
            throw SqlError(isRule ? 15050 : 15049, 11, 1,
                           "Cannot unbind from '" + targetName + "'. Use ALTER TABLE DROP CONSTRAINT.");
        execute(db, "UPDATE syscolumns SET " + column + " = 0" + where);
        if (!isRule) {
            TableWriter writer(db, tokens);
            writer.rebuildSqliteTable(target.table->id, target.table->name);
        }
        inform(context, isRule ? 15519 : 15518,
               isRule ? "Rule unbound from table column." : "Default unbound from table column.", procedure);
        return;
    }
    const std::string typeColumn = isRule ? "domain" : "tdefault";
    const std::string xusertype = std::to_string(target.xusertype);
    const std::int64_t previous =
        queryInteger(db, "SELECT " + typeColumn + " FROM systypes WHERE xusertype = " + xusertype).value_or(0);
    execute(db, "UPDATE systypes SET " + typeColumn + " = 0 WHERE xusertype = " + xusertype);
    if (previous != 0) {
        const std::string where = "c.xusertype = " + xusertype + " AND c." + column + " = " + std::to_string(previous);
        const bool affected = queryInteger(db, "SELECT 1 FROM syscolumns c WHERE c.number = 0 AND " + where).has_value();
        if (!isRule && affected)
            rebuildTables(context, tokens, where);
        execute(db, "UPDATE syscolumns SET " + column + " = 0 WHERE number = 0 AND xusertype = " + xusertype + " AND " +
                        column + " = " + std::to_string(previous));
        if (!isRule && affected)
            rebuildTables(context, tokens, "c.xusertype = " + xusertype);
    }
    inform(context, isRule ? 15521 : 15520, isRule ? "Rule unbound from data type." : "Default unbound from data type.",
           procedure);
}

}  // namespace

void inform(DdlContext& context, int number, const std::string& text, const std::string& procedure)
{
    if (!context.sink)
        return;
    ServerMessage message;
    message.number = number;
    message.severity = number == 0 ? 0 : 10;
    message.text = text;
    message.procName = procedure;
    context.sink->message(message);
}

bool runSystemProcedure(DdlContext& context, Cursor& cursor)
{
    // master.dbo.sp_addtype, dbo.sp_addtype and sp_addtype name the same procedure.
    std::size_t probe = cursor.pos;
    while (probe + 1 < cursor.end && cursor.tokens[probe].isName() && cursor.tokens[probe + 1].isSymbol("."))
        probe += probe + 2 < cursor.end && cursor.tokens[probe + 2].isSymbol(".") ? 3 : 2;
    if (probe >= cursor.end || !cursor.tokens[probe].isName())
        return false;
    const std::string name = toUpperAscii(cursor.tokens[probe].text);
    static const std::vector<std::string> handled = {"SP_ADDTYPE",      "SP_DROPTYPE",  "SP_BINDEFAULT",
                                                     "SP_UNBINDEFAULT", "SP_BINDRULE", "SP_UNBINDRULE"};
    if (std::find(handled.begin(), handled.end(), name) == handled.end())
        return false;
    cursor.pos = probe + 1;
    const Arguments arguments = readArguments(cursor);
    if (name == "SP_ADDTYPE")
        addType(context, arguments);
    else if (name == "SP_DROPTYPE")
        dropType(context, arguments);
    else if (name == "SP_BINDEFAULT")
        bind(context, cursor.tokens, arguments, false);
    else if (name == "SP_BINDRULE")
        bind(context, cursor.tokens, arguments, true);
    else if (name == "SP_UNBINDEFAULT")
        unbind(context, cursor.tokens, arguments, false);
    else
        unbind(context, cursor.tokens, arguments, true);
    return true;
}

}  // namespace sandbox::catalog
