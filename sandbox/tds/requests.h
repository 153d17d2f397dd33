#pragma once
// Reading the client's requests after login: SQL batch text and RPC names.
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace sandbox::tds {

// The payload without its ALL_HEADERS block (7.2+ clients); unchanged when it has none.
// A batch text cannot begin that way: it would start with a NUL character.
std::span<const std::uint8_t> skipAllHeaders(std::span<const std::uint8_t> payload);

// The batch as UTF-8; nullopt when the text is not valid UTF-16.
std::optional<std::string> batchText(std::span<const std::uint8_t> payload);

// The procedure an RPC request names (well-known ProcIDs as their names); throws ProtocolError when truncated.
std::string rpcProcedureName(std::span<const std::uint8_t> payload);

}  // namespace sandbox::tds
