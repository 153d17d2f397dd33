// The sample scripts load into the sandbox: both databases, every table with the rows the scripts insert, the
// objects of every kind, a few distinctive rows, and the ADO types of the all-types table through ODBC.
#include "shell/data/connection.h"
#include "support/sandbox_process.h"

#include <gtest/gtest.h>

#include <QStringList>

namespace {

// The query's rows through the program's own connection, values joined with '|' (NULL as <NULL>), rows with ", ";
// with types, first its columns, each with its ADO type code.
QString rows(const QString& sql, const QString& database = "Harbor", bool types = false)
{
    norvane::Connection connection;
    connection.open(norvane::test::sharedSampleSandbox().connectionString(database));
    norvane::Recordset result = connection.execute(sql);
    QStringList lines;
    for (const norvane::Field& field : result.fields())
        if (types)
            lines << field.name() + " " + QString::number(field.type());
    for (; !result.eof(); result.moveNext()) {
        QStringList values;
        for (const norvane::Field& field : result.fields())
            values << (field.isNull() ? "<NULL>" : field.value().toString());
        lines << values.join('|');
    }
    return lines.join(", ");
}

// Every user table with its row count, in name order.
QString rowCounts(const QString& database)
{
    QStringList counts;
    for (const QString& table :
         rows("Select Distinct Name From SysObjects Where Xtype='U' Order By Name", database).split(", "))
        counts << "SELECT '" + table + "', COUNT(*) FROM [" + table + "]";
    return rows(counts.join(" UNION ALL "), database);
}

TEST(SampleLoad, BothDatabasesHoldEveryTableWithTheRowsTheScriptsInsert)
{
    EXPECT_EQ(rows("SELECT name FROM master.dbo.sysdatabases ORDER BY name", "master"),
              "Harbor, HarborArchive, master, model, msdb, tempdb");
    EXPECT_EQ(rowCounts("Harbor"), "AuditLog|12, Categories|8, Customers|500, Employees|9, EmployeeTerritories|16, "
                                   "Order Details|2505, Orders|501, Products|40, Region|4, Shippers|3, Suppliers|10, "
                                   "Territories|12, TypeSamples|3");
    EXPECT_EQ(rowCounts("HarborArchive"),
              "Categories|8, Customers|20, Employees|9, EmployeeTerritories|16, Order Details|105, OrderHistory|21, "
              "Orders|21, Products|40, Region|4, Shippers|3, Suppliers|10, Territories|12, TypeSamples|3");
}

TEST(SampleLoad, ObjectsOfEveryKindAndDistinctiveRows)
{
    const QString kinds = "Select xtype, Count(*) From SysObjects Where xtype In ('P','FN','IF','TF','TR','C','F','PK',"
                          "'D') Group By xtype Order By xtype";
    EXPECT_EQ(rows(kinds), "C |4, D |12, F |11, FN|2, IF|1, P |10, PK|12, TF|1, TR|3");
    EXPECT_EQ(rows("Select Name From SysTypes Where XUserType > 256"), "PhoneNumber");
    EXPECT_EQ(rows("SELECT CompanyName, ContactName, Region, Fax FROM Customers WHERE CustomerID = N'C0017'"),
              "O'Brien's Corner Shop|Sean O'Brien|<NULL>|<NULL>");
    EXPECT_EQ(rows("SELECT EmployeeID, LastName, ReportsTo FROM Employees WHERE EmployeeID IN (1, 9) ORDER BY 1"),
              "1|Fuller|<NULL>, 9|O'Brien|5");
    EXPECT_EQ(rows("SELECT MIN(OrderID), MAX(OrderID) FROM Orders"), "10248|10748");
    // The archive holds tables, keys, checks and defaults only; one default is bound with sp_bindefault.
    EXPECT_EQ(rows(kinds, "HarborArchive"), "C |4, D |12, F |11, PK|13");
    const QString bound = "Select c.Name, o.Name From SysColumns c, SysObjects o Where c.cdefault = o.id And "
                          "c.id = Object_Id('Products') And o.parent_obj = 0";
    EXPECT_EQ(rows(bound, "HarborArchive"), "ReorderLevel|dfZero");
    EXPECT_EQ(rows(bound), "");
}

TEST(SampleLoad, AllTypesTableCarriesAdoTypeCodes)
{
    EXPECT_EQ(rows("SELECT * FROM TypeSamples WHERE SampleID = 0", "Harbor", true),
              "SampleID 3, BitValue 11, TinyValue 17, SmallValue 2, IntValue 3, BigValue 20, DecimalValue 131, "
              "NumericValue 131, MoneyValue 6, SmallMoneyValue 6, FloatValue 5, RealValue 4, DateTimeValue 135, "
              "SmallDateValue 135, CharValue 129, VarCharValue 200, NCharValue 130, NVarCharValue 202, TextValue 201, "
              "NTextValue 203, ImageValue 205, BinaryValue 128, VarBinaryValue 204, GuidValue 72, Stamp 128, "
              "Phone 200, IntPlusSmall 3");
}

} // namespace
