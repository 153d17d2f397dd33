#include "catalog/sqlite_util.h"

#include "engine/sql_error.h"

namespace sandbox::catalog {

namespace {

SqlError sqliteFailure(sqlite3* db)
{
    return SqlError(50000, 16, 1, std::string("Catalog storage failure: ") + sqlite3_errmsg(db));
}

}  // namespace

Statement::Statement(sqlite3* db, std::string_view sql) : db_(db)
{
    if (sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &statement_, nullptr) != SQLITE_OK) {
        SqlError error = sqliteFailure(db);
        sqlite3_finalize(statement_);
        throw error;
    }
}

Statement::~Statement() { sqlite3_finalize(statement_); }

Statement& Statement::bind(int index, std::int64_t value)
{
    sqlite3_bind_int64(statement_, index, value);
    return *this;
}

Statement& Statement::bind(int index, std::string_view value)
{
    sqlite3_bind_text(statement_, index, value.data(), static_cast<int>(value.size()), SQLITE_TRANSIENT);
    return *this;
}

Statement& Statement::bindBlob(int index, std::string_view bytes)
{
    sqlite3_bind_blob(statement_, index, bytes.data(), static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
    return *this;
}

Statement& Statement::bindNull(int index)
{
    sqlite3_bind_null(statement_, index);
    return *this;
}

bool Statement::step()
{
    const int rc = sqlite3_step(statement_);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    throw sqliteFailure(db_);
}

void Statement::run()
{
    while (step()) {
    }
}

void Statement::reset()
{
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
}

std::int64_t Statement::integer(int column) const { return sqlite3_column_int64(statement_, column); }

std::string Statement::text(int column) const
{
    const auto* text = sqlite3_column_text(statement_, column);
    return text ? std::string(reinterpret_cast<const char*>(text), static_cast<std::size_t>(sqlite3_column_bytes(statement_, column)))
                : std::string();
}

bool Statement::isNull(int column) const { return sqlite3_column_type(statement_, column) == SQLITE_NULL; }

void execute(sqlite3* db, std::string_view sql)
{
    const std::string text(sql);
    char* message = nullptr;
    if (sqlite3_exec(db, text.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
        std::string detail = message ? message : "unknown error";
        sqlite3_free(message);
        throw SqlError(50000, 16, 1, "Catalog storage failure: " + detail);
    }
}

std::optional<std::int64_t> queryInteger(sqlite3* db, std::string_view sql, std::string_view parameter)
{
    Statement statement(db, sql);
    if (!parameter.empty())
        statement.bind(1, parameter);
    if (!statement.step() || statement.isNull(0))
        return std::nullopt;
    return statement.integer(0);
}

std::string quoteName(std::string_view name)
{
    std::string quoted = "\"";
    for (char c : name) {
        quoted += c;
        if (c == '"')
            quoted += '"';
    }
    return quoted + "\"";
}

std::string quoteText(std::string_view text)
{
    std::string quoted = "'";
    for (char c : text) {
        quoted += c;
        if (c == '\'')
            quoted += '\'';
    }
    return quoted + "'";
}

Savepoint::Savepoint(sqlite3* db) : db_(db)
{
    // Outside a transaction the statement takes the write lock before it reads the catalog, so a
    // concurrent writer makes it wait (SQLite's busy handler) instead of failing when it starts writing.
    ownTransaction_ = sqlite3_get_autocommit(db) != 0;
    execute(db, ownTransaction_ ? "BEGIN IMMEDIATE" : "SAVEPOINT sandbox_ddl");
}

Savepoint::~Savepoint()
{
    if (!done_) {
        sqlite3_exec(db_, ownTransaction_ ? "ROLLBACK" : "ROLLBACK TO sandbox_ddl; RELEASE sandbox_ddl", nullptr, nullptr,
                     nullptr);
    }
}

void Savepoint::commit()
{
    execute(db_, ownTransaction_ ? "COMMIT" : "RELEASE sandbox_ddl");
    done_ = true;
}

}  // namespace sandbox::catalog
