#pragma once
// RAII owners for SQLite connections and statements, and the few helpers every caller needs.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include <sqlite3.h>

#include "engine/result_sink.h"

namespace sandbox {

struct SqliteCloser {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
struct StatementFinalizer {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using SqliteHandle = std::unique_ptr<sqlite3, SqliteCloser>;
using StatementHandle = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

class DatabaseRegistry;
struct SessionInfo;

// What the catalog functions of one connection need to know about where they run.
struct ConnectionContext {
    std::string databaseName;
    const DatabaseRegistry* registry = nullptr;
    std::string loginName = "sa";
    std::string hostName;
    std::string appName;
    // The last timestamp (rowversion) value handed out on this connection.
    mutable std::uint64_t lastRowVersion = 0;
};

// Opens a database file with the sandbox's settings (WAL, busy timeout, foreign keys)
// and registers the SQLSERVER collation and the T-SQL functions. Throws SqlError.
SqliteHandle openSqlite(const std::filesystem::path& file, const ConnectionContext* context);

// Registers the collation and functions on a connection (context may be null for plain helpers).
void registerTsqlFunctions(sqlite3* db, const ConnectionContext* context);

// Prepares sql or throws SqlError with the SQLite message translated.
StatementHandle prepare(sqlite3* db, const std::string& sql);
// Runs statements that return no rows; throws SqlError.
void execute(sqlite3* db, const std::string& sql);

// Column value as a result_sink Value, by its SQLite storage class.
Value columnValue(sqlite3_stmt* statement, int column);

// Turns a failed SQLite call into SQL Server's error (functions encode their own number in the message).
[[noreturn]] void throwSqliteError(sqlite3* db, int code);

}  // namespace sandbox
