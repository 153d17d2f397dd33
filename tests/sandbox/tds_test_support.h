#pragma once
// Test support for the TDS layer: a scripted backend (no SQLite engine), a raw
// TDS client over loopback, and private unixODBC configuration.
#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "tds/backend.h"
#include "tds/login.h"
#include "tds/packet.h"
#include "tds/server.h"
#include "tds/socket.h"

namespace tds_test {

// Batches the scripted sessions understand (case-insensitive, whole text):
//   "select 1"          one int column "one" = 1
//   "select types"      every SqlType: one row of values, one row of NULLs
//   "print three"       three PRINT messages 300 ms apart
//   "slow N"            N rows of one int column, 20 ms apart, stopping when cancelled
//   "mixed"             a result (1 row), a PRINT, a result (2 rows), error 208, an UPDATE of 4 rows
//   "error"             error 208 "Invalid object name 'nowhere'."
//   "update"            a DML statement touching 3 rows
//   "USE [db]" / "USE db"  changes the database (master, harbor)
//   anything else       error 102 "Incorrect syntax near '...'."
class ScriptedBackend : public sandbox::tds::Backend {
public:
    ScriptedBackend();
    std::optional<sandbox::ServerMessage> checkLogin(const std::string& user, const std::string& password) override;
    bool databaseExists(const std::string& name) override;
    std::unique_ptr<sandbox::EngineSession> openSession(const sandbox::SessionInfo& info) override;
    std::string serverName() override { return "SANDBOX"; }

    std::vector<std::string> batches() const;
    std::vector<sandbox::SessionInfo> sessions() const;
    // Rows "slow N" sent before it stopped (the last run).
    int slowRowsSent() const { return slowRowsSent_; }

    std::map<std::string, std::string> logins{{"sa", ""}, {"norvane", "Secret1;x"}};
    std::set<std::string> databases{"master", "harbor"};

private:
    friend class ScriptedSession;
    void record(const std::string& batch);

    mutable std::mutex mutex_;
    std::vector<std::string> batches_;
    std::vector<sandbox::SessionInfo> sessions_;
    std::atomic<int> slowRowsSent_{0};
};

// The ResultColumns of "select types", in order, and the values of its first row.
std::vector<sandbox::ResultColumn> allTypeColumns();
std::vector<sandbox::Value> allTypeValues();

// A Server over a ScriptedBackend on a free port, stopped at destruction.
struct ScriptedServer {
    ScriptedBackend backend;
    sandbox::tds::Server server{backend, 0};
    ScriptedServer() { server.start(); }
    ~ScriptedServer() { server.stop(); }
};

// LOGIN7 as FreeTDS 1.3 builds it (offset table, UCS-2 strings, scrambled password).
struct LoginFields {
    std::uint32_t tdsVersion = 0x74000004;
    std::uint32_t packetSize = 4096;
    std::uint8_t optionFlags2 = 0x03;
    std::string hostName = "testhost";
    std::string userName = "sa";
    std::string password;
    std::string appName = "tds tests";
    std::string serverName = std::string("127.0.0.1\0SANDBOX", 17);
    std::string clientInterfaceName;
    std::string language = "us_english";
    std::string database = "master";
};
std::vector<std::uint8_t> buildLogin7(const LoginFields& fields);
// The PRELOGIN FreeTDS sends for 7.4 (VERSION, ENCRYPTION, INSTOPT, THREADID, MARS).
std::vector<std::uint8_t> buildPrelogin74();
std::vector<std::uint8_t> utf16le(const std::u16string& text);

// A raw TDS client on 127.0.0.1.
class RawClient {
public:
    explicit RawClient(std::uint16_t port);
    bool connected() const { return socket_.valid(); }
    bool send(std::uint8_t type, const std::vector<std::uint8_t>& payload, std::size_t packetSize = 4096);
    bool sendRaw(const std::vector<std::uint8_t>& bytes);
    // One whole response message (payloads of packets up to EOM); nullopt when the server closed or
    // nothing came within timeoutMs.
    std::optional<std::vector<std::uint8_t>> receive(int timeoutMs = 5000);
    // True when the server closes the connection within timeoutMs.
    bool closedByServer(int timeoutMs = 5000);
    // PRELOGIN + LOGIN7; true when the answer carried a LOGINACK.
    bool login(const LoginFields& fields = {});
    // Sends a SQL batch (7.1 form) and returns the response.
    std::optional<std::vector<std::uint8_t>> batch(const std::string& sql);

    // The longest packet (header included) received so far.
    std::size_t longestPacket() const { return longestPacket_; }
    void disconnect() { socket_.reset(); }

private:
    sandbox::tds::FileDescriptor socket_;
    std::size_t longestPacket_ = 0;
};

// True when the bytes contain the token sequence.
bool contains(const std::vector<std::uint8_t>& haystack, const std::vector<std::uint8_t>& needle);
// DONE/DONEPROC/DONEINPROC bytes as TDS 7.1 sends them.
std::vector<std::uint8_t> doneBytes(std::uint8_t token, std::uint16_t status, std::uint16_t command,
                                    std::int32_t count);

// Private odbcinst.ini with [FreeTDS] (absolute driver path), ODBCSYSINI/ODBCINI set, TDS* overrides removed.
// Call before the first ODBC call of the process.
void usePrivateOdbcConfig();

}  // namespace tds_test
