#include "tds/wire.h"

#include <algorithm>

namespace sandbox::tds {

void ByteWriter::u16le(std::uint16_t v)
{
    u8(static_cast<std::uint8_t>(v));
    u8(static_cast<std::uint8_t>(v >> 8));
}

void ByteWriter::u16be(std::uint16_t v)
{
    u8(static_cast<std::uint8_t>(v >> 8));
    u8(static_cast<std::uint8_t>(v));
}

void ByteWriter::u32le(std::uint32_t v)
{
    for (int shift = 0; shift < 32; shift += 8)
        u8(static_cast<std::uint8_t>(v >> shift));
}

void ByteWriter::u32be(std::uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        u8(static_cast<std::uint8_t>(v >> shift));
}

void ByteWriter::u64le(std::uint64_t v)
{
    for (int shift = 0; shift < 64; shift += 8)
        u8(static_cast<std::uint8_t>(v >> shift));
}

void ByteWriter::utf16(std::u16string_view text)
{
    for (char16_t unit : text)
        u16le(static_cast<std::uint16_t>(unit));
}

void ByteWriter::bVarchar(std::u16string_view text)
{
    const auto units = std::min<std::size_t>(text.size(), 255);
    u8(static_cast<std::uint8_t>(units));
    utf16(text.substr(0, units));
}

void ByteWriter::usVarchar(std::u16string_view text, std::size_t maxUnits)
{
    const auto units = std::min<std::size_t>({text.size(), maxUnits, 0xFFFF});
    u16le(static_cast<std::uint16_t>(units));
    utf16(text.substr(0, units));
}

void ByteWriter::patchU16le(std::size_t at, std::uint16_t v)
{
    bytes_.at(at) = static_cast<std::uint8_t>(v);
    bytes_.at(at + 1) = static_cast<std::uint8_t>(v >> 8);
}

std::uint8_t ByteReader::u8()
{
    return take(1)[0];
}

std::uint16_t ByteReader::u16le()
{
    const auto b = take(2);
    return static_cast<std::uint16_t>(b[0] | (b[1] << 8));
}

std::uint16_t ByteReader::u16be()
{
    const auto b = take(2);
    return static_cast<std::uint16_t>((b[0] << 8) | b[1]);
}

std::uint32_t ByteReader::u32le()
{
    const auto b = take(4);
    return static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
           (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
}

std::span<const std::uint8_t> ByteReader::take(std::size_t count)
{
    if (count > remaining())
        throw ProtocolError("message ends early");
    auto part = data_.subspan(position_, count);
    position_ += count;
    return part;
}

}  // namespace sandbox::tds
