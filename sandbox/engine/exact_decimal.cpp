#include "engine/exact_decimal.h"

#include <algorithm>
#include <charconv>

#include "engine/tokenizer.h"

namespace sandbox {

namespace {

std::string_view trimmedBlanks(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

int signOf(const DecimalDigits& number) { return number.digits.empty() ? 0 : number.negative ? -1 : 1; }

// The type's name in upper case without its "(p,s)" and without the storage word.
std::string baseName(std::string_view typeText, bool& hadStorageWord)
{
    std::string name = toUpperAscii(trimmedBlanks(typeText.substr(0, typeText.find('('))));
    hadStorageWord = name.size() > 5 && name.compare(name.size() - 5, 5, " TEXT") == 0;
    if (hadStorageWord)
        name = std::string(trimmedBlanks(std::string_view(name).substr(0, name.size() - 5)));
    return name;
}

bool isExactName(const std::string& upperName)
{
    return upperName == "DECIMAL" || upperName == "DEC" || upperName == "NUMERIC" || upperName == "MONEY" ||
           upperName == "SMALLMONEY";
}

}  // namespace

std::optional<DecimalDigits> parseDecimalDigits(std::string_view input)
{
    const std::string_view text = trimmedBlanks(input);
    DecimalDigits number;
    std::size_t pos = 0;
    if (pos < text.size() && (text[pos] == '-' || text[pos] == '+'))
        number.negative = text[pos++] == '-';
    bool anyDigit = false;
    while (pos < text.size() && isDigit(text[pos])) {
        number.digits += text[pos++];
        ++number.point;
        anyDigit = true;
    }
    if (pos < text.size() && text[pos] == '.') {
        ++pos;
        while (pos < text.size() && isDigit(text[pos])) {
            number.digits += text[pos++];
            anyDigit = true;
        }
    }
    if (!anyDigit)
        return std::nullopt;
    if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
        ++pos;
        const char* begin = text.data() + pos;
        if (pos < text.size() && text[pos] == '+')
            ++begin;
        int exponent = 0;
        const auto [end, error] = std::from_chars(begin, text.data() + text.size(), exponent);
        if (error != std::errc() || exponent > 10000 || exponent < -10000)
            return std::nullopt;
        pos = static_cast<std::size_t>(end - text.data());
        number.point += exponent;
    }
    if (pos != text.size())
        return std::nullopt;
    const std::size_t firstNonZero = number.digits.find_first_not_of('0');
    if (firstNonZero == std::string::npos) {
        number = DecimalDigits{};
        return number;
    }
    number.digits.erase(0, firstNonZero);
    number.point -= static_cast<long long>(firstNonZero);
    number.digits.erase(number.digits.find_last_not_of('0') + 1);
    return number;
}

int compareDecimal(const DecimalDigits& a, const DecimalDigits& b)
{
    const int signA = signOf(a);
    const int signB = signOf(b);
    if (signA != signB || signA == 0)
        return signA < signB ? -1 : signA > signB ? 1 : 0;
    int magnitude = a.point != b.point ? (a.point < b.point ? -1 : 1) : a.digits.compare(b.digits);
    magnitude = magnitude < 0 ? -1 : magnitude > 0 ? 1 : 0;
    return signA < 0 ? -magnitude : magnitude;
}

std::optional<ScaledDecimal> scaleDecimal(const DecimalDigits& number, int scale)
{
    ScaledDecimal result;
    result.negative = number.negative;
    const long long keep = number.point + scale;  // digits that form the scaled integer
    if (number.digits.empty())
        return ScaledDecimal{};
    if (keep > 38)
        return std::nullopt;
    const auto size = static_cast<long long>(number.digits.size());
    for (long long i = 0; i < keep; ++i) {
        const int d = i < size ? number.digits[static_cast<std::size_t>(i)] - '0' : 0;
        result.magnitude = result.magnitude * 10 + static_cast<unsigned>(d);
    }
    if (keep >= 0 && keep < size && number.digits[static_cast<std::size_t>(keep)] >= '5')
        result.magnitude += 1;
    if (digitCount(result.magnitude) > 38)
        return std::nullopt;
    if (result.magnitude == 0)
        result.negative = false;
    return result;
}

int digitCount(unsigned __int128 magnitude)
{
    int count = 0;
    for (; magnitude != 0; magnitude /= 10)
        ++count;
    return count;
}

std::string formatScaled(const ScaledDecimal& value, int scale)
{
    std::string digits;
    for (unsigned __int128 m = value.magnitude; m != 0; m /= 10)
        digits += static_cast<char>('0' + static_cast<int>(m % 10));
    const auto minimum = static_cast<std::size_t>(std::max(scale, 0) + 1);
    if (digits.size() < minimum)
        digits.append(minimum - digits.size(), '0');
    std::reverse(digits.begin(), digits.end());
    if (scale > 0)
        digits.insert(digits.size() - static_cast<std::size_t>(scale), 1, '.');
    return value.negative && value.magnitude != 0 ? "-" + digits : digits;
}

int decimalStorageBytes(int precision)
{
    if (precision <= 9)
        return 5;
    if (precision <= 19)
        return 9;
    if (precision <= 28)
        return 13;
    return 17;
}

std::string exactStorageType(std::string_view sqlServerType)
{
    std::string text(sqlServerType);
    const std::size_t open = text.find('(');
    text.insert(open == std::string::npos ? text.size() : open, " text");
    return text;
}

std::string withoutExactStorage(std::string_view declaredType)
{
    bool hadStorageWord = false;
    const std::string name = baseName(declaredType, hadStorageWord);
    if (!hadStorageWord || !isExactName(name))
        return std::string(declaredType);
    const std::size_t open = declaredType.find('(');
    std::string_view head = trimmedBlanks(declaredType.substr(0, open));
    head.remove_suffix(5);  // " text"
    return std::string(trimmedBlanks(head)) + std::string(open == std::string_view::npos ? "" : declaredType.substr(open));
}

bool isExactTypeText(std::string_view typeText)
{
    bool hadStorageWord = false;
    return isExactName(baseName(typeText, hadStorageWord));
}

}  // namespace sandbox
