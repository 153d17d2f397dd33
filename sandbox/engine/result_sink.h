#pragma once
// The boundary between the T-SQL engine and the TDS protocol layer: the engine
// runs a batch and reports what a SQL Server would send, in order, to a sink.
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace sandbox {

// SQL Server column types as they travel on the wire.
enum class SqlType {
    Int, SmallInt, TinyInt, BigInt, Bit,
    Decimal, Numeric, Money, SmallMoney, Float, Real,
    DateTime, SmallDateTime,
    Char, VarChar, NChar, NVarChar, Text, NText,
    Image, Binary, VarBinary,
    UniqueIdentifier, Timestamp,
};

struct ColumnType {
    SqlType type = SqlType::Int;
    int length = 0;     // bytes for binary/char types, characters for nchar/nvarchar
    int precision = 0;  // decimal/numeric
    int scale = 0;
    bool nullable = true;
};

struct ResultColumn {
    std::string name;  // UTF-8
    ColumnType type;
};

// One value of a row. Text holds UTF-8 for character types, decimal text
// ("-12.3400") for decimal/numeric/money, "yyyy-mm-dd hh:mm:ss.mmm" for dates
// and "XXXXXXXX-XXXX-..." for GUIDs. Bytes hold binary/image/timestamp.
struct Null {};
using Bytes = std::vector<std::uint8_t>;
using Value = std::variant<Null, std::int64_t, double, std::string, Bytes>;

struct ServerMessage {
    int number = 0;
    int state = 1;
    int severity = 0;     // <= 10 is informational (INFO token), otherwise ERROR
    std::string text;     // UTF-8
    std::string procName; // empty outside a procedure
    int line = 1;
};

class ResultSink {
public:
    virtual ~ResultSink() = default;
    virtual void beginResult(const std::vector<ResultColumn>& columns) = 0;
    virtual void row(const std::vector<Value>& values) = 0;
    // Informational or error message; informational ones are delivered at once.
    virtual void message(const ServerMessage& message) = 0;
    virtual void databaseChanged(const std::string& oldName, const std::string& newName) = 0;
    // End of one statement: rowCount set for DML and SELECT, unset when none applies.
    virtual void statementDone(std::optional<std::int64_t> rowCount, bool failed) = 0;
    // True once the client has sent an attention; the engine stops at the next row or statement.
    virtual bool cancelled() const = 0;
};

}  // namespace sandbox
