#pragma once
// The columns of every table and view of a database, read through the
// server-management connection in three catalog queries whatever the number of
// tables, for reports that walk many tables; and the row counts of many tables
// in a few statements. The facts are those ServerAdmin::columns gives one table
// at a time (identity seed and increment aside).
#include "shell/data/server_admin.h"

#include <QString>

#include <map>
#include <vector>

namespace norvane {

class DatabaseColumns {
public:
    // Reads the catalog of the database. Throws DbError.
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
