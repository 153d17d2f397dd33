#pragma once
// T-SQL lexer shared by the engine's statement handlers.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace sandbox {

enum class TokenKind {
    Word,        // keyword or plain identifier: SELECT, dbo, sysobjects
    Quoted,      // [bracketed] or "double quoted" identifier; text holds the name without quotes
    String,      // 'literal' with '' undone; nationalString tells N'...'
    Number,      // 12, 3.5, 1e3
    Hex,         // 0x1F (text holds the digits after 0x)
    Variable,    // @name or @@name, text includes the @ signs
    Symbol,      // operators and punctuation: ( ) , . ; = <> <= >= != + - * / % < > !< !>
    End,
};

struct Token {
    TokenKind kind = TokenKind::End;
    std::string text;
    bool nationalString = false;
    std::size_t begin = 0;  // byte offsets into the source
    std::size_t end = 0;

    bool isWord(std::string_view upperWord) const;  // case-insensitive keyword test
    bool isSymbol(std::string_view symbol) const { return kind == TokenKind::Symbol && text == symbol; }
    bool isName() const { return kind == TokenKind::Word || kind == TokenKind::Quoted; }
};

struct LexError {
    std::size_t offset;
    std::string near;  // text near the fault, for "Incorrect syntax near '...'."
};

// Splits source into tokens, dropping blanks and comments. The last token is End.
// Throws LexError for an unterminated string, bracket or comment.
std::vector<Token> tokenize(std::string_view source);

std::string toUpperAscii(std::string_view text);
bool equalsIgnoreCase(std::string_view a, std::string_view b);

}  // namespace sandbox
