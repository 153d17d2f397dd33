// Deterministic bounded fuzzing: mutated and random input into the parsers and into a live server,
// which must answer or drop the client, survive, and still serve a normal login.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "tds/login.h"
#include "tds/packet.h"
#include "tds/requests.h"
#include "tds/wire.h"
#include "tds_test_support.h"

using namespace sandbox::tds;
using namespace tds_test;

namespace {

B randomBytes(std::mt19937& random, std::size_t maxSize)
{
    B bytes(random() % (maxSize + 1));
    for (auto& b : bytes)
        b = static_cast<std::uint8_t>(random());
    return bytes;
}

// 1 to 8 edits: changed bytes, a cut, an inserted byte or 16 random bytes at the end.
B mutate(B bytes, std::mt19937& random)
{
    for (int e = 1 + static_cast<int>(random() % 8); e > 0; --e) {
        const std::size_t at = bytes.empty() ? 0 : random() % bytes.size();
        switch (random() % 6) {
        case 3:
            bytes.resize(at);
            break;
        case 4:
            bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(at), static_cast<std::uint8_t>(random()));
            break;
        case 5: {
            const B tail = randomBytes(random, 16);
            bytes.insert(bytes.end(), tail.begin(), tail.end());
            break;
        }
        default:
            if (!bytes.empty())
                bytes[at] = static_cast<std::uint8_t>(random());
        }
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

std::string repeated(const std::string& text, int times)
{
    std::string out;
    for (int i = 0; i < times; ++i)
        out += text;
    return out;
}

} // namespace

TEST(TdsFuzz, ParsersAcceptOrRejectMutatedInputWithoutFaults)
{
    std::mt19937 random(20261206);
    LoginFields fields;
    fields.password = "Secret1";
    const B login74 = buildLogin7(fields);
    fields.tdsVersion = 0x71000001;
    const B login71 = buildLogin7(fields);
    const B framed = framePackets(0x01, utf16le("select * from t"), 16);
    int accepted = 0;
    for (int i = 0; i < 4000; ++i) {
        accepted += parses([&] { parseLogin7(mutate(i % 2 ? login74 : login71, random)); });
        parses([&] { parsePrelogin(mutate(buildPrelogin74(), random)); });
        parses([&] { rpcProcedureName(randomBytes(random, 40)); });
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
        parses([&] {
            while (reader.next()) {
            }
        });
    }
    EXPECT_GT(accepted, 0) << "some mutations keep a login readable";
    EXPECT_LT(accepted, 4000) << "and many are rejected";
}

TEST(TdsFuzz, LiveServerSurvivesGarbageNestingAndRunawayStatements)
{
    EngineServer server;
    std::mt19937 random(1206);
    const B prelogin = framePackets(0x12, buildPrelogin74(), 4096);
    const B login = framePackets(0x10, buildLogin7({}), 4096);
    static constexpr std::uint8_t types[] = {0x01, 0x02, 0x03, 0x06, 0x07, 0x0E, 0x10, 0x11, 0x12, 0x04, 0xFF};
    for (int i = 0; i < 1000; ++i) {
        RawClient client(server.port());
        ASSERT_TRUE(client.connected());
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

    // Nesting at the depths around the limits, growing operator chains and runaway functions, whole,
    // cut and rotated: every batch gets an answer.
    std::vector<std::string> corpus;
    const std::vector<std::array<std::string, 4>> shapes{
        {"SELECT ", "(", "1", ")"},         {"SELECT ", "CASE WHEN 1 = 1 THEN ", "1", " END"},
        {"SELECT ", "(SELECT ", "1", ")"},  {"", "IF 1 = 0 SELECT 1 ELSE ", "SELECT 2", ""},
        {"", "BEGIN ", "SELECT 1", " END"}, {"SELECT * FROM ", "(SELECT * FROM ", "sysobjects", ") x"},
        {"SELECT 1", " ^ 1", "", ""},       {"SELECT 1 WHERE 1 = 1", " OR 1 = 1", "", ""},
    };
    for (const int depth : {1, 10, 11, 150, 200, 201, 3000})
        for (const auto& [head, open, middle, close] : shapes)
            corpus.push_back(head + repeated(open, depth) + middle + repeated(close, depth));
    for (const char* runaway : {"SELECT REPLICATE('x', 9223372036854775807)", "SELECT LEN(SPACE(2147483647))",
                                "DECLARE @s varchar(100) SET @s = 'EXEC (@s)' EXEC (@s)"})
        corpus.push_back(runaway);
    for (std::size_t i = 0, whole = corpus.size(); i < whole; ++i) {
        const std::size_t cut = random() % (corpus[i].size() + 1);
        corpus.push_back(corpus[i].substr(0, cut));
        corpus.push_back(corpus[i].substr(cut) + corpus[i].substr(0, cut));
    }
    RawClient client(server.port());
    ASSERT_TRUE(client.login());
    for (const std::string& sql : corpus)
        ASSERT_TRUE(client.batch(sql)) << "no answer to: " << sql.substr(0, 200);
    RawClient after(server.port());
    ASSERT_TRUE(after.login());
    EXPECT_EQ(lastDone(after.batch("select 1").value_or(B{})), doneBytes(0xFD, 0x10, 0xC1, 1));
}
