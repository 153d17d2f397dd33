#pragma once
// CREATE TABLE and ALTER TABLE: the parsed definition, its catalog rows and the SQLite table behind it.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <sqlite3.h>

#include "catalog/parser.h"
#include "catalog/types.h"

namespace sandbox::catalog {

struct ColumnDefinition {
    std::string name;
    ColumnTypeInfo type;
    std::optional<bool> nullable;  // as written; unset means SQL Server's default
    bool identity = false;
    std::int64_t seed = 1;
    std::int64_t increment = 1;
    bool computed = false;
    std::size_t expressionBegin = 0;  // computed column expression
    std::size_t expressionEnd = 0;
    bool hasDefault = false;
    std::string defaultName;
    std::size_t defaultBegin = 0;
    std::size_t defaultEnd = 0;
};

enum class ConstraintKind { PrimaryKey, Unique, ForeignKey, Check, Default };

struct ConstraintDefinition {
    ConstraintKind kind = ConstraintKind::Check;
    std::string name;                  // empty: SQL Server makes one up
    std::vector<std::string> columns;  // key columns; for a column-level constraint its column
    bool columnLevel = false;
    std::optional<bool> clustered;
    QualifiedName referencedTable;
    std::vector<std::string> referencedColumns;
    bool deleteCascade = false;
    bool updateCascade = false;
    std::size_t expressionBegin = 0;  // CHECK condition or DEFAULT value
    std::size_t expressionEnd = 0;
};

struct TableDefinition {
    QualifiedName name;
    std::vector<ColumnDefinition> columns;
    std::vector<ConstraintDefinition> constraints;
};

// Reads one column definition with its column-level constraints ("Qty int NOT NULL CHECK (Qty > 0)").
void parseColumnDefinition(sqlite3* db, Cursor& cursor, TableDefinition& table);
// Reads a table-level constraint when the cursor is at CONSTRAINT, PRIMARY, UNIQUE, FOREIGN or CHECK.
bool parseTableConstraint(Cursor& cursor, TableDefinition& table);

class TableWriter {
public:
    TableWriter(sqlite3* db, const std::vector<Token>& tokens) : db_(db), tokens_(tokens) {}

    std::int64_t createTable(const TableDefinition& table, int uid);
    // ALTER TABLE: the catalog rows first, then rebuildSqliteTable.
    void addColumn(std::int64_t tableId, const std::string& tableName, const ColumnDefinition& column);
    // Returns the new constraint's object id.
    std::int64_t addConstraint(std::int64_t tableId, const std::string& tableName, const ConstraintDefinition& constraint);
    // ALTER TABLE ... WITH CHECK: the rows already there must satisfy a new CHECK or FOREIGN KEY (547 otherwise).
    void checkExistingRows(std::int64_t constraintId, const std::string& tableName);
    void dropColumn(std::int64_t tableId, const std::string& tableName, const std::string& column);
    void rebuildSqliteTable(std::int64_t tableId, const std::string& tableName);

private:
    int columnId(std::int64_t tableId, const std::string& tableName, const std::string& column);
    void insertColumnRows(std::int64_t tableId, const std::string& tableName, const ColumnDefinition& column, int colid,
                          bool nullable);
    std::int64_t addKey(std::int64_t tableId, const std::string& tableName, const ConstraintDefinition& constraint);
    std::int64_t addForeignKey(std::int64_t tableId, const std::string& tableName, const ConstraintDefinition& constraint);
    std::int64_t addCheck(std::int64_t tableId, const std::string& tableName, const ConstraintDefinition& constraint);
    std::int64_t addDefault(std::int64_t tableId, const std::string& tableName, const std::string& column, const std::string& name,
                    std::size_t begin, std::size_t end);
    // withExpressions false leaves out defaults, checks and computed expressions, for when SQLite refuses one.
    std::string sqliteTableDefinition(std::int64_t tableId, const std::string& sqliteName, bool withExpressions);
    // The name of the clustered key that orders the SQLite table's rows, when the table can be kept so.
    std::optional<std::string> rowOrderingKey(std::int64_t tableId);
    void createSqliteTable(std::int64_t tableId, const std::string& sqliteName);
    void createSqliteTriggers(std::int64_t tableId, const std::string& tableName);
    void createTimestampTriggers(std::int64_t tableId, const std::string& tableName);
    std::int64_t uniqueConstraintName(const std::string& name);

    sqlite3* db_;
    const std::vector<Token>& tokens_;
    int uid_ = 1;
};

// The SQL Server type text of a syscolumns row, as declared on the SQLite column ("varchar(40)", "decimal(10,2)").
std::string declaredTypeText(int xtype, int xusertype, int length, int xprec, int xscale);

// Current row count of a user table.
std::int64_t tableRowCount(sqlite3* db, const std::string& tableName);

// SQL Server's error for a unique index over duplicate rows: 1505 with the first duplicate key found.
SqlError duplicateKeyError(sqlite3* db, const std::string& tableName, const std::vector<std::string>& columns, int indid);
// The same for whichever PRIMARY KEY or UNIQUE index of a catalogued table its rows break; nullopt when none.
std::optional<SqlError> brokenKeyError(sqlite3* db, std::int64_t tableId, const std::string& tableName);

// SQLite's name for a SQL Server index, unique in the file.
std::string sqliteIndexName(const std::string& table, const std::string& index);

}  // namespace sandbox::catalog
