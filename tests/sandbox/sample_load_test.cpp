// The sample scripts load into the sandbox: every table holds the rows the scripts
// insert, and a SELECT over the all-types table carries SQL Server's types.
#include "sample_harbor.h"

#include "support/qt_printers.h"
#include "support/sandbox_process.h"

#include <gtest/gtest.h>

#include <QDateTime>

#include <limits>
#include <utility>
#include <vector>

using sample::query;

namespace {

using TableRows = std::vector<std::pair<QString, int>>;

const TableRows harborRows = {
    {"AuditLog", 12},  {"Categories", 8}, {"Customers", 500},      {"Employees", 9},  {"EmployeeTerritories", 16},
    {"Order Details", 2505}, {"Orders", 501}, {"Products", 40}, {"Region", 4}, {"Shippers", 3},
    {"Suppliers", 10}, {"Territories", 12}, {"TypeSamples", 3},
};

const TableRows archiveRows = {
    {"Categories", 8}, {"Customers", 20}, {"Employees", 9}, {"EmployeeTerritories", 16}, {"Order Details", 105},
    {"OrderHistory", 21}, {"Orders", 21}, {"Products", 40}, {"Region", 4}, {"Shippers", 3},
    {"Suppliers", 10}, {"Territories", 12}, {"TypeSamples", 3},
};

void expectRowCounts(const QString& database, const TableRows& tables)
{
    for (const auto& [table, rows] : tables) {
        const sample::Result count = query("SELECT COUNT(*) FROM [" + table + "]", database);
        ASSERT_EQ(count.rows.size(), 1u) << table.toStdString();
        EXPECT_EQ(count.rows[0][0], QString::number(rows)) << database.toStdString() << ".." << table.toStdString();
    }
}

}  // namespace

TEST(SampleLoad, SandboxStartsWithBothSampleDatabases)
{
    ASSERT_TRUE(norvane::test::sharedSampleSandbox().running());
    // The connection dialog's database list, sent to master.
    const sample::Result databases = query("Select Name From SysDatabases", "master");
    ASSERT_EQ(databases.columns.size(), 1);
    EXPECT_EQ(databases.columns[0].compare("Name", Qt::CaseInsensitive), 0) << databases.columns[0].toStdString();
    QStringList names;
    for (const QStringList& row : databases.rows)
        names << row[0];
    for (const char* expected : {"master", "tempdb", "model", "msdb", "Harbor", "HarborArchive"})
        EXPECT_EQ(names.count(expected), 1) << expected << " in " << names.join(", ").toStdString();

    EXPECT_EQ(sample::connection("Harbor").currentCatalog(), "Harbor");
    EXPECT_EQ(sample::connection("HarborArchive").currentCatalog(), "HarborArchive");
}

TEST(SampleLoad, EveryTableHoldsTheRowsTheScriptsInsert)
{
    expectRowCounts("Harbor", harborRows);
    expectRowCounts("HarborArchive", archiveRows);
}

TEST(SampleLoad, EveryUserTableOfBothDatabasesIsCounted)
{
    // Guards the two lists above against a table added to the scripts but not to the test.
    for (const auto& [database, tables] : {std::pair{QString("Harbor"), harborRows}, std::pair{QString("HarborArchive"), archiveRows}}) {
        const sample::Result list =
            query("Select Distinct Name From SysObjects Where Xtype='U' Order By Name", database);
        std::vector<QStringList> expected;
        for (const auto& table : tables)
            expected.push_back({table.first});
        EXPECT_EQ(list.rows, expected) << database.toStdString();
    }
}

TEST(SampleLoad, AllTypesTableCarriesAdoTypeCodes)
{
    const sample::Result all = query("SELECT * FROM TypeSamples ORDER BY SampleID");
    const QStringList columns = {
        "SampleID", "BitValue", "TinyValue", "SmallValue", "IntValue", "BigValue", "DecimalValue", "NumericValue",
        "MoneyValue", "SmallMoneyValue", "FloatValue", "RealValue", "DateTimeValue", "SmallDateValue", "CharValue",
        "VarCharValue", "NCharValue", "NVarCharValue", "TextValue", "NTextValue", "ImageValue", "BinaryValue",
        "VarBinaryValue", "GuidValue", "Stamp", "Phone", "IntPlusSmall"};
    const std::vector<int> types = {3,   11,  17,  2,   3,   20,  131, 131, 6,   6,   5,   4,   135, 135,
                                    129, 200, 130, 202, 201, 203, 205, 128, 204, 72,  128, 200, 3};
    EXPECT_EQ(all.columns, columns);
    EXPECT_EQ(all.types, types);
    ASSERT_EQ(all.rows.size(), 3u);
}

TEST(SampleLoad, AllTypesTableReturnsTheInsertedValues)
{
    norvane::Recordset rows = sample::connection().execute("SELECT * FROM TypeSamples ORDER BY SampleID");
    ASSERT_FALSE(rows.eof());
    auto value = [&](const char* column) { return rows.field(QString(column)).value(); };

    EXPECT_EQ(value("SampleID").toLongLong(), 1);
    EXPECT_EQ(value("BitValue").toBool(), true);
    EXPECT_EQ(value("TinyValue").toLongLong(), 200);
    EXPECT_EQ(value("SmallValue").toLongLong(), -1234);
    EXPECT_EQ(value("IntValue").toLongLong(), 123456);
    EXPECT_EQ(value("BigValue").toLongLong(), 9000000000LL);
    EXPECT_DOUBLE_EQ(value("DecimalValue").toString().toDouble(), 12345.67);
    EXPECT_DOUBLE_EQ(value("NumericValue").toString().toDouble(), 123.4567);
    EXPECT_DOUBLE_EQ(value("MoneyValue").toString().toDouble(), 1234.56);
    EXPECT_DOUBLE_EQ(value("SmallMoneyValue").toString().toDouble(), 12.34);
    EXPECT_DOUBLE_EQ(value("FloatValue").toDouble(), 1.5);
    EXPECT_DOUBLE_EQ(value("RealValue").toDouble(), 2.25);
    EXPECT_EQ(value("DateTimeValue").toDateTime(), QDateTime(QDate(1999, 12, 31), QTime(23, 59, 59, 997)));
    EXPECT_EQ(value("SmallDateValue").toDateTime(), QDateTime(QDate(2000, 1, 1), QTime(12, 30)));
    EXPECT_EQ(value("CharValue").toString(), "Harbor    ");  // char keeps its pad blanks
    EXPECT_EQ(value("VarCharValue").toString(), "O'Brien");
    EXPECT_EQ(value("NCharValue").toString(), "Kai       ");
    EXPECT_EQ(value("NVarCharValue").toString(), "Smorrebrod");
    EXPECT_EQ(value("TextValue").toString(), "Long text of the first sample");
    EXPECT_EQ(value("NTextValue").toString(), "Unicode text of the first sample");
    EXPECT_EQ(value("ImageValue").toByteArray(), QByteArray::fromHex("474946383961"));
    EXPECT_EQ(value("BinaryValue").toByteArray(), QByteArray::fromHex("0102030405060708"));
    EXPECT_EQ(value("VarBinaryValue").toByteArray(), QByteArray::fromHex("DEADBEEF"));
    EXPECT_EQ(value("GuidValue").toString(), "6F9619FF-8B86-D011-B42D-00C04FC964FF");
    EXPECT_EQ(value("Stamp").toByteArray().size(), 8);
    EXPECT_EQ(value("Phone").toString(), "(206) 555-0100");
    EXPECT_EQ(value("IntPlusSmall").toLongLong(), 122222);

    // The second row is NULL wherever the script said NULL; identity, timestamp and
    // the computed column over NULLs follow SQL Server's rules.
    rows.moveNext();
    ASSERT_FALSE(rows.eof());
    for (const norvane::Field& field : rows.fields()) {
        if (field.name() == "SampleID")
            EXPECT_EQ(field.value().toLongLong(), 2);
        else if (field.name() == "Stamp")
            EXPECT_FALSE(field.isNull());
        else
            EXPECT_TRUE(field.isNull()) << field.name().toStdString();
    }

    rows.moveNext();
    ASSERT_FALSE(rows.eof());
    EXPECT_EQ(value("TinyValue").toLongLong(), 0);
    EXPECT_EQ(value("SmallValue").toLongLong(), 32767);
    EXPECT_EQ(value("IntValue").toLongLong(), -2147483647LL - 1);
    EXPECT_EQ(value("BigValue").toLongLong(), std::numeric_limits<qint64>::min());
    EXPECT_EQ(value("MoneyValue").toString(), "-922337203685477.5808");
    EXPECT_EQ(value("DateTimeValue").toDateTime(), QDateTime(QDate(1753, 1, 1), QTime(0, 0)));
    EXPECT_EQ(value("CharValue").toString(), "          ");  // '' in char(10) is ten blanks
    EXPECT_EQ(value("VarCharValue").toString(), "");
    EXPECT_FALSE(rows.field(QString("VarCharValue")).isNull());
    EXPECT_EQ(value("GuidValue").toString(), "00000000-0000-0000-0000-000000000000");
    EXPECT_EQ(value("IntPlusSmall").toLongLong(), -2147483648LL + 32767);
    rows.moveNext();
    EXPECT_TRUE(rows.eof());
}

TEST(SampleLoad, TextWithQuotesAndNullsSurviveLoading)
{
    const sample::Result customer =
        query("SELECT CompanyName, ContactName, Region, Fax FROM Customers WHERE CustomerID = N'C0017'");
    ASSERT_EQ(customer.rows.size(), 1u);
    EXPECT_EQ(customer.rows[0], (QStringList{"O'Brien's Corner Shop", "Sean O'Brien", "<NULL>", "<NULL>"}));

    const sample::Result managers = query("SELECT EmployeeID, LastName, ReportsTo FROM Employees ORDER BY EmployeeID");
    ASSERT_EQ(managers.rows.size(), 9u);
    EXPECT_EQ(managers.rows[0], (QStringList{"1", "Fuller", "<NULL>"}));
    EXPECT_EQ(managers.rows[8], (QStringList{"9", "O'Brien", "5"}));

    const sample::Result orders = query("SELECT MIN(OrderID), MAX(OrderID) FROM Orders");
    EXPECT_EQ(orders.rows, (std::vector<QStringList>{{"10248", "10748"}}));
}

TEST(SampleLoad, ObjectsOfEveryKindAreCreated)
{
    const QString kinds =
        "Select xtype, Count(*) From SysObjects Where xtype In ('P','FN','IF','TF','TR','C','F','PK','D') Group By xtype";
    // xtype is char(2): one-letter codes keep their pad blank.
    EXPECT_EQ(sample::sorted(query(kinds).rows), (std::vector<QStringList>{{"C ", "4"}, {"D ", "12"}, {"F ", "11"},
                                                                          {"FN", "2"}, {"IF", "1"}, {"P ", "10"},
                                                                          {"PK", "12"}, {"TF", "1"}, {"TR", "3"}}));
    EXPECT_EQ(query("Select Name From SysTypes Where XUserType > 256").rows, (std::vector<QStringList>{{"PhoneNumber"}}));

    // The archive holds tables, keys, checks and defaults only; one default is a stand-alone object.
    EXPECT_EQ(sample::sorted(query(kinds, "HarborArchive").rows),
              (std::vector<QStringList>{{"C ", "4"}, {"D ", "12"}, {"F ", "11"}, {"PK", "13"}}));
}

TEST(SampleLoad, ArchiveDiffersOnPurpose)
{
    // A default bound with sp_bindefault: the column points at a D object without a parent.
    EXPECT_EQ(query("Select c.Name, o.Name, o.parent_obj From SysColumns c, SysObjects o "
                    "Where c.cdefault = o.id And c.id = Object_Id('Products') And o.parent_obj = 0",
                    "HarborArchive")
                  .rows,
              (std::vector<QStringList>{{"ReorderLevel", "dfZero", "0"}}));
    EXPECT_TRUE(query("Select c.Name From SysColumns c, SysObjects o "
                      "Where c.cdefault = o.id And c.id = Object_Id('Products') And o.parent_obj = 0")
                    .rows.empty());

    // Identity in Harbor only.
    const QString identity = "Select ColumnProperty(Object_Id('Shippers'), 'ShipperID', 'IsIdentity')";
    EXPECT_EQ(query(identity).rows, (std::vector<QStringList>{{"1"}}));
    EXPECT_EQ(query(identity, "HarborArchive").rows, (std::vector<QStringList>{{"0"}}));

    // The computed column's expression, stored under the table with the column's colid as number.
    const QString computed = "Select Text From SysComments Where Id = Object_Id('Products') And Number = 11";
    const std::vector<QStringList> harborText = query(computed).rows;
    const std::vector<QStringList> archiveText = query(computed, "HarborArchive").rows;
    ASSERT_EQ(harborText.size(), 1u);
    ASSERT_EQ(archiveText.size(), 1u);
    EXPECT_TRUE(harborText[0][0].contains("UnitsInStock")) << harborText[0][0].toStdString();
    EXPECT_FALSE(harborText[0][0].contains("UnitsOnOrder")) << harborText[0][0].toStdString();
    EXPECT_TRUE(archiveText[0][0].contains("UnitsOnOrder")) << archiveText[0][0].toStdString();
}
