// A table's columns, keys and constraints read from the catalog of its database.
#include "shell/data/server_admin.h"

#include "shell/data/server_admin_sql.h"

#include <map>

namespace norvane {

using admin_sql::bracketed;
using admin_sql::catalogTable;
using admin_sql::unicodeLiteral;

namespace {

// sysindexes.status bit of a clustered index.
constexpr qint64 kClusteredIndexStatus = 16;

// The source text of a table's computed columns and of its default and check constraints.
struct CatalogTexts {
    std::map<int, QString> computedByColumnId;
    std::map<qint64, QString> byObjectId;
};

CatalogTexts readTexts(Connection& connection, const QString& database, qint64 tableId)
{
    const QString id = QString::number(tableId);
    Recordset rows = connection.execute(
        QStringLiteral("SELECT m.id AS Id, m.number AS Number, m.text AS Text FROM ") + catalogTable(database, "syscomments")
        + QStringLiteral(" m WHERE m.id = ") + id + QStringLiteral(" OR m.id IN (SELECT o.id FROM ")
        + catalogTable(database, "sysobjects") + QStringLiteral(" o WHERE o.parent_obj = ") + id
        + QStringLiteral(" AND o.xtype IN ('C', 'D')) OR m.id IN (SELECT c.cdefault FROM ")
        + catalogTable(database, "syscolumns") + QStringLiteral(" c WHERE c.id = ") + id
        + QStringLiteral(") ORDER BY m.id, m.number, m.colid"));
    CatalogTexts texts;
    for (; !rows.eof(); rows.moveNext()) {
        const qint64 objectId = rows.field(QStringLiteral("Id")).value().toLongLong();
        const QString chunk = rows.field(QStringLiteral("Text")).text();
        if (objectId == tableId)
            texts.computedByColumnId[rows.field(QStringLiteral("Number")).value().toInt()] += chunk;
        else
            texts.byObjectId[objectId] += chunk;
    }
    rows.close();
    return texts;
}

std::vector<ScriptKey> readKeys(Connection& connection, const QString& database, qint64 tableId)
{
    Recordset rows = connection.execute(
        QStringLiteral("SELECT k.name AS KeyName, k.xtype AS XType, i.status AS IndexStatus, c.name AS ColumnName FROM ")
        + catalogTable(database, "sysobjects") + QStringLiteral(" k INNER JOIN ") + catalogTable(database, "sysindexes")
        + QStringLiteral(" i ON i.id = k.parent_obj AND i.name = k.name INNER JOIN ")
        + catalogTable(database, "sysindexkeys") + QStringLiteral(" ik ON ik.id = i.id AND ik.indid = i.indid INNER JOIN ")
        + catalogTable(database, "syscolumns") + QStringLiteral(" c ON c.id = ik.id AND c.colid = ik.colid")
        + QStringLiteral(" WHERE k.parent_obj = ") + QString::number(tableId)
        + QStringLiteral(" AND k.xtype IN ('PK', 'UQ') ORDER BY k.xtype, k.name, ik.keyno"));
    std::vector<ScriptKey> keys;
    for (; !rows.eof(); rows.moveNext()) {
        const QString name = rows.field(QStringLiteral("KeyName")).text();
        if (keys.empty() || keys.back().name != name) {
            ScriptKey key;
            key.name = name;
            key.primary = rows.field(QStringLiteral("XType")).text().trimmed() == QLatin1String("PK");
            key.clustered = (rows.field(QStringLiteral("IndexStatus")).value().toLongLong() & kClusteredIndexStatus) != 0;
            keys.push_back(std::move(key));
        }
        keys.back().columns << rows.field(QStringLiteral("ColumnName")).text();
    }
    rows.close();
    return keys;
}

std::vector<ScriptForeignKey> readForeignKeys(Connection& connection, const QString& database, qint64 tableId)
{
    Recordset rows = connection.execute(
        QStringLiteral("SELECT f.name AS KeyName, rt.name AS RefTable, ru.name AS RefOwner, fc.name AS ColumnName, "
                       "rc.name AS RefColumn FROM ")
        + catalogTable(database, "sysforeignkeys") + QStringLiteral(" fk INNER JOIN ")
        + catalogTable(database, "sysobjects") + QStringLiteral(" f ON f.id = fk.constid INNER JOIN ")
        + catalogTable(database, "sysobjects") + QStringLiteral(" rt ON rt.id = fk.rkeyid INNER JOIN ")
        + catalogTable(database, "sysusers") + QStringLiteral(" ru ON ru.uid = rt.uid INNER JOIN ")
        + catalogTable(database, "syscolumns") + QStringLiteral(" fc ON fc.id = fk.fkeyid AND fc.colid = fk.fkey INNER JOIN ")
        + catalogTable(database, "syscolumns") + QStringLiteral(" rc ON rc.id = fk.rkeyid AND rc.colid = fk.rkey")
        + QStringLiteral(" WHERE fk.fkeyid = ") + QString::number(tableId) + QStringLiteral(" ORDER BY f.name, fk.keyno"));
    std::vector<ScriptForeignKey> keys;
    for (; !rows.eof(); rows.moveNext()) {
        const QString name = rows.field(QStringLiteral("KeyName")).text();
        if (keys.empty() || keys.back().name != name) {
            ScriptForeignKey key;
            key.name = name;
            key.referencedTable = rows.field(QStringLiteral("RefTable")).text();
            key.referencedOwner = rows.field(QStringLiteral("RefOwner")).text();
            keys.push_back(std::move(key));
        }
        keys.back().columns << rows.field(QStringLiteral("ColumnName")).text();
        keys.back().referencedColumns << rows.field(QStringLiteral("RefColumn")).text();
    }
    rows.close();
    return keys;
}

std::vector<ScriptCheck> readChecks(Connection& connection, const QString& database, qint64 tableId,
                                    const CatalogTexts& texts)
{
    Recordset rows = connection.execute(QStringLiteral("SELECT o.id AS Id, o.name AS Name FROM ")
                                        + catalogTable(database, "sysobjects") + QStringLiteral(" o WHERE o.parent_obj = ")
                                        + QString::number(tableId) + QStringLiteral(" AND o.xtype = 'C' ORDER BY o.name"));
    std::vector<ScriptCheck> checks;
    for (; !rows.eof(); rows.moveNext()) {
        ScriptCheck check;
        check.name = rows.field(QStringLiteral("Name")).text();
        const auto text = texts.byObjectId.find(rows.field(QStringLiteral("Id")).value().toLongLong());
        if (text != texts.byObjectId.end())
            check.text = text->second;
        checks.push_back(std::move(check));
    }
    rows.close();
    return checks;
}

// The seed and increment of the table's identity column, as the server reports them.
std::pair<qint64, qint64> readIdentity(Connection& connection, const QString& database, const QString& owner,
                                       const QString& table)
{
    const QString name = unicodeLiteral(bracketed(database) + QLatin1Char('.') + bracketed(owner) + QLatin1Char('.')
                                        + bracketed(table));
    Recordset row = connection.execute(QStringLiteral("SELECT IDENT_SEED(") + name + QStringLiteral(") AS Seed, IDENT_INCR(")
                                       + name + QStringLiteral(") AS Increment"));
    std::pair<qint64, qint64> identity{1, 1};
    if (!row.eof()) {
        if (!row.field(QStringLiteral("Seed")).isNull())
            identity.first = row.field(QStringLiteral("Seed")).text().toLongLong();
        if (!row.field(QStringLiteral("Increment")).isNull())
            identity.second = row.field(QStringLiteral("Increment")).text().toLongLong();
    }
    row.close();
    return identity;
}

ScriptColumn scriptColumn(const ColumnProperties& column)
{
    ScriptColumn script;
    script.name = column.Name;
    script.typeName = column.Datatype;
    script.userDefinedType = column.UserDefinedType;
    script.length = column.Length;
    script.precision = column.NumericPrecision;
    script.scale = column.NumericScale;
    script.allowNulls = column.AllowNulls;
    script.identity = column.Identity;
    script.identitySeed = column.IdentitySeed;
    script.identityIncrement = column.IdentityIncrement;
    script.computed = column.IsComputed;
    script.computedText = column.ComputedText;
    return script;
}

}  // namespace

std::vector<ColumnProperties> ServerAdmin::readColumns(const QString& database, const ObjectId& object,
                                                       const QString& name)
{
    const QString id = QString::number(object.id);
    Recordset rows = connection_.execute(
        QStringLiteral("SELECT c.name AS Name, t.name AS TypeName, b.name AS BaseTypeName, c.xtype AS XType, "
                       "c.xusertype AS XUserType, c.length AS Length, c.xprec AS XPrec, c.xscale AS XScale, c.isnullable AS IsNullable, "
                       "c.status AS Status, c.iscomputed AS IsComputed, c.colid AS ColId, "
                       "d.name AS DefaultName, d.parent_obj AS DefaultParent, d.id AS DefaultId FROM ")
        + catalogTable(database, "syscolumns") + QStringLiteral(" c INNER JOIN ") + catalogTable(database, "systypes")
        + QStringLiteral(" t ON t.xusertype = c.xusertype LEFT OUTER JOIN ") + catalogTable(database, "systypes")
        + QStringLiteral(" b ON b.xusertype = c.xtype LEFT OUTER JOIN ") + catalogTable(database, "sysobjects")
        + QStringLiteral(" d ON d.id = c.cdefault WHERE c.id = ") + id + QStringLiteral(" ORDER BY c.colid"));
    std::vector<ColumnProperties> result;
    std::map<int, qint64> defaultIds;  // column id -> its default constraint's id
    for (; !rows.eof(); rows.moveNext()) {
        ColumnProperties column = admin_sql::columnOfCatalogRow(rows);
        column.BaseDatatype = rows.field(QStringLiteral("BaseTypeName")).isNull()
            ? column.Datatype
            : rows.field(QStringLiteral("BaseTypeName")).text();
        if (!column.DRIDefaultName.isEmpty())
            defaultIds[column.ColumnId] = rows.field(QStringLiteral("DefaultId")).value().toLongLong();
        result.push_back(std::move(column));
    }
    rows.close();

    const CatalogTexts texts = readTexts(connection_, database, object.id);
    const std::vector<ScriptKey> keys = readKeys(connection_, database, object.id);
    bool hasIdentity = false;
    for (ColumnProperties& column : result) {
        if (column.IsComputed) {
            const auto text = texts.computedByColumnId.find(column.ColumnId);
            if (text != texts.computedByColumnId.end())
                column.ComputedText = text->second;
        }
        if (const auto defaultId = defaultIds.find(column.ColumnId); defaultId != defaultIds.end()) {
            const auto text = texts.byObjectId.find(defaultId->second);
            if (text != texts.byObjectId.end())
                column.DRIDefaultText = text->second;
        }
        for (const ScriptKey& key : keys)
            if (key.primary && key.columns.contains(column.Name))
                column.InPrimaryKey = true;
        hasIdentity = hasIdentity || column.Identity;
    }
    if (hasIdentity) {
        const auto [seed, increment] = readIdentity(connection_, database, object.owner, name);
        for (ColumnProperties& column : result) {
            if (column.Identity) {
                column.IdentitySeed = seed;
                column.IdentityIncrement = increment;
            }
        }
    }
    return result;
}

TableDefinition ServerAdmin::tableDefinition(const QString& database, const QString& table, const QString& owner)
{
    const ObjectId found = findObject(database, table, owner, QStringLiteral("'U', 'S'"));
    TableDefinition definition;
    definition.owner = found.owner;
    definition.name = table;
    const std::vector<ColumnProperties> columns = readColumns(database, found, table);
    for (const ColumnProperties& column : columns) {
        definition.columns.push_back(scriptColumn(column));
        if (!column.DRIDefaultName.isEmpty())
            definition.defaults.push_back({column.DRIDefaultName, column.Name, column.DRIDefaultText});
    }
    definition.keys = readKeys(connection_, database, found.id);
    definition.foreignKeys = readForeignKeys(connection_, database, found.id);
    definition.checks = readChecks(connection_, database, found.id, readTexts(connection_, database, found.id));
    return definition;
}

namespace admin_sql {

// syscolumns.status bit of an identity column.
constexpr qint64 kIdentityStatus = 0x80;
// syscolumns.xtype of nchar and nvarchar, whose length is kept in bytes.
constexpr int kNVarCharType = 231;
constexpr int kNCharType = 239;
// User-defined types are numbered from here on (256 is sysname, an alias kept by the server).
constexpr int kFirstUserType = 257;

ColumnProperties columnOfCatalogRow(const Recordset& rows)
{
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
    if (!rows.field(QStringLiteral("DefaultName")).isNull()) {
        // A default constraint belongs to the table; a bound default stands alone (parent 0).
        if (rows.field(QStringLiteral("DefaultParent")).value().toLongLong() != 0)
            column.DRIDefaultName = rows.field(QStringLiteral("DefaultName")).text();
        else
            column.Default = rows.field(QStringLiteral("DefaultName")).text();
    }
    return column;
}

}  // namespace admin_sql

}  // namespace norvane
