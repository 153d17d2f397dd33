#pragma once
// TDS packet framing: 8-byte headers (big-endian length), messages made of
// packets up to the one flagged end-of-message.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "tds/wire.h"

namespace sandbox::tds {

namespace packet_type {
constexpr std::uint8_t sqlBatch = 0x01;
constexpr std::uint8_t rpc = 0x03;
constexpr std::uint8_t tabularResult = 0x04;
constexpr std::uint8_t attention = 0x06;
constexpr std::uint8_t transactionManager = 0x0E;
constexpr std::uint8_t login7 = 0x10;
constexpr std::uint8_t prelogin = 0x12;
}  // namespace packet_type

namespace packet_status {
constexpr std::uint8_t endOfMessage = 0x01;
constexpr std::uint8_t ignore = 0x02;
}  // namespace packet_status

constexpr std::size_t packetHeaderSize = 8;
constexpr std::size_t defaultPacketSize = 4096;
constexpr std::size_t minimumPacketSize = 512;
constexpr std::size_t maximumPacketSize = 32767;

struct Message {
    std::uint8_t type = 0;
    std::vector<std::uint8_t> payload;
};

// Reads whole messages from a byte stream. readExact fills the buffer completely
// or returns false (end of stream). Malformed framing throws ProtocolError.
class MessageReader {
public:
    using ReadExact = std::function<bool(std::uint8_t* buffer, std::size_t size)>;

    MessageReader(ReadExact readExact, std::size_t maxMessageBytes)
        : readExact_(std::move(readExact)), maxMessageBytes_(maxMessageBytes) {}

    // nullopt when the stream ended cleanly between messages.
    std::optional<Message> next();
    void setMaxMessageBytes(std::size_t bytes) { maxMessageBytes_ = bytes; }

private:
    ReadExact readExact_;
    std::size_t maxMessageBytes_;
};

// Collects the tokens of one response and sends them as packets of the
// negotiated size. writeAll returns false once the peer is gone; from then on
// everything is dropped and failed() is true.
class PacketWriter {
public:
    using WriteAll = std::function<bool(const std::uint8_t* data, std::size_t size)>;

    PacketWriter(WriteAll writeAll, std::uint16_t spid) : writeAll_(std::move(writeAll)), spid_(spid) {}

    void setPacketSize(std::size_t size) { packetSize_ = size; }
    std::size_t packetSize() const { return packetSize_; }

    // Appends token bytes; full packets go out at once (never the last one, which may end the message).
    void append(const ByteWriter& tokens) { append(std::span<const std::uint8_t>(tokens.bytes())); }
    void append(std::span<const std::uint8_t> tokens);
    // Sends what is buffered; with endOfMessage the last packet carries EOM.
    void flush(bool endOfMessage);
    // Drops what has not been sent yet (after an attention), except the rest of a
    // token whose first bytes already went out: the client parses tokens up to the
    // attention acknowledgement, so a token cut short would put it out of step.
    void discard();
    bool failed() const { return failed_; }

private:
    void sendPacket(std::span<const std::uint8_t> payload, bool endOfMessage);

    WriteAll writeAll_;
    std::uint16_t spid_;
    std::size_t packetSize_ = defaultPacketSize;
    std::vector<std::uint8_t> pending_;
    // Where each appended run of whole tokens ends in pending_, and whether the
    // first of them has been partly sent.
    std::vector<std::size_t> chunkEnds_;
    bool frontChunkStarted_ = false;
    std::uint8_t packetId_ = 1;
    bool failed_ = false;
};

// The packets of one whole message, as a client or the tests would frame it.
std::vector<std::uint8_t> framePackets(std::uint8_t type, std::span<const std::uint8_t> payload,
                                       std::size_t packetSize, std::uint16_t spid = 0);

}  // namespace sandbox::tds
