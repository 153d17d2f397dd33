#pragma once
// Splits a batch's tokens into T-SQL statements. Semicolons are optional in T-SQL, so a
// statement ends where the next one begins; IF/ELSE and BEGIN...END blocks nest.
#include <cstddef>
#include <vector>

#include "engine/tokenizer.h"

namespace sandbox {

struct Statement {
    enum class Kind { Simple, If, Block };
    Kind kind = Kind::Simple;
    std::size_t begin = 0;  // token range of the whole statement
    std::size_t end = 0;
    std::size_t conditionBegin = 0;  // If: the condition's tokens
    std::size_t conditionEnd = 0;
    std::vector<Statement> body;      // Block: its statements; If: the THEN statement (one)
    std::vector<Statement> elseBody;  // If: the ELSE statement (zero or one)
};

// Splits tokens (ending with the End token) into statements. Throws SqlError 102/156 on a stray token.
std::vector<Statement> splitStatements(const std::vector<Token>& tokens);

// True for words that start a statement.
bool startsStatement(const Token& token);

}  // namespace sandbox
