#include "shell/data/database_columns.h"

#include "shell/data/server_admin_sql.h"

#include <set>

namespace norvane {

using admin_sql::catalogTable;

namespace {

// syscolumns.status bit of an identity column.
constexpr qint64 kIdentityStatus = 0x80;
// syscolumns.xtype of nchar and nvarchar, whose length is kept in bytes.
constexpr int kNVarCharType = 231;
constexpr int kNCharType = 239;
// User-defined types are numbered from here on (256 is sysname, an alias kept by the server).
constexpr int kFirstUserType = 257;
// Tables counted by one statement.
constexpr std::size_t kTablesPerCount = 50;

struct ObjectRef {
    QString name;
    QString owner;
};

// The source text of computed columns (by table and column) and of defaults (by default object).
struct Texts {
    std::map<std::pair<qint64, int>, QString> computed;
    std::map<qint64, QString> defaults;
};

Texts readTexts(Connection& connection, const QString& database)
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
    }
    rows.close();
    return texts;
}

// (table id, column name) of every primary-key column.
std::set<std::pair<qint64, QString>> readPrimaryKeyColumns(Connection& connection, const QString& database)
{
    Recordset rows = connection.execute(
        QStringLiteral("SELECT k.parent_obj AS TableId, c.name AS ColumnName FROM ") + catalogTable(database, "sysobjects")
        + QStringLiteral(" k INNER JOIN ") + catalogTable(database, "sysindexes")
        + QStringLiteral(" i ON i.id = k.parent_obj AND i.name = k.name INNER JOIN ")
        + catalogTable(database, "sysindexkeys") + QStringLiteral(" ik ON ik.id = i.id AND ik.indid = i.indid INNER JOIN ")
        + catalogTable(database, "syscolumns") + QStringLiteral(" c ON c.id = ik.id AND c.colid = ik.colid")
        + QStringLiteral(" WHERE k.xtype = 'PK'"));
    std::set<std::pair<qint64, QString>> keys;
    for (; !rows.eof(); rows.moveNext())
        keys.insert({rows.field(QStringLiteral("TableId")).value().toLongLong(),
                     rows.field(QStringLiteral("ColumnName")).text()});
    rows.close();
    return keys;
}

}  // namespace

DatabaseColumns::DatabaseColumns(ServerAdmin& admin, const QString& database) : database_(database)
{
    if (!admin.isConnected())
        throw DbError(0, QStringLiteral("08003"), QStringLiteral("The server-management object is not logged in."));
    Connection& connection = admin.connection();
    Recordset rows = connection.execute(
        QStringLiteral("SELECT o.id AS ObjectId, o.name AS ObjectName, u.name AS Owner, c.name AS Name, "
                       "t.name AS TypeName, c.xtype AS XType, c.xusertype AS XUserType, c.length AS Length, "
                       "c.xprec AS XPrec, c.xscale AS XScale, c.isnullable AS IsNullable, c.status AS Status, "
                       "c.iscomputed AS IsComputed, c.colid AS ColId, d.name AS DefaultName, "
                       "d.parent_obj AS DefaultParent, d.id AS DefaultId FROM ")
        + catalogTable(database, "syscolumns") + QStringLiteral(" c INNER JOIN ") + catalogTable(database, "sysobjects")
        + QStringLiteral(" o ON o.id = c.id INNER JOIN ") + catalogTable(database, "sysusers")
        + QStringLiteral(" u ON u.uid = o.uid INNER JOIN ") + catalogTable(database, "systypes")
        + QStringLiteral(" t ON t.xusertype = c.xusertype LEFT OUTER JOIN ") + catalogTable(database, "sysobjects")
        + QStringLiteral(" d ON d.id = c.cdefault WHERE o.xtype IN ('U', 'S', 'V') ORDER BY o.id, c.colid"));

    struct Pending {
        std::vector<ColumnProperties>* columns;
        qint64 tableId;
        qint64 defaultId;  // 0 when the column has no default constraint
    };
    std::vector<Pending> pending;
    for (; !rows.eof(); rows.moveNext()) {
        const qint64 objectId = rows.field(QStringLiteral("ObjectId")).value().toLongLong();
        std::vector<ColumnProperties>& columns =
            columns_[{rows.field(QStringLiteral("ObjectName")).text(), rows.field(QStringLiteral("Owner")).text()}];
        ColumnProperties column;
        column.Name = rows.field(QStringLiteral("Name")).text();
        column.Datatype = rows.field(QStringLiteral("TypeName")).text();
        column.UserDefinedType = rows.field(QStringLiteral("XUserType")).value().toInt() >= kFirstUserType;
        const int physicalType = rows.field(QStringLiteral("XType")).value().toInt();
        column.Length = rows.field(QStringLiteral("Length")).value().toInt();
        if ((physicalType == kNVarCharType || physicalType == kNCharType) && column.Length > 0)
            column.Length /= 2;  // declared in characters of two bytes each
        column.NumericPrecision = rows.field(QStringLiteral("XPrec")).value().toInt();
        column.NumericScale = rows.field(QStringLiteral("XScale")).value().toInt();
        column.AllowNulls = rows.field(QStringLiteral("IsNullable")).value().toInt() == 1;
        column.Identity = (rows.field(QStringLiteral("Status")).value().toLongLong() & kIdentityStatus) != 0;
        column.IsComputed = rows.field(QStringLiteral("IsComputed")).value().toInt() == 1;
        column.ColumnId = rows.field(QStringLiteral("ColId")).value().toInt();
        qint64 defaultId = 0;
        if (!rows.field(QStringLiteral("DefaultName")).isNull()) {
            // A default constraint belongs to the table; a bound default stands alone (parent 0).
            if (rows.field(QStringLiteral("DefaultParent")).value().toLongLong() != 0) {
                column.DRIDefaultName = rows.field(QStringLiteral("DefaultName")).text();
                defaultId = rows.field(QStringLiteral("DefaultId")).value().toLongLong();
            } else {
                column.Default = rows.field(QStringLiteral("DefaultName")).text();
            }
        }
        columns.push_back(std::move(column));
        pending.push_back({&columns, objectId, defaultId});
    }
    rows.close();

    const Texts texts = readTexts(connection, database);
    const std::set<std::pair<qint64, QString>> keys = readPrimaryKeyColumns(connection, database);
    // The pointers into the map's vectors stay valid: every column was added before this pass.
    std::map<std::vector<ColumnProperties>*, std::size_t> seen;
    for (const Pending& entry : pending) {
        ColumnProperties& column = (*entry.columns)[seen[entry.columns]++];
        if (column.IsComputed) {
            const auto text = texts.computed.find({entry.tableId, column.ColumnId});
            if (text != texts.computed.end())
                column.ComputedText = text->second;
        }
        if (entry.defaultId != 0) {
            const auto text = texts.defaults.find(entry.defaultId);
            if (text != texts.defaults.end())
                column.DRIDefaultText = text->second;
        }
        column.InPrimaryKey = keys.count({entry.tableId, column.Name}) > 0;
    }
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
