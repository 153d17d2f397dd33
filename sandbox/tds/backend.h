#pragma once
// What the protocol layer needs from the server behind it: login checks,
// databases and sessions. The real one wraps sandbox::Engine; tests script their own.
#include <memory>
#include <optional>
#include <string>

#include "engine/engine.h"
#include "engine/result_sink.h"

namespace sandbox::tds {

class Backend {
public:
    virtual ~Backend() = default;
    // nullopt when the login is accepted; otherwise the error to send (18456 ...).
    virtual std::optional<ServerMessage> checkLogin(const std::string& user, const std::string& password) = 0;
    virtual bool databaseExists(const std::string& name) = 0;
    // A session whose current database is master.
    virtual std::unique_ptr<EngineSession> openSession(const SessionInfo& info) = 0;
    // @@SERVERNAME: the ServerName field of every message and the SQL Browser answer.
    virtual std::string serverName() = 0;
};

// SQL Server's answer to a wrong user name or password.
ServerMessage loginFailed(const std::string& user);

}  // namespace sandbox::tds
