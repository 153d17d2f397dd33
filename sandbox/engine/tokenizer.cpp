#include "engine/tokenizer.h"

#include <cctype>

namespace sandbox {

std::string toUpperAscii(std::string_view text)
{
    std::string upper(text);
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper;
}

bool equalsIgnoreCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

bool Token::isWord(std::string_view upperWord) const
{
    return kind == TokenKind::Word && equalsIgnoreCase(text, upperWord);
}

namespace {

bool isIdentifierStart(unsigned char c) { return std::isalpha(c) || c == '_' || c == '#' || c >= 0x80; }
bool isIdentifierPart(unsigned char c) { return std::isalnum(c) || c == '_' || c == '#' || c == '$' || c == '@' || c >= 0x80; }

std::string nearText(std::string_view source, std::size_t at)
{
    std::size_t end = at;
    while (end < source.size() && end - at < 20 && !std::isspace(static_cast<unsigned char>(source[end])))
        ++end;
    return std::string(source.substr(at, end - at));
}

}  // namespace

std::vector<Token> tokenize(std::string_view source)
{
    std::vector<Token> tokens;
    std::size_t i = 0;
    const std::size_t n = source.size();
    auto at = [&](std::size_t k) -> unsigned char { return k < n ? static_cast<unsigned char>(source[k]) : 0; };

    while (i < n) {
        const unsigned char c = at(i);
        if (std::isspace(c)) {
            ++i;
            continue;
        }
        if (c == '-' && at(i + 1) == '-') {
            while (i < n && source[i] != '\n')
                ++i;
            continue;
        }
        if (c == '/' && at(i + 1) == '*') {
            // T-SQL block comments nest.
            std::size_t depth = 0;
            const std::size_t start = i;
            do {
                if (at(i) == '/' && at(i + 1) == '*') {
                    ++depth;
                    i += 2;
                } else if (at(i) == '*' && at(i + 1) == '/') {
                    --depth;
                    i += 2;
                } else {
                    ++i;
                }
            } while (depth > 0 && i < n);
            if (depth > 0)
                throw LexError{start, nearText(source, start)};
            continue;
        }

        Token token;
        token.begin = i;
        if ((c == 'N' || c == 'n') && at(i + 1) == '\'') {
            token.nationalString = true;
            ++i;
        }
        if (at(i) == '\'') {
            token.kind = TokenKind::String;
            ++i;
            for (;;) {
                if (i >= n)
                    throw LexError{token.begin, nearText(source, token.begin)};
                if (source[i] == '\'') {
                    if (at(i + 1) == '\'') {
                        token.text += '\'';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                token.text += source[i++];
            }
        } else if (c == '[' || c == '"') {
            const char close = c == '[' ? ']' : '"';
            token.kind = TokenKind::Quoted;
            ++i;
            for (;;) {
                if (i >= n)
                    throw LexError{token.begin, nearText(source, token.begin)};
                if (source[i] == close) {
                    if (at(i + 1) == static_cast<unsigned char>(close)) {
                        token.text += close;
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                token.text += source[i++];
            }
        } else if (c == '0' && (at(i + 1) == 'x' || at(i + 1) == 'X')) {
            token.kind = TokenKind::Hex;
            i += 2;
            while (std::isxdigit(at(i)))
                token.text += source[i++];
        } else if (std::isdigit(c) || (c == '.' && std::isdigit(at(i + 1)))) {
            token.kind = TokenKind::Number;
            while (std::isdigit(at(i)) || at(i) == '.')
                token.text += source[i++];
            if ((at(i) == 'e' || at(i) == 'E') &&
                (std::isdigit(at(i + 1)) || ((at(i + 1) == '+' || at(i + 1) == '-') && std::isdigit(at(i + 2))))) {
                token.text += source[i++];
                token.text += source[i++];
                while (std::isdigit(at(i)))
                    token.text += source[i++];
            }
        } else if (c == '@') {
            token.kind = TokenKind::Variable;
            while (at(i) == '@')
                token.text += source[i++];
            while (i < n && isIdentifierPart(at(i)))
                token.text += source[i++];
        } else if (isIdentifierStart(c)) {
            token.kind = TokenKind::Word;
            while (i < n && isIdentifierPart(at(i)))
                token.text += source[i++];
        } else {
            token.kind = TokenKind::Symbol;
            static constexpr std::string_view twoCharacter[] = {"<>", "<=", ">=", "!=", "!<", "!>", "+=", "-=", "*=", "/="};
            token.text = std::string(1, static_cast<char>(c));
            ++i;
            for (std::string_view pair : twoCharacter) {
                if (pair[0] == static_cast<char>(c) && at(i) == static_cast<unsigned char>(pair[1])) {
                    token.text += pair[1];
                    ++i;
                    break;
                }
            }
        }
        token.end = i;
        tokens.push_back(std::move(token));
    }
    Token end;
    end.kind = TokenKind::End;
    end.begin = end.end = n;
    tokens.push_back(end);
    return tokens;
}

}  // namespace sandbox
