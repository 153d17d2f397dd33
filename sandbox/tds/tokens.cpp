#include "tds/tokens.h"

#include <algorithm>
#include <limits>

#include "tds/text_codec.h"
#include "tds/type_encoding.h"

namespace sandbox::tds {
namespace {

constexpr std::size_t maxMessageUnits = 8000;
constexpr std::uint32_t tdsVersion71 = 0x71000001;

}  // namespace

void writeDone(ByteWriter& out, std::uint8_t kind, std::uint16_t status, std::uint16_t command, std::int64_t rowCount)
{
    out.u8(kind);
    out.u16le(status);
    out.u16le(command);
    out.i32le(static_cast<std::int32_t>(std::clamp<std::int64_t>(rowCount, 0, std::numeric_limits<std::int32_t>::max())));
}

void writeMessage(ByteWriter& out, const ServerMessage& message, const std::string& serverName)
{
    out.u8(message.severity <= 10 ? token::info : token::error);
    const std::size_t lengthAt = out.size();
    out.u16le(0);
    out.i32le(message.number);
    out.u8(static_cast<std::uint8_t>(std::clamp(message.state, 0, 255)));
    out.u8(static_cast<std::uint8_t>(std::clamp(message.severity, 0, 255)));
    out.usVarchar(utf8ToUtf16(message.text), maxMessageUnits);
    out.bVarchar(utf8ToUtf16(serverName));
    out.bVarchar(utf8ToUtf16(message.procName));
    out.u16le(static_cast<std::uint16_t>(std::clamp(message.line, 0, 0xFFFF)));
    out.patchU16le(lengthAt, static_cast<std::uint16_t>(out.size() - lengthAt - 2));
}

void writeEnvChange(ByteWriter& out, std::uint8_t type, const std::string& newValue, const std::string& oldValue)
{
    out.u8(token::envChange);
    const std::size_t lengthAt = out.size();
    out.u16le(0);
    out.u8(type);
    out.bVarchar(utf8ToUtf16(newValue));
    out.bVarchar(utf8ToUtf16(oldValue));
    out.patchU16le(lengthAt, static_cast<std::uint16_t>(out.size() - lengthAt - 2));
}

void writeCollationChange(ByteWriter& out)
{
    static constexpr std::uint8_t collation[5] = {0x09, 0x04, 0xD0, 0x00, 0x34};
    out.u8(token::envChange);
    out.u16le(1 + 1 + 5 + 1);
    out.u8(env_change::collation);
    out.u8(5);
    out.append(std::span<const std::uint8_t>(collation));
    out.u8(0);
}

void writeLoginAck(ByteWriter& out)
{
    const std::u16string programName = u"Microsoft SQL Server";
    out.u8(token::loginAck);
    out.u16le(static_cast<std::uint16_t>(10 + 2 * programName.size()));
    out.u8(1);  // interface: SQL
    out.u32be(tdsVersion71);
    out.bVarchar(programName);
    static constexpr std::uint8_t version[4] = {0x08, 0x00, 0x02, 0xF8};  // 8.00.760
    out.append(std::span<const std::uint8_t>(version));
}

void writeColumnMetadata(ByteWriter& out, const std::vector<ResultColumn>& columns)
{
    out.u8(token::colMetadata);
    out.u16le(static_cast<std::uint16_t>(columns.size()));
    for (const auto& column : columns)
        writeColumnMetadata(out, column);
}

void writeRow(ByteWriter& out, const std::vector<ResultColumn>& columns, const std::vector<Value>& values)
{
    ByteWriter row;
    row.u8(token::row);
    for (std::size_t i = 0; i < columns.size(); ++i)
        writeValue(row, columns[i].type, i < values.size() ? values[i] : Value{Null{}});
    out.append(std::span<const std::uint8_t>(row.bytes()));
}

}  // namespace sandbox::tds
