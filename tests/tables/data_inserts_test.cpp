// The rows shown in the table explorer as INSERT statements: quoting by type,
// nulls and image data, quote doubling, blanks, one column, identity tables.
#include "tables/data_inserts.h"

#include "tables/column_info.h"
#include "support/qt_printers.h"

#include <gtest/gtest.h>

using namespace norvane;

TEST(DataInserts, TheWorkedExampleWithAQuoteInTheName)
{
    EXPECT_EQ(BuildDataInserts("T", {"id", "name"}, {{"7", "O'Brien"}}, {"int", "varchar"}, false),
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
    EXPECT_EQ(BuildDataInserts("Samples", names, rows, types, false), expected);
}

TEST(DataInserts, OneColumnGivesOneValueWithoutAComma)
{
    EXPECT_EQ(BuildDataInserts("Region", {"RegionID"}, {{"1"}, {"2"}}, {"int"}, false),
              "INSERT INTO Region (RegionID) VALUES (1)\r\n"
              "INSERT INTO Region (RegionID) VALUES (2)\r\n");
    EXPECT_EQ(BuildDataInserts("Names", {"Name"}, {{"a b"}}, {"nvarchar"}, false),
              "INSERT INTO Names (Name) VALUES ('a b')\r\n");
}

TEST(DataInserts, AnIdentityTableTakesItsValuesBetweenIdentityInsertOnAndOff)
{
    EXPECT_EQ(BuildDataInserts("Shippers", {"ShipperID", "CompanyName"}, {{"1", "Speedy Express"}, {"3", "Federal"}},
                               {"int", "nvarchar"}, true),
              "SET IDENTITY_INSERT Shippers ON\r\n"
              "INSERT INTO Shippers (ShipperID,CompanyName) VALUES (1,'Speedy Express')\r\n"
              "INSERT INTO Shippers (ShipperID,CompanyName) VALUES (3,'Federal')\r\n"
              "SET IDENTITY_INSERT Shippers OFF\r\n");
    // No rows: nothing to insert, nothing to switch.
    EXPECT_EQ(BuildDataInserts("Shippers", {"ShipperID", "CompanyName"}, {}, {"int", "nvarchar"}, true), "");
    EXPECT_EQ(BuildDataInserts("T", {"id"}, {}, {"int"}, false), "");
}

TEST(DataInserts, HeadingsTakeTheTypesOfTheTablesColumns)
{
    const std::vector<ExportColumn> columns = {
        {"OrderID", "int", true}, {"CustomerID", "nchar", false}, {"Freight", "money", false}};
    EXPECT_EQ(headingTypes({"Freight", "orderid", "CustomerID"}, columns), QStringList({"money", "int", "nchar"}));
    try {
        headingTypes({"OrderID", "Dropped"}, columns);
        FAIL() << "a heading that names no column must be refused";
    } catch (const GenerationError& error) {
        EXPECT_EQ(error.description(), "The table has no column named 'Dropped'.");
    }
}
