// The EXACTNUMBER collation and tsql_exact(): how user tables store and compare decimal, numeric,
// money and smallmoney values as exact text.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "engine/exact_decimal.h"
#include "engine/sqlite_function_support.h"
#include "engine/value_text.h"

namespace sandbox {

using namespace sqlfn;

namespace {

// Numbers in numeric order, before any text that is no number (which keeps byte order).
int compareExactNumber(void*, int lengthA, const void* a, int lengthB, const void* b)
{
    const std::string_view x(static_cast<const char*>(a), static_cast<std::size_t>(lengthA));
    const std::string_view y(static_cast<const char*>(b), static_cast<std::size_t>(lengthB));
    const auto numberX = parseDecimalDigits(x);
    const auto numberY = parseDecimalDigits(y);
    if (numberX && numberY)
        return compareDecimal(*numberX, *numberY);
    if (numberX || numberY)
        return numberX ? -1 : 1;
    const int common = std::memcmp(x.data(), y.data(), std::min(x.size(), y.size()));
    return common != 0 ? common : lengthA < lengthB ? -1 : lengthA > lengthB ? 1 : 0;
}

bool fitsType(const ScaledDecimal& value, const ColumnType& type)
{
    // money and smallmoney are 8- and 4-byte integers of ten-thousandths.
    const unsigned __int128 moneyLimit = value.negative ? 9223372036854775808ULL : 9223372036854775807ULL;
    const unsigned __int128 smallMoneyLimit = value.negative ? 2147483648ULL : 2147483647ULL;
    if (type.type == SqlType::Money)
        return value.magnitude <= moneyLimit;
    if (type.type == SqlType::SmallMoney)
        return value.magnitude <= smallMoneyLimit;
    return digitCount(value.magnitude) <= type.precision;
}

// tsql_exact(type, value[, source type]): the canonical text a column of that type stores, rounded to its scale
// as SQL Server rounds (half away from zero). Error 8115 when the value does not fit the type.
void exactFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    if (isNull(argv[1]))
        return sqlite3_result_null(ctx);
    const auto type = parseTypeText(textArg(argv[0]));
    if (!type)
        return resultError(ctx, 243, 16, "Type " + textArg(argv[0]) + " is not a defined system type.");
    const bool money = type->type == SqlType::Money || type->type == SqlType::SmallMoney;
    const std::string target = money ? typeName(type->type) : "numeric";
    std::string text;
    std::string source;
    switch (sqlite3_value_type(argv[1])) {
    case SQLITE_INTEGER:
        text = std::to_string(sqlite3_value_int64(argv[1]));
        source = "int";
        break;
    case SQLITE_FLOAT: {
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "%.15g", sqlite3_value_double(argv[1]));
        text = buffer;
        source = "float";
        break;
    }
    case SQLITE_BLOB:
        return resultError(ctx, 257, 16, "Implicit conversion from data type varbinary to " + target +
                                             " is not allowed. Use the CONVERT function to run this query.");
    default:
        text = textArg(argv[1]);
        source = "varchar";
        break;
    }
    if (argc > 2)
        source = textArg(argv[2]);
    const auto number = parseDecimalDigits(text);
    if (!number) {
        if (money)
            return resultError(ctx, 235, 16, "Cannot convert a char value to money. The char value has incorrect syntax.");
        return resultError(ctx, 8114, 16, "Error converting data type varchar to numeric.");
    }
    const auto scaled = scaleDecimal(*number, type->scale);
    if (!scaled || !fitsType(*scaled, *type))
        return resultError(ctx, 8115, 16, "Arithmetic overflow error converting " + source + " to data type " + target + ".");
    resultText(ctx, formatScaled(*scaled, type->scale));
}

}  // namespace

void registerExactFunctions(sqlite3* db)
{
    sqlite3_create_collation(db, exactCollation, SQLITE_UTF8, nullptr, compareExactNumber);
    const int deterministic = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    sqlite3_create_function(db, "tsql_exact", 2, deterministic, nullptr, exactFunction, nullptr, nullptr);
    sqlite3_create_function(db, "tsql_exact", 3, deterministic, nullptr, exactFunction, nullptr, nullptr);
}

}  // namespace sandbox
