#pragma once
// SQL Server 2000 data types as systypes and syscolumns describe them.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <sqlite3.h>

#include "engine/tokenizer.h"

namespace sandbox::catalog {

struct BuiltinType {
    const char* name;
    int xtype;
    int xusertype;
    int length;
    int xprec;
    int xscale;
    bool variable;
    bool allowNulls;
    int usertype;    // legacy Sybase code
    int legacyType;  // legacy physical code
};

const std::vector<BuiltinType>& builtinTypes();

// One column's or parameter's type, resolved to what syscolumns stores.
struct ColumnTypeInfo {
    std::string typeName;      // systypes.name of xusertype (a user-defined type keeps its own name)
    std::string declaredType;  // SQL Server type text of the base type, used as SQLite's declared type
    int xtype = 56;
    int xusertype = 56;
    int length = 4;            // bytes
    int xprec = 10;
    int xscale = 0;
    int prec = 10;             // digits, or characters for character types
    std::optional<int> scale;  // NULL for non-numeric types
    bool character = false;    // takes a collation
    bool allowNulls = true;    // the type's own nullability (sysname and NOT NULL user types say no)
    std::int64_t typeDefault = 0;  // default bound to a user-defined type
    std::int64_t typeRule = 0;
};

// Reads a type at tokens[pos] ("varchar(40)", "decimal(10, 2)", "[int]", a user-defined type, "sysname"),
// advancing pos past it. Throws SqlError 2715 for an unknown type.
ColumnTypeInfo parseColumnType(sqlite3* db, const std::vector<Token>& tokens, std::size_t& pos, std::size_t end);

// The same from a type text such as SQLite's declared type of a column.
ColumnTypeInfo typeFromText(sqlite3* db, std::string_view text);

}  // namespace sandbox::catalog
