// The token stream of a batch: DONE bits and counts, messages delivered at once,
// conversion errors, and the requests a session answers on a live connection.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <thread>

#include "engine/engine.h"
#include "tds/engine_backend.h"

#include "tds/packet.h"
#include "tds/token_sink.h"
#include "tds/tokens.h"
#include "tds_test_support.h"

using namespace sandbox;
using namespace sandbox::tds;
using tds_test::doneBytes;
using B = std::vector<std::uint8_t>;

namespace {

struct Capture {
    std::vector<B> packets;
    PacketWriter writer{[this](const std::uint8_t* d, std::size_t n) {
                            packets.emplace_back(d, d + n);
                            return true;
                        },
                        51};
    B payloads() const
    {
        B all;
        for (const auto& p : packets)
            all.insert(all.end(), p.begin() + 8, p.end());
        return all;
    }
};

ServerMessage info(const std::string& text)
{
    ServerMessage m;
    m.text = text;
    return m;
}

B messageBytes(const ServerMessage& m)
{
    ByteWriter w;
    writeMessage(w, m, "SANDBOX");
    return w.bytes();
}

B concat(std::initializer_list<B> parts)
{
    B all;
    for (const auto& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

ResultColumn intColumn()
{
    ColumnType t;
    t.type = SqlType::Int;
    return {"n", t};
}

// The real server (Engine behind EngineBackend) on a fresh data directory, removed at the end.
struct TemporaryDirectory {
    std::filesystem::path path;
    TemporaryDirectory()
    {
        std::random_device random;
        path = std::filesystem::temp_directory_path() / ("norvane-tds-" + std::to_string(random()) + std::to_string(random()));
    }
    ~TemporaryDirectory()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
};

struct EngineServer {
    TemporaryDirectory directory;
    Engine engine{directory.path};
    EngineBackend backend{engine, {{"sa", ""}}};
    Server server{backend, 0};
    EngineServer() { server.start(); }
    ~EngineServer() { server.stop(); }
};

}  // namespace

TEST(TdsSink, StatementsGetDoneWithMoreExceptTheLastAndCountsWhereGiven)
{
    Capture c;
    TokenSink sink(c.writer, "SANDBOX", [] { return false; });
    sink.beginResult({intColumn()});
    sink.row({std::int64_t{5}});
    sink.row({std::int64_t{6}});
    sink.statementDone(2, false);
    sink.statementDone(3, false);           // an UPDATE
    sink.statementDone(std::nullopt, false);  // a SET
    ServerMessage error;
    error.number = 208;
    error.severity = 16;
    error.text = "Invalid object name 'x'.";
    sink.message(error);
    sink.statementDone(std::nullopt, true);
    sink.finish();
    c.writer.flush(true);
    ByteWriter meta;
    writeColumnMetadata(meta, std::vector<ResultColumn>{intColumn()});
    EXPECT_EQ(c.payloads(), concat({meta.bytes(), B{0xD1, 4, 5, 0, 0, 0}, B{0xD1, 4, 6, 0, 0, 0},
                                    doneBytes(0xFD, 0x11, 0xC1, 2), doneBytes(0xFD, 0x11, 0, 3),
                                    doneBytes(0xFD, 0x01, 0, 0), messageBytes(error), doneBytes(0xFD, 0x02, 0, 0)}));
    ASSERT_EQ(c.packets.size(), 1u);
    EXPECT_EQ(c.packets[0][1], 0x01);

    Capture empty;
    TokenSink nothing(empty.writer, "SANDBOX", [] { return false; });
    nothing.finish();
    empty.writer.flush(true);
    EXPECT_EQ(empty.payloads(), doneBytes(0xFD, 0, 0, 0)) << "an empty batch still ends with a DONE";
}

TEST(TdsSink, InformationalMessagesAreFlushedAtOnceWithADone)
{
    Capture c;
    TokenSink sink(c.writer, "SANDBOX", [] { return false; });
    sink.message(info("first"));
    ASSERT_EQ(c.packets.size(), 1u) << "the message leaves before the batch ends";
    EXPECT_EQ(c.packets[0][1], 0x00) << "not the end of the message";
    EXPECT_EQ(B(c.packets[0].begin() + 8, c.packets[0].end()),
              concat({messageBytes(info("first")), doneBytes(0xFD, 0x01, 0, 0)}));
    sink.statementDone(std::nullopt, false);
    sink.databaseChanged("master", "harbor");
    sink.finish();
    c.writer.flush(true);
    ASSERT_EQ(c.packets.size(), 2u);
    B envChange{0xE3, 0x1B, 0x00, 0x01, 6};
    for (char ch : std::string("harbor"))
        envChange.insert(envChange.end(), {static_cast<std::uint8_t>(ch), 0});
    envChange.push_back(6);
    for (char ch : std::string("master"))
        envChange.insert(envChange.end(), {static_cast<std::uint8_t>(ch), 0});
    EXPECT_EQ(B(c.packets[1].begin() + 8, c.packets[1].end()),
              concat({doneBytes(0xFD, 0x01, 0, 0), envChange, doneBytes(0xFD, 0, 0, 0)}));
}

TEST(TdsSink, AValueThatDoesNotFitEndsTheResultWithAnError)
{
    Capture c;
    TokenSink sink(c.writer, "SANDBOX", [] { return false; });
    sink.beginResult({intColumn()});
    sink.row({std::int64_t{1}});
    sink.row({std::string("not a number")});
    sink.row({std::int64_t{3}});
    sink.statementDone(3, false);
    sink.finish();
    c.writer.flush(true);
    ServerMessage error;
    error.number = 245;
    error.severity = 16;
    error.text = "Syntax error converting the varchar value 'not a number' to a column of data type int.";
    ByteWriter meta;
    writeColumnMetadata(meta, std::vector<ResultColumn>{intColumn()});
    EXPECT_EQ(c.payloads(),
              concat({meta.bytes(), B{0xD1, 4, 1, 0, 0, 0}, messageBytes(error), doneBytes(0xFD, 0x02, 0xC1, 3)}));
}

TEST(TdsSink, NothingIsWrittenOnceCancelled)
{
    Capture c;
    bool cancelled = false;
    TokenSink sink(c.writer, "SANDBOX", [&] { return cancelled; });
    sink.beginResult({intColumn()});
    cancelled = true;
    EXPECT_TRUE(sink.cancelled());
    sink.row({std::int64_t{1}});
    sink.message(info("late"));
    sink.statementDone(1, false);
    c.writer.flush(false);
    ByteWriter meta;
    writeColumnMetadata(meta, std::vector<ResultColumn>{intColumn()});
    EXPECT_EQ(c.payloads(), meta.bytes());
}

TEST(TdsSink, AFatalMessageEndsTheResponseWithAnErrorDone)
{
    Capture c;
    TokenSink sink(c.writer, "SANDBOX", [] { return false; });
    sink.statementDone(std::nullopt, false);
    ServerMessage killed;
    killed.number = 6106;
    killed.severity = 20;
    killed.text = "Process ID 51 was ended by KILL.";
    sink.message(killed);
    EXPECT_TRUE(sink.fatal());
    EXPECT_TRUE(sink.cancelled()) << "the batch stops at a fatal error";
    sink.message(info("after"));
    sink.statementDone(2, false);
    sink.finish();
    c.writer.flush(true);
    EXPECT_EQ(c.payloads(), concat({doneBytes(0xFD, 0x01, 0, 0), messageBytes(killed), doneBytes(0xFD, 0x02, 0, 0)}));

    Capture ordinary;
    TokenSink other(ordinary.writer, "SANDBOX", [] { return false; });
    ServerMessage error;
    error.number = 208;
    error.severity = 16;
    other.message(error);
    EXPECT_FALSE(other.fatal());
    EXPECT_FALSE(other.cancelled());
}

TEST(TdsSession, AKilledSessionIsToldAndItsConnectionClosed)
{
    EngineServer running;
    tds_test::RawClient victim(running.server.port());
    ASSERT_TRUE(victim.login());
    tds_test::RawClient killer(running.server.port());
    ASSERT_TRUE(killer.login());
    auto reply = killer.batch("KILL 51");
    ASSERT_TRUE(reply);
    EXPECT_EQ(B(reply->end() - 9, reply->end()), doneBytes(0xFD, 0, 0, 0));

    reply = victim.batch("SELECT 1");
    ASSERT_TRUE(reply);
    ServerMessage killed;
    killed.number = 6106;
    killed.severity = 20;
    killed.state = 1;
    killed.text = "Process ID 51 was ended by KILL.";
    ByteWriter killedBytes;
    writeMessage(killedBytes, killed, Engine::serverName());
    EXPECT_TRUE(tds_test::contains(*reply, killedBytes.bytes()));
    EXPECT_EQ(B(reply->end() - 9, reply->end()), doneBytes(0xFD, 0x02, 0, 0));
    EXPECT_TRUE(victim.closedByServer()) << "severity 20 ends the connection";

    reply = killer.batch("SELECT 1");
    ASSERT_TRUE(reply) << "other sessions go on";
    EXPECT_EQ(B(reply->end() - 9, reply->end()), doneBytes(0xFD, 0x10, 0xC1, 1));
}

TEST(TdsSession, DecimalAndMoneyColumnsReachTheWireWithEveryDigit)
{
    EngineServer running;
    tds_test::RawClient client(running.server.port());
    ASSERT_TRUE(client.login());
    ASSERT_TRUE(client.batch("CREATE DATABASE Shop"));
    ASSERT_TRUE(client.batch("USE Shop CREATE TABLE Ledger (Amount money NULL, Big decimal(38,10) NULL)"));
    ASSERT_TRUE(client.batch("USE Shop INSERT INTO Ledger VALUES (922337203685477.5807, "
                             "1234567890123456789012345678.0123456789)"));
    const auto reply = client.batch("USE Shop SELECT Amount, Big FROM Ledger");
    ASSERT_TRUE(reply);
    // MONEYN: the 64-bit count of ten-thousandths, high half first; DECIMALN: sign byte, then the 128-bit magnitude.
    const B row{0xD1, 8,    0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0xFF, 0xFF, 0xFF, 17,   1,    0x15, 0x45,
                0x67, 0xCC, 0x4E, 0x90, 0x49, 0xC4, 0x13, 0x33, 0x02, 0xF0, 0xF6, 0xB0, 0x49, 0x09};
    EXPECT_TRUE(tds_test::contains(*reply, row));
}

TEST(TdsSession, AnswersRpcTransactionRequestsAndAttentions)
{
    tds_test::ScriptedServer server;
    tds_test::RawClient client(server.server.port());
    ASSERT_TRUE(client.login());

    // RPC sp_executesql by ProcID: an error and a DONEPROC, then the connection goes on.
    ASSERT_TRUE(client.send(0x03, B{0xFF, 0xFF, 10, 0, 0, 0}));
    auto reply = client.receive();
    ASSERT_TRUE(reply);
    ServerMessage rpcError;
    rpcError.number = 2812;
    rpcError.severity = 16;
    rpcError.state = 62;
    rpcError.text = "Could not find stored procedure 'sp_executesql'. The sandbox runs SQL batches only, not remote "
                    "procedure calls.";
    EXPECT_EQ(*reply, concat({messageBytes(rpcError), doneBytes(0xFE, 0x02, 0, 0)}));

    // TM request (7.2+ BEGIN TRANSACTION): a DONE.
    ASSERT_TRUE(client.send(0x0E, B{0x16, 0, 0, 0, 0x12, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 5, 0, 0}));
    reply = client.receive();
    ASSERT_TRUE(reply);
    EXPECT_EQ(*reply, doneBytes(0xFD, 0, 0, 0));

    // An attention with nothing running is still answered.
    ASSERT_TRUE(client.send(0x06, B{}));
    reply = client.receive();
    ASSERT_TRUE(reply);
    EXPECT_EQ(*reply, doneBytes(0xFD, 0x20, 0, 0));

    // A batch with ALL_HEADERS (7.2+ form) is read past the headers.
    B batch{0x16, 0, 0, 0, 0x12, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0};
    const auto text = tds_test::utf16le(u"select 1");
    batch.insert(batch.end(), text.begin(), text.end());
    ASSERT_TRUE(client.send(0x01, batch));
    reply = client.receive();
    ASSERT_TRUE(reply);
    EXPECT_TRUE(tds_test::contains(*reply, doneBytes(0xFD, 0x10, 0xC1, 1)));
    EXPECT_EQ(server.backend.batches().back(), "select 1");

    // An attention while rows stream: the answer ends with DONE(ATTN) and the batch stops early.
    ASSERT_TRUE(client.send(0x01, tds_test::utf16le(u"slow 500")));
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    ASSERT_TRUE(client.send(0x06, B{}));
    reply = client.receive(10000);
    ASSERT_TRUE(reply);
    const B attentionDone = doneBytes(0xFD, 0x20, 0, 0);
    ASSERT_GE(reply->size(), attentionDone.size());
    EXPECT_EQ(B(reply->end() - 9, reply->end()), attentionDone);
    EXPECT_LT(server.backend.slowRowsSent(), 500);
    reply = client.batch("select 1");
    ASSERT_TRUE(reply) << "the connection stays usable";
    EXPECT_EQ(B(reply->end() - 9, reply->end()), doneBytes(0xFD, 0x10, 0xC1, 1));

    // Batch then attention before it could run: one answer, ending in DONE(ATTN), nothing after it.
    B both = framePackets(0x01, tds_test::utf16le(u"slow 3"), 4096);
    const B attention = framePackets(0x06, B{}, 4096);
    both.insert(both.end(), attention.begin(), attention.end());
    ASSERT_TRUE(client.sendRaw(both));
    reply = client.receive();
    ASSERT_TRUE(reply);
    if (B(reply->end() - 9, reply->end()) != attentionDone)
        reply = client.receive();  // the batch finished first: the attention gets its own answer
    ASSERT_TRUE(reply);
    EXPECT_EQ(B(reply->end() - 9, reply->end()), attentionDone);
    reply = client.batch("update");
    ASSERT_TRUE(reply);
    EXPECT_EQ(*reply, doneBytes(0xFD, 0x10, 0, 3)) << "no stray answer is left in the stream";

    // USE answers with ENVCHANGE 1; invalid UTF-16 ends the session.
    reply = client.batch("USE [harbor]");
    ASSERT_TRUE(reply);
    EXPECT_EQ((*reply)[0], 0xE3);
    ASSERT_TRUE(client.send(0x01, B{0x00, 0xD8, 'x', 0}));
    EXPECT_TRUE(client.closedByServer());

    tds_test::RawClient other(server.server.port());
    EXPECT_TRUE(other.login()) << "the server keeps serving others";
}

TEST(TdsSession, NegotiatedPacketSizeAndClientsThatLeaveMidBatch)
{
    tds_test::ScriptedServer server;
    {
        tds_test::RawClient client(server.server.port());
        tds_test::LoginFields fields;
        fields.packetSize = 512;
        ASSERT_TRUE(client.login(fields));
        const auto reply = client.batch("select types");
        ASSERT_TRUE(reply);
        EXPECT_GT(reply->size(), 512u);
        EXPECT_EQ(client.longestPacket(), 512u) << "responses are split at the negotiated size";
    }
    {
        tds_test::RawClient client(server.server.port());
        ASSERT_TRUE(client.login());
        ASSERT_TRUE(client.send(0x01, tds_test::utf16le(u"slow 500")));
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        client.disconnect();
    }
    for (int i = 0; i < 100 && server.backend.slowRowsSent() == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_GT(server.backend.slowRowsSent(), 0);
    EXPECT_LT(server.backend.slowRowsSent(), 500) << "the batch stops when its client is gone";
    tds_test::RawClient other(server.server.port());
    EXPECT_TRUE(other.login());
}

TEST(TdsSession, StoppingTheServerEndsRunningBatches)
{
    auto server = std::make_unique<tds_test::ScriptedServer>();
    tds_test::RawClient busy(server->server.port());
    ASSERT_TRUE(busy.login());
    ASSERT_TRUE(busy.send(0x01, tds_test::utf16le(u"slow 100000")));
    tds_test::RawClient idle(server->server.port());
    ASSERT_TRUE(idle.login());
    tds_test::RawClient silent(server->server.port());  // connected, never logs in
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    server->server.stop();  // returns only when every session thread has ended
    EXPECT_LT(server->backend.slowRowsSent(), 100000);
    EXPECT_TRUE(idle.closedByServer(1000));
    EXPECT_TRUE(silent.closedByServer(1000));
    tds_test::RawClient late(server->server.port());
    EXPECT_FALSE(late.connected()) << "the listening socket is closed";
}
