// Type encoders: the exact COLMETADATA and ROW bytes of every column type, NULL forms and bad values.
#include <gtest/gtest.h>

#include "tds/text_codec.h"
#include "tds/type_encoding.h"

using namespace sandbox;
using namespace sandbox::tds;

namespace {

using B = std::vector<std::uint8_t>;

ColumnType type(SqlType t, int length = 0, int precision = 0, int scale = 0, bool nullable = true)
{
    ColumnType c;
    c.type = t;
    c.length = length;
    c.precision = precision;
    c.scale = scale;
    c.nullable = nullable;
    return c;
}

B value(const ColumnType& t, const Value& v)
{
    ByteWriter out;
    writeValue(out, t, v);
    return out.bytes();
}

B metadata(const ColumnType& t, const std::string& name = "c")
{
    ByteWriter out;
    writeColumnMetadata(out, ResultColumn{name, t});
    return out.bytes();
}

int conversionNumber(const ColumnType& t, const Value& v)
{
    try {
        value(t, v);
    } catch (const ConversionError& e) {
        return e.number;
    }
    return 0;
}

}  // namespace

TEST(TdsTypes, IntegersBitAndFloats)
{
    EXPECT_EQ(metadata(type(SqlType::Int)), (B{0, 0, 1, 0, 0x26, 4, 1, 'c', 0}));
    EXPECT_EQ(metadata(type(SqlType::BigInt, 0, 0, 0, false)), (B{0, 0, 0, 0, 0x26, 8, 1, 'c', 0}));
    EXPECT_EQ(value(type(SqlType::Int), std::int64_t{-2}), (B{4, 0xFE, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(value(type(SqlType::Int), std::string(" 258 ")), (B{4, 0x02, 0x01, 0, 0}));
    EXPECT_EQ(value(type(SqlType::SmallInt), std::int64_t{-32768}), (B{2, 0x00, 0x80}));
    EXPECT_EQ(value(type(SqlType::TinyInt), std::int64_t{255}), (B{1, 0xFF}));
    EXPECT_EQ(value(type(SqlType::BigInt), std::int64_t{0x0102030405060708}),
              (B{8, 8, 7, 6, 5, 4, 3, 2, 1}));
    EXPECT_EQ(value(type(SqlType::Int), Null{}), (B{0}));
    EXPECT_EQ(metadata(type(SqlType::Bit)), (B{0, 0, 1, 0, 0x68, 1, 1, 'c', 0}));
    EXPECT_EQ(value(type(SqlType::Bit), std::int64_t{7}), (B{1, 1}));
    EXPECT_EQ(value(type(SqlType::Bit), Null{}), (B{0}));
    EXPECT_EQ(metadata(type(SqlType::Float)), (B{0, 0, 1, 0, 0x6D, 8, 1, 'c', 0}));
    EXPECT_EQ(value(type(SqlType::Float), 1.5), (B{8, 0, 0, 0, 0, 0, 0, 0xF8, 0x3F}));
    EXPECT_EQ(value(type(SqlType::Real), 1.5), (B{4, 0, 0, 0xC0, 0x3F}));
    EXPECT_EQ(value(type(SqlType::Float), Null{}), (B{0}));

    EXPECT_EQ(conversionNumber(type(SqlType::Int), std::int64_t{2147483648}), 8115);
    EXPECT_EQ(conversionNumber(type(SqlType::TinyInt), std::int64_t{-1}), 8115);
    EXPECT_EQ(conversionNumber(type(SqlType::SmallInt), std::int64_t{40000}), 8115);
    EXPECT_EQ(conversionNumber(type(SqlType::Int), std::string("12x")), 245);
    EXPECT_EQ(conversionNumber(type(SqlType::Float), 1.0 / 0.0), 8115);
}

TEST(TdsTypes, DecimalAndMoney)
{
    EXPECT_EQ(metadata(type(SqlType::Decimal, 0, 10, 4)), (B{0, 0, 1, 0, 0x6A, 9, 10, 4, 1, 'c', 0}));
    EXPECT_EQ(metadata(type(SqlType::Numeric, 0, 38, 2)), (B{0, 0, 1, 0, 0x6C, 17, 38, 2, 1, 'c', 0}));
    EXPECT_EQ(metadata(type(SqlType::Numeric)), (B{0, 0, 1, 0, 0x6C, 9, 18, 0, 1, 'c', 0})) << "precision 0 means 18";
    // -123.4567 at scale 4 = 1234567 = 0x12D687, sign byte 0 for negative.
    EXPECT_EQ(value(type(SqlType::Decimal, 0, 10, 4), std::string("-123.4567")),
              (B{9, 0, 0x87, 0xD6, 0x12, 0, 0, 0, 0, 0}));
    EXPECT_EQ(value(type(SqlType::Decimal, 0, 5, 2), std::string("12.3")), (B{5, 1, 0xCE, 0x04, 0, 0}));
    EXPECT_EQ(value(type(SqlType::Decimal, 0, 5, 2), std::string("1.005")), (B{5, 1, 0x65, 0, 0, 0}))
        << "rounded half away from zero";
    EXPECT_EQ(value(type(SqlType::Decimal, 0, 5, 2), std::int64_t{7}), (B{5, 1, 0xBC, 0x02, 0, 0}));
    EXPECT_EQ(value(type(SqlType::Decimal, 0, 5, 2), std::string("-0.00")), (B{5, 1, 0, 0, 0, 0}));
    EXPECT_EQ(value(type(SqlType::Decimal, 0, 5, 0), std::string("1.5e2")), (B{5, 1, 150, 0, 0, 0}));
    EXPECT_EQ(value(type(SqlType::Numeric, 0, 38, 0), std::string("99999999999999999999999999999999999999")),
              (B{17, 1, 0xFF, 0xFF, 0xFF, 0xFF, 0x3F, 0x22, 0x8A, 0x09, 0x7A, 0xC4, 0x86, 0x5A, 0xA8, 0x4C, 0x3B,
                 0x4B}));
    EXPECT_EQ(value(type(SqlType::Decimal, 0, 5, 2), Null{}), (B{0}));
    EXPECT_EQ(conversionNumber(type(SqlType::Decimal, 0, 5, 2), std::string("1234.5")), 8115);
    EXPECT_EQ(conversionNumber(type(SqlType::Decimal, 0, 5, 2), std::string("abc")), 8114);

    EXPECT_EQ(metadata(type(SqlType::Money)), (B{0, 0, 1, 0, 0x6E, 8, 1, 'c', 0}));
    EXPECT_EQ(metadata(type(SqlType::SmallMoney)), (B{0, 0, 1, 0, 0x6E, 4, 1, 'c', 0}));
    // 12345.6789 = 123456789 units: high half 0, low half 0x075BCD15.
    EXPECT_EQ(value(type(SqlType::Money), std::string("12345.6789")), (B{8, 0, 0, 0, 0, 0x15, 0xCD, 0x5B, 0x07}));
    // -1 unit = 0xFFFFFFFF_FFFFFFFF; 2^32 units: high half 1, low half 0.
    EXPECT_EQ(value(type(SqlType::Money), std::string("-0.0001")),
              (B{8, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(value(type(SqlType::Money), std::string("429496.7296")), (B{8, 1, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(value(type(SqlType::Money), std::string("-922337203685477.5808")),
              (B{8, 0x00, 0x00, 0x00, 0x80, 0, 0, 0, 0}));
    EXPECT_EQ(value(type(SqlType::SmallMoney), std::string("-214748.3648")), (B{4, 0, 0, 0, 0x80}));
    EXPECT_EQ(value(type(SqlType::Money), Null{}), (B{0}));
    EXPECT_EQ(conversionNumber(type(SqlType::SmallMoney), std::string("214748.3648")), 8115);
    EXPECT_EQ(conversionNumber(type(SqlType::Money), std::string("922337203685477.5808")), 8115);
}

TEST(TdsTypes, DateTimeTicksAndSmallDateTimeMinutes)
{
    EXPECT_EQ(metadata(type(SqlType::DateTime)), (B{0, 0, 1, 0, 0x6F, 8, 1, 'c', 0}));
    EXPECT_EQ(metadata(type(SqlType::SmallDateTime)), (B{0, 0, 1, 0, 0x6F, 4, 1, 'c', 0}));
    // 2000-01-01 is day 36524; 01:00:00.003 = 3600 s * 300 + 1 tick = 1080001 = 0x107AC1.
    EXPECT_EQ(value(type(SqlType::DateTime), std::string("2000-01-01 01:00:00.003")),
              (B{8, 0xAC, 0x8E, 0, 0, 0xC1, 0x7A, 0x10, 0}));
    EXPECT_EQ(value(type(SqlType::DateTime), std::string("1900-01-01")), (B{8, 0, 0, 0, 0, 0, 0, 0, 0}));
    // 1753-01-01 is 53690 days before 1900.
    EXPECT_EQ(value(type(SqlType::DateTime), std::string("1753-01-01T00:00:00")),
              (B{8, 0x46, 0x2E, 0xFF, 0xFF, 0, 0, 0, 0}));
    // .995 -> 299 ticks (.997 on SQL Server); 23:59:59.999 rounds into the next day.
    EXPECT_EQ(value(type(SqlType::DateTime), std::string("1900-01-01 00:00:00.995")),
              (B{8, 0, 0, 0, 0, 0x2B, 0x01, 0, 0}));
    EXPECT_EQ(value(type(SqlType::DateTime), std::string("1900-01-01 23:59:59.999")), (B{8, 1, 0, 0, 0, 0, 0, 0, 0}));
    // smalldatetime 2000-01-01 01:00:40 rounds to 01:01 = 61 minutes.
    EXPECT_EQ(value(type(SqlType::SmallDateTime), std::string("2000-01-01 01:00:40")), (B{4, 0xAC, 0x8E, 61, 0}));
    EXPECT_EQ(value(type(SqlType::SmallDateTime), std::string("2000-01-01 01:00:29.998")),
              (B{4, 0xAC, 0x8E, 60, 0}));
    EXPECT_EQ(value(type(SqlType::DateTime), Null{}), (B{0}));
    EXPECT_EQ(conversionNumber(type(SqlType::DateTime), std::string("1752-12-31")), 242);
    EXPECT_EQ(conversionNumber(type(SqlType::SmallDateTime), std::string("2079-06-07")), 242);
    EXPECT_EQ(conversionNumber(type(SqlType::DateTime), std::string("2001-02-29")), 241);
    EXPECT_EQ(conversionNumber(type(SqlType::DateTime), std::string("yesterday")), 241);
}

TEST(TdsTypes, CharacterTypesUseCp1252OrUcs2WithCollation)
{
    EXPECT_EQ(metadata(type(SqlType::VarChar, 20)), (B{0, 0, 1, 0, 0xA7, 20, 0, 0x09, 0x04, 0xD0, 0x00, 0x34, 1, 'c', 0}));
    EXPECT_EQ(metadata(type(SqlType::Char, 5)), (B{0, 0, 1, 0, 0xAF, 5, 0, 0x09, 0x04, 0xD0, 0x00, 0x34, 1, 'c', 0}));
    EXPECT_EQ(metadata(type(SqlType::NVarChar, 20)),
              (B{0, 0, 1, 0, 0xE7, 40, 0, 0x09, 0x04, 0xD0, 0x00, 0x34, 1, 'c', 0}));
    EXPECT_EQ(metadata(type(SqlType::NChar, 4000)),
              (B{0, 0, 1, 0, 0xEF, 0x40, 0x1F, 0x09, 0x04, 0xD0, 0x00, 0x34, 1, 'c', 0}));
    EXPECT_EQ(value(type(SqlType::VarChar, 20), std::string("caf\xC3\xA9 \xE2\x82\xAC \xE6\x97\xA5")),
              (B{8, 0, 'c', 'a', 'f', 0xE9, ' ', 0x80, ' ', '?'}));
    EXPECT_EQ(value(type(SqlType::Char, 5), std::string("ab")), (B{5, 0, 'a', 'b', ' ', ' ', ' '}));
    EXPECT_EQ(value(type(SqlType::VarChar, 3), std::string("abcdef")), (B{3, 0, 'a', 'b', 'c'}));
    EXPECT_EQ(value(type(SqlType::VarChar, 3), std::int64_t{42}), (B{2, 0, '4', '2'}));
    EXPECT_EQ(metadata(type(SqlType::VarChar, 0)),
              (B{0, 0, 1, 0, 0xA7, 0x40, 0x1F, 0x09, 0x04, 0xD0, 0x00, 0x34, 1, 'c', 0}))
        << "an unknown length never cuts a value";
    EXPECT_EQ(metadata(type(SqlType::NVarChar, 9000)),
              (B{0, 0, 1, 0, 0xE7, 0x40, 0x1F, 0x09, 0x04, 0xD0, 0x00, 0x34, 1, 'c', 0}));
    EXPECT_EQ(value(type(SqlType::Char, 0), std::string("xyz")), (B{1, 0, 'x'}));
    EXPECT_EQ(value(type(SqlType::VarChar, 3), std::string()), (B{0, 0}));
    EXPECT_EQ(value(type(SqlType::VarChar, 3), Null{}), (B{0xFF, 0xFF}));
    EXPECT_EQ(value(type(SqlType::NVarChar, 10), std::string("\xC3\xB1\xF0\x9D\x84\x9E")),
              (B{6, 0, 0xF1, 0x00, 0x34, 0xD8, 0x1E, 0xDD}));
    EXPECT_EQ(value(type(SqlType::NChar, 3), std::string("x")), (B{6, 0, 'x', 0, ' ', 0, ' ', 0}));
    EXPECT_EQ(value(type(SqlType::NVarChar, 2), std::string("a\xF0\x9D\x84\x9E")), (B{2, 0, 'a', 0}))
        << "a surrogate pair is never cut in half";
    EXPECT_EQ(value(type(SqlType::NVarChar, 2), Null{}), (B{0xFF, 0xFF}));
    EXPECT_EQ(metadata(type(SqlType::NVarChar, 4), "\xC3\xA9t\xC3\xA9"),
              (B{0, 0, 1, 0, 0xE7, 8, 0, 0x09, 0x04, 0xD0, 0x00, 0x34, 3, 0xE9, 0, 't', 0, 0xE9, 0}));
}

TEST(TdsTypes, TextNTextAndImageCarryATextPointer)
{
    EXPECT_EQ(metadata(type(SqlType::Text)),
              (B{0, 0, 1, 0, 0x23, 0xFF, 0xFF, 0xFF, 0x7F, 0x09, 0x04, 0xD0, 0x00, 0x34, 0, 0, 1, 'c', 0}));
    EXPECT_EQ(metadata(type(SqlType::NText)),
              (B{0, 0, 1, 0, 0x63, 0xFE, 0xFF, 0xFF, 0x7F, 0x09, 0x04, 0xD0, 0x00, 0x34, 0, 0, 1, 'c', 0}));
    EXPECT_EQ(metadata(type(SqlType::Image)), (B{0, 0, 1, 0, 0x22, 0xFF, 0xFF, 0xFF, 0x7F, 0, 0, 1, 'c', 0}));
    B text{16};
    text.insert(text.end(), 16, 0xA5);
    text.insert(text.end(), 8, 0);
    text.insert(text.end(), {2, 0, 0, 0, 'h', 0xE9});
    EXPECT_EQ(value(type(SqlType::Text), std::string("h\xC3\xA9")), text);
    const B ntext = value(type(SqlType::NText), std::string("h\xC3\xA9"));
    EXPECT_EQ(B(ntext.begin() + 25, ntext.end()), (B{4, 0, 0, 0, 'h', 0, 0xE9, 0}));
    const B image = value(type(SqlType::Image), Bytes{0xDE, 0xAD});
    EXPECT_EQ(B(image.begin() + 25, image.end()), (B{2, 0, 0, 0, 0xDE, 0xAD}));
    EXPECT_EQ(value(type(SqlType::Text), Null{}), (B{0}));
    EXPECT_EQ(value(type(SqlType::NText), Null{}), (B{0}));
    EXPECT_EQ(value(type(SqlType::Image), Null{}), (B{0}));
}

TEST(TdsTypes, BinaryGuidAndTimestamp)
{
    EXPECT_EQ(metadata(type(SqlType::Binary, 4)), (B{0, 0, 1, 0, 0xAD, 4, 0, 1, 'c', 0}));
    EXPECT_EQ(metadata(type(SqlType::VarBinary, 10)), (B{0, 0, 1, 0, 0xA5, 10, 0, 1, 'c', 0}));
    EXPECT_EQ(value(type(SqlType::Binary, 4), Bytes{1, 2}), (B{4, 0, 1, 2, 0, 0}));
    EXPECT_EQ(value(type(SqlType::VarBinary, 10), Bytes{0xCA, 0xFE}), (B{2, 0, 0xCA, 0xFE}));
    EXPECT_EQ(value(type(SqlType::VarBinary, 10), Null{}), (B{0xFF, 0xFF}));
    EXPECT_EQ(metadata(type(SqlType::Timestamp)), (B{80, 0, 0, 0, 0xAD, 8, 0, 1, 'c', 0}))
        << "user type 80, not nullable";
    EXPECT_EQ(value(type(SqlType::Timestamp), Bytes{0, 0, 0, 0, 0, 0, 0x07, 0xD1}),
              (B{8, 0, 0, 0, 0, 0, 0, 0, 0x07, 0xD1}));
    EXPECT_EQ(metadata(type(SqlType::UniqueIdentifier)), (B{0, 0, 1, 0, 0x24, 16, 1, 'c', 0}));
    EXPECT_EQ(value(type(SqlType::UniqueIdentifier), std::string("00112233-4455-6677-8899-aabbccddeeff")),
              (B{16, 0x33, 0x22, 0x11, 0x00, 0x55, 0x44, 0x77, 0x66, 0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF}));
    EXPECT_EQ(value(type(SqlType::UniqueIdentifier), std::string("{00112233-4455-6677-8899-AABBCCDDEEFF}")),
              value(type(SqlType::UniqueIdentifier), std::string("00112233-4455-6677-8899-aabbccddeeff")));
    EXPECT_EQ(value(type(SqlType::UniqueIdentifier), Null{}), (B{0}));
    EXPECT_EQ(conversionNumber(type(SqlType::UniqueIdentifier), std::string("00112233-4455-6677-8899-AABBCCDDEEF")),
              8169);
}

TEST(TdsTypes, TextCodecs)
{
    EXPECT_EQ(utf8ToUtf16("a\xC3\xA9\xF0\x9D\x84\x9E"), (std::u16string{u'a', 0xE9, 0xD834, 0xDD1E}));
    EXPECT_EQ(utf8ToUtf16("a\xFF" "b\xC3"), (std::u16string{u'a', 0xFFFD, u'b', 0xFFFD}));
    EXPECT_EQ(utf8ToUtf16("\xE0\x80\x80"), (std::u16string{0xFFFD}))
        << "overlong forms are not decoded";
    EXPECT_EQ(utf16leToUtf8(B{'a', 0, 0xE9, 0, 0x34, 0xD8, 0x1E, 0xDD}), std::string("a\xC3\xA9\xF0\x9D\x84\x9E"));
    EXPECT_FALSE(utf16leToUtf8(B{'a'}));
    EXPECT_FALSE(utf16leToUtf8(B{0x34, 0xD8, 'a', 0}));
    EXPECT_FALSE(utf16leToUtf8(B{0x1E, 0xDD}));
    EXPECT_EQ(utf8ToCp1252("\xE2\x80\x9Cq\xE2\x80\x9D \xC5\x93 \xC2\xA0"), std::string("\x93q\x94 \x9C \xA0"));
}
