// Entry point: recognises the DDL statements this module runs and runs each inside a savepoint.
#include "catalog/ddl.h"

#include "catalog/catalog_store.h"
#include "catalog/modules.h"
#include "catalog/sqlite_util.h"
#include "catalog/statements.h"

namespace sandbox::catalog {

namespace {

enum class ModuleKind { None, View, Procedure, Function, Trigger, Default, Rule };

ModuleKind moduleKind(const Token& token)
{
    if (token.isWord("VIEW")) return ModuleKind::View;
    if (token.isWord("PROC") || token.isWord("PROCEDURE")) return ModuleKind::Procedure;
    if (token.isWord("FUNCTION")) return ModuleKind::Function;
    if (token.isWord("TRIGGER")) return ModuleKind::Trigger;
    if (token.isWord("DEFAULT")) return ModuleKind::Default;
    if (token.isWord("RULE")) return ModuleKind::Rule;
    return ModuleKind::None;
}

const char* statementTitle(bool alter, ModuleKind kind)
{
    switch (kind) {
    case ModuleKind::View: return alter ? "ALTER VIEW" : "CREATE VIEW";
    case ModuleKind::Procedure: return alter ? "ALTER PROCEDURE" : "CREATE PROCEDURE";
    case ModuleKind::Function: return alter ? "ALTER FUNCTION" : "CREATE FUNCTION";
    case ModuleKind::Trigger: return alter ? "ALTER TRIGGER" : "CREATE TRIGGER";
    case ModuleKind::Default: return "CREATE DEFAULT";
    case ModuleKind::Rule: return "CREATE RULE";
    case ModuleKind::None: break;
    }
    return "";
}

bool matchesKind(const std::string& xtype, ModuleKind kind)
{
    switch (kind) {
    case ModuleKind::View: return xtype == xtype::View;
    case ModuleKind::Procedure: return xtype == xtype::Procedure;
    case ModuleKind::Function:
        return xtype == xtype::ScalarFunction || xtype == xtype::InlineFunction || xtype == xtype::TableFunction;
    case ModuleKind::Trigger: return xtype == xtype::Trigger;
    default: return false;
    }
}

void runModule(DdlContext& context, const std::vector<Token>& tokens, std::size_t begin, std::size_t end,
               std::string_view source, Cursor& cursor, ModuleKind kind, bool alter)
{
    // These must open their batch: the rest of the batch is their body.
    for (std::size_t i = 0; i < begin; ++i)
        if (!tokens[i].isSymbol(";"))
            throw SqlError(111, 15, 1, std::string("'") + statementTitle(alter, kind) + "' must be the first statement in a query batch.");
    ModuleStatement statement{context, tokens, begin, end, source, std::nullopt};
    requireThisDatabase(Cursor(cursor).qualifiedName(), context.databaseName, statementTitle(alter, kind), true);
    if (alter) {
        if (kind == ModuleKind::Default || kind == ModuleKind::Rule)
            throw syntaxErrorAt(tokens[begin + 1]);
        const QualifiedName name = Cursor(cursor).qualifiedName();
        const auto existing = findObject(context.db, name.name);
        if (!existing || !matchesKind(existing->xtype, kind))
            throw invalidObjectName(name.written);
        statement.alteredId = existing->id;
    }
    switch (kind) {
    case ModuleKind::View: createView(statement, cursor); break;
    case ModuleKind::Procedure: createProcedure(statement, cursor); break;
    case ModuleKind::Function: createFunction(statement, cursor); break;
    case ModuleKind::Trigger: createTrigger(statement, cursor); break;
    case ModuleKind::Default: createDefaultOrRule(statement, cursor, false); break;
    case ModuleKind::Rule: createDefaultOrRule(statement, cursor, true); break;
    case ModuleKind::None: break;
    }
}

class ForeignKeysPaused {
public:
    explicit ForeignKeysPaused(sqlite3* db) : db_(db)
    {
        paused_ = sqlite3_get_autocommit(db) != 0 && queryInteger(db, "PRAGMA foreign_keys").value_or(0) != 0;
        if (paused_)
            execute(db, "PRAGMA foreign_keys = OFF");
    }
    ~ForeignKeysPaused()
    {
        if (paused_)
            sqlite3_exec(db_, "PRAGMA foreign_keys = ON", nullptr, nullptr, nullptr);
    }
    ForeignKeysPaused(const ForeignKeysPaused&) = delete;
    ForeignKeysPaused& operator=(const ForeignKeysPaused&) = delete;

private:
    sqlite3* db_;
    bool paused_ = false;
};

// Runs the statement if it is ours; false otherwise. Called inside the savepoint.
bool dispatch(DdlContext& context, const std::vector<Token>& tokens, std::size_t begin, std::size_t end,
              std::string_view source)
{
    Cursor cursor(tokens, begin, end);
    if (cursor.acceptWord("CREATE")) {
        if (cursor.acceptWord("TABLE")) {
            createTable(context, tokens, cursor);
            return true;
        }
        const ModuleKind kind = moduleKind(cursor.peek());
        if (kind != ModuleKind::None) {
            ++cursor.pos;
            runModule(context, tokens, begin, end, source, cursor, kind, false);
            return true;
        }
        const bool unique = cursor.acceptWord("UNIQUE");
        std::optional<bool> clustered;
        if (cursor.acceptWord("CLUSTERED"))
            clustered = true;
        else if (cursor.acceptWord("NONCLUSTERED"))
            clustered = false;
        if (cursor.acceptWord("INDEX")) {
            createIndex(context, cursor, unique, clustered);
            return true;
        }
        if (unique || clustered)
            throw cursor.error();
        return false;
    }
    if (cursor.acceptWord("ALTER")) {
        if (cursor.acceptWord("TABLE")) {
            alterTable(context, tokens, cursor);
            return true;
        }
        const ModuleKind kind = moduleKind(cursor.peek());
        if (kind == ModuleKind::None)
            return false;
        ++cursor.pos;
        runModule(context, tokens, begin, end, source, cursor, kind, true);
        return true;
    }
    if (cursor.acceptWord("DROP")) {
        if (cursor.acceptWord("INDEX")) {
            dropIndexes(context, cursor);
            return true;
        }
        for (const char* keyword : {"TABLE", "VIEW", "PROCEDURE", "PROC", "FUNCTION", "TRIGGER", "DEFAULT", "RULE"}) {
            if (cursor.acceptWord(keyword)) {
                dropObjects(context, cursor, std::string_view(keyword) == "PROC" ? "PROCEDURE" : keyword);
                return true;
            }
        }
        return false;
    }
    if (cursor.acceptWord("EXEC") || cursor.acceptWord("EXECUTE")) {
        if (cursor.peek().kind == TokenKind::Variable && cursor.peek(1).isSymbol("="))
            cursor.pos += 2;
        return runSystemProcedure(context, cursor);
    }
    // A procedure named without EXEC as the batch's first statement.
    if (begin == 0 && cursor.peek().isName())
        return runSystemProcedure(context, cursor);
    return false;
}

}  // namespace

bool executeDdl(DdlContext& ctx, const std::vector<Token>& tokens, std::size_t begin, std::size_t end, std::string_view source)
{
    end = std::min(end, tokens.size());
    while (end > begin && (tokens[end - 1].isSymbol(";") || tokens[end - 1].kind == TokenKind::End))
        --end;
    if (begin >= end)
        return false;
    // Rebuilding a referenced table drops and renames it; outside a transaction foreign keys are switched off
    // meanwhile, as SQLite's own procedure for changing a table asks. Inside one, the checks are deferred instead.
    ForeignKeysPaused paused(ctx.db);
    Savepoint savepoint(ctx.db);
    const bool handled = dispatch(ctx, tokens, begin, end, source);
    if (handled)
        savepoint.commit();
    return handled;
}

}  // namespace sandbox::catalog
