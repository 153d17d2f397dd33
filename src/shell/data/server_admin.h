#pragma once
// Server management in plain T-SQL over its own ODBC connection: login,
// databases, objects, columns with every property, table scripts.
// Every catalog read names its database ("[db].dbo.sysobjects"), so the one
// connection, opened on master, serves every database of the server. The SQL
// runs unchanged on SQL Server 2000 and later.
#include "shell/data/connection.h"
#include "shell/data/table_script.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace norvane {

// A table, view, stored procedure or user-defined function.
struct CatalogObject {
    QString Name;
    QString Owner;
    QDateTime CreateDate;
    bool SystemObject = false;  // a system table or an object shipped with the server
};

// One column of a table or view with the properties the program reads.
struct ColumnProperties {
    QString Name;
    QString Datatype;              // the declared type: a system type, or a user-defined type's own name
    bool UserDefinedType = false;
    int Length = 0;                // declared length: characters for char and nchar types, else bytes; -1 = max
    int NumericPrecision = 0;
    int NumericScale = 0;
    bool AllowNulls = false;
    bool Identity = false;
    qint64 IdentitySeed = 0;       // 0 unless Identity
    qint64 IdentityIncrement = 0;
    bool InPrimaryKey = false;
    QString DRIDefaultName;        // the default constraint's name, empty when none
    QString DRIDefaultText;        // its expression as the server keeps it, e.g. "(0)"
    bool IsComputed = false;
    QString ComputedText;
    QString Default;               // the name of a default bound with sp_bindefault, empty when none
    int ColumnId = 0;
    QString BaseDatatype{};        // the system type the column is stored as (a user-defined type's base type)
};

class ServerAdmin {
public:
    ServerAdmin();
    ~ServerAdmin();

    // Integrated-security login instead of a SQL login.
    bool LoginSecure = false;

    // Logs in with a server name alone (LoginSecure) or with login and password. Throws DbError.
    void connect(const QString& serverName, const QString& userName = QString(), const QString& password = QString());
    // Logs off; errors ignored. Harmless when not logged in.
    void disconnect();
    bool isConnected() const;
    const QString& serverName() const { return serverName_; }

    // Names of the server's databases, in name order.
    QStringList databaseNames();

    // A database's objects in name order, system objects included and flagged.
    std::vector<CatalogObject> tables(const QString& database);
    std::vector<CatalogObject> views(const QString& database);
    std::vector<CatalogObject> storedProcedures(const QString& database);
    std::vector<CatalogObject> userDefinedFunctions(const QString& database);

    // The columns of a table (or a view's columns) in table order.
    std::vector<ColumnProperties> columns(const QString& database, const QString& object,
                                          const QString& owner = QString());
    // One column by name (case-insensitive); empty when the table has no such column.
    std::optional<ColumnProperties> column(const QString& database, const QString& table, const QString& owner,
                                           const QString& columnName);

    // Everything the creation script needs, read from the catalog.
    TableDefinition tableDefinition(const QString& database, const QString& table, const QString& owner = QString());
    // The table's creation script: guarded drop, CREATE TABLE and every declarative constraint.
    QString Script(const QString& database, const QString& table, const QString& owner = QString());

    // The connection the reads run on (backup and restore run their statements on it too).
    Connection& connection() { return connection_; }

private:
    struct ObjectId {
        qint64 id = 0;
        QString owner;
    };
    ObjectId findObject(const QString& database, const QString& name, const QString& owner, const QString& xtypes);
    std::vector<CatalogObject> objects(const QString& database, const QString& xtypes);
    std::vector<ColumnProperties> readColumns(const QString& database, const ObjectId& object, const QString& name);
    void requireConnection() const;

    Connection connection_;
    QString serverName_;
};

}  // namespace norvane
