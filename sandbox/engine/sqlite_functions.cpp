// The SQLSERVER collation, T-SQL's LIKE and the T-SQL functions the translator calls.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <random>

#include "engine/database_registry.h"
#include "engine/sql_error.h"
#include "engine/sqlite_handle.h"
#include "engine/tokenizer.h"
#include "engine/sqlite_function_support.h"
#include "engine/value_text.h"

namespace sandbox {

using namespace sqlfn;

namespace {

// ---- collation --------------------------------------------------------------

int compareSqlServer(void*, int lengthA, const void* a, int lengthB, const void* b)
{
    const auto* x = static_cast<const unsigned char*>(a);
    const auto* y = static_cast<const unsigned char*>(b);
    // Trailing blanks do not count, as in SQL Server's comparisons.
    while (lengthA > 0 && x[lengthA - 1] == ' ')
        --lengthA;
    while (lengthB > 0 && y[lengthB - 1] == ' ')
        --lengthB;
    const int common = std::min(lengthA, lengthB);
    for (int i = 0; i < common; ++i) {
        unsigned char cx = lowerAscii(x[i]);
        unsigned char cy = lowerAscii(y[i]);
        if (cx != cy)
            return cx < cy ? -1 : 1;
    }
    return lengthA == lengthB ? 0 : (lengthA < lengthB ? -1 : 1);
}

// ---- LIKE -------------------------------------------------------------------

std::size_t utf8Length(unsigned char lead)
{
    return lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
}

bool likeMatch(std::string_view pattern, std::string_view text, int escape)
{
    std::size_t p = 0;
    std::size_t t = 0;
    std::size_t starP = std::string_view::npos;
    std::size_t starT = 0;
    while (t < text.size()) {
        bool matched = false;
        std::size_t nextP = p;
        std::size_t step = utf8Length(static_cast<unsigned char>(text[t]));
        if (p < pattern.size()) {
            unsigned char pc = static_cast<unsigned char>(pattern[p]);
            if (escape >= 0 && pc == escape && p + 1 < pattern.size()) {
                matched = lowerAscii(static_cast<unsigned char>(pattern[p + 1])) == lowerAscii(static_cast<unsigned char>(text[t]));
                nextP = p + 2;
            } else if (pc == '%') {
                starP = p++;
                starT = t;
                continue;
            } else if (pc == '_') {
                matched = true;
                nextP = p + 1;
            } else if (pc == '[' && pattern.find(']', p + 1) != std::string_view::npos) {
                std::size_t close = pattern.find(']', p + 2);
                if (close == std::string_view::npos)
                    close = pattern.find(']', p + 1);
                std::string_view set = pattern.substr(p + 1, close - p - 1);
                bool negate = !set.empty() && set[0] == '^';
                if (negate)
                    set.remove_prefix(1);
                unsigned char c = lowerAscii(static_cast<unsigned char>(text[t]));
                bool inSet = false;
                for (std::size_t i = 0; i < set.size(); ++i) {
                    unsigned char low = lowerAscii(static_cast<unsigned char>(set[i]));
                    if (i + 2 < set.size() && set[i + 1] == '-') {
                        unsigned char high = lowerAscii(static_cast<unsigned char>(set[i + 2]));
                        inSet = inSet || (c >= low && c <= high);
                        i += 2;
                    } else {
                        inSet = inSet || c == low;
                    }
                }
                matched = inSet != negate;
                nextP = close + 1;
            } else {
                std::size_t length = utf8Length(pc);
                matched = pattern.substr(p, 1) == text.substr(t, 1)
                              ? pattern.substr(p, length) == text.substr(t, length)
                              : lowerAscii(pc) == lowerAscii(static_cast<unsigned char>(text[t]));
                nextP = p + (matched ? length : 1);
            }
        }
        if (matched) {
            p = nextP;
            t += step;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            starT += utf8Length(static_cast<unsigned char>(text[starT]));
            t = starT;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '%')
        ++p;
    return p == pattern.size();
}

void likeFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    if (isNull(argv[0]) || isNull(argv[1]))
        return sqlite3_result_null(ctx);
    int escape = -1;
    if (argc == 3 && !isNull(argv[2])) {
        std::string e = textArg(argv[2]);
        escape = e.empty() ? -1 : static_cast<unsigned char>(e[0]);
    }
    sqlite3_result_int(ctx, likeMatch(textArg(argv[0]), textArg(argv[1]), escape) ? 1 : 0);
}

// ---- arithmetic and strings --------------------------------------------------

// One operand of T-SQL's +, as SQLite hands it over or as a previous step left it.
struct AddOperand {
    int type = SQLITE_NULL;
    std::int64_t integer = 0;
    double real = 0;
    std::string bytes;  // text or blob
};

AddOperand addOperand(sqlite3_value* value)
{
    AddOperand operand;
    operand.type = sqlite3_value_type(value);
    if (operand.type == SQLITE_INTEGER)
        operand.integer = sqlite3_value_int64(value);
    else if (operand.type == SQLITE_FLOAT)
        operand.real = sqlite3_value_double(value);
    else if (operand.type != SQLITE_NULL)
        operand.bytes = textArg(value);
    return operand;
}

// left + right into left, as SQL Server adds or concatenates; false (with the error set) when it fails.
bool addInto(sqlite3_context* ctx, AddOperand& left, const AddOperand& right)
{
    if (left.type == SQLITE_NULL || right.type == SQLITE_NULL) {
        left = AddOperand{};
        return true;
    }
    if ((left.type == SQLITE_TEXT && right.type == SQLITE_TEXT) || (left.type == SQLITE_BLOB && right.type == SQLITE_BLOB)) {
        left.bytes += right.bytes;
        return true;
    }
    // A string meets a number: SQL Server converts the string to the number's type.
    auto number = [&](const AddOperand& v, bool& isInt, std::int64_t& i, double& d) -> bool {
        if (v.type == SQLITE_INTEGER) {
            isInt = true;
            i = v.integer;
            return true;
        }
        if (v.type == SQLITE_FLOAT) {
            isInt = false;
            d = v.real;
            return true;
        }
        auto parsed = parseNumber(v.bytes);
        if (!parsed) {
            resultError(ctx, 245, 16, "Syntax error converting the varchar value '" + v.bytes + "' to a column of data type int.");
            return false;
        }
        isInt = parsed->isInteger;
        i = parsed->integer;
        d = parsed->real;
        return true;
    };
    bool ia = false, ib = false;
    std::int64_t xa = 0, xb = 0;
    double da = 0, db = 0;
    if (!number(left, ia, xa, da) || !number(right, ib, xb, db))
        return false;
    if (ia && ib) {
        std::int64_t sum = 0;
        if (__builtin_add_overflow(xa, xb, &sum)) {
            resultError(ctx, 8115, 16, "Arithmetic overflow error converting expression to data type bigint.");
            return false;
        }
        left = AddOperand{};
        left.type = SQLITE_INTEGER;
        left.integer = sum;
        return true;
    }
    const double total = (ia ? static_cast<double>(xa) : da) + (ib ? static_cast<double>(xb) : db);
    left = AddOperand{};
    left.type = SQLITE_FLOAT;
    left.real = total;
    return true;
}

// tsql_add(a, b, c, ...) is ((a + b) + c) + ...: one call for a whole run of +.
void addFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    AddOperand sum = addOperand(argv[0]);
    for (int i = 1; i < argc; ++i)
        if (!addInto(ctx, sum, addOperand(argv[i])))
            return;
    switch (sum.type) {
    case SQLITE_NULL:
        return sqlite3_result_null(ctx);
    case SQLITE_INTEGER:
        return sqlite3_result_int64(ctx, sum.integer);
    case SQLITE_FLOAT:
        return sqlite3_result_double(ctx, sum.real);
    case SQLITE_BLOB:
        return sqlite3_result_blob(ctx, sum.bytes.data(), static_cast<int>(sum.bytes.size()), SQLITE_TRANSIENT);
    default:
        return resultText(ctx, sum.bytes);
    }
}

// a / b and a % b with SQL Server's divide-by-zero error; integers divide as integers.
void divideFunction(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (isNull(argv[0]) || isNull(argv[1]))
        return sqlite3_result_null(ctx);
    const bool modulo = sqlite3_user_data(ctx) != nullptr;
    auto numeric = [](sqlite3_value* v) -> std::optional<ParsedNumber> {
        if (sqlite3_value_type(v) == SQLITE_INTEGER)
            return ParsedNumber{true, sqlite3_value_int64(v), static_cast<double>(sqlite3_value_int64(v))};
        if (sqlite3_value_type(v) == SQLITE_FLOAT)
            return ParsedNumber{false, 0, sqlite3_value_double(v)};
        return parseNumber(textArg(v));
    };
    auto a = numeric(argv[0]);
    auto b = numeric(argv[1]);
    if (!a || !b)
        return resultError(ctx, 8114, 16, "Error converting data type varchar to numeric.");
    if ((b->isInteger && b->integer == 0) || (!b->isInteger && b->real == 0.0))
        return resultError(ctx, 8134, 16, "Divide by zero error encountered.");
    if (a->isInteger && b->isInteger) {
        if (b->integer == -1)
            return sqlite3_result_int64(ctx, modulo ? 0 : -a->integer);
        return sqlite3_result_int64(ctx, modulo ? a->integer % b->integer : a->integer / b->integer);
    }
    const double x = a->isInteger ? static_cast<double>(a->integer) : a->real;
    const double y = b->isInteger ? static_cast<double>(b->integer) : b->real;
    sqlite3_result_double(ctx, modulo ? std::fmod(x, y) : x / y);
}

std::vector<std::string> utf8Characters(const std::string& text)
{
    std::vector<std::string> characters;
    for (std::size_t i = 0; i < text.size();) {
        std::size_t n = std::min(utf8Length(static_cast<unsigned char>(text[i])), text.size() - i);
        characters.push_back(text.substr(i, n));
        i += n;
    }
    return characters;
}

std::string joinCharacters(const std::vector<std::string>& characters, std::size_t from, std::size_t count)
{
    std::string out;
    for (std::size_t i = from; i < characters.size() && i < from + count; ++i)
        out += characters[i];
    return out;
}

void lenFunction(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (isNull(argv[0]))
        return sqlite3_result_null(ctx);
    std::string text = textArg(argv[0]);
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    sqlite3_result_int64(ctx, static_cast<std::int64_t>(utf8Characters(text).size()));
}

void dataLengthFunction(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    switch (sqlite3_value_type(argv[0])) {
    case SQLITE_NULL:
        return sqlite3_result_null(ctx);
    case SQLITE_INTEGER:
        return sqlite3_result_int(ctx, 4);
    case SQLITE_FLOAT:
        return sqlite3_result_int(ctx, 8);
    default:
        return sqlite3_result_int(ctx, sqlite3_value_bytes(argv[0]));
    }
}

std::size_t findIgnoringCase(const std::string& haystack, const std::string& needle, std::size_t from)
{
    if (needle.empty())
        return std::string::npos;
    for (std::size_t i = from; i + needle.size() <= haystack.size(); ++i) {
        bool equal = true;
        for (std::size_t k = 0; k < needle.size() && equal; ++k)
            equal = lowerAscii(static_cast<unsigned char>(haystack[i + k])) == lowerAscii(static_cast<unsigned char>(needle[k]));
        if (equal)
            return i;
    }
    return std::string::npos;
}

void charIndexFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    if (isNull(argv[0]) || isNull(argv[1]))
        return sqlite3_result_null(ctx);
    const std::vector<std::string> haystack = utf8Characters(textArg(argv[1]));
    const std::string joined = textArg(argv[1]);
    std::size_t startCharacter = argc == 3 && !isNull(argv[2]) && sqlite3_value_int64(argv[2]) > 1
                                     ? static_cast<std::size_t>(sqlite3_value_int64(argv[2]) - 1)
                                     : 0;
    std::size_t startByte = joinCharacters(haystack, 0, startCharacter).size();
    std::size_t found = findIgnoringCase(joined, textArg(argv[0]), startByte);
    if (found == std::string::npos)
        return sqlite3_result_int(ctx, 0);
    sqlite3_result_int64(ctx, static_cast<std::int64_t>(utf8Characters(joined.substr(0, found)).size() + 1));
}

void patIndexFunction(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (isNull(argv[0]) || isNull(argv[1]))
        return sqlite3_result_null(ctx);
    std::string pattern = textArg(argv[0]);
    const std::string text = textArg(argv[1]);
    std::string anchored = pattern.size() > 0 && pattern[0] == '%' ? pattern.substr(1) : pattern;
    const std::vector<std::string> characters = utf8Characters(text);
    std::size_t byte = 0;
    for (std::size_t i = 0; i < characters.size(); ++i) {
        if (likeMatch(anchored, std::string_view(text).substr(byte), -1))
            return sqlite3_result_int64(ctx, static_cast<std::int64_t>(i + 1));
        if (pattern.empty() || pattern[0] != '%')
            break;
        byte += characters[i].size();
    }
    sqlite3_result_int(ctx, 0);
}

void substringFunction(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (isNull(argv[0]) || isNull(argv[1]) || isNull(argv[2]))
        return sqlite3_result_null(ctx);
    const std::vector<std::string> characters = utf8Characters(textArg(argv[0]));
    // Start and length far outside the text cannot change the answer: clip them so the sums cannot overflow.
    const std::int64_t span = static_cast<std::int64_t>(characters.size()) + 2;
    std::int64_t start = std::clamp<std::int64_t>(sqlite3_value_int64(argv[1]), -span, span);
    std::int64_t length = sqlite3_value_int64(argv[2]);
    if (length < 0)
        return resultError(ctx, 536, 16, "Invalid length parameter passed to the substring function.");
    length = std::min<std::int64_t>(length, 2 * span);
    // Characters start..start+length-1 of the 1-based string, clipped to it.
    std::int64_t first = std::max<std::int64_t>(start, 1);
    std::int64_t last = start + length - 1;
    if (last < first)
        return resultText(ctx, "");
    resultText(ctx, joinCharacters(characters, static_cast<std::size_t>(first - 1), static_cast<std::size_t>(last - first + 1)));
}

void rightFunction(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (isNull(argv[0]) || isNull(argv[1]))
        return sqlite3_result_null(ctx);
    const std::vector<std::string> characters = utf8Characters(textArg(argv[0]));
    std::int64_t n = std::clamp<std::int64_t>(sqlite3_value_int64(argv[1]), 0, static_cast<std::int64_t>(characters.size()));
    resultText(ctx, joinCharacters(characters, characters.size() - static_cast<std::size_t>(n), static_cast<std::size_t>(n)));
}

void caseFunction(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (isNull(argv[0]))
        return sqlite3_result_null(ctx);
    const bool upper = sqlite3_user_data(ctx) != nullptr;
    std::string text = textArg(argv[0]);
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x80)
            c = static_cast<char>(upper ? std::toupper(static_cast<unsigned char>(c)) : std::tolower(static_cast<unsigned char>(c)));
    resultText(ctx, text);
}

void trimFunction(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (isNull(argv[0]))
        return sqlite3_result_null(ctx);
    const bool left = sqlite3_user_data(ctx) != nullptr;
    std::string text = textArg(argv[0]);
    if (left)
        text.erase(0, text.find_first_not_of(' ') == std::string::npos ? text.size() : text.find_first_not_of(' '));
    else
        text.erase(text.find_last_not_of(' ') == std::string::npos ? 0 : text.find_last_not_of(' ') + 1);
    resultText(ctx, text);
}

// The longest text a string function returns, in characters, as SQL Server 2000 limits varchar results.
constexpr std::size_t maxFunctionResultCharacters = 8000;

// text cut to at most maxFunctionResultCharacters characters, at a character boundary.
void clipResult(std::string& text)
{
    std::size_t characters = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80)
            continue;
        if (++characters > maxFunctionResultCharacters) {
            text.resize(i);
            return;
        }
    }
}

void replaceFunction(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (isNull(argv[0]) || isNull(argv[1]) || isNull(argv[2]))
        return sqlite3_result_null(ctx);
    std::string text = textArg(argv[0]);
    const std::string from = textArg(argv[1]);
    const std::string to = textArg(argv[2]);
    // Each character is at most 4 bytes: past that many bytes the result is cut anyway.
    const std::size_t byteLimit = maxFunctionResultCharacters * 4;
    std::string out;
    std::size_t at = 0;
    for (std::size_t found; out.size() <= byteLimit && (found = findIgnoringCase(text, from, at)) != std::string::npos;
         at = found + from.size()) {
        out.append(text, at, found - at);
        out += to;
    }
    if (out.size() <= byteLimit)
        out.append(text, at, std::string::npos);
    clipResult(out);
    resultText(ctx, out);
}

void spaceFunction(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (isNull(argv[0]))
        return sqlite3_result_null(ctx);
    std::int64_t n = sqlite3_value_int64(argv[0]);
    if (n < 0)
        return sqlite3_result_null(ctx);
    resultText(ctx, std::string(static_cast<std::size_t>(std::min<std::int64_t>(n, maxFunctionResultCharacters)), ' '));
}

void replicateFunction(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (isNull(argv[0]) || isNull(argv[1]) || sqlite3_value_int64(argv[1]) < 0)
        return sqlite3_result_null(ctx);
    const std::string text = textArg(argv[0]);
    const std::int64_t count = sqlite3_value_int64(argv[1]);
    std::string out;
    // An empty text repeated any number of times stays empty; otherwise the result stops at the limit.
    for (std::int64_t i = 0; !text.empty() && i < count && out.size() < maxFunctionResultCharacters * 4; ++i)
        out += text;
    clipResult(out);
    resultText(ctx, out);
}

// a ^ b ^ c ... on integers, NULL when any is NULL.
void bitXorFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    std::int64_t result = 0;
    for (int i = 0; i < argc; ++i) {
        if (isNull(argv[i]))
            return sqlite3_result_null(ctx);
        result ^= sqlite3_value_int64(argv[i]);
    }
    sqlite3_result_int64(ctx, result);
}

void reverseFunction(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (isNull(argv[0]))
        return sqlite3_result_null(ctx);
    std::vector<std::string> characters = utf8Characters(textArg(argv[0]));
    std::reverse(characters.begin(), characters.end());
    resultText(ctx, joinCharacters(characters, 0, characters.size()));
}

void stuffFunction(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    for (int i = 0; i < 4; ++i)
        if (isNull(argv[i]))
            return sqlite3_result_null(ctx);
    const std::vector<std::string> characters = utf8Characters(textArg(argv[0]));
    std::int64_t start = sqlite3_value_int64(argv[1]);
    std::int64_t length = sqlite3_value_int64(argv[2]);
    if (start < 1 || start > static_cast<std::int64_t>(characters.size()) || length < 0)
        return sqlite3_result_null(ctx);
    std::size_t s = static_cast<std::size_t>(start - 1);
    const std::size_t removed = static_cast<std::size_t>(std::min<std::int64_t>(length, static_cast<std::int64_t>(characters.size())));
    std::string out = joinCharacters(characters, 0, s) + textArg(argv[3]) +
                      joinCharacters(characters, s + removed, characters.size());
    clipResult(out);
    resultText(ctx, out);
}

void strFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    if (isNull(argv[0]))
        return sqlite3_result_null(ctx);
    int length = argc > 1 ? sqlite3_value_int(argv[1]) : 10;
    int decimals = argc > 2 ? sqlite3_value_int(argv[2]) : 0;
    char buffer[128];
    std::snprintf(buffer, sizeof buffer, "%*.*f", std::clamp(length, 1, 100), std::clamp(decimals, 0, 16), sqlite3_value_double(argv[0]));
    std::string text = buffer;
    if (static_cast<int>(text.size()) > length)
        text = std::string(static_cast<std::size_t>(std::max(length, 0)), '*');
    resultText(ctx, text);
}

void mathFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    for (int i = 0; i < argc; ++i)
        if (isNull(argv[i]))
            return sqlite3_result_null(ctx);
    const std::string name = static_cast<const char*>(sqlite3_user_data(ctx));
    const bool integral = sqlite3_value_type(argv[0]) == SQLITE_INTEGER;
    const double x = sqlite3_value_double(argv[0]);
    if (name == "abs")
        return integral ? sqlite3_result_int64(ctx, std::llabs(sqlite3_value_int64(argv[0]))) : sqlite3_result_double(ctx, std::fabs(x));
    if (name == "sign")
        return sqlite3_result_int(ctx, x > 0 ? 1 : x < 0 ? -1 : 0);
    if (name == "floor" || name == "ceiling") {
        if (integral)
            return sqlite3_result_int64(ctx, sqlite3_value_int64(argv[0]));
        return sqlite3_result_double(ctx, name == "floor" ? std::floor(x) : std::ceil(x));
    }
    if (name == "round") {
        int digits = argc > 1 ? sqlite3_value_int(argv[1]) : 0;
        bool truncate = argc > 2 && sqlite3_value_int(argv[2]) != 0;
        double scale = std::pow(10.0, digits);
        double rounded = truncate ? std::trunc(x * scale) / scale : std::round(x * scale) / scale;
        if (integral && digits >= 0)
            return sqlite3_result_int64(ctx, sqlite3_value_int64(argv[0]));
        return integral ? sqlite3_result_int64(ctx, static_cast<std::int64_t>(rounded)) : sqlite3_result_double(ctx, rounded);
    }
    if (name == "power")
        return sqlite3_result_double(ctx, std::pow(x, sqlite3_value_double(argv[1])));
    if (name == "sqrt")
        return sqlite3_result_double(ctx, std::sqrt(x));
    if (name == "square")
        return sqlite3_result_double(ctx, x * x);
}

// ---- dates, conversion -----------------------------------------------------

std::string formatNow(bool utc)
{
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm parts{};
    if (utc)
        gmtime_r(&seconds, &parts);
    else
        localtime_r(&seconds, &parts);
    char buffer[96];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d.%03d", parts.tm_year + 1900, parts.tm_mon + 1,
                  parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec, static_cast<int>(millis));
    return buffer;
}

void getDateFunction(sqlite3_context* ctx, int, sqlite3_value**)
{
    resultText(ctx, formatNow(sqlite3_user_data(ctx) != nullptr));
}

void datePartFunction(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (isNull(argv[0]))
        return sqlite3_result_null(ctx);
    auto parsed = parseDateTime(textArg(argv[0]));
    if (!parsed)
        return resultError(ctx, 241, 16, "Syntax error converting datetime from character string.");
    const std::string which = static_cast<const char*>(sqlite3_user_data(ctx));
    sqlite3_result_int(ctx, which == "year" ? parsed->year : which == "month" ? parsed->month : parsed->day);
}

// tsql_dateliteral(literal, other): the literal as a stored datetime when 'other' holds one
// ("yyyy-mm-dd hh:mm:ss.mmm"), else the literal unchanged.
void dateLiteralFunction(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[1]) == SQLITE_TEXT && sqlite3_value_bytes(argv[1]) == 23) {
        const std::string other = textArg(argv[1]);
        const bool stored = other[4] == '-' && other[7] == '-' && other[10] == ' ' && other[13] == ':' && other[19] == '.';
        if (stored && !isNull(argv[0]))
            if (auto parts = parseDateTime(textArg(argv[0])))
                return resultText(ctx, formatDateTime(*parts));
    }
    sqlite3_result_value(ctx, argv[0]);
}

void isNumericFunction(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    int type = sqlite3_value_type(argv[0]);
    sqlite3_result_int(ctx, type == SQLITE_INTEGER || type == SQLITE_FLOAT || (type == SQLITE_TEXT && parseNumber(textArg(argv[0]))) ? 1 : 0);
}

void isDateFunction(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    sqlite3_result_int(ctx, !isNull(argv[0]) && parseDateTime(textArg(argv[0])) ? 1 : 0);
}

// A timestamp column's next value: eight bytes, big-endian, rising on each call.
void rowVersionFunction(sqlite3_context* ctx, int, sqlite3_value**)
{
    const auto* context = static_cast<const ConnectionContext*>(sqlite3_user_data(ctx));
    const auto now = static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::system_clock::now().time_since_epoch()).count());
    std::uint64_t value = now;
    if (context) {
        value = std::max(now, context->lastRowVersion + 1);
        context->lastRowVersion = value;
    }
    unsigned char bytes[8];
    for (int i = 7; i >= 0; --i, value >>= 8)
        bytes[i] = static_cast<unsigned char>(value & 0xFF);
    sqlite3_result_blob(ctx, bytes, sizeof bytes, SQLITE_TRANSIENT);
}

void newIdFunction(sqlite3_context* ctx, int, sqlite3_value**)
{
    unsigned char bytes[16];
    sqlite3_randomness(sizeof bytes, bytes);
    bytes[6] = static_cast<unsigned char>((bytes[6] & 0x0F) | 0x40);
    bytes[8] = static_cast<unsigned char>((bytes[8] & 0x3F) | 0x80);
    char text[64];
    std::snprintf(text, sizeof text, "%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X", bytes[0],
                  bytes[1], bytes[2], bytes[3], bytes[4], bytes[5], bytes[6], bytes[7], bytes[8], bytes[9], bytes[10],
                  bytes[11], bytes[12], bytes[13], bytes[14], bytes[15]);
    resultText(ctx, text);
}

void convertFunction(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    std::string type = textArg(argv[0]);
    int style = isNull(argv[2]) ? -1 : sqlite3_value_int(argv[2]);
    try {
        Value in;
        switch (sqlite3_value_type(argv[1])) {
        case SQLITE_NULL: return sqlite3_result_null(ctx);
        case SQLITE_INTEGER: in = static_cast<std::int64_t>(sqlite3_value_int64(argv[1])); break;
        case SQLITE_FLOAT: in = sqlite3_value_double(argv[1]); break;
        case SQLITE_BLOB: {
            const auto* data = static_cast<const std::uint8_t*>(sqlite3_value_blob(argv[1]));
            in = Bytes(data, data + sqlite3_value_bytes(argv[1]));
            break;
        }
        default: in = textArg(argv[1]); break;
        }
        Value out = convertValue(in, type, style);
        if (auto* i = std::get_if<std::int64_t>(&out))
            sqlite3_result_int64(ctx, *i);
        else if (auto* d = std::get_if<double>(&out))
            sqlite3_result_double(ctx, *d);
        else if (auto* s = std::get_if<std::string>(&out))
            resultText(ctx, *s);
        else if (auto* b = std::get_if<Bytes>(&out))
            sqlite3_result_blob(ctx, b->data(), static_cast<int>(b->size()), SQLITE_TRANSIENT);
        else
            sqlite3_result_null(ctx);
    } catch (const SqlError& error) {
        resultError(ctx, error.number, error.severity, error.what());
    }
}

}  // namespace

void registerTsqlFunctions(sqlite3* db, const ConnectionContext* context)
{
    sqlite3_create_collation(db, "SQLSERVER", SQLITE_UTF8, nullptr, compareSqlServer);
    void* data = const_cast<ConnectionContext*>(context);
    const int flags = SQLITE_UTF8;
    const int deterministic = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    static const FunctionEntry plain[] = {
        {"like", 2, likeFunction}, {"like", 3, likeFunction}, {"tsql_add", -1, addFunction},
        {"len", 1, lenFunction}, {"datalength", 1, dataLengthFunction}, {"charindex", 2, charIndexFunction},
        {"charindex", 3, charIndexFunction}, {"patindex", 2, patIndexFunction}, {"tsql_substring", 3, substringFunction},
        {"tsql_right", 2, rightFunction}, {"tsql_replace", 3, replaceFunction}, {"tsql_space", 1, spaceFunction},
        {"tsql_replicate", 2, replicateFunction}, {"tsql_bitxor", -1, bitXorFunction}, {"tsql_reverse", 1, reverseFunction}, {"tsql_stuff", 4, stuffFunction},
        {"tsql_str", 1, strFunction}, {"tsql_str", 2, strFunction}, {"tsql_str", 3, strFunction},
        {"tsql_convert", 3, convertFunction}, {"tsql_dateliteral", 2, dateLiteralFunction}, {"tsql_isnumeric", 1, isNumericFunction}, {"tsql_isdate", 1, isDateFunction},
    };
    for (const FunctionEntry& entry : plain)
        sqlite3_create_function(db, entry.name, entry.arguments, deterministic, nullptr, entry.function, nullptr, nullptr);
    // Functions told apart by their user data.
    // A non-null marker tells the second variant of a pair apart.
    static const char markerText = 'U';
    void* marker = const_cast<char*>(&markerText);
    sqlite3_create_function(db, "tsql_divide", 2, deterministic, nullptr, divideFunction, nullptr, nullptr);
    sqlite3_create_function(db, "tsql_modulo", 2, deterministic, marker, divideFunction, nullptr, nullptr);
    sqlite3_create_function(db, "tsql_upper", 1, deterministic, marker, caseFunction, nullptr, nullptr);
    sqlite3_create_function(db, "tsql_lower", 1, deterministic, nullptr, caseFunction, nullptr, nullptr);
    sqlite3_create_function(db, "tsql_ltrim", 1, deterministic, marker, trimFunction, nullptr, nullptr);
    sqlite3_create_function(db, "tsql_rtrim", 1, deterministic, nullptr, trimFunction, nullptr, nullptr);
    sqlite3_create_function(db, "getdate", 0, flags, nullptr, getDateFunction, nullptr, nullptr);
    sqlite3_create_function(db, "getutcdate", 0, flags, marker, getDateFunction, nullptr, nullptr);
    static const char* mathNames[] = {"abs", "round", "floor", "ceiling", "sign", "power", "sqrt", "square"};
    for (const char* name : mathNames)
        sqlite3_create_function(db, (std::string("tsql_") + name).c_str(), -1, deterministic, const_cast<char*>(name),
                                mathFunction, nullptr, nullptr);
    static const char* dateParts[] = {"year", "month", "day"};
    for (const char* name : dateParts)
        sqlite3_create_function(db, (std::string("tsql_") + name).c_str(), 1, deterministic, const_cast<char*>(name),
                                datePartFunction, nullptr, nullptr);
    sqlite3_create_function(db, "tsql_newid", 0, flags, nullptr, newIdFunction, nullptr, nullptr);
    sqlite3_create_function(db, "tsql_rowversion", 0, flags, data, rowVersionFunction, nullptr, nullptr);

    registerCatalogFunctions(db, context);
    registerExactFunctions(db);
}

}  // namespace sandbox
