#include "engine/session.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "catalog/ddl.h"
#include "engine/sql_error.h"
#include "engine/value_text.h"

namespace sandbox {

namespace {

const char* const versionText = "Microsoft SQL Server  2000 - 8.00.760 (Norvane sandbox, SQL Server 2000 compatible)";

std::string lower(const std::string& text)
{
    std::string out = text;
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

void sendError(ResultSink& sink, const SqlError& error)
{
    ServerMessage message;
    message.number = error.number;
    message.severity = error.severity;
    message.state = error.state;
    message.text = error.what();
    sink.message(message);
}

void sendInfo(ResultSink& sink, int number, const std::string& text, int severity = 0)
{
    ServerMessage message;
    message.number = number;
    message.severity = severity;
    message.state = number == 0 ? 1 : 1;
    message.text = text;
    sink.message(message);
}

// The result type of a column SQLite cannot name, from the values it holds.
ColumnType inferType(const std::vector<std::vector<Value>>& rows, std::size_t column)
{
    bool anyInteger = false, anyReal = false, anyText = false, anyBytes = false, wide = false, nonAscii = false;
    std::size_t longest = 0;
    for (const auto& row : rows) {
        const Value& v = row[column];
        if (const auto* i = std::get_if<std::int64_t>(&v)) {
            anyInteger = true;
            wide = wide || *i > INT32_MAX || *i < INT32_MIN;
        } else if (std::holds_alternative<double>(v)) {
            anyReal = true;
        } else if (const auto* s = std::get_if<std::string>(&v)) {
            anyText = true;
            std::size_t characters = 0;
            for (unsigned char c : *s) {
                characters += (c & 0xC0) != 0x80;
                nonAscii = nonAscii || c >= 0x80;
            }
            longest = std::max(longest, characters);
        } else if (const auto* b = std::get_if<Bytes>(&v)) {
            anyBytes = true;
            longest = std::max(longest, b->size());
        }
    }
    ColumnType type;
    if (anyText) {
        type.type = nonAscii ? SqlType::NVarChar : SqlType::VarChar;
        const std::size_t limit = nonAscii ? 4000 : 8000;
        if (longest > limit)
            type.type = nonAscii ? SqlType::NText : SqlType::Text;
        type.length = static_cast<int>(std::clamp<std::size_t>(longest, 1, limit));
    } else if (anyBytes) {
        type.type = longest > 8000 ? SqlType::Image : SqlType::VarBinary;
        type.length = static_cast<int>(std::clamp<std::size_t>(longest, 1, 8000));
    } else if (anyReal) {
        type.type = SqlType::Float;
    } else if (anyInteger) {
        type.type = wide ? SqlType::BigInt : SqlType::Int;
    }
    return type;
}

}  // namespace

Session::Session(Engine::Impl& engine, const SessionInfo& info) : engine_(engine), info_(info)
{
    engine_.registerSession({info_.spid, info_.loginName, info_.hostName, current_});
}

Session::~Session()
{
    try {
        commitBulk();
        for (auto& [name, c] : connections_)
            if (c.db && !sqlite3_get_autocommit(c.db.get()))
                sqlite3_exec(c.db.get(), "ROLLBACK", nullptr, nullptr, nullptr);
    } catch (const SqlError&) {
        // A failed commit on close loses only this session's open work, as a dropped connection would.
    }
    engine_.unregisterSession(info_.spid);
}

Session::Connection& Session::connection(const std::string& database)
{
    const std::string key = lower(database);
    auto it = connections_.find(key);
    if (it != connections_.end())
        return it->second;
    auto entry = engine_.registry.find(database);
    if (!entry)
        throw SqlError(911, 16, 1, "Could not locate entry in sysdatabases for database '" + database +
                                       "'. No entry found with that name. Make sure that the name is entered correctly.");
    Connection c;
    c.context = std::make_unique<ConnectionContext>();
    c.context->databaseName = entry->name;
    c.context->registry = &engine_.registry;
    c.context->loginName = info_.loginName.empty() ? "sa" : info_.loginName;
    c.context->hostName = info_.hostName;
    c.context->appName = info_.appName;
    c.db = openSqlite(engine_.registry.fileOf(entry->name), c.context.get());
    return connections_.emplace(key, std::move(c)).first->second;
}

void Session::closeConnections(const std::string& database)
{
    connections_.erase(lower(database));
    for (auto& [name, c] : connections_) {
        if (c.attached.erase(lower(database)))
            sqlite3_exec(c.db.get(), ("DETACH DATABASE " + quoteIdentifier(lower(database))).c_str(), nullptr, nullptr, nullptr);
    }
}

sqlite3* Session::database() { return connection(current_).db.get(); }

std::string Session::attach(const std::string& database)
{
    auto entry = engine_.registry.find(database);
    if (!entry)
        throw SqlError(911, 16, 1, "Could not locate entry in sysdatabases for database '" + database +
                                       "'. No entry found with that name. Make sure that the name is entered correctly.");
    Connection& c = connection(current_);
    const std::string key = lower(entry->name);
    if (!c.attached.count(key)) {
        if (!sqlite3_get_autocommit(c.db.get()))
            commitBulk();
        if (!sqlite3_get_autocommit(c.db.get()))
            throw SqlError(50000, 16, 1, "The Norvane sandbox cannot reach database '" + entry->name +
                                             "' for the first time inside a transaction.");
        std::string file = engine_.registry.fileOf(entry->name).string();
        std::string quoted;
        for (char ch : file)
            quoted += ch == '\'' ? std::string("''") : std::string(1, ch);
        execute(c.db.get(), "ATTACH DATABASE '" + quoted + "' AS " + quoteIdentifier(key));
        c.attached.insert(key);
    }
    return key;
}

std::optional<Value> Session::variable(const std::string& name) const
{
    const std::string upper = toUpperAscii(name);
    if (upper.rfind("@@", 0) == 0) {
        if (upper == "@@VERSION")
            return Value(std::string(versionText));
        if (upper == "@@SERVERNAME")
            return Value(Engine::serverName());
        if (upper == "@@SERVICENAME")
            return Value(std::string("MSSQLSERVER"));
        if (upper == "@@SPID")
            return Value(std::int64_t{info_.spid});
        if (upper == "@@ROWCOUNT")
            return Value(rowCount_);
        if (upper == "@@TRANCOUNT")
            return Value(std::int64_t{tranCount_});
        if (upper == "@@ERROR")
            return Value(std::int64_t{lastError_});
        if (upper == "@@LANGUAGE")
            return Value(std::string("us_english"));
        if (upper == "@@MAX_PRECISION")
            return Value(std::int64_t{38});
        if (upper == "@@DATEFIRST")
            return Value(std::int64_t{7});
        if (upper == "@@TEXTSIZE")
            return Value(std::int64_t{2147483647});
        if (upper == "@@NESTLEVEL" || upper == "@@PROCID" || upper == "@@OPTIONS")
            return Value(std::int64_t{0});
        if (upper == "@@LOCK_TIMEOUT")
            return Value(std::int64_t{-1});
        if (upper == "@@MICROSOFTVERSION")
            return Value(std::int64_t{134218488});
        if (upper == "@@IDENTITY") {
            auto it = connections_.find(lower(current_));
            if (it == connections_.end() || sqlite3_last_insert_rowid(it->second.db.get()) == 0)
                return Value(Null{});
            return Value(static_cast<std::int64_t>(sqlite3_last_insert_rowid(it->second.db.get())));
        }
        return std::nullopt;
    }
    auto it = variables_.find(upper);
    if (it == variables_.end())
        return std::nullopt;
    return it->second.value;
}

std::vector<TranslateContext::TargetColumn> Session::targetColumns(const std::string& schema, const std::string& table)
{
    std::vector<TranslateContext::TargetColumn> columns;
    sqlite3* db = database();
    const std::string prefix = schema.empty() ? "" : quoteIdentifier(schema) + ".";
    const std::string sql = "SELECT c.name, c.status & 128, c.iscomputed, c.xtype FROM " + prefix + "syscolumns c WHERE c.id = "
                            "(SELECT o.id FROM " + prefix + "sysobjects o WHERE o.name = ?1 COLLATE SQLSERVER AND o.xtype IN ('U', 'S') "
                            "ORDER BY o.uid <> 1 LIMIT 1) AND c.number = 0 ORDER BY c.colid";
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &raw, nullptr) != SQLITE_OK) {
        sqlite3_finalize(raw);
        return columns;
    }
    StatementHandle statement(raw);
    sqlite3_bind_text(raw, 1, table.c_str(), -1, SQLITE_TRANSIENT);
    while (sqlite3_step(raw) == SQLITE_ROW) {
        TranslateContext::TargetColumn column;
        column.name = reinterpret_cast<const char*>(sqlite3_column_text(raw, 0));
        column.insertable = sqlite3_column_int(raw, 1) == 0 && sqlite3_column_int(raw, 2) == 0 && sqlite3_column_int(raw, 3) != 189;
        columns.push_back(column);
    }
    // The declared type texts, as the SQLite table carries them.
    const std::string pragma = "SELECT name, type FROM pragma_table_xinfo(?1, ?2)";
    raw = nullptr;
    if (sqlite3_prepare_v2(db, pragma.c_str(), -1, &raw, nullptr) != SQLITE_OK) {
        sqlite3_finalize(raw);
        return columns;
    }
    StatementHandle types(raw);
    sqlite3_bind_text(raw, 1, table.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(raw, 2, schema.empty() ? "main" : schema.c_str(), -1, SQLITE_TRANSIENT);
    while (sqlite3_step(raw) == SQLITE_ROW) {
        const std::string name = reinterpret_cast<const char*>(sqlite3_column_text(raw, 0));
        for (auto& column : columns)
            if (equalsIgnoreCase(column.name, name) && sqlite3_column_text(raw, 1))
                column.type = reinterpret_cast<const char*>(sqlite3_column_text(raw, 1));
    }
    return columns;
}

TranslateContext Session::translateContext()
{
    TranslateContext context;
    context.currentDatabase = current_;
    context.variable = [this](const std::string& name) { return variable(name); };
    context.attach = [this](const std::string& db) { return attach(db); };
    context.targetColumns = [this](const std::string& schema, const std::string& table) { return targetColumns(schema, table); };
    return context;
}

// ---- batch ----------------------------------------------------------------

void Session::executeBatch(const std::string& sql, ResultSink& sink)
{
    if (engine_.isKilled(info_.spid)) {
        // Severity 20 ends the connection, as a KILL does on SQL Server.
        for (auto& [name, c] : connections_)
            if (c.db && !sqlite3_get_autocommit(c.db.get()))
                sqlite3_exec(c.db.get(), "ROLLBACK", nullptr, nullptr, nullptr);
        tranCount_ = 0;
        connections_.clear();
        sendError(sink, SqlError(6106, 20, 1, "Process ID " + std::to_string(info_.spid) + " was ended by KILL."));
        sink.statementDone(std::nullopt, true);
        return;
    }
    // Another session restored or dropped a database: reopen connections rather than read stale files.
    if (seenGeneration_ != engine_.registry.generation() && tranCount_ == 0 && !bulkOpen_) {
        seenGeneration_ = engine_.registry.generation();
        connections_.clear();
    }
    source_ = sql;
    cancelled_ = false;
    try {
        tokens_ = tokenize(source_);
    } catch (const LexError& error) {
        const char quote = error.offset < source_.size() ? source_[error.offset] : ' ';
        if (quote == '\'' || quote == 'N' || quote == 'n')
            sendError(sink, SqlError(105, 15, 1, "Unclosed quotation mark before the character string '" +
                                                     source_.substr(error.offset + (quote == '\'' ? 1 : 2)) + "'."));
        else
            sendError(sink, syntaxErrorNear(error.near));
        sink.statementDone(std::nullopt, true);
        return;
    }
    std::vector<Statement> statements;
    try {
        statements = splitStatements(tokens_);
        syntaxCheck(statements);
    } catch (const SqlError& error) {
        // A syntax error stops the whole batch before any of it runs.
        lastError_ = error.number;
        sendError(sink, error);
        sink.statementDone(std::nullopt, true);
        return;
    }
    run(statements, sink);
    try {
        commitBulk();
    } catch (const SqlError& error) {
        sendError(sink, error);
        sink.statementDone(std::nullopt, true);
    }
}

void Session::syntaxCheck(const std::vector<Statement>& statements)
{
    TranslateContext dry;
    dry.currentDatabase = current_;
    dry.variable = [](const std::string&) { return std::optional<Value>(Value(Null{})); };
    dry.attach = [](const std::string& db) { return db; };
    for (const Statement& s : statements) {
        if (s.kind != Statement::Kind::Simple) {
            if (s.kind == Statement::Kind::If) {
                try {
                    translateExpressionWith(tokens_, s.conditionBegin, s.conditionEnd, dry);
                } catch (const SqlError& error) {
                    if (error.number == 102 || error.number == 156)
                        throw;
                }
            }
            syntaxCheck(s.body);
            syntaxCheck(s.elseBody);
            continue;
        }
        const Token& head = tokens_[s.begin];
        try {
            if (head.isWord("SELECT"))
                translateSelectStatement(tokens_, s.begin, s.end, dry);
            else if (head.isWord("INSERT") || head.isWord("UPDATE") || head.isWord("DELETE"))
                translateDml(tokens_, s.begin, s.end, dry);
        } catch (const SqlError& error) {
            if (error.number == 102 || error.number == 156)
                throw;
        }
    }
}

void Session::run(const std::vector<Statement>& statements, ResultSink& sink)
{
    for (const Statement& s : statements)
        if (!runOne(s, sink))
            return;
}

bool Session::runOne(const Statement& statement, ResultSink& sink)
{
    if (cancelled_ || sink.cancelled()) {
        cancelled_ = true;
        return false;
    }
    try {
        switch (statement.kind) {
        case Statement::Kind::Block:
            for (const Statement& s : statement.body)
                if (!runOne(s, sink))
                    return false;
            return true;
        case Statement::Kind::If: {
            const bool holds = condition(statement.conditionBegin, statement.conditionEnd);
            const auto& branch = holds ? statement.body : statement.elseBody;
            for (const Statement& s : branch)
                if (!runOne(s, sink))
                    return false;
            return true;
        }
        case Statement::Kind::Simple:
            if (tokens_[statement.begin].isWord("RETURN"))
                return false;
            runSimple(statement.begin, statement.end, sink);
            lastError_ = 0;
            return !cancelled_;
        }
    } catch (const SqlError& error) {
        lastError_ = error.number;
        sendError(sink, error);
        if (error.number == 515 || error.number == 547 || error.number == 2627 || error.number == 2601)
            sendInfo(sink, 3621, "The statement has been terminated.");
        sink.statementDone(std::nullopt, true);
        return error.severity < 20;
    }
    return true;
}

bool Session::condition(std::size_t begin, std::size_t end)
{
    std::string sql = "SELECT CASE WHEN " + translateExpressionWith(tokens_, begin, end, translateContext()) +
                      " THEN 1 ELSE 0 END";
    StatementHandle statement = prepare(database(), sql);
    int rc = sqlite3_step(statement.get());
    if (rc != SQLITE_ROW)
        throwSqliteError(database(), rc);
    return sqlite3_column_int(statement.get(), 0) != 0;
}

void Session::done(ResultSink& sink, std::optional<std::int64_t> rows)
{
    sink.statementDone(noCount_ ? std::nullopt : rows, false);
}

void Session::runSimple(std::size_t begin, std::size_t end, ResultSink& sink)
{
    const Token& head = tokens_[begin];
    const bool dml = head.isWord("INSERT") || head.isWord("UPDATE") || head.isWord("DELETE");
    if (!dml)
        commitBulk();
    if (head.isWord("SELECT"))
        return runSelect(begin, end, sink);
    if (dml) {
        beginBulkIfNeeded();
        return runDml(begin, end, sink);
    }
    if (head.isWord("USE"))
        return runUse(begin, end, sink);
    if (head.isWord("SET"))
        return runSet(begin, end, sink);
    if (head.isWord("DECLARE"))
        return runDeclare(begin, end, sink);
    if (head.isWord("PRINT"))
        return runPrint(begin, end, sink);
    if (head.isWord("RAISERROR"))
        return runRaiserror(begin, end, sink);
    if (head.isWord("BEGIN") || head.isWord("COMMIT") || head.isWord("ROLLBACK") || head.isWord("SAVE"))
        return runTransaction(begin, end, sink);
    if (head.isWord("WAITFOR"))
        return runWaitfor(begin, end, sink);
    if (head.isWord("KILL"))
        return runKill(begin, end, sink);
    if (head.isWord("BACKUP") || head.isWord("RESTORE"))
        return runBackupRestore(begin, end, sink);
    if (head.isWord("ALTER") && tokens_[begin + 1].isWord("DATABASE"))
        return runAlterDatabase(begin, end, sink);
    if ((head.isWord("CREATE") || head.isWord("DROP") || head.isWord("ALTER")) && tokens_[begin + 1].isWord("DATABASE"))
        return runDatabaseStatement(begin, end, sink);
    if (head.isWord("EXEC") || head.isWord("EXECUTE") || !startsStatement(head))
        return runExecute(begin, end, sink);
    if (head.isWord("TRUNCATE")) {
        if (!tokens_[begin + 1].isWord("TABLE"))
            throwSyntaxError(tokens_, begin + 1, begin);
        std::vector<Token> rewritten;
        Token del = head;
        del.kind = TokenKind::Word;
        del.text = "DELETE";
        Token from = del;
        from.text = "FROM";
        rewritten.push_back(del);
        rewritten.push_back(from);
        for (std::size_t i = begin + 2; i < end; ++i)
            rewritten.push_back(tokens_[i]);
        TranslatedDml translated = translateDml(rewritten, 0, rewritten.size(), translateContext());
        execute(database(), translated.sql);
        rowCount_ = 0;
        return done(sink, std::nullopt);
    }
    if (head.isWord("CHECKPOINT") || head.isWord("GRANT") || head.isWord("REVOKE") || head.isWord("DENY")) {
        // The sandbox has one login with every right; checkpoints are SQLite's business.
        rowCount_ = 0;
        return done(sink, std::nullopt);
    }
    if (runDdl(begin, end, sink))
        return;
    throw SqlError(50000, 16, 1, "The Norvane sandbox does not support the " + toUpperAscii(head.text) + " statement.");
}

bool Session::runDdl(std::size_t begin, std::size_t end, ResultSink& sink)
{
    catalog::DdlContext context{database(), current_, "dbo", &sink};
    if (!catalog::executeDdl(context, tokens_, begin, end, source_))
        return false;
    rowCount_ = 0;
    done(sink, std::nullopt);
    return true;
}

// ---- SELECT ---------------------------------------------------------------

void Session::runSelect(std::size_t begin, std::size_t end, ResultSink& sink)
{
    TranslatedSelect translated = translateSelectStatement(tokens_, begin, end, translateContext());
    sqlite3* db = database();
    StatementHandle statement;
    try {
        statement = prepare(db, translated.sql);
    } catch (const SqlError& error) {
        rethrowWithWrittenName(error, translated.names);
    }
    sqlite3_stmt* st = statement.get();
    const int count = sqlite3_column_count(st);

    const bool assigning = !translated.items.empty() && !translated.items[0].assignVariable.empty();
    if (assigning) {
        std::int64_t rows = 0;
        for (int rc; (rc = sqlite3_step(st)) != SQLITE_DONE; ++rows) {
            if (rc != SQLITE_ROW)
                throwSqliteError(db, rc);
            for (int i = 0; i < count && i < static_cast<int>(translated.items.size()); ++i)
                assign(translated.items[static_cast<std::size_t>(i)].assignVariable, columnValue(st, i));
        }
        rowCount_ = rows;
        return done(sink, rows);
    }

    // Map the select list onto SQLite's columns; a * expands to several.
    std::vector<const SelectItem*> itemOf(static_cast<std::size_t>(count), nullptr);
    {
        const auto& items = translated.items;
        std::size_t firstStar = items.size(), lastStar = items.size();
        for (std::size_t i = 0; i < items.size(); ++i)
            if (items[i].star) {
                if (firstStar == items.size())
                    firstStar = i;
                lastStar = i;
            }
        for (std::size_t i = 0; i < items.size() && i < firstStar && i < itemOf.size(); ++i)
            itemOf[i] = &items[i];
        if (firstStar != items.size())
            for (std::size_t k = 0; lastStar + 1 + k < items.size() && k < itemOf.size(); ++k)
                itemOf[itemOf.size() - 1 - k] = &items[items.size() - 1 - k];
    }

    std::vector<ResultColumn> columns(static_cast<std::size_t>(count));
    std::vector<bool> known(static_cast<std::size_t>(count), true);
    bool anyUnknown = false;
    for (int i = 0; i < count; ++i) {
        ResultColumn& column = columns[static_cast<std::size_t>(i)];
        const SelectItem* item = itemOf[static_cast<std::size_t>(i)];
        column.name = item ? item->name : (sqlite3_column_name(st, i) ? sqlite3_column_name(st, i) : "");
        std::optional<ColumnType> type;
        if (const char* decl = sqlite3_column_decltype(st, i)) {
            type = parseTypeText(decl);
            if (!type) {
                // A user-defined type: its base type from systypes.
                const char* schema = sqlite3_column_database_name(st, i);
                std::string prefix = schema && std::string(schema) != "main" ? quoteIdentifier(schema) + "." : "";
                std::string lookup = "SELECT b.name, t.length, t.xprec, t.xscale FROM " + prefix + "systypes t JOIN " +
                                     prefix + "systypes b ON b.xusertype = t.xtype WHERE t.name = ?1 COLLATE SQLSERVER";
                sqlite3_stmt* raw = nullptr;
                if (sqlite3_prepare_v2(db, lookup.c_str(), -1, &raw, nullptr) == SQLITE_OK) {
                    StatementHandle udt(raw);
                    std::string name = decl;
                    sqlite3_bind_text(raw, 1, name.c_str(), -1, SQLITE_TRANSIENT);
                    if (sqlite3_step(raw) == SQLITE_ROW) {
                        std::string base = reinterpret_cast<const char*>(sqlite3_column_text(raw, 0));
                        int length = sqlite3_column_int(raw, 1);
                        std::string upperBase = toUpperAscii(base);
                        if (upperBase == "NVARCHAR" || upperBase == "NCHAR")
                            base += "(" + std::to_string(length / 2) + ")";
                        else if (upperBase.find("CHAR") != std::string::npos || upperBase.find("BINARY") != std::string::npos)
                            base += "(" + std::to_string(length) + ")";
                        else if (upperBase == "DECIMAL" || upperBase == "NUMERIC")
                            base += "(" + std::to_string(sqlite3_column_int(raw, 2)) + "," +
                                    std::to_string(sqlite3_column_int(raw, 3)) + ")";
                        type = parseTypeText(base);
                    }
                } else {
                    sqlite3_finalize(raw);
                }
                if (!type)
                    type = parseTypeText("nvarchar(4000)");
            }
            const char* table = sqlite3_column_table_name(st, i);
            const char* origin = sqlite3_column_origin_name(st, i);
            const char* schema = sqlite3_column_database_name(st, i);
            int notNull = 0;
            if (table && origin &&
                sqlite3_table_column_metadata(db, schema, table, origin, nullptr, nullptr, &notNull, nullptr, nullptr) ==
                    SQLITE_OK)
                type->nullable = notNull == 0;
            // The catalog's word wins where it has one (identity columns are NOT NULL there, not in SQLite).
            if (table && origin) {
                std::string prefix = schema && std::string(schema) != "main" ? quoteIdentifier(schema) + "." : "";
                std::string lookup = "SELECT c.isnullable FROM " + prefix + "syscolumns c JOIN " + prefix +
                                     "sysobjects o ON o.id = c.id WHERE o.name = ?1 AND c.name = ?2 AND c.number = 0 LIMIT 1";
                sqlite3_stmt* raw = nullptr;
                if (sqlite3_prepare_v2(db, lookup.c_str(), -1, &raw, nullptr) == SQLITE_OK) {
                    StatementHandle nullable(raw);
                    sqlite3_bind_text(raw, 1, table, -1, SQLITE_TRANSIENT);
                    sqlite3_bind_text(raw, 2, origin, -1, SQLITE_TRANSIENT);
                    if (sqlite3_step(raw) == SQLITE_ROW)
                        type->nullable = sqlite3_column_int(raw, 0) != 0;
                } else {
                    sqlite3_finalize(raw);
                }
            }
        } else if (item && !item->typeHint.empty()) {
            type = parseTypeText(item->typeHint);
        }
        if (type) {
            column.type = *type;
        } else {
            known[static_cast<std::size_t>(i)] = false;
            anyUnknown = true;
        }
    }

    std::int64_t rows = 0;
    auto convertRow = [&](std::vector<Value>& values) {
        for (std::size_t i = 0; i < values.size(); ++i)
            if (known[i])
                values[i] = valueForColumn(values[i], columns[i].type);
    };
    if (anyUnknown) {
        // Some column's type depends on its values: read them all first.
        std::vector<std::vector<Value>> buffered;
        for (int rc; (rc = sqlite3_step(st)) != SQLITE_DONE;) {
            if (rc != SQLITE_ROW)
                throwSqliteError(db, rc);
            std::vector<Value> values;
            for (int i = 0; i < count; ++i)
                values.push_back(columnValue(st, i));
            buffered.push_back(std::move(values));
        }
        for (std::size_t i = 0; i < columns.size(); ++i)
            if (!known[i])
                columns[i].type = inferType(buffered, i);
        sink.beginResult(columns);
        for (auto& values : buffered) {
            if (rowLimit_ > 0 && rows >= rowLimit_)
                break;
            if (sink.cancelled()) {
                cancelled_ = true;
                return;
            }
            convertRow(values);
            sink.row(values);
            ++rows;
        }
    } else {
        sink.beginResult(columns);
        for (int rc; (rowLimit_ == 0 || rows < rowLimit_) && (rc = sqlite3_step(st)) != SQLITE_DONE;) {
            if (rc != SQLITE_ROW)
                throwSqliteError(db, rc);
            if (sink.cancelled()) {
                cancelled_ = true;
                return;
            }
            std::vector<Value> values;
            values.reserve(static_cast<std::size_t>(count));
            for (int i = 0; i < count; ++i)
                values.push_back(columnValue(st, i));
            convertRow(values);
            sink.row(values);
            ++rows;
        }
    }
    rowCount_ = rows;
    done(sink, rows);
}

void Session::sendRows(const std::vector<ResultColumn>& columns, const std::vector<std::vector<Value>>& rows,
                       ResultSink& sink)
{
    sink.beginResult(columns);
    std::int64_t sent = 0;
    for (const auto& row : rows) {
        if (sink.cancelled()) {
            cancelled_ = true;
            return;
        }
        std::vector<Value> values = row;
        for (std::size_t i = 0; i < values.size() && i < columns.size(); ++i)
            values[i] = valueForColumn(values[i], columns[i].type);
        sink.row(values);
        ++sent;
    }
    rowCount_ = sent;
    done(sink, sent);
}

void Session::sendQuery(const std::string& sql, const std::vector<Value>& parameters, std::vector<ResultColumn> columns,
                        ResultSink& sink)
{
    sqlite3* db = database();
    StatementHandle statement = prepare(db, sql);
    for (std::size_t i = 0; i < parameters.size(); ++i) {
        int index = static_cast<int>(i + 1);
        if (const auto* s = std::get_if<std::string>(&parameters[i]))
            sqlite3_bind_text(statement.get(), index, s->c_str(), static_cast<int>(s->size()), SQLITE_TRANSIENT);
        else if (const auto* n = std::get_if<std::int64_t>(&parameters[i]))
            sqlite3_bind_int64(statement.get(), index, *n);
        else
            sqlite3_bind_null(statement.get(), index);
    }
    std::vector<std::vector<Value>> rows;
    const int count = sqlite3_column_count(statement.get());
    for (int rc; (rc = sqlite3_step(statement.get())) != SQLITE_DONE;) {
        if (rc != SQLITE_ROW)
            throwSqliteError(db, rc);
        std::vector<Value> values;
        for (int i = 0; i < count; ++i)
            values.push_back(columnValue(statement.get(), i));
        rows.push_back(std::move(values));
    }
    sendRows(columns, rows, sink);
}

// ---- DML ------------------------------------------------------------------

void Session::runDml(std::size_t begin, std::size_t end, ResultSink& sink)
{
    TranslatedDml translated = translateDml(tokens_, begin, end, translateContext());
    sqlite3* db = database();
    const std::string verb = toUpperAscii(tokens_[begin].text);
    try {
        StatementHandle statement = prepare(db, translated.sql);
        int rc = sqlite3_step(statement.get());
        if (rc != SQLITE_DONE && rc != SQLITE_ROW)
            throwSqliteError(db, rc);
    } catch (const SqlError& error) {
        if (error.number == 208)
            rethrowWithWrittenName(error, translated.names);
        rethrowConstraint(error, translated.targetTable, verb);
    }
    rowCount_ = sqlite3_changes64(db);
    done(sink, rowCount_);
}

void Session::rethrowConstraint(const SqlError& error, const std::string& table, const std::string& verb)
{
    sqlite3* db = database();
    auto lookup = [&](const std::string& sql) -> std::string {
        sqlite3_stmt* raw = nullptr;
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &raw, nullptr) != SQLITE_OK) {
            sqlite3_finalize(raw);
            return {};
        }
        StatementHandle statement(raw);
        sqlite3_bind_text(raw, 1, table.c_str(), -1, SQLITE_TRANSIENT);
        if (sqlite3_step(raw) != SQLITE_ROW || !sqlite3_column_text(raw, 0))
            return {};
        return reinterpret_cast<const char*>(sqlite3_column_text(raw, 0));
    };
    switch (error.number) {
    case 515: {
        std::string text = error.what();
        std::size_t column = text.find("column '");
        std::string name = column == std::string::npos ? "" : text.substr(column + 8, text.find('\'', column + 8) - column - 8);
        throw SqlError(515, 16, 2, "Cannot insert the value NULL into column '" + name + "', table '" + current_ + ".dbo." +
                                       table + "'; column does not allow nulls. " + verb + " fails.");
    }
    case 2627: {
        std::string pk = lookup("SELECT k.name FROM sysobjects k JOIN sysobjects t ON k.parent_obj = t.id "
                                "WHERE t.name = ?1 AND k.xtype IN ('PK', 'UQ') ORDER BY k.xtype LIMIT 1");
        std::string kind = lookup("SELECT CASE k.xtype WHEN 'PK' THEN 'PRIMARY KEY' ELSE 'UNIQUE KEY' END FROM sysobjects k "
                                  "JOIN sysobjects t ON k.parent_obj = t.id WHERE t.name = ?1 AND k.xtype IN ('PK', 'UQ') "
                                  "ORDER BY k.xtype LIMIT 1");
        if (pk.empty())
            throw SqlError(2601, 14, 3, "Cannot insert duplicate key row in object '" + table + "' with unique index.");
        throw SqlError(2627, 14, 1, "Violation of " + kind + " constraint '" + pk + "'. Cannot insert duplicate key in object '" +
                                        table + "'.");
    }
    case 547: {
        std::string text = error.what();
        if (text.find("CHECK") != std::string::npos) {
            std::size_t quote = text.find('\'');
            std::string name = quote == std::string::npos ? "" : text.substr(quote + 1, text.rfind('\'') - quote - 1);
            throw SqlError(547, 16, 1, verb + " statement conflicted with TABLE CHECK constraint '" + name +
                                           "'. The conflict occurred in database '" + current_ + "', table '" + table + "'.");
        }
        if (verb == "DELETE") {
            const char* firstReference =
                "FROM sysreferences r JOIN sysobjects t ON t.id = r.rkeyid WHERE t.name = ?1 ORDER BY r.constid LIMIT 1";
            std::string fk = lookup(std::string("SELECT (SELECT f.name FROM sysobjects f WHERE f.id = r.constid) ") + firstReference);
            std::string child = lookup(std::string("SELECT (SELECT c.name FROM sysobjects c WHERE c.id = r.fkeyid) ") + firstReference);
            std::string column = lookup(std::string("SELECT (SELECT c.name FROM syscolumns c WHERE c.id = r.fkeyid AND c.colid = r.fkey1) ") +
                                        firstReference);
            throw SqlError(547, 16, 1, "DELETE statement conflicted with COLUMN REFERENCE constraint '" + fk +
                                           "'. The conflict occurred in database '" + current_ + "', table '" + child + "'" +
                                           (column.empty() ? "" : ", column '" + column + "'") + ".");
        }
        // SQLite does not say which key failed; the table's first foreign key is named.
        const char* firstKey = "FROM sysreferences r JOIN sysobjects t ON t.id = r.fkeyid WHERE t.name = ?1 ORDER BY r.constid LIMIT 1";
        std::string fk = lookup(std::string("SELECT (SELECT f.name FROM sysobjects f WHERE f.id = r.constid) ") + firstKey);
        std::string parent = lookup(std::string("SELECT (SELECT p.name FROM sysobjects p WHERE p.id = r.rkeyid) ") + firstKey);
        std::string column = lookup(std::string("SELECT (SELECT c.name FROM syscolumns c WHERE c.id = r.rkeyid AND c.colid = r.rkey1) ") +
                                    firstKey);
        throw SqlError(547, 16, 1, verb + " statement conflicted with COLUMN FOREIGN KEY constraint '" + fk +
                                       "'. The conflict occurred in database '" + current_ + "', table '" + parent + "'" +
                                       (column.empty() ? "" : ", column '" + column + "'") + ".");
    }
    default:
        throw error;
    }
}

void Session::beginBulkIfNeeded()
{
    if (!bulkLoading_ || bulkOpen_ || tranCount_ > 0)
        return;
    sqlite3* db = database();
    if (sqlite3_get_autocommit(db)) {
        execute(db, "BEGIN");
        bulkOpen_ = true;
    }
}

void Session::commitBulk()
{
    if (!bulkOpen_)
        return;
    bulkOpen_ = false;
    for (auto& [name, c] : connections_)
        if (!sqlite3_get_autocommit(c.db.get()))
            execute(c.db.get(), "COMMIT");
}

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
    if (target.isWord("NOCOUNT"))
        noCount_ = tokens_[begin + 2].isWord("ON");
    if (target.isWord("ROWCOUNT")) {
        Value limit = evaluate(begin + 2, end);
        if (!std::holds_alternative<std::int64_t>(limit))
            throwSyntaxError(tokens_, begin + 2, begin);
        rowLimit_ = std::max<std::int64_t>(std::get<std::int64_t>(limit), 0);
    }
    // Session options clients send (ANSI_*, QUOTED_IDENTIFIER, TEXTSIZE, DATEFORMAT, LOCK_TIMEOUT,
    // TRANSACTION ISOLATION LEVEL, ...) do not change how the sandbox answers.
    rowCount_ = 0;
    sink.statementDone(std::nullopt, false);
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
        std::size_t spec = k + 1;
        while (spec < format.size() && std::string_view("-+ #0123456789.lhI").find(format[spec]) != std::string_view::npos)
            ++spec;
        if (spec >= format.size())
            break;
        char conversion = format[spec];
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
        k = spec;
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
    sqlite3* db = database();
    if (head.isWord("BEGIN")) {
        if (tranCount_ == 0) {
            commitBulk();
            if (sqlite3_get_autocommit(db))
                execute(db, "BEGIN");
        }
        ++tranCount_;
    } else if (head.isWord("COMMIT")) {
        if (tranCount_ == 0)
            throw SqlError(3902, 16, 1, "The COMMIT TRANSACTION request has no corresponding BEGIN TRANSACTION.");
        if (--tranCount_ == 0)
            for (auto& [name, c] : connections_)
                if (!sqlite3_get_autocommit(c.db.get()))
                    execute(c.db.get(), "COMMIT");
    } else if (head.isWord("ROLLBACK")) {
        if (tranCount_ == 0)
            throw SqlError(3903, 16, 1, "The ROLLBACK TRANSACTION request has no corresponding BEGIN TRANSACTION.");
        tranCount_ = 0;
        for (auto& [name, c] : connections_)
            if (!sqlite3_get_autocommit(c.db.get()))
                execute(c.db.get(), "ROLLBACK");
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
        engine_.createDatabase(tokens_[begin + 2].text);
    } else {
        for (std::size_t i = begin + 2; i < end; i += 2) {
            if (!tokens_[i].isName())
                throwSyntaxError(tokens_, i, begin);
            const std::string name = tokens_[i].text;
            if (equalsIgnoreCase(name, current_))
                throw SqlError(3702, 16, 3, "Cannot drop the database '" + name + "' because it is currently in use.");
            closeConnections(name);
            engine_.dropDatabase(name, info_.spid);
            sendInfo(sink, 0, "Deleting database file '" + engine_.registry.fileOf(name).string() + "'.", 0);
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
        Session& self = *this;
        std::vector<Token> savedTokens = std::move(tokens_);
        std::string savedSource = std::move(source_);
        self.executeBatch(std::get<std::string>(text), sink);
        tokens_ = std::move(savedTokens);
        source_ = std::move(savedSource);
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
