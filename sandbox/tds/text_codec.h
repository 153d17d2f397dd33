#pragma once
// Text conversions at the wire: the engine speaks UTF-8, TDS speaks UTF-16LE
// for names and Unicode data and the collation's code page (CP1252) for char data.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace sandbox::tds {

// Invalid UTF-8 sequences become U+FFFD, so nothing the engine says is lost silently.
std::u16string utf8ToUtf16(std::string_view text);

// UTF-16LE bytes as the client sent them; nullopt for an odd length or an unpaired surrogate.
std::optional<std::string> utf16leToUtf8(std::span<const std::uint8_t> bytes);

// Latin-1 / Windows-1252 bytes of SQL_Latin1_General_CP1_CI_AS; characters outside it become '?'.
std::string utf8ToCp1252(std::string_view text);

}  // namespace sandbox::tds
