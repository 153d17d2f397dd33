#pragma once
// One client session: its current database, connections, variables and transaction
// state, and the statement handlers that run a batch.
#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "engine/engine_impl.h"
#include "engine/sql_error.h"
#include "engine/statements.h"
#include "engine/translator.h"

namespace sandbox {

struct ProcedureArgument {
    std::string name;  // "@table_name", or empty when positional
    Value value;
};

class Session final : public EngineSession {
public:
    Session(Engine::Impl& engine, const SessionInfo& info);
    ~Session() override;

    std::string currentDatabase() const override { return current_; }
    void executeBatch(const std::string& sql, ResultSink& sink) override;

    // Sample loading: runs of INSERTs share one SQLite transaction, committed at the batch's end.
    void setBulkLoading(bool on) { bulkLoading_ = on; }

    // For the system procedures.
    sqlite3* database();
    const SessionInfo& info() const { return info_; }
    Engine::Impl& engine() { return engine_; }
    // Runs sql (SQLite text) and sends its rows with the given columns.
    void sendQuery(const std::string& sql, const std::vector<Value>& parameters, std::vector<ResultColumn> columns,
                   ResultSink& sink);
    void sendRows(const std::vector<ResultColumn>& columns, const std::vector<std::vector<Value>>& rows, ResultSink& sink);
    void runDboption(const std::vector<ProcedureArgument>& arguments, ResultSink& sink);

private:
    struct Connection {
        std::unique_ptr<ConnectionContext> context;
        SqliteHandle db;
        std::set<std::string> attached;  // lower-case database names
    };
    struct Variable {
        Value value;
        std::string type;
    };

    Connection& connection(const std::string& database);
    // SQLite calls these while a statement runs or waits for a lock (see connection()).
    static int progressHandler(void* session);
    static int busyHandler(void* session, int attempts);
    bool cancelRequested() const;
    // Writers take their database's gate in turn (WriteGates); the write transaction of an explicit
    // transaction starts at its first writing statement, holding the gate until COMMIT or ROLLBACK.
    void acquireGate(const std::string& database);
    void releaseGates();
    void beginWriteTransaction();
    void endTransaction(bool commit);
    void runSetOption(std::size_t begin, std::size_t end);
    void runIdentityInsert(std::size_t begin, std::size_t end);
    void checkPermissionGrantees(std::size_t begin, std::size_t end);
    bool identityInsertOn(const std::string& schema, const std::string& table) const;
    void closeConnections(const std::string& database);
    TranslateContext translateContext();
    std::vector<TranslateContext::TargetColumn> targetColumns(const std::string& schema, const std::string& table);
    // Column names of the current database that name decimal, numeric or money columns (see TranslateContext).
    std::map<std::string, std::optional<std::string>> exactColumnTypes();
    void refreshExactColumns();
    std::optional<Value> variable(const std::string& name) const;
    std::string attach(const std::string& database);

    void run(const std::vector<Statement>& statements, ResultSink& sink);
    bool runOne(const Statement& statement, ResultSink& sink);  // false: stop the batch
    void runSimple(std::size_t begin, std::size_t end, ResultSink& sink);
    void runSimpleAgainAfterSchemaChange(std::size_t begin, std::size_t end, ResultSink& sink);
    bool condition(std::size_t begin, std::size_t end);
    void syntaxCheck(const std::vector<Statement>& statements);

    void runSelect(std::size_t begin, std::size_t end, ResultSink& sink);
    void runDml(std::size_t begin, std::size_t end, ResultSink& sink);
    void runUse(std::size_t begin, std::size_t end, ResultSink& sink);
    void runSet(std::size_t begin, std::size_t end, ResultSink& sink);
    void runDeclare(std::size_t begin, std::size_t end, ResultSink& sink);
    void runPrint(std::size_t begin, std::size_t end, ResultSink& sink);
    void runRaiserror(std::size_t begin, std::size_t end, ResultSink& sink);
    void runTransaction(std::size_t begin, std::size_t end, ResultSink& sink);
    void runExecute(std::size_t begin, std::size_t end, ResultSink& sink);
    void runDatabaseStatement(std::size_t begin, std::size_t end, ResultSink& sink);
    void runWaitfor(std::size_t begin, std::size_t end, ResultSink& sink);
    void runKill(std::size_t begin, std::size_t end, ResultSink& sink);
    void runBackupRestore(std::size_t begin, std::size_t end, ResultSink& sink);
    void runAlterDatabase(std::size_t begin, std::size_t end, ResultSink& sink);
    void setDatabaseStatus(const std::string& database, int bit, bool on);
    int databaseStatus(const std::string& database);
    bool runDdl(std::size_t begin, std::size_t end, ResultSink& sink);

    Value evaluate(std::size_t begin, std::size_t end);
    void assign(const std::string& name, const Value& value);
    void done(ResultSink& sink, std::optional<std::int64_t> rows);
    void commitBulk();
    void beginBulkIfNeeded();
    [[noreturn]] void rethrowConstraint(const SqlError& error, const std::string& table, const std::string& verb);

    Engine::Impl& engine_;
    SessionInfo info_;
    std::string current_ = "master";
    std::map<std::string, Connection> connections_;
    std::map<std::string, Variable> variables_;  // upper-case names
    std::vector<Token> tokens_;
    std::string source_;
    std::int64_t rowCount_ = 0;
    int lastError_ = 0;
    int tranCount_ = 0;
    bool noCount_ = false;
    std::int64_t rowLimit_ = 0;  // SET ROWCOUNT; 0 means no limit
    bool bulkLoading_ = false;
    bool bulkOpen_ = false;
    bool cancelled_ = false;
    ResultSink* activeSink_ = nullptr;  // the running batch's, for cancellation while SQLite works
    std::chrono::steady_clock::time_point busySince_{};
    int lockTimeoutMs_ = -1;  // SET LOCK_TIMEOUT; -1 waits as long as it takes
    bool implicitTransactions_ = false;
    bool xactAbort_ = false;
    int execDepth_ = 0;  // EXEC ('...') nesting
    std::set<std::string> gates_;  // lower-case names of the databases whose gate this session holds
    struct {
        std::string database;  // lower-case; empty when IDENTITY_INSERT is OFF everywhere
        std::string owner;
        std::string table;
    } identityInsert_;
    std::uint64_t seenGeneration_ = 0;
    struct {
        std::string database;
        int schemaVersion = -1;
        std::map<std::string, std::optional<std::string>> types;
    } exactColumns_;
};

// sp_helptext's rows for a definition stored in chunks: a row ends after each line break (kept with it)
// and holds at most 255 characters, a longer line continuing in the next row.
std::vector<std::string> helpTextLines(const std::vector<std::string>& chunks);

// sp_pkeys, sp_helptext, sp_who and the answers for other procedures; throws SqlError.
void runSystemProcedure(Session& session, const std::string& name, const std::vector<ProcedureArgument>& arguments,
                        ResultSink& sink);

}  // namespace sandbox
