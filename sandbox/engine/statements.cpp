#include "engine/statements.h"

#include <string_view>

#include "engine/nesting.h"
#include "engine/sql_error.h"
#include "engine/translator.h"

namespace sandbox {

namespace {

constexpr std::string_view statementWords[] = {
    "SELECT", "INSERT", "UPDATE", "DELETE", "USE", "SET", "DECLARE", "PRINT", "RAISERROR", "EXEC", "EXECUTE",
    "BEGIN", "COMMIT", "ROLLBACK", "SAVE", "IF", "WHILE", "CREATE", "DROP", "ALTER", "GRANT", "REVOKE", "DENY",
    "TRUNCATE", "RETURN", "GOTO", "WAITFOR", "KILL", "BACKUP", "RESTORE", "DBCC", "CHECKPOINT", "END", "ELSE",
    "BREAK", "CONTINUE", "DUMP", "LOAD", "READTEXT", "WRITETEXT", "UPDATETEXT", "OPEN", "CLOSE", "FETCH",
    "DEALLOCATE", "RECONFIGURE", "SHUTDOWN", "SETUSER"};

bool isWordIn(const Token& token, std::initializer_list<std::string_view> words)
{
    for (std::string_view w : words)
        if (token.isWord(w))
            return true;
    return false;
}

class Splitter {
public:
    explicit Splitter(const std::vector<Token>& tokens) : tokens_(tokens) {}

    std::vector<Statement> all()
    {
        std::vector<Statement> statements;
        skipSemicolons();
        while (!atEnd()) {
            if (tokens_[pos_].isWord("END") || tokens_[pos_].isWord("ELSE"))
                throwSyntaxError(tokens_, pos_, 0);
            statements.push_back(statement(statements.empty()));
            skipSemicolons();
        }
        return statements;
    }

private:
    const std::vector<Token>& tokens_;
    std::size_t pos_ = 0;

    bool atEnd() const { return tokens_[pos_].kind == TokenKind::End; }
    void skipSemicolons()
    {
        while (tokens_[pos_].isSymbol(";"))
            ++pos_;
    }

    Statement statement(bool batchStart)
    {
        NestingLevel level;  // IF and BEGIN...END blocks nest by recursion
        const Token& first = tokens_[pos_];
        Statement s;
        s.begin = pos_;
        if (first.isWord("IF")) {
            s.kind = Statement::Kind::If;
            s.conditionBegin = ++pos_;
            pos_ = scanEnd(pos_, true);
            s.conditionEnd = pos_;
            if (s.conditionEnd == s.conditionBegin || atEnd())
                throwSyntaxError(tokens_, pos_, s.begin);
            s.body.push_back(statement(false));
            skipSemicolons();
            if (tokens_[pos_].isWord("ELSE")) {
                ++pos_;
                if (atEnd())
                    throwSyntaxError(tokens_, pos_, s.begin);
                s.elseBody.push_back(statement(false));
            }
            s.end = pos_;
            return s;
        }
        if (first.isWord("BEGIN") && !isWordIn(tokens_[pos_ + 1], {"TRAN", "TRANSACTION", "DISTRIBUTED"})) {
            s.kind = Statement::Kind::Block;
            ++pos_;
            skipSemicolons();
            while (!tokens_[pos_].isWord("END")) {
                if (atEnd() || tokens_[pos_].isWord("ELSE"))
                    throwSyntaxError(tokens_, pos_, s.begin);
                s.body.push_back(statement(false));
                skipSemicolons();
            }
            ++pos_;
            s.end = pos_;
            return s;
        }
        if (!startsStatement(first) && !(batchStart && first.isName()))
            throwSyntaxError(tokens_, pos_, s.begin);
        pos_ = isWholeBatch(pos_) ? tokens_.size() - 1 : scanEnd(pos_ + 1, false);
        s.end = pos_;
        return s;
    }

    // CREATE/ALTER PROCEDURE, VIEW, FUNCTION and TRIGGER take the rest of the batch.
    bool isWholeBatch(std::size_t at) const
    {
        if (!tokens_[at].isWord("CREATE") && !tokens_[at].isWord("ALTER"))
            return false;
        return isWordIn(tokens_[at + 1], {"PROCEDURE", "PROC", "VIEW", "FUNCTION", "TRIGGER"});
    }

    // For ALTER TABLE [db.][owner.]name, the index of the token after the name; 0 otherwise.
    std::size_t alterTableAction(std::size_t from) const
    {
        if (!tokens_[from].isWord("TABLE"))
            return 0;
        std::size_t i = from + 1;
        if (tokens_[i].isName())
            ++i;
        while (tokens_[i].isSymbol(".")) {  // Harbor..Orders leaves a part out
            ++i;
            if (tokens_[i].isName())
                ++i;
        }
        return i;
    }

    // The index of the first token after the statement (or condition) starting at 'from'.
    std::size_t scanEnd(std::size_t from, bool condition) const
    {
        const Token& head = tokens_[from - 1];
        const bool isInsert = !condition && head.isWord("INSERT");
        const bool isUpdate = !condition && head.isWord("UPDATE");
        const bool isAlter = !condition && head.isWord("ALTER");
        const bool isCreate = !condition && head.isWord("CREATE");
        const bool isPermission = !condition && isWordIn(head, {"GRANT", "REVOKE", "DENY"});
        const std::size_t alterTableActionAt = isAlter ? alterTableAction(from) : 0;
        bool insertHasSource = false;
        bool updateHasSet = false;
        int depth = 0;
        int caseDepth = 0;
        std::size_t i = from;
        for (; tokens_[i].kind != TokenKind::End; ++i) {
            const Token& t = tokens_[i];
            if (t.isSymbol("(")) {
                ++depth;
                continue;
            }
            if (t.isSymbol(")")) {
                if (depth == 0)
                    throwSyntaxError(tokens_, i, from);
                --depth;
                continue;
            }
            if (depth > 0)
                continue;
            if (t.isSymbol(";"))
                return i;
            if (t.isWord("CASE")) {
                ++caseDepth;
                continue;
            }
            if (t.isWord("END") && caseDepth > 0) {
                --caseDepth;
                continue;
            }
            if (caseDepth > 0)
                continue;  // inside CASE ... END only expression words follow (ELSE among them)
            if (t.isWord("VALUES"))
                insertHasSource = true;
            if (t.kind != TokenKind::Word || !startsStatement(t))
                continue;
            const Token& previous = tokens_[i - 1];
            if (t.isWord("SELECT") && (isWordIn(previous, {"UNION", "ALL", "EXCEPT", "INTERSECT"}) ||
                                       (isInsert && !insertHasSource))) {
                insertHasSource = true;
                continue;
            }
            if ((t.isWord("EXEC") || t.isWord("EXECUTE")) && isInsert && !insertHasSource) {
                insertHasSource = true;
                continue;
            }
            if (t.isWord("SET") && ((isUpdate && !updateHasSet) || isAlter)) {
                updateHasSet = true;
                continue;
            }
            // REFERENCES ... ON DELETE / ON UPDATE inside CREATE or ALTER TABLE; elsewhere (SET NOCOUNT ON
            // UPDATE ...) the word starts the next statement.
            if ((t.isWord("DELETE") || t.isWord("UPDATE")) && previous.isWord("ON") && (isAlter || isCreate))
                continue;
            // ALTER TABLE t DROP CONSTRAINT ... / ALTER COLUMN ...: the action word follows the table name.
            if (i == alterTableActionAt && isWordIn(t, {"DROP", "ALTER"}))
                continue;
            if (t.isWord("ROLLBACK") && previous.isWord("WITH"))  // ALTER DATABASE ... WITH ROLLBACK IMMEDIATE
                continue;
            if (isPermission && isWordIn(t, {"SELECT", "INSERT", "UPDATE", "DELETE", "EXEC", "EXECUTE"}))
                continue;
            return i;
        }
        if (depth > 0)
            throwSyntaxError(tokens_, i, from);
        return i;
    }
};

}  // namespace

bool startsStatement(const Token& token)
{
    if (token.kind != TokenKind::Word)
        return false;
    for (std::string_view w : statementWords)
        if (token.isWord(w))
            return true;
    return false;
}

std::vector<Statement> splitStatements(const std::vector<Token>& tokens)
{
    return Splitter(tokens).all();
}

}  // namespace sandbox
