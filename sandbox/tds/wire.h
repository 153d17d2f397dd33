#pragma once
// Byte-level building blocks of the TDS wire format: a growing little-endian
// writer and a bounds-checked reader that throws on any overrun.
#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace sandbox::tds {

// Anything a client sent that does not follow the protocol; the session ends.
struct ProtocolError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class ByteWriter {
public:
    void u8(std::uint8_t v) { bytes_.push_back(v); }
    void u16le(std::uint16_t v);
    void u16be(std::uint16_t v);
    void u32le(std::uint32_t v);
    void u32be(std::uint32_t v);
    void u64le(std::uint64_t v);
    void i32le(std::int32_t v) { u32le(static_cast<std::uint32_t>(v)); }
    void append(std::span<const std::uint8_t> data) { bytes_.insert(bytes_.end(), data.begin(), data.end()); }
    void append(std::string_view data) { bytes_.insert(bytes_.end(), data.begin(), data.end()); }
    void fill(std::size_t count, std::uint8_t value) { bytes_.insert(bytes_.end(), count, value); }
    // UTF-16LE code units without a length.
    void utf16(std::u16string_view text);
    // B_VARCHAR: a character count byte then UTF-16LE; longer texts are cut at 255 units.
    void bVarchar(std::u16string_view text);
    // US_VARCHAR: a USHORT character count then UTF-16LE; cut at maxUnits.
    void usVarchar(std::u16string_view text, std::size_t maxUnits = 0xFFFF);
    // Writes a USHORT at a position written earlier (lengths known only afterwards).
    void patchU16le(std::size_t at, std::uint16_t v);

    std::size_t size() const { return bytes_.size(); }
    bool empty() const { return bytes_.empty(); }
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }
    std::vector<std::uint8_t>& bytes() { return bytes_; }
    void clear() { bytes_.clear(); }

private:
    std::vector<std::uint8_t> bytes_;
};

class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> data) : data_(data) {}

    std::uint8_t u8();
    std::uint16_t u16le();
    std::uint16_t u16be();
    std::uint32_t u32le();
    std::int32_t i32le() { return static_cast<std::int32_t>(u32le()); }
    std::span<const std::uint8_t> take(std::size_t count);
    void skip(std::size_t count) { take(count); }

    std::size_t position() const { return position_; }
    std::size_t remaining() const { return data_.size() - position_; }
    bool atEnd() const { return position_ == data_.size(); }

private:
    std::span<const std::uint8_t> data_;
    std::size_t position_ = 0;
};

}  // namespace sandbox::tds
