#pragma once
// Test support for the TDS layer: byte builders, a raw TDS client, and the real engine behind a listener.
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "tds/engine_backend.h"
#include "tds/server.h"
#include "tds/socket.h"

namespace tds_test {

using B = std::vector<std::uint8_t>;

B concat(std::initializer_list<B> parts);
// UTF-16LE bytes of a UTF-8 text.
B utf16le(std::string_view utf8);
// DONE/DONEPROC/DONEINPROC bytes as TDS 7.1 sends them.
B doneBytes(std::uint8_t token, std::uint16_t status, std::uint16_t command, std::int32_t count);
// The last token of a response, when it is a DONE.
B lastDone(const B& reply);
bool contains(const B& haystack, const B& needle);

// LOGIN7 as FreeTDS 1.3 builds it for TDS 7.4 (offset table, UCS-2 strings, scrambled password).
struct LoginFields {
    std::string userName = "sa";
    std::string password;
    std::string database = "master";
    std::uint8_t optionFlags2 = 0x03;
    std::uint32_t packetSize = 4096;
};
B buildLogin7(const LoginFields& fields);
// The PRELOGIN FreeTDS sends for 7.4 (VERSION, ENCRYPTION, INSTOPT, THREADID, MARS).
B buildPrelogin74();

// A raw TDS client on 127.0.0.1.
class RawClient {
public:
    explicit RawClient(std::uint16_t port);
    bool connected() const { return socket_.valid(); }
    bool send(std::uint8_t type, const B& payload, std::size_t packetSize = 4096);
    bool sendRaw(const B& bytes);
    // One whole response message (payloads up to EOM); nullopt when the server closed or nothing came in time.
    std::optional<B> receive(int timeoutMs = 5000);
    // True when the server closes the connection within timeoutMs.
    bool closedByServer(int timeoutMs = 5000);
    // PRELOGIN + LOGIN7; true when the answer carried a LOGINACK and a final DONE.
    bool login(const LoginFields& fields = {});
    // Sends a SQL batch (7.1 form) and returns the response.
    std::optional<B> batch(const std::string& sql);
    // The longest packet (header included) received so far.
    std::size_t longestPacket() const { return longestPacket_; }
    void disconnect() { socket_.reset(); }

private:
    sandbox::tds::FileDescriptor socket_;
    std::size_t longestPacket_ = 0;
};

// The real engine behind the listener in this process, on a free port, stopped at destruction.
struct EngineServer {
    explicit EngineServer(std::map<std::string, std::string> logins = {{"sa", ""}},
                          sandbox::tds::ServerLimits limits = {});
    ~EngineServer();
    std::uint16_t port() const { return server.port(); }

    std::filesystem::path directory; // a fresh data folder, removed at the end
    sandbox::Engine engine{directory};
    sandbox::tds::EngineBackend backend;
    sandbox::tds::Server server;
};

inline std::string repeat(const std::string& text, int times)
{
    std::string out;
    for (int i = 0; i < times; ++i)
        out += text;
    return out;
}

// A cross join SQLite needs minutes for: what an attention, a lost client or a stop must interrupt.
inline const std::string kEndless =
    "SELECT COUNT(*) FROM syscolumns a, syscolumns b, syscolumns c, syscolumns d, syscolumns e, syscolumns f";

} // namespace tds_test
