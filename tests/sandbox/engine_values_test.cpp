#include "engine_recording_sink.h"

#include "engine/session.h"
#include "engine/sql_error.h"
#include "engine/value_text.h"

namespace sandbox::test {
namespace {

TEST(EngineValues, DatesInTheFormsSqlServerReads)
{
    auto format = [](const char* text) {
        auto parts = parseDateTime(text);
        return parts ? formatDateTime(*parts) : std::string("invalid");
    };
    EXPECT_EQ(format("1996-07-04"), "1996-07-04 00:00:00.000");
    EXPECT_EQ(format("19960704 13:05"), "1996-07-04 13:05:00.000");
    EXPECT_EQ(format("7/4/1996 1:05:09 PM"), "1996-07-04 13:05:09.000");
    EXPECT_EQ(format("1999-12-31T23:59:59.997"), "1999-12-31 23:59:59.997");
    EXPECT_EQ(format("2001-02-29"), "invalid");
    EXPECT_EQ(format("1752-12-31"), "invalid");  // before datetime's range
    EXPECT_EQ(format("not a date"), "invalid");
    // A time alone, as WAITFOR DELAY and CAST take it, falls on 1 January 1900.
    EXPECT_EQ(format("00:00:02"), "1900-01-01 00:00:02.000");
    EXPECT_EQ(format("23:15:30.250"), "1900-01-01 23:15:30.250");
}

TEST(EngineValues, ConversionsAndTheirErrors)
{
    EXPECT_EQ(std::get<std::int64_t>(convertValue(Value(std::string(" 42 ")), "int", -1)), 42);
    EXPECT_EQ(std::get<std::int64_t>(convertValue(Value(7.9), "int", -1)), 7);
    EXPECT_EQ(std::get<std::string>(convertValue(Value(std::string("abcdef")), "varchar(3)", -1)), "abc");
    EXPECT_EQ(std::get<std::string>(convertValue(Value(std::string("1996-07-04 10:11:12.000")), "varchar(30)", 120)),
              "1996-07-04 10:11:12");
    EXPECT_EQ(std::get<std::string>(convertValue(Value(std::string("1996-07-04")), "char(10)", 101)), "07/04/1996");
    EXPECT_EQ(std::get<std::string>(convertValue(Value(std::string("1996-07-04")), "varchar(8)", 112)), "19960704");
    try {
        convertValue(Value(std::string("abc")), "int", -1);
        ADD_FAILURE() << "no error";
    } catch (const SqlError& error) {
        EXPECT_EQ(error.number, 245);
        EXPECT_STREQ(error.what(), "Syntax error converting the varchar value 'abc' to a column of data type int.");
    }
    try {
        convertValue(Value(std::int64_t{300}), "tinyint", -1);
        ADD_FAILURE() << "no error";
    } catch (const SqlError& error) {
        EXPECT_EQ(error.number, 220);
        EXPECT_STREQ(error.what(), "Arithmetic overflow error for data type tinyint, value = 300.");
    }
}

TEST(EngineValues, DeclaredTypesAndWireValues)
{
    auto type = parseTypeText("decimal(10, 2)");
    ASSERT_TRUE(type);
    EXPECT_EQ(type->type, SqlType::Decimal);
    EXPECT_EQ(type->precision, 10);
    EXPECT_EQ(type->scale, 2);
    EXPECT_EQ(std::get<std::string>(valueForColumn(Value(12.5), *type)), "12.50");
    EXPECT_EQ(std::get<std::string>(valueForColumn(Value(std::int64_t{-3}), *type)), "-3.00");

    // Money's limits survive SQLite's doubles.
    EXPECT_EQ(std::get<std::string>(valueForColumn(Value(-922337203685477.5808), *parseTypeText("money"))),
              "-922337203685477.5808");
    EXPECT_EQ(std::get<std::string>(valueForColumn(Value(214748.3647), *parseTypeText("smallmoney"))), "214748.3647");
    EXPECT_EQ(std::get<std::string>(valueForColumn(Value(1234.56), *parseTypeText("money"))), "1234.5600");

    auto sysname = parseTypeText("sysname");
    ASSERT_TRUE(sysname);
    EXPECT_EQ(sysname->type, SqlType::NVarChar);
    EXPECT_EQ(sysname->length, 128);
    EXPECT_FALSE(sysname->nullable);

    auto fixed = parseTypeText("nchar(5) COLLATE SQLSERVER");
    ASSERT_TRUE(fixed);
    EXPECT_EQ(std::get<std::string>(valueForColumn(Value(std::string("ab")), *fixed)), "ab   ");
    EXPECT_EQ(std::get<std::string>(valueForColumn(Value(std::string("1996-07-04")), *parseTypeText("datetime"))),
              "1996-07-04 00:00:00.000");
    EXPECT_EQ(parseTypeText("float(24)")->type, SqlType::Real);
    EXPECT_FALSE(parseTypeText("PhoneNumber"));  // a user-defined type: the engine asks systypes
}

TEST(EngineValues, HelpTextRowsEndAtLineBreaksAndAt255Characters)
{
    const std::string line254 = std::string(254, 'x');
    auto rows = helpTextLines({"a\r\nb\r\n" + line254 + "\r\nend"});
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0], "a\r\n");
    EXPECT_EQ(rows[1], "b\r\n");
    EXPECT_EQ(rows[2], line254 + "\r");  // 255 characters: the line feed no longer fits
    EXPECT_EQ(rows[3], "\n");
    EXPECT_EQ(rows[4], "end");

    // A line carried across two stored chunks stays one row.
    rows = helpTextLines({"SELECT a,", " b\r\nFROM t"});
    EXPECT_EQ(rows, (std::vector<std::string>{"SELECT a, b\r\n", "FROM t"}));
}

class EngineComparisonTest : public EngineTest {};

TEST_F(EngineComparisonTest, LikeAndEqualityFollowTheServerCollation)
{
    RecordingSink sink = run("SELECT CASE WHEN 'abc' = 'ABC   ' THEN 1 ELSE 0 END, "
                             "CASE WHEN 'Bern' LIKE 'b[a-f]r_' THEN 1 ELSE 0 END, "
                             "CASE WHEN 'Bern' LIKE 'B[^e]%' THEN 1 ELSE 0 END, "
                             "CASE WHEN '50%' LIKE '50!%' ESCAPE '!' THEN 1 ELSE 0 END, "
                             "CASE WHEN 'abc' < 'ABD' THEN 1 ELSE 0 END");
    std::vector<std::string> got;
    for (const Value& v : sink.results.at(0).rows.at(0))
        got.push_back(text(v));
    EXPECT_EQ(got, (std::vector<std::string>{"1", "1", "0", "1", "1"}));
}

}  // namespace
}  // namespace sandbox::test
