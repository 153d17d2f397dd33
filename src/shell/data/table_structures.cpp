#include "shell/data/table_structures.h"

#include "shell/data/server_admin_sql.h"

#include <QHash>

namespace norvane {

using admin_sql::catalogTable;

namespace {

// The same catalog facts ServerAdmin reads for one table's columns.
constexpr qint64 kIdentityStatus = 0x80;     // syscolumns.status bit of an identity column
constexpr qint64 kShippedCategory = 2;       // sysobjects.category bit of an object shipped with the server
constexpr int kNVarCharType = 231;           // nvarchar and nchar keep their length in bytes
constexpr int kNCharType = 239;
constexpr int kFirstUserType = 257;          // user-defined types are numbered from here on

QString columnsQuery(const QString& database)
{
    return QStringLiteral("SELECT o.id AS TableId, o.name AS TableName, u.name AS Owner, o.xtype AS TableType, "
                          "o.category AS Category, c.name AS Name, t.name AS TypeName, c.xtype AS XType, "
                          "c.xusertype AS XUserType, c.length AS Length, c.xprec AS XPrec, c.xscale AS XScale, "
                          "c.isnullable AS IsNullable, c.status AS Status, c.iscomputed AS IsComputed, "
                          "c.colid AS ColId, d.name AS DefaultName, d.parent_obj AS DefaultParent FROM ")
        + catalogTable(database, "sysobjects") + QStringLiteral(" o INNER JOIN ") + catalogTable(database, "sysusers")
        + QStringLiteral(" u ON u.uid = o.uid INNER JOIN ") + catalogTable(database, "syscolumns")
        + QStringLiteral(" c ON c.id = o.id INNER JOIN ") + catalogTable(database, "systypes")
        + QStringLiteral(" t ON t.xusertype = c.xusertype LEFT OUTER JOIN ") + catalogTable(database, "sysobjects")
        + QStringLiteral(" d ON d.id = c.cdefault WHERE o.xtype IN ('U', 'S') ORDER BY o.name, u.name, c.colid");
}

QString computedTextsQuery(const QString& database)
{
    return QStringLiteral("SELECT m.id AS Id, m.number AS Number, m.text AS Text FROM ")
        + catalogTable(database, "syscomments") + QStringLiteral(" m WHERE m.id IN (SELECT c.id FROM ")
        + catalogTable(database, "syscolumns") + QStringLiteral(" c WHERE c.iscomputed = 1) ORDER BY m.id, m.number, m.colid");
}

ColumnProperties columnOf(const Recordset& rows)
{
    ColumnProperties column;
    column.Name = rows.field(QStringLiteral("Name")).text();
    column.Datatype = rows.field(QStringLiteral("TypeName")).text();
    column.UserDefinedType = rows.field(QStringLiteral("XUserType")).value().toInt() >= kFirstUserType;
    const int physicalType = rows.field(QStringLiteral("XType")).value().toInt();
    column.Length = rows.field(QStringLiteral("Length")).value().toInt();
    if ((physicalType == kNVarCharType || physicalType == kNCharType) && column.Length > 0)
        column.Length /= 2;
    column.NumericPrecision = rows.field(QStringLiteral("XPrec")).value().toInt();
    column.NumericScale = rows.field(QStringLiteral("XScale")).value().toInt();
    column.AllowNulls = rows.field(QStringLiteral("IsNullable")).value().toInt() == 1;
    column.Identity = (rows.field(QStringLiteral("Status")).value().toLongLong() & kIdentityStatus) != 0;
    column.IsComputed = rows.field(QStringLiteral("IsComputed")).value().toInt() == 1;
    column.ColumnId = rows.field(QStringLiteral("ColId")).value().toInt();
    if (!rows.field(QStringLiteral("DefaultName")).isNull()) {
        // A default constraint belongs to the table; a bound default stands alone (parent 0).
        if (rows.field(QStringLiteral("DefaultParent")).value().toLongLong() != 0)
            column.DRIDefaultName = rows.field(QStringLiteral("DefaultName")).text();
        else
            column.Default = rows.field(QStringLiteral("DefaultName")).text();
    }
    return column;
}

}  // namespace

std::vector<TableStructure> readTableStructures(ServerAdmin& admin, const QString& database,
                                                const std::function<void()>& eachRow)
{
    if (!admin.isConnected())
        throw DbError(0, QStringLiteral("08003"), QStringLiteral("The server-management object is not logged in."));
    Connection& connection = admin.connection();

    std::vector<TableStructure> tables;
    QHash<qint64, std::size_t> tableById;
    qint64 lastId = 0;
    Recordset rows = connection.execute(columnsQuery(database));
    for (; !rows.eof(); rows.moveNext()) {
        const qint64 id = rows.field(QStringLiteral("TableId")).value().toLongLong();
        if (tables.empty() || id != lastId) {  // a table's rows come together, in column order
            lastId = id;
            TableStructure table;
            table.Name = rows.field(QStringLiteral("TableName")).text();
            table.Owner = rows.field(QStringLiteral("Owner")).text();
            const qint64 category = rows.field(QStringLiteral("Category")).value().toLongLong();
            table.SystemObject = rows.field(QStringLiteral("TableType")).text().trimmed() == QLatin1String("S")
                || (category & kShippedCategory) != 0;
            tableById.insert(id, tables.size());
            tables.push_back(std::move(table));
        }
        tables.back().Columns.push_back(columnOf(rows));
        if (eachRow)
            eachRow();
    }
    rows.close();

    Recordset texts = connection.execute(computedTextsQuery(database));
    for (; !texts.eof(); texts.moveNext()) {
        const auto table = tableById.constFind(texts.field(QStringLiteral("Id")).value().toLongLong());
        if (table != tableById.constEnd()) {
            const int columnId = texts.field(QStringLiteral("Number")).value().toInt();
            for (ColumnProperties& column : tables[*table].Columns) {
                if (column.ColumnId == columnId && column.IsComputed)
                    column.ComputedText += texts.field(QStringLiteral("Text")).text();
            }
        }
        if (eachRow)
            eachRow();
    }
    texts.close();
    return tables;
}

}  // namespace norvane
