#include "shell/data/server_admin.h"

#include "shell/data/connection_string.h"
#include "shell/data/server_admin_sql.h"

namespace norvane {

using admin_sql::bracketed;
using admin_sql::catalogTable;
using admin_sql::unicodeLiteral;

namespace {

// sysobjects.category bit of objects shipped with the server.
constexpr qint64 kShippedCategory = 2;

const QString kTableTypes = QStringLiteral("'U', 'S'");
const QString kViewTypes = QStringLiteral("'V'");

}  // namespace

ServerAdmin::ServerAdmin() = default;
ServerAdmin::~ServerAdmin() = default;

void ServerAdmin::connect(const QString& serverName, const QString& userName, const QString& password)
{
    ConnectionInputs inputs;
    inputs.serverName = serverName;
    inputs.databaseName = QStringLiteral("master");
    inputs.userName = userName;
    inputs.password = password;
    const ConnectionMode mode = LoginSecure ? ConnectionMode::ServerIntegrated : ConnectionMode::ServerSqlLogin;
    connection_.open(BuildConnectionString(mode, inputs));
    serverName_ = serverName;
}

void ServerAdmin::disconnect()
{
    try {
        if (connection_.isOpen())
            connection_.close();
    } catch (const DbError&) {
        // Logging off a server that has gone away: nothing is left to release.
    }
    serverName_.clear();
}

bool ServerAdmin::isConnected() const
{
    return connection_.isOpen();
}

void ServerAdmin::requireConnection() const
{
    if (!connection_.isOpen())
        throw DbError(0, QStringLiteral("08003"), QStringLiteral("The server-management object is not logged in."));
}

QStringList ServerAdmin::databaseNames()
{
    requireConnection();
    Recordset names = connection_.execute(QStringLiteral("SELECT name FROM master.dbo.sysdatabases ORDER BY name"));
    QStringList result;
    for (; !names.eof(); names.moveNext())
        result << names.field(0).text();
    names.close();
    return result;
}

std::vector<CatalogObject> ServerAdmin::objects(const QString& database, const QString& xtypes)
{
    requireConnection();
    Recordset found = connection_.execute(
        QStringLiteral("SELECT o.name AS Name, u.name AS Owner, o.crdate AS CreateDate, o.xtype AS XType, "
                       "o.category AS Category FROM ")
        + catalogTable(database, "sysobjects") + QStringLiteral(" o INNER JOIN ") + catalogTable(database, "sysusers")
        + QStringLiteral(" u ON u.uid = o.uid WHERE o.xtype IN (") + xtypes + QStringLiteral(") ORDER BY o.name, u.name"));
    std::vector<CatalogObject> result;
    for (; !found.eof(); found.moveNext()) {
        CatalogObject object;
        object.Name = found.field(QStringLiteral("Name")).text();
        object.Owner = found.field(QStringLiteral("Owner")).text();
        object.CreateDate = found.field(QStringLiteral("CreateDate")).value().toDateTime();
        const QString xtype = found.field(QStringLiteral("XType")).text().trimmed();
        const qint64 category = found.field(QStringLiteral("Category")).value().toLongLong();
        object.SystemObject = xtype == QLatin1String("S") || (category & kShippedCategory) != 0;
        result.push_back(std::move(object));
    }
    found.close();
    return result;
}

std::vector<CatalogObject> ServerAdmin::tables(const QString& database)
{
    return objects(database, kTableTypes);
}

std::vector<CatalogObject> ServerAdmin::views(const QString& database)
{
    return objects(database, kViewTypes);
}

std::vector<CatalogObject> ServerAdmin::storedProcedures(const QString& database)
{
    return objects(database, QStringLiteral("'P'"));
}

std::vector<CatalogObject> ServerAdmin::userDefinedFunctions(const QString& database)
{
    return objects(database, QStringLiteral("'FN', 'IF', 'TF'"));
}

ServerAdmin::ObjectId ServerAdmin::findObject(const QString& database, const QString& name, const QString& owner,
                                              const QString& xtypes)
{
    requireConnection();
    QString sql = QStringLiteral("SELECT o.id AS Id, u.name AS Owner FROM ") + catalogTable(database, "sysobjects")
        + QStringLiteral(" o INNER JOIN ") + catalogTable(database, "sysusers")
        + QStringLiteral(" u ON u.uid = o.uid WHERE o.name = ") + unicodeLiteral(name)
        + QStringLiteral(" AND o.xtype IN (") + xtypes + QStringLiteral(")");
    if (!owner.isEmpty())
        sql += QStringLiteral(" AND u.name = ") + unicodeLiteral(owner);
    Recordset found = connection_.execute(sql);
    std::optional<ObjectId> chosen;
    for (; !found.eof(); found.moveNext()) {
        ObjectId candidate{found.field(QStringLiteral("Id")).value().toLongLong(),
                           found.field(QStringLiteral("Owner")).text()};
        // Without an owner, dbo's object wins over another owner's of the same name.
        if (!chosen || candidate.owner == QLatin1String("dbo"))
            chosen = candidate;
    }
    found.close();
    if (!chosen) {
        const QString shown = owner.isEmpty() ? name : owner + QLatin1Char('.') + name;
        throw DbError(208, QStringLiteral("42S02"), QStringLiteral("Invalid object name '") + shown
                                                        + QStringLiteral("' in database '") + database
                                                        + QStringLiteral("'."));
    }
    return *chosen;
}

std::vector<ColumnProperties> ServerAdmin::columns(const QString& database, const QString& object,
                                                   const QString& owner)
{
    const ObjectId found = findObject(database, object, owner, kTableTypes + QStringLiteral(", ") + kViewTypes);
    return readColumns(database, found, object);
}

std::optional<ColumnProperties> ServerAdmin::column(const QString& database, const QString& table,
                                                    const QString& owner, const QString& columnName)
{
    for (ColumnProperties& properties : columns(database, table, owner))
        if (properties.Name.compare(columnName, Qt::CaseInsensitive) == 0)
            return std::move(properties);
    return std::nullopt;
}

QString ServerAdmin::Script(const QString& database, const QString& table, const QString& owner)
{
    return BuildTableScript(tableDefinition(database, table, owner));
}

}  // namespace norvane
