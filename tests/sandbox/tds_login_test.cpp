// PRELOGIN and LOGIN7 parsing, password scrambling, and the login exchange on a live server.
#include <gtest/gtest.h>

#include "tds/login.h"
#include "tds/text_codec.h"
#include "tds/wire.h"
#include "tds_test_support.h"

using namespace sandbox::tds;
using tds_test::buildLogin7;
using tds_test::LoginFields;

TEST(TdsLogin, PasswordScramblingMatchesFreeTds)
{
    const auto plain = tds_test::utf16le(u"Secret1");
    const auto scrambled = obfuscatePassword(plain);
    // 'S' = 0x53: swap nibbles -> 0x35, XOR 0xA5 -> 0x90; the high byte 0x00 -> 0xA5.
    EXPECT_EQ(scrambled[0], 0x90);
    EXPECT_EQ(scrambled[1], 0xA5);
    EXPECT_EQ(deobfuscatePassword(scrambled), plain);
    std::vector<std::uint8_t> all(256);
    for (int i = 0; i < 256; ++i)
        all[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
    EXPECT_EQ(deobfuscatePassword(obfuscatePassword(all)), all);
}

TEST(TdsLogin, ParsesEveryFieldOfAFreeTdsLogin)
{
    LoginFields fields;
    fields.userName = "norvane";
    fields.password = "p\xC3\xA4ss;word";
    fields.hostName = "workstation";
    fields.appName = "Norvane";
    fields.database = "harbor";
    fields.packetSize = 8192;
    const Login7 login = parseLogin7(buildLogin7(fields));
    EXPECT_EQ(login.tdsVersion, 0x74000004u);
    EXPECT_EQ(login.packetSize, 8192u);
    EXPECT_EQ(login.clientPid, 4242u);
    EXPECT_EQ(login.optionFlags1, 0xE0);
    EXPECT_EQ(login.optionFlags2, 0x03);
    EXPECT_FALSE(login.integratedSecurity());
    EXPECT_EQ(login.clientTimeZone, -120);
    EXPECT_EQ(login.clientLcid, 0x0436u);
    EXPECT_EQ(login.hostName, "workstation");
    EXPECT_EQ(login.userName, "norvane");
    EXPECT_EQ(login.password, "p\xC3\xA4ss;word");
    EXPECT_EQ(login.appName, "Norvane");
    EXPECT_EQ(login.serverName, "127.0.0.1") << "cut at FreeTDS's embedded NUL";
    EXPECT_EQ(login.language, "us_english");
    EXPECT_EQ(login.database, "harbor");
    EXPECT_EQ(login.clientId, (std::array<std::uint8_t, 6>{0x00, 0x16, 0x3E, 0x01, 0x02, 0x03}));

    fields.tdsVersion = 0x71000001;
    fields.optionFlags2 = 0x83;
    fields.userName = "";
    const Login7 v71 = parseLogin7(buildLogin7(fields));
    EXPECT_EQ(v71.tdsVersion, 0x71000001u);
    EXPECT_TRUE(v71.integratedSecurity());
    EXPECT_EQ(v71.database, "harbor");
}

TEST(TdsLogin, RejectsFieldsOutsideTheMessage)
{
    auto login = buildLogin7(LoginFields{});
    auto shortened = login;
    shortened.resize(60);
    EXPECT_THROW(parseLogin7(shortened), ProtocolError);

    auto badOffset = login;
    badOffset[36] = 0xFF;  // host name offset far beyond the end
    badOffset[37] = 0x7F;
    EXPECT_THROW(parseLogin7(badOffset), ProtocolError);

    auto badLength = login;
    badLength[0] = 0xFF;  // declared length beyond the message
    badLength[1] = 0xFF;
    EXPECT_THROW(parseLogin7(badLength), ProtocolError);

    auto loneSurrogate = tds_test::buildLogin7(LoginFields{});
    const std::size_t hostOffset = loneSurrogate[36] | (loneSurrogate[37] << 8);
    loneSurrogate[hostOffset] = 0x00;
    loneSurrogate[hostOffset + 1] = 0xD8;
    EXPECT_THROW(parseLogin7(loneSurrogate), ProtocolError);
}

TEST(TdsLogin, PreloginReplyRefusesEncryptionAndEchoesMars)
{
    const auto request = parsePrelogin(tds_test::buildPrelogin74());
    EXPECT_TRUE(request.hasMars);
    EXPECT_EQ(request.encryption, 0x00);
    EXPECT_EQ(request.instance, "MSSQLServer");
    EXPECT_EQ(preloginReply(request),
              (std::vector<std::uint8_t>{0x00, 0x00, 0x1A, 0x00, 0x06, 0x01, 0x00, 0x20, 0x00, 0x01, 0x02, 0x00,
                                         0x21, 0x00, 0x01, 0x03, 0x00, 0x22, 0x00, 0x00, 0x04, 0x00, 0x22, 0x00,
                                         0x01, 0xFF, 0x08, 0x00, 0x02, 0xF8, 0x00, 0x00, 0x02, 0x00, 0x00}));
    PreloginRequest v71;
    v71.hasMars = false;
    const auto reply71 = preloginReply(v71);
    EXPECT_EQ(reply71.size(), 4u * 5 + 1 + 6 + 1 + 1);
    EXPECT_EQ(reply71[20], 0xFF);

    EXPECT_THROW(parsePrelogin(std::vector<std::uint8_t>{0x00, 0x00, 0x40, 0x00, 0x06, 0xFF}), ProtocolError);
    EXPECT_THROW(parsePrelogin(std::vector<std::uint8_t>{0x00, 0x00}), ProtocolError);
}

TEST(TdsLogin, LiveLoginResponseAndRefusals)
{
    tds_test::ScriptedServer server;
    {
        tds_test::RawClient client(server.server.port());
        ASSERT_TRUE(client.send(0x12, tds_test::buildPrelogin74()));
        ASSERT_TRUE(client.receive());
        LoginFields fields;
        fields.database = "Harbor";
        ASSERT_TRUE(client.send(0x10, buildLogin7(fields)));
        const auto reply = client.receive();
        ASSERT_TRUE(reply);
        ByteWriter expected;
        auto envChange = [&](std::uint8_t type, std::u16string now, std::u16string old) {
            expected.u8(0xE3);
            expected.u16le(static_cast<std::uint16_t>(3 + 2 * (now.size() + old.size())));
            expected.u8(type);
            expected.bVarchar(now);
            expected.bVarchar(old);
        };
        auto info = [&](int number, std::uint8_t state, std::u16string text) {
            expected.u8(0xAB);
            expected.u16le(static_cast<std::uint16_t>(4 + 1 + 1 + 2 + 2 * text.size() + 1 + 14 + 1 + 2));
            expected.i32le(number);
            expected.u8(state);
            expected.u8(0);
            expected.usVarchar(text);
            expected.bVarchar(u"SANDBOX");
            expected.u8(0);
            expected.u16le(1);
        };
        envChange(1, u"harbor", u"master");
        info(5701, 2, u"Changed database context to 'harbor'.");
        expected.append(std::vector<std::uint8_t>{0xE3, 0x08, 0x00, 0x07, 0x05, 0x09, 0x04, 0xD0, 0x00, 0x34, 0x00});
        envChange(2, u"us_english", u"");
        info(5703, 1, u"Changed language setting to us_english.");
        expected.append(std::vector<std::uint8_t>{0xAD, 0x32, 0x00, 0x01, 0x71, 0x00, 0x00, 0x01, 0x14});
        expected.utf16(u"Microsoft SQL Server");
        expected.append(std::vector<std::uint8_t>{0x08, 0x00, 0x02, 0xF8});
        envChange(4, u"4096", u"4096");
        expected.append(tds_test::doneBytes(0xFD, 0, 0, 0));
        EXPECT_EQ(*reply, expected.bytes());
        const auto select = client.batch("select 1");
        ASSERT_TRUE(select);
        EXPECT_TRUE(tds_test::contains(*select, tds_test::doneBytes(0xFD, 0x10, 0xC1, 1)));
    }
    auto expectRefusal = [&](LoginFields fields, int number, std::u16string text) {
        tds_test::RawClient client(server.server.port());
        ASSERT_TRUE(client.send(0x10, buildLogin7(fields))) << "a login without PRELOGIN is accepted too";
        const auto reply = client.receive();
        ASSERT_TRUE(reply);
        ByteWriter expected;
        expected.u8(0xAA);
        expected.u16le(static_cast<std::uint16_t>(4 + 1 + 1 + 2 + 2 * text.size() + 1 + 14 + 1 + 2));
        expected.i32le(number);
        expected.u8(1);
        expected.u8(number == 4060 ? 11 : 14);
        expected.usVarchar(text);
        expected.bVarchar(u"SANDBOX");
        expected.u8(0);
        expected.u16le(1);
        expected.append(tds_test::doneBytes(0xFD, 0x02, 0, 0));
        EXPECT_EQ(*reply, expected.bytes());
        EXPECT_TRUE(client.closedByServer());
    };
    LoginFields wrongPassword;
    wrongPassword.userName = "norvane";
    wrongPassword.password = "wrong";
    expectRefusal(wrongPassword, 18456, u"Login failed for user 'norvane'.");
    LoginFields integrated;
    integrated.optionFlags2 = 0x83;
    integrated.userName = "";
    expectRefusal(integrated, 18452,
                  u"Login failed for user ''. The user is not associated with a trusted SQL Server connection.");
    LoginFields unknownDatabase;
    unknownDatabase.database = "nowhere";
    expectRefusal(unknownDatabase, 4060, u"Cannot open database requested in login 'nowhere'. Login fails.");

    LoginFields accepted;
    accepted.userName = "NORVANE";
    accepted.password = "Secret1;x";
    tds_test::RawClient client(server.server.port());
    EXPECT_TRUE(client.login(accepted)) << "login names compare case-insensitively, passwords exactly";
    const auto sessions = server.backend.sessions();
    ASSERT_FALSE(sessions.empty());
    EXPECT_EQ(sessions.back().loginName, "NORVANE");
    EXPECT_EQ(sessions.back().hostName, "testhost");
    EXPECT_EQ(sessions.back().appName, "tds tests");
    EXPECT_GE(sessions.back().spid, 51);
}
