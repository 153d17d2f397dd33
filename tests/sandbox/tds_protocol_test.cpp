// The TDS protocol: framing, requests, logins, the bytes of every column type, login rules, attentions, idle
// clients and the session cap over raw sockets, and bounded fuzzing of the parsers and of a live server.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <thread>

#include "tds/login.h"
#include "tds/packet.h"
#include "tds/requests.h"
#include "tds/tokens.h"
#include "tds/type_encoding.h"
#include "tds/wire.h"
#include "tds_test_support.h"

using namespace sandbox;
using namespace sandbox::tds;
using namespace std::string_literals;
using namespace std::chrono_literals;
using namespace tds_test;
using I = std::int64_t;

namespace {

// Every message a MessageReader finds in the bytes, as "type:size "; "error" when it throws.
std::string readAll(const B& bytes, std::size_t limit = 1 << 20)
{
    std::size_t position = 0;
    MessageReader reader(
        [&](std::uint8_t* buffer, std::size_t size) {
            if (bytes.size() - position < size)
                return false;
            std::memcpy(buffer, bytes.data() + position, size);
            position += size;
            return true;
        },
        limit);
    std::string out;
    try {
        while (auto message = reader.next())
            out += std::to_string(message->type) + ":" + std::to_string(message->payload.size()) + " ";
    } catch (const ProtocolError&) {
        out += "error";
    }
    return out;
}

// An ERROR token as SQL Server sends it.
B errorBytes(int number, int state, int severity, const std::string& text)
{
    ByteWriter w;
    writeMessage(w, ServerMessage{number, state, severity, text, "", 1}, "SANDBOX");
    return w.bytes();
}

const B selectOneDone = doneBytes(0xFD, 0x10, 0xC1, 1);
const B attentionDone = doneBytes(0xFD, 0x20, 0, 0);

B randomBytes(std::mt19937& random, std::size_t maxSize)
{
    B bytes(random() % (maxSize + 1));
    for (auto& b : bytes)
        b = static_cast<std::uint8_t>(random());
    return bytes;
}

// 1 to 8 edits: a changed byte, a cut or an inserted byte.
B mutate(B bytes, std::mt19937& random)
{
    for (int e = 1 + static_cast<int>(random() % 8); e > 0; --e) {
        const std::size_t at = bytes.empty() ? 0 : random() % bytes.size();
        if (const auto kind = random() % 4; kind == 0)
            bytes.resize(at);
        else if (kind == 1)
            bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(at), static_cast<std::uint8_t>(random()));
        else if (!bytes.empty())
            bytes[at] = static_cast<std::uint8_t>(random());
    }
    return bytes;
}

// Runs parse; a ProtocolError is a fine answer, anything else fails the test. True when it parsed.
template <typename F> bool parses(F&& parse)
{
    try {
        parse();
        return true;
    } catch (const ProtocolError&) {
        return false;
    }
}

} // namespace

TEST(TdsWire, ReaderJoinsPacketsSkipsAbandonedMessagesAndRejectsMalformedFraming)
{
    B stream = framePackets(0x01, B(3000, 7), 1000);
    stream[6] = 0; // FreeTDS sends packet id 0 or 1 without counting
    stream[1006] = 0;
    // A message the client abandoned (EOM + ignore), then an attention.
    stream.insert(stream.end(), {0x01, 0x03, 0x00, 0x0A, 0, 0, 1, 0, 'x', 0, 0x06, 0x01, 0x00, 0x08, 0, 0, 1, 0});
    EXPECT_EQ(readAll(stream), "1:3000 6:0 ");
    EXPECT_EQ(readAll({0x01, 0x01, 0x00, 0x04, 0, 0, 0, 0}), "error") << "length below the header";
    EXPECT_EQ(readAll({0x01, 0x01, 0x00, 0x20, 0, 0, 0, 0, 1, 2}), "error") << "truncated body";
    EXPECT_EQ(readAll({0x01, 0x00, 0x00, 0x0A, 0, 0, 0, 0, 1, 2}), "error") << "stream ends inside a message";
    EXPECT_EQ(readAll({0x01, 0x00, 0x00, 0x09, 0, 0, 0, 0, 1, 0x03, 0x01, 0x00, 0x09, 0, 0, 0, 0, 1}), "error")
        << "type changes between packets";
    EXPECT_EQ(readAll(framePackets(0x01, B(300, 7), 4096), 200), "error") << "message above the limit";

    // Batch text and RPC names, with and without ALL_HEADERS.
    const B allHeaders{0x16, 0, 0, 0, 0x12, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0};
    EXPECT_EQ(batchText(utf16le("SEL\xC3\xA9")), "SEL\xC3\xA9");
    EXPECT_EQ(batchText(concat({allHeaders, utf16le("SEL")})), "SEL");
    B broken = concat({allHeaders, utf16le("SEL")});
    broken[4] = 0x30; // lengths that do not add up: read as text (which the engine rejects), not skipped
    EXPECT_EQ(batchText(broken).value_or("").substr(0, 2), "\x16\0"s);
    EXPECT_FALSE(batchText(B{'S', 0, 0x00, 0xDC})) << "an unpaired surrogate";
    EXPECT_EQ(rpcProcedureName(concat({allHeaders, {5, 0}, utf16le("sp_hi"), {0, 0}})), "sp_hi");
    EXPECT_THROW(rpcProcedureName(B{9, 0, 's', 0}), ProtocolError);
    EXPECT_THROW(rpcProcedureName(B{0xFF}), ProtocolError);
}

TEST(TdsWire, PreloginAndEveryFieldOfAFreeTdsLogin)
{
    // 'S' = 0x53: swap nibbles -> 0x35, XOR 0xA5 -> 0x90; the high byte 0x00 -> 0xA5.
    EXPECT_EQ(obfuscatePassword(utf16le("S")), (B{0x90, 0xA5}));
    const auto prelogin = parsePrelogin(buildPrelogin74());
    EXPECT_EQ(std::to_string(prelogin.hasMars) + prelogin.instance, "1MSSQLServer");
    EXPECT_EQ(preloginReply(prelogin)[20], 0x04) << "MARS in the reply when asked";
    EXPECT_EQ(preloginReply(PreloginRequest{})[20], 0xFF) << "and not without";
    EXPECT_THROW(parsePrelogin(B{0x00, 0x00, 0x40, 0x00, 0x06, 0xFF}), ProtocolError);

    LoginFields fields;
    fields.userName = "norvane";
    fields.password = " p\xC3\xA4ss;word ";
    fields.database = "harbor";
    fields.packetSize = 8192;
    const Login7 login = parseLogin7(buildLogin7(fields));
    EXPECT_EQ(login.hostName + "|" + login.userName + "|" + login.password + "|" + login.appName + "|" +
                  login.serverName + "|" + login.language + "|" + login.database,
              "testhost|norvane| p\xC3\xA4ss;word |tds tests|127.0.0.1|us_english|harbor")
        << "the server name is cut at FreeTDS's embedded NUL, the password keeps its blanks";
    EXPECT_EQ(std::tuple(login.tdsVersion, login.packetSize, login.clientPid, login.clientTimeZone, login.clientLcid),
              std::tuple(0x74000004u, 8192u, 4242u, -120, 0x0436u));
    EXPECT_EQ(login.clientId, (std::array<std::uint8_t, 6>{0x00, 0x16, 0x3E, 0x01, 0x02, 0x03}));
    fields.optionFlags2 = 0x83;
    EXPECT_TRUE(parseLogin7(buildLogin7(fields)).integratedSecurity());

    // Fields outside the message and texts that are no UTF-16 are refused.
    const B good = buildLogin7({});
    const std::size_t host = good[36] | (good[37] << 8);
    for (const auto& [at, bytes] :
         {std::pair<std::size_t, B>{36, {0xFF, 0x7F}}, {0, {0xFF, 0xFF}}, {host, {0, 0xD8}}}) {
        B damaged = good;
        std::copy(bytes.begin(), bytes.end(), damaged.begin() + static_cast<std::ptrdiff_t>(at));
        EXPECT_THROW(parseLogin7(damaged), ProtocolError) << "damaged at " << at;
    }
    EXPECT_THROW(parseLogin7(B(good.begin(), good.begin() + 60)), ProtocolError) << "shortened";
}

TEST(TdsWire, ColumnMetadataAndValueBytesOfEveryType)
{
    const B textPointer = concat({{16}, B(16, 0xA5), B(8, 0)});
    const B collation{0x09, 0x04, 0xD0, 0x00, 0x34};
    const B guid{16, 0x33, 0x22, 0x11, 0x00, 0x55, 0x44, 0x77, 0x66, 0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF};
    const struct {
        ColumnType type;
        Value value;
        B bytes;
        B metadata; // between the flags and the column name; empty: not checked in this row
    } cases[] = {
        {{SqlType::Int}, I{-2}, {4, 0xFE, 0xFF, 0xFF, 0xFF}, {0x26, 4}},
        {{SqlType::SmallInt}, I{-32768}, {2, 0x00, 0x80}, {0x26, 2}},
        {{SqlType::TinyInt}, I{255}, {1, 0xFF}, {0x26, 1}},
        {{SqlType::BigInt}, I{0x0102030405060708}, {8, 8, 7, 6, 5, 4, 3, 2, 1}, {0x26, 8}},
        {{SqlType::Bit}, I{7}, {1, 1}, {0x68, 1}},
        {{SqlType::Float}, 1.5, {8, 0, 0, 0, 0, 0, 0, 0xF8, 0x3F}, {0x6D, 8}},
        {{SqlType::Real}, 1.5, {4, 0, 0, 0xC0, 0x3F}, {0x6D, 4}},
        // -123.4567 at scale 4 = 1234567 = 0x12D687, sign byte 0 for negative; precision 0 means 18.
        {{SqlType::Decimal, 0, 10, 4}, "-123.4567"s, {9, 0, 0x87, 0xD6, 0x12, 0, 0, 0, 0, 0}, {0x6A, 9, 10, 4}},
        {{SqlType::Decimal, 0, 5, 2}, "1.005"s, {5, 1, 0x65, 0, 0, 0}, {}}, // half away from zero
        {{SqlType::Decimal, 0, 5, 0}, "1.5e2"s, {5, 1, 150, 0, 0, 0}, {}},
        {{SqlType::Numeric}, I{1}, {9, 1, 1, 0, 0, 0, 0, 0, 0, 0}, {0x6C, 9, 18, 0}},
        {{SqlType::Numeric, 0, 38, 0},
         "99999999999999999999999999999999999999"s,
         {17, 1, 0xFF, 0xFF, 0xFF, 0xFF, 0x3F, 0x22, 0x8A, 0x09, 0x7A, 0xC4, 0x86, 0x5A, 0xA8, 0x4C, 0x3B, 0x4B},
         {0x6C, 17, 38, 0}},
        // Money: the count of ten-thousandths, high half first.
        {{SqlType::Money}, "12345.6789"s, {8, 0, 0, 0, 0, 0x15, 0xCD, 0x5B, 0x07}, {0x6E, 8}},
        {{SqlType::Money}, "-0.0001"s, {8, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, {}},
        {{SqlType::Money}, "-922337203685477.5808"s, {8, 0x00, 0x00, 0x00, 0x80, 0, 0, 0, 0}, {}},
        {{SqlType::SmallMoney}, "-214748.3648"s, {4, 0, 0, 0, 0x80}, {0x6E, 4}},
        // Days since 1900 and 1/300 s ticks; .995 -> 299 ticks; 23:59:59.999 rounds into the next day.
        {{SqlType::DateTime}, "2000-01-01 01:00:00.003"s, {8, 0xAC, 0x8E, 0, 0, 0xC1, 0x7A, 0x10, 0}, {0x6F, 8}},
        {{SqlType::DateTime}, "1753-01-01T00:00:00"s, {8, 0x46, 0x2E, 0xFF, 0xFF, 0, 0, 0, 0}, {}},
        {{SqlType::DateTime}, "1900-01-01 00:00:00.995"s, {8, 0, 0, 0, 0, 0x2B, 0x01, 0, 0}, {}},
        {{SqlType::DateTime}, "1900-01-01 23:59:59.999"s, {8, 1, 0, 0, 0, 0, 0, 0, 0}, {}},
        {{SqlType::SmallDateTime}, "2000-01-01 01:00:40"s, {4, 0xAC, 0x8E, 61, 0}, {0x6F, 4}},
        // Code page 1252 for char types (? where it has no character), UCS-2 for the n-types.
        {{SqlType::VarChar, 20},
         "caf\xC3\xA9 \xE2\x82\xAC \xE6\x97\xA5"s,
         {8, 0, 'c', 'a', 'f', 0xE9, ' ', 0x80, ' ', '?'},
         concat({{0xA7, 20, 0}, collation})},
        {{SqlType::VarChar, 3}, "abcdef"s, {3, 0, 'a', 'b', 'c'}, {}},
        {{SqlType::VarChar, 0}, "xyz"s, {3, 0, 'x', 'y', 'z'}, concat({{0xA7, 0x40, 0x1F}, collation})},
        {{SqlType::Char, 5}, "ab"s, {5, 0, 'a', 'b', ' ', ' ', ' '}, concat({{0xAF, 5, 0}, collation})},
        {{SqlType::NVarChar, 10},
         "\xC3\xB1\xF0\x9D\x84\x9E"s,
         {6, 0, 0xF1, 0x00, 0x34, 0xD8, 0x1E, 0xDD},
         concat({{0xE7, 20, 0}, collation})},
        {{SqlType::NVarChar, 2}, "a\xF0\x9D\x84\x9E"s, {2, 0, 'a', 0}, {}}, // a surrogate pair is never cut
        {{SqlType::NVarChar, 9000}, "a"s, {2, 0, 'a', 0}, concat({{0xE7, 0x40, 0x1F}, collation})},
        {{SqlType::NChar, 3}, "x"s, {6, 0, 'x', 0, ' ', 0, ' ', 0}, concat({{0xEF, 6, 0}, collation})},
        {{SqlType::Text},
         "h\xC3\xA9"s,
         concat({textPointer, {2, 0, 0, 0, 'h', 0xE9}}),
         concat({{0x23, 0xFF, 0xFF, 0xFF, 0x7F}, collation, {0, 0}})},
        {{SqlType::NText},
         "h\xC3\xA9"s,
         concat({textPointer, {4, 0, 0, 0, 'h', 0, 0xE9, 0}}),
         concat({{0x63, 0xFE, 0xFF, 0xFF, 0x7F}, collation, {0, 0}})},
        {{SqlType::Image},
         Bytes{0xDE, 0xAD},
         concat({textPointer, {2, 0, 0, 0, 0xDE, 0xAD}}),
         {0x22, 0xFF, 0xFF, 0xFF, 0x7F, 0, 0}},
        {{SqlType::Binary, 4}, Bytes{1, 2}, {4, 0, 1, 2, 0, 0}, {0xAD, 4, 0}},
        {{SqlType::VarBinary, 10}, Bytes{0xCA, 0xFE}, {2, 0, 0xCA, 0xFE}, {0xA5, 10, 0}},
        {{SqlType::UniqueIdentifier}, "{00112233-4455-6677-8899-AABBCCDDEEFF}"s, guid, {0x24, 16}},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        SCOPED_TRACE("case " + std::to_string(i) + ", type " + std::to_string(int(c.type.type)));
        ByteWriter value, null, metadata;
        writeValue(value, c.type, c.value);
        EXPECT_EQ(value.bytes(), c.bytes);
        writeValue(null, c.type, Null{});
        const auto t = c.type.type; // types with a USHORT length send NULL as 0xFFFF, the others as a zero length
        const bool ushort = t == SqlType::Char || t == SqlType::VarChar || t == SqlType::NChar ||
                            t == SqlType::NVarChar || t == SqlType::Binary || t == SqlType::VarBinary;
        EXPECT_EQ(null.bytes(), (ushort ? B{0xFF, 0xFF} : B{0}));
        writeColumnMetadata(metadata, ResultColumn{"c", c.type});
        if (!c.metadata.empty()) {
            EXPECT_EQ(metadata.bytes(), concat({{0, 0, 1, 0}, c.metadata, {1, 'c', 0}}));
        }
    }
    ByteWriter timestamp, name;
    writeColumnMetadata(timestamp, ResultColumn{"c", {SqlType::Timestamp}});
    EXPECT_EQ(timestamp.bytes(), (B{80, 0, 0, 0, 0xAD, 8, 0, 1, 'c', 0})) << "user type 80, not nullable";
    writeColumnMetadata(name, ResultColumn{"\xC3\xA9t\xC3\xA9", {SqlType::Int}});
    EXPECT_EQ(name.bytes(), (B{0, 0, 1, 0, 0x26, 4, 3, 0xE9, 0, 't', 0, 0xE9, 0}));

    const struct {
        ColumnType type;
        Value value;
        int number;
    } refused[] = {
        {{SqlType::Int}, I{2147483648}, 8115},
        {{SqlType::Int}, "12x"s, 245},
        {{SqlType::Float}, 1.0 / 0.0, 8115},
        {{SqlType::Decimal, 0, 5, 2}, "abc"s, 8114},
        {{SqlType::Money}, "922337203685477.5808"s, 8115},
        {{SqlType::DateTime}, "1752-12-31"s, 242},
        {{SqlType::DateTime}, "2001-02-29"s, 241},
        {{SqlType::UniqueIdentifier}, "00112233-4455-6677-8899-AABBCCDDEEF"s, 8169},
    };
    for (const auto& r : refused) {
        ByteWriter out;
        int number = 0;
        try {
            writeValue(out, r.type, r.value);
        } catch (const ConversionError& e) {
            number = e.number;
        }
        EXPECT_EQ(number, r.number) << "type " << int(r.type.type);
    }
}

TEST(TdsSession, TheLoginRules)
{
    EngineServer server({{"sa", ""}, {"norvane", "Secret1;x"}, {"dev", " two blanks "}});
    const struct {
        const char* name;
        LoginFields fields;
        B refusal; // empty: accepted
    } cases[] = {
        {"a wrong password",
         {.userName = "norvane", .password = "wrong"},
         errorBytes(18456, 1, 14, "Login failed for user 'norvane'.")},
        {"Windows authentication",
         {.userName = "", .password = "", .database = "master", .optionFlags2 = 0x83},
         errorBytes(18452, 1, 14,
                    "Login failed for user ''. The user is not associated with a trusted SQL Server connection.")},
        {"an unknown database",
         {.userName = "sa", .password = "", .database = "nowhere"},
         errorBytes(4060, 1, 11, "Cannot open database requested in login 'nowhere'. Login fails.")},
        {"a password without its trailing blank",
         {.userName = "dev", .password = " two blanks"},
         errorBytes(18456, 1, 14, "Login failed for user 'dev'.")},
        {"login names compare case-insensitively", {.userName = "NORVANE", .password = "Secret1;x"}, {}},
        {"a password with blanks at both ends", {.userName = "dev", .password = " two blanks "}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RawClient other(server.port());
        if (c.refusal.empty()) {
            ASSERT_TRUE(other.login(c.fields));
            const auto who = other.batch("SELECT SUSER_SNAME() + '|' + HOST_NAME() + '|' + APP_NAME()");
            const std::string expected = c.fields.userName + "|testhost|tds tests";
            EXPECT_TRUE(contains(who.value_or(B{}), B(expected.begin(), expected.end()))) << "varchar";
            continue;
        }
        ASSERT_TRUE(other.send(0x10, buildLogin7(c.fields))) << "a login without PRELOGIN is accepted too";
        EXPECT_EQ(other.receive(), concat({c.refusal, doneBytes(0xFD, 0x02, 0, 0)}));
        EXPECT_TRUE(other.closedByServer());
    }
}

TEST(TdsSession, AttentionsPacketSizesAndBrokenText)
{
    EngineServer server;
    RawClient client(server.port());
    ASSERT_TRUE(client.login());

    // An attention with nothing running is answered too.
    ASSERT_TRUE(client.send(0x06, B{}));
    EXPECT_EQ(client.receive(), attentionDone);
    // Batch and attention in one write: the answer ends in DONE(ATTN) and nothing stray follows.
    ASSERT_TRUE(client.sendRaw(concat({framePackets(0x01, utf16le("SELECT 1"), 4096), framePackets(0x06, {}, 4096)})));
    auto reply = client.receive();
    if (reply && lastDone(*reply) != attentionDone)
        reply = client.receive(); // the batch finished first: the attention gets its own answer
    EXPECT_EQ(lastDone(reply.value_or(B{})), attentionDone);
    reply = client.batch("SELECT 2");
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->front(), 0x81) << "the next answer starts with its own COLMETADATA";
    EXPECT_EQ(lastDone(*reply), selectOneDone);
    // Invalid UTF-16 ends this session only.
    ASSERT_TRUE(client.send(0x01, B{0x00, 0xD8, 'x', 0}));
    EXPECT_TRUE(client.closedByServer());
    RawClient other(server.port());
    LoginFields fields;
    fields.packetSize = 512;
    EXPECT_TRUE(other.login(fields)) << "the server keeps serving others";
    EXPECT_GT(other.batch("SELECT REPLICATE('x', 2000)").value_or(B{}).size(), 512u);
    EXPECT_EQ(other.longestPacket(), 512u) << "responses are split at the negotiated size";
}

TEST(TdsSession, ClientsThatDoNotLogInAreDroppedAndTheSessionCapAnswers17809)
{
    ServerLimits limits;
    limits.maxSessions = 3;
    limits.loginTimeout = 600ms;
    EngineServer server({{"sa", ""}}, limits);

    // Idle, half-logged-in and trickling clients, more of them than the cap: all dropped by the deadline.
    std::vector<std::unique_ptr<RawClient>> late;
    const auto started = std::chrono::steady_clock::now();
    for (int i = 0; i < 8; ++i)
        late.push_back(std::make_unique<RawClient>(server.port()));
    ASSERT_TRUE(late[6]->send(0x12, buildPrelogin74()));
    ASSERT_TRUE(late[6]->receive());
    const B login = framePackets(0x10, buildLogin7({}), 4096);
    for (std::size_t i = 0; i < 4; ++i) { // a few bytes at a time, each before any per-read timeout
        ASSERT_TRUE(late[7]->sendRaw({login[i * 2], login[i * 2 + 1]}));
        std::this_thread::sleep_for(120ms);
    }
    EXPECT_TRUE(RawClient(server.port()).login()) << "connections still logging in do not count against the cap";
    for (auto& client : late)
        EXPECT_TRUE(client->closedByServer(3000));
    const auto took = std::chrono::steady_clock::now() - started;
    EXPECT_GE(took, 550ms);
    EXPECT_LT(took, 2500ms) << "dropped soon after the login deadline";

    // Three sessions fill the cap; the fourth login hears why it is refused.
    std::vector<std::unique_ptr<RawClient>> sessions;
    for (int i = 0; i < 3; ++i) {
        sessions.push_back(std::make_unique<RawClient>(server.port()));
        ASSERT_TRUE(sessions.back()->login()) << i;
    }
    std::this_thread::sleep_for(800ms); // logged-in sessions outlive the login deadline
    EXPECT_EQ(lastDone(sessions[0]->batch("SELECT 1").value_or(B{})), selectOneDone);
    RawClient refused(server.port());
    ASSERT_TRUE(refused.send(0x10, buildLogin7({})));
    EXPECT_EQ(refused.receive(),
              concat({errorBytes(17809, 1, 20,
                                 "Unable to connect. The maximum number of '3' configured user connections are "
                                 "already connected. System Administrator can configure to a higher value with "
                                 "sp_configure."),
                      doneBytes(0xFD, 0x02, 0, 0)}));
    EXPECT_TRUE(refused.closedByServer(3000));

    // A session that leaves gives its place to the next login.
    sessions[1]->disconnect();
    bool admitted = false;
    for (int attempt = 0; attempt < 30 && !admitted; ++attempt) { // the server notices the close soon, not at once
        admitted = RawClient(server.port()).login();
        std::this_thread::sleep_for(admitted ? 0ms : 100ms);
    }
    EXPECT_TRUE(admitted);
}

TEST(TdsFuzz, ParsersAcceptOrRejectMutatedInputWithoutFaults)
{
    std::mt19937 random(20261206);
    LoginFields fields;
    fields.password = "Secret1";
    const B login = buildLogin7(fields);
    const B framed = framePackets(0x01, utf16le("select * from t"), 16);
    int accepted = 0;
    for (int i = 0; i < 4000; ++i) {
        accepted += parses([&] { parseLogin7(mutate(login, random)); });
        parses([&] { parsePrelogin(mutate(buildPrelogin74(), random)); });
        parses([&] { rpcProcedureName(randomBytes(random, 40)); });
        batchText(mutate(framed, random));
        const B stream = i % 3 ? mutate(framed, random) : randomBytes(random, 200);
        readAll(stream, 4096);
    }
    EXPECT_GT(accepted, 0) << "some mutations keep a login readable";
    EXPECT_LT(accepted, 4000) << "and many are rejected";
}

TEST(TdsFuzz, LiveServerSurvivesGarbageAndStillServes)
{
    EngineServer server;
    std::mt19937 random(1206);
    const B prelogin = framePackets(0x12, buildPrelogin74(), 4096);
    const B login = framePackets(0x10, buildLogin7({}), 4096);
    static constexpr std::uint8_t types[] = {0x01, 0x02, 0x03, 0x06, 0x07, 0x0E, 0x10, 0x11, 0x12, 0x04, 0xFF};
    for (int i = 0; i < 1000; ++i) {
        RawClient client(server.port());
        const int mode = i % 4;
        if (mode == 0) {
            client.sendRaw(randomBytes(random, 300));
        } else if (mode == 1) {
            client.sendRaw(mutate(prelogin, random));
            client.sendRaw(mutate(login, random));
        } else if (client.login()) {
            for (int k = 0; k < 4; ++k) {
                const B payload = mode == 2 ? randomBytes(random, 120) : mutate(utf16le("select 1"), random);
                B bytes = framePackets(types[random() % std::size(types)], payload, 64 + random() % 512);
                if (!client.sendRaw(mode == 3 ? mutate(bytes, random) : bytes))
                    break;
            }
            client.receive(20);
        }
    }

    RawClient after(server.port());
    ASSERT_TRUE(after.login());
    EXPECT_EQ(lastDone(after.batch("select 1").value_or(B{})), doneBytes(0xFD, 0x10, 0xC1, 1));
}
