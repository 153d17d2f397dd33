#pragma once
// Thin RAII helpers over the SQLite C API for the catalog code.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include <sqlite3.h>

namespace sandbox::catalog {

class Statement {
public:
    Statement(sqlite3* db, std::string_view sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& bind(int index, std::int64_t value);
    Statement& bind(int index, int value) { return bind(index, static_cast<std::int64_t>(value)); }
    Statement& bind(int index, std::string_view value);
    Statement& bind(int index, const char* value) { return bind(index, std::string_view(value)); }
    Statement& bind(int index, const std::string& value) { return bind(index, std::string_view(value)); }
    Statement& bindNull(int index);
    Statement& bindBlob(int index, std::string_view bytes);

    // Steps once: true while a row is available.
    bool step();
    // Steps to completion, for statements without rows.
    void run();
    void reset();

    std::int64_t integer(int column) const;
    std::string text(int column) const;
    bool isNull(int column) const;

private:
    sqlite3* db_;
    sqlite3_stmt* statement_ = nullptr;
};

// Runs one or more statements that return no rows; throws SqlError on failure.
void execute(sqlite3* db, std::string_view sql);

// The single integer a query returns, or nullopt when it returns no row or NULL.
std::optional<std::int64_t> queryInteger(sqlite3* db, std::string_view sql, std::string_view parameter = {});

// "name" with embedded quotes doubled, for SQLite identifiers.
std::string quoteName(std::string_view name);
// 'text' with embedded quotes doubled, for SQLite literals.
std::string quoteText(std::string_view text);

// Undoes the effect of a failed DDL statement: a savepoint (or, outside a transaction, a transaction that
// holds the write lock from the start) released on success, rolled back otherwise.
class Savepoint {
public:
    explicit Savepoint(sqlite3* db);
    ~Savepoint();
    Savepoint(const Savepoint&) = delete;
    Savepoint& operator=(const Savepoint&) = delete;
    void commit();

private:
    sqlite3* db_;
    bool ownTransaction_ = false;  // begun here because none was open
    bool done_ = false;
};

}  // namespace sandbox::catalog
