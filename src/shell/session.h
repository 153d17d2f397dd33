#pragma once
// The one process-wide record of the connection, as the connection dialog fills it.
#include "shell/data/connection.h"
#include "shell/data/server_admin.h"

#include <QString>

#include <memory>

namespace norvane {

struct Session {
    QString ConnectionString;
    QString ServerName;
    QString DatabaseName;
    QString UserName;
    QString Password;
    QString DsnName;
    bool UseWindowsAuth = false;
    Connection connection;                    // created empty, reused for the life of the program
    std::unique_ptr<ServerAdmin> serverAdmin; // created anew after every successful connection
    bool Connected = false;
    bool EverConnected = false;
    bool DirectoryCancelled = false;
    // Limits of the program's own work: a login, and a statement without an answer from the server.
    int loginTimeoutSeconds = 15;
    int queryTimeoutSeconds = 30;
};

// The single Session of the program.
Session& session();

}  // namespace norvane
