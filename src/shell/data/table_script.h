#pragma once
// The creation script of a table, built from plain facts about it: a drop
// guarded by an existence test, CREATE TABLE with every column, then the
// primary key, unique keys, foreign keys, defaults and checks, each batch
// ended by "GO". Lines end in CR LF; columns are indented with a tab.
#include <QString>
#include <QStringList>

#include <vector>

namespace norvane {

struct ScriptColumn {
    QString name;
    QString typeName;              // the type as declared: a system type or a user-defined type's name
    bool userDefinedType = false;  // a user-defined type carries its own length: none is written
    int length = 0;                // declared length: characters for char types, bytes for binary; -1 = max
    int precision = 0;
    int scale = 0;
    bool allowNulls = true;
    bool identity = false;
    qint64 identitySeed = 1;
    qint64 identityIncrement = 1;
    bool computed = false;
    QString computedText;          // as the catalog keeps it, e.g. "([Quantity] * [UnitPrice])"
};

struct ScriptKey {
    QString name;
    bool primary = false;          // else a unique key
    bool clustered = false;
    QStringList columns;           // in key order
};

struct ScriptForeignKey {
    QString name;
    QStringList columns;
    QString referencedOwner;
    QString referencedTable;
    QStringList referencedColumns;
};

struct ScriptDefault {
    QString name;
    QString column;
    QString text;                  // as the catalog keeps it, e.g. "(0)" or "(getdate())"
};

struct ScriptCheck {
    QString name;
    QString text;                  // as the catalog keeps it, e.g. "([Quantity] > 0)"
};

struct TableDefinition {
    QString owner;
    QString name;
    std::vector<ScriptColumn> columns;
    std::vector<ScriptKey> keys;   // the primary key and the unique keys, in any order
    std::vector<ScriptForeignKey> foreignKeys;
    std::vector<ScriptDefault> defaults;
    std::vector<ScriptCheck> checks;
};

// "[int]", "[nvarchar] (50)", "[varchar] (max)", "[decimal] (10, 2)", "[MyType]".
QString columnTypeText(const ScriptColumn& column);

QString BuildTableScript(const TableDefinition& table);


}  // namespace norvane
