#include "shell/session_login.h"

#include "shell/responsive_call.h"
#include "shell/session.h"

namespace norvane {

namespace {

ResponsiveCall loginCall(int seconds)
{
    ResponsiveCall call;
    call.timeoutSeconds = seconds;
    call.timeoutText = QStringLiteral("The server did not answer the login within %1 seconds.").arg(seconds);
    return call;
}

}  // namespace

void defaultAdminLogin(ServerAdmin& admin, const SessionLogin& login)
{
    admin.LoginSecure = login.integrated;
    if (login.integrated)
        admin.connect(login.adminTarget);
    else
        admin.connect(login.adminTarget, login.userName, login.password);
}

std::unique_ptr<LoggedIn> logInResponsive(const SessionLogin& login, const AdminLogin& adminLogin)
{
    const Session& s = session();
    const int loginSeconds = s.loginTimeoutSeconds;
    const int querySeconds = s.queryTimeoutSeconds;
    // Shared with the helper threads, which may outlive a login that is given up.
    auto fresh = std::make_shared<std::unique_ptr<LoggedIn>>(std::make_unique<LoggedIn>());
    runResponsive([fresh, login, loginSeconds, querySeconds] {
        LoggedIn& in = **fresh;
        in.connection.setLoginTimeout(loginSeconds);
        in.connection.setQueryTimeout(querySeconds);
        in.connection.open(login.connectionString);
        in.serverName = in.connection.property(QStringLiteral("Server Name"));
        in.databaseName = in.connection.property(QStringLiteral("Current Catalog"));
    }, loginCall(loginSeconds));

    SessionLogin adminInputs = login;
    if (adminInputs.adminTarget.isEmpty())
        adminInputs.adminTarget = (*fresh)->serverName;
    runResponsive([fresh, adminInputs, adminLogin, loginSeconds, querySeconds] {
        auto admin = std::make_unique<ServerAdmin>();
        admin->connection().setLoginTimeout(loginSeconds);
        admin->connection().setQueryTimeout(querySeconds);
        adminLogin(*admin, adminInputs);
        (*fresh)->admin = std::move(admin);
    }, loginCall(loginSeconds));
    return std::move(*fresh);
}

void adoptLogin(LoggedIn&& fresh)
{
    Session& s = session();
    try {
        if (s.connection.isOpen())
            s.connection.close();
    } catch (const DbError&) {
        // The old connection may be gone already; it is replaced either way.
    }
    s.connection = std::move(fresh.connection);
    if (s.serverAdmin)
        s.serverAdmin->disconnect();
    s.serverAdmin = std::move(fresh.admin);
}

}  // namespace norvane
