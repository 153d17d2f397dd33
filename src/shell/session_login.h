#pragma once
// Opening a new connection and logging a new server-management object in, without touching the
// session until both have succeeded, while the window keeps painting. Used by the connection
// dialog and by Refresh.
#include "shell/data/connection.h"
#include "shell/data/server_admin.h"

#include <QString>

#include <functional>
#include <memory>

namespace norvane {

struct SessionLogin {
    QString connectionString;
    QString adminTarget;       // where the server-management object logs in
    bool integrated = false;   // integrated security for the server-management login
    QString userName;
    QString password;
};

// What a successful login brings: the connection on its database, the logged-in object, and the
// server's and database's own names as the connection reports them.
struct LoggedIn {
    Connection connection;
    std::unique_ptr<ServerAdmin> admin;
    QString serverName;
    QString databaseName;
};

// Logs the object in to the login's target; runs on a helper thread.
using AdminLogin = std::function<void(ServerAdmin& admin, const SessionLogin& login)>;
void defaultAdminLogin(ServerAdmin& admin, const SessionLogin& login);

// Each step ends within the session's login time limit. Throws DbError; the session is untouched.
std::unique_ptr<LoggedIn> logInResponsive(const SessionLogin& login, const AdminLogin& adminLogin = defaultAdminLogin);

// Puts a successful login into the session: the old connection and object go only now.
void adoptLogin(LoggedIn&& fresh);

}  // namespace norvane
