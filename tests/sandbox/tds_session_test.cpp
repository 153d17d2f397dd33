// Sessions on a live listener over raw sockets: the login exchange and its refusals, requests other
// than batches, attentions, packet sizes, idle clients and the session cap.
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

const B selectOneDone = doneBytes(0xFD, 0x10, 0xC1, 1);
const B attentionDone = doneBytes(0xFD, 0x20, 0, 0);

} // namespace

TEST(TdsSession, TheLoginRules)
{
    EngineServer server({{"sa", ""}, {"norvane", "Secret1;x"}, {"dev", " two blanks "}});
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

TEST(TdsSession, AnswersRpcAttentionsPacketSizesAndBrokenText)
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
