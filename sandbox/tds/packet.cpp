#include "tds/packet.h"

#include <algorithm>
#include <array>

namespace sandbox::tds {

std::optional<Message> MessageReader::next()
{
    Message message;
    bool first = true;
    for (;;) {
        std::array<std::uint8_t, packetHeaderSize> header{};
        if (!readExact_(header.data(), header.size())) {
            if (first)
                return std::nullopt;
            throw ProtocolError("connection closed inside a message");
        }
        const std::uint8_t type = header[0];
        const std::uint8_t status = header[1];
        const std::size_t length = static_cast<std::size_t>((header[2] << 8) | header[3]);
        if (length < packetHeaderSize)
            throw ProtocolError("packet length below the header size");
        if (first)
            message.type = type;
        else if (type != message.type)
            throw ProtocolError("packet type changes inside a message");
        const std::size_t body = length - packetHeaderSize;
        if (message.payload.size() + body > maxMessageBytes_)
            throw ProtocolError("message too long");
        const std::size_t offset = message.payload.size();
        message.payload.resize(offset + body);
        if (body > 0 && !readExact_(message.payload.data() + offset, body))
            throw ProtocolError("connection closed inside a packet");
        first = false;
        if (status & packet_status::endOfMessage) {
            if (status & packet_status::ignore) {
                // The client abandoned this message: read the next one instead.
                message = Message{};
                first = true;
                continue;
            }
            return message;
        }
    }
}

void PacketWriter::append(std::span<const std::uint8_t> tokens)
{
    if (failed_)
        return;
    pending_.insert(pending_.end(), tokens.begin(), tokens.end());
    chunkEnds_.push_back(pending_.size());  // every append holds whole tokens
    const std::size_t capacity = packetSize_ - packetHeaderSize;
    std::size_t sent = 0;
    // Keep at least one byte back: the last packet of the message must carry EOM.
    while (!failed_ && pending_.size() - sent > capacity) {
        sendPacket(std::span<const std::uint8_t>(pending_).subspan(sent, capacity), false);
        sent += capacity;
    }
    if (sent == 0)
        return;
    std::size_t chunkStart = 0;
    std::vector<std::size_t> remaining;
    for (const std::size_t end : chunkEnds_) {
        if (end > sent) {
            if (remaining.empty())
                frontChunkStarted_ = chunkStart < sent;
            remaining.push_back(end - sent);
        }
        chunkStart = end;
    }
    chunkEnds_ = std::move(remaining);
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(sent));
}

void PacketWriter::discard()
{
    if (frontChunkStarted_ && !chunkEnds_.empty()) {
        pending_.resize(chunkEnds_.front());
        chunkEnds_.resize(1);
    } else {
        pending_.clear();
        chunkEnds_.clear();
    }
    frontChunkStarted_ = false;
}

void PacketWriter::flush(bool endOfMessage)
{
    if (failed_)
        return;
    if (pending_.empty() && !endOfMessage)
        return;
    const std::size_t capacity = packetSize_ - packetHeaderSize;
    std::size_t sent = 0;
    while (!failed_ && pending_.size() - sent > capacity) {
        sendPacket(std::span<const std::uint8_t>(pending_).subspan(sent, capacity), false);
        sent += capacity;
    }
    sendPacket(std::span<const std::uint8_t>(pending_).subspan(sent), endOfMessage);
    pending_.clear();
    chunkEnds_.clear();
    frontChunkStarted_ = false;
    if (endOfMessage)
        packetId_ = 1;
}

void PacketWriter::sendPacket(std::span<const std::uint8_t> payload, bool endOfMessage)
{
    if (failed_)
        return;
    std::vector<std::uint8_t> packet;
    packet.reserve(packetHeaderSize + payload.size());
    const auto length = static_cast<std::uint16_t>(packetHeaderSize + payload.size());
    packet.push_back(packet_type::tabularResult);
    packet.push_back(endOfMessage ? packet_status::endOfMessage : 0);
    packet.push_back(static_cast<std::uint8_t>(length >> 8));
    packet.push_back(static_cast<std::uint8_t>(length));
    packet.push_back(static_cast<std::uint8_t>(spid_ >> 8));
    packet.push_back(static_cast<std::uint8_t>(spid_));
    packet.push_back(packetId_++);
    packet.push_back(0);
    packet.insert(packet.end(), payload.begin(), payload.end());
    if (!writeAll_(packet.data(), packet.size()))
        failed_ = true;
}

std::vector<std::uint8_t> framePackets(std::uint8_t type, std::span<const std::uint8_t> payload,
                                       std::size_t packetSize, std::uint16_t spid)
{
    std::vector<std::uint8_t> out;
    const std::size_t capacity = packetSize - packetHeaderSize;
    std::size_t offset = 0;
    std::uint8_t id = 1;
    do {
        const std::size_t part = std::min(capacity, payload.size() - offset);
        const bool last = offset + part == payload.size();
        const auto length = static_cast<std::uint16_t>(packetHeaderSize + part);
        out.insert(out.end(), {type, static_cast<std::uint8_t>(last ? packet_status::endOfMessage : 0),
                               static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length),
                               static_cast<std::uint8_t>(spid >> 8), static_cast<std::uint8_t>(spid), id++, 0});
        out.insert(out.end(), payload.begin() + static_cast<std::ptrdiff_t>(offset),
                   payload.begin() + static_cast<std::ptrdiff_t>(offset + part));
        offset += part;
    } while (offset < payload.size());
    return out;
}

}  // namespace sandbox::tds
