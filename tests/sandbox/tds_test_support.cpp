#include "tds_test_support.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

#include "tds/text_codec.h"
#include "tds/wire.h"

namespace tds_test {

using namespace sandbox;
using namespace std::chrono_literals;

namespace {

std::string lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string trim(const std::string& text)
{
    const auto begin = text.find_first_not_of(" \t\r\n");
    if (begin == std::string::npos)
        return "";
    const auto end = text.find_last_not_of(" \t\r\n");
    return text.substr(begin, end - begin + 1);
}

ServerMessage message(int number, int severity, std::string text)
{
    ServerMessage m;
    m.number = number;
    m.severity = severity;
    m.text = std::move(text);
    return m;
}

ColumnType type(SqlType t, int length = 0, int precision = 0, int scale = 0)
{
    ColumnType c;
    c.type = t;
    c.length = length;
    c.precision = precision;
    c.scale = scale;
    return c;
}

}  // namespace

class ScriptedSession : public EngineSession {
public:
    explicit ScriptedSession(ScriptedBackend& backend) : backend_(backend) {}
    std::string currentDatabase() const override { return database_; }
    void executeBatch(const std::string& sql, ResultSink& sink) override;

private:
    ScriptedBackend& backend_;
    std::string database_ = "master";
};

void ScriptedSession::executeBatch(const std::string& sql, ResultSink& sink)
{
    backend_.record(sql);
    const std::string command = lower(trim(sql));
    if (command == "select 1") {
        sink.beginResult({{"one", type(SqlType::Int)}});
        sink.row({std::int64_t{1}});
        sink.statementDone(1, false);
    } else if (command == "select types") {
        const auto columns = allTypeColumns();
        sink.beginResult(columns);
        sink.row(allTypeValues());
        sink.row(std::vector<Value>(columns.size(), Null{}));
        sink.statementDone(2, false);
    } else if (command == "print three") {
        for (int i = 1; i <= 3; ++i) {
            if (i > 1)
                std::this_thread::sleep_for(300ms);
            sink.message(message(0, 0, "message " + std::to_string(i)));
            sink.statementDone(std::nullopt, false);
        }
    } else if (command.rfind("slow ", 0) == 0) {
        const int rows = std::atoi(command.c_str() + 5);
        sink.beginResult({{"n", type(SqlType::Int)}});
        int sent = 0;
        for (; sent < rows && !sink.cancelled(); ++sent) {
            sink.row({std::int64_t{sent}});
            std::this_thread::sleep_for(20ms);
        }
        backend_.slowRowsSent_ = sent;
        sink.statementDone(sent, false);
    } else if (command == "mixed") {
        sink.beginResult({{"one", type(SqlType::Int)}});
        sink.row({std::int64_t{1}});
        sink.statementDone(1, false);
        sink.message(message(0, 0, "after the first result"));
        sink.statementDone(std::nullopt, false);
        sink.beginResult({{"name", type(SqlType::VarChar, 10)}});
        sink.row({std::string("a")});
        sink.row({std::string("b")});
        sink.statementDone(2, false);
        sink.message(message(208, 16, "Invalid object name 'nowhere'."));
        sink.statementDone(std::nullopt, true);
        sink.statementDone(4, false);
    } else if (command == "error") {
        sink.message(message(208, 16, "Invalid object name 'nowhere'."));
        sink.statementDone(std::nullopt, true);
    } else if (command == "update") {
        sink.statementDone(3, false);
    } else if (command.rfind("use ", 0) == 0) {
        std::string name = trim(trim(sql).substr(4));
        if (name.size() >= 2 && name.front() == '[' && name.back() == ']')
            name = name.substr(1, name.size() - 2);
        if (!backend_.databaseExists(name)) {
            sink.message(message(911, 16, "Could not locate entry in sysdatabases for database '" + name +
                                              "'. No entry found with that name. Make sure that the name is "
                                              "entered correctly."));
            sink.statementDone(std::nullopt, true);
            return;
        }
        const std::string old = database_;
        database_ = lower(name);
        sink.databaseChanged(old, database_);
        sink.message(message(5701, 0, "Changed database context to '" + database_ + "'."));
        sink.statementDone(std::nullopt, false);
    } else {
        sink.message(message(102, 15, "Incorrect syntax near '" + trim(sql).substr(0, 20) + "'."));
        sink.statementDone(std::nullopt, true);
    }
}

ScriptedBackend::ScriptedBackend() = default;

std::optional<ServerMessage> ScriptedBackend::checkLogin(const std::string& user, const std::string& password)
{
    const auto found = logins.find(lower(user));
    if (found != logins.end() && found->second == password)
        return std::nullopt;
    return tds::loginFailed(user);
}

bool ScriptedBackend::databaseExists(const std::string& name)
{
    return databases.count(lower(name)) != 0;
}

std::unique_ptr<EngineSession> ScriptedBackend::openSession(const SessionInfo& info)
{
    std::lock_guard lock(mutex_);
    sessions_.push_back(info);
    return std::make_unique<ScriptedSession>(*this);
}

void ScriptedBackend::record(const std::string& batch)
{
    std::lock_guard lock(mutex_);
    batches_.push_back(batch);
}

std::vector<std::string> ScriptedBackend::batches() const
{
    std::lock_guard lock(mutex_);
    return batches_;
}

std::vector<SessionInfo> ScriptedBackend::sessions() const
{
    std::lock_guard lock(mutex_);
    return sessions_;
}

std::vector<ResultColumn> allTypeColumns()
{
    return {
        {"c_int", type(SqlType::Int)},
        {"c_smallint", type(SqlType::SmallInt)},
        {"c_tinyint", type(SqlType::TinyInt)},
        {"c_bigint", type(SqlType::BigInt)},
        {"c_bit", type(SqlType::Bit)},
        {"c_decimal", type(SqlType::Decimal, 0, 10, 4)},
        {"c_numeric", type(SqlType::Numeric, 0, 5, 2)},
        {"c_money", type(SqlType::Money)},
        {"c_smallmoney", type(SqlType::SmallMoney)},
        {"c_float", type(SqlType::Float)},
        {"c_real", type(SqlType::Real)},
        {"c_datetime", type(SqlType::DateTime)},
        {"c_smalldatetime", type(SqlType::SmallDateTime)},
        {"c_char", type(SqlType::Char, 5)},
        {"c_varchar", type(SqlType::VarChar, 20)},
        {"c_nchar", type(SqlType::NChar, 4)},
        {"c_nvarchar", type(SqlType::NVarChar, 20)},
        {"c_text", type(SqlType::Text)},
        {"c_ntext", type(SqlType::NText)},
        {"c_image", type(SqlType::Image)},
        {"c_binary", type(SqlType::Binary, 4)},
        {"c_varbinary", type(SqlType::VarBinary, 10)},
        {"c_guid", type(SqlType::UniqueIdentifier)},
        {"c_timestamp", type(SqlType::Timestamp)},
    };
}

std::vector<Value> allTypeValues()
{
    return {
        std::int64_t{2147483647},
        std::int64_t{-32768},
        std::int64_t{255},
        std::int64_t{9223372036854775807},
        std::int64_t{1},
        std::string("-123.4567"),
        std::string("999.99"),
        std::string("12345.6789"),
        std::string("-214748.3648"),
        1.5,
        0.25,
        std::string("2000-01-01 01:00:00.003"),
        std::string("2000-01-01 01:00:40"),
        std::string("ab"),
        std::string("caf\xC3\xA9"),
        std::string("\xC3\xB1\xE2\x82\xAC"),
        std::string("\xE6\x97\xA5\xE6\x9C\xAC \xF0\x9D\x84\x9E"),
        std::string("long text \xC3\xA9"),
        std::string("\xC3\xBCn\xC3\xAF" "code \xE2\x9C\x93"),
        Bytes{0xDE, 0xAD, 0xBE, 0xEF},
        Bytes{0x01, 0x02},
        Bytes{0xCA, 0xFE},
        std::string("00112233-4455-6677-8899-AABBCCDDEEFF"),
        Bytes{0, 0, 0, 0, 0, 0, 0x07, 0xD1},
    };
}

std::vector<std::uint8_t> utf16le(const std::u16string& text)
{
    tds::ByteWriter w;
    w.utf16(text);
    return w.bytes();
}

std::vector<std::uint8_t> buildLogin7(const LoginFields& f)
{
    const bool v72 = f.tdsVersion >= 0x72000000;
    const std::size_t fixed = v72 ? 94 : 86;
    tds::ByteWriter header;
    tds::ByteWriter data;
    auto addText = [&](const std::string& text, bool scrambled = false) {
        const auto units = tds::utf8ToUtf16(text);
        auto bytes = utf16le(units);
        if (scrambled)
            bytes = tds::obfuscatePassword(bytes);
        header.u16le(static_cast<std::uint16_t>(fixed + data.size()));
        header.u16le(static_cast<std::uint16_t>(units.size()));
        data.append(std::span<const std::uint8_t>(bytes));
    };
    header.u32le(0);  // length, patched below
    header.u32le(f.tdsVersion);
    header.u32le(f.packetSize);
    header.u32le(0xF8F28306);
    header.u32le(4242);
    header.u32le(0);
    header.u8(0xE0);
    header.u8(f.optionFlags2);
    header.u8(0);
    header.u8(0);
    header.i32le(-120);
    header.u32le(0x0436);
    addText(f.hostName);
    addText(f.userName);
    addText(f.password, true);
    addText(f.appName);
    addText(f.serverName);
    header.u32le(0);  // extension
    addText(f.clientInterfaceName);
    addText(f.language);
    addText(f.database);
    const std::uint8_t mac[6] = {0x00, 0x16, 0x3E, 0x01, 0x02, 0x03};
    header.append(std::span<const std::uint8_t>(mac));
    header.u16le(static_cast<std::uint16_t>(fixed + data.size()));  // SSPI
    header.u16le(0);
    addText("");  // attach db file
    if (v72) {
        addText("", true);  // change password
        header.u32le(0);    // long SSPI
    }
    auto bytes = header.bytes();
    bytes.insert(bytes.end(), data.bytes().begin(), data.bytes().end());
    const auto total = static_cast<std::uint32_t>(bytes.size());
    for (int i = 0; i < 4; ++i)
        bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(total >> (8 * i));
    return bytes;
}

std::vector<std::uint8_t> buildPrelogin74()
{
    return {0x00, 0x00, 0x1A, 0x00, 0x06, 0x01, 0x00, 0x20, 0x00, 0x01, 0x02, 0x00, 0x21, 0x00,
            0x0C, 0x03, 0x00, 0x2D, 0x00, 0x04, 0x04, 0x00, 0x31, 0x00, 0x01, 0xFF, 0x09, 0x00,
            0x00, 0x00, 0x00, 0x00, 0x00, 'M',  'S',  'S',  'Q',  'L',  'S',  'e',  'r',  'v',
            'e',  'r',  0x00, 0x00, 0x00, 0x10, 0x92, 0x00};
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

bool RawClient::send(std::uint8_t type, const std::vector<std::uint8_t>& payload, std::size_t packetSize)
{
    return sendRaw(tds::framePackets(type, payload, packetSize));
}

bool RawClient::sendRaw(const std::vector<std::uint8_t>& bytes)
{
    return socket_.valid() && tds::writeAll(socket_.get(), bytes.data(), bytes.size());
}

std::optional<std::vector<std::uint8_t>> RawClient::receive(int timeoutMs)
{
    std::vector<std::uint8_t> message;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
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
        std::vector<std::uint8_t> body(length - 8);
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
        if (::poll(&p, 1, 100) <= 0)
            continue;
        const ssize_t n = ::recv(socket_.get(), buffer, sizeof buffer, 0);
        if (n <= 0)
            return true;
    }
    return false;
}

bool RawClient::login(const LoginFields& fields)
{
    if (!send(0x12, buildPrelogin74()) || !receive())
        return false;
    if (!send(0x10, buildLogin7(fields)))
        return false;
    const auto reply = receive();
    return reply && std::find(reply->begin(), reply->end(), std::uint8_t{0xAD}) != reply->end() &&
           contains(*reply, doneBytes(0xFD, 0, 0, 0));
}

std::optional<std::vector<std::uint8_t>> RawClient::batch(const std::string& sql)
{
    if (!send(0x01, utf16le(tds::utf8ToUtf16(sql))))
        return std::nullopt;
    return receive();
}

bool contains(const std::vector<std::uint8_t>& haystack, const std::vector<std::uint8_t>& needle)
{
    return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end()) != haystack.end();
}

std::vector<std::uint8_t> doneBytes(std::uint8_t token, std::uint16_t status, std::uint16_t command,
                                    std::int32_t count)
{
    tds::ByteWriter w;
    w.u8(token);
    w.u16le(status);
    w.u16le(command);
    w.i32le(count);
    return w.bytes();
}

void usePrivateOdbcConfig()
{
    struct TemporaryDirectory {
        std::filesystem::path path;
        TemporaryDirectory()
        {
            char pattern[] = "/tmp/tds-odbc-XXXXXX";
            if (::mkdtemp(pattern))
                path = pattern;
        }
        ~TemporaryDirectory()
        {
            std::error_code ignored;
            if (!path.empty())
                std::filesystem::remove_all(path, ignored);
        }
    };
    static const TemporaryDirectory temporary;
    const std::filesystem::path& directory = temporary.path;
    std::ofstream(directory / "odbcinst.ini")
        << "[FreeTDS]\nDescription=FreeTDS\nDriver=/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so\n";
    std::ofstream(directory / "odbc.ini") << "";
    ::setenv("ODBCSYSINI", directory.c_str(), 1);
    ::setenv("ODBCINI", (directory / "user.ini").c_str(), 1);
    for (const char* name : {"TDSVER", "TDSPORT", "TDSHOST", "TDSQUERY", "ODBCINSTINI", "FREETDSCONF", "FREETDS"})
        ::unsetenv(name);
}

}  // namespace tds_test
