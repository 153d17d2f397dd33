// The rows shown in the table explorer as INSERT statements: quoting by type,
// nulls and image data, quote doubling, blanks, one column, identity tables,
// bits, user-defined types, empty numbers, and columns the server fills itself.
#include "tables/data_inserts.h"

#include "tables/column_info.h"
#include "support/qt_printers.h"

#include <gtest/gtest.h>

using namespace norvane;

namespace {

// Columns of system types, one per name.
std::vector<ExportColumn> columnsOf(const QStringList& names, const QStringList& types)
{
    std::vector<ExportColumn> columns;
    for (qsizetype index = 0; index < names.size(); ++index)
        columns.push_back({names.at(index), types.at(index)});
    return columns;
}

}  // namespace

TEST(DataInserts, TheWorkedExampleWithAQuoteInTheName)
{
    EXPECT_EQ(BuildDataInserts("T", {"id", "name"}, {{"7", "O'Brien"}}, columnsOf({"id", "name"}, {"int", "varchar"}), false),
              "INSERT INTO T (id,name) VALUES (7,'O''Brien')\r\n");
}

TEST(DataInserts, NullsImagesBinariesAndBlanks)
{
    const QStringList names = {"Code", "Notes", "Photo", "Amount", "Raw", "Born", "Tag"};
    const QStringList types = {"char", "ntext", "image", "money", "varbinary", "datetime", "PhoneNumber"};
    const std::vector<QStringList> rows = {
        // Shown nulls: the bare word in every column, quoted type or not.
        {"NULL", "NULL", "NULL", "NULL", "NULL", "NULL", "NULL"},
        // A text that reads null in any case and with blanks is written as NULL too; image data as well.
        {"  AB  ", " null ", "binary data", "12.5000", "0x0A0B", "2024-02-29 13:45:00.000", "555-0100"},
        // Blanks around a value stay in the first column and go in the others; quotes are doubled.
        {" it's ", "  'quoted'  ", "BINARY DATA ", "-1", "0x", "1900-01-01 00:00:00.000", " 1 "},
        // Tabs and line breaks inside a value are kept.
        {"x", "line one\r\nline\ttwo", "NULL", "0", "NULL", "NULL", "NULL"},
    };
    const QString expected =
        "INSERT INTO Samples (Code,Notes,Photo,Amount,Raw,Born,Tag) VALUES (NULL,NULL,NULL,NULL,NULL,NULL,NULL)\r\n"
        "INSERT INTO Samples (Code,Notes,Photo,Amount,Raw,Born,Tag) VALUES ('  AB  ',NULL,NULL,12.5000,0x0A0B,"
        "'2024-02-29 13:45:00.000',555-0100)\r\n"
        "INSERT INTO Samples (Code,Notes,Photo,Amount,Raw,Born,Tag) VALUES (' it''s ','''quoted''',NULL,-1,0x,"
        "'1900-01-01 00:00:00.000', 1 )\r\n"
        "INSERT INTO Samples (Code,Notes,Photo,Amount,Raw,Born,Tag) VALUES ('x','line one\r\nline\ttwo',NULL,0,NULL,"
        "NULL,NULL)\r\n";
    EXPECT_EQ(BuildDataInserts("Samples", names, rows, columnsOf(names, types), false), expected);
}

TEST(DataInserts, OneColumnGivesOneValueWithoutAComma)
{
    EXPECT_EQ(BuildDataInserts("Region", {"RegionID"}, {{"1"}, {"2"}}, columnsOf({"RegionID"}, {"int"}), false),
              "INSERT INTO Region (RegionID) VALUES (1)\r\n"
              "INSERT INTO Region (RegionID) VALUES (2)\r\n");
    EXPECT_EQ(BuildDataInserts("Names", {"Name"}, {{"a b"}}, columnsOf({"Name"}, {"nvarchar"}), false),
              "INSERT INTO Names (Name) VALUES ('a b')\r\n");
}

TEST(DataInserts, AnIdentityTableTakesItsValuesBetweenIdentityInsertOnAndOff)
{
    EXPECT_EQ(BuildDataInserts("Shippers", {"ShipperID", "CompanyName"}, {{"1", "Speedy Express"}, {"3", "Federal"}},
                               columnsOf({"ShipperID", "CompanyName"}, {"int", "nvarchar"}), true),
              "SET IDENTITY_INSERT Shippers ON\r\n"
              "INSERT INTO Shippers (ShipperID,CompanyName) VALUES (1,'Speedy Express')\r\n"
              "INSERT INTO Shippers (ShipperID,CompanyName) VALUES (3,'Federal')\r\n"
              "SET IDENTITY_INSERT Shippers OFF\r\n");
    // No rows: nothing to insert, nothing to switch.
    EXPECT_EQ(BuildDataInserts("Shippers", {"ShipperID", "CompanyName"}, {}, columnsOf({"ShipperID", "CompanyName"}, {"int", "nvarchar"}), true), "");
    EXPECT_EQ(BuildDataInserts("T", {"id"}, {}, columnsOf({"id"}, {"int"}), false), "");
}

TEST(DataInserts, HeadingsTakeTheTypesOfTheTablesColumns)
{
    const std::vector<ExportColumn> columns = {
        {"OrderID", "int", true}, {"CustomerID", "nchar", false}, {"Freight", "money", false}};
    const std::vector<ExportColumn> found = headingColumns({"Freight", "orderid", "CustomerID"}, columns);
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[0].Name, "Freight");
    EXPECT_EQ(found[1].Name, "OrderID");
    EXPECT_TRUE(found[1].Identity);
    EXPECT_EQ(found[2].DataType, "nchar");
    try {
        headingColumns({"OrderID", "Dropped"}, columns);
        FAIL() << "a heading that names no column must be refused";
    } catch (const GenerationError& error) {
        EXPECT_EQ(error.description(), "The table has no column named 'Dropped'.");
    }
}

TEST(DataInserts, ScriptsTheServerAcceptsForBitsUserTypesEmptyNumbersAndServerFilledColumns)
{
    // Phone is a user-defined type over varchar, Stamp a timestamp, Total a computed column.
    const std::vector<ExportColumn> columns = {
        {"ID", "int", true},
        {"Flag", "bit"},
        {"Phone", "PhoneNumber", false, "varchar"},
        {"Born", "BirthDate", false, "smalldatetime"},
        {"Stamp", "timestamp"},
        {"Amount", "money"},
        {"Total", "int", false, "int", true},
        {"Tag", "Code", false, "int"},
    };
    const QStringList names = {"ID", "Flag", "Phone", "Born", "Stamp", "Amount", "Total", "Tag"};
    const std::vector<QStringList> rows = {
        // A false bit is shown as False and written 0; a true one is shown as 1.
        {"1", "False", "(206) 555-0100", "2000-01-01 12:30:00", "0x00000000000007D1", "12.5000", "13", "7"},
        {"2", "1", " O'Hare ", "NULL", "0x00000000000007D2", "", "", "NULL"},
        // Empty numbers have no value; an empty text stays an empty text.
        {"3", "", "", "", "0x00000000000007D3", "  ", "NULL", ""},
    };
    EXPECT_EQ(BuildDataInserts("Samples", names, rows, columns, true),
              R"(SET IDENTITY_INSERT Samples ON)" "\r\n"
              R"(INSERT INTO Samples (ID,Flag,Phone,Born,Amount,Tag) VALUES (1,0,'(206) 555-0100','2000-01-01 12:30:00',12.5000,7))" "\r\n"
              R"(INSERT INTO Samples (ID,Flag,Phone,Born,Amount,Tag) VALUES (2,1,'O''Hare',NULL,NULL,NULL))" "\r\n"
              R"(INSERT INTO Samples (ID,Flag,Phone,Born,Amount,Tag) VALUES (3,NULL,'','',NULL,NULL))" "\r\n"
              R"(SET IDENTITY_INSERT Samples OFF)" "\r\n");

    // Server-filled columns go wherever they stand, first and last included; the grid's names match in any case.
    const std::vector<ExportColumn> edges = {
        {"Stamp", "timestamp"}, {"Name", "nvarchar"}, {"Twice", "int", false, "", true}};
    EXPECT_EQ(BuildDataInserts("E", {"stamp", "Name", "TWICE"}, {{"0x01", " a ", "4"}}, edges, false),
              "INSERT INTO E (Name) VALUES ('a')\r\n");
}
