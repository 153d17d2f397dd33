#include "tds/type_encoding.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "engine/value_text.h"
#include "tds/text_codec.h"

namespace sandbox::tds {
namespace {

namespace wire_type {
constexpr std::uint8_t image = 0x22;
constexpr std::uint8_t text = 0x23;
constexpr std::uint8_t guid = 0x24;
constexpr std::uint8_t intN = 0x26;
constexpr std::uint8_t ntext = 0x63;
constexpr std::uint8_t bitN = 0x68;
constexpr std::uint8_t decimalN = 0x6A;
constexpr std::uint8_t numericN = 0x6C;
constexpr std::uint8_t floatN = 0x6D;
constexpr std::uint8_t moneyN = 0x6E;
constexpr std::uint8_t dateTimeN = 0x6F;
constexpr std::uint8_t bigVarBinary = 0xA5;
constexpr std::uint8_t bigVarChar = 0xA7;
constexpr std::uint8_t bigBinary = 0xAD;
constexpr std::uint8_t bigChar = 0xAF;
constexpr std::uint8_t nvarchar = 0xE7;
constexpr std::uint8_t nchar = 0xEF;
}  // namespace wire_type

// SQL_Latin1_General_CP1_CI_AS.
constexpr std::uint8_t collation[5] = {0x09, 0x04, 0xD0, 0x00, 0x34};
constexpr std::uint16_t timestampUserType = 80;
constexpr std::uint16_t flagNullable = 0x01;
constexpr std::int32_t ticksPerDay = 300 * 86400;
constexpr std::uint8_t textPointerLength = 16;

constexpr int overflowError = 8115;
constexpr int conversionError = 245;
constexpr int dateConversionError = 241;
constexpr int dateRangeError = 242;
constexpr int guidConversionError = 8169;

[[noreturn]] void overflow(const std::string& typeName)
{
    throw ConversionError(overflowError, std::string("Arithmetic overflow error converting expression to data type ") +
                                             typeName + ".");
}

[[noreturn]] void badText(std::string_view text, SqlType type)
{
    throw ConversionError(conversionError, "Syntax error converting the varchar value '" + std::string(text) +
                                               "' to a column of data type " + typeName(type) + ".");
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

std::string formatDouble(double v)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.17g", v);
    return buffer;
}

std::int64_t toInteger(const Value& value, SqlType type)
{
    if (const auto* i = std::get_if<std::int64_t>(&value))
        return *i;
    if (const auto* d = std::get_if<double>(&value)) {
        if (!std::isfinite(*d) || *d >= 9.2233720368547758e18 || *d < -9.2233720368547758e18)
            overflow(typeName(type));
        return static_cast<std::int64_t>(*d);
    }
    if (const auto* s = std::get_if<std::string>(&value)) {
        const auto text = trimmed(*s);
        std::int64_t result = 0;
        const char* begin = text.data();
        if (!text.empty() && text.front() == '+')
            ++begin;
        const auto [end, error] = std::from_chars(begin, text.data() + text.size(), result);
        if (error == std::errc::result_out_of_range)
            overflow(typeName(type));
        if (error != std::errc() || end != text.data() + text.size())
            badText(*s, type);
        return result;
    }
    badText("(binary)", type);
}

double toDouble(const Value& value, SqlType type)
{
    double result = 0;
    if (const auto* i = std::get_if<std::int64_t>(&value))
        result = static_cast<double>(*i);
    else if (const auto* d = std::get_if<double>(&value))
        result = *d;
    else if (const auto* s = std::get_if<std::string>(&value)) {
        const auto text = trimmed(*s);
        const char* begin = text.data();
        if (!text.empty() && text.front() == '+')
            ++begin;
        const auto [end, error] = std::from_chars(begin, text.data() + text.size(), result);
        if (error == std::errc::result_out_of_range)
            overflow(typeName(type));
        if (error != std::errc() || end != text.data() + text.size())
            badText(*s, type);
    } else
        badText("(binary)", type);
    if (!std::isfinite(result) || (type == SqlType::Real && std::abs(result) > std::numeric_limits<float>::max()))
        overflow(typeName(type));
    return result;
}

std::string toText(const Value& value)
{
    if (const auto* s = std::get_if<std::string>(&value))
        return *s;
    if (const auto* i = std::get_if<std::int64_t>(&value))
        return std::to_string(*i);
    if (const auto* d = std::get_if<double>(&value))
        return formatDouble(*d);
    const auto& bytes = std::get<Bytes>(value);
    return std::string(bytes.begin(), bytes.end());
}

Bytes toBytes(const Value& value)
{
    if (const auto* b = std::get_if<Bytes>(&value))
        return *b;
    const std::string text = toText(value);
    return Bytes(text.begin(), text.end());
}

std::string toDecimalText(const Value& value)
{
    if (const auto* d = std::get_if<double>(&value)) {
        if (!std::isfinite(*d))
            overflow("numeric");
        char buffer[400];
        std::snprintf(buffer, sizeof buffer, "%.*f", 12, *d);
        return buffer;
    }
    if (std::holds_alternative<Bytes>(value))
        badText("(binary)", SqlType::Decimal);
    return toText(value);
}

unsigned __int128 powerOfTen(int exponent)
{
    unsigned __int128 result = 1;
    for (int i = 0; i < exponent; ++i)
        result *= 10;
    return result;
}

void writeInteger(ByteWriter& out, std::int64_t v, int bytes)
{
    out.u8(static_cast<std::uint8_t>(bytes));
    for (int i = 0; i < bytes; ++i)
        out.u8(static_cast<std::uint8_t>(static_cast<std::uint64_t>(v) >> (8 * i)));
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The 16 bytes of a GUID in its text order.
std::array<std::uint8_t, 16> guidTextBytes(const Value& value)
{
    std::array<std::uint8_t, 16> bytes{};
    if (const auto* b = std::get_if<Bytes>(&value)) {
        if (b->size() != 16)
            throw ConversionError(guidConversionError,
                                  "Syntax error converting from a character string to uniqueidentifier.");
        std::copy(b->begin(), b->end(), bytes.begin());
        return bytes;
    }
    const std::string owned = toText(value);
    std::string_view text = trimmed(owned);
    if (text.size() == 38 && text.front() == '{' && text.back() == '}')
        text = text.substr(1, 36);
    static constexpr int dashes[] = {8, 13, 18, 23};
    bool ok = text.size() == 36;
    std::size_t n = 0;
    for (std::size_t i = 0; ok && i < text.size(); ++i) {
        if (std::find(std::begin(dashes), std::end(dashes), static_cast<int>(i)) != std::end(dashes)) {
            ok = text[i] == '-';
            continue;
        }
        const int d = hexDigit(text[i]);
        if (d < 0) {
            ok = false;
            break;
        }
        bytes[n / 2] = static_cast<std::uint8_t>(bytes[n / 2] | (n % 2 == 0 ? d << 4 : d));
        ++n;
    }
    if (!ok)
        throw ConversionError(guidConversionError,
                              "Syntax error converting from a character string to uniqueidentifier.");
    return bytes;
}

void writeLengthPrefixed16(ByteWriter& out, std::span<const std::uint8_t> data)
{
    out.u16le(static_cast<std::uint16_t>(data.size()));
    out.append(data);
}

void writeTextValue(ByteWriter& out, std::span<const std::uint8_t> data)
{
    if (data.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
        throw ConversionError(overflowError, "Value too large for a text, ntext or image column.");
    out.u8(textPointerLength);
    out.fill(textPointerLength, 0xA5);  // any non-empty pointer: clients never send it back here
    out.fill(8, 0);                     // text timestamp
    out.u32le(static_cast<std::uint32_t>(data.size()));
    out.append(data);
}

std::vector<std::uint8_t> utf16Bytes(std::u16string_view text)
{
    ByteWriter w;
    w.utf16(text);
    return std::move(w.bytes());
}

// Cuts at most maxUnits UTF-16 units without splitting a surrogate pair.
std::u16string cutUtf16(std::u16string text, std::size_t maxUnits)
{
    if (text.size() <= maxUnits)
        return text;
    std::size_t cut = maxUnits;
    if (cut > 0 && text[cut - 1] >= 0xD800 && text[cut - 1] <= 0xDBFF)
        --cut;
    text.resize(cut);
    return text;
}

}  // namespace

ColumnType normalizedColumnType(const ColumnType& type)
{
    ColumnType t = type;
    switch (t.type) {
    // An unknown length (0) means the widest column for the varying types, so nothing is cut,
    // and one character for the fixed ones, as char without a length is on SQL Server.
    case SqlType::VarChar:
    case SqlType::VarBinary:
        t.length = t.length <= 0 ? 8000 : std::min(t.length, 8000);
        break;
    case SqlType::NVarChar:
        t.length = t.length <= 0 ? 4000 : std::min(t.length, 4000);
        break;
    case SqlType::Char:
    case SqlType::Binary:
        t.length = std::clamp(t.length, 1, 8000);
        break;
    case SqlType::NChar:
        t.length = std::clamp(t.length, 1, 4000);
        break;
    case SqlType::Decimal:
    case SqlType::Numeric:
        t.precision = t.precision <= 0 ? 18 : std::min(t.precision, 38);
        t.scale = std::clamp(t.scale, 0, t.precision);
        break;
    case SqlType::Timestamp:
        t.length = 8;
        t.nullable = false;
        break;
    default:
        break;
    }
    return t;
}

void writeColumnMetadata(ByteWriter& out, const ResultColumn& column)
{
    const ColumnType t = normalizedColumnType(column.type);
    out.u16le(t.type == SqlType::Timestamp ? timestampUserType : 0);
    out.u16le(t.nullable ? flagNullable : 0);
    auto fixedN = [&](std::uint8_t type, std::uint8_t length) {
        out.u8(type);
        out.u8(length);
    };
    auto sized = [&](std::uint8_t type, int bytes, bool withCollation) {
        out.u8(type);
        out.u16le(static_cast<std::uint16_t>(bytes));
        if (withCollation)
            out.append(std::span<const std::uint8_t>(collation));
    };
    auto blob = [&](std::uint8_t type, std::uint32_t maxBytes, bool withCollation) {
        out.u8(type);
        out.u32le(maxBytes);
        if (withCollation)
            out.append(std::span<const std::uint8_t>(collation));
        out.u16le(0);  // table name (US_VARCHAR), empty for computed results
    };
    switch (t.type) {
    case SqlType::Int: fixedN(wire_type::intN, 4); break;
    case SqlType::SmallInt: fixedN(wire_type::intN, 2); break;
    case SqlType::TinyInt: fixedN(wire_type::intN, 1); break;
    case SqlType::BigInt: fixedN(wire_type::intN, 8); break;
    case SqlType::Bit: fixedN(wire_type::bitN, 1); break;
    case SqlType::Float: fixedN(wire_type::floatN, 8); break;
    case SqlType::Real: fixedN(wire_type::floatN, 4); break;
    case SqlType::Money: fixedN(wire_type::moneyN, 8); break;
    case SqlType::SmallMoney: fixedN(wire_type::moneyN, 4); break;
    case SqlType::DateTime: fixedN(wire_type::dateTimeN, 8); break;
    case SqlType::SmallDateTime: fixedN(wire_type::dateTimeN, 4); break;
    case SqlType::UniqueIdentifier: fixedN(wire_type::guid, 16); break;
    case SqlType::Decimal:
    case SqlType::Numeric:
        out.u8(t.type == SqlType::Decimal ? wire_type::decimalN : wire_type::numericN);
        out.u8(static_cast<std::uint8_t>(decimalStorageBytes(t.precision)));
        out.u8(static_cast<std::uint8_t>(t.precision));
        out.u8(static_cast<std::uint8_t>(t.scale));
        break;
    case SqlType::Char: sized(wire_type::bigChar, t.length, true); break;
    case SqlType::VarChar: sized(wire_type::bigVarChar, t.length, true); break;
    case SqlType::NChar: sized(wire_type::nchar, t.length * 2, true); break;
    case SqlType::NVarChar: sized(wire_type::nvarchar, t.length * 2, true); break;
    case SqlType::Binary: sized(wire_type::bigBinary, t.length, false); break;
    case SqlType::VarBinary: sized(wire_type::bigVarBinary, t.length, false); break;
    case SqlType::Timestamp: sized(wire_type::bigBinary, 8, false); break;
    case SqlType::Text: blob(wire_type::text, 0x7FFFFFFF, true); break;
    case SqlType::NText: blob(wire_type::ntext, 0x7FFFFFFE, true); break;
    case SqlType::Image: blob(wire_type::image, 0x7FFFFFFF, false); break;
    }
    out.bVarchar(utf8ToUtf16(column.name));
}

void writeValue(ByteWriter& out, const ColumnType& columnType, const Value& value)
{
    const ColumnType t = normalizedColumnType(columnType);
    const bool isNull = std::holds_alternative<Null>(value);
    switch (t.type) {
    case SqlType::Int:
    case SqlType::SmallInt:
    case SqlType::TinyInt:
    case SqlType::BigInt: {
        if (isNull)
            return out.u8(0);
        const std::int64_t v = toInteger(value, t.type);
        if (t.type == SqlType::BigInt)
            return writeInteger(out, v, 8);
        if (t.type == SqlType::Int) {
            if (v < std::numeric_limits<std::int32_t>::min() || v > std::numeric_limits<std::int32_t>::max())
                overflow("int");
            return writeInteger(out, v, 4);
        }
        if (t.type == SqlType::SmallInt) {
            if (v < -32768 || v > 32767)
                overflow("smallint");
            return writeInteger(out, v, 2);
        }
        if (v < 0 || v > 255)
            overflow("tinyint");
        return writeInteger(out, v, 1);
    }
    case SqlType::Bit: {
        if (isNull)
            return out.u8(0);
        std::int64_t v = 0;
        if (const auto* s = std::get_if<std::string>(&value); s && (trimmed(*s) == "true" || trimmed(*s) == "TRUE"))
            v = 1;
        else if (s && (trimmed(*s) == "false" || trimmed(*s) == "FALSE"))
            v = 0;
        else
            v = toInteger(value, t.type);
        return writeInteger(out, v != 0 ? 1 : 0, 1);
    }
    case SqlType::Float:
    case SqlType::Real: {
        if (isNull)
            return out.u8(0);
        const double v = toDouble(value, t.type);
        if (t.type == SqlType::Real) {
            out.u8(4);
            return out.u32le(std::bit_cast<std::uint32_t>(static_cast<float>(v)));
        }
        out.u8(8);
        return out.u64le(std::bit_cast<std::uint64_t>(v));
    }
    case SqlType::Money:
    case SqlType::SmallMoney: {
        if (isNull)
            return out.u8(0);
        const auto d = parseDecimal(toDecimalText(value), 4);
        const bool small = t.type == SqlType::SmallMoney;
        const unsigned __int128 limit = small ? (static_cast<unsigned __int128>(1) << 31)
                                              : (static_cast<unsigned __int128>(1) << 63);
        if (d.magnitude > limit || (d.magnitude == limit && !d.negative))
            overflow(small ? "smallmoney" : "money");
        const std::int64_t v = d.negative ? -static_cast<std::int64_t>(d.magnitude - 1) - 1
                                          : static_cast<std::int64_t>(d.magnitude);
        if (small) {
            out.u8(4);
            return out.i32le(static_cast<std::int32_t>(v));
        }
        out.u8(8);
        out.u32le(static_cast<std::uint32_t>(static_cast<std::uint64_t>(v) >> 32));
        return out.u32le(static_cast<std::uint32_t>(static_cast<std::uint64_t>(v)));
    }
    case SqlType::Decimal:
    case SqlType::Numeric: {
        if (isNull)
            return out.u8(0);
        const auto d = parseDecimal(toDecimalText(value), t.scale);
        if (d.magnitude >= powerOfTen(t.precision))
            overflow(t.type == SqlType::Decimal ? "decimal" : "numeric");
        const int bytes = decimalStorageBytes(t.precision);
        out.u8(static_cast<std::uint8_t>(bytes));
        out.u8(d.negative && d.magnitude != 0 ? 0 : 1);
        for (int i = 0; i < bytes - 1; ++i)
            out.u8(static_cast<std::uint8_t>(d.magnitude >> (8 * i)));
        return;
    }
    case SqlType::DateTime:
    case SqlType::SmallDateTime: {
        if (isNull)
            return out.u8(0);
        if (!std::holds_alternative<std::string>(value))
            throw ConversionError(dateConversionError, "Conversion failed when converting datetime from a number.");
        const auto p = parseDateTime(std::get<std::string>(value));
        std::int64_t days = daysSince1900(p.year, p.month, p.day);
        if (t.type == SqlType::DateTime) {
            const std::int64_t ms = ((p.hour * 60LL + p.minute) * 60 + p.second) * 1000 + p.millisecond;
            std::int64_t ticks = (ms * 3 + 5) / 10;
            if (ticks >= ticksPerDay) {
                ticks -= ticksPerDay;
                ++days;
            }
            if (p.year < 1753 || days > daysSince1900(9999, 12, 31))
                throw ConversionError(dateRangeError, "The conversion of a char data type to a datetime data type "
                                                      "resulted in an out-of-range datetime value.");
            out.u8(8);
            out.i32le(static_cast<std::int32_t>(days));
            return out.u32le(static_cast<std::uint32_t>(ticks));
        }
        int minutes = p.hour * 60 + p.minute + (p.second * 1000 + p.millisecond >= 29999 ? 1 : 0);
        if (minutes >= 1440) {
            minutes -= 1440;
            ++days;
        }
        if (days < 0 || days > daysSince1900(2079, 6, 6))
            throw ConversionError(dateRangeError, "The conversion of char data type to smalldatetime data type "
                                                  "resulted in an out-of-range smalldatetime value.");
        out.u8(4);
        out.u16le(static_cast<std::uint16_t>(days));
        return out.u16le(static_cast<std::uint16_t>(minutes));
    }
    case SqlType::UniqueIdentifier: {
        if (isNull)
            return out.u8(0);
        const auto b = guidTextBytes(value);
        out.u8(16);
        // Data1..Data3 travel little-endian, Data4 as it is.
        const std::uint8_t head[8] = {b[3], b[2], b[1], b[0], b[5], b[4], b[7], b[6]};
        out.append(std::span<const std::uint8_t>(head));
        return out.append(std::span<const std::uint8_t>(b).subspan(8));
    }
    case SqlType::Char:
    case SqlType::VarChar: {
        if (isNull)
            return out.u16le(0xFFFF);
        std::string bytes = utf8ToCp1252(toText(value));
        const auto length = static_cast<std::size_t>(t.length);
        if (bytes.size() > length)
            bytes.resize(length);
        if (t.type == SqlType::Char)
            bytes.resize(length, ' ');
        return writeLengthPrefixed16(out, std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
    }
    case SqlType::NChar:
    case SqlType::NVarChar: {
        if (isNull)
            return out.u16le(0xFFFF);
        const auto length = static_cast<std::size_t>(t.length);
        std::u16string text = cutUtf16(utf8ToUtf16(toText(value)), length);
        if (t.type == SqlType::NChar)
            text.resize(length, u' ');
        return writeLengthPrefixed16(out, utf16Bytes(text));
    }
    case SqlType::Binary:
    case SqlType::VarBinary:
    case SqlType::Timestamp: {
        if (isNull)
            return out.u16le(0xFFFF);
        Bytes bytes = toBytes(value);
        const auto length = static_cast<std::size_t>(t.length);
        if (bytes.size() > length)
            bytes.resize(length);
        if (t.type != SqlType::VarBinary)
            bytes.resize(length, 0);
        return writeLengthPrefixed16(out, bytes);
    }
    case SqlType::Text: {
        if (isNull)
            return out.u8(0);
        const std::string bytes = utf8ToCp1252(toText(value));
        return writeTextValue(out, std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
    }
    case SqlType::NText: {
        if (isNull)
            return out.u8(0);
        return writeTextValue(out, utf16Bytes(utf8ToUtf16(toText(value))));
    }
    case SqlType::Image: {
        if (isNull)
            return out.u8(0);
        return writeTextValue(out, toBytes(value));
    }
    }
}

std::int64_t daysSince1900(int year, int month, int day)
{
    // Days from the civil calendar (proleptic Gregorian), counted from 1970 then moved to 1900.
    const int y = month <= 2 ? year - 1 : year;
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yoe = y - era * 400;
    const int mp = (month + 9) % 12;
    const int doy = (153 * mp + 2) / 5 + day - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const std::int64_t sinceEpoch = static_cast<std::int64_t>(era) * 146097 + doe - 719468;
    return sinceEpoch + 25567;
}

DateTimeParts parseDateTime(std::string_view input)
{
    const std::string_view text = trimmed(input);
    auto fail = [&]() -> DateTimeParts {
        throw ConversionError(dateConversionError,
                              "Syntax error converting datetime from character string '" + std::string(input) + "'.");
    };
    std::size_t pos = 0;
    auto number = [&](std::size_t digits, int& target) {
        if (pos + digits > text.size())
            return false;
        int v = 0;
        for (std::size_t i = 0; i < digits; ++i) {
            const char c = text[pos + i];
            if (c < '0' || c > '9')
                return false;
            v = v * 10 + (c - '0');
        }
        target = v;
        pos += digits;
        return true;
    };
    auto expect = [&](char c) {
        if (pos < text.size() && text[pos] == c) {
            ++pos;
            return true;
        }
        return false;
    };
    DateTimeParts p;
    if (!number(4, p.year) || !expect('-') || !number(2, p.month) || !expect('-') || !number(2, p.day))
        return fail();
    if (pos < text.size()) {
        if (!expect(' ') && !expect('T'))
            return fail();
        if (!number(2, p.hour) || !expect(':') || !number(2, p.minute))
            return fail();
        if (expect(':')) {
            if (!number(2, p.second))
                return fail();
            if (expect('.')) {
                int digits = 0;
                int ms = 0;
                while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
                    if (digits < 3)
                        ms = ms * 10 + (text[pos] - '0');
                    ++digits;
                    ++pos;
                }
                if (digits == 0)
                    return fail();
                for (int d = digits; d < 3; ++d)
                    ms *= 10;
                p.millisecond = ms;
            }
        }
        if (pos != text.size())
            return fail();
    }
    static constexpr int monthDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (p.year % 4 == 0 && p.year % 100 != 0) || p.year % 400 == 0;
    if (p.month < 1 || p.month > 12 || p.day < 1 || p.day > monthDays[p.month - 1] ||
        (p.month == 2 && p.day == 29 && !leap) || p.hour > 23 || p.minute > 59 || p.second > 59)
        return fail();
    return p;
}

ScaledDecimal parseDecimal(std::string_view input, int scale)
{
    const auto number = parseDecimalDigits(trimmed(input));
    if (!number)
        throw ConversionError(8114, "Error converting data type varchar to numeric.");
    const auto scaled = scaleDecimal(*number, scale);
    if (!scaled)
        overflow("numeric");
    return *scaled;
}

}  // namespace sandbox::tds
