#include "engine/sqlite_handle.h"

#include <cstring>

#include "engine/nesting.h"
#include "engine/sql_error.h"

namespace sandbox {

namespace {

std::string after(const std::string& text, const std::string& prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0 ? text.substr(prefix.size()) : std::string();
}

std::string lastPart(const std::string& name)
{
    std::size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(dot + 1);
}

}  // namespace

SqliteHandle openSqlite(const std::filesystem::path& file, const ConnectionContext* context)
{
    sqlite3* raw = nullptr;
    int rc = sqlite3_open_v2(file.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                             nullptr);
    SqliteHandle db(raw);
    if (rc != SQLITE_OK)
        throw SqlError(5120, 16, 101, "Unable to open the physical file \"" + file.string() + "\".");
    sqlite3_busy_timeout(db.get(), 10000);
    sqlite3_extended_result_codes(db.get(), 1);
    // Misspelt column names must fail (error 207) rather than turn into string literals.
    sqlite3_db_config(db.get(), SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
    registerTsqlFunctions(db.get(), context);
    execute(db.get(), "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; PRAGMA foreign_keys=ON;");
    return db;
}

StatementHandle prepare(sqlite3* db, const std::string& sql)
{
    sqlite3_stmt* raw = nullptr;
    int rc = sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &raw, nullptr);
    StatementHandle statement(raw);
    if (rc != SQLITE_OK)
        throwSqliteError(db, rc);
    return statement;
}

void execute(sqlite3* db, const std::string& sql)
{
    char* error = nullptr;
    int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error);
    if (rc != SQLITE_OK) {
        sqlite3_free(error);
        throwSqliteError(db, rc);
    }
}

Value columnValue(sqlite3_stmt* statement, int column)
{
    switch (sqlite3_column_type(statement, column)) {
    case SQLITE_INTEGER:
        return static_cast<std::int64_t>(sqlite3_column_int64(statement, column));
    case SQLITE_FLOAT:
        return sqlite3_column_double(statement, column);
    case SQLITE_TEXT: {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
        return std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(statement, column)));
    }
    case SQLITE_BLOB: {
        const auto* data = static_cast<const std::uint8_t*>(sqlite3_column_blob(statement, column));
        return Bytes(data, data + sqlite3_column_bytes(statement, column));
    }
    default:
        return Null{};
    }
}

void throwSqliteError(sqlite3* db, int code)
{
    const std::string message = db ? sqlite3_errmsg(db) : sqlite3_errstr(code);
    // Our own functions report SQL Server errors as "SQLSERVER|number|severity|text".
    if (std::string body = after(message, "SQLSERVER|"); !body.empty()) {
        std::size_t a = body.find('|');
        std::size_t b = body.find('|', a + 1);
        if (a != std::string::npos && b != std::string::npos)
            throw SqlError(std::stoi(body.substr(0, a)), std::stoi(body.substr(a + 1, b - a - 1)), 1, body.substr(b + 1));
    }
    if (std::string name = after(message, "no such table: "); !name.empty())
        throw invalidObjectName(lastPart(name));
    if (std::string name = after(message, "no such column: "); !name.empty())
        throw SqlError(207, 16, 1, "Invalid column name '" + lastPart(name) + "'.");
    if (std::string name = after(message, "ambiguous column name: "); !name.empty())
        throw SqlError(209, 16, 1, "Ambiguous column name '" + lastPart(name) + "'.");
    if (std::string name = after(message, "no such function: "); !name.empty())
        throw SqlError(195, 15, 10, "'" + name + "' is not a recognized function name.");
    if (std::string name = after(message, "NOT NULL constraint failed: "); !name.empty())
        throw SqlError(515, 16, 2, "Cannot insert the value NULL into column '" + lastPart(name) + "', table '" +
                                       name.substr(0, name.rfind('.')) + "'; column does not allow nulls. INSERT fails.");
    if (message.rfind("UNIQUE constraint failed", 0) == 0 || message.rfind("PRIMARY KEY", 0) == 0)
        throw SqlError(2627, 14, 1, "Violation of PRIMARY KEY constraint. Cannot insert duplicate key.");
    if (message.rfind("FOREIGN KEY constraint failed", 0) == 0)
        throw SqlError(547, 16, 1, "The statement conflicted with a FOREIGN KEY constraint.");
    if (std::string name = after(message, "CHECK constraint failed: "); !name.empty())
        throw SqlError(547, 16, 1, "The statement conflicted with the CHECK constraint '" + name + "'.");
    if (message.find("syntax error") != std::string::npos) {
        std::size_t open = message.find('"');
        std::size_t close = open == std::string::npos ? open : message.find('"', open + 1);
        throw syntaxErrorNear(close == std::string::npos ? "" : message.substr(open + 1, close - open - 1));
    }
    // SQLite's own bounds on how deeply a statement may nest.
    if (message.find("parser stack overflow") != std::string::npos ||
        message.rfind("Expression tree is too large", 0) == 0 || message.rfind("too many levels of", 0) == 0)
        throw nestedTooDeeply();
    if ((code & 0xff) == SQLITE_INTERRUPT)
        throw SqlError(3617, 16, 1, "The statement was cancelled.");
    if ((code & 0xff) == SQLITE_BUSY || (code & 0xff) == SQLITE_LOCKED)
        throw SqlError(1222, 16, 1, "Lock request time out period exceeded.");
    throw SqlError(50000, 16, 1, "The Norvane sandbox could not run this statement: " + message);
}

}  // namespace sandbox
