#pragma once
// The two login messages: PRELOGIN (answered without encryption) and LOGIN7.
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace sandbox::tds {

struct PreloginRequest {
    bool hasMars = false;            // 7.2+ clients send a MARS option; then the reply carries one too
    std::uint8_t encryption = 0x02;  // what the client offered
    std::string instance;            // INSTOPT without its terminating NUL
};

// Throws ProtocolError when the option table points outside the message.
PreloginRequest parsePrelogin(std::span<const std::uint8_t> payload);
// VERSION 8.0.760, ENCRYPTION = NOT_SUP, INSTOPT 0, empty THREADID, MARS 0 when asked.
std::vector<std::uint8_t> preloginReply(const PreloginRequest& request);

namespace login_flags {
constexpr std::uint8_t integratedSecurity = 0x80;  // OptionFlags2
}

struct Login7 {
    std::uint32_t tdsVersion = 0;
    std::uint32_t packetSize = 0;
    std::uint32_t clientProgramVersion = 0;
    std::uint32_t clientPid = 0;
    std::uint32_t connectionId = 0;
    std::uint8_t optionFlags1 = 0;
    std::uint8_t optionFlags2 = 0;
    std::uint8_t typeFlags = 0;
    std::uint8_t optionFlags3 = 0;
    std::int32_t clientTimeZone = 0;
    std::uint32_t clientLcid = 0;
    std::string hostName;  // all texts UTF-8
    std::string userName;
    std::string password;
    std::string appName;
    std::string serverName;  // cut at the first NUL (FreeTDS sends "host\0instance")
    std::string clientInterfaceName;
    std::string language;
    std::string database;
    std::array<std::uint8_t, 6> clientId{};
    std::vector<std::uint8_t> sspi;
    std::string attachDbFile;
    std::string changePassword;  // 7.2+

    bool integratedSecurity() const { return (optionFlags2 & login_flags::integratedSecurity) != 0; }
};

// Throws ProtocolError for lengths or offsets outside the message and for texts that are not UTF-16.
Login7 parseLogin7(std::span<const std::uint8_t> payload);

// The password scrambling of LOGIN7 (swap nibbles, XOR 0xA5), applied to UTF-16LE bytes.
std::vector<std::uint8_t> obfuscatePassword(std::span<const std::uint8_t> utf16le);
std::vector<std::uint8_t> deobfuscatePassword(std::span<const std::uint8_t> scrambled);

}  // namespace sandbox::tds
