#pragma once
// Tests start from a clean session: logs the server-management object off, closes the
// connection (errors ignored) and clears every field of the one Session of the program.
#include "shell/data/db_error.h"
#include "shell/session.h"

namespace norvane {

inline void resetSessionForTests()
{
    Session& s = session();
    if (s.serverAdmin)
        s.serverAdmin->disconnect();
    s.serverAdmin.reset();
    try {
        if (s.connection.isOpen())
            s.connection.close();
    } catch (const DbError&) {
        // A connection to a server that has gone away may fail to close; the record is cleared anyway.
    }
    s.ConnectionString.clear();
    s.ServerName.clear();
    s.DatabaseName.clear();
    s.UserName.clear();
    s.Password.clear();
    s.DsnName.clear();
    s.UseWindowsAuth = false;
    s.Connected = false;
    s.EverConnected = false;
    s.DirectoryCancelled = false;
}

}  // namespace norvane
