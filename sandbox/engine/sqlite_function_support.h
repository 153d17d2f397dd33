#pragma once
// Helpers shared by the SQLite functions that stand in for T-SQL's.
#include <cctype>
#include <string>

#include <sqlite3.h>

#include "engine/sqlite_handle.h"

namespace sandbox::sqlfn {

inline const ConnectionContext& contextOf(sqlite3_context* ctx)
{
    static const ConnectionContext none;
    const auto* context = static_cast<const ConnectionContext*>(sqlite3_user_data(ctx));
    return context ? *context : none;
}

inline void resultError(sqlite3_context* ctx, int number, int severity, const std::string& text)
{
    std::string message = "SQLSERVER|" + std::to_string(number) + "|" + std::to_string(severity) + "|" + text;
    sqlite3_result_error(ctx, message.c_str(), static_cast<int>(message.size()));
}

inline std::string textArg(sqlite3_value* value)
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
    return text ? std::string(text, static_cast<std::size_t>(sqlite3_value_bytes(value))) : std::string();
}

inline bool isNull(sqlite3_value* value) { return sqlite3_value_type(value) == SQLITE_NULL; }

inline void resultText(sqlite3_context* ctx, const std::string& text)
{
    sqlite3_result_text(ctx, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

inline unsigned char lowerAscii(unsigned char c) { return c < 0x80 ? static_cast<unsigned char>(std::tolower(c)) : c; }

struct FunctionEntry {
    const char* name;
    int arguments;
    void (*function)(sqlite3_context*, int, sqlite3_value**);
};

// The catalog functions (OBJECT_ID, OBJECTPROPERTY, DB_NAME, IDENT_SEED, ...), in catalog_functions.cpp.
void registerCatalogFunctions(sqlite3* db, const ConnectionContext* context);

}  // namespace sandbox::sqlfn

namespace sandbox {

// The EXACTNUMBER collation and tsql_exact(), in exact_functions.cpp.
void registerExactFunctions(sqlite3* db);

}  // namespace sandbox
