// The comparison of two databases' tables and columns, over plain data, as the
// whole result text.
#include "compare/database_compare.h"

#include "support/qt_printers.h"

#include <gtest/gtest.h>

namespace norvane {
namespace {

ColumnProperties column(const QString& name, const QString& type = "int", int length = 4)
{
    ColumnProperties c;
    c.Name = name;
    c.Datatype = type;
    c.Length = length;
    c.NumericPrecision = type == "int" ? 10 : 0;
    c.AllowNulls = true;
    return c;
}

TableStructure table(const QString& name, std::vector<ColumnProperties> columns, bool system = false)
{
    return {.Name = name, .Owner = "dbo", .SystemObject = system, .Columns = std::move(columns)};
}

TEST(CompareBuilder, TablesAndColumnPropertiesInTheirOrder)
{
    // Type names and texts compare exactly; a default constraint is not a bound default.
    ColumnProperties spelled = column("Spelled", "INT");
    spelled.NumericPrecision = 10;
    spelled.ComputedText = " ";
    spelled.DRIDefaultName = "DF_T_A";
    spelled.DRIDefaultText = "(0)";
    ColumnProperties all = column("All", "bigint", 8);
    all.AllowNulls = false;
    all.NumericPrecision = 19;
    all.NumericScale = 2;
    all.Identity = true;
    all.ComputedText = "([B] + 1)";
    all.Default = "dfZero";
    ColumnProperties sized = column("Sized", "int", 8);
    sized.NumericPrecision = 19;
    ColumnProperties notNull = column("Title", "nvarchar", 30);
    notNull.AllowNulls = false;
    const std::vector<TableStructure> reference{
        table("sysobjects", {column("id")}, true),
        table("Same", {column("A"), column("B", "varchar", 10)}),
        table("orders", {column("Id")}),
        table("Employees", {column("Title", "nvarchar", 30), column("id")}),
        table("Hidden", {column("A")}),
        table("Twice", {column("A")}),
        table("Props", {column("Spelled"), column("All"), column("Sized"), column("Same")})};
    const std::vector<TableStructure> second{table("Hidden", {column("A")}, true), // a system table: never found
                                             table("Orders", {column("Id")}),
                                             table("Employees", {column("ID"), notNull}),
                                             table("Same", {column("B", "varchar", 10), column("A")}),
                                             table("Twice", {column("A", "bigint", 8)}), // the first namesake counts
                                             table("Twice", {column("A")}),
                                             table("Props", {spelled, all, sized, column("Same")})};
    EXPECT_EQ(compareResultText(CompareTables(reference, second)),
              "\r\n1-Same-MatchingTableFound"
              "\r\n2-orders-***NotFound***"
              "\r\n3-Employees-MatchingTableFound,Title-Nonmatching Properties:Null,id-***ColNotFound***"
              "\r\n4-Hidden-***NotFound***"
              "\r\n5-Twice-MatchingTableFound,A-Nonmatching Properties:,DataType,Length,Precision"
              "\r\n6-Props-MatchingTableFound,Spelled-Nonmatching Properties:,DataType,ComputedText,"
              "All-Nonmatching Properties:Null,DataType,Length,Precision,Scale,Identity,ComputedText,Default,"
              "Sized-Nonmatching Properties:,Length,Precision");

    EXPECT_EQ(compareResultText({}), QString());
    // A database compared with itself: every table matches and nothing more.
    EXPECT_EQ(compareResultText(CompareTables(reference, reference)),
              "\r\n1-Same-MatchingTableFound\r\n2-orders-MatchingTableFound\r\n3-Employees-MatchingTableFound"
              "\r\n4-Hidden-MatchingTableFound\r\n5-Twice-MatchingTableFound\r\n6-Props-MatchingTableFound");
}

} // namespace
} // namespace norvane
