#include "engine/value_text.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "engine/exact_decimal.h"
#include "engine/sql_error.h"
#include "engine/tokenizer.h"

namespace sandbox {

namespace {

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

std::string valueText(const Value& value)
{
    if (const auto* s = std::get_if<std::string>(&value))
        return *s;
    if (const auto* i = std::get_if<std::int64_t>(&value))
        return std::to_string(*i);
    if (const auto* d = std::get_if<double>(&value)) {
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "%.15g", *d);
        return buffer;
    }
    if (const auto* b = std::get_if<Bytes>(&value))
        return std::string(b->begin(), b->end());
    return {};
}

std::string fixedText(long double number, int scale)
{
    char buffer[128];
    std::snprintf(buffer, sizeof buffer, "%.*Lf", scale, number);
    std::string text = buffer;
    if (text == "-0" || (text.rfind("-0.", 0) == 0 && text.find_first_not_of("-0.") == std::string::npos))
        text.erase(0, 1);
    return text;
}

bool isCharacter(SqlType t)
{
    return t == SqlType::Char || t == SqlType::VarChar || t == SqlType::NChar || t == SqlType::NVarChar ||
           t == SqlType::Text || t == SqlType::NText;
}

bool isInteger(SqlType t)
{
    return t == SqlType::Int || t == SqlType::SmallInt || t == SqlType::TinyInt || t == SqlType::BigInt || t == SqlType::Bit;
}

bool isExact(SqlType t)
{
    return t == SqlType::Decimal || t == SqlType::Numeric || t == SqlType::Money || t == SqlType::SmallMoney;
}

std::optional<long double> numberOf(const Value& value)
{
    if (const auto* i = std::get_if<std::int64_t>(&value))
        return static_cast<long double>(*i);
    if (const auto* d = std::get_if<double>(&value))
        return *d;
    if (const auto* s = std::get_if<std::string>(&value)) {
        std::string text(trimmed(*s));
        if (text.empty())
            return std::nullopt;
        char* end = nullptr;
        long double number = std::strtold(text.c_str(), &end);
        if (end && *end == '\0')
            return number;
    }
    return std::nullopt;
}

const char* monthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

std::string formatDateStyle(const DateTimeParts& p, int style)
{
    char buffer[128];
    int hour12 = p.hour % 12 == 0 ? 12 : p.hour % 12;
    const char* ampm = p.hour < 12 ? "AM" : "PM";
    switch (style % 100) {
    case 1: std::snprintf(buffer, sizeof buffer, style >= 100 ? "%02d/%02d/%04d" : "%02d/%02d/%02d", p.month, p.day, style >= 100 ? p.year : p.year % 100); break;
    case 3: std::snprintf(buffer, sizeof buffer, style >= 100 ? "%02d/%02d/%04d" : "%02d/%02d/%02d", p.day, p.month, style >= 100 ? p.year : p.year % 100); break;
    case 8: std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d", p.hour, p.minute, p.second); break;
    case 12: std::snprintf(buffer, sizeof buffer, style >= 100 ? "%04d%02d%02d" : "%02d%02d%02d", style >= 100 ? p.year : p.year % 100, p.month, p.day); break;
    case 20: std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", p.year, p.month, p.day, p.hour, p.minute, p.second); break;
    case 21: return formatDateTime(p);
    case 26: std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02dT%02d:%02d:%02d.%03d", p.year, p.month, p.day, p.hour, p.minute, p.second, p.millisecond); break;
    default:
        std::snprintf(buffer, sizeof buffer, "%s %2d %04d %2d:%02d%s", monthNames[(p.month + 11) % 12], p.day, p.year, hour12,
                      p.minute, ampm);
        break;
    }
    return buffer;
}

[[noreturn]] void conversionError(const std::string& text, const std::string& type)
{
    throw SqlError(245, 16, 1, "Syntax error converting the varchar value '" + text + "' to a column of data type " + type + ".");
}

}  // namespace

std::optional<ParsedNumber> parseNumber(std::string_view text)
{
    std::string t(trimmed(text));
    if (t.empty())
        return std::nullopt;
    ParsedNumber number;
    char* end = nullptr;
    errno = 0;
    long long integer = std::strtoll(t.c_str(), &end, 10);
    if (end && *end == '\0' && errno == 0) {
        number.integer = integer;
        number.real = static_cast<double>(integer);
        return number;
    }
    double real = std::strtod(t.c_str(), &end);
    if (!end || *end != '\0' || t.find_first_of("nN") != std::string::npos)
        return std::nullopt;
    number.isInteger = false;
    number.real = real;
    return number;
}

std::optional<DateTimeParts> parseDateTime(std::string_view input)
{
    std::string text(trimmed(input));
    DateTimeParts p;
    int consumed = 0;
    auto rest = [&](std::size_t from) { return std::string_view(text).substr(std::min(from, text.size())); };
    auto parseTime = [&](std::string_view time) -> bool {
        time = trimmed(time);
        if (time.empty())
            return true;
        std::string t(time);
        int n = 0;
        double seconds = 0;
        if (std::sscanf(t.c_str(), "%d:%d%n", &p.hour, &p.minute, &n) < 2)
            return false;
        std::string tail = t.substr(static_cast<std::size_t>(n));
        if (!tail.empty() && tail[0] == ':') {
            int m = 0;
            if (std::sscanf(tail.c_str() + 1, "%lf%n", &seconds, &m) < 1)
                return false;
            tail = tail.substr(static_cast<std::size_t>(m) + 1);
        }
        tail = std::string(trimmed(tail));
        std::string upper = toUpperAscii(tail);
        if (upper == "PM" && p.hour < 12)
            p.hour += 12;
        else if (upper == "AM" && p.hour == 12)
            p.hour = 0;
        else if (!upper.empty() && upper != "AM" && upper != "PM")
            return false;
        p.second = static_cast<int>(seconds);
        p.millisecond = static_cast<int>(std::lround((seconds - p.second) * 1000));
        if (p.millisecond >= 1000) {
            p.millisecond = 999;
        }
        return p.hour < 24 && p.minute < 60 && p.second < 60;
    };
    if (text.size() >= 8 && std::sscanf(text.c_str(), "%4d-%2d-%2d%n", &p.year, &p.month, &p.day, &consumed) == 3) {
        std::size_t at = static_cast<std::size_t>(consumed);
        if (at < text.size() && (text[at] == 'T' || text[at] == ' '))
            ++at;
        if (!parseTime(rest(at)))
            return std::nullopt;
    } else if (std::sscanf(text.c_str(), "%2d/%2d/%4d%n", &p.month, &p.day, &p.year, &consumed) == 3) {
        if (!parseTime(rest(static_cast<std::size_t>(consumed))))
            return std::nullopt;
    } else if (text.size() >= 8 && text.find_first_not_of("0123456789") >= 8 &&
               std::sscanf(text.substr(0, 8).c_str(), "%4d%2d%2d", &p.year, &p.month, &p.day) == 3) {
        if (!parseTime(rest(8)))
            return std::nullopt;
    } else if (text.find(':') != std::string::npos) {
        // A time alone falls on 1 January 1900; the date attempts above may have written parts.
        p = DateTimeParts{};
        if (!parseTime(text))
            return std::nullopt;
    } else {
        return std::nullopt;
    }
    static const int days[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (p.year < 1753 || p.year > 9999 || p.month < 1 || p.month > 12 || p.day < 1 || p.day > days[p.month - 1])
        return std::nullopt;
    bool leap = (p.year % 4 == 0 && p.year % 100 != 0) || p.year % 400 == 0;
    if (p.month == 2 && p.day == 29 && !leap)
        return std::nullopt;
    return p;
}

std::string formatDateTime(const DateTimeParts& p)
{
    char buffer[96];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d.%03d", p.year, p.month, p.day, p.hour, p.minute,
                  p.second, p.millisecond);
    return buffer;
}

std::optional<ColumnType> parseTypeText(std::string_view input)
{
    std::string text = toUpperAscii(trimmed(withoutExactStorage(input)));
    // Drop a COLLATE clause or NOT NULL a declaration may carry.
    for (const char* tail : {" COLLATE", " NOT NULL", " NULL"})
        if (std::size_t at = text.find(tail); at != std::string::npos)
            text.erase(at);
    std::string name = text;
    std::vector<int> args;
    if (std::size_t open = text.find('('); open != std::string::npos) {
        name = std::string(trimmed(text.substr(0, open)));
        std::string inside = text.substr(open + 1, text.find(')') - open - 1);
        std::size_t at = 0;
        while (at <= inside.size()) {
            std::size_t comma = inside.find(',', at);
            std::string part(trimmed(inside.substr(at, comma == std::string::npos ? std::string::npos : comma - at)));
            args.push_back(part == "MAX" ? -1 : std::atoi(part.c_str()));
            if (comma == std::string::npos)
                break;
            at = comma + 1;
        }
    }
    auto arg = [&](std::size_t i, int fallback) { return i < args.size() ? args[i] : fallback; };
    ColumnType type;
    if (name == "INT" || name == "INTEGER") type.type = SqlType::Int;
    else if (name == "SMALLINT") type.type = SqlType::SmallInt;
    else if (name == "TINYINT") type.type = SqlType::TinyInt;
    else if (name == "BIGINT") type.type = SqlType::BigInt;
    else if (name == "BIT") type.type = SqlType::Bit;
    else if (name == "DECIMAL" || name == "DEC" || name == "NUMERIC") {
        type.type = name == "NUMERIC" ? SqlType::Numeric : SqlType::Decimal;
        type.precision = arg(0, 18);
        type.scale = arg(1, 0);
    } else if (name == "MONEY") { type.type = SqlType::Money; type.precision = 19; type.scale = 4; }
    else if (name == "SMALLMONEY") { type.type = SqlType::SmallMoney; type.precision = 10; type.scale = 4; }
    else if (name == "FLOAT" || name == "DOUBLE PRECISION") type.type = arg(0, 53) <= 24 ? SqlType::Real : SqlType::Float;
    else if (name == "REAL") type.type = SqlType::Real;
    else if (name == "DATETIME") type.type = SqlType::DateTime;
    else if (name == "SMALLDATETIME") type.type = SqlType::SmallDateTime;
    else if (name == "CHAR" || name == "CHARACTER") { type.type = SqlType::Char; type.length = arg(0, 1); }
    else if (name == "VARCHAR" || name == "CHAR VARYING" || name == "CHARACTER VARYING") { type.type = SqlType::VarChar; type.length = arg(0, 1); }
    else if (name == "NCHAR" || name == "NATIONAL CHAR" || name == "NATIONAL CHARACTER") { type.type = SqlType::NChar; type.length = arg(0, 1); }
    else if (name == "NVARCHAR" || name == "NATIONAL CHAR VARYING" || name == "NATIONAL CHARACTER VARYING") { type.type = SqlType::NVarChar; type.length = arg(0, 1); }
    else if (name == "SYSNAME") { type.type = SqlType::NVarChar; type.length = 128; type.nullable = false; }
    else if (name == "TEXT") type.type = SqlType::Text;
    else if (name == "NTEXT") type.type = SqlType::NText;
    else if (name == "IMAGE") type.type = SqlType::Image;
    else if (name == "BINARY") { type.type = SqlType::Binary; type.length = arg(0, 1); }
    else if (name == "VARBINARY" || name == "BINARY VARYING") { type.type = SqlType::VarBinary; type.length = arg(0, 1); }
    else if (name == "UNIQUEIDENTIFIER") { type.type = SqlType::UniqueIdentifier; type.length = 16; }
    else if (name == "TIMESTAMP" || name == "ROWVERSION") { type.type = SqlType::Timestamp; type.length = 8; }
    else if (name == "SQL_VARIANT") { type.type = SqlType::NVarChar; type.length = 4000; }
    else return std::nullopt;
    if (type.length < 0)  // (max) is not SQL Server 2000's; the widest 2000 form stands in for it
        type.length = type.type == SqlType::NVarChar || type.type == SqlType::NChar ? 4000 : 8000;
    return type;
}

std::string typeName(SqlType type)
{
    switch (type) {
    case SqlType::Int: return "int";
    case SqlType::SmallInt: return "smallint";
    case SqlType::TinyInt: return "tinyint";
    case SqlType::BigInt: return "bigint";
    case SqlType::Bit: return "bit";
    case SqlType::Decimal: return "decimal";
    case SqlType::Numeric: return "numeric";
    case SqlType::Money: return "money";
    case SqlType::SmallMoney: return "smallmoney";
    case SqlType::Float: return "float";
    case SqlType::Real: return "real";
    case SqlType::DateTime: return "datetime";
    case SqlType::SmallDateTime: return "smalldatetime";
    case SqlType::Char: return "char";
    case SqlType::VarChar: return "varchar";
    case SqlType::NChar: return "nchar";
    case SqlType::NVarChar: return "nvarchar";
    case SqlType::Text: return "text";
    case SqlType::NText: return "ntext";
    case SqlType::Image: return "image";
    case SqlType::Binary: return "binary";
    case SqlType::VarBinary: return "varbinary";
    case SqlType::UniqueIdentifier: return "uniqueidentifier";
    case SqlType::Timestamp: return "timestamp";
    }
    return "sql_variant";
}

Value convertValue(const Value& value, const std::string& typeText, int style)
{
    if (std::holds_alternative<Null>(value))
        return Null{};
    auto target = parseTypeText(typeText);
    if (!target)
        throw SqlError(243, 16, 1, "Type " + typeText + " is not a defined system type.");
    const SqlType t = target->type;
    const std::string name = typeName(t);
    if (isInteger(t)) {
        std::int64_t result = 0;
        if (const auto* i = std::get_if<std::int64_t>(&value)) {
            result = *i;
        } else if (const auto* d = std::get_if<double>(&value)) {
            result = static_cast<std::int64_t>(std::trunc(*d));
        } else {
            std::string text = valueText(value);
            auto number = parseNumber(text);
            if (!number || !number->isInteger)
                conversionError(text, name);
            result = number->integer;
        }
        if (t == SqlType::Bit)
            return static_cast<std::int64_t>(result != 0);
        const std::int64_t low = t == SqlType::Int ? INT32_MIN : t == SqlType::SmallInt ? INT16_MIN : t == SqlType::TinyInt ? 0 : INT64_MIN;
        const std::int64_t high = t == SqlType::Int ? INT32_MAX : t == SqlType::SmallInt ? INT16_MAX : t == SqlType::TinyInt ? 255 : INT64_MAX;
        if (result < low || result > high)
            throw SqlError(220, 16, 1, "Arithmetic overflow error for data type " + name + ", value = " + std::to_string(result) + ".");
        return result;
    }
    if (isExact(t) || t == SqlType::Float || t == SqlType::Real) {
        auto number = numberOf(value);
        if (!number) {
            std::string text = valueText(value);
            throw SqlError(8114, 16, 5, "Error converting data type varchar to " + name + ".");
        }
        if (t == SqlType::Float || t == SqlType::Real)
            return static_cast<double>(*number);
        long double scale = std::pow(10.0L, target->scale);
        long double rounded = std::round(*number * scale) / scale;
        if (target->scale == 0 && std::fabs(rounded) < 9.2e18L)
            return static_cast<std::int64_t>(rounded);
        return static_cast<double>(rounded);
    }
    if (t == SqlType::DateTime || t == SqlType::SmallDateTime) {
        if (!std::holds_alternative<std::string>(value))
            throw SqlError(8115, 16, 2, "Arithmetic overflow error converting expression to data type datetime.");
        auto parts = parseDateTime(std::get<std::string>(value));
        if (!parts)
            throw SqlError(241, 16, 1, "Syntax error converting datetime from character string.");
        if (t == SqlType::SmallDateTime) {
            parts->second = 0;
            parts->millisecond = 0;
        }
        return formatDateTime(*parts);
    }
    if (isCharacter(t)) {
        std::string text = valueText(value);
        if (style >= 0 && std::holds_alternative<std::string>(value)) {
            if (auto parts = parseDateTime(text); parts && text.find('-') != std::string::npos)
                text = formatDateStyle(*parts, style);
        }
        if (const auto* d = std::get_if<double>(&value)) {
            char buffer[64];
            std::snprintf(buffer, sizeof buffer, "%g", *d);
            text = buffer;
        }
        if (t != SqlType::Text && t != SqlType::NText && target->length > 0 && text.size() > static_cast<std::size_t>(target->length)) {
            if (!std::holds_alternative<std::string>(value))
                return std::string("*");
            text.resize(static_cast<std::size_t>(target->length));
        }
        return text;
    }
    if (t == SqlType::Binary || t == SqlType::VarBinary || t == SqlType::Image || t == SqlType::Timestamp) {
        if (const auto* b = std::get_if<Bytes>(&value))
            return *b;
        std::string text = valueText(value);
        return Bytes(text.begin(), text.end());
    }
    if (t == SqlType::UniqueIdentifier)
        return toUpperAscii(valueText(value));
    return value;
}

Value valueForColumn(const Value& stored, const ColumnType& type)
{
    if (std::holds_alternative<Null>(stored))
        return Null{};
    const SqlType t = type.type;
    if (isInteger(t)) {
        if (const auto* i = std::get_if<std::int64_t>(&stored))
            return t == SqlType::Bit ? static_cast<std::int64_t>(*i != 0) : *i;
        if (const auto* d = std::get_if<double>(&stored))
            return static_cast<std::int64_t>(*d);
        auto number = parseNumber(valueText(stored));
        return number ? Value(number->isInteger ? number->integer : static_cast<std::int64_t>(number->real)) : Value(Null{});
    }
    if (isExact(t)) {
        // User tables store these as exact text; it keeps every digit.
        if (const auto* text = std::get_if<std::string>(&stored))
            if (const auto digits = parseDecimalDigits(*text))
                if (const auto scaled = scaleDecimal(*digits, type.scale))
                    return formatScaled(*scaled, type.scale);
        auto number = numberOf(stored);
        if (!number)
            return Null{};
        // SQLite keeps these as doubles, which round money's limits just past them; a stored value is
        // always within range, so the limits come back exact.
        if (t == SqlType::Money && *number <= -922337203685477.5808L)
            return std::string("-922337203685477.5808");
        if (t == SqlType::Money && *number >= 922337203685477.5807L)
            return std::string("922337203685477.5807");
        if (t == SqlType::SmallMoney && *number <= -214748.3648L)
            return std::string("-214748.3648");
        if (t == SqlType::SmallMoney && *number >= 214748.3647L)
            return std::string("214748.3647");
        return fixedText(*number, type.scale);
    }
    if (t == SqlType::Float || t == SqlType::Real) {
        auto number = numberOf(stored);
        return number ? Value(static_cast<double>(*number)) : Value(Null{});
    }
    if (t == SqlType::DateTime || t == SqlType::SmallDateTime) {
        auto parts = parseDateTime(valueText(stored));
        return parts ? Value(formatDateTime(*parts)) : Value(valueText(stored));
    }
    if (isCharacter(t)) {
        std::string text = valueText(stored);
        if ((t == SqlType::Char || t == SqlType::NChar) && type.length > 0) {
            std::size_t characters = 0;
            for (unsigned char c : text)
                characters += (c & 0xC0) != 0x80;
            if (characters < static_cast<std::size_t>(type.length))
                text.append(static_cast<std::size_t>(type.length) - characters, ' ');
        }
        return text;
    }
    if (t == SqlType::UniqueIdentifier)
        return toUpperAscii(valueText(stored));
    if (const auto* b = std::get_if<Bytes>(&stored))
        return *b;
    std::string text = valueText(stored);
    return Bytes(text.begin(), text.end());
}

}  // namespace sandbox
