#pragma once
// Token cursor and expression helpers for the DDL statements.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/sql_error.h"
#include "engine/tokenizer.h"

namespace sandbox::catalog {

struct QualifiedName {
    std::string database;
    std::string owner;
    std::string name;
    std::string written;  // as the statement spells it, for messages
};

class Cursor {
public:
    Cursor(const std::vector<Token>& tokens, std::size_t begin, std::size_t end);

    const Token& peek(std::size_t ahead = 0) const;
    bool atEnd() const { return pos >= end; }
    bool acceptWord(std::string_view upperWord);
    bool acceptSymbol(std::string_view symbol);
    void expectWord(std::string_view upperWord);
    void expectSymbol(std::string_view symbol);
    std::string name();
    QualifiedName qualifiedName();
    // At "(": moves past the matching ")" and returns the range inside the parentheses.
    std::pair<std::size_t, std::size_t> parenthesized();
    // Syntax error at the current token, in SQL Server's words (156 for a keyword, 102 otherwise).
    SqlError error() const;

    const std::vector<Token>& tokens;
    std::size_t pos;
    std::size_t end;

private:
    Token endToken_;
};

SqlError syntaxErrorAt(const Token& token);

// A statement makes and changes objects of the database it runs in: a name prefixed with another
// database would otherwise create, change or drop the object of that name here. Modules refuse the
// prefix as SQL Server does (166); tables are refused with a request to USE that database first.
void requireThisDatabase(const QualifiedName& name, const std::string& currentDatabase, const std::string& statement,
                         bool module);

// An expression as SQL Server 2000 keeps it in syscomments: names bracketed, function names and keywords
// in lower case, blanks around operators, wrapped in one pair of parentheses: ([qty] > 0), (getdate()).
std::string renderExpression(const std::vector<Token>& tokens, std::size_t begin, std::size_t end);

// The SQLite text of a DEFAULT, CHECK or computed-column expression, or nullopt when it cannot be translated
// (the catalog still records it; only the enforcement is lost).
std::optional<std::string> sqliteExpression(const std::vector<Token>& tokens, std::size_t begin, std::size_t end);

// The text of an identifier list "(a, b DESC)" read at the cursor.
std::vector<std::string> nameList(Cursor& cursor, bool allowOrder);

}  // namespace sandbox::catalog
