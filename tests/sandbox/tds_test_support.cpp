#include "tds_test_support.h"

#include <algorithm>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "tds/login.h"
#include "tds/packet.h"
#include "tds/text_codec.h"
#include "tds/wire.h"

namespace tds_test {

using namespace sandbox;

B concat(std::initializer_list<B> parts)
{
    B all;
    for (const auto& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

B utf16le(std::string_view utf8)
{
    tds::ByteWriter w;
    w.utf16(tds::utf8ToUtf16(utf8));
    return w.bytes();
}

B doneBytes(std::uint8_t token, std::uint16_t status, std::uint16_t command, std::int32_t count)
{
    tds::ByteWriter w;
    w.u8(token);
    w.u16le(status);
    w.u16le(command);
    w.i32le(count);
    return w.bytes();
}

B lastDone(const B& reply)
{
    return reply.size() < 9 ? reply : B(reply.end() - 9, reply.end());
}

bool contains(const B& haystack, const B& needle)
{
    return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end()) != haystack.end();
}

B buildLogin7(const LoginFields& f)
{
    const std::size_t fixed = 94;
    tds::ByteWriter header;
    tds::ByteWriter data;
    auto addText = [&](const std::string& text, bool scrambled = false) {
        auto bytes = utf16le(text);
        if (scrambled)
            bytes = tds::obfuscatePassword(bytes);
        header.u16le(static_cast<std::uint16_t>(fixed + data.size()));
        header.u16le(static_cast<std::uint16_t>(tds::utf8ToUtf16(text).size()));
        data.append(std::span<const std::uint8_t>(bytes));
    };
    header.u32le(0); // length, patched below
    header.u32le(0x74000004);
    header.u32le(f.packetSize);
    header.u32le(0xF8F28306);
    header.u32le(4242);
    header.u32le(0);
    header.u8(0xE0);
    header.u8(f.optionFlags2);
    header.u16le(0);
    header.i32le(-120);
    header.u32le(0x0436);
    addText("testhost");
    addText(f.userName);
    addText(f.password, true);
    addText("tds tests");
    addText(std::string("127.0.0.1\0SANDBOX", 17));
    header.u32le(0); // extension
    addText("");     // client interface name
    addText("us_english");
    addText(f.database);
    header.append(B{0x00, 0x16, 0x3E, 0x01, 0x02, 0x03});
    header.u16le(static_cast<std::uint16_t>(fixed + data.size())); // SSPI
    header.u16le(0);
    addText("");       // attach db file
    addText("", true); // change password
    header.u32le(0);   // long SSPI
    B bytes = concat({header.bytes(), data.bytes()});
    for (int i = 0; i < 4; ++i)
        bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(bytes.size() >> (8 * i));
    return bytes;
}

B buildPrelogin74()
{
    return {0x00, 0x00, 0x1A, 0x00, 0x06, 0x01, 0x00, 0x20, 0x00, 0x01, 0x02, 0x00, 0x21, 0x00, 0x0C, 0x03, 0x00,
            0x2D, 0x00, 0x04, 0x04, 0x00, 0x31, 0x00, 0x01, 0xFF, 0x09, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 'M',
            'S',  'S',  'Q',  'L',  'S',  'e',  'r',  'v',  'e',  'r',  0x00, 0x00, 0x00, 0x10, 0x92, 0x00};
}

RawClient::RawClient(std::uint16_t port)
{
    tds::FileDescriptor fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd.valid() && ::connect(fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) == 0)
        socket_ = std::move(fd);
}

bool RawClient::send(std::uint8_t type, const B& payload, std::size_t packetSize)
{
    return sendRaw(tds::framePackets(type, payload, packetSize));
}

bool RawClient::sendRaw(const B& bytes)
{
    return socket_.valid() && tds::writeAll(socket_.get(), bytes.data(), bytes.size());
}

std::optional<B> RawClient::receive(int timeoutMs)
{
    B message;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd p{socket_.get(), POLLIN, 0};
        if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0)
            return std::nullopt;
        std::uint8_t header[8];
        if (!tds::readExact(socket_.get(), header, 8))
            return std::nullopt;
        const std::size_t length = static_cast<std::size_t>((header[2] << 8) | header[3]);
        if (length < 8)
            return std::nullopt;
        longestPacket_ = std::max(longestPacket_, length);
        B body(length - 8);
        if (!body.empty() && !tds::readExact(socket_.get(), body.data(), body.size()))
            return std::nullopt;
        message.insert(message.end(), body.begin(), body.end());
        if (header[1] & 0x01)
            return message;
    }
}

bool RawClient::closedByServer(int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::uint8_t buffer[4096];
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd p{socket_.get(), POLLIN, 0};
        if (::poll(&p, 1, 100) > 0 && ::recv(socket_.get(), buffer, sizeof buffer, 0) <= 0)
            return true;
    }
    return false;
}

bool RawClient::login(const LoginFields& fields)
{
    if (!send(0x12, buildPrelogin74()) || !receive() || !send(0x10, buildLogin7(fields)))
        return false;
    const auto reply = receive();
    return reply && contains(*reply, {0xAD}) && lastDone(*reply) == doneBytes(0xFD, 0, 0, 0);
}

std::optional<B> RawClient::batch(const std::string& sql)
{
    if (!send(0x01, utf16le(sql)))
        return std::nullopt;
    return receive();
}

EngineServer::EngineServer(std::map<std::string, std::string> logins, tds::ServerLimits limits)
    : directory(::mkdtemp(std::string("/tmp/norvane-tds-XXXXXX").data())), backend(engine, std::move(logins)),
      server(backend, 0, limits)
{
    server.start();
}

EngineServer::~EngineServer()
{
    server.stop();
    std::error_code ignored;
    std::filesystem::remove_all(directory, ignored);
}

} // namespace tds_test
