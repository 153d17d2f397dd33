#include "shell/data/database_columns.h"

#include "shell/data/server_admin_sql.h"

#include <set>

namespace norvane {

using admin_sql::catalogTable;

namespace {

// sysobjects.category bit of an object shipped with the server.
constexpr qint64 kShippedCategory = 2;
// Tables counted by one statement.
constexpr std::size_t kTablesPerCount = 50;

QString columnsQuery(const QString& database, bool withViews)
{
    return QStringLiteral("SELECT o.id AS ObjectId, o.name AS ObjectName, u.name AS Owner, o.xtype AS ObjectType, "
                          "o.category AS Category, c.name AS Name, t.name AS TypeName, c.xtype AS XType, "
                          "c.xusertype AS XUserType, c.length AS Length, c.xprec AS XPrec, c.xscale AS XScale, "
                          "c.isnullable AS IsNullable, c.status AS Status, c.iscomputed AS IsComputed, "
                          "c.colid AS ColId, d.name AS DefaultName, d.parent_obj AS DefaultParent, "
                          "d.id AS DefaultId FROM ")
        + catalogTable(database, "sysobjects") + QStringLiteral(" o INNER JOIN ") + catalogTable(database, "sysusers")
        + QStringLiteral(" u ON u.uid = o.uid INNER JOIN ") + catalogTable(database, "syscolumns")
        + QStringLiteral(" c ON c.id = o.id INNER JOIN ") + catalogTable(database, "systypes")
        + QStringLiteral(" t ON t.xusertype = c.xusertype LEFT OUTER JOIN ") + catalogTable(database, "sysobjects")
        + QStringLiteral(" d ON d.id = c.cdefault WHERE o.xtype IN ")
        + (withViews ? QStringLiteral("('U', 'S', 'V')") : QStringLiteral("('U', 'S')"))
        + QStringLiteral(" ORDER BY o.name, u.name, c.colid");
}

// The source text of computed columns (by table and column) and of defaults (by default object).
struct Texts {
    std::map<std::pair<qint64, int>, QString> computed;
    std::map<qint64, QString> defaults;
};

Texts readTexts(Connection& connection, const QString& database, const std::function<void()>& eachRow)
{
    Recordset rows = connection.execute(
        QStringLiteral("SELECT m.id AS Id, m.number AS Number, m.text AS Text, o.xtype AS XType FROM ")
        + catalogTable(database, "syscomments") + QStringLiteral(" m INNER JOIN ") + catalogTable(database, "sysobjects")
        + QStringLiteral(" o ON o.id = m.id WHERE o.xtype IN ('U', 'D') ORDER BY m.id, m.number, m.colid"));
    Texts texts;
    for (; !rows.eof(); rows.moveNext()) {
        const qint64 id = rows.field(QStringLiteral("Id")).value().toLongLong();
        const QString chunk = rows.field(QStringLiteral("Text")).text();
        if (rows.field(QStringLiteral("XType")).text().trimmed() == QLatin1String("U"))
            texts.computed[{id, rows.field(QStringLiteral("Number")).value().toInt()}] += chunk;
        else
            texts.defaults[id] += chunk;
        if (eachRow)
            eachRow();
    }
    rows.close();
    return texts;
}

// (table id, column name) of every primary-key column.
std::set<std::pair<qint64, QString>> readPrimaryKeyColumns(Connection& connection, const QString& database,
                                                           const std::function<void()>& eachRow)
{
    Recordset rows = connection.execute(
        QStringLiteral("SELECT k.parent_obj AS TableId, c.name AS ColumnName FROM ") + catalogTable(database, "sysobjects")
        + QStringLiteral(" k INNER JOIN ") + catalogTable(database, "sysindexes")
        + QStringLiteral(" i ON i.id = k.parent_obj AND i.name = k.name INNER JOIN ")
        + catalogTable(database, "sysindexkeys") + QStringLiteral(" ik ON ik.id = i.id AND ik.indid = i.indid INNER JOIN ")
        + catalogTable(database, "syscolumns") + QStringLiteral(" c ON c.id = ik.id AND c.colid = ik.colid")
        + QStringLiteral(" WHERE k.xtype = 'PK'"));
    std::set<std::pair<qint64, QString>> keys;
    for (; !rows.eof(); rows.moveNext()) {
        keys.insert({rows.field(QStringLiteral("TableId")).value().toLongLong(),
                     rows.field(QStringLiteral("ColumnName")).text()});
        if (eachRow)
            eachRow();
    }
    rows.close();
    return keys;
}

}  // namespace

std::vector<TableStructure> readTableStructures(ServerAdmin& admin, const QString& database,
                                                const std::function<void()>& eachRow, bool withViews)
{
    if (!admin.isConnected())
        throw DbError(0, QStringLiteral("08003"), QStringLiteral("The server-management object is not logged in."));
    Connection& connection = admin.connection();

    std::vector<TableStructure> tables;
    std::vector<qint64> tableIds;                 // beside tables
    std::vector<std::vector<qint64>> defaultIds;  // beside each table's columns; 0 for no default constraint
    Recordset rows = connection.execute(columnsQuery(database, withViews));
    for (; !rows.eof(); rows.moveNext()) {
        const qint64 id = rows.field(QStringLiteral("ObjectId")).value().toLongLong();
        if (tableIds.empty() || id != tableIds.back()) {  // a table's rows come together, in column order
            TableStructure table;
            table.Name = rows.field(QStringLiteral("ObjectName")).text();
            table.Owner = rows.field(QStringLiteral("Owner")).text();
            const qint64 category = rows.field(QStringLiteral("Category")).value().toLongLong();
            table.SystemObject = rows.field(QStringLiteral("ObjectType")).text().trimmed() == QLatin1String("S")
                || (category & kShippedCategory) != 0;
            tables.push_back(std::move(table));
            tableIds.push_back(id);
            defaultIds.emplace_back();
        }
        ColumnProperties column = admin_sql::columnOfCatalogRow(rows);
        defaultIds.back().push_back(
            column.DRIDefaultName.isEmpty() ? 0 : rows.field(QStringLiteral("DefaultId")).value().toLongLong());
        tables.back().Columns.push_back(std::move(column));
        if (eachRow)
            eachRow();
    }
    rows.close();

    const Texts texts = readTexts(connection, database, eachRow);
    const std::set<std::pair<qint64, QString>> keys = readPrimaryKeyColumns(connection, database, eachRow);
    for (std::size_t t = 0; t < tables.size(); ++t) {
        for (std::size_t c = 0; c < tables[t].Columns.size(); ++c) {
            ColumnProperties& column = tables[t].Columns[c];
            if (column.IsComputed) {
                const auto text = texts.computed.find({tableIds[t], column.ColumnId});
                if (text != texts.computed.end())
                    column.ComputedText = text->second;
            }
            const auto text = texts.defaults.find(defaultIds[t][c]);
            if (text != texts.defaults.end())
                column.DRIDefaultText = text->second;
            column.InPrimaryKey = keys.count({tableIds[t], column.Name}) > 0;
        }
    }
    return tables;
}

DatabaseColumns::DatabaseColumns(ServerAdmin& admin, const QString& database) : database_(database)
{
    for (TableStructure& table : readTableStructures(admin, database, {}, true))
        columns_[{table.Name, table.Owner}] = std::move(table.Columns);
}

const std::vector<ColumnProperties>& DatabaseColumns::columnsOf(const QString& name, const QString& owner) const
{
    if (!owner.isEmpty()) {
        const auto found = columns_.find({name, owner});
        if (found != columns_.end())
            return found->second;
    } else {
        const auto dbo = columns_.find({name, QStringLiteral("dbo")});
        if (dbo != columns_.end())
            return dbo->second;
        const auto any = columns_.lower_bound({name, QString()});
        if (any != columns_.end() && any->first.name == name)
            return any->second;
    }
    const QString shown = owner.isEmpty() ? name : owner + QLatin1Char('.') + name;
    throw DbError(208, QStringLiteral("42S02"), QStringLiteral("Invalid object name '") + shown
                                                    + QStringLiteral("' in database '") + database_
                                                    + QStringLiteral("'."));
}

std::vector<qint64> countTableRows(ServerAdmin& admin, const QString& database, const std::vector<CatalogObject>& tables)
{
    std::vector<qint64> counts(tables.size(), 0);
    for (std::size_t first = 0; first < tables.size(); first += kTablesPerCount) {
        const std::size_t last = std::min(tables.size(), first + kTablesPerCount);
        QString sql;
        for (std::size_t index = first; index < last; ++index) {
            if (!sql.isEmpty())
                sql += QStringLiteral(" UNION ALL ");
            sql += QStringLiteral("SELECT ") + QString::number(index) + QStringLiteral(" AS Position, COUNT_BIG(*) AS Rows FROM ")
                + bracketed(database) + QLatin1Char('.') + bracketed(tables[index].Owner) + QLatin1Char('.')
                + bracketed(tables[index].Name);
        }
        Recordset rows = admin.connection().execute(sql);
        for (; !rows.eof(); rows.moveNext()) {
            const qint64 position = rows.field(QStringLiteral("Position")).value().toLongLong();
            if (position >= 0 && position < static_cast<qint64>(counts.size()))
                counts[position] = rows.field(QStringLiteral("Rows")).value().toLongLong();
        }
        rows.close();
    }
    return counts;
}

}  // namespace norvane
