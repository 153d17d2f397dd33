// The other statements: USE, SET, DECLARE, PRINT, RAISERROR, transactions, WAITFOR, KILL,
// CREATE/DROP DATABASE and EXEC.
#include "engine/session.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "catalog/ddl.h"
#include "engine/server_paths.h"
#include "engine/session_messages.h"
#include "engine/sql_error.h"
#include "engine/value_text.h"

namespace sandbox {

// ---- USE, SET, DECLARE, PRINT, RAISERROR ----------------------------------------

void Session::runUse(std::size_t begin, std::size_t end, ResultSink& sink)
{
    if (end != begin + 2 || !tokens_[begin + 1].isName())
        throwSyntaxError(tokens_, std::min(begin + 2, end), begin);
    const std::string requested = tokens_[begin + 1].text;
    auto entry = engine_.registry.find(requested);
    if (!entry)
        throw SqlError(911, 16, 1, "Could not locate entry in sysdatabases for database '" + requested +
                                       "'. No entry found with that name. Make sure that the name is entered correctly.");
    if (!equalsIgnoreCase(entry->name, current_) && (databaseStatus(entry->name) & 4096))
        for (const SessionRecord& other : engine_.sessions())
            if (other.spid != info_.spid && equalsIgnoreCase(other.database, entry->name))
                throw SqlError(924, 14, 1, "Database '" + entry->name + "' is already open and can only have one user at a time.");
    connection(entry->name);
    const std::string old = current_;
    current_ = entry->name;
    engine_.updateSessionDatabase(info_.spid, current_);
    sink.databaseChanged(old, current_);
    sendInfo(sink, 5701, "Changed database context to '" + current_ + "'.", 10);
    rowCount_ = 0;
    done(sink, std::nullopt);
}

Value Session::evaluate(std::size_t begin, std::size_t end)
{
    if (begin >= end)
        throwSyntaxError(tokens_, begin, begin);
    std::string sql;
    if (tokens_[begin].isWord("SELECT"))
        sql = "SELECT (" + translateSelectStatement(tokens_, begin, end, translateContext()).sql + ")";
    else
        sql = "SELECT " + translateExpressionWith(tokens_, begin, end, translateContext());
    StatementHandle statement = prepare(database(), sql);
    int rc = sqlite3_step(statement.get());
    if (rc != SQLITE_ROW)
        throwSqliteError(database(), rc);
    return columnValue(statement.get(), 0);
}

void Session::assign(const std::string& name, const Value& value)
{
    auto it = variables_.find(toUpperAscii(name));
    if (it == variables_.end())
        throw SqlError(137, 15, 2, "Must declare the variable '" + name + "'.");
    it->second.value = convertValue(value, it->second.type, -1);
}

void Session::runSet(std::size_t begin, std::size_t end, ResultSink& sink)
{
    const Token& target = tokens_[begin + 1];
    if (target.kind == TokenKind::Variable) {
        if (!tokens_[begin + 2].isSymbol("="))
            throwSyntaxError(tokens_, begin + 2, begin);
        assign(target.text, evaluate(begin + 3, end));
        rowCount_ = 1;
        return done(sink, std::nullopt);
    }
    runSetOption(begin, end);
    rowCount_ = 0;
    sink.statementDone(std::nullopt, false);
}

namespace {

// SET options SQL Server 2000 knows that take ON or OFF. Those in statementOptions change what a
// statement does in ways the sandbox does not imitate, so only OFF is accepted for them.
constexpr std::string_view onOffOptions[] = {
    "ANSI_DEFAULTS", "ANSI_NULL_DFLT_OFF", "ANSI_NULL_DFLT_ON", "ANSI_NULLS", "ANSI_PADDING", "ANSI_WARNINGS",
    "ARITHABORT", "ARITHIGNORE", "CONCAT_NULL_YIELDS_NULL", "CURSOR_CLOSE_ON_COMMIT", "DISABLE_DEF_CNST_CHK",
    "FORCEPLAN", "NO_BROWSETABLE", "NOCOUNT", "NUMERIC_ROUNDABORT", "QUOTED_IDENTIFIER", "REMOTE_PROC_TRANSACTIONS",
    "IMPLICIT_TRANSACTIONS", "XACT_ABORT", "NOEXEC", "PARSEONLY", "FMTONLY", "SHOWPLAN_ALL", "SHOWPLAN_TEXT"};
constexpr std::string_view statementOptions[] = {"NOEXEC", "PARSEONLY", "FMTONLY", "SHOWPLAN_ALL", "SHOWPLAN_TEXT"};
// Options that take a value (or words) of their own.
constexpr std::string_view valueOptions[] = {"DATEFIRST", "DATEFORMAT", "DEADLOCK_PRIORITY", "FIPS_FLAGGER", "LANGUAGE",
                                             "LOCK_TIMEOUT", "QUERY_GOVERNOR_COST_LIMIT", "ROWCOUNT", "TEXTSIZE",
                                             "TRANSACTION", "CONTEXT_INFO", "OFFSETS", "STATISTICS", "IDENTITY_INSERT"};

template <std::size_t N>
bool listed(const Token& token, const std::string_view (&words)[N])
{
    for (std::string_view w : words)
        if (token.isWord(w))
            return true;
    return false;
}

SqlError unknownSetOption(const std::string& name)
{
    return SqlError(195, 15, 5, "'" + name + "' is not a recognized SET option.");
}

}  // namespace

void Session::runSetOption(std::size_t begin, std::size_t end)
{
    const Token& option = tokens_[begin + 1];
    if (!option.isName())
        throwSyntaxError(tokens_, begin + 1, begin);
    if (listed(option, valueOptions)) {
        if (option.isWord("IDENTITY_INSERT"))
            return runIdentityInsert(begin, end);
        if (option.isWord("ROWCOUNT") || option.isWord("LOCK_TIMEOUT")) {
            Value value = evaluate(begin + 2, end);
            if (!std::holds_alternative<std::int64_t>(value))
                throwSyntaxError(tokens_, begin + 2, begin);
            const std::int64_t n = std::get<std::int64_t>(value);
            if (option.isWord("ROWCOUNT"))
                rowLimit_ = std::max<std::int64_t>(n, 0);
            else
                lockTimeoutMs_ = static_cast<int>(std::clamp<std::int64_t>(n, -1, INT32_MAX));
        }
        // DATEFORMAT, LANGUAGE, TEXTSIZE, TRANSACTION ISOLATION LEVEL, ... do not change the sandbox's answers.
        return;
    }
    // SET a, b, c ON | OFF
    std::size_t last = end;
    while (last > begin + 1 && tokens_[last - 1].isSymbol(";"))
        --last;
    if (last <= begin + 2 || !(tokens_[last - 1].isWord("ON") || tokens_[last - 1].isWord("OFF"))) {
        if (!listed(option, onOffOptions))
            throw unknownSetOption(option.text);
        throwSyntaxError(tokens_, last > begin + 2 ? last - 1 : begin + 2, begin);
    }
    const bool on = tokens_[last - 1].isWord("ON");
    for (std::size_t i = begin + 1; i < last - 1; i += 2) {
        const Token& name = tokens_[i];
        if (!name.isName())
            throwSyntaxError(tokens_, i, begin);
        if (!listed(name, onOffOptions))
            throw unknownSetOption(name.text);
        if (i + 1 < last - 1 && !tokens_[i + 1].isSymbol(","))
            throwSyntaxError(tokens_, i + 1, begin);
    }
    for (std::size_t i = begin + 1; i < last - 1; i += 2) {
        const Token& name = tokens_[i];
        if (on && listed(name, statementOptions))
            throw SqlError(50000, 16, 1, "The Norvane sandbox does not support SET " + toUpperAscii(name.text) + " ON.");
        if (name.isWord("NOCOUNT"))
            noCount_ = on;
        else if (name.isWord("IMPLICIT_TRANSACTIONS"))
            implicitTransactions_ = on;
        else if (name.isWord("XACT_ABORT"))
            xactAbort_ = on;
    }
}

void Session::runIdentityInsert(std::size_t begin, std::size_t end)
{
    // SET IDENTITY_INSERT [[database.]owner.]table ON | OFF
    std::size_t last = end;
    while (last > begin && tokens_[last - 1].isSymbol(";"))
        --last;
    if (last < begin + 4 || !(tokens_[last - 1].isWord("ON") || tokens_[last - 1].isWord("OFF")))
        throwSyntaxError(tokens_, std::min(last, end), begin);
    const bool on = tokens_[last - 1].isWord("ON");
    std::vector<std::string> parts;
    std::string written;
    for (std::size_t i = begin + 2; i < last - 1; ++i) {
        const Token& t = tokens_[i];
        if (t.isSymbol(".")) {
            if (i + 1 < last - 1 && tokens_[i + 1].isSymbol("."))
                parts.emplace_back();
            written += ".";
            continue;
        }
        if (!t.isName() || (i > begin + 2 && !tokens_[i - 1].isSymbol(".")))
            throwSyntaxError(tokens_, i, begin);
        parts.push_back(t.text);
        written += t.text;
    }
    if (parts.empty() || parts.size() > 3)
        throwSyntaxError(tokens_, begin + 2, begin);
    const std::string table = parts.back();
    const std::string owner = parts.size() >= 2 && !parts[parts.size() - 2].empty() ? parts[parts.size() - 2] : "dbo";
    const std::string databaseName = parts.size() == 3 && !parts[0].empty() ? parts[0] : current_;
    auto entry = engine_.registry.find(databaseName);
    if (!entry)
        throw SqlError(911, 16, 1, "Could not locate entry in sysdatabases for database '" + databaseName +
                                       "'. No entry found with that name. Make sure that the name is entered correctly.");
    const std::string prefix = equalsIgnoreCase(entry->name, current_) ? "" : quoteIdentifier(attach(entry->name)) + ".";
    // Does the table exist, and has it an identity column?
    StatementHandle lookup = prepare(database(), "SELECT (SELECT COUNT(*) FROM " + prefix + "syscolumns c WHERE c.id = o.id AND "
                                                 "c.number = 0 AND (c.status & 128) <> 0), o.name FROM " + prefix +
                                                 "sysobjects o JOIN " + prefix + "sysusers u ON u.uid = o.uid WHERE o.name = ?1 "
                                                 "COLLATE SQLSERVER AND u.name = ?2 COLLATE SQLSERVER AND o.xtype = 'U'");
    sqlite3_bind_text(lookup.get(), 1, table.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(lookup.get(), 2, owner.c_str(), -1, SQLITE_TRANSIENT);
    if (sqlite3_step(lookup.get()) != SQLITE_ROW)
        throw invalidObjectName(written);
    const bool hasIdentity = sqlite3_column_int(lookup.get(), 0) > 0;
    const std::string tableName = reinterpret_cast<const char*>(sqlite3_column_text(lookup.get(), 1));
    if (!hasIdentity)
        throw SqlError(8106, 16, 1, "Table '" + written + "' does not have the identity property. Cannot perform SET operation.");
    const bool isCurrent = equalsIgnoreCase(identityInsert_.database, entry->name) &&
                           equalsIgnoreCase(identityInsert_.owner, owner) && equalsIgnoreCase(identityInsert_.table, tableName);
    if (!on) {
        if (isCurrent)
            identityInsert_ = {};
        return;
    }
    if (!identityInsert_.database.empty() && !isCurrent)
        throw SqlError(8107, 16, 1, "IDENTITY_INSERT is already ON for table '" + identityInsert_.database + "." +
                                        identityInsert_.owner + "." + identityInsert_.table +
                                        "'. Cannot perform SET operation for table '" + written + "'.");
    identityInsert_ = {entry->name, owner, tableName};
}

bool Session::identityInsertOn(const std::string& schema, const std::string& table) const
{
    if (identityInsert_.database.empty() || !equalsIgnoreCase(identityInsert_.table, table))
        return false;
    return schema.empty() ? equalsIgnoreCase(identityInsert_.database, current_)
                          : equalsIgnoreCase(identityInsert_.database, schema);
}

void Session::runDeclare(std::size_t begin, std::size_t end, ResultSink& sink)
{
    std::size_t i = begin + 1;
    while (i < end) {
        const Token& name = tokens_[i++];
        if (name.kind != TokenKind::Variable || name.text.rfind("@@", 0) == 0)
            throwSyntaxError(tokens_, i - 1, begin);
        if (tokens_[i].isWord("AS"))
            ++i;
        std::string type;
        if (!tokens_[i].isName())
            throwSyntaxError(tokens_, i, begin);
        if (tokens_[i].isWord("CURSOR") || tokens_[i].isWord("TABLE"))
            throw SqlError(50000, 16, 1, "The Norvane sandbox does not support " + toUpperAscii(tokens_[i].text) + " variables.");
        type = tokens_[i++].text;
        if (tokens_[i].isSymbol("(")) {
            type += "(";
            for (++i; i < end && !tokens_[i].isSymbol(")"); ++i)
                type += tokens_[i].text;
            type += ")";
            ++i;
        }
        if (!parseTypeText(type))
            throw SqlError(2715, 16, 3, "Column or parameter #1: Cannot find data type " + type + ".");
        variables_[toUpperAscii(name.text)] = Variable{Null{}, type};
        if (i < end && tokens_[i].isSymbol("=")) {
            std::size_t valueEnd = i + 1;
            int depth = 0;
            while (valueEnd < end && !(depth == 0 && tokens_[valueEnd].isSymbol(","))) {
                depth += tokens_[valueEnd].isSymbol("(") - tokens_[valueEnd].isSymbol(")");
                ++valueEnd;
            }
            assign(name.text, evaluate(i + 1, valueEnd));
            i = valueEnd;
        }
        if (i < end && !tokens_[i].isSymbol(","))
            throwSyntaxError(tokens_, i, begin);
        ++i;
    }
    sink.statementDone(std::nullopt, false);
}

void Session::runPrint(std::size_t begin, std::size_t end, ResultSink& sink)
{
    Value value = evaluate(begin + 1, end);
    std::string text;
    if (const auto* s = std::get_if<std::string>(&value))
        text = *s;
    else if (!std::holds_alternative<Null>(value))
        text = std::get<std::string>(convertValue(value, "varchar(8000)", -1));
    sendInfo(sink, 0, text, 0);
    sink.statementDone(std::nullopt, false);
}

void Session::runRaiserror(std::size_t begin, std::size_t end, ResultSink& sink)
{
    std::size_t i = begin + 1;
    const bool parens = tokens_[i].isSymbol("(");
    if (parens)
        ++i;
    std::vector<Value> arguments;
    while (i < end && !tokens_[i].isSymbol(")") && !tokens_[i].isWord("WITH")) {
        std::size_t argumentEnd = i;
        int depth = 0;
        while (argumentEnd < end && !(depth == 0 && (tokens_[argumentEnd].isSymbol(",") || tokens_[argumentEnd].isSymbol(")")) )) {
            depth += tokens_[argumentEnd].isSymbol("(") - tokens_[argumentEnd].isSymbol(")");
            ++argumentEnd;
        }
        arguments.push_back(evaluate(i, argumentEnd));
        i = argumentEnd;
        if (i < end && tokens_[i].isSymbol(","))
            ++i;
    }
    if (arguments.size() < 3)
        throwSyntaxError(tokens_, i, begin);
    ServerMessage message;
    message.number = 50000;
    std::string format;
    if (const auto* n = std::get_if<std::int64_t>(&arguments[0])) {
        message.number = static_cast<int>(*n);
        format = "Error " + std::to_string(*n) + ", severity %d, state %d was raised, but no message with that error "
                 "number was found in sysmessages.";
    } else if (const auto* s = std::get_if<std::string>(&arguments[0])) {
        format = *s;
    }
    auto number = [](const Value& v) { return std::holds_alternative<std::int64_t>(v) ? std::get<std::int64_t>(v) : 0; };
    message.severity = static_cast<int>(std::clamp<std::int64_t>(number(arguments[1]), 0, 25));
    message.state = static_cast<int>(std::clamp<std::int64_t>(number(arguments[2]), 0, 127));
    // printf-style substitution of %s, %d and %i with the remaining arguments.
    std::size_t next = 3;
    std::string text;
    for (std::size_t k = 0; k < format.size(); ++k) {
        if (format[k] != '%' || k + 1 >= format.size()) {
            text += format[k];
            continue;
        }
        std::size_t directive = k + 1;
        while (directive < format.size() && std::string_view("-+ #0123456789.lhI").find(format[directive]) != std::string_view::npos)
            ++directive;
        if (directive >= format.size())
            break;
        char conversion = format[directive];
        if (conversion == '%') {
            text += '%';
        } else if (next < arguments.size()) {
            const Value& v = arguments[next++];
            if (std::holds_alternative<Null>(v))
                text += "(null)";
            else
                text += std::get<std::string>(convertValue(v, "varchar(8000)", -1));
        } else if (message.number != 50000 && !std::holds_alternative<std::string>(arguments[0])) {
            text += conversion == 'd' ? std::to_string(next == 3 ? message.severity : message.state) : "";
            ++next;
        }
        k = directive;
    }
    message.text = text;
    sink.message(message);
    lastError_ = message.number;
    sink.statementDone(std::nullopt, message.severity > 10);
}

// ---- transactions, WAITFOR ----------------------------------------------------

void Session::runTransaction(std::size_t begin, std::size_t, ResultSink& sink)
{
    const Token& head = tokens_[begin];
    if (head.isWord("BEGIN")) {
        // SQLite's transaction starts with the first statement that writes (see runSimple): reads before it
        // see committed data, as under SQL Server's READ COMMITTED, and never block a writer.
        if (tranCount_ == 0)
            commitBulk();
        ++tranCount_;
    } else if (head.isWord("COMMIT")) {
        if (tranCount_ == 0)
            throw SqlError(3902, 16, 1, "The COMMIT TRANSACTION request has no corresponding BEGIN TRANSACTION.");
        if (--tranCount_ == 0)
            endTransaction(true);
    } else if (head.isWord("ROLLBACK")) {
        if (tranCount_ == 0)
            throw SqlError(3903, 16, 1, "The ROLLBACK TRANSACTION request has no corresponding BEGIN TRANSACTION.");
        endTransaction(false);
    } else {
        throw SqlError(50000, 16, 1, "The Norvane sandbox does not support savepoints (SAVE TRANSACTION).");
    }
    rowCount_ = 0;
    sink.statementDone(std::nullopt, false);
}

void Session::runWaitfor(std::size_t begin, std::size_t end, ResultSink& sink)
{
    if (end != begin + 3 || !tokens_[begin + 1].isWord("DELAY") || tokens_[begin + 2].kind != TokenKind::String)
        throw SqlError(50000, 16, 1, "The Norvane sandbox supports only WAITFOR DELAY 'hh:mm:ss'.");
    auto parts = parseDateTime(tokens_[begin + 2].text);
    if (!parts)
        throw SqlError(148, 15, 1, "Incorrect time syntax in time string '" + tokens_[begin + 2].text + "' used with WAITFOR.");
    auto deadline = std::chrono::steady_clock::now() + std::chrono::hours(parts->hour) + std::chrono::minutes(parts->minute) +
                    std::chrono::seconds(parts->second) + std::chrono::milliseconds(parts->millisecond);
    while (std::chrono::steady_clock::now() < deadline) {
        if (sink.cancelled()) {
            cancelled_ = true;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    sink.statementDone(std::nullopt, false);
}

void Session::runKill(std::size_t begin, std::size_t end, ResultSink& sink)
{
    if (end != begin + 2 || tokens_[begin + 1].kind != TokenKind::Number)
        throwSyntaxError(tokens_, std::min(begin + 1, end), begin);
    auto spid = parseNumber(tokens_[begin + 1].text);
    if (!spid || !spid->isInteger || spid->integer < 1 || spid->integer > 32767)
        throw SqlError(6101, 16, 1, "Process ID " + tokens_[begin + 1].text + " is not a valid process ID. Choose a number between 1 and 32767.");
    if (spid->integer == info_.spid)
        throw SqlError(6104, 16, 1, "Cannot use KILL to kill your own process.");
    if (spid->integer < 51)
        throw SqlError(6107, 14, 1, "Only user processes can be killed.");
    if (!engine_.killSession(static_cast<int>(spid->integer)))
        throw SqlError(6106, 16, 1, "Process ID " + std::to_string(spid->integer) + " is not an active process ID.");
    rowCount_ = 0;
    sink.statementDone(std::nullopt, false);
}

// ---- CREATE / DROP DATABASE ------------------------------------------------------

void Session::runDatabaseStatement(std::size_t begin, std::size_t end, ResultSink& sink)
{
    const Token& head = tokens_[begin];
    if (head.isWord("ALTER"))
        throw SqlError(50000, 16, 1, "The Norvane sandbox does not support ALTER DATABASE.");
    if (begin + 2 >= end || !tokens_[begin + 2].isName())
        throwSyntaxError(tokens_, begin + 2, begin);
    commitBulk();
    if (head.isWord("CREATE")) {
        // File placement (ON ..., LOG ON ...) and COLLATE clauses do not apply to the sandbox's files.
        const std::string& name = tokens_[begin + 2].text;
        if (!isStorableDatabaseName(name) && !engine_.registry.find(name))
            sendError(sink, SqlError(5105, 16, 2, "Device activation error. The physical file name '" + serverDataFileName(name) +
                                                  "' may be incorrect."));
        engine_.createDatabase(name);
    } else {
        for (std::size_t i = begin + 2; i < end; i += 2) {
            if (!tokens_[i].isName())
                throwSyntaxError(tokens_, i, begin);
            const std::string name = tokens_[i].text;
            if (equalsIgnoreCase(name, current_))
                throw SqlError(3702, 16, 3, "Cannot drop the database '" + name + "' because it is currently in use.");
            closeConnections(name);
            engine_.dropDatabase(name, info_.spid);
            // As SQL Server names the files, never the host's paths.
            sendInfo(sink, 0, "Deleting database file '" + serverDataFileName(name, true) + "'.", 0);
            sendInfo(sink, 0, "Deleting database file '" + serverDataFileName(name) + "'.", 0);
            if (i + 1 < end && !tokens_[i + 1].isSymbol(","))
                throwSyntaxError(tokens_, i + 1, begin);
        }
    }
    rowCount_ = 0;
    sink.statementDone(std::nullopt, false);
}

// ---- EXEC --------------------------------------------------------------------

void Session::runExecute(std::size_t begin, std::size_t end, ResultSink& sink)
{
    std::size_t i = begin;
    if (tokens_[i].isWord("EXEC") || tokens_[i].isWord("EXECUTE"))
        ++i;
    // EXEC ('batch text') runs the text as a batch of its own.
    if (tokens_[i].isSymbol("(")) {
        Value text = evaluate(i, end);
        if (!std::holds_alternative<std::string>(text))
            throwSyntaxError(tokens_, i, begin);
        // SQL Server allows 32 levels; the text runs in a scope of its own, without the caller's variables.
        constexpr int maxExecDepth = 32;
        if (execDepth_ >= maxExecDepth)
            throw SqlError(217, 16, 1, "Maximum stored procedure, function, trigger, or view nesting level exceeded (limit 32).");
        struct Scope {
            Session& session;
            std::vector<Token> tokens;
            std::string source;
            std::map<std::string, Variable> variables;
            explicit Scope(Session& s)
                : session(s), tokens(std::move(s.tokens_)), source(std::move(s.source_)), variables(std::move(s.variables_))
            {
                s.variables_.clear();
                ++s.execDepth_;
            }
            ~Scope()
            {
                --session.execDepth_;
                session.tokens_ = std::move(tokens);
                session.source_ = std::move(source);
                session.variables_ = std::move(variables);
            }
        } scope(*this);
        executeBatch(std::get<std::string>(text), sink);
        return;
    }
    if (tokens_[i].kind == TokenKind::Variable && tokens_[i + 1].isSymbol("="))
        i += 2;  // EXEC @rc = proc: the return code is not kept
    // Procedures the catalog maintains (sp_addtype, sp_bindefault, ...).
    {
        catalog::DdlContext context{database(), current_, "dbo", &sink};
        if (catalog::executeDdl(context, tokens_, begin, end, source_)) {
            rowCount_ = 0;
            return done(sink, std::nullopt);
        }
    }
    std::vector<std::string> parts;
    for (;;) {
        if (tokens_[i].isSymbol(".")) {
            parts.emplace_back();
            ++i;
            continue;
        }
        if (!tokens_[i].isName() || i >= end)
            throwSyntaxError(tokens_, i, begin);
        parts.push_back(tokens_[i++].text);
        if (!tokens_[i].isSymbol(".") || i >= end)
            break;
        ++i;
    }
    std::vector<ProcedureArgument> arguments;
    while (i < end) {
        ProcedureArgument argument;
        if (tokens_[i].kind == TokenKind::Variable && tokens_[i + 1].isSymbol("=")) {
            argument.name = tokens_[i].text;
            i += 2;
        }
        const Token& t = tokens_[i];
        if (t.kind == TokenKind::String || (t.kind == TokenKind::Word && !t.isWord("NULL") && !t.isWord("DEFAULT"))) {
            argument.value = t.text;  // a bare word passes as a string, as in sp_helptext Orders
            ++i;
        } else if (t.isWord("NULL") || t.isWord("DEFAULT")) {
            argument.value = Null{};
            ++i;
        } else {
            std::size_t argumentEnd = i;
            while (argumentEnd < end && !tokens_[argumentEnd].isSymbol(",") && !tokens_[argumentEnd].isWord("OUTPUT") &&
                   !tokens_[argumentEnd].isWord("OUT"))
                ++argumentEnd;
            argument.value = evaluate(i, argumentEnd);
            i = argumentEnd;
        }
        if (i < end && (tokens_[i].isWord("OUTPUT") || tokens_[i].isWord("OUT")))
            ++i;
        arguments.push_back(std::move(argument));
        if (i < end && !tokens_[i].isSymbol(","))
            throwSyntaxError(tokens_, i, begin);
        ++i;
    }
    std::string written;
    for (std::size_t k = 0; k < parts.size(); ++k)
        written += (k ? "." : "") + parts[k];
    if (parts.size() == 3 && !parts[0].empty() && !engine_.registry.find(parts[0]))
        throw SqlError(911, 16, 1, "Could not locate entry in sysdatabases for database '" + parts[0] +
                                       "'. No entry found with that name. Make sure that the name is entered correctly.");
    runSystemProcedure(*this, written, arguments, sink);
}

}  // namespace sandbox
