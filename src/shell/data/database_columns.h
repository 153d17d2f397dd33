#pragma once
// The columns of every table (and view) of a database, read through the
// server-management connection in a few catalog queries whatever the number of
// tables, for work that walks many tables: comparing two databases, reports.
// The facts are those ServerAdmin::columns gives one table at a time (identity
// seed and increment aside); and the row counts of many tables in a few statements.
#include "shell/data/server_admin.h"

#include <QString>

#include <functional>
#include <map>
#include <vector>

namespace norvane {

// One table or view with its columns, in column order.
struct TableStructure {
    QString Name;
    QString Owner;
    bool SystemObject = false;
    std::vector<ColumnProperties> Columns;
};

// The database's tables (with views, when asked) in the order ServerAdmin::tables
// lists them (name, then owner), system tables included and flagged. `eachRow`,
// when given, is called after every row received (a window keeps repainting
// through it). Throws DbError.
std::vector<TableStructure> readTableStructures(ServerAdmin& admin, const QString& database,
                                                const std::function<void()>& eachRow = {}, bool withViews = false);

class DatabaseColumns {
public:
    // Reads the catalog of the database's tables and views. Throws DbError.
    DatabaseColumns(ServerAdmin& admin, const QString& database);

    // The columns of the table or view, in table order; an empty owner prefers dbo,
    // then any owner. Throws DbError (208, "Invalid object name ...") when there is none.
    const std::vector<ColumnProperties>& columnsOf(const QString& name, const QString& owner = QString()) const;

private:
    struct Key {
        QString name;
        QString owner;
        bool operator<(const Key& other) const
        {
            return name != other.name ? name < other.name : owner < other.owner;
        }
    };
    QString database_;
    std::map<Key, std::vector<ColumnProperties>> columns_;
};

// Rows in each table, counted exactly, in the order of the tables given. Throws DbError.
std::vector<qint64> countTableRows(ServerAdmin& admin, const QString& database,
                                   const std::vector<CatalogObject>& tables);

}  // namespace norvane
