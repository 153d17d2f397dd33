#pragma once
// The engine's own view of T-SQL translation: the context a session supplies
// (variables, current database, attaching other databases) and what a SELECT
// translation reports besides its SQLite text (result column names and type hints).
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/result_sink.h"
#include "engine/sql_error.h"
#include "engine/tokenizer.h"

namespace sandbox {

struct TranslateContext {
    // Current database; empty when unknown (view bodies): three-part names then keep their database part.
    std::string currentDatabase;
    // Value of @name or @@name; nullopt when undeclared (the translator then reports error 137).
    std::function<std::optional<Value>(const std::string& name)> variable;
    // Makes database db reachable from the session's connection and returns its SQLite schema name.
    // Throws SqlError 911 when there is no such database.
    std::function<std::string(const std::string& db)> attach;
    // The columns of a table an INSERT or UPDATE writes (schema empty for the current database);
    // empty when unknown. Lets the translator skip identity columns and normalise dates as SQL Server stores them.
    struct TargetColumn {
        std::string name;
        std::string type;       // declared SQL Server type text
        bool insertable = true; // false for identity, computed and timestamp columns
        bool identity = false;
    };
    std::function<std::vector<TargetColumn>(const std::string& schema, const std::string& table)> targetColumns;
    // True when SET IDENTITY_INSERT is ON for the table (schema as for targetColumns).
    std::function<bool(const std::string& schema, const std::string& table)> identityInsertOn;
    // A column name some of the current database's tables use for a decimal, numeric, money or smallmoney
    // column (those store exact text): everywhere when no table uses it for a character or other non-number
    // column, with the type when every column of that name has the same one. nullopt for other names.
    struct ExactColumn {
        bool everywhere = false;
        std::string type;
    };
    std::function<std::optional<ExactColumn>(const std::string& column)> exactColumn;
};

// One item of a select list, as SQL Server names it in the result.
struct SelectItem {
    bool star = false;          // * or t.* (expands to the table's columns)
    std::string name;           // alias, or the column name as written; empty for an unnamed expression
    std::string typeHint;       // SQL Server type text known from the expression (CAST, COUNT, ...), else empty
    std::string assignVariable; // SELECT @v = expr: the variable name
};

// A table name as SQLite sees it ("schema.table" or "table") and as the statement wrote it, for error 208.
struct WrittenName {
    std::string sqlite;
    std::string written;
};

struct TranslatedSelect {
    std::string sql;
    std::vector<SelectItem> items;
    std::vector<WrittenName> names;
};

TranslatedSelect translateSelectStatement(const std::vector<Token>& tokens, std::size_t begin, std::size_t end,
                                          const TranslateContext& context);
std::string translateExpressionWith(const std::vector<Token>& tokens, std::size_t begin, std::size_t end,
                                    const TranslateContext& context);

// INSERT / UPDATE / DELETE; the target table's SQLite name is reported for error messages.
struct TranslatedDml {
    std::string sql;
    std::string targetTable;
    std::vector<WrittenName> names;
};

// Error 208 names the object as the statement wrote it: rewrites "Invalid object name 'x'." accordingly.
[[noreturn]] void rethrowWithWrittenName(const SqlError& error, const std::vector<WrittenName>& names);
TranslatedDml translateDml(const std::vector<Token>& tokens, std::size_t begin, std::size_t end,
                           const TranslateContext& context);

// Quotes a name as a SQLite identifier.
std::string quoteIdentifier(const std::string& name);
// A SQLite literal for a value.
std::string sqlLiteral(const Value& value);

// True for T-SQL reserved words (they cannot be aliases and get error 156 in syntax errors).
bool isReservedWord(const std::string& word);

// Error for the token at index i: 156 for a keyword, 102 otherwise.
[[noreturn]] void throwSyntaxError(const std::vector<Token>& tokens, std::size_t i, std::size_t begin);

}  // namespace sandbox
