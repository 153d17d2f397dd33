#pragma once
// The DDL statements other than CREATE of modules, each starting at its cursor.
#include <optional>
#include <string_view>
#include <vector>

#include "catalog/ddl.h"
#include "catalog/parser.h"

namespace sandbox::catalog {

// After DROP TABLE / VIEW / PROCEDURE / FUNCTION / TRIGGER / DEFAULT / RULE; kind is the upper-case keyword.
void dropObjects(DdlContext& context, Cursor& cursor, std::string_view kind);
// After CREATE [UNIQUE] [CLUSTERED | NONCLUSTERED] INDEX.
void createIndex(DdlContext& context, Cursor& cursor, bool unique, std::optional<bool> clustered);
// After DROP INDEX.
void dropIndexes(DdlContext& context, Cursor& cursor);
// After CREATE TABLE.
void createTable(DdlContext& context, const std::vector<Token>& tokens, Cursor& cursor);
// After ALTER TABLE.
void alterTable(DdlContext& context, const std::vector<Token>& tokens, Cursor& cursor);
// At the procedure name of EXEC (or of a batch's first statement); false when it is not one this module runs.
bool runSystemProcedure(DdlContext& context, Cursor& cursor);

// Reports an informational message as the system procedures print it.
void inform(DdlContext& context, int number, const std::string& text, const std::string& procedure);

}  // namespace sandbox::catalog
