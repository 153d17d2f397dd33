#include "tds/login.h"

#include <optional>

#include "tds/text_codec.h"
#include "tds/wire.h"

namespace sandbox::tds {
namespace {

namespace prelogin_option {
constexpr std::uint8_t version = 0;
constexpr std::uint8_t encryption = 1;
constexpr std::uint8_t instance = 2;
constexpr std::uint8_t threadId = 3;
constexpr std::uint8_t mars = 4;
constexpr std::uint8_t terminator = 0xFF;
}  // namespace prelogin_option

constexpr std::uint8_t encryptNotSupported = 0x02;

std::string utf8OrThrow(std::span<const std::uint8_t> bytes)
{
    auto text = utf16leToUtf8(bytes);
    if (!text)
        throw ProtocolError("LOGIN7 text is not UTF-16");
    return *text;
}

// An (offset, character count) pair pointing into the LOGIN7 message.
std::span<const std::uint8_t> field(std::span<const std::uint8_t> payload, ByteReader& header, bool bytes = false)
{
    const std::size_t offset = header.u16le();
    const std::size_t count = header.u16le();
    const std::size_t size = bytes ? count : count * 2;
    if (size == 0)
        return {};
    if (offset > payload.size() || size > payload.size() - offset)
        throw ProtocolError("LOGIN7 field outside the message");
    return payload.subspan(offset, size);
}

std::string textField(std::span<const std::uint8_t> payload, ByteReader& header)
{
    return utf8OrThrow(field(payload, header));
}

}  // namespace

PreloginRequest parsePrelogin(std::span<const std::uint8_t> payload)
{
    PreloginRequest request;
    ByteReader table(payload);
    for (int options = 0;; ++options) {
        if (options > 64)
            throw ProtocolError("PRELOGIN option table too long");
        const std::uint8_t token = table.u8();
        if (token == prelogin_option::terminator)
            break;
        const std::size_t offset = table.u16be();
        const std::size_t length = table.u16be();
        if (offset > payload.size() || length > payload.size() - offset)
            throw ProtocolError("PRELOGIN option outside the message");
        const auto data = payload.subspan(offset, length);
        if (token == prelogin_option::mars)
            request.hasMars = true;
        else if (token == prelogin_option::encryption && !data.empty())
            request.encryption = data[0];
        else if (token == prelogin_option::instance) {
            for (auto c : data) {
                if (c == 0)
                    break;
                request.instance += static_cast<char>(c);
            }
        }
    }
    return request;
}

std::vector<std::uint8_t> preloginReply(const PreloginRequest& request)
{
    struct Option {
        std::uint8_t token;
        std::vector<std::uint8_t> data;
    };
    std::vector<Option> options{
        {prelogin_option::version, {0x08, 0x00, 0x02, 0xF8, 0x00, 0x00}},
        {prelogin_option::encryption, {encryptNotSupported}},
        {prelogin_option::instance, {0x00}},
        {prelogin_option::threadId, {}},
    };
    if (request.hasMars)
        options.push_back({prelogin_option::mars, {0x00}});
    ByteWriter out;
    std::size_t offset = options.size() * 5 + 1;
    for (const auto& option : options) {
        out.u8(option.token);
        out.u16be(static_cast<std::uint16_t>(offset));
        out.u16be(static_cast<std::uint16_t>(option.data.size()));
        offset += option.data.size();
    }
    out.u8(prelogin_option::terminator);
    for (const auto& option : options)
        out.append(std::span<const std::uint8_t>(option.data));
    return out.bytes();
}

Login7 parseLogin7(std::span<const std::uint8_t> payload)
{
    ByteReader header(payload);
    const std::uint32_t declaredLength = header.u32le();
    if (declaredLength > payload.size())
        throw ProtocolError("LOGIN7 length beyond the message");
    payload = payload.first(declaredLength);
    header = ByteReader(payload);
    header.skip(4);

    Login7 login;
    login.tdsVersion = header.u32le();
    login.packetSize = header.u32le();
    login.clientProgramVersion = header.u32le();
    login.clientPid = header.u32le();
    login.connectionId = header.u32le();
    login.optionFlags1 = header.u8();
    login.optionFlags2 = header.u8();
    login.typeFlags = header.u8();
    login.optionFlags3 = header.u8();
    login.clientTimeZone = header.i32le();
    login.clientLcid = header.u32le();
    login.hostName = textField(payload, header);
    login.userName = textField(payload, header);
    login.password = utf8OrThrow(deobfuscatePassword(field(payload, header)));
    login.appName = textField(payload, header);
    login.serverName = textField(payload, header);
    if (const auto nul = login.serverName.find('\0'); nul != std::string::npos)
        login.serverName.resize(nul);
    header.skip(4);  // ibExtension / cbExtension (7.4 feature extension, not used)
    login.clientInterfaceName = textField(payload, header);
    login.language = textField(payload, header);
    login.database = textField(payload, header);
    const auto clientId = header.take(6);
    std::copy(clientId.begin(), clientId.end(), login.clientId.begin());
    const auto sspi = field(payload, header, true);
    login.sspi.assign(sspi.begin(), sspi.end());
    login.attachDbFile = textField(payload, header);
    // 7.2 added the change-password field; a 7.1 header ends before it.
    if (login.tdsVersion >= 0x72000000 && header.remaining() >= 4)
        login.changePassword = utf8OrThrow(deobfuscatePassword(field(payload, header)));
    return login;
}

std::vector<std::uint8_t> obfuscatePassword(std::span<const std::uint8_t> utf16le)
{
    std::vector<std::uint8_t> out;
    out.reserve(utf16le.size());
    for (std::uint8_t b : utf16le)
        out.push_back(static_cast<std::uint8_t>((((b << 4) | (b >> 4)) & 0xFF) ^ 0xA5));
    return out;
}

std::vector<std::uint8_t> deobfuscatePassword(std::span<const std::uint8_t> scrambled)
{
    std::vector<std::uint8_t> out;
    out.reserve(scrambled.size());
    for (std::uint8_t b : scrambled) {
        const std::uint8_t x = b ^ 0xA5;
        out.push_back(static_cast<std::uint8_t>(((x << 4) | (x >> 4)) & 0xFF));
    }
    return out;
}

}  // namespace sandbox::tds
