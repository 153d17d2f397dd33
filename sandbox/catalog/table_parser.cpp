// Reading CREATE TABLE column definitions and table constraints.
#include <algorithm>

#include "catalog/tables.h"

namespace sandbox::catalog {

namespace {

bool isConstraintStart(const Cursor& cursor)
{
    const Token& token = cursor.peek();
    for (const char* word : {"CONSTRAINT", "PRIMARY", "UNIQUE", "REFERENCES", "FOREIGN", "CHECK", "NULL", "IDENTITY",
                             "COLLATE", "ROWGUIDCOL", "DEFAULT"})
        if (token.isWord(word))
            return true;
    return token.isWord("NOT") && (cursor.peek(1).isWord("NULL") || cursor.peek(1).isWord("FOR"));
}

// The end of an expression that runs to the next ',' or ')' at its own level, or to a constraint keyword.
std::size_t expressionEnd(const Cursor& cursor, bool stopAtConstraint)
{
    Cursor probe = cursor;
    int depth = 0;
    bool first = true;
    while (!probe.atEnd()) {
        const Token& token = probe.peek();
        if (depth == 0 && (token.isSymbol(",") || token.isSymbol(")")))
            break;
        if (depth == 0 && !first && stopAtConstraint && isConstraintStart(probe))
            break;
        if (token.isSymbol("("))
            ++depth;
        else if (token.isSymbol(")"))
            --depth;
        ++probe.pos;
        first = false;
    }
    return probe.pos;
}

std::int64_t signedNumber(Cursor& cursor)
{
    const bool negative = cursor.acceptSymbol("-");
    if (!negative)
        cursor.acceptSymbol("+");
    if (cursor.peek().kind != TokenKind::Number)
        throw cursor.error();
    const std::int64_t value = std::stoll(cursor.tokens[cursor.pos++].text);
    return negative ? -value : value;
}

void skipIndexOptions(Cursor& cursor)
{
    if (cursor.acceptWord("WITH")) {
        if (cursor.peek().isSymbol("(")) {
            cursor.parenthesized();
        } else {
            do {
                cursor.name();
                if (cursor.acceptSymbol("="))
                    ++cursor.pos;
            } while (cursor.acceptSymbol(","));
        }
    }
    if (cursor.peek().isWord("ON") && !cursor.peek(1).isWord("DELETE") && !cursor.peek(1).isWord("UPDATE")) {
        ++cursor.pos;
        cursor.name();
    }
}

void readReferentialActions(Cursor& cursor, ConstraintDefinition& constraint)
{
    for (;;) {
        if (cursor.peek().isWord("ON") && (cursor.peek(1).isWord("DELETE") || cursor.peek(1).isWord("UPDATE"))) {
            ++cursor.pos;
            const bool onDelete = cursor.acceptWord("DELETE");
            if (!onDelete)
                cursor.expectWord("UPDATE");
            if (cursor.acceptWord("CASCADE")) {
                (onDelete ? constraint.deleteCascade : constraint.updateCascade) = true;
            } else {
                cursor.expectWord("NO");
                cursor.expectWord("ACTION");
            }
        } else if (cursor.peek().isWord("NOT") && cursor.peek(1).isWord("FOR")) {
            cursor.pos += 2;
            cursor.expectWord("REPLICATION");
        } else {
            return;
        }
    }
}

void readClustering(Cursor& cursor, ConstraintDefinition& constraint)
{
    if (cursor.acceptWord("CLUSTERED"))
        constraint.clustered = true;
    else if (cursor.acceptWord("NONCLUSTERED"))
        constraint.clustered = false;
}

void readCheck(Cursor& cursor, ConstraintDefinition& constraint)
{
    constraint.kind = ConstraintKind::Check;
    if (cursor.peek().isWord("NOT") && cursor.peek(1).isWord("FOR")) {
        cursor.pos += 2;
        cursor.expectWord("REPLICATION");
    }
    const std::size_t open = cursor.pos;
    cursor.parenthesized();
    // The stored text is the whole parenthesised condition.
    constraint.expressionBegin = open;
    constraint.expressionEnd = cursor.pos;
}

}  // namespace

void parseColumnDefinition(sqlite3* db, Cursor& cursor, TableDefinition& table)
{
    ColumnDefinition column;
    column.name = cursor.name();
    if (cursor.acceptWord("AS")) {
        column.computed = true;
        column.expressionBegin = cursor.pos;
        cursor.pos = expressionEnd(cursor, false);
        column.expressionEnd = cursor.pos;
        if (column.expressionBegin == column.expressionEnd)
            throw cursor.error();
        table.columns.push_back(column);
        return;
    }
    column.type = parseColumnType(db, cursor.tokens, cursor.pos, cursor.end);
    std::string pendingName;
    for (;;) {
        if (cursor.acceptWord("COLLATE")) {
            cursor.name();
        } else if (cursor.acceptWord("IDENTITY")) {
            column.identity = true;
            if (cursor.acceptSymbol("(")) {
                column.seed = signedNumber(cursor);
                cursor.expectSymbol(",");
                column.increment = signedNumber(cursor);
                cursor.expectSymbol(")");
            }
        } else if (cursor.peek().isWord("NOT") && cursor.peek(1).isWord("FOR")) {
            cursor.pos += 2;
            cursor.expectWord("REPLICATION");
        } else if (cursor.acceptWord("ROWGUIDCOL")) {
        } else if (cursor.acceptWord("NULL")) {
            column.nullable = true;
        } else if (cursor.peek().isWord("NOT") && cursor.peek(1).isWord("NULL")) {
            cursor.pos += 2;
            column.nullable = false;
        } else if (cursor.acceptWord("CONSTRAINT")) {
            pendingName = cursor.name();
        } else if (cursor.acceptWord("DEFAULT")) {
            column.hasDefault = true;
            column.defaultName = pendingName;
            pendingName.clear();
            column.defaultBegin = cursor.pos;
            cursor.pos = expressionEnd(cursor, true);
            column.defaultEnd = cursor.pos;
            if (column.defaultBegin == column.defaultEnd)
                throw cursor.error();
        } else if (cursor.peek().isWord("PRIMARY") || cursor.peek().isWord("UNIQUE")) {
            ConstraintDefinition constraint;
            constraint.kind = cursor.acceptWord("UNIQUE") ? ConstraintKind::Unique : ConstraintKind::PrimaryKey;
            if (constraint.kind == ConstraintKind::PrimaryKey) {
                cursor.expectWord("PRIMARY");
                cursor.expectWord("KEY");
            }
            constraint.name = pendingName;
            pendingName.clear();
            constraint.columnLevel = true;
            constraint.columns = {column.name};
            readClustering(cursor, constraint);
            skipIndexOptions(cursor);
            table.constraints.push_back(constraint);
        } else if (cursor.peek().isWord("FOREIGN") || cursor.peek().isWord("REFERENCES")) {
            ConstraintDefinition constraint;
            constraint.kind = ConstraintKind::ForeignKey;
            if (cursor.acceptWord("FOREIGN"))
                cursor.expectWord("KEY");
            cursor.expectWord("REFERENCES");
            constraint.name = pendingName;
            pendingName.clear();
            constraint.columnLevel = true;
            constraint.columns = {column.name};
            constraint.referencedTable = cursor.qualifiedName();
            if (cursor.peek().isSymbol("("))
                constraint.referencedColumns = nameList(cursor, false);
            readReferentialActions(cursor, constraint);
            table.constraints.push_back(constraint);
        } else if (cursor.acceptWord("CHECK")) {
            ConstraintDefinition constraint;
            constraint.name = pendingName;
            pendingName.clear();
            constraint.columnLevel = true;
            constraint.columns = {column.name};
            readCheck(cursor, constraint);
            table.constraints.push_back(constraint);
        } else {
            break;
        }
    }
    if (!pendingName.empty())
        throw cursor.error();
    table.columns.push_back(column);
}

bool parseTableConstraint(Cursor& cursor, TableDefinition& table)
{
    const Token& token = cursor.peek();
    if (!token.isWord("CONSTRAINT") && !token.isWord("PRIMARY") && !token.isWord("UNIQUE") && !token.isWord("FOREIGN") &&
        !token.isWord("CHECK") && !token.isWord("DEFAULT"))
        return false;
    ConstraintDefinition constraint;
    if (cursor.acceptWord("CONSTRAINT"))
        constraint.name = cursor.name();
    if (cursor.acceptWord("PRIMARY") || cursor.peek().isWord("UNIQUE")) {
        if (cursor.acceptWord("UNIQUE")) {
            constraint.kind = ConstraintKind::Unique;
        } else {
            cursor.expectWord("KEY");
            constraint.kind = ConstraintKind::PrimaryKey;
        }
        readClustering(cursor, constraint);
        constraint.columns = nameList(cursor, true);
        skipIndexOptions(cursor);
    } else if (cursor.acceptWord("FOREIGN")) {
        cursor.expectWord("KEY");
        constraint.kind = ConstraintKind::ForeignKey;
        constraint.columns = nameList(cursor, false);
        cursor.expectWord("REFERENCES");
        constraint.referencedTable = cursor.qualifiedName();
        if (cursor.peek().isSymbol("("))
            constraint.referencedColumns = nameList(cursor, false);
        readReferentialActions(cursor, constraint);
    } else if (cursor.acceptWord("CHECK")) {
        readCheck(cursor, constraint);
    } else if (cursor.acceptWord("DEFAULT")) {
        constraint.kind = ConstraintKind::Default;
        constraint.expressionBegin = cursor.pos;
        while (!cursor.atEnd() && !cursor.peek().isWord("FOR")) {
            if (cursor.peek().isSymbol("("))
                cursor.parenthesized();
            else
                ++cursor.pos;
        }
        constraint.expressionEnd = cursor.pos;
        cursor.expectWord("FOR");
        constraint.columns = {cursor.name()};
        constraint.columnLevel = true;
        if (constraint.expressionBegin == constraint.expressionEnd)
            throw cursor.error();
    } else {
        throw cursor.error();
    }
    table.constraints.push_back(constraint);
    return true;
}

}  // namespace sandbox::catalog
