#pragma once
// Views, procedures, functions, triggers, defaults and rules: catalogued with their text, never run here.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "catalog/ddl.h"
#include "catalog/parser.h"

namespace sandbox::catalog {

struct ModuleStatement {
    DdlContext& context;
    const std::vector<Token>& tokens;
    std::size_t begin;  // the CREATE or ALTER keyword
    std::size_t end;
    std::string_view source;
    std::optional<std::int64_t> alteredId;  // ALTER keeps the object's id
};

// The cursor stands after CREATE VIEW / PROCEDURE / FUNCTION / TRIGGER / DEFAULT / RULE.
void createView(const ModuleStatement& statement, Cursor& cursor);
void createProcedure(const ModuleStatement& statement, Cursor& cursor);
void createFunction(const ModuleStatement& statement, Cursor& cursor);
void createTrigger(const ModuleStatement& statement, Cursor& cursor);
void createDefaultOrRule(const ModuleStatement& statement, Cursor& cursor, bool isRule);

// sysdepends rows for the objects and columns that tokens[begin, end) names.
void recordDependencies(sqlite3* db, std::int64_t id, int number, const std::vector<Token>& tokens, std::size_t begin,
                        std::size_t end);

// Removes what an ALTER replaces: columns, text and dependencies (the sysobjects row stays).
void clearModuleRows(sqlite3* db, std::int64_t id);

}  // namespace sandbox::catalog
