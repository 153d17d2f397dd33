#include "tds/requests.h"

#include "tds/text_codec.h"
#include "tds/wire.h"

namespace sandbox::tds {

std::span<const std::uint8_t> skipAllHeaders(std::span<const std::uint8_t> payload)
{
    if (payload.size() < 4)
        return payload;
    ByteReader reader(payload);
    const std::size_t total = reader.u32le();
    if (total <= 4 || total > payload.size())
        return payload;
    std::size_t position = 4;
    while (position < total) {
        if (total - position < 6)
            return payload;
        ByteReader header(payload.subspan(position));
        const std::size_t length = header.u32le();
        if (length < 6 || length > total - position)
            return payload;
        position += length;
    }
    return payload.subspan(total);
}

std::optional<std::string> batchText(std::span<const std::uint8_t> payload)
{
    return utf16leToUtf8(skipAllHeaders(payload));
}

std::string rpcProcedureName(std::span<const std::uint8_t> payload)
{
    static const char* const wellKnown[] = {
        "",           "sp_cursor",      "sp_cursoropen",    "sp_cursorprepare", "sp_cursorexecute",
        "sp_cursorprepexec", "sp_cursorunprepare", "sp_cursorfetch", "sp_cursoroption", "sp_cursorclose",
        "sp_executesql", "sp_prepare",  "sp_execute",       "sp_prepexec",      "sp_prepexecrpc",
        "sp_unprepare"};
    ByteReader reader(skipAllHeaders(payload));
    const std::uint16_t nameLength = reader.u16le();
    if (nameLength == 0xFFFF) {
        const std::uint16_t id = reader.u16le();
        if (id < std::size(wellKnown) && id > 0)
            return wellKnown[id];
        return "procedure id " + std::to_string(id);
    }
    auto name = utf16leToUtf8(reader.take(static_cast<std::size_t>(nameLength) * 2));
    if (!name)
        throw ProtocolError("RPC name is not UTF-16");
    return *name;
}

}  // namespace sandbox::tds
