#include "engine/translate.h"

#include <algorithm>
#include <iterator>
#include <cstdio>
#include <string_view>

#include "engine/exact_decimal.h"
#include "engine/nesting.h"
#include "engine/sql_error.h"
#include "engine/translator.h"
#include "engine/value_text.h"

namespace sandbox {

namespace {

constexpr std::string_view reservedWords[] = {
    "ADD", "ALL", "ALTER", "AND", "ANY", "AS", "ASC", "AUTHORIZATION", "BACKUP", "BEGIN", "BETWEEN", "BREAK",
    "BROWSE", "BULK", "BY", "CASCADE", "CASE", "CHECK", "CHECKPOINT", "CLOSE", "CLUSTERED", "COALESCE", "COLLATE",
    "COLUMN", "COMMIT", "COMPUTE", "CONSTRAINT", "CONTAINS", "CONTAINSTABLE", "CONTINUE", "CONVERT", "CREATE",
    "CROSS", "CURRENT", "CURRENT_DATE", "CURRENT_TIME", "CURRENT_TIMESTAMP", "CURRENT_USER", "CURSOR", "DATABASE",
    "DBCC", "DEALLOCATE", "DECLARE", "DEFAULT", "DELETE", "DENY", "DESC", "DISK", "DISTINCT", "DISTRIBUTED",
    "DOUBLE", "DROP", "DUMMY", "DUMP", "ELSE", "END", "ERRLVL", "ESCAPE", "EXCEPT", "EXEC", "EXECUTE", "EXISTS",
    "EXIT", "FETCH", "FILE", "FILLFACTOR", "FOR", "FOREIGN", "FREETEXT", "FREETEXTTABLE", "FROM", "FULL",
    "FUNCTION", "GOTO", "GRANT", "GROUP", "HAVING", "HOLDLOCK", "IDENTITY", "IDENTITY_INSERT", "IDENTITYCOL", "IF",
    "IN", "INDEX", "INNER", "INSERT", "INTERSECT", "INTO", "IS", "JOIN", "KEY", "KILL", "LEFT", "LIKE", "LINENO",
    "LOAD", "NATIONAL", "NOCHECK", "NONCLUSTERED", "NOT", "NULL", "NULLIF", "OF", "OFF", "OFFSETS", "ON", "OPEN",
    "OPENDATASOURCE", "OPENQUERY", "OPENROWSET", "OPENXML", "OPTION", "OR", "ORDER", "OUTER", "OVER", "PERCENT",
    "PLAN", "PRECISION", "PRIMARY", "PRINT", "PROC", "PROCEDURE", "PUBLIC", "RAISERROR", "READ", "READTEXT",
    "RECONFIGURE", "REFERENCES", "REPLICATION", "RESTORE", "RESTRICT", "RETURN", "REVOKE", "RIGHT", "ROLLBACK",
    "ROWCOUNT", "ROWGUIDCOL", "RULE", "SAVE", "SCHEMA", "SELECT", "SESSION_USER", "SET", "SETUSER", "SHUTDOWN",
    "SOME", "STATISTICS", "SYSTEM_USER", "TABLE", "TEXTSIZE", "THEN", "TO", "TOP", "TRAN", "TRANSACTION",
    "TRIGGER", "TRUNCATE", "TSEQUAL", "UNION", "UNIQUE", "UPDATE", "UPDATETEXT", "USE", "USER", "VALUES",
    "VARYING", "VIEW", "WAITFOR", "WHEN", "WHERE", "WHILE", "WITH", "WRITETEXT", "GO"};

// Expression kinds the translator can tell apart without a database, to turn + into || or +.
enum class Kind { Unknown, Number, String };

struct Expr {
    std::string sql;
    Kind kind = Kind::Unknown;
    std::string typeHint;
    std::string columnName;  // set when the expression is a plain column reference
    bool stringLiteral = false;  // a string literal that reads as a date
    bool exactNumber = false;    // a decimal, numeric or money column: exact text that compares as a number
    bool ownCollation = false;   // a column whose name stands for exact and character columns: it compares by its own
};

// A string literal compared with a datetime column converts to datetime first, as in SQL Server;
// tsql_dateliteral does that when the other side holds a stored datetime.
std::string comparedLiteral(const Expr& literal, const Expr& other)
{
    if (!literal.stringLiteral || other.stringLiteral)
        return literal.sql;
    return "tsql_dateliteral(" + literal.sql + ", " + other.sql + ")";
}

struct NamePart {
    std::string text;
    bool quoted = false;
};

std::string hexLiteral(const std::string& digits)
{
    std::string padded = digits.size() % 2 ? "0" + digits : digits;
    return "X'" + padded + "'";
}

std::string stringLiteral(const std::string& text)
{
    std::string out = "'";
    for (char c : text) {
        out += c;
        if (c == '\'')
            out += '\'';
    }
    return out + "'";
}

class Translator {
public:
    Translator(const std::vector<Token>& tokens, std::size_t begin, std::size_t end, const TranslateContext& context)
        : tokens_(tokens), pos_(begin), begin_(begin), end_(end), context_(context)
    {
    }

    TranslatedSelect selectStatement()
    {
        TranslatedSelect result;
        result.sql = query(&result.items);
        expectEnd();
        result.names = names_;
        return result;
    }

    std::string wholeExpression()
    {
        std::string sql = expression().sql;
        expectEnd();
        return sql;
    }

    TranslatedDml dml()
    {
        TranslatedDml result;
        if (peekWord("INSERT"))
            result = insert();
        else if (peekWord("UPDATE"))
            result = update();
        else if (peekWord("DELETE"))
            result = remove();
        else
            fail();
        result.names = names_;
        return result;
    }

private:
    const std::vector<Token>& tokens_;
    std::size_t pos_;
    std::size_t begin_;
    std::size_t end_;
    const TranslateContext& context_;
    std::string lastSchema_;  // the last object name read, as SQLite names it
    std::string lastTable_;
    std::vector<WrittenName> names_;
    int caseDepth_ = 0;

    // ---- token access --------------------------------------------------
    const Token& peek(std::size_t ahead = 0) const
    {
        static const Token endToken;
        return pos_ + ahead < end_ ? tokens_[pos_ + ahead] : endToken;
    }
    bool atEnd() const { return pos_ >= end_ || (peek().isSymbol(";") && pos_ + 1 >= end_); }
    const Token& take()
    {
        if (pos_ >= end_)
            fail();
        return tokens_[pos_++];
    }
    bool peekWord(std::string_view w, std::size_t ahead = 0) const { return peek(ahead).isWord(w); }
    bool acceptWord(std::string_view w)
    {
        if (!peekWord(w))
            return false;
        ++pos_;
        return true;
    }
    void expectWord(std::string_view w)
    {
        if (!acceptWord(w))
            fail();
    }
    bool acceptSymbol(std::string_view s)
    {
        if (!peek().isSymbol(s))
            return false;
        ++pos_;
        return true;
    }
    void expectSymbol(std::string_view s)
    {
        if (!acceptSymbol(s))
            fail();
    }
    void expectEnd()
    {
        acceptSymbol(";");
        if (pos_ < end_)
            fail();
    }
    [[noreturn]] void fail() const { throwSyntaxError(tokens_, std::min(pos_, end_), begin_); }

    bool isAliasToken(const Token& t) const
    {
        if (t.kind == TokenKind::Quoted || t.kind == TokenKind::String)
            return true;
        return t.kind == TokenKind::Word && !isReservedWord(t.text);
    }

    // ---- queries -------------------------------------------------------
    std::string query(std::vector<SelectItem>* items)
    {
        NestingLevel level;
        std::string sql;
        std::string limit;
        bool percent = false;
        sql += simpleSelect(items, limit, percent);
        while (peekWord("UNION")) {
            take();
            sql += acceptWord("ALL") ? " UNION ALL " : " UNION ";
            std::string ignoredLimit;
            bool ignoredPercent = false;
            if (acceptSymbol("(")) {
                sql += simpleSelect(nullptr, ignoredLimit, ignoredPercent);
                expectSymbol(")");
            } else {
                sql += simpleSelect(nullptr, ignoredLimit, ignoredPercent);
            }
        }
        if (peekWord("ORDER")) {
            take();
            expectWord("BY");
            sql += " ORDER BY ";
            for (bool first = true;; first = false) {
                if (!first)
                    sql += ", ";
                sql += expression().sql;
                if (acceptWord("DESC"))
                    sql += " DESC";
                else if (acceptWord("ASC"))
                    sql += " ASC";
                if (!acceptSymbol(","))
                    break;
            }
        }
        if (!limit.empty()) {
            if (percent)
                sql = "SELECT * FROM (" + sql + ") LIMIT (SELECT (COUNT(*) * " + limit + " + 99) / 100 FROM (" + sql + "))";
            else
                sql += " LIMIT " + limit;
        }
        return sql;
    }

    std::string simpleSelect(std::vector<SelectItem>* items, std::string& limit, bool& percent)
    {
        expectWord("SELECT");
        std::string sql = "SELECT ";
        if (acceptWord("DISTINCT"))
            sql += "DISTINCT ";
        else
            acceptWord("ALL");
        if (acceptWord("TOP")) {
            bool parens = acceptSymbol("(");
            const Token& n = take();
            if (n.kind == TokenKind::Number)
                limit = n.text;
            else if (n.kind == TokenKind::Variable)
                limit = variableLiteral(n.text);
            else
                fail();
            if (parens)
                expectSymbol(")");
            percent = acceptWord("PERCENT");
            if (acceptWord("WITH"))
                expectWord("TIES");
        }
        for (bool first = true;; first = false) {
            if (!first)
                sql += ", ";
            SelectItem item;
            sql += selectItem(item);
            if (items)
                items->push_back(item);
            if (!acceptSymbol(","))
                break;
        }
        if (peekWord("INTO"))
            throw SqlError(50000, 16, 1, "SELECT INTO is not supported by the Norvane sandbox.");
        if (acceptWord("FROM"))
            sql += " FROM " + fromClause();
        if (acceptWord("WHERE"))
            sql += " WHERE " + expression().sql;
        if (acceptWord("GROUP")) {
            expectWord("BY");
            sql += " GROUP BY ";
            for (bool first = true;; first = false) {
                if (!first)
                    sql += ", ";
                sql += expression().sql;
                if (!acceptSymbol(","))
                    break;
            }
        }
        if (acceptWord("HAVING"))
            sql += " HAVING " + expression().sql;
        return sql;
    }

    std::string selectItem(SelectItem& item)
    {
        if (acceptSymbol("*")) {
            item.star = true;
            return "*";
        }
        // t.* and owner.t.*
        {
            std::size_t k = 0;
            while (peek(k).isName() && peek(k + 1).isSymbol("."))
                k += 2;
            if (k > 0 && peek(k).isSymbol("*")) {
                std::string table = peek(k - 2).text;
                pos_ += k + 1;
                item.star = true;
                return quoteIdentifier(table) + ".*";
            }
        }
        // @v = expr
        if (peek().kind == TokenKind::Variable && peek(1).isSymbol("=")) {
            item.assignVariable = take().text;
            take();
            Expr e = expression();
            item.typeHint = e.typeHint;
            return e.sql;
        }
        // alias = expr
        if ((peek().isName() || peek().kind == TokenKind::String) && peek(1).isSymbol("=")) {
            item.name = take().text;
            take();
            Expr e = expression();
            item.typeHint = e.typeHint;
            return e.sql + " AS " + quoteIdentifier(item.name);
        }
        Expr e = expression();
        item.typeHint = e.typeHint;
        item.name = e.columnName;
        if (acceptWord("AS")) {
            const Token& alias = take();
            if (!alias.isName() && alias.kind != TokenKind::String)
                fail();
            item.name = alias.text;
        } else if (isAliasToken(peek())) {
            item.name = take().text;
        } else if (item.name.empty()) {
            return e.sql;
        }
        return e.sql + " AS " + quoteIdentifier(item.name);
    }

    std::string fromClause()
    {
        std::string sql = tableSource();
        while (acceptSymbol(","))
            sql += ", " + tableSource();
        return sql;
    }

    std::string tableSource()
    {
        std::string sql = tablePrimary();
        for (;;) {
            std::string join;
            if (acceptWord("JOIN") || (acceptWord("INNER") && (expectWord("JOIN"), true))) {
                join = " JOIN ";
            } else if (peekWord("LEFT") || peekWord("RIGHT") || peekWord("FULL")) {
                join = " " + toUpperAscii(take().text);
                acceptWord("OUTER");
                expectWord("JOIN");
                join += " JOIN ";
            } else if (acceptWord("CROSS")) {
                expectWord("JOIN");
                sql += " CROSS JOIN " + tablePrimary();
                continue;
            } else {
                break;
            }
            sql += join + tablePrimary();
            expectWord("ON");
            sql += " ON " + expression().sql;
        }
        return sql;
    }

    std::string tablePrimary()
    {
        NestingLevel level;
        std::string sql;
        if (acceptSymbol("(")) {
            if (peekWord("SELECT")) {
                sql = "(" + query(nullptr) + ")";
                expectSymbol(")");
            } else {
                sql = "(" + tableSource() + ")";
                expectSymbol(")");
                return sql;
            }
        } else {
            bool needsAlias = false;
            std::string implicitAlias;
            sql = objectName(needsAlias, implicitAlias);
            if (peek().isSymbol("(") && !(peek(1).isWord("NOLOCK") || peek(1).isWord("READUNCOMMITTED") ||
                                          peek(1).isWord("HOLDLOCK") || peek(1).isWord("UPDLOCK") ||
                                          peek(1).isWord("ROWLOCK") || peek(1).isWord("TABLOCK")))
                throw SqlError(50000, 16, 1, "The Norvane sandbox does not run user-defined function bodies ('" +
                                                 implicitAlias + "').");
            if (!peekWord("AS") && !isAliasToken(peek()) && needsAlias)
                sql += " AS " + quoteIdentifier(implicitAlias);
        }
        if (acceptWord("AS")) {
            if (!peek().isName())
                fail();
            sql += " AS " + quoteIdentifier(take().text);
        } else if (isAliasToken(peek()) && peek().kind != TokenKind::String) {
            sql += " AS " + quoteIdentifier(take().text);
        }
        skipTableHints();
        return sql;
    }

    void skipTableHints()
    {
        bool with = false;
        if (peekWord("WITH") && peek(1).isSymbol("(")) {
            take();
            with = true;
        }
        if (peek().isSymbol("(") && (with || peek(1).isWord("NOLOCK") || peek(1).isWord("READUNCOMMITTED") ||
                                     peek(1).isWord("HOLDLOCK") || peek(1).isWord("UPDLOCK") ||
                                     peek(1).isWord("ROWLOCK") || peek(1).isWord("TABLOCK"))) {
            take();
            while (!atEnd() && !peek().isSymbol(")"))
                take();
            expectSymbol(")");
        }
    }

    std::vector<NamePart> dottedName()
    {
        std::vector<NamePart> parts;
        for (;;) {
            if (peek().isSymbol(".")) {
                parts.push_back({});  // empty part: db..object
                take();
                continue;
            }
            const Token& t = take();
            if (!t.isName())
                fail();
            parts.push_back({t.text, t.kind == TokenKind::Quoted});
            if (!acceptSymbol("."))
                break;
        }
        if (parts.size() > 4)
            fail();
        return parts;
    }

    // A table or view name in FROM, INSERT, UPDATE or DELETE.
    std::string objectName(bool& needsAlias, std::string& implicitAlias)
    {
        std::size_t at = pos_;
        if (peek().kind == TokenKind::Word && !peek().text.empty() && peek().text[0] == '#')
            throw invalidObjectName(peek().text);
        std::vector<NamePart> parts = dottedName();
        std::string written;
        for (std::size_t k = at; k < pos_; ++k)
            written += tokens_[k].kind == TokenKind::Quoted ? "[" + tokens_[k].text + "]" : tokens_[k].text;
        std::string name = parts.back().text;
        std::string owner = parts.size() >= 2 ? parts[parts.size() - 2].text : "";
        std::string db = parts.size() >= 3 ? parts[parts.size() - 3].text : "";
        if (parts.size() == 4)
            throw SqlError(7202, 11, 2, "Could not find server '" + parts[0].text + "' in sysservers. Execute sp_addlinkedserver to add the server to sysservers.");
        if (name.empty())
            throwSyntaxError(tokens_, at, begin_);
        needsAlias = false;
        implicitAlias = name;
        if (equalsIgnoreCase(owner, "INFORMATION_SCHEMA")) {
            needsAlias = true;
            name = "INFORMATION_SCHEMA." + toUpperAscii(name);
        }
        std::string schema;
        if (!db.empty() && !equalsIgnoreCase(db, context_.currentDatabase))
            schema = context_.attach ? context_.attach(db) : db;
        lastSchema_ = schema;
        lastTable_ = name;
        names_.push_back({schema.empty() ? name : schema + "." + name, written});
        return schema.empty() ? quoteIdentifier(name) : quoteIdentifier(schema) + "." + quoteIdentifier(name);
    }

    // ---- expressions ---------------------------------------------------
    Expr expression()
    {
        NestingLevel level;
        return orExpression();
    }

    // A run of OR (or AND) operands. SQLite limits how deep an expression tree may be, so a long run is
    // written as a balanced tree, which gives the same answer for these operators; a short one stays flat.
    static std::string logicalChain(const std::vector<std::string>& operands, std::string_view op)
    {
        std::size_t size = 0;
        for (const std::string& operand : operands)
            size += operand.size() + op.size() + 4;
        std::string out;
        out.reserve(size);
        constexpr std::size_t flatLimit = 16;
        if (operands.size() <= flatLimit) {
            for (std::size_t i = 0; i < operands.size(); ++i) {
                if (i)
                    out += op;
                out += operands[i];
            }
            return out;
        }
        appendBalanced(out, operands, 0, operands.size(), op);
        return out;
    }

    static void appendBalanced(std::string& out, const std::vector<std::string>& operands, std::size_t low,
                               std::size_t high, std::string_view op)
    {
        if (high - low == 1) {
            out += operands[low];
            return;
        }
        const std::size_t middle = low + (high - low) / 2;
        out += '(';
        appendBalanced(out, operands, low, middle, op);
        out += op;
        appendBalanced(out, operands, middle, high, op);
        out += ')';
    }

    Expr orExpression()
    {
        Expr first = andExpression();
        if (!peekWord("OR"))
            return first;
        std::vector<std::string> operands;
        operands.push_back(std::move(first.sql));
        while (acceptWord("OR"))
            operands.push_back(andExpression().sql);
        return Expr{logicalChain(operands, " OR "), Kind::Number, "", ""};
    }

    Expr andExpression()
    {
        Expr first = notExpression();
        if (!peekWord("AND"))
            return first;
        std::vector<std::string> operands;
        operands.push_back(std::move(first.sql));
        while (acceptWord("AND"))
            operands.push_back(notExpression().sql);
        return Expr{logicalChain(operands, " AND "), Kind::Number, "", ""};
    }

    Expr notExpression()
    {
        if (acceptWord("NOT")) {
            NestingLevel level;
            return Expr{"NOT " + notExpression().sql, Kind::Number, "", ""};
        }
        return predicate();
    }

    Expr predicate()
    {
        if (acceptWord("EXISTS")) {
            expectSymbol("(");
            std::string sub = query(nullptr);
            expectSymbol(")");
            return Expr{"EXISTS (" + sub + ")", Kind::Number, "", ""};
        }
        Expr left = additive();
        const Token& t = peek();
        if (t.kind == TokenKind::Symbol) {
            static const std::pair<std::string_view, std::string_view> comparisons[] = {
                {"=", "="}, {"<>", "<>"}, {"!=", "<>"}, {"<", "<"}, {">", ">"},
                {"<=", "<="}, {">=", ">="}, {"!<", ">="}, {"!>", "<="}};
            for (const auto& [tsql, sqlite] : comparisons) {
                if (t.text == tsql) {
                    take();
                    if (peekWord("ALL") || peekWord("ANY") || peekWord("SOME"))
                        throw SqlError(156, 15, 1, "Incorrect syntax near the keyword '" + peek().text + "'.");
                    Expr right = additive();
                    // A column that may be either kind keeps its declared collation (SQLSERVER or EXACTNUMBER).
                    const std::string collation = left.exactNumber || right.exactNumber    ? std::string(" COLLATE ") + exactCollation
                                                  : left.ownCollation || right.ownCollation ? ""
                                                                                            : " COLLATE SQLSERVER";
                    return Expr{comparedLiteral(left, right) + " " + std::string(sqlite) + " " + comparedLiteral(right, left) +
                                    collation,
                                Kind::Number, "", ""};
                }
            }
            return left;
        }
        bool negate = false;
        if (peekWord("NOT") && (peekWord("LIKE", 1) || peekWord("IN", 1) || peekWord("BETWEEN", 1))) {
            take();
            negate = true;
        }
        const std::string no = negate ? "NOT " : "";
        if (acceptWord("LIKE")) {
            Expr pattern = additive();
            std::string sql = left.sql + " " + no + "LIKE " + pattern.sql;
            if (acceptWord("ESCAPE"))
                sql += " ESCAPE " + additive().sql;
            return Expr{sql, Kind::Number, "", ""};
        }
        if (acceptWord("IN")) {
            expectSymbol("(");
            std::string list;
            if (peekWord("SELECT")) {
                list = query(nullptr);
            } else {
                for (bool first = true;; first = false) {
                    if (!first)
                        list += ", ";
                    list += expression().sql;
                    if (!acceptSymbol(","))
                        break;
                }
            }
            expectSymbol(")");
            return Expr{left.sql + " " + no + "IN (" + list + ")", Kind::Number, "", ""};
        }
        if (acceptWord("BETWEEN")) {
            Expr low = additive();
            expectWord("AND");
            Expr high = additive();
            return Expr{left.sql + " " + no + "BETWEEN " + comparedLiteral(low, left) + " AND " + comparedLiteral(high, left),
                        Kind::Number, "", ""};
        }
        if (negate)
            fail();
        if (acceptWord("IS")) {
            bool isNot = acceptWord("NOT");
            expectWord("NULL");
            return Expr{left.sql + (isNot ? " IS NOT NULL" : " IS NULL"), Kind::Number, "", ""};
        }
        return left;
    }

    // A left-associative run of binary operators, a op b op c ..., written in one pass (no copying of what
    // came before) and as flat as SQLite's parser needs: operators SQLite ranks alike need no parentheses
    // between them, and a run of + or ^ that SQLite cannot write as an operator is one function call.
    enum class Group { None, Additive, Concat, Bitwise, Multiplicative, Call };
    struct ChainBuilder {
        std::vector<std::string> opens;  // written in reverse before the first operand
        std::string tail;
        Group group = Group::None;
        std::string function;  // the open call while group is Call
        int arguments = 0;
        // SQLite takes at most 127 arguments to a function.
        static constexpr int maxArguments = 100;

        void closeCall()
        {
            if (group != Group::Call)
                return;
            tail += ')';
            group = Group::None;  // a call is an operand of its own
        }
        void op(Group g, std::string_view text, const std::string& right)
        {
            closeCall();
            if (group != Group::None && group != g) {
                opens.push_back("(");
                tail += ')';
            }
            tail += ' ';
            tail += text;
            tail += ' ';
            tail += right;
            group = g;
        }
        void call(const std::string& name, const std::string& right)
        {
            if (group == Group::Call && (function != name || arguments >= maxArguments))
                closeCall();
            if (group != Group::Call) {
                opens.push_back(name + "(");
                group = Group::Call;
                function = name;
                arguments = 1;
            }
            tail += ", ";
            tail += right;
            ++arguments;
        }
        Expr finish(Expr first, Kind kind)
        {
            if (opens.empty() && tail.empty())
                return first;
            // An operator at the top is enclosed once, so the result stands alone wherever it goes
            // (a column DEFAULT, an operand of another operator).
            if (group != Group::None && group != Group::Call) {
                opens.push_back("(");
                tail += ')';
            }
            closeCall();
            std::size_t size = first.sql.size() + tail.size();
            for (const std::string& open : opens)
                size += open.size();
            std::string sql;
            sql.reserve(size);
            for (auto it = opens.rbegin(); it != opens.rend(); ++it)
                sql += *it;
            sql += first.sql;
            sql += tail;
            return Expr{std::move(sql), kind, "", ""};
        }
    };

    Expr additive()
    {
        Expr first = multiplicative();
        ChainBuilder chain;
        Kind kind = first.kind;
        for (;;) {
            const Token& t = peek();
            if (t.isSymbol("+")) {
                take();
                Expr right = multiplicative();
                // + concatenates two strings, adds two numbers and leaves anything else to tsql_add.
                if (kind == Kind::String && right.kind == Kind::String)
                    chain.op(Group::Concat, "||", right.sql);
                else if (kind == Kind::Number && right.kind == Kind::Number)
                    chain.op(Group::Additive, "+", right.sql);
                else
                    chain.call("tsql_add", right.sql);
                kind = kind == right.kind && kind != Kind::Unknown ? kind : Kind::Unknown;
            } else if (t.isSymbol("-") || t.isSymbol("&") || t.isSymbol("|") || t.isSymbol("^")) {
                const std::string op = take().text;
                Expr right = multiplicative();
                if (op == "^")
                    chain.call("tsql_bitxor", right.sql);
                else
                    chain.op(op == "-" ? Group::Additive : Group::Bitwise, op, right.sql);
                kind = Kind::Number;
            } else {
                return chain.finish(std::move(first), kind);
            }
        }
    }

    Expr multiplicative()
    {
        Expr first = unary();
        ChainBuilder chain;
        while (peek().isSymbol("*") || peek().isSymbol("/") || peek().isSymbol("%")) {
            const std::string op = take().text;
            const bool nonZeroLiteral = peek().kind == TokenKind::Number && peek().text.find_first_not_of("0.") != std::string::npos;
            Expr right = unary();
            if (op == "*" || nonZeroLiteral) {
                chain.op(Group::Multiplicative, op, right.sql);
            } else {  // SQL Server stops with error 8134 where SQLite would quietly give NULL
                chain.call(op == "/" ? "tsql_divide" : "tsql_modulo", right.sql);
                chain.closeCall();  // two arguments only: a / b / c is ((a / b) / c)
            }
        }
        return chain.finish(std::move(first), Kind::Number);
    }

    Expr unary()
    {
        if (peek().isSymbol("-") || peek().isSymbol("+") || peek().isSymbol("~")) {
            NestingLevel level;
            std::string op = take().text;
            Expr operand = unary();
            // "- -1" must not become "--1", which SQLite reads as a comment.
            const bool apart = !operand.sql.empty() && (operand.sql[0] == '-' || operand.sql[0] == '+');
            return Expr{op + (apart ? " " : "") + operand.sql, Kind::Number, operand.typeHint, ""};
        }
        Expr e = primary();
        if (acceptWord("COLLATE")) {
            if (!peek().isName())
                fail();
            take();  // every collation compares the way the sandbox's SQLSERVER collation does
        }
        return e;
    }

    std::string variableLiteral(const std::string& name)
    {
        std::optional<Value> value;
        if (context_.variable)
            value = context_.variable(name);
        if (!value)
            throw SqlError(137, 15, 2, "Must declare the variable '" + name + "'.");
        return sqlLiteral(*value);
    }

    Expr primary()
    {
        const Token& t = peek();
        switch (t.kind) {
        case TokenKind::Number: {
            take();
            bool integral = t.text.find_first_of(".eE") == std::string::npos;
            return Expr{t.text, Kind::Number, integral ? "" : "", ""};
        }
        case TokenKind::String: {
            take();
            Expr literal{stringLiteral(t.text), Kind::String, "", ""};
            literal.stringLiteral = parseDateTime(t.text).has_value();
            return literal;
        }
        case TokenKind::Hex:
            take();
            return Expr{hexLiteral(t.text), Kind::Unknown, "", ""};
        case TokenKind::Variable: {
            take();
            std::optional<Value> value;
            if (context_.variable)
                value = context_.variable(t.text);
            if (!value)
                throw SqlError(137, 15, 2, "Must declare the variable '" + t.text + "'.");
            Kind kind = std::holds_alternative<std::string>(*value) ? Kind::String
                        : (std::holds_alternative<std::int64_t>(*value) || std::holds_alternative<double>(*value))
                            ? Kind::Number
                            : Kind::Unknown;
            return Expr{sqlLiteral(*value), kind, variableTypeHint(t.text), ""};
        }
        case TokenKind::Symbol:
            if (t.isSymbol("(")) {
                take();
                if (peekWord("SELECT")) {
                    std::vector<SelectItem> items;
                    std::string sub = query(&items);
                    expectSymbol(")");
                    return Expr{"(" + sub + ")", Kind::Unknown, items.empty() ? "" : items[0].typeHint, ""};
                }
                Expr inner = expression();
                expectSymbol(")");
                return Expr{"(" + inner.sql + ")", inner.kind, inner.typeHint, ""};
            }
            fail();
        case TokenKind::Word:
        case TokenKind::Quoted:
            return namedPrimary();
        case TokenKind::End:
            fail();
        }
        fail();
    }

    static std::string variableTypeHint(const std::string& name)
    {
        std::string upper = toUpperAscii(name);
        if (upper == "@@VERSION")
            return "nvarchar(256)";
        if (upper == "@@SERVERNAME" || upper == "@@SERVICENAME" || upper == "@@LANGUAGE")
            return "nvarchar(128)";
        if (upper == "@@SPID")
            return "smallint";
        if (upper == "@@ROWCOUNT" || upper == "@@TRANCOUNT" || upper == "@@ERROR")
            return "int";
        return "";
    }

    Expr namedPrimary()
    {
        const Token& t = peek();
        if (t.kind == TokenKind::Word) {
            if (t.isWord("NULL")) {
                take();
                return Expr{"NULL", Kind::Unknown, "", ""};
            }
            if (t.isWord("CASE"))
                return caseExpression();
            if (t.isWord("CAST"))
                return castExpression();
            if (t.isWord("CONVERT"))
                return convertExpression();
            if (t.isWord("CURRENT_TIMESTAMP")) {
                take();
                return Expr{"getdate()", Kind::Unknown, "datetime", ""};
            }
            if (t.isWord("CURRENT_USER") || t.isWord("SESSION_USER") || t.isWord("USER")) {
                take();
                return Expr{"user_name()", Kind::String, "nvarchar(128)", ""};
            }
            if (t.isWord("SYSTEM_USER")) {
                take();
                return Expr{"suser_sname()", Kind::String, "nvarchar(128)", ""};
            }
        }
        // A function call: name ( ... ), possibly owner-qualified for user functions.
        std::size_t k = 0;
        while (peek(k).isName() && peek(k + 1).isSymbol("."))
            k += 2;
        if (peek(k).isName() && peek(k + 1).isSymbol("(")) {
            if (k > 0) {
                std::string name = peek(k).text;
                throw SqlError(50000, 16, 1, "The Norvane sandbox does not run user-defined function bodies ('" + name + "').");
            }
            if (t.kind == TokenKind::Word)
                return functionCall();
            fail();
        }
        // A column reference: [[[db.]owner.]table.]column
        std::vector<NamePart> parts = dottedName();
        const std::string& column = parts.back().text;
        if (column.empty())
            fail();
        if (!parts.back().quoted && isReservedWord(column)) {
            --pos_;
            fail();
        }
        std::string sql;
        if (parts.size() >= 2) {
            std::string table = parts[parts.size() - 2].text;
            if (parts.size() >= 3 && equalsIgnoreCase(parts[parts.size() - 3].text, "INFORMATION_SCHEMA"))
                table = toUpperAscii(table);
            sql = quoteIdentifier(table) + ".";
        }
        sql += quoteIdentifier(column);
        // A decimal, numeric or money column holds text that is a number: adding to it is arithmetic.
        if (context_.exactColumn)
            if (const auto exact = context_.exactColumn(column)) {
                Expr reference{sql, exact->everywhere ? Kind::Number : Kind::Unknown, exact->type, column};
                reference.exactNumber = exact->everywhere;
                reference.ownCollation = !exact->everywhere;
                return reference;
            }
        return Expr{sql, Kind::Unknown, "", column};
    }

    Expr caseExpression()
    {
        // SQL Server 2000 nests CASE ten deep at most.
        constexpr int maxCaseNesting = 10;
        struct Depth {
            int& depth;
            explicit Depth(int& d) : depth(++d) {}
            ~Depth() { --depth; }
        } depth(caseDepth_);
        if (caseDepth_ > maxCaseNesting)
            throw SqlError(125, 15, 4, "Case expressions may only be nested to level 10.");
        expectWord("CASE");
        std::string sql = "CASE";
        if (!peekWord("WHEN"))
            sql += " " + expression().sql;
        Kind kind = Kind::Unknown;
        bool firstBranch = true;
        auto noteKind = [&](Kind k) {
            kind = firstBranch ? k : (kind == k ? k : Kind::Unknown);
            firstBranch = false;
        };
        if (!peekWord("WHEN"))
            fail();
        while (acceptWord("WHEN")) {
            sql += " WHEN " + expression().sql;
            expectWord("THEN");
            Expr value = expression();
            noteKind(value.kind);
            sql += " THEN " + value.sql;
        }
        if (acceptWord("ELSE")) {
            Expr value = expression();
            noteKind(value.kind);
            sql += " ELSE " + value.sql;
        }
        expectWord("END");
        return Expr{sql + " END", kind, "", ""};
    }

    // A SQL Server type name as written: int, varchar(10), decimal(10, 2), national char varying(5)...
    std::string typeName()
    {
        if (!peek().isName())
            fail();
        std::string type = take().text;
        while (peek().kind == TokenKind::Word &&
               (peek().isWord("VARYING") || peek().isWord("PRECISION") || peek().isWord("CHAR") ||
                peek().isWord("CHARACTER") || peek().isWord("VARCHAR")))
            type += " " + take().text;
        if (acceptSymbol("(")) {
            type += "(";
            for (bool first = true;; first = false) {
                if (!first)
                    type += ",";
                const Token& n = take();
                if (n.kind != TokenKind::Number && !n.isWord("MAX"))
                    fail();
                type += n.text;
                if (!acceptSymbol(","))
                    break;
            }
            expectSymbol(")");
            type += ")";
        }
        return type;
    }

    static Kind kindOfType(const std::string& type)
    {
        std::string upper = toUpperAscii(type);
        if (upper.find("CHAR") != std::string::npos || upper.find("TEXT") != std::string::npos)
            return Kind::String;
        if (upper.find("INT") != std::string::npos || upper.find("DEC") != std::string::npos ||
            upper.find("NUMERIC") != std::string::npos || upper.find("MONEY") != std::string::npos ||
            upper.find("FLOAT") != std::string::npos || upper.find("REAL") != std::string::npos ||
            upper == "BIT")
            return Kind::Number;
        return Kind::Unknown;
    }

    Expr castExpression()
    {
        expectWord("CAST");
        expectSymbol("(");
        Expr value = expression();
        expectWord("AS");
        std::string type = typeName();
        expectSymbol(")");
        return Expr{"tsql_convert(" + stringLiteral(type) + ", " + convertedValue(value, type) + ", NULL)", kindOfType(type),
                    type, ""};
    }

    Expr convertExpression()
    {
        expectWord("CONVERT");
        expectSymbol("(");
        std::string type = typeName();
        expectSymbol(",");
        Expr value = expression();
        std::string style = "NULL";
        if (acceptSymbol(","))
            style = expression().sql;
        expectSymbol(")");
        return Expr{"tsql_convert(" + stringLiteral(type) + ", " + convertedValue(value, type) + ", " + style + ")",
                    kindOfType(type), type, ""};
    }

    // A number held as text (a decimal column's value) becomes an integer by truncation, not by reading the text.
    static std::string convertedValue(const Expr& value, const std::string& type)
    {
        const auto target = parseTypeText(type);
        const bool integral = target && (target->type == SqlType::Int || target->type == SqlType::SmallInt ||
                                         target->type == SqlType::TinyInt || target->type == SqlType::BigInt ||
                                         target->type == SqlType::Bit);
        return integral && value.kind == Kind::Number && !value.columnName.empty() ? "(" + value.sql + " + 0)" : value.sql;
    }

    std::vector<Expr> arguments()
    {
        std::vector<Expr> args;
        expectSymbol("(");
        if (acceptSymbol(")"))
            return args;
        for (;;) {
            args.push_back(expression());
            if (acceptSymbol(")"))
                return args;
            expectSymbol(",");
        }
    }

    static std::string joinArguments(const std::vector<Expr>& args)
    {
        std::string out;
        for (std::size_t i = 0; i < args.size(); ++i)
            out += (i ? ", " : "") + args[i].sql;
        return out;
    }

    Expr functionCall()
    {
        const std::string name = toUpperAscii(take().text);
        // COUNT(*), COUNT(DISTINCT x) and the other aggregates.
        if (name == "COUNT" || name == "COUNT_BIG" || name == "SUM" || name == "AVG" || name == "MIN" ||
            name == "MAX") {
            expectSymbol("(");
            std::string inner;
            std::string innerType;
            if (acceptSymbol("*")) {
                if (name != "COUNT" && name != "COUNT_BIG")
                    fail();
                inner = "*";
            } else {
                if (acceptWord("DISTINCT"))
                    inner = "DISTINCT ";
                else
                    acceptWord("ALL");
                Expr argument = expression();
                inner += argument.sql;
                innerType = argument.typeHint;
            }
            expectSymbol(")");
            std::string fn = name == "COUNT_BIG" ? "COUNT" : name;
            // MIN and MAX keep their argument's type.
            std::string hint = name == "COUNT"       ? "int"
                               : name == "COUNT_BIG" ? "bigint"
                               : name == "MIN" || name == "MAX" ? innerType
                                                                : "";
            return Expr{fn + "(" + inner + ")", Kind::Number, hint, ""};
        }
        std::vector<Expr> args = arguments();
        const std::string list = joinArguments(args);
        auto call = [&](const std::string& fn, Kind kind, const std::string& hint) {
            return Expr{fn + "(" + list + ")", kind, hint, ""};
        };
        auto arity = [&](std::size_t low, std::size_t high) {
            if (args.size() < low || args.size() > high)
                throw SqlError(174, 15, 1, "The " + toLowerName(name) + " function requires " + std::to_string(low) +
                                              " argument(s).");
        };
        if (name == "ISNULL") {
            arity(2, 2);
            Kind kind = args[0].kind == args[1].kind ? args[0].kind : Kind::Unknown;
            return Expr{"ifnull(" + list + ")", kind, args[0].typeHint, ""};
        }
        if (name == "LEFT") {
            arity(2, 2);
            return Expr{"substr(" + args[0].sql + ", 1, " + args[1].sql + ")", Kind::String, "", ""};
        }
        if (name == "RIGHT") {
            arity(2, 2);
            return call("tsql_right", Kind::String, "");
        }
        if (name == "SUBSTRING") {
            arity(3, 3);
            return call("tsql_substring", Kind::String, "");
        }
        if (name == "LEN" || name == "DATALENGTH" || name == "CHARINDEX" || name == "PATINDEX")
            return call(toLowerName(name), Kind::Number, "int");
        if (name == "UPPER" || name == "LOWER" || name == "LTRIM" || name == "RTRIM" || name == "REPLACE" ||
            name == "SPACE" || name == "REPLICATE" || name == "REVERSE" || name == "STUFF" || name == "STR" ||
            name == "CHAR" || name == "NCHAR")
            return call(name == "CHAR" || name == "NCHAR" ? "char" : "tsql_" + toLowerName(name), Kind::String, "");
        if (name == "ASCII" || name == "UNICODE")
            return call("unicode", Kind::Number, "int");
        if (name == "ABS" || name == "ROUND" || name == "FLOOR" || name == "CEILING" || name == "SIGN" ||
            name == "POWER" || name == "SQRT" || name == "SQUARE")
            return call("tsql_" + toLowerName(name), Kind::Number, "");
        if (name == "COALESCE" || name == "NULLIF") {
            Kind kind = args.empty() ? Kind::Unknown : args[0].kind;
            return call(toLowerName(name), kind, args.empty() ? "" : args[0].typeHint);
        }
        if (name == "GETDATE" || name == "GETUTCDATE")
            return call(toLowerName(name), Kind::Unknown, "datetime");
        if (name == "YEAR" || name == "MONTH" || name == "DAY" || name == "ISNUMERIC" || name == "ISDATE")
            return call("tsql_" + toLowerName(name), Kind::Number, "int");
        if (name == "NEWID")
            return call("tsql_newid", Kind::String, "uniqueidentifier");
        if (name == "OBJECT_ID" || name == "DB_ID" || name == "USER_ID" || name == "COLUMNPROPERTY" ||
            name == "OBJECTPROPERTY" || name == "COL_LENGTH")
            return call(toLowerName(name), Kind::Number,
                        name == "DB_ID" || name == "USER_ID" || name == "COL_LENGTH" ? "smallint" : "int");
        if (name == "OBJECT_NAME" || name == "DB_NAME" || name == "USER_NAME" || name == "TYPE_NAME" ||
            name == "COL_NAME" || name == "SUSER_SNAME" || name == "SUSER_NAME" || name == "HOST_NAME" ||
            name == "APP_NAME")
            return call(toLowerName(name), Kind::String, name == "USER_NAME" ? "nvarchar(256)" : "nvarchar(128)");
        if (name == "IDENT_SEED" || name == "IDENT_INCR" || name == "IDENT_CURRENT")
            return call(toLowerName(name), Kind::Number, "numeric(38,0)");
        if (name == "SERVERPROPERTY" || name == "DATABASEPROPERTYEX")
            return call(toLowerName(name), Kind::Unknown, "");
        throw SqlError(195, 15, 10, "'" + toLowerName(name) + "' is not a recognized function name.");
    }

    static std::string toLowerName(const std::string& upper)
    {
        std::string lower = upper;
        for (char& c : lower)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return lower;
    }

    // ---- DML -----------------------------------------------------------
    std::string targetName(std::string& table)
    {
        bool needsAlias = false;
        std::string implicitAlias;
        std::string sql = objectName(needsAlias, implicitAlias);
        table = implicitAlias;
        skipTableHints();
        return sql;
    }

    TranslatedDml insert()
    {
        expectWord("INSERT");
        acceptWord("INTO");
        TranslatedDml result;
        std::string sql = "INSERT INTO " + targetName(result.targetTable);
        std::vector<TranslateContext::TargetColumn> known;
        if (context_.targetColumns)
            known = context_.targetColumns(lastSchema_, lastTable_);
        std::vector<std::string> types;  // declared type of each written column, when known
        auto typeOf = [&](const std::string& column) {
            for (const auto& k : known)
                if (equalsIgnoreCase(k.name, column))
                    return k.type;
            return std::string();
        };
        std::vector<std::string> written;
        const auto identity = std::find_if(known.begin(), known.end(), [](const auto& k) { return k.identity; });
        const bool identityInsert = identity != known.end() && context_.identityInsertOn &&
                                    context_.identityInsertOn(lastSchema_, lastTable_);
        const bool columnList = peek().isSymbol("(") && !peekWord("SELECT", 1);
        if (identity != known.end() && !columnList && identityInsert && !peekWord("DEFAULT"))
            throw SqlError(8101, 16, 1, "An explicit value for the identity column in table '" + result.targetTable +
                                            "' can only be specified when a column list is used and IDENTITY_INSERT is ON.");
        if (columnList) {
            take();
            sql += " (";
            for (bool first = true;; first = false) {
                if (!first)
                    sql += ", ";
                const Token& column = take();
                if (!column.isName())
                    fail();
                sql += quoteIdentifier(column.text);
                types.push_back(typeOf(column.text));
                written.push_back(column.text);
                if (!acceptSymbol(","))
                    break;
            }
            expectSymbol(")");
            sql += ")";
            if (identity != known.end()) {
                const bool given = std::any_of(written.begin(), written.end(),
                                               [&](const std::string& w) { return equalsIgnoreCase(w, identity->name); });
                if (given && !identityInsert)
                    throw SqlError(544, 16, 1, "Cannot insert explicit value for identity column in table '" +
                                                   result.targetTable + "' when IDENTITY_INSERT is set to OFF.");
                if (!given && identityInsert)
                    throw SqlError(545, 16, 1, "Explicit value must be specified for identity column in table '" +
                                                   result.targetTable + "' when IDENTITY_INSERT is set to ON.");
            }
        } else if (!known.empty() && !peekWord("DEFAULT")) {
            // Without a column list SQL Server fills the columns it can write, skipping identity ones.
            std::string list;
            for (const auto& k : known) {
                if (!k.insertable)
                    continue;
                list += (list.empty() ? "" : ", ") + quoteIdentifier(k.name);
                types.push_back(k.type);
            }
            sql += " (" + list + ")";
        }
        // SQL Server fills timestamp columns itself, on every insert.
        std::string stamp;
        for (const auto& k : known)
            if (equalsIgnoreCase(k.type, "timestamp") &&
                std::none_of(written.begin(), written.end(), [&](const std::string& w) { return equalsIgnoreCase(w, k.name); }))
                stamp = k.name;
        if (!stamp.empty()) {
            if (peekWord("DEFAULT")) {
                take();
                expectWord("VALUES");
                expectEnd();
                result.sql = sql + " (" + quoteIdentifier(stamp) + ") VALUES (tsql_rowversion())";
                return result;
            }
            if (sql.size() >= 3 && sql.compare(sql.size() - 3, 3, " ()") == 0)
                sql.insert(sql.size() - 1, quoteIdentifier(stamp));
            else
                sql.insert(sql.size() - 1, ", " + quoteIdentifier(stamp));
        }
        if (acceptWord("VALUES")) {
            sql += " VALUES ";
            for (bool firstRow = true;; firstRow = false) {
                if (!firstRow)
                    sql += ", ";
                expectSymbol("(");
                sql += "(";
                for (std::size_t index = 0;; ++index) {
                    if (index > 0)
                        sql += ", ";
                    sql += acceptWord("DEFAULT") ? std::string("NULL") : storedExpression(index < types.size() ? types[index] : "");
                    if (!acceptSymbol(","))
                        break;
                }
                expectSymbol(")");
                sql += stamp.empty() ? ")" : ", tsql_rowversion())";
                if (!acceptSymbol(","))
                    break;
            }
        } else if (acceptWord("DEFAULT")) {
            expectWord("VALUES");
            sql += " DEFAULT VALUES";
        } else if (peekWord("SELECT") || peek().isSymbol("(")) {
            bool parens = acceptSymbol("(");
            std::string source = query(nullptr);
            if (std::any_of(types.begin(), types.end(), [](const std::string& type) { return isExactTypeText(type); })) {
                // Decimal and money values are rounded and checked as VALUES are: the source's columns get names
                // (x1, x2, ...) so each can pass through tsql_exact.
                std::string names;
                std::string values;
                for (std::size_t i = 0; i < types.size(); ++i) {
                    const std::string name = "x" + std::to_string(i + 1);
                    names += (i ? ", " : "") + name;
                    values += (i ? ", " : "") + storedValue(name, types[i]);
                }
                if (!stamp.empty())
                    values += ", tsql_rowversion()";
                sql = "WITH tsql_source(" + names + ") AS (" + source + ") " + sql + " SELECT " + values + " FROM tsql_source";
            } else {
                sql += stamp.empty() ? " " + source : " SELECT *, tsql_rowversion() FROM (" + source + ")";
            }
            if (parens)
                expectSymbol(")");
        } else if (peekWord("EXEC") || peekWord("EXECUTE")) {
            throw SqlError(50000, 16, 1, "INSERT ... EXECUTE is not supported by the Norvane sandbox.");
        } else {
            fail();
        }
        expectEnd();
        result.sql = sql;
        return result;
    }

    // Dates are stored as SQL Server shows them ("yyyy-mm-dd hh:mm:ss.mmm"), so they compare and sort as text.
    // decimal, numeric and money columns store exact text rounded to their scale (tsql_exact); a number
    // literal goes in as its text, so no digit is lost to a double on the way.
    static std::string storedValue(const std::string& sql, const std::string& type, bool exactSource = false)
    {
        if (isExactTypeText(type)) {
            const std::string target = stringLiteral(withoutExactStorage(type));
            if (const char* source = numberLiteralType(sql))
                return "tsql_exact(" + target + ", " + stringLiteral(sql) + ", " + stringLiteral(source) + ")";
            // Another decimal or money column's text is a number to SQL Server, not a varchar.
            return "tsql_exact(" + target + ", " + sql + (exactSource ? ", 'numeric')" : ")");
        }
        const std::string upper = toUpperAscii(type);
        if (upper == "DATETIME" || upper == "SMALLDATETIME")
            return "tsql_convert(" + stringLiteral(type) + ", " + sql + ", NULL)";
        // Numbers are converted as SQL Server converts them ('x' and '1.5' into an int fail with error 245,
        // too large a value overflows); an int literal into an int or bigint column needs nothing.
        const auto target = parseTypeText(type);
        if (!target || sql == "NULL")
            return sql;
        const SqlType t = target->type;
        const bool integral = t == SqlType::Int || t == SqlType::SmallInt || t == SqlType::TinyInt ||
                              t == SqlType::BigInt || t == SqlType::Bit;
        if (!integral && t != SqlType::Float && t != SqlType::Real)
            return sql;
        const char* literal = numberLiteralType(sql);
        if (literal && std::string_view(literal) == "int" && (t == SqlType::Int || t == SqlType::BigInt))
            return sql;
        if (literal && (t == SqlType::Float || t == SqlType::Real))
            return sql;
        return "tsql_convert(" + stringLiteral(type) + ", " + (exactSource ? "(" + sql + " + 0)" : sql) + ", NULL)";
    }

    // SQL Server's type of a translated number literal ("-12.50" is numeric, "7" int, "1e3" float); null for other SQL.
    static const char* numberLiteralType(const std::string& sql)
    {
        std::string_view digits(sql);
        if (!digits.empty() && (digits.front() == '-' || digits.front() == '+'))
            digits.remove_prefix(1);
        if (digits.empty() || (digits.front() != '.' && (digits.front() < '0' || digits.front() > '9')) ||
            !parseDecimalDigits(digits))
            return nullptr;
        if (digits.find_first_of("eE") != std::string_view::npos)
            return "float";
        if (digits.find('.') != std::string_view::npos)
            return "numeric";
        const auto integer = parseNumber(sql);
        const bool fitsInt = integer && integer->isInteger && integer->integer >= INT32_MIN && integer->integer <= INT32_MAX;
        return fitsInt ? "int" : "numeric";
    }

    std::string storedExpression(const std::string& type)
    {
        const Expr value = expression();
        return storedValue(value.sql, type, value.exactNumber);
    }

    TranslatedDml update()
    {
        expectWord("UPDATE");
        TranslatedDml result;
        std::string sql = "UPDATE " + targetName(result.targetTable) + " SET ";
        std::vector<TranslateContext::TargetColumn> known;
        if (context_.targetColumns)
            known = context_.targetColumns(lastSchema_, lastTable_);
        expectWord("SET");
        for (bool first = true;; first = false) {
            if (!first)
                sql += ", ";
            std::vector<NamePart> column = dottedName();
            if (!acceptSymbol("="))
                fail();
            std::string type;
            for (const auto& k : known)
                if (equalsIgnoreCase(k.name, column.back().text))
                    type = k.type;
            sql += quoteIdentifier(column.back().text) + " = " +
                   (acceptWord("DEFAULT") ? "NULL" : storedExpression(type));
            if (!acceptSymbol(","))
                break;
        }
        for (const auto& k : known)
            if (equalsIgnoreCase(k.type, "timestamp"))
                sql += ", " + quoteIdentifier(k.name) + " = tsql_rowversion()";
        if (acceptWord("FROM"))
            sql += " FROM " + fromClause();
        if (acceptWord("WHERE"))
            sql += " WHERE " + expression().sql;
        expectEnd();
        result.sql = sql;
        return result;
    }

    TranslatedDml remove()
    {
        expectWord("DELETE");
        acceptWord("FROM");
        TranslatedDml result;
        std::string sql = "DELETE FROM " + targetName(result.targetTable);
        if (peekWord("FROM"))
            throw SqlError(50000, 16, 1, "DELETE with a second FROM clause is not supported by the Norvane sandbox.");
        if (acceptWord("WHERE"))
            sql += " WHERE " + expression().sql;
        expectEnd();
        result.sql = sql;
        return result;
    }
};

}  // namespace

void rethrowWithWrittenName(const SqlError& error, const std::vector<WrittenName>& names)
{
    const std::string text = error.what();
    const std::string prefix = "Invalid object name '";
    if (error.number == 208 && text.rfind(prefix, 0) == 0) {
        const std::string name = text.substr(prefix.size(), text.size() - prefix.size() - 2);
        for (const WrittenName& n : names) {
            const std::string table = n.sqlite.substr(n.sqlite.rfind('.') == std::string::npos ? 0 : n.sqlite.rfind('.') + 1);
            if (equalsIgnoreCase(table, name) || equalsIgnoreCase(n.sqlite, name))
                throw invalidObjectName(n.written);
        }
    }
    throw error;
}

bool isReservedWord(const std::string& word)
{
    const std::string upper = toUpperAscii(word);
    return std::find(std::begin(reservedWords), std::end(reservedWords), upper) != std::end(reservedWords);
}

void throwSyntaxError(const std::vector<Token>& tokens, std::size_t i, std::size_t begin)
{
    // At the end of the statement SQL Server names the last token it read.
    if (i >= tokens.size() || tokens[i].kind == TokenKind::End || (i > begin && tokens[i].kind == TokenKind::End)) {
        i = i > begin ? i - 1 : begin;
    }
    if (i >= tokens.size() || tokens[i].kind == TokenKind::End)
        throw syntaxErrorNear("");
    const Token& t = tokens[i];
    if (t.kind == TokenKind::Word && isReservedWord(t.text))
        throw SqlError(156, 15, 1, "Incorrect syntax near the keyword '" + toUpperAscii(t.text) + "'.");
    if (t.kind == TokenKind::String)
        throw syntaxErrorNear(t.text);
    throw syntaxErrorNear(t.text);
}

std::string quoteIdentifier(const std::string& name)
{
    std::string out = "\"";
    for (char c : name) {
        out += c;
        if (c == '"')
            out += '"';
    }
    return out + "\"";
}

std::string sqlLiteral(const Value& value)
{
    if (std::holds_alternative<Null>(value))
        return "NULL";
    if (const auto* i = std::get_if<std::int64_t>(&value))
        return std::to_string(*i);
    if (const auto* d = std::get_if<double>(&value)) {
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "%.17g", *d);
        std::string text = buffer;
        if (text.find_first_of(".eEn") == std::string::npos)
            text += ".0";
        return text;
    }
    if (const auto* s = std::get_if<std::string>(&value))
        return stringLiteral(*s);
    const Bytes& bytes = std::get<Bytes>(value);
    static const char digits[] = "0123456789ABCDEF";
    std::string hex;
    for (std::uint8_t b : bytes) {
        hex += digits[b >> 4];
        hex += digits[b & 15];
    }
    return "X'" + hex + "'";
}

TranslatedSelect translateSelectStatement(const std::vector<Token>& tokens, std::size_t begin, std::size_t end,
                                          const TranslateContext& context)
{
    return Translator(tokens, begin, end, context).selectStatement();
}

std::string translateExpressionWith(const std::vector<Token>& tokens, std::size_t begin, std::size_t end,
                                    const TranslateContext& context)
{
    return Translator(tokens, begin, end, context).wholeExpression();
}

TranslatedDml translateDml(const std::vector<Token>& tokens, std::size_t begin, std::size_t end,
                           const TranslateContext& context)
{
    return Translator(tokens, begin, end, context).dml();
}

std::string translateExpression(const std::vector<Token>& tokens, std::size_t begin, std::size_t end)
{
    static const TranslateContext noContext;
    return translateExpressionWith(tokens, begin, end, noContext);
}

std::string translateSelect(const std::vector<Token>& tokens, std::size_t begin, std::size_t end)
{
    static const TranslateContext noContext;
    return translateSelectStatement(tokens, begin, end, noContext).sql;
}

}  // namespace sandbox
