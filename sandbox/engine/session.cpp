#include "engine/session.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "catalog/ddl.h"
#include "engine/session_messages.h"
#include "engine/sql_error.h"
#include "engine/value_text.h"

namespace sandbox {

namespace {

// SQL Server's names (sysname) hold at most 128 characters.
void checkNameLengths(const std::vector<Token>& tokens)
{
    constexpr std::size_t maxNameCharacters = 128;
    for (const Token& t : tokens) {
        if (t.kind != TokenKind::Word && t.kind != TokenKind::Quoted && t.kind != TokenKind::Variable)
            continue;
        if (t.text.size() <= maxNameCharacters)
            continue;
        std::size_t characters = 0;
        std::size_t cut = t.text.size();
        for (std::size_t i = 0; i < t.text.size(); ++i) {
            if ((static_cast<unsigned char>(t.text[i]) & 0xC0) == 0x80)
                continue;
            if (++characters > maxNameCharacters) {
                cut = i;
                break;
            }
        }
        if (cut < t.text.size())
            throw SqlError(103, 15, 4, "The identifier that starts with '" + t.text.substr(0, cut) +
                                           "' is too long. Maximum length is 128.");
    }
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
    releaseGates();
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
    // Long statements notice an attention, a lost client or a stopping server; lock waits follow SET LOCK_TIMEOUT.
    constexpr int instructionsBetweenChecks = 4000;
    sqlite3_progress_handler(c.db.get(), instructionsBetweenChecks, &Session::progressHandler, this);
    sqlite3_busy_handler(c.db.get(), &Session::busyHandler, this);
    return connections_.emplace(key, std::move(c)).first->second;
}

bool Session::cancelRequested() const
{
    return cancelled_ || (activeSink_ && activeSink_->cancelled());
}

int Session::progressHandler(void* session)
{
    return static_cast<Session*>(session)->cancelRequested() ? 1 : 0;
}

int Session::busyHandler(void* session, int attempts)
{
    auto& self = *static_cast<Session*>(session);
    const auto now = std::chrono::steady_clock::now();
    if (attempts == 0)
        self.busySince_ = now;
    if (self.cancelRequested())
        return 0;
    // A session that holds a write transaction of its own might be what the holder waits for: it waits
    // a bounded time, as SQL Server would pick a deadlock victim, instead of forever.
    constexpr int boundedWaitMs = 10000;
    bool holdsWrites = !self.gates_.empty();
    for (const auto& [name, c] : self.connections_)
        holdsWrites = holdsWrites || (c.db && !sqlite3_get_autocommit(c.db.get()));
    const int limit = self.lockTimeoutMs_ >= 0 ? self.lockTimeoutMs_ : holdsWrites ? boundedWaitMs : -1;
    if (limit >= 0 && now - self.busySince_ >= std::chrono::milliseconds(limit))
        return 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(attempts < 20 ? 1 : 5));
    return 1;
}

void Session::acquireGate(const std::string& database)
{
    const std::string key = lower(database);
    if (gates_.count(key))
        return;
    switch (engine_.writeGates.acquire(key, info_.spid, lockTimeoutMs_, [this] { return cancelRequested(); })) {
    case WriteGates::Outcome::Acquired:
        gates_.insert(key);
        return;
    case WriteGates::Outcome::TimedOut:
        throw SqlError(1222, 16, 51, "Lock request time out period exceeded.");
    case WriteGates::Outcome::Cancelled:
        throw SqlError(3617, 16, 1, "The statement was cancelled.");
    case WriteGates::Outcome::Deadlock:
        throw SqlError(1205, 13, 50, "Transaction (Process ID " + std::to_string(info_.spid) +
                                         ") was deadlocked on lock resources with another process and has been chosen "
                                         "as the deadlock victim. Rerun the transaction.");
    }
}

void Session::releaseGates()
{
    for (const std::string& key : gates_)
        engine_.writeGates.release(key, info_.spid);
    gates_.clear();
}

void Session::beginWriteTransaction()
{
    Connection& c = connection(current_);
    if (!sqlite3_get_autocommit(c.db.get()))
        return;
    acquireGate(current_);
    execute(c.db.get(), "BEGIN IMMEDIATE");
}

void Session::endTransaction(bool commit)
{
    tranCount_ = 0;
    std::optional<SqlError> failure;
    for (auto& [name, c] : connections_) {
        if (sqlite3_get_autocommit(c.db.get()))
            continue;
        try {
            execute(c.db.get(), commit ? "COMMIT" : "ROLLBACK");
        } catch (const SqlError& error) {
            sqlite3_exec(c.db.get(), "ROLLBACK", nullptr, nullptr, nullptr);
            if (!failure)
                failure = error;
        }
    }
    releaseGates();
    if (failure)
        throw *failure;
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
        if (databaseStatus(entry->name) & 4096)
            for (const SessionRecord& other : engine_.sessions())
                if (other.spid != info_.spid && equalsIgnoreCase(other.database, entry->name))
                    throw SqlError(924, 14, 1, "Database '" + entry->name + "' is already open and can only have one user at a time.");
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
            return Value(std::string(versionText()));
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
        if (upper == "@@NESTLEVEL" || upper == "@@PROCID")
            return Value(std::int64_t{0});
        if (upper == "@@OPTIONS")  // 2: IMPLICIT_TRANSACTIONS, 512: NOCOUNT, 16384: XACT_ABORT
            return Value(std::int64_t{(implicitTransactions_ ? 2 : 0) | (noCount_ ? 512 : 0) | (xactAbort_ ? 16384 : 0)});
        if (upper == "@@LOCK_TIMEOUT")
            return Value(std::int64_t{lockTimeoutMs_});
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
        column.identity = sqlite3_column_int(raw, 1) != 0;
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
    context.identityInsertOn = [this](const std::string& schema, const std::string& table) {
        return identityInsertOn(schema, table);
    };
    // Checked once per statement, on the first column name the translator asks about.
    auto checked = std::make_shared<bool>(false);
    context.exactColumn = [this, checked](const std::string& column) -> std::optional<TranslateContext::ExactColumn> {
        if (!*checked) {
            refreshExactColumns();
            *checked = true;
        }
        const auto found = exactColumns_.types.find(toUpperAscii(column));
        if (found == exactColumns_.types.end())
            return std::nullopt;
        return TranslateContext::ExactColumn{found->second.has_value(), found->second.value_or("")};
    };
    return context;
}

void Session::refreshExactColumns()
{
    // Read again only when the database or its schema changed (every DDL statement changes SQLite's schema).
    sqlite3* db = database();
    int version = -1;
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, "PRAGMA schema_version", -1, &raw, nullptr) == SQLITE_OK) {
        StatementHandle statement(raw);
        if (sqlite3_step(raw) == SQLITE_ROW)
            version = sqlite3_column_int(raw, 0);
    } else {
        sqlite3_finalize(raw);
    }
    if (version >= 0 && version == exactColumns_.schemaVersion && exactColumns_.database == current_)
        return;
    exactColumns_.database = current_;
    exactColumns_.schemaVersion = version;
    exactColumns_.types = exactColumnTypes();
}

std::map<std::string, std::optional<std::string>> Session::exactColumnTypes()
{
    // name -> its exact type, "" when its numeric types differ, nullopt when some table has it as another kind.
    std::map<std::string, std::optional<std::string>> types;
    std::set<std::string> other;
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(database(),
                           "SELECT c.name, c.xtype, c.xprec, c.xscale FROM syscolumns c JOIN sysobjects o ON o.id = c.id "
                           "WHERE o.xtype = 'U' AND c.number = 0",
                           -1, &raw, nullptr) != SQLITE_OK) {
        sqlite3_finalize(raw);
        return types;
    }
    StatementHandle statement(raw);
    std::set<std::string> numeric;  // names some table has as an integer or floating-point column
    while (sqlite3_step(raw) == SQLITE_ROW) {
        const std::string name = toUpperAscii(reinterpret_cast<const char*>(sqlite3_column_text(raw, 0)));
        const int xtype = sqlite3_column_int(raw, 1);
        const std::string precision = std::to_string(sqlite3_column_int(raw, 2)) + "," + std::to_string(sqlite3_column_int(raw, 3));
        std::string type = xtype == 106 ? "decimal(" + precision + ")"
                           : xtype == 108 ? "numeric(" + precision + ")"
                           : xtype == 60  ? "money"
                           : xtype == 122 ? "smallmoney"
                                          : "";
        const bool otherNumber = xtype == 48 || xtype == 52 || xtype == 56 || xtype == 127 || xtype == 104 || xtype == 59 ||
                                 xtype == 62;
        if (type.empty()) {
            (otherNumber ? numeric : other).insert(name);
            continue;
        }
        auto [entry, added] = types.emplace(name, type);
        if (!added && entry->second != type)
            entry->second = "";
    }
    for (auto& [name, type] : types) {
        if (other.count(name))
            type.reset();
        else if (numeric.count(name))
            type = "";
    }
    return types;
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
        releaseGates();
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
    struct ActiveSink {
        Session& session;
        ResultSink* saved;
        ActiveSink(Session& s, ResultSink& sink) : session(s), saved(s.activeSink_) { s.activeSink_ = &sink; }
        ~ActiveSink() { session.activeSink_ = saved; }
    } active(*this, sink);
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
        checkNameLengths(tokens_);
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
    dry.variable = [](const std::string&) { return std::optional<Value>(std::in_place); };  // a NULL of no type
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
            runSimpleAgainAfterSchemaChange(statement.begin, statement.end, sink);
            lastError_ = 0;
            return !cancelled_;
        }
    } catch (const SqlError& error) {
        if (error.number == 3617 || cancelRequested()) {
            // An attention or a lost client: the batch stops and the protocol layer answers for it.
            cancelled_ = true;
            return false;
        }
        lastError_ = error.number;
        sendError(sink, error);
        if (error.number == 515 || error.number == 547 || error.number == 2627 || error.number == 2601)
            sendInfo(sink, 3621, "The statement has been terminated.");
        sink.statementDone(std::nullopt, true);
        // A deadlock victim loses its transaction, and so does any failure under SET XACT_ABORT ON.
        if (tranCount_ > 0 && (error.number == 1205 || (xactAbort_ && error.severity > 10))) {
            try {
                endTransaction(false);
            } catch (const SqlError&) {
                // Rolled back as far as SQLite could; the connection is in autocommit either way.
            }
            return false;
        }
        return error.severity < 20;
    }
    return true;
}

void Session::runSimpleAgainAfterSchemaChange(std::size_t begin, std::size_t end, ResultSink& sink)
{
    // Another session's DDL can change SQLite's schema between the moment a statement is prepared and the
    // moment it takes its lock. SQLite then refuses it ("database schema has changed") before it has changed
    // a row; such a statement runs again, as SQL Server would simply have waited for the schema lock.
    constexpr int kAttempts = 5;
    for (int attempt = 1;; ++attempt) {
        const sqlite3_int64 changesBefore = sqlite3_total_changes64(database());
        try {
            runSimple(begin, end, sink);
            return;
        } catch (const SqlError& error) {
            const bool schemaChanged = std::string_view(error.what()).find("database schema has changed") != std::string::npos;
            if (!schemaChanged || attempt == kAttempts || sqlite3_total_changes64(database()) != changesBefore)
                throw;
        }
    }
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
    const bool databaseStatement = begin + 1 < end && tokens_[begin + 1].isWord("DATABASE");
    // Under SET IMPLICIT_TRANSACTIONS ON these statements open a transaction, as on SQL Server.
    if (implicitTransactions_ && tranCount_ == 0 && !databaseStatement &&
        (dml || head.isWord("SELECT") || head.isWord("CREATE") || head.isWord("ALTER") || head.isWord("DROP") ||
         head.isWord("TRUNCATE") || head.isWord("GRANT") || head.isWord("REVOKE") || head.isWord("OPEN") ||
         head.isWord("FETCH")))
        tranCount_ = 1;
    const bool reads = head.isWord("SELECT") || head.isWord("SET") || head.isWord("DECLARE") || head.isWord("PRINT") ||
                       head.isWord("RAISERROR") || head.isWord("USE") || head.isWord("WAITFOR") || head.isWord("KILL") ||
                       head.isWord("BEGIN") || head.isWord("COMMIT") || head.isWord("ROLLBACK") || head.isWord("SAVE") ||
                       head.isWord("BACKUP") || head.isWord("RESTORE") || databaseStatement;
    struct StatementGate {
        Session* session = nullptr;
        ~StatementGate()
        {
            if (session && session->tranCount_ == 0 && !session->bulkOpen_)
                session->releaseGates();
        }
    } statementGate;
    if (!reads && tranCount_ > 0) {
        beginWriteTransaction();  // the transaction's changes stay together until COMMIT or ROLLBACK
    } else if (dml || head.isWord("TRUNCATE")) {
        if (!bulkLoading_) {
            acquireGate(current_);
            statementGate.session = this;
        }
    }
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
    if (head.isWord("GRANT") || head.isWord("REVOKE") || head.isWord("DENY"))
        checkPermissionGrantees(begin, end);
    if (head.isWord("CHECKPOINT") || head.isWord("GRANT") || head.isWord("REVOKE") || head.isWord("DENY")) {
        // The sandbox has one login with every right, so permissions change nothing once their users are known;
        // checkpoints are SQLite's business.
        rowCount_ = 0;
        return done(sink, std::nullopt);
    }
    if (runDdl(begin, end, sink))
        return;
    throw SqlError(50000, 16, 1, "The Norvane sandbox does not support the " + toUpperAscii(head.text) + " statement.");
}

void Session::checkPermissionGrantees(std::size_t begin, std::size_t end)
{
    // GRANT ... TO a, b / REVOKE ... FROM a / DENY ... TO a: every user or role named must exist here.
    std::size_t i = begin + 1;
    int depth = 0;
    for (; i < end; ++i) {
        depth += tokens_[i].isSymbol("(") - tokens_[i].isSymbol(")");
        if (depth == 0 && (tokens_[i].isWord("TO") || tokens_[i].isWord("FROM")))
            break;
    }
    if (i >= end)
        throwSyntaxError(tokens_, end, begin);
    for (++i; i < end && !tokens_[i].isWord("WITH") && !tokens_[i].isWord("AS") && !tokens_[i].isWord("CASCADE") &&
              !tokens_[i].isSymbol(";");
         ++i) {
        if (tokens_[i].isSymbol(","))
            continue;
        if (!tokens_[i].isName())
            throwSyntaxError(tokens_, i, begin);
        StatementHandle lookup = prepare(database(), "SELECT 1 FROM sysusers WHERE name = ?1 COLLATE SQLSERVER");
        sqlite3_bind_text(lookup.get(), 1, tokens_[i].text.c_str(), -1, SQLITE_TRANSIENT);
        if (sqlite3_step(lookup.get()) != SQLITE_ROW)
            throw SqlError(4604, 16, 1, "There is no such user or group '" + tokens_[i].text + "'.");
    }
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

}  // namespace sandbox
