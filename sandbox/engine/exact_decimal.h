#pragma once
// Exact decimal arithmetic on text for decimal, numeric, money and smallmoney: user tables keep these
// values as canonical text ("-12.3400"), since SQLite's doubles hold only 15 significant digits.
#include <optional>
#include <string>
#include <string_view>

namespace sandbox {

// A decimal number as written: sign, significant digits and where the decimal point falls.
struct DecimalDigits {
    bool negative = false;
    std::string digits;   // no leading or trailing zeros; empty for zero
    long long point = 0;  // digits before the decimal point (may be negative or past the digits)
};
// Reads [+-]digits[.digits][e[+-]n] with blanks around; nullopt if the text is no number.
std::optional<DecimalDigits> parseDecimalDigits(std::string_view text);
// Numeric order: negative, zero or positive as a is below, equal to or above b.
int compareDecimal(const DecimalDigits& a, const DecimalDigits& b);

// An unscaled integer at a given scale, as DECIMALN/NUMERICN and MONEY carry it.
struct ScaledDecimal {
    bool negative = false;
    unsigned __int128 magnitude = 0;
};
// Rounded half away from zero at scale; nullopt when it takes more than 38 digits.
std::optional<ScaledDecimal> scaleDecimal(const DecimalDigits& number, int scale);
int digitCount(unsigned __int128 magnitude);
// "-12.3400" for magnitude 123400 at scale 4; zero is never negative.
std::string formatScaled(const ScaledDecimal& value, int scale);

// Bytes SQL Server keeps a decimal or numeric of this precision in, sign byte included (5, 9, 13 or 17):
// syscolumns.length and the TDS length of DECIMALN/NUMERICN.
int decimalStorageBytes(int precision);

// The SQLite declared type of a user table's exact column: the SQL Server type with a " text" word, so
// SQLite gives the column TEXT affinity and never turns the stored text into a double
// ("decimal(19,4)" -> "decimal text(19,4)", "money" -> "money text").
std::string exactStorageType(std::string_view sqlServerType);
// The SQL Server type text of a declared type, without that word; other texts come back unchanged.
std::string withoutExactStorage(std::string_view declaredType);
// True for decimal, numeric, money and smallmoney type texts (with or without the storage word).
bool isExactTypeText(std::string_view typeText);
// The collation such columns carry: it compares their texts as numbers.
inline constexpr const char* exactCollation = "EXACTNUMBER";

}  // namespace sandbox
