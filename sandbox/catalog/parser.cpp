#include "catalog/parser.h"

#include <algorithm>
#include <array>

#include "engine/translate.h"

namespace sandbox::catalog {

namespace {

constexpr std::array reservedWords = {
    "ADD",      "ALL",       "ALTER",     "AND",        "AS",        "ASC",      "BEGIN",    "BETWEEN",   "BY",
    "CASCADE",  "CASE",      "CHECK",     "CLUSTERED",  "COLLATE",   "COLUMN",   "CONSTRAINT", "CREATE", "DEFAULT",
    "DELETE",   "DESC",      "DROP",      "ELSE",       "END",       "EXEC",     "EXECUTE",  "FOR",       "FOREIGN",
    "FROM",     "FUNCTION",  "IDENTITY",  "IN",         "INDEX",     "INSERT",   "IS",       "KEY",       "LIKE",
    "NONCLUSTERED", "NOT",   "NULL",      "ON",         "OR",        "PRIMARY",  "PROC",     "PROCEDURE", "REFERENCES",
    "RETURN",   "RULE",      "SELECT",    "SET",        "TABLE",     "THEN",     "TRIGGER",  "UNIQUE",    "UPDATE",
    "VIEW",     "WHEN",      "WHERE",     "WITH",
};

bool isReserved(const Token& token)
{
    if (token.kind != TokenKind::Word)
        return false;
    return std::any_of(reservedWords.begin(), reservedWords.end(), [&](const char* word) { return token.isWord(word); });
}

constexpr std::array expressionKeywords = {
    "AND", "OR", "NOT", "LIKE", "IN", "IS", "NULL", "BETWEEN", "CASE", "WHEN", "THEN", "ELSE", "END", "ESCAPE", "EXISTS",
    "AS", "SELECT", "FROM", "WHERE",
};

constexpr std::array typeWords = {
    "bigint", "binary", "bit", "char", "datetime", "decimal", "float", "image", "int", "money", "nchar", "ntext",
    "numeric", "nvarchar", "real", "smalldatetime", "smallint", "smallmoney", "sql_variant", "sysname", "text",
    "timestamp", "tinyint", "uniqueidentifier", "varbinary", "varchar",
};

template <std::size_t N>
bool inList(const std::array<const char*, N>& list, const Token& token)
{
    return token.kind == TokenKind::Word &&
           std::any_of(list.begin(), list.end(), [&](const char* word) { return equalsIgnoreCase(word, token.text); });
}

bool isBinaryOperator(const Token& token)
{
    static constexpr std::array operators = {"=", "<>", "!=", "<", ">", "<=", ">=", "!<", "!>", "+", "-", "*", "/", "%", "&", "|", "^"};
    return token.kind == TokenKind::Symbol &&
           std::any_of(operators.begin(), operators.end(), [&](const char* op) { return token.text == op; });
}

std::string lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string quoteLiteral(const Token& token)
{
    std::string text = token.nationalString ? "N'" : "'";
    for (char c : token.text) {
        text += c;
        if (c == '\'')
            text += '\'';
    }
    return text + "'";
}

// True when tokens[begin, end) is one parenthesised group.
bool wrappedInParentheses(const std::vector<Token>& tokens, std::size_t begin, std::size_t end)
{
    if (end - begin < 2 || !tokens[begin].isSymbol("(") || !tokens[end - 1].isSymbol(")"))
        return false;
    int depth = 0;
    for (std::size_t i = begin; i < end; ++i) {
        if (tokens[i].isSymbol("("))
            ++depth;
        else if (tokens[i].isSymbol(")") && --depth == 0 && i != end - 1)
            return false;
    }
    return true;
}

}  // namespace

SqlError syntaxErrorAt(const Token& token)
{
    if (isReserved(token))
        return SqlError(156, 15, 1, "Incorrect syntax near the keyword '" + token.text + "'.");
    return syntaxErrorNear(token.text);
}

Cursor::Cursor(const std::vector<Token>& tokens, std::size_t begin, std::size_t end) : tokens(tokens), pos(begin), end(end)
{
    endToken_.kind = TokenKind::End;
}

const Token& Cursor::peek(std::size_t ahead) const { return pos + ahead < end ? tokens[pos + ahead] : endToken_; }

bool Cursor::acceptWord(std::string_view upperWord)
{
    if (peek().isWord(upperWord)) {
        ++pos;
        return true;
    }
    return false;
}

bool Cursor::acceptSymbol(std::string_view symbol)
{
    if (peek().isSymbol(symbol)) {
        ++pos;
        return true;
    }
    return false;
}

void Cursor::expectWord(std::string_view upperWord)
{
    if (!acceptWord(upperWord))
        throw error();
}

void Cursor::expectSymbol(std::string_view symbol)
{
    if (!acceptSymbol(symbol))
        throw error();
}

std::string Cursor::name()
{
    if (!peek().isName())
        throw error();
    return tokens[pos++].text;
}

void requireThisDatabase(const QualifiedName& name, const std::string& currentDatabase, const std::string& statement,
                         bool module)
{
    if (name.database.empty() || equalsIgnoreCase(name.database, currentDatabase))
        return;
    if (module)
        throw SqlError(166, 15, 1, "'" + statement + "' does not allow specifying the database name as a prefix to the object name.");
    throw SqlError(50000, 16, 1, "The Norvane sandbox runs " + statement + " on the current database only; run USE [" +
                                     name.database + "] first.");
}

QualifiedName Cursor::qualifiedName()
{
    const std::size_t first = pos;
    std::vector<std::string> parts{name()};
    while (peek().isSymbol(".")) {
        ++pos;
        parts.push_back(peek().isSymbol(".") ? std::string() : name());
    }
    if (parts.size() > 3)
        throw error();
    QualifiedName result;
    result.name = parts.back();
    if (parts.size() >= 2)
        result.owner = parts[parts.size() - 2];
    if (parts.size() == 3)
        result.database = parts[0];
    for (std::size_t i = first; i < pos; ++i) {
        const Token& token = tokens[i];
        result.written += token.kind == TokenKind::Quoted ? "[" + token.text + "]" : token.text;
    }
    return result;
}

std::pair<std::size_t, std::size_t> Cursor::parenthesized()
{
    if (!peek().isSymbol("("))
        throw error();
    const std::size_t open = pos;
    int depth = 0;
    for (; pos < end; ++pos) {
        if (tokens[pos].isSymbol("("))
            ++depth;
        else if (tokens[pos].isSymbol(")") && --depth == 0) {
            ++pos;
            return {open + 1, pos - 1};
        }
    }
    throw error();
}

SqlError Cursor::error() const
{
    // At the end of the statement SQL Server names the last token it read.
    if (atEnd() && pos > 0 && pos - 1 < tokens.size())
        return syntaxErrorNear(tokens[pos - 1].text);
    return syntaxErrorAt(peek());
}

std::string renderExpression(const std::vector<Token>& tokens, std::size_t begin, std::size_t end)
{
    std::string text;
    const Token* previous = nullptr;
    bool previousUnary = false;
    for (std::size_t i = begin; i < end; ++i) {
        const Token& token = tokens[i];
        const bool followedByParen = i + 1 < end && tokens[i + 1].isSymbol("(");
        const bool unary = (token.isSymbol("-") || token.isSymbol("+")) &&
                           (!previous || (previous->kind == TokenKind::Symbol && !previous->isSymbol(")")) ||
                            inList(expressionKeywords, *previous));
        std::string piece;
        switch (token.kind) {
        case TokenKind::Word:
            if (inList(expressionKeywords, token) || inList(typeWords, token) || followedByParen)
                piece = lower(token.text);
            else
                piece = "[" + token.text + "]";
            break;
        case TokenKind::Quoted:
            piece = "[" + token.text + "]";
            break;
        case TokenKind::String:
            piece = quoteLiteral(token);
            break;
        case TokenKind::Hex:
            piece = "0x" + token.text;
            break;
        default:
            piece = token.text;
            break;
        }
        if (previous) {
            const bool wordLike = token.kind != TokenKind::Symbol;
            const bool previousWordLike = previous->kind != TokenKind::Symbol;
            if ((isBinaryOperator(token) && !unary) || (isBinaryOperator(*previous) && !previousUnary))
                text += ' ';
            else if (wordLike && (previousWordLike || previous->isSymbol(")")))
                text += ' ';
            else if (token.isSymbol("(") && inList(expressionKeywords, *previous))
                text += ' ';
        }
        text += piece;
        previous = &token;
        previousUnary = unary;
    }
    if (wrappedInParentheses(tokens, begin, end))
        return text;
    return "(" + text + ")";
}

std::optional<std::string> sqliteExpression(const std::vector<Token>& tokens, std::size_t begin, std::size_t end)
{
    // Literals (the usual defaults) need no translator.
    std::size_t b = begin;
    std::size_t e = end;
    {
        // Outer parentheses come off in one pass (each "(" paired with its ")" once), however many there are.
        std::vector<std::size_t> matching(end - begin, end);
        std::vector<std::size_t> open;
        for (std::size_t i = begin; i < end; ++i) {
            if (tokens[i].isSymbol("(")) {
                open.push_back(i);
            } else if (tokens[i].isSymbol(")") && !open.empty()) {
                matching[open.back() - begin] = i;
                open.pop_back();
            }
        }
        while (e - b >= 2 && tokens[b].isSymbol("(") && matching[b - begin] == e - 1) {
            ++b;
            --e;
        }
    }
    if (e - b == 1 && (tokens[b].kind == TokenKind::Number || tokens[b].kind == TokenKind::String)) {
        const Token& token = tokens[b];
        if (token.kind == TokenKind::Number)
            return token.text;
        std::string text = "'";
        for (char c : token.text) {
            text += c;
            if (c == '\'')
                text += '\'';
        }
        return text + "'";
    }
    if (e - b == 2 && tokens[b].isSymbol("-") && tokens[b + 1].kind == TokenKind::Number)
        return "-" + tokens[b + 1].text;
    if (e - b == 1 && tokens[b].isWord("NULL"))
        return "NULL";
    try {
        return translateExpression(tokens, begin, end);
    } catch (const SqlError& error) {
        if (error.number == 191)
            throw;  // nested too deeply: the statement fails, as on SQL Server
        return std::nullopt;
    }
}

std::vector<std::string> nameList(Cursor& cursor, bool allowOrder)
{
    std::vector<std::string> names;
    cursor.expectSymbol("(");
    do {
        names.push_back(cursor.name());
        if (allowOrder && !cursor.acceptWord("ASC"))
            cursor.acceptWord("DESC");
    } while (cursor.acceptSymbol(","));
    cursor.expectSymbol(")");
    return names;
}

}  // namespace sandbox::catalog
