#pragma once
// T-SQL to SQLite translation, shared by query execution and by DDL
// (view bodies, defaults, check constraints and computed columns).
#include <cstddef>
#include <string>
#include <vector>

#include "engine/tokenizer.h"

namespace sandbox {

// Translates the T-SQL scalar expression tokens[begin, end) into SQLite text
// (N'' literals, + concatenation, GETDATE(), ISNULL, bracketed names, ...).
// Throws SqlError on what it cannot translate.
std::string translateExpression(const std::vector<Token>& tokens, std::size_t begin, std::size_t end);

// Translates the T-SQL SELECT statement tokens[begin, end) (TOP, multi-part and bracketed
// names, catalog functions, ...) into SQLite text. Throws SqlError.
std::string translateSelect(const std::vector<Token>& tokens, std::size_t begin, std::size_t end);

}  // namespace sandbox
