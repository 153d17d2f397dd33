#pragma once
// Column descriptions (COLMETADATA entries) and row values for every SqlType,
// encoded as SQL Server 2000 sends them over TDS 7.1.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "engine/exact_decimal.h"
#include "engine/result_sink.h"
#include "tds/wire.h"

namespace sandbox::tds {

// A value that cannot be represented in its column's type; reported to the client as an error.
struct ConversionError : std::runtime_error {
    int number;  // SQL Server's message number: 8115 overflow, 245 / 241 / 8169 bad text, ...
    ConversionError(int number, const std::string& text) : std::runtime_error(text), number(number) {}
};

// Lengths clamped to what the wire allows: char/binary 1..8000 bytes, nchar 1..4000 characters
// (an unknown length 0 becomes 8000 / 4000 for the varying types), precision 1..38 (0 means 18),
// scale 0..precision.
ColumnType normalizedColumnType(const ColumnType& type);

// UserType, Flags, TYPE_INFO, [table name], column name for one column.
void writeColumnMetadata(ByteWriter& out, const ResultColumn& column);

// One value of a ROW token; throws ConversionError when the value does not fit the type.
void writeValue(ByteWriter& out, const ColumnType& type, const Value& value);

// Helpers shared with the tests (all throw ConversionError on bad input).
struct DateTimeParts {
    int year = 1900, month = 1, day = 1, hour = 0, minute = 0, second = 0, millisecond = 0;
};
DateTimeParts parseDateTime(std::string_view text);
// Days since 1900-01-01 (negative before it).
std::int64_t daysSince1900(int year, int month, int day);
// Unscaled integer of a decimal text at the given scale (rounded half away from zero), and its sign.
using ScaledDecimal = sandbox::ScaledDecimal;
ScaledDecimal parseDecimal(std::string_view text, int scale);

}  // namespace sandbox::tds
