#pragma once
// Server management in plain T-SQL over its own ODBC connection: login,
// databases, objects, columns with every property, table scripts.
#include "shell/data/connection.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <vector>

namespace norvane {

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

    // The rest (objects, columns, Rows, Script) comes with the server-management work.

private:
    Connection connection_;
    QString serverName_;
};

}  // namespace norvane
