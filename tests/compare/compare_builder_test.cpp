// The comparison of two databases' tables and columns, over plain data.
#include "compare/database_compare.h"

#include <gtest/gtest.h>

namespace norvane {
namespace {

ColumnProperties column(const QString& name, const QString& type = QStringLiteral("int"), int length = 4)
{
    ColumnProperties c;
    c.Name = name;
    c.Datatype = type;
    c.Length = length;
    c.NumericPrecision = type == QLatin1String("int") ? 10 : 0;
    c.AllowNulls = true;
    return c;
}

TableStructure table(const QString& name, std::vector<ColumnProperties> columns, bool system = false)
{
    TableStructure t;
    t.Name = name;
    t.Owner = QStringLiteral("dbo");
    t.SystemObject = system;
    t.Columns = std::move(columns);
    return t;
}

TEST(CompareBuilderTest, ColumnPropertiesInTheirOrder)
{
    const ColumnProperties x = column(QStringLiteral("A"));
    EXPECT_EQ(CompareColumnProperties(x, x), QString());

    ColumnProperties y = x;
    y.AllowNulls = false;
    EXPECT_EQ(CompareColumnProperties(x, y), QStringLiteral("Null"));

    ColumnProperties all;
    all.Name = x.Name;
    all.AllowNulls = false;
    all.Datatype = QStringLiteral("bigint");
    all.Length = 8;
    all.NumericPrecision = 19;
    all.NumericScale = 2;
    all.Identity = true;
    all.ComputedText = QStringLiteral("([B] + 1)");
    all.Default = QStringLiteral("dfZero");
    EXPECT_EQ(CompareColumnProperties(x, all),
              QStringLiteral("Null,DataType,Length,Precision,Scale,Identity,ComputedText,Default"));

    ColumnProperties sized = x;
    sized.Length = 8;
    sized.NumericPrecision = 19;
    EXPECT_EQ(CompareColumnProperties(x, sized), QStringLiteral(",Length,Precision"));

    // Type names and texts compare exactly; a default constraint is not a bound default.
    ColumnProperties spelled = x;
    spelled.Datatype = QStringLiteral("INT");
    spelled.ComputedText = QStringLiteral(" ");
    spelled.DRIDefaultName = QStringLiteral("DF_T_A");
    spelled.DRIDefaultText = QStringLiteral("(0)");
    EXPECT_EQ(CompareColumnProperties(x, spelled), QStringLiteral(",DataType,ComputedText"));
}

TEST(CompareBuilderTest, NamesMatchExactlyAndSystemTablesArePassedOver)
{
    ColumnProperties notNull = column(QStringLiteral("Title"), "nvarchar", 30);
    notNull.AllowNulls = false;
    const std::vector<TableStructure> reference{
        table(QStringLiteral("sysobjects"), {column(QStringLiteral("id"))}, true),
        table(QStringLiteral("Same"), {column(QStringLiteral("A")), column(QStringLiteral("B"), "varchar", 10)}),
        table(QStringLiteral("orders"), {column(QStringLiteral("Id"))}),
        table(QStringLiteral("Employees"), {column(QStringLiteral("Title"), "nvarchar", 30),
                                            column(QStringLiteral("id"))}),
        table(QStringLiteral("Hidden"), {column(QStringLiteral("A"))}),
        table(QStringLiteral("Twice"), {column(QStringLiteral("A"))})};
    const std::vector<TableStructure> second{
        table(QStringLiteral("Hidden"), {column(QStringLiteral("A"))}, true),  // a system table: never found
        table(QStringLiteral("Orders"), {column(QStringLiteral("Id"))}),
        table(QStringLiteral("Employees"), {column(QStringLiteral("ID")), notNull}),
        table(QStringLiteral("Same"), {column(QStringLiteral("B"), "varchar", 10), column(QStringLiteral("A"))}),
        table(QStringLiteral("Twice"), {column(QStringLiteral("A"), "bigint", 8)}),  // the first namesake counts
        table(QStringLiteral("Twice"), {column(QStringLiteral("A"))})};

    EXPECT_EQ(compareResultText(CompareTables(reference, second)),
              QStringLiteral("\r\n1-Same-MatchingTableFound"
                             "\r\n2-orders-***NotFound***"
                             "\r\n3-Employees-MatchingTableFound,Title-Nonmatching Properties:Null,id-***ColNotFound***"
                             "\r\n4-Hidden-***NotFound***"
                             "\r\n5-Twice-MatchingTableFound,A-Nonmatching Properties:,DataType,Length,Precision"));

    EXPECT_EQ(compareResultText({}), QString());
    // A database compared with itself: every table matches and nothing more.
    EXPECT_EQ(compareResultText(CompareTables(reference, reference)),
              QStringLiteral("\r\n1-Same-MatchingTableFound\r\n2-orders-MatchingTableFound"
                             "\r\n3-Employees-MatchingTableFound\r\n4-Hidden-MatchingTableFound"
                             "\r\n5-Twice-MatchingTableFound"));
}

}  // namespace
}  // namespace norvane
