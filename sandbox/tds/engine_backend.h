#pragma once
// The Backend of the real server: sandbox::Engine plus the configured SQL logins.
#include <map>
#include <string>

#include "tds/backend.h"

namespace sandbox::tds {

class EngineBackend : public Backend {
public:
    // logins: name -> password; names compare case-insensitively as on SQL Server.
    EngineBackend(Engine& engine, std::map<std::string, std::string> logins);

    std::optional<ServerMessage> checkLogin(const std::string& user, const std::string& password) override;
    bool databaseExists(const std::string& name) override;
    std::unique_ptr<EngineSession> openSession(const SessionInfo& info) override;
    std::string serverName() override;

private:
    Engine& engine_;
    std::map<std::string, std::string> logins_;  // keys in lower case
};

}  // namespace sandbox::tds
