// Packet framing (headers, splitting at the packet size, reassembly, malformed input) and reading requests.
#include <gtest/gtest.h>

#include <cstring>

#include "tds/packet.h"
#include "tds/requests.h"

using namespace sandbox::tds;

namespace {

// A MessageReader over a byte vector.
struct MemoryStream {
    std::vector<std::uint8_t> bytes;
    std::size_t position = 0;
    MessageReader reader(std::size_t limit = 1 << 20)
    {
        return MessageReader(
            [this](std::uint8_t* buffer, std::size_t size) {
                if (bytes.size() - position < size)
                    return false;
                std::memcpy(buffer, bytes.data() + position, size);
                position += size;
                return true;
            },
            limit);
    }
};

std::vector<std::uint8_t> sequence(std::size_t size)
{
    std::vector<std::uint8_t> v(size);
    for (std::size_t i = 0; i < size; ++i)
        v[i] = static_cast<std::uint8_t>(i * 7);
    return v;
}

}  // namespace

TEST(TdsPacket, WriterSplitsAtPacketSizeWithBigEndianLengthsAndEomOnLastOnly)
{
    std::vector<std::vector<std::uint8_t>> packets;
    PacketWriter writer(
        [&](const std::uint8_t* data, std::size_t size) {
            packets.emplace_back(data, data + size);
            return true;
        },
        51);
    writer.setPacketSize(512);
    const auto payload = sequence(1200);  // 504 + 504 + 192
    writer.append(std::span<const std::uint8_t>(payload));
    EXPECT_EQ(packets.size(), 2u) << "full packets go out at once, the last one waits for flush";
    writer.flush(true);
    ASSERT_EQ(packets.size(), 3u);
    EXPECT_EQ(std::vector<std::uint8_t>(packets[0].begin(), packets[0].begin() + 8),
              (std::vector<std::uint8_t>{0x04, 0x00, 0x02, 0x00, 0x00, 51, 1, 0}));
    EXPECT_EQ(std::vector<std::uint8_t>(packets[1].begin(), packets[1].begin() + 8),
              (std::vector<std::uint8_t>{0x04, 0x00, 0x02, 0x00, 0x00, 51, 2, 0}));
    EXPECT_EQ(std::vector<std::uint8_t>(packets[2].begin(), packets[2].begin() + 8),
              (std::vector<std::uint8_t>{0x04, 0x01, 0x00, 200, 0x00, 51, 3, 0}));
    std::vector<std::uint8_t> joined;
    for (const auto& p : packets)
        joined.insert(joined.end(), p.begin() + 8, p.end());
    EXPECT_EQ(joined, payload);

    // A payload of exactly one packet is held back so that it can carry EOM.
    packets.clear();
    const auto exact = sequence(504);
    writer.append(std::span<const std::uint8_t>(exact));
    EXPECT_TRUE(packets.empty());
    writer.flush(true);
    ASSERT_EQ(packets.size(), 1u);
    EXPECT_EQ(packets[0][1], 0x01);
    EXPECT_EQ(packets[0].size(), 512u);
    EXPECT_EQ(packets[0][6], 1) << "packet ids restart with each message";

    // A non-final flush sends what is there without EOM; discard drops the rest.
    packets.clear();
    writer.append(std::span<const std::uint8_t>(sequence(10)));
    writer.flush(false);
    writer.append(std::span<const std::uint8_t>(sequence(10)));
    writer.discard();
    writer.flush(true);
    ASSERT_EQ(packets.size(), 2u);
    EXPECT_EQ(packets[0][1], 0x00);
    EXPECT_EQ(packets[0].size(), 18u);
    EXPECT_EQ(packets[1][1], 0x01);
    EXPECT_EQ(packets[1].size(), 8u);
}

TEST(TdsPacket, WriterStopsAfterTheConnectionFails)
{
    int calls = 0;
    PacketWriter writer(
        [&](const std::uint8_t*, std::size_t) {
            ++calls;
            return false;
        },
        52);
    writer.append(std::span<const std::uint8_t>(sequence(10)));
    writer.flush(true);
    writer.append(std::span<const std::uint8_t>(sequence(10)));
    writer.flush(true);
    EXPECT_TRUE(writer.failed());
    EXPECT_EQ(calls, 1);
}

TEST(TdsPacket, ReaderJoinsPacketsIgnoresPacketIdsAndSkipsAbandonedMessages)
{
    MemoryStream stream;
    const auto payload = sequence(3000);
    stream.bytes = framePackets(0x01, payload, 1000);
    stream.bytes[6] = 0;  // FreeTDS sends packet id 0 or 1 without counting
    stream.bytes[1006] = 0;
    // A message the client abandoned (EOM + ignore), then an attention.
    stream.bytes.insert(stream.bytes.end(), {0x01, 0x03, 0x00, 0x0A, 0x00, 0x00, 0x01, 0x00, 'x', 0});
    stream.bytes.insert(stream.bytes.end(), {0x06, 0x01, 0x00, 0x08, 0x00, 0x00, 0x01, 0x00});
    auto reader = stream.reader();
    auto first = reader.next();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->type, 0x01);
    EXPECT_EQ(first->payload, payload);
    auto second = reader.next();
    ASSERT_TRUE(second);
    EXPECT_EQ(second->type, 0x06);
    EXPECT_TRUE(second->payload.empty());
    EXPECT_FALSE(reader.next()) << "a clean end between messages";
}

TEST(TdsPacket, ReaderRejectsMalformedFraming)
{
    auto expectError = [](std::vector<std::uint8_t> bytes, std::size_t limit, const char* why) {
        MemoryStream stream;
        stream.bytes = std::move(bytes);
        auto reader = stream.reader(limit);
        EXPECT_THROW(reader.next(), ProtocolError) << why;
    };
    expectError({0x01, 0x01, 0x00, 0x04, 0, 0, 0, 0}, 100, "length below the header");
    expectError({0x01, 0x01, 0x00, 0x20, 0, 0, 0, 0, 1, 2}, 100, "truncated body");
    expectError({0x01, 0x00, 0x00, 0x0A, 0, 0, 0, 0, 1, 2}, 100, "stream ends inside a message");
    expectError({0x01, 0x00, 0x00, 0x09, 0, 0, 0, 0, 1, 0x03, 0x01, 0x00, 0x09, 0, 0, 0, 0, 1}, 100,
                "type changes between packets");
    auto big = framePackets(0x01, sequence(300), 4096);
    expectError(big, 200, "message above the limit");
}

TEST(TdsRequests, BatchTextAndRpcNamesWithAndWithoutAllHeaders)
{
    using B = std::vector<std::uint8_t>;
    const B allHeaders{0x16, 0, 0, 0, 0x12, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0};
    const B text{'S', 0, 'E', 0, 'L', 0, 0xE9, 0};
    B withHeaders = allHeaders;
    withHeaders.insert(withHeaders.end(), text.begin(), text.end());
    EXPECT_EQ(batchText(text), std::string("SEL\xC3\xA9"));
    EXPECT_EQ(batchText(withHeaders), std::string("SEL\xC3\xA9"));
    // A header block whose lengths do not add up is read as text (which the engine will reject), not skipped.
    B broken = withHeaders;
    broken[4] = 0x30;
    ASSERT_TRUE(batchText(broken));
    EXPECT_EQ(batchText(broken)->substr(0, 2), std::string("\x16\0", 2));
    EXPECT_FALSE(batchText(B{'S', 0, 0x00, 0xDC})) << "an unpaired surrogate";
    EXPECT_EQ(batchText(B{}), std::string());

    EXPECT_EQ(rpcProcedureName(B{0xFF, 0xFF, 13, 0, 0, 0}), "sp_prepexec");
    EXPECT_EQ(rpcProcedureName(B{0xFF, 0xFF, 99, 0}), "procedure id 99");
    B named{5, 0, 's', 0, 'p', 0, '_', 0, 'h', 0, 'i', 0, 0, 0};
    EXPECT_EQ(rpcProcedureName(named), "sp_hi");
    B namedWithHeaders = allHeaders;
    namedWithHeaders.insert(namedWithHeaders.end(), named.begin(), named.end());
    EXPECT_EQ(rpcProcedureName(namedWithHeaders), "sp_hi");
    EXPECT_THROW(rpcProcedureName(B{9, 0, 's', 0}), ProtocolError);
    EXPECT_THROW(rpcProcedureName(B{0xFF}), ProtocolError);
}

TEST(TdsPacket, DiscardAfterAnAttentionFinishesATokenWhoseStartWentOut)
{
    std::vector<std::vector<std::uint8_t>> packets;
    PacketWriter writer(
        [&](const std::uint8_t* data, std::size_t size) {
            packets.emplace_back(data, data + size);
            return true;
        },
        51);
    writer.setPacketSize(512);
    const auto small = sequence(300);    // whole tokens, not sent yet
    const auto cut = sequence(400);      // its first 204 bytes go out in the first packet
    const auto unstarted = sequence(50);
    writer.append(std::span<const std::uint8_t>(small));
    writer.append(std::span<const std::uint8_t>(cut));
    writer.append(std::span<const std::uint8_t>(unstarted));
    ASSERT_EQ(packets.size(), 1u);
    writer.discard();
    const std::vector<std::uint8_t> done{0xFD, 0x20, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    writer.append(std::span<const std::uint8_t>(done));
    writer.flush(true);

    std::vector<std::uint8_t> joined;
    for (const auto& p : packets)
        joined.insert(joined.end(), p.begin() + 8, p.end());
    std::vector<std::uint8_t> expected = small;
    expected.insert(expected.end(), cut.begin(), cut.end());
    expected.insert(expected.end(), done.begin(), done.end());
    EXPECT_EQ(joined, expected) << "the cut token is finished, the unstarted one dropped, then the acknowledgement";

    // When the cut falls exactly between tokens, nothing of the rest is kept.
    packets.clear();
    writer.append(std::span<const std::uint8_t>(sequence(504)));
    writer.append(std::span<const std::uint8_t>(sequence(20)));
    ASSERT_EQ(packets.size(), 1u);
    writer.discard();
    writer.flush(true);
    ASSERT_EQ(packets.size(), 2u);
    EXPECT_EQ(packets[1].size(), 8u);
}
