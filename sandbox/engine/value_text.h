#pragma once
// SQL Server type texts and value conversions: parsing "decimal(10,2)", CONVERT/CAST,
// and turning stored SQLite values into the forms result_sink.h expects.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "engine/result_sink.h"

namespace sandbox {

struct ParsedNumber {
    bool isInteger = true;
    std::int64_t integer = 0;
    double real = 0;
};
// Parses a number as SQL Server reads one from a string (blanks around allowed); nullopt if it is none.
std::optional<ParsedNumber> parseNumber(std::string_view text);

struct DateTimeParts {
    int year = 1900, month = 1, day = 1, hour = 0, minute = 0, second = 0, millisecond = 0;
};
// Accepts yyyy-mm-dd[ hh:mi[:ss[.mmm]]], yyyymmdd, mm/dd/yyyy and a time alone.
std::optional<DateTimeParts> parseDateTime(std::string_view text);
std::string formatDateTime(const DateTimeParts& parts);  // yyyy-mm-dd hh:mm:ss.mmm

// A built-in SQL Server type text ("nvarchar(128)", "sysname", "decimal(10,2)"); nullopt for other names.
std::optional<ColumnType> parseTypeText(std::string_view text);
// The type's name as SQL Server writes it in messages ("int", "varchar").
std::string typeName(SqlType type);

// CONVERT(type, value, style) / CAST. Throws SqlError (245, 241, 8114, 220...).
Value convertValue(const Value& value, const std::string& typeText, int style);

// A stored value in the form the wire wants for a column of this type (decimal text with its scale,
// dates as "yyyy-mm-dd hh:mm:ss.mmm", char(n) padded, ...).
Value valueForColumn(const Value& stored, const ColumnType& type);

}  // namespace sandbox
