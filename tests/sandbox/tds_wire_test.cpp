// The TDS wire format without a network: packet framing, requests, PRELOGIN and LOGIN7, the bytes of
// every column type, the token stream of a batch, the command line and the SQL Browser answer.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "tds/browser.h"
#include "tds/command_line.h"
#include "tds/login.h"
#include "tds/packet.h"
#include "tds/requests.h"
#include "tds/text_codec.h"
#include "tds/token_sink.h"
#include "tds/tokens.h"
#include "tds/type_encoding.h"
#include "tds/wire.h"
#include "tds_test_support.h"

using namespace sandbox;
using namespace sandbox::tds;
using namespace std::string_literals;
using namespace tds_test;
using I = std::int64_t;

namespace {

B sequence(std::size_t size)
{
    B v(size);
    for (std::size_t i = 0; i < size; ++i)
        v[i] = static_cast<std::uint8_t>(i * 7);
    return v;
}

// A PacketWriter that keeps every packet it sends.
struct Capture {
    std::vector<B> packets;
    PacketWriter writer{[this](const std::uint8_t* d, std::size_t n) {
                            packets.emplace_back(d, d + n);
                            return true;
                        },
                        51};
    void append(const B& bytes) { writer.append(std::span<const std::uint8_t>(bytes)); }
    B payloads() const
    {
        B all;
        for (const auto& p : packets)
            all.insert(all.end(), p.begin() + 8, p.end());
        return all;
    }
};

// Every message a MessageReader finds in the bytes; "error" when it throws.
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

B valueBytes(const ColumnType& t, const Value& v)
{
    ByteWriter out;
    writeValue(out, t, v);
    return out.bytes();
}

B metadataBytes(const ColumnType& t, const std::string& name = "c")
{
    ByteWriter out;
    writeColumnMetadata(out, ResultColumn{name, t});
    return out.bytes();
}

ServerMessage message(int number, int severity, const std::string& text)
{
    ServerMessage m;
    m.number = number;
    m.severity = severity;
    m.text = text;
    return m;
}

B messageBytes(int number, int severity, const std::string& text)
{
    ByteWriter w;
    writeMessage(w, message(number, severity, text), "SANDBOX");
    return w.bytes();
}

} // namespace

TEST(TdsPacket, WriterSplitsAtThePacketSizeAndFinishesACutTokenAfterAnAttention)
{
    Capture c;
    c.writer.setPacketSize(512);
    c.append(sequence(1200)); // 504 + 504 + 192
    EXPECT_EQ(c.packets.size(), 2u) << "full packets go out at once, the last one waits for flush";
    c.writer.flush(true);
    ASSERT_EQ(c.packets.size(), 3u);
    const B headers[] = {{0x04, 0x00, 0x02, 0x00, 0, 51, 1, 0},
                         {0x04, 0x00, 0x02, 0x00, 0, 51, 2, 0},
                         {0x04, 0x01, 0x00, 200, 0, 51, 3, 0}};
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(B(c.packets[i].begin(), c.packets[i].begin() + 8), headers[i]) << "big-endian length, EOM last";
    EXPECT_EQ(c.payloads(), sequence(1200));

    // A payload of exactly one packet waits so that it can carry EOM; packet ids restart with each message.
    c.packets.clear();
    c.append(sequence(504));
    EXPECT_TRUE(c.packets.empty());
    c.writer.flush(true);
    ASSERT_EQ(c.packets.size(), 1u);
    EXPECT_EQ(B(c.packets[0].begin(), c.packets[0].begin() + 8), (B{0x04, 0x01, 0x02, 0x00, 0, 51, 1, 0}));

    // After an attention the token whose start went out is finished, the unstarted ones dropped.
    c.packets.clear();
    c.append(sequence(300));
    c.append(sequence(400)); // its first 204 bytes leave in the first packet
    c.append(sequence(50));
    ASSERT_EQ(c.packets.size(), 1u);
    c.writer.discard();
    c.append(doneBytes(0xFD, 0x20, 0, 0));
    c.writer.flush(true);
    EXPECT_EQ(c.payloads(), concat({sequence(300), sequence(400), doneBytes(0xFD, 0x20, 0, 0)}));

    // A cut exactly between tokens keeps nothing of the rest; a non-final flush sends without EOM.
    c.packets.clear();
    c.append(sequence(504));
    c.append(sequence(20));
    c.writer.discard();
    c.append(sequence(10));
    c.writer.flush(false);
    c.writer.flush(true);
    ASSERT_EQ(c.packets.size(), 3u);
    EXPECT_EQ(c.packets[1].size(), 18u);
    EXPECT_EQ(c.packets[1][1], 0x00);
    EXPECT_EQ(c.packets[2].size(), 8u);
    EXPECT_EQ(c.packets[2][1], 0x01);

    int calls = 0;
    PacketWriter failing([&](const std::uint8_t*, std::size_t) { return ++calls, false; }, 52);
    for (int i = 0; i < 2; ++i) {
        failing.append(std::span<const std::uint8_t>(sequence(10)));
        failing.flush(true);
    }
    EXPECT_TRUE(failing.failed());
    EXPECT_EQ(calls, 1) << "nothing more is written once the connection failed";
}

TEST(TdsPacket, ReaderJoinsPacketsSkipsAbandonedMessagesAndRejectsMalformedFraming)
{
    B stream = framePackets(0x01, sequence(3000), 1000);
    stream[6] = 0; // FreeTDS sends packet id 0 or 1 without counting
    stream[1006] = 0;
    // A message the client abandoned (EOM + ignore), then an attention.
    stream.insert(stream.end(), {0x01, 0x03, 0x00, 0x0A, 0, 0, 1, 0, 'x', 0, 0x06, 0x01, 0x00, 0x08, 0, 0, 1, 0});
    EXPECT_EQ(readAll(stream), "1:3000 6:0 ");

    const struct {
        const char* name;
        B bytes;
        std::size_t limit;
    } malformed[] = {
        {"length below the header", {0x01, 0x01, 0x00, 0x04, 0, 0, 0, 0}, 100},
        {"truncated body", {0x01, 0x01, 0x00, 0x20, 0, 0, 0, 0, 1, 2}, 100},
        {"stream ends inside a message", {0x01, 0x00, 0x00, 0x0A, 0, 0, 0, 0, 1, 2}, 100},
        {"type changes", {0x01, 0x00, 0x00, 0x09, 0, 0, 0, 0, 1, 0x03, 0x01, 0x00, 0x09, 0, 0, 0, 0, 1}, 100},
        {"message above the limit", framePackets(0x01, sequence(300), 4096), 200},
    };
    for (const auto& m : malformed)
        EXPECT_EQ(readAll(m.bytes, m.limit), "error") << m.name;
}

TEST(TdsRequests, BatchTextAndRpcNamesWithAndWithoutAllHeaders)
{
    const B allHeaders{0x16, 0, 0, 0, 0x12, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0};
    const B text{'S', 0, 'E', 0, 'L', 0, 0xE9, 0};
    EXPECT_EQ(batchText(text), "SEL\xC3\xA9");
    EXPECT_EQ(batchText(concat({allHeaders, text})), "SEL\xC3\xA9");
    // A header block whose lengths do not add up is read as text (which the engine rejects), not skipped.
    B broken = concat({allHeaders, text});
    broken[4] = 0x30;
    EXPECT_EQ(batchText(broken).value_or("").substr(0, 2), "\x16\0"s);
    EXPECT_FALSE(batchText(B{'S', 0, 0x00, 0xDC})) << "an unpaired surrogate";
    EXPECT_EQ(batchText(B{}), "");

    const B named{5, 0, 's', 0, 'p', 0, '_', 0, 'h', 0, 'i', 0, 0, 0};
    EXPECT_EQ(rpcProcedureName(B{0xFF, 0xFF, 13, 0, 0, 0}), "sp_prepexec");
    EXPECT_EQ(rpcProcedureName(B{0xFF, 0xFF, 99, 0}), "procedure id 99");
    EXPECT_EQ(rpcProcedureName(named), "sp_hi");
    EXPECT_EQ(rpcProcedureName(concat({allHeaders, named})), "sp_hi");
    EXPECT_THROW(rpcProcedureName(B{9, 0, 's', 0}), ProtocolError);
    EXPECT_THROW(rpcProcedureName(B{0xFF}), ProtocolError);
}

TEST(TdsLogin, PasswordScramblingPreloginAndEveryFieldOfAFreeTdsLogin)
{
    // 'S' = 0x53: swap nibbles -> 0x35, XOR 0xA5 -> 0x90; the high byte 0x00 -> 0xA5.
    EXPECT_EQ(obfuscatePassword(utf16le("S")), (B{0x90, 0xA5}));
    const B all = sequence(256);
    EXPECT_EQ(deobfuscatePassword(obfuscatePassword(all)), all);

    const auto prelogin = parsePrelogin(buildPrelogin74());
    EXPECT_TRUE(prelogin.hasMars);
    EXPECT_EQ(prelogin.encryption, 0x00);
    EXPECT_EQ(prelogin.instance, "MSSQLServer");
    EXPECT_EQ(preloginReply(prelogin), (B{0x00, 0x00, 0x1A, 0x00, 0x06, 0x01, 0x00, 0x20, 0x00, 0x01, 0x02, 0x00,
                                          0x21, 0x00, 0x01, 0x03, 0x00, 0x22, 0x00, 0x00, 0x04, 0x00, 0x22, 0x00,
                                          0x01, 0xFF, 0x08, 0x00, 0x02, 0xF8, 0x00, 0x00, 0x02, 0x00, 0x00}));
    const auto reply71 = preloginReply(PreloginRequest{});
    EXPECT_EQ(reply71.size(), 4u * 5 + 1 + 6 + 1 + 1) << "no MARS option without a MARS request";
    EXPECT_EQ(reply71[20], 0xFF);
    EXPECT_THROW(parsePrelogin(B{0x00, 0x00, 0x40, 0x00, 0x06, 0xFF}), ProtocolError);
    EXPECT_THROW(parsePrelogin(B{0x00, 0x00}), ProtocolError);

    LoginFields fields;
    fields.userName = "norvane";
    fields.password = " p\xC3\xA4ss;word ";
    fields.database = "harbor";
    fields.packetSize = 8192;
    const Login7 login = parseLogin7(buildLogin7(fields));
    EXPECT_EQ(login.tdsVersion, 0x74000004u);
    EXPECT_EQ(login.packetSize, 8192u);
    EXPECT_EQ(login.clientPid, 4242u);
    EXPECT_EQ(login.optionFlags1, 0xE0);
    EXPECT_FALSE(login.integratedSecurity());
    EXPECT_EQ(login.clientTimeZone, -120);
    EXPECT_EQ(login.clientLcid, 0x0436u);
    EXPECT_EQ(login.hostName + "|" + login.userName + "|" + login.password + "|" + login.appName + "|" +
                  login.serverName + "|" + login.language + "|" + login.database,
              "testhost|norvane| p\xC3\xA4ss;word |tds tests|127.0.0.1|us_english|harbor")
        << "the server name is cut at FreeTDS's embedded NUL, the password keeps its blanks";
    EXPECT_EQ(login.clientId, (std::array<std::uint8_t, 6>{0x00, 0x16, 0x3E, 0x01, 0x02, 0x03}));
    fields.tdsVersion = 0x71000001;
    fields.optionFlags2 = 0x83;
    const Login7 v71 = parseLogin7(buildLogin7(fields));
    EXPECT_EQ(v71.tdsVersion, 0x71000001u);
    EXPECT_TRUE(v71.integratedSecurity());
    EXPECT_EQ(v71.database, "harbor");

    // Fields outside the message and texts that are no UTF-16 are refused.
    const B good = buildLogin7({});
    const std::size_t host = good[36] | (good[37] << 8);
    const struct {
        const char* name;
        std::size_t at;
        std::vector<std::uint8_t> bytes;
    } damages[] = {{"host offset beyond the end", 36, {0xFF, 0x7F}},
                   {"declared length beyond the message", 0, {0xFF, 0xFF}},
                   {"a lone surrogate", host, {0x00, 0xD8}}};
    for (const auto& d : damages) {
        B damaged = good;
        std::copy(d.bytes.begin(), d.bytes.end(), damaged.begin() + static_cast<std::ptrdiff_t>(d.at));
        EXPECT_THROW(parseLogin7(damaged), ProtocolError) << d.name;
    }
    EXPECT_THROW(parseLogin7(B(good.begin(), good.begin() + 60)), ProtocolError) << "shortened";
}

TEST(TdsTypes, ColumnMetadataOfEveryType)
{
    const B collation{0x09, 0x04, 0xD0, 0x00, 0x34};
    const struct {
        ColumnType type;
        B info; // between the flags and the column name
    } cases[] = {
        {{SqlType::Int}, {0x26, 4}},
        {{SqlType::BigInt}, {0x26, 8}},
        {{SqlType::Bit}, {0x68, 1}},
        {{SqlType::Float}, {0x6D, 8}},
        {{SqlType::Decimal, 0, 10, 4}, {0x6A, 9, 10, 4}},
        {{SqlType::Numeric, 0, 38, 2}, {0x6C, 17, 38, 2}},
        {{SqlType::Numeric}, {0x6C, 9, 18, 0}}, // precision 0 means 18
        {{SqlType::Money}, {0x6E, 8}},
        {{SqlType::SmallMoney}, {0x6E, 4}},
        {{SqlType::DateTime}, {0x6F, 8}},
        {{SqlType::SmallDateTime}, {0x6F, 4}},
        {{SqlType::VarChar, 20}, concat({{0xA7, 20, 0}, collation})},
        {{SqlType::VarChar, 0}, concat({{0xA7, 0x40, 0x1F}, collation})}, // an unknown length never cuts a value
        {{SqlType::Char, 5}, concat({{0xAF, 5, 0}, collation})},
        {{SqlType::NVarChar, 20}, concat({{0xE7, 40, 0}, collation})},
        {{SqlType::NVarChar, 9000}, concat({{0xE7, 0x40, 0x1F}, collation})},
        {{SqlType::NChar, 4000}, concat({{0xEF, 0x40, 0x1F}, collation})},
        {{SqlType::Text}, concat({{0x23, 0xFF, 0xFF, 0xFF, 0x7F}, collation, {0, 0}})},
        {{SqlType::NText}, concat({{0x63, 0xFE, 0xFF, 0xFF, 0x7F}, collation, {0, 0}})},
        {{SqlType::Image}, {0x22, 0xFF, 0xFF, 0xFF, 0x7F, 0, 0}},
        {{SqlType::Binary, 4}, {0xAD, 4, 0}},
        {{SqlType::VarBinary, 10}, {0xA5, 10, 0}},
        {{SqlType::UniqueIdentifier}, {0x24, 16}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(metadataBytes(c.type), concat({{0, 0, 1, 0}, c.info, {1, 'c', 0}})) << int(c.type.type);
    EXPECT_EQ(metadataBytes({SqlType::BigInt, 0, 0, 0, false}), (B{0, 0, 0, 0, 0x26, 8, 1, 'c', 0}));
    EXPECT_EQ(metadataBytes({SqlType::Timestamp}), (B{80, 0, 0, 0, 0xAD, 8, 0, 1, 'c', 0}))
        << "user type 80, not nullable";
    EXPECT_EQ(metadataBytes({SqlType::NVarChar, 4}, "\xC3\xA9t\xC3\xA9"),
              concat({{0, 0, 1, 0, 0xE7, 8, 0}, collation, {3, 0xE9, 0, 't', 0, 0xE9, 0}}));
}

TEST(TdsTypes, ValueBytesOfEveryTypeAndTheErrorsOfValuesThatDoNotFit)
{
    const B textPointer = concat({{16}, B(16, 0xA5), B(8, 0)});
    const struct {
        ColumnType type;
        Value value;
        B bytes;
    } cases[] = {
        {{SqlType::Int}, I{-2}, {4, 0xFE, 0xFF, 0xFF, 0xFF}},
        {{SqlType::Int}, " 258 "s, {4, 0x02, 0x01, 0, 0}},
        {{SqlType::SmallInt}, I{-32768}, {2, 0x00, 0x80}},
        {{SqlType::TinyInt}, I{255}, {1, 0xFF}},
        {{SqlType::BigInt}, I{0x0102030405060708}, {8, 8, 7, 6, 5, 4, 3, 2, 1}},
        {{SqlType::Bit}, I{7}, {1, 1}},
        {{SqlType::Float}, 1.5, {8, 0, 0, 0, 0, 0, 0, 0xF8, 0x3F}},
        {{SqlType::Real}, 1.5, {4, 0, 0, 0xC0, 0x3F}},
        // -123.4567 at scale 4 = 1234567 = 0x12D687, sign byte 0 for negative.
        {{SqlType::Decimal, 0, 10, 4}, "-123.4567"s, {9, 0, 0x87, 0xD6, 0x12, 0, 0, 0, 0, 0}},
        {{SqlType::Decimal, 0, 5, 2}, "12.3"s, {5, 1, 0xCE, 0x04, 0, 0}},
        {{SqlType::Decimal, 0, 5, 2}, "1.005"s, {5, 1, 0x65, 0, 0, 0}}, // half away from zero
        {{SqlType::Decimal, 0, 5, 2}, I{7}, {5, 1, 0xBC, 0x02, 0, 0}},
        {{SqlType::Decimal, 0, 5, 2}, "-0.00"s, {5, 1, 0, 0, 0, 0}},
        {{SqlType::Decimal, 0, 5, 0}, "1.5e2"s, {5, 1, 150, 0, 0, 0}},
        {{SqlType::Numeric, 0, 38, 0},
         "99999999999999999999999999999999999999"s,
         {17, 1, 0xFF, 0xFF, 0xFF, 0xFF, 0x3F, 0x22, 0x8A, 0x09, 0x7A, 0xC4, 0x86, 0x5A, 0xA8, 0x4C, 0x3B, 0x4B}},
        // Money: the count of ten-thousandths, high half first.
        {{SqlType::Money}, "12345.6789"s, {8, 0, 0, 0, 0, 0x15, 0xCD, 0x5B, 0x07}},
        {{SqlType::Money}, "-0.0001"s, {8, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
        {{SqlType::Money}, "429496.7296"s, {8, 1, 0, 0, 0, 0, 0, 0, 0}},
        {{SqlType::Money}, "-922337203685477.5808"s, {8, 0x00, 0x00, 0x00, 0x80, 0, 0, 0, 0}},
        {{SqlType::SmallMoney}, "-214748.3648"s, {4, 0, 0, 0, 0x80}},
        // Days since 1900 and 1/300 s ticks; .995 -> 299 ticks; 23:59:59.999 rounds into the next day.
        {{SqlType::DateTime}, "2000-01-01 01:00:00.003"s, {8, 0xAC, 0x8E, 0, 0, 0xC1, 0x7A, 0x10, 0}},
        {{SqlType::DateTime}, "1900-01-01"s, {8, 0, 0, 0, 0, 0, 0, 0, 0}},
        {{SqlType::DateTime}, "1753-01-01T00:00:00"s, {8, 0x46, 0x2E, 0xFF, 0xFF, 0, 0, 0, 0}},
        {{SqlType::DateTime}, "1900-01-01 00:00:00.995"s, {8, 0, 0, 0, 0, 0x2B, 0x01, 0, 0}},
        {{SqlType::DateTime}, "1900-01-01 23:59:59.999"s, {8, 1, 0, 0, 0, 0, 0, 0, 0}},
        {{SqlType::SmallDateTime}, "2000-01-01 01:00:40"s, {4, 0xAC, 0x8E, 61, 0}},
        {{SqlType::SmallDateTime}, "2000-01-01 01:00:29.998"s, {4, 0xAC, 0x8E, 60, 0}},
        // Code page 1252 for char types (? where it has no character), UCS-2 for the n-types.
        {{SqlType::VarChar, 20},
         "caf\xC3\xA9 \xE2\x82\xAC \xE6\x97\xA5"s,
         {8, 0, 'c', 'a', 'f', 0xE9, ' ', 0x80, ' ', '?'}},
        {{SqlType::Char, 5}, "ab"s, {5, 0, 'a', 'b', ' ', ' ', ' '}},
        {{SqlType::VarChar, 3}, "abcdef"s, {3, 0, 'a', 'b', 'c'}},
        {{SqlType::VarChar, 3}, I{42}, {2, 0, '4', '2'}},
        {{SqlType::Char, 0}, "xyz"s, {1, 0, 'x'}},
        {{SqlType::VarChar, 3}, ""s, {0, 0}},
        {{SqlType::NVarChar, 10}, "\xC3\xB1\xF0\x9D\x84\x9E"s, {6, 0, 0xF1, 0x00, 0x34, 0xD8, 0x1E, 0xDD}},
        {{SqlType::NChar, 3}, "x"s, {6, 0, 'x', 0, ' ', 0, ' ', 0}},
        {{SqlType::NVarChar, 2}, "a\xF0\x9D\x84\x9E"s, {2, 0, 'a', 0}}, // a surrogate pair is never cut in half
        {{SqlType::Text}, "h\xC3\xA9"s, concat({textPointer, {2, 0, 0, 0, 'h', 0xE9}})},
        {{SqlType::NText}, "h\xC3\xA9"s, concat({textPointer, {4, 0, 0, 0, 'h', 0, 0xE9, 0}})},
        {{SqlType::Image}, Bytes{0xDE, 0xAD}, concat({textPointer, {2, 0, 0, 0, 0xDE, 0xAD}})},
        {{SqlType::Binary, 4}, Bytes{1, 2}, {4, 0, 1, 2, 0, 0}},
        {{SqlType::VarBinary, 10}, Bytes{0xCA, 0xFE}, {2, 0, 0xCA, 0xFE}},
        {{SqlType::Timestamp}, Bytes{0, 0, 0, 0, 0, 0, 0x07, 0xD1}, {8, 0, 0, 0, 0, 0, 0, 0, 0x07, 0xD1}},
        {{SqlType::UniqueIdentifier},
         "{00112233-4455-6677-8899-AABBCCDDEEFF}"s,
         {16, 0x33, 0x22, 0x11, 0x00, 0x55, 0x44, 0x77, 0x66, 0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF}},
        {{SqlType::UniqueIdentifier},
         "00112233-4455-6677-8899-aabbccddeeff"s,
         {16, 0x33, 0x22, 0x11, 0x00, 0x55, 0x44, 0x77, 0x66, 0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF}},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE("case " + std::to_string(i) + ", type " + std::to_string(int(cases[i].type.type)));
        EXPECT_EQ(valueBytes(cases[i].type, cases[i].value), cases[i].bytes);
        const SqlType t = cases[i].type.type;
        const bool ushortLength = t == SqlType::Char || t == SqlType::VarChar || t == SqlType::NChar ||
                                  t == SqlType::NVarChar || t == SqlType::Binary || t == SqlType::VarBinary ||
                                  t == SqlType::Timestamp;
        EXPECT_EQ(valueBytes(cases[i].type, Null{}), (ushortLength ? B{0xFF, 0xFF} : B{0}));
    }

    const struct {
        ColumnType type;
        Value value;
        int number;
    } refused[] = {
        {{SqlType::Int}, I{2147483648}, 8115},
        {{SqlType::TinyInt}, I{-1}, 8115},
        {{SqlType::SmallInt}, I{40000}, 8115},
        {{SqlType::Int}, "12x"s, 245},
        {{SqlType::Float}, 1.0 / 0.0, 8115},
        {{SqlType::Decimal, 0, 5, 2}, "1234.5"s, 8115},
        {{SqlType::Decimal, 0, 5, 2}, "abc"s, 8114},
        {{SqlType::SmallMoney}, "214748.3648"s, 8115},
        {{SqlType::Money}, "922337203685477.5808"s, 8115},
        {{SqlType::DateTime}, "1752-12-31"s, 242},
        {{SqlType::SmallDateTime}, "2079-06-07"s, 242},
        {{SqlType::DateTime}, "2001-02-29"s, 241},
        {{SqlType::DateTime}, "yesterday"s, 241},
        {{SqlType::UniqueIdentifier}, "00112233-4455-6677-8899-AABBCCDDEEF"s, 8169},
    };
    for (std::size_t i = 0; i < std::size(refused); ++i) {
        int number = 0;
        try {
            valueBytes(refused[i].type, refused[i].value);
        } catch (const ConversionError& e) {
            number = e.number;
        }
        EXPECT_EQ(number, refused[i].number) << "refused case " << i;
    }

    EXPECT_EQ(utf8ToUtf16("a\xC3\xA9\xF0\x9D\x84\x9E"), (std::u16string{u'a', 0xE9, 0xD834, 0xDD1E}));
    EXPECT_EQ(utf8ToUtf16("a\xFF"
                          "b\xC3"),
              (std::u16string{u'a', 0xFFFD, u'b', 0xFFFD}));
    EXPECT_EQ(utf8ToUtf16("\xE0\x80\x80"), (std::u16string{0xFFFD})) << "overlong forms are not decoded";
    EXPECT_EQ(utf16leToUtf8(B{'a', 0, 0xE9, 0, 0x34, 0xD8, 0x1E, 0xDD}), "a\xC3\xA9\xF0\x9D\x84\x9E");
    EXPECT_FALSE(utf16leToUtf8(B{'a'}));
    EXPECT_FALSE(utf16leToUtf8(B{0x34, 0xD8, 'a', 0}));
    EXPECT_FALSE(utf16leToUtf8(B{0x1E, 0xDD}));
    EXPECT_EQ(utf8ToCp1252("\xE2\x80\x9Cq\xE2\x80\x9D \xC5\x93 \xC2\xA0"), "\x93q\x94 \x9C \xA0");
}

TEST(TdsSink, TheTokenStreamOfABatch)
{
    const ResultColumn n{"n", {SqlType::Int}};
    ByteWriter meta;
    writeColumnMetadata(meta, std::vector<ResultColumn>{n});
    const B error208 = messageBytes(208, 16, "Invalid object name 'x'.");
    const B killed = messageBytes(6106, 20, "Process ID 51 was ended by KILL.");
    ServerMessage info;
    info.text = "late";
    const struct {
        const char* name;
        std::function<void(TokenSink&, bool& cancel)> calls;
        B expected;
    } cases[] = {
        {"statements get DONE with MORE, counts where given",
         [&](TokenSink& s, bool&) {
             s.beginResult({n});
             s.row({I{5}});
             s.row({I{6}});
             s.statementDone(2, false);
             s.statementDone(3, false);            // an UPDATE
             s.statementDone(std::nullopt, false); // a SET
             s.message(message(208, 16, "Invalid object name 'x'."));
             s.statementDone(std::nullopt, true);
             s.finish();
         },
         concat({meta.bytes(),
                 {0xD1, 4, 5, 0, 0, 0},
                 {0xD1, 4, 6, 0, 0, 0},
                 doneBytes(0xFD, 0x11, 0xC1, 2),
                 doneBytes(0xFD, 0x11, 0, 3),
                 doneBytes(0xFD, 0x01, 0, 0),
                 error208,
                 doneBytes(0xFD, 0x02, 0, 0)})},
        {"an empty batch still ends with a DONE", [](TokenSink& s, bool&) { s.finish(); }, doneBytes(0xFD, 0, 0, 0)},
        {"a value that does not fit ends the result with an error",
         [&](TokenSink& s, bool&) {
             s.beginResult({n});
             s.row({I{1}});
             s.row({"not a number"s});
             s.row({I{3}});
             s.statementDone(3, false);
             s.finish();
         },
         concat({meta.bytes(),
                 {0xD1, 4, 1, 0, 0, 0},
                 messageBytes(245, 16,
                              "Syntax error converting the varchar value 'not a number' to a column of data type int."),
                 doneBytes(0xFD, 0x02, 0xC1, 3)})},
        {"nothing is written once cancelled",
         [&](TokenSink& s, bool& cancel) {
             s.beginResult({n});
             cancel = true;
             EXPECT_TRUE(s.cancelled());
             s.row({I{1}});
             s.message(info);
             s.statementDone(1, false);
         },
         meta.bytes()},
        {"a fatal message ends the response with an error DONE",
         [&](TokenSink& s, bool&) {
             s.statementDone(std::nullopt, false);
             s.message(message(6106, 20, "Process ID 51 was ended by KILL."));
             EXPECT_TRUE(s.fatal());
             EXPECT_TRUE(s.cancelled()) << "the batch stops at a fatal error";
             s.message(info);
             s.statementDone(2, false);
             s.finish();
         },
         concat({doneBytes(0xFD, 0x01, 0, 0), killed, doneBytes(0xFD, 0x02, 0, 0)})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Capture capture;
        bool cancel = false;
        TokenSink sink(capture.writer, "SANDBOX", [&] { return cancel; });
        c.calls(sink, cancel);
        capture.writer.flush(true);
        EXPECT_EQ(capture.payloads(), c.expected);
        EXPECT_EQ(capture.packets.size(), 1u);
    }

    // Informational messages leave at once, each with a DONE, before the batch ends.
    Capture c;
    TokenSink sink(c.writer, "SANDBOX", [] { return false; });
    sink.message(info);
    ASSERT_EQ(c.packets.size(), 1u);
    EXPECT_EQ(c.packets[0][1], 0x00) << "not the end of the message";
    EXPECT_EQ(c.payloads(), concat({messageBytes(0, 0, "late"), doneBytes(0xFD, 0x01, 0, 0)}));
    sink.statementDone(std::nullopt, false);
    sink.databaseChanged("master", "harbor");
    sink.finish();
    c.writer.flush(true);
    ASSERT_EQ(c.packets.size(), 2u);
    EXPECT_EQ(B(c.packets[1].begin() + 8, c.packets[1].end()), concat({doneBytes(0xFD, 0x01, 0, 0),
                                                                       {0xE3, 0x1B, 0x00, 0x01, 6},
                                                                       utf16le("harbor"),
                                                                       {6},
                                                                       utf16le("master"),
                                                                       doneBytes(0xFD, 0, 0, 0)}));
    Capture other;
    TokenSink ordinary(other.writer, "SANDBOX", [] { return false; });
    ordinary.message(message(208, 16, "x"));
    EXPECT_FALSE(ordinary.fatal()) << "severity 16 is no reason to stop";
    EXPECT_FALSE(ordinary.cancelled());
}

TEST(TdsCommandLine, ParsesEveryOptionAndNamesWhatIsWrong)
{
    const auto parsed = parseCommandLine({"--data", "/tmp/d", "--port", "14330", "--login", "u1:p:w", "--sample",
                                          "--login", "U2:", "--browser-port", "0", "--work-delay-ms", "250"});
    ASSERT_TRUE(std::holds_alternative<CommandLine>(parsed));
    const auto& options = std::get<CommandLine>(parsed);
    EXPECT_EQ(options.dataDirectory, "/tmp/d");
    EXPECT_EQ(options.port, 14330);
    EXPECT_TRUE(options.sample);
    EXPECT_EQ(options.browserPort, std::optional<std::uint16_t>(0));
    EXPECT_EQ(options.logins, (std::map<std::string, std::string>{{"u1", "p:w"}, {"U2", ""}}));
    EXPECT_EQ(options.workDelayMs, 250u);
    EXPECT_FALSE(options.help);
    const auto plain = std::get<CommandLine>(parseCommandLine({"--data", "d"}));
    EXPECT_EQ(plain.port, 0);
    EXPECT_FALSE(plain.sample);
    EXPECT_FALSE(plain.browserPort);
    EXPECT_EQ(plain.logins, (std::map<std::string, std::string>{{"sa", ""}}));
    EXPECT_EQ(plain.workDelayMs, 0u);
    EXPECT_TRUE(std::get<CommandLine>(parseCommandLine({"--help"})).help) << "no --data needed to ask for help";

    const struct {
        std::vector<std::string> arguments;
        std::string error;
    } wrong[] = {
        {{}, "--data DIR is required"},
        {{"--data"}, "--data needs a value"},
        {{"--data", "d", "--port", "70000"}, "--port needs a port number from 0 to 65535, not '70000'"},
        {{"--data", "d", "--port", "-1"}, "--port needs a port number from 0 to 65535, not '-1'"},
        {{"--data", "d", "--login", "nopassword"}, "--login needs NAME:PASSWORD, not 'nopassword'"},
        {{"--data", "d", "--login", ":x"}, "--login needs NAME:PASSWORD, not ':x'"},
        {{"--data", "d", "--verbose"}, "unknown option '--verbose'"},
        {{"--data", "d", "--work-delay-ms", "10001"},
         "--work-delay-ms needs a number of milliseconds from 0 to 10000, not '10001'"},
        {{"--data", "d", "--work-delay-ms", "-5"},
         "--work-delay-ms needs a number of milliseconds from 0 to 10000, not '-5'"},
    };
    for (const auto& w : wrong) {
        const auto result = parseCommandLine(w.arguments);
        const auto* error = std::get_if<std::string>(&result);
        EXPECT_EQ(error ? *error : "accepted", w.error);
    }
}

TEST(TdsBrowser, AnswersTheExRequestsForItsOwnInstanceOnly)
{
    const std::string record =
        "ServerName;SANDBOX;InstanceName;MSSQLSERVER;IsClustered;No;Version;8.00.760;tcp;14330;;";
    const B expected = concat({{0x05, static_cast<std::uint8_t>(record.size()), 0}, B(record.begin(), record.end())});
    const struct {
        B request;
        bool answered;
    } cases[] = {
        {{0x03}, true},
        {{0x02}, true},
        {{0x04, 'm', 's', 's', 'q', 'l', 's', 'e', 'r', 'v', 'e', 'r', 0}, true},
        {{0x04, 'S', 'Q', 'L', 0}, false},
        {{0x0F, 0x01, 'X', 0}, false},
        {{}, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(browserReply(c.request, "SANDBOX", 14330), c.answered ? std::optional<B>(expected) : std::nullopt);
}
