#include "tds/engine_backend.h"

#include <algorithm>
#include <cctype>

namespace sandbox::tds {
namespace {

std::string lowerCase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

}  // namespace

EngineBackend::EngineBackend(Engine& engine, std::map<std::string, std::string> logins) : engine_(engine)
{
    for (auto& [name, password] : logins)
        logins_[lowerCase(name)] = password;
}

std::optional<ServerMessage> EngineBackend::checkLogin(const std::string& user, const std::string& password)
{
    const auto found = logins_.find(lowerCase(user));
    if (found != logins_.end() && found->second == password)
        return std::nullopt;
    return loginFailed(user);
}

bool EngineBackend::databaseExists(const std::string& name)
{
    return engine_.databaseExists(name);
}

std::unique_ptr<EngineSession> EngineBackend::openSession(const SessionInfo& info)
{
    return engine_.openSession(info);
}

std::string EngineBackend::serverName()
{
    return Engine::serverName();
}

}  // namespace sandbox::tds
