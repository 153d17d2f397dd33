// Sessions on a live listener over raw sockets: the login exchange and its refusals, requests other
// than batches, attentions, packet sizes, KILL, a stopping server, idle clients and the session cap.
#include <gtest/gtest.h>

#include <thread>

#include "tds/packet.h"
#include "tds/tokens.h"
#include "tds/wire.h"
#include "tds_test_support.h"

using namespace sandbox;
using namespace sandbox::tds;
using namespace tds_test;
using namespace std::chrono_literals;

namespace {

B messageBytes(std::uint8_t token, int number, int state, int severity, const std::string& text)
{
    ServerMessage m;
    m.number = number;
    m.state = state;
    m.severity = severity;
    m.text = text;
    ByteWriter w;
    writeMessage(w, m, "SANDBOX");
    EXPECT_EQ(w.bytes()[0], token);
    return w.bytes();
}

B envChange(std::uint8_t type, const std::string& now, const std::string& old)
{
    ByteWriter w;
    writeEnvChange(w, type, now, old);
    return w.bytes();
}

const B selectOneDone = doneBytes(0xFD, 0x10, 0xC1, 1);
const B attentionDone = doneBytes(0xFD, 0x20, 0, 0);

} // namespace

TEST(TdsSession, LoginAnswerAndTheLoginRules)
{
    EngineServer server({{"sa", ""}, {"norvane", "Secret1;x"}, {"dev", " two blanks "}});
    {
        RawClient admin(server.port());
        ASSERT_TRUE(admin.login());
        ASSERT_TRUE(admin.batch("CREATE DATABASE Harbor"));
    }
    RawClient client(server.port());
    ASSERT_TRUE(client.send(0x12, buildPrelogin74()));
    ASSERT_TRUE(client.receive());
    LoginFields fields;
    fields.database = "Harbor";
    ASSERT_TRUE(client.send(0x10, buildLogin7(fields)));
    ByteWriter loginAck;
    writeLoginAck(loginAck);
    EXPECT_EQ(client.receive(), concat({envChange(1, "Harbor", "master"),
                                        messageBytes(0xAB, 5701, 2, 0, "Changed database context to 'Harbor'."),
                                        {0xE3, 0x08, 0x00, 0x07, 0x05, 0x09, 0x04, 0xD0, 0x00, 0x34, 0x00},
                                        envChange(2, "us_english", ""),
                                        messageBytes(0xAB, 5703, 1, 0, "Changed language setting to us_english."),
                                        {0xAD, 0x32, 0x00, 0x01, 0x71, 0x00, 0x00, 0x01, 0x14},
                                        utf16le("Microsoft SQL Server"),
                                        {0x08, 0x00, 0x02, 0xF8},
                                        envChange(4, "4096", "4096"),
                                        doneBytes(0xFD, 0, 0, 0)}));
    EXPECT_EQ(lastDone(client.batch("select 1").value_or(B{})), selectOneDone);

    const auto login = [](const char* user, const char* password, const char* database = "master",
                          std::uint8_t flags = 0x03) {
        LoginFields f;
        f.userName = user;
        f.password = password;
        f.database = database;
        f.optionFlags2 = flags;
        return f;
    };
    const struct {
        const char* name;
        LoginFields fields;
        B refusal; // empty: accepted
    } cases[] = {
        {"a wrong password", login("norvane", "wrong"),
         messageBytes(0xAA, 18456, 1, 14, "Login failed for user 'norvane'.")},
        {"Windows authentication", login("", "", "master", 0x83),
         messageBytes(0xAA, 18452, 1, 14,
                      "Login failed for user ''. The user is not associated with a trusted SQL Server connection.")},
        {"an unknown database", login("sa", "", "nowhere"),
         messageBytes(0xAA, 4060, 1, 11, "Cannot open database requested in login 'nowhere'. Login fails.")},
        {"a password without its trailing blank", login("dev", " two blanks"),
         messageBytes(0xAA, 18456, 1, 14, "Login failed for user 'dev'.")},
        {"login names compare case-insensitively", login("NORVANE", "Secret1;x"), {}},
        {"a password with blanks at both ends", login("dev", " two blanks "), {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RawClient other(server.port());
        if (c.refusal.empty()) {
            ASSERT_TRUE(other.login(c.fields));
            const auto who = other.batch("SELECT SUSER_SNAME() + '|' + HOST_NAME() + '|' + APP_NAME()");
            const std::string expected = c.fields.userName + "|testhost|tds tests";
            EXPECT_TRUE(contains(who.value_or(B{}), utf16le(expected)) ||
                        contains(who.value_or(B{}), B(expected.begin(), expected.end())));
            continue;
        }
        ASSERT_TRUE(other.send(0x10, buildLogin7(c.fields))) << "a login without PRELOGIN is accepted too";
        EXPECT_EQ(other.receive(), concat({c.refusal, doneBytes(0xFD, 0x02, 0, 0)}));
        EXPECT_TRUE(other.closedByServer());
    }
}

TEST(TdsSession, AnswersRpcTransactionRequestsAttentionsAndBrokenText)
{
    EngineServer server;
    RawClient client(server.port());
    ASSERT_TRUE(client.login());

    // RPC sp_executesql by ProcID: an error and a DONEPROC, then the connection goes on.
    ASSERT_TRUE(client.send(0x03, B{0xFF, 0xFF, 10, 0, 0, 0}));
    EXPECT_EQ(client.receive(), concat({messageBytes(0xAA, 2812, 62, 16,
                                                     "Could not find stored procedure 'sp_executesql'. The sandbox "
                                                     "runs SQL batches only, not remote procedure calls."),
                                        doneBytes(0xFE, 0x02, 0, 0)}));
    // TM request (7.2+ BEGIN TRANSACTION): a DONE. An attention with nothing running is answered too.
    const B allHeaders{0x16, 0, 0, 0, 0x12, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0};
    ASSERT_TRUE(client.send(0x0E, concat({allHeaders, {5, 0, 0}})));
    EXPECT_EQ(client.receive(), doneBytes(0xFD, 0, 0, 0));
    ASSERT_TRUE(client.send(0x06, B{}));
    EXPECT_EQ(client.receive(), attentionDone);
    // A batch with ALL_HEADERS (7.2+ form) is read past the headers.
    ASSERT_TRUE(client.send(0x01, concat({allHeaders, utf16le("SELECT 1")})));
    EXPECT_EQ(lastDone(client.receive().value_or(B{})), selectOneDone);

    // An attention while a statement runs: the answer ends with DONE(ATTN) and the session goes on.
    const auto started = std::chrono::steady_clock::now();
    ASSERT_TRUE(client.send(0x01, utf16le(kEndless)));
    std::this_thread::sleep_for(150ms);
    ASSERT_TRUE(client.send(0x06, B{}));
    EXPECT_EQ(lastDone(client.receive(10000).value_or(B{})), attentionDone);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 5s);
    EXPECT_EQ(lastDone(client.batch("SELECT 1").value_or(B{})), selectOneDone);

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

    // USE answers with ENVCHANGE 1; invalid UTF-16 ends this session only.
    EXPECT_EQ(client.batch("USE master").value_or(B{0}).front(), 0xE3);
    ASSERT_TRUE(client.send(0x01, B{0x00, 0xD8, 'x', 0}));
    EXPECT_TRUE(client.closedByServer());
    RawClient other(server.port());
    EXPECT_TRUE(other.login()) << "the server keeps serving others";
}

TEST(TdsSession, PacketSizeKillDecimalsAndAStoppingServer)
{
    auto server = std::make_unique<EngineServer>();
    // A killed session is told and closed (severity 20); the killer goes on.
    RawClient victim(server->port());
    ASSERT_TRUE(victim.login());
    RawClient killer(server->port());
    ASSERT_TRUE(killer.login());
    EXPECT_EQ(lastDone(killer.batch("KILL 51").value_or(B{})), doneBytes(0xFD, 0, 0, 0));
    const auto reply = victim.batch("SELECT 1");
    ASSERT_TRUE(reply);
    EXPECT_TRUE(contains(*reply, messageBytes(0xAA, 6106, 1, 20, "Process ID 51 was ended by KILL.")));
    EXPECT_EQ(lastDone(*reply), doneBytes(0xFD, 0x02, 0, 0));
    EXPECT_TRUE(victim.closedByServer());
    EXPECT_EQ(lastDone(killer.batch("SELECT 1").value_or(B{})), selectOneDone);

    {
        RawClient client(server->port());
        LoginFields fields;
        fields.packetSize = 512;
        ASSERT_TRUE(client.login(fields));
        EXPECT_GT(client.batch("SELECT REPLICATE('x', 2000)").value_or(B{}).size(), 512u);
        EXPECT_EQ(client.longestPacket(), 512u) << "responses are split at the negotiated size";

        // Every digit of money and decimal(38) reaches the wire: MONEYN high half first, DECIMALN sign then magnitude.
        ASSERT_TRUE(client.batch("CREATE TABLE Ledger (Amount money NULL, Big decimal(38,10) NULL)"));
        ASSERT_TRUE(
            client.batch("INSERT INTO Ledger VALUES (922337203685477.5807, 1234567890123456789012345678.0123456789)"));
        EXPECT_TRUE(contains(client.batch("SELECT Amount, Big FROM Ledger").value_or(B{}),
                             {0xD1, 8,    0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0xFF, 0xFF, 0xFF, 17,   1,    0x15, 0x45,
                              0x67, 0xCC, 0x4E, 0x90, 0x49, 0xC4, 0x13, 0x33, 0x02, 0xF0, 0xF6, 0xB0, 0x49, 0x09}));
    }
    // Stopping the server ends running batches and idle and silent connections, and closes the listener.
    ASSERT_TRUE(killer.send(0x01, utf16le(kEndless)));
    RawClient idle(server->port());
    ASSERT_TRUE(idle.login());
    RawClient silent(server->port()); // connected, never logs in
    std::this_thread::sleep_for(100ms);
    const auto started = std::chrono::steady_clock::now();
    server->server.stop(); // returns only when every session thread has ended
    EXPECT_LT(std::chrono::steady_clock::now() - started, 5s);
    EXPECT_TRUE(idle.closedByServer(1000));
    EXPECT_TRUE(silent.closedByServer(1000));
    EXPECT_FALSE(RawClient(server->port()).connected()) << "the listening socket is closed";
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
              concat({messageBytes(0xAA, 17809, 1, 20,
                                   "Unable to connect. The maximum number of '3' configured user connections are "
                                   "already connected. System Administrator can configure to a higher value with "
                                   "sp_configure."),
                      doneBytes(0xFD, 0x02, 0, 0)}));
    EXPECT_TRUE(refused.closedByServer(3000));

    // A session that leaves gives its place to the next login.
    sessions[1]->disconnect();
    bool admitted = false;
    for (int attempt = 0; attempt < 50 && !admitted; ++attempt) {
        admitted = RawClient(server.port()).login();
        if (!admitted)
            std::this_thread::sleep_for(20ms);
    }
    EXPECT_TRUE(admitted);
}
