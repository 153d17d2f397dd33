// Deterministic bounded fuzzing: mutated and random input into the parsers and
// into a live server, which must survive and still accept a normal login.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <random>

#include "engine/engine.h"
#include "tds/engine_backend.h"
#include "tds/login.h"
#include "tds/packet.h"
#include "tds/requests.h"
#include "tds_test_support.h"

using namespace sandbox::tds;
using B = std::vector<std::uint8_t>;

namespace {

B mutate(B bytes, std::mt19937& random)
{
    std::uniform_int_distribution<int> kind(0, 5);
    std::uniform_int_distribution<int> byte(0, 255);
    const int edits = 1 + static_cast<int>(random() % 8);
    for (int e = 0; e < edits; ++e) {
        switch (kind(random)) {
        case 0:
        case 1:
        case 2:
            if (!bytes.empty())
                bytes[random() % bytes.size()] = static_cast<std::uint8_t>(byte(random));
            break;
        case 3:
            if (!bytes.empty())
                bytes.resize(random() % bytes.size());
            break;
        case 4:
            bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(bytes.empty() ? 0 : random() % bytes.size()),
                         static_cast<std::uint8_t>(byte(random)));
            break;
        default:
            for (int i = 0; i < 16; ++i)
                bytes.push_back(static_cast<std::uint8_t>(byte(random)));
        }
    }
    return bytes;
}

B randomBytes(std::mt19937& random, std::size_t maxSize)
{
    B bytes(random() % (maxSize + 1));
    for (auto& b : bytes)
        b = static_cast<std::uint8_t>(random());
    return bytes;
}

template <typename F>
void expectOnlyProtocolErrors(F&& parse)
{
    try {
        parse();
    } catch (const ProtocolError&) {
    }
}

std::string repeated(const std::string& text, int times)
{
    std::string out;
    for (int i = 0; i < times; ++i)
        out += text;
    return out;
}

// Statements that nest deeply or grow without end, at a few depths each: the engine must answer every one.
std::vector<std::string> hostileStatements()
{
    std::vector<std::string> corpus;
    for (const int depth : {1, 9, 10, 11, 60, 150, 199, 200, 201, 3000}) {
        corpus.push_back("SELECT " + repeated("(", depth) + "1" + repeated(")", depth));
        corpus.push_back("SELECT " + repeated("CASE WHEN 1 = 1 THEN ", depth) + "1" + repeated(" END", depth));
        corpus.push_back("SELECT " + repeated("ABS(", depth) + "1" + repeated(")", depth));
        corpus.push_back("SELECT " + repeated("(SELECT ", depth) + "1" + repeated(")", depth));
        corpus.push_back(repeated("IF 1 = 1 ", depth) + "SELECT 1");
        corpus.push_back(repeated("IF 1 = 0 SELECT 1 ELSE ", depth) + "SELECT 2");
        corpus.push_back(repeated("BEGIN ", depth) + "SELECT 1" + repeated(" END", depth));
        corpus.push_back("SELECT 1 WHERE " + repeated("NOT ", depth) + "1 = 1");
        corpus.push_back("SELECT " + repeated("- ", depth) + "1");
        corpus.push_back("SELECT * FROM " + repeated("(SELECT * FROM ", depth) + "sysobjects" + repeated(") x", depth));
        corpus.push_back("SELECT 1 WHERE 1 IN " + repeated("(SELECT 1 WHERE 1 IN ", depth) + "(1)" + repeated(")", depth));
        corpus.push_back("SELECT 1" + repeated(" ^ 1", depth));
        corpus.push_back("SELECT 1" + repeated(" + 1", depth * 10));
        corpus.push_back("SELECT 'a'" + repeated(" + 'a'", depth * 10));
        corpus.push_back("SELECT 1 WHERE 1 = 1" + repeated(" OR 1 = 1", depth * 10));
        corpus.push_back("SELECT 1 WHERE 1 = 1" + repeated(" AND 1 = 1", depth * 10));
        corpus.push_back("SELECT 2" + repeated(" * 2 / 2", depth));
        corpus.push_back("SELECT 1" + repeated(" + 1 & 1", depth));
    }
    for (const char* runaway :
         {"SELECT REPLICATE('', 9223372036854775807)", "SELECT REPLICATE('x', 9223372036854775807)",
          "SELECT LEN(SPACE(2147483647))", "SELECT REPLACE(REPLICATE('a', 8000), 'a', REPLICATE('bb', 8000))",
          "SELECT STUFF('abc', 1, 9223372036854775807, REPLICATE('z', 9000))",
          "SELECT SUBSTRING('abc', -9223372036854775807, 9223372036854775807)", "SELECT 1^1^1^1^1^1^1^1^1^1^1^1^1^1^1^1^1^1^1^1^1^1",
          "DECLARE @s varchar(100) SET @s = 'EXEC (@s)' EXEC (@s)", "EXEC ('EXEC (''EXEC (SELECT 1)'')')"})
        corpus.push_back(runaway);
    return corpus;
}

struct EngineDirectory {
    std::filesystem::path path;
    EngineDirectory()
    {
        char pattern[] = "/tmp/tds-fuzz-XXXXXX";
        if (::mkdtemp(pattern))
            path = pattern;
    }
    ~EngineDirectory()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
};

}  // namespace

TEST(TdsFuzz, EngineAnswersNestingShapesAndRunawayExpressions)
{
    EngineDirectory directory;
    sandbox::Engine engine(directory.path);
    EngineBackend backend(engine, {{"sa", ""}});
    Server server(backend, 0);
    server.start();
    std::mt19937 random(2026);
    std::vector<std::string> corpus = hostileStatements();
    // Cut and doubled pieces of the same shapes: unbalanced nesting must fail cleanly too.
    const std::size_t whole = corpus.size();
    for (std::size_t i = 0; i < whole; ++i) {
        const std::string& text = corpus[i];
        const std::size_t cut = random() % (text.size() + 1);
        corpus.push_back(text.substr(0, cut));
        corpus.push_back(text.substr(cut) + text.substr(0, cut));
    }
    tds_test::RawClient client(server.port());
    ASSERT_TRUE(client.login());
    for (const std::string& sql : corpus) {
        const auto reply = client.batch(sql);
        ASSERT_TRUE(reply) << "no answer to: " << sql.substr(0, 200);
    }
    const auto reply = client.batch("select 1");
    ASSERT_TRUE(reply);
    EXPECT_TRUE(tds_test::contains(*reply, tds_test::doneBytes(0xFD, 0x10, 0xC1, 1)));
    server.stop();
}

TEST(TdsFuzz, ParsersAcceptOrRejectMutatedInputWithoutFaults)
{
    std::mt19937 random(20261206);
    tds_test::LoginFields fields;
    fields.password = "Secret1";
    const B login74 = tds_test::buildLogin7(fields);
    fields.tdsVersion = 0x71000001;
    const B login71 = tds_test::buildLogin7(fields);
    const B prelogin = tds_test::buildPrelogin74();
    const B framed = framePackets(0x01, tds_test::utf16le(u"select * from t"), 16);
    int accepted = 0;
    for (int i = 0; i < 4000; ++i) {
        expectOnlyProtocolErrors([&] {
            parseLogin7(mutate(i % 2 ? login74 : login71, random));
            ++accepted;
        });
        expectOnlyProtocolErrors([&] { parsePrelogin(mutate(prelogin, random)); });
        expectOnlyProtocolErrors([&] { rpcProcedureName(randomBytes(random, 40)); });
        batchText(mutate(framed, random));
        const B stream = i % 3 ? mutate(framed, random) : randomBytes(random, 200);
        std::size_t position = 0;
        MessageReader reader(
            [&](std::uint8_t* buffer, std::size_t size) {
                if (stream.size() - position < size)
                    return false;
                std::memcpy(buffer, stream.data() + position, size);
                position += size;
                return true;
            },
            4096);
        expectOnlyProtocolErrors([&] {
            while (reader.next()) {
            }
        });
    }
    EXPECT_GT(accepted, 0) << "some mutations keep a login readable";
    EXPECT_LT(accepted, 4000) << "and many are rejected";
}

TEST(TdsFuzz, LiveServerSurvivesGarbageAndStillServes)
{
    tds_test::ScriptedServer server;
    std::mt19937 random(1206);
    const B prelogin = framePackets(0x12, tds_test::buildPrelogin74(), 4096);
    const B login = framePackets(0x10, tds_test::buildLogin7({}), 4096);
    static constexpr std::uint8_t types[] = {0x01, 0x02, 0x03, 0x06, 0x07, 0x0E, 0x10, 0x11, 0x12, 0x04, 0xFF};
    for (int i = 0; i < 1000; ++i) {
        tds_test::RawClient client(server.server.port());
        ASSERT_TRUE(client.connected());
        const int mode = i % 4;
        if (mode == 0) {
            client.sendRaw(randomBytes(random, 300));
        } else if (mode == 1) {
            client.sendRaw(mutate(prelogin, random));
            client.sendRaw(mutate(login, random));
        } else {
            if (!client.login())
                continue;
            for (int k = 0; k < 4; ++k) {
                const std::uint8_t type = types[random() % std::size(types)];
                B payload = mode == 2 ? randomBytes(random, 120) : mutate(tds_test::utf16le(u"select 1"), random);
                B bytes = framePackets(type, payload, 64 + random() % 512);
                if (mode == 3)
                    bytes = mutate(bytes, random);
                if (!client.sendRaw(bytes))
                    break;
            }
            client.receive(20);
        }
    }
    tds_test::RawClient after(server.server.port());
    ASSERT_TRUE(after.login());
    const auto reply = after.batch("select 1");
    ASSERT_TRUE(reply);
    EXPECT_TRUE(tds_test::contains(*reply, tds_test::doneBytes(0xFD, 0x10, 0xC1, 1)));
}
