#pragma once
// Response tokens of TDS 7.1 (the version the sandbox always answers with).
#include <cstdint>
#include <string>
#include <vector>

#include "engine/result_sink.h"
#include "tds/wire.h"

namespace sandbox::tds {

namespace done_status {
constexpr std::uint16_t more = 0x01;
constexpr std::uint16_t error = 0x02;
constexpr std::uint16_t count = 0x10;
constexpr std::uint16_t attention = 0x20;
}  // namespace done_status

namespace token {
constexpr std::uint8_t returnStatus = 0x79;
constexpr std::uint8_t colMetadata = 0x81;
constexpr std::uint8_t error = 0xAA;
constexpr std::uint8_t info = 0xAB;
constexpr std::uint8_t loginAck = 0xAD;
constexpr std::uint8_t row = 0xD1;
constexpr std::uint8_t envChange = 0xE3;
constexpr std::uint8_t done = 0xFD;
constexpr std::uint8_t doneProc = 0xFE;
constexpr std::uint8_t doneInProc = 0xFF;
}  // namespace token

namespace env_change {
constexpr std::uint8_t database = 1;
constexpr std::uint8_t language = 2;
constexpr std::uint8_t packetSize = 4;
constexpr std::uint8_t collation = 7;
}  // namespace env_change

// CurCmd of a DONE after a SELECT.
constexpr std::uint16_t selectCommand = 0xC1;

// DONE, DONEPROC or DONEINPROC with a LONG row count (7.1); counts beyond 2^31-1 are clamped.
void writeDone(ByteWriter& out, std::uint8_t kind, std::uint16_t status, std::uint16_t command, std::int64_t rowCount);
// INFO for severity <= 10, ERROR above, with a USHORT line number (7.1).
void writeMessage(ByteWriter& out, const ServerMessage& message, const std::string& serverName);
// ENVCHANGE with B_VARCHAR new and old values (database, language, packet size).
void writeEnvChange(ByteWriter& out, std::uint8_t type, const std::string& newValue, const std::string& oldValue);
// ENVCHANGE 7: the 5-byte SQL_Latin1_General_CP1_CI_AS collation.
void writeCollationChange(ByteWriter& out);
// LOGINACK as SQL Server 2000 SP3 (8.00.760) answers: TDS 7.1, "Microsoft SQL Server".
void writeLoginAck(ByteWriter& out);
void writeColumnMetadata(ByteWriter& out, const std::vector<ResultColumn>& columns);
// Throws ConversionError (from the type encoders) without writing anything.
void writeRow(ByteWriter& out, const std::vector<ResultColumn>& columns, const std::vector<Value>& values);

}  // namespace sandbox::tds
