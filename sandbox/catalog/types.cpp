#include "catalog/types.h"

#include <algorithm>

#include "catalog/sqlite_util.h"
#include "engine/exact_decimal.h"
#include "engine/sql_error.h"

namespace sandbox::catalog {

const std::vector<BuiltinType>& builtinTypes()
{
    static const std::vector<BuiltinType> types = {
        {"image", 34, 34, 16, 0, 0, false, true, 20, 34},
        {"text", 35, 35, 16, 0, 0, false, true, 19, 35},
        {"uniqueidentifier", 36, 36, 16, 0, 0, false, true, 0, 37},
        {"tinyint", 48, 48, 1, 3, 0, false, true, 5, 48},
        {"smallint", 52, 52, 2, 5, 0, false, true, 6, 52},
        {"int", 56, 56, 4, 10, 0, false, true, 7, 56},
        {"smalldatetime", 58, 58, 4, 16, 0, false, true, 22, 58},
        {"real", 59, 59, 4, 24, 0, false, true, 23, 59},
        {"money", 60, 60, 8, 19, 4, false, true, 11, 60},
        {"datetime", 61, 61, 8, 23, 3, false, true, 12, 61},
        {"float", 62, 62, 8, 53, 0, false, true, 8, 62},
        {"sql_variant", 98, 98, 8016, 0, 0, false, true, 0, 39},
        {"ntext", 99, 99, 16, 0, 0, false, true, 0, 35},
        {"bit", 104, 104, 1, 1, 0, false, true, 16, 50},
        {"decimal", 106, 106, 17, 38, 38, false, true, 24, 55},
        {"numeric", 108, 108, 17, 38, 38, false, true, 10, 63},
        {"smallmoney", 122, 122, 4, 10, 4, false, true, 21, 122},
        {"bigint", 127, 127, 8, 19, 0, false, true, 0, 63},
        {"varbinary", 165, 165, 8000, 0, 0, true, true, 4, 37},
        {"varchar", 167, 167, 8000, 0, 0, true, true, 2, 39},
        {"binary", 173, 173, 8000, 0, 0, false, true, 3, 45},
        {"char", 175, 175, 8000, 0, 0, false, true, 1, 47},
        {"timestamp", 189, 189, 8, 0, 0, false, false, 80, 45},
        {"nvarchar", 231, 231, 8000, 0, 0, true, true, 0, 39},
        {"nchar", 239, 239, 8000, 0, 0, false, true, 0, 47},
        {"sysname", 231, 256, 256, 0, 0, true, false, 18, 39},
    };
    return types;
}

namespace {

const BuiltinType* findBuiltin(std::string_view name)
{
    for (const auto& type : builtinTypes())
        if (equalsIgnoreCase(type.name, name))
            return &type;
    return nullptr;
}

std::string canonicalName(const std::vector<Token>& tokens, std::size_t& pos, std::size_t end)
{
    std::string name = toUpperAscii(tokens[pos].text);
    ++pos;
    auto nextIs = [&](std::string_view word) { return pos < end && tokens[pos].isWord(word); };
    if (name == "DOUBLE" && nextIs("PRECISION")) {
        ++pos;
        return "float";
    }
    if ((name == "CHARACTER" || name == "CHAR") && nextIs("VARYING")) {
        ++pos;
        return "varchar";
    }
    if (name == "NATIONAL") {
        if (nextIs("CHARACTER") || nextIs("CHAR")) {
            ++pos;
            if (nextIs("VARYING")) {
                ++pos;
                return "nvarchar";
            }
            return "nchar";
        }
        if (nextIs("TEXT")) {
            ++pos;
            return "ntext";
        }
    }
    if (name == "BINARY" && nextIs("VARYING")) {
        ++pos;
        return "varbinary";
    }
    if (name == "CHARACTER")
        return "char";
    if (name == "INTEGER")
        return "int";
    if (name == "DEC")
        return "decimal";
    if (name == "ROWVERSION")
        return "timestamp";
    return tokens[pos - 1].text;
}

ColumnTypeInfo fromBuiltin(const BuiltinType& base)
{
    ColumnTypeInfo info;
    info.typeName = base.name;
    info.declaredType = base.name;
    info.xtype = base.xtype;
    info.xusertype = base.xusertype;
    info.length = base.length;
    info.xprec = base.xprec;
    info.xscale = base.xscale;
    info.prec = base.xprec;
    info.allowNulls = base.allowNulls;
    switch (base.xtype) {
    case 48: case 52: case 56: case 127: case 104: case 58:
        info.scale = 0;
        break;
    case 60: case 122:
        info.scale = 4;
        break;
    case 61:
        info.scale = 3;
        break;
    case 35: case 34:
        info.prec = 2147483647;
        break;
    case 99:
        info.prec = 1073741823;
        break;
    case 36: case 98: case 189:
        info.prec = 0;
        break;
    default:
        break;
    }
    info.character = base.xtype == 35 || base.xtype == 99 || base.xtype == 167 || base.xtype == 175 || base.xtype == 231 ||
                     base.xtype == 239;
    return info;
}

std::optional<int> readNumber(const std::vector<Token>& tokens, std::size_t& pos, std::size_t end)
{
    if (pos < end && tokens[pos].kind == TokenKind::Number) {
        return std::stoi(tokens[pos++].text);
    }
    return std::nullopt;
}

}  // namespace

ColumnTypeInfo parseColumnType(sqlite3* db, const std::vector<Token>& tokens, std::size_t& pos, std::size_t end)
{
    if (pos >= end || !tokens[pos].isName())
        throw syntaxErrorNear(pos < tokens.size() ? tokens[pos].text : "");
    // An owner prefix (dbo.ssn) names the same type.
    if (pos + 2 < end && tokens[pos + 1].isSymbol(".") && tokens[pos + 2].isName())
        pos += 2;
    const std::string written = tokens[pos].text;
    const std::string name = tokens[pos].kind == TokenKind::Quoted ? (++pos, written) : canonicalName(tokens, pos, end);

    const BuiltinType* base = findBuiltin(name);
    if (!base) {
        // A user-defined type: systypes row with xusertype > 256.
        Statement lookup(db,
                         "SELECT t.name, t.xtype, t.xusertype, t.length, t.xprec, t.xscale, t.allownulls, t.tdefault, t.domain, "
                         "b.name FROM systypes t JOIN systypes b ON b.xusertype = t.xtype "
                         "WHERE t.name = ?1 AND t.xusertype > 256");
        lookup.bind(1, name);
        if (!lookup.step())
            throw SqlError(2715, 16, 6, "Column or parameter #1: Cannot find data type " + written + ".");
        ColumnTypeInfo info = fromBuiltin(*findBuiltin(lookup.text(9)));
        info.typeName = lookup.text(0);
        info.xusertype = static_cast<int>(lookup.integer(2));
        info.length = static_cast<int>(lookup.integer(3));
        info.xprec = static_cast<int>(lookup.integer(4));
        info.xscale = static_cast<int>(lookup.integer(5));
        info.allowNulls = lookup.integer(6) != 0;
        info.typeDefault = lookup.integer(7);
        info.typeRule = lookup.integer(8);
        const std::string baseName = lookup.text(9);
        switch (info.xtype) {
        case 167: case 175: case 165: case 173:
            info.prec = info.length;
            info.declaredType = baseName + "(" + std::to_string(info.length) + ")";
            break;
        case 231: case 239:
            info.prec = info.length / 2;
            info.declaredType = baseName + "(" + std::to_string(info.length / 2) + ")";
            break;
        case 106: case 108:
            info.prec = info.xprec;
            info.scale = info.xscale;
            info.declaredType = baseName + "(" + std::to_string(info.xprec) + "," + std::to_string(info.xscale) + ")";
            break;
        default:
            break;
        }
        return info;
    }

    ColumnTypeInfo info = fromBuiltin(*base);
    std::optional<int> first;
    std::optional<int> second;
    if (pos < end && tokens[pos].isSymbol("(")) {
        ++pos;
        first = readNumber(tokens, pos, end);
        if (pos < end && tokens[pos].isSymbol(",")) {
            ++pos;
            second = readNumber(tokens, pos, end);
        }
        if (!first || pos >= end || !tokens[pos].isSymbol(")"))
            throw syntaxErrorNear(pos < tokens.size() ? tokens[pos].text : "");
        ++pos;
    }
    switch (base->xtype) {
    case 167: case 175: case 165: case 173: {
        const int n = first.value_or(1);
        if (n < 1 || n > 8000)
            throw SqlError(131, 15, 2,
                           "The size (" + std::to_string(n) + ") given to the type '" + std::string(base->name) +
                               "' exceeds the maximum allowed for any data type (8000).");
        info.length = n;
        info.prec = n;
        info.declaredType = std::string(base->name) + "(" + std::to_string(n) + ")";
        break;
    }
    case 231:
    case 239: {
        if (base->xusertype == 256) {
            info.length = 256;
            info.prec = 128;
            info.declaredType = "nvarchar(128)";
            break;
        }
        const int n = first.value_or(1);
        if (n < 1 || n > 4000)
            throw SqlError(2717, 16, 2,
                           "The size (" + std::to_string(n) + ") given to the parameter '" + std::string(base->name) +
                               "' exceeds the maximum allowed (4000).");
        info.length = 2 * n;
        info.prec = n;
        info.declaredType = std::string(base->name) + "(" + std::to_string(n) + ")";
        break;
    }
    case 106:
    case 108: {
        const int precision = first.value_or(18);
        const int scale = second.value_or(0);
        if (precision < 1 || precision > 38 || scale < 0 || scale > precision)
            throw SqlError(2750, 16, 2, "Column or parameter #1: Specified column precision " + std::to_string(precision) +
                                            " is greater than the maximum precision of 38.");
        info.length = decimalStorageBytes(precision);
        info.xprec = precision;
        info.xscale = scale;
        info.prec = precision;
        info.scale = scale;
        info.declaredType = std::string(base->name) + "(" + std::to_string(precision) + "," + std::to_string(scale) + ")";
        break;
    }
    case 62:
        if (first && *first <= 24) {
            info = fromBuiltin(*findBuiltin("real"));
        }
        break;
    default:
        break;
    }
    return info;
}

ColumnTypeInfo typeFromText(sqlite3* db, std::string_view text)
{
    const std::vector<Token> tokens = tokenize(withoutExactStorage(text));
    std::size_t pos = 0;
    return parseColumnType(db, tokens, pos, tokens.size() - 1);
}

}  // namespace sandbox::catalog
