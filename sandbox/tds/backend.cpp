#include "tds/backend.h"

namespace sandbox::tds {

ServerMessage loginFailed(const std::string& user)
{
    ServerMessage message;
    message.number = 18456;
    message.severity = 14;
    message.state = 1;
    message.text = "Login failed for user '" + user + "'.";
    return message;
}

}  // namespace sandbox::tds
