#include "shell/session.h"

namespace norvane {

namespace {
Session& theSession()
{
    static Session record;
    return record;
}
}  // namespace

Session& session()
{
    return theSession();
}

void resetSessionForTests()
{
    Session& s = theSession();
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
