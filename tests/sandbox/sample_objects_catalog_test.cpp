// The catalog SQL of the views, stored procedures, functions and search windows, and the
// source-text helpers, sent to the Harbor sample: the rows SQL Server 2000 returns for it.
#include "sample_harbor.h"

#include "support/qt_printers.h"

#include <gtest/gtest.h>

#include <algorithm>

using sample::query;
using sample::sorted;
using Rows = std::vector<QStringList>;

namespace {

QString harbor(const QString& object)
{
    return "[Harbor].[dbo].[" + object + "]";
}

QString parametersSql(const QString& name)
{
    return "Select SysColumns.Name ColName,SysTypes.Name DataType,SysColumns.Length Length, SysColumns.XPrec Prec, "
           "SysColumns.XScale Scale,SysColumns.IsOutParam OutParam  From SysColumns, SysTypes Where   Id=Object_Id('" +
           name + "') And SysColumns.XUserType = SysTypes.XUserType";
}

QString objectTextSearchSql(const QString& word)
{
    return "Select Distinct SysObjects.Name,SysObjects.Type From SysObjects,SysComments  Where SysObjects.Id= "
           "SysComments.Id And SysObjects.parent_obj = 0 And  SysComments.Text Like '%" + word + "%' Order By Name";
}

QString columnNameSearchSql(const QString& word)
{
    return "SELECT SysObjects.Name TableName, SysColumns.Name ColName,SysTypes.Name DataType,SysColumns.Length Length, "
           "SysColumns.XPrec Prec, SysColumns.XScale Scale,SysColumns.IsNullable Nullable From "
           "SysObjects,SysColumns,SysTypes Where    SysObjects.Id = SysColumns.Id And "
           "SysColumns.XUserType=SysTypes.XUserType And SysColumns.name Like '%" + word +
           "%' Order By SysObjects.Name, SysColumns.Name";
}

// sp_helptext gives one row per stored line, each keeping its CR LF; joined they are
// the definition as the script typed it (whether the batch's last line break was
// stored with it is left open).
void expectHelpText(const QString& object)
{
    SCOPED_TRACE(object.toStdString());
    const sample::Result text = query("SP_HelpText '" + harbor(object) + "'");
    EXPECT_EQ(text.columns, QStringList{"Text"});
    const QString definition = sample::definition(object);
    const QStringList lines = definition.split("\r\n");
    ASSERT_EQ(text.rows.size(), static_cast<std::size_t>(lines.size()));
    for (int i = 0; i < lines.size(); ++i) {
        if (i + 1 < lines.size())
            EXPECT_EQ(text.rows[i][0], lines[i] + "\r\n");
        else
            EXPECT_TRUE(text.rows[i][0] == lines[i] || text.rows[i][0] == lines[i] + "\r\n") << text.rows[i][0].toStdString();
    }
}

}  // namespace

TEST(SampleObjectCatalog, ViewsListLeavesOutSystemViews)
{
    const sample::Result views =
        query("Select Distinct Name From SysObjects Where Xtype='V' And Category = 0 Order By Name");
    EXPECT_EQ(views.rows, (Rows{{"CurrentProducts"}, {"CustomersByCountry"}, {"EmployeeManagers"},
                                {"OrderSummary"}, {"ProductCatalog"}}));
}

TEST(SampleObjectCatalog, StoredProceduresList)
{
    const sample::Result procedures = query("Select Distinct Name From SysObjects Where Xtype='P' Order By Name");
    EXPECT_EQ(procedures.rows, (Rows{{"AddOrder"}, {"CustomerOrderCount"}, {"EmployeeLabel"}, {"FindCustomers"},
                                     {"ListCategories"}, {"MonthlyShipmentReport"}, {"OrderTotals"}, {"ProductsByPrice"}, {"SalesByYear"},
                                     {"UpdateDiscount"}}));
}

TEST(SampleObjectCatalog, FunctionsListLeavesOutInlineFunctions)
{
    const sample::Result functions =
        query("Select Distinct Name From SysObjects Where Xtype='FN' Or Xtype='TF' Order By Name");
    EXPECT_EQ(functions.rows, (Rows{{"fnFullName"}, {"fnOrderTotal"}, {"fnReportingChain"}}));
}

TEST(SampleObjectCatalog, SourceTextComesLineByLineFromSpHelptext)
{
    for (const char* object : {"CustomersByCountry", "OrderSummary", "AddOrder", "ListCategories", "OrderTotals",
                               "fnFullName", "fnCustomerOrders", "fnReportingChain"})
        expectHelpText(object);
}

TEST(SampleObjectCatalog, ProcedureParametersInDeclarationOrder)
{
    const sample::Result addOrder = query(parametersSql(harbor("AddOrder")));
    EXPECT_EQ(addOrder.columns, (QStringList{"ColName", "DataType", "Length", "Prec", "Scale", "OutParam"}));
    EXPECT_EQ(addOrder.rows, (Rows{{"@CustomerID", "nchar", "10", "0", "0", "0"},
                                   {"@EmployeeID", "int", "4", "10", "0", "0"},
                                   {"@OrderDate", "datetime", "8", "23", "3", "0"},
                                   {"@ShipVia", "int", "4", "10", "0", "0"},
                                   {"@Freight", "money", "8", "19", "4", "0"},
                                   {"@OrderID", "int", "4", "10", "0", "1"}}));
    EXPECT_EQ(query(parametersSql(harbor("OrderTotals"))).rows,
              (Rows{{"@OrderID", "int", "4", "10", "0", "0"},
                    {"@Total", "money", "8", "19", "4", "1"},
                    {"@AverageDiscount", "decimal", "5", "5", "4", "1"},
                    {"@Weight", "numeric", "5", "9", "3", "1"}}));
    EXPECT_EQ(query(parametersSql(harbor("EmployeeLabel"))).rows,
              (Rows{{"@EmployeeID", "int", "4", "10", "0", "0"},
                    {"@Label", "varchar", "60", "0", "0", "1"},
                    {"@FullName", "nvarchar", "80", "0", "0", "1"},
                    {"@HiredOn", "datetime", "8", "23", "3", "1"}}));
    EXPECT_EQ(query(parametersSql(harbor("UpdateDiscount"))).rows,
              (Rows{{"@OrderID", "int", "4", "10", "0", "0"},
                    {"@ProductID", "int", "4", "10", "0", "0"},
                    {"@Discount", "decimal", "5", "4", "2", "0"},
                    {"@Factor", "numeric", "9", "10", "4", "0"}}));
    EXPECT_EQ(query(parametersSql(harbor("FindCustomers"))).rows,
              (Rows{{"@Name", "nvarchar", "80", "0", "0", "0"}, {"@Country", "varchar", "15", "0", "0", "0"}}));
    EXPECT_EQ(query(parametersSql(harbor("MonthlyShipmentReport"))).rows,
              (Rows{{"@Year", "int", "4", "10", "0", "0"}}));
    EXPECT_TRUE(query(parametersSql(harbor("ListCategories"))).rows.empty());
    EXPECT_TRUE(query(parametersSql(harbor("NoSuchProcedure"))).rows.empty());
}

TEST(SampleObjectCatalog, ScalarFunctionResultIsANamelessFirstRow)
{
    // The result row has colid 0, so it comes before the parameters; whether SQL Server 2000
    // flags it as an output is left open, so OutParam is checked for the parameters only.
    const Rows total = query(parametersSql(harbor("fnOrderTotal"))).rows;
    ASSERT_EQ(total.size(), 2u);
    EXPECT_EQ(total[0].mid(0, 5), (QStringList{"", "money", "8", "19", "4"}));
    EXPECT_EQ(total[1], (QStringList{"@OrderID", "int", "4", "10", "0", "0"}));

    const Rows fullName = query(parametersSql(harbor("fnFullName"))).rows;
    ASSERT_EQ(fullName.size(), 3u);
    EXPECT_EQ(fullName[0].mid(0, 5), (QStringList{"", "nvarchar", "64", "0", "0"}));
    EXPECT_EQ(fullName[1], (QStringList{"@FirstName", "nvarchar", "20", "0", "0", "0"}));
    EXPECT_EQ(fullName[2], (QStringList{"@LastName", "nvarchar", "40", "0", "0", "0"}));
}

TEST(SampleObjectCatalog, TableFunctionRowsHoldParametersAndResultColumns)
{
    // The parameter and the result table's columns; whether a row also stands for the
    // returned table variable is left open.
    Rows chain = query(parametersSql(harbor("fnReportingChain"))).rows;
    for (QStringList& row : chain)
        row = row.mid(0, 5);
    for (const QStringList& expected : Rows{{"@EmployeeID", "int", "4", "10", "0"},
                                            {"EmployeeID", "int", "4", "10", "0"},
                                            {"LastName", "nvarchar", "40", "0", "0"},
                                            {"Depth", "int", "4", "10", "0"}})
        EXPECT_EQ(std::count(chain.begin(), chain.end(), expected), 1) << expected.join(' ').toStdString();
}

TEST(SampleObjectCatalog, TextSearchListsObjectsWithTheirTypeCode)
{
    const sample::Result freight = query(objectTextSearchSql("Freight"));
    EXPECT_EQ(freight.columns.size(), 2);
    EXPECT_EQ(freight.rows, (Rows{{"AddOrder", "P "}, {"OrderSummary", "V "}}));
    // Case is ignored in the comparison and in the order: fnOrderTotal sorts first.
    EXPECT_EQ(query(objectTextSearchSql("discount")).rows,
              (Rows{{"fnOrderTotal", "FN"}, {"OrderTotals", "P "}, {"UpdateDiscount", "P "}}));
    EXPECT_EQ(query(objectTextSearchSql("Customers")).rows,
              (Rows{{"CustomersByCountry", "V "}, {"FindCustomers", "P "}, {"fnCustomerOrders", "IF"},
                    {"OrderSummary", "V "}}));
    EXPECT_EQ(query(objectTextSearchSql("Chain")).rows, (Rows{{"fnReportingChain", "TF"}}));
    // A computed column's expression is stored under its table.
    EXPECT_EQ(query(objectTextSearchSql("UnitsInStock")).rows, (Rows{{"Products", "U "}}));
    EXPECT_EQ(query(objectTextSearchSql("SmallValue")).rows, (Rows{{"TypeSamples", "U "}}));
    // Triggers and constraints have a parent, so their text is not searched.
    EXPECT_TRUE(query(objectTextSearchSql("AuditLog")).rows.empty());
    EXPECT_TRUE(query(objectTextSearchSql("xyzzy")).rows.empty());
}

TEST(SampleObjectCatalog, ColumnSearchFindsColumnsAndParameters)
{
    const sample::Result phone = query(columnNameSearchSql("Phone"));
    EXPECT_EQ(phone.columns,
              (QStringList{"TableName", "ColName", "DataType", "Length", "Prec", "Scale", "Nullable"}));
    EXPECT_EQ(phone.rows, (Rows{{"Customers", "Phone", "nvarchar", "48", "0", "0", "1"},
                                {"Employees", "HomePhone", "nvarchar", "48", "0", "0", "1"},
                                {"Shippers", "Phone", "nvarchar", "48", "0", "0", "1"},
                                {"Suppliers", "Phone", "nvarchar", "48", "0", "0", "1"},
                                {"TypeSamples", "Phone", "PhoneNumber", "24", "0", "0", "1"}}));

    // Parameters are found too; their Nullable value is left open.
    Rows freight = query(columnNameSearchSql("Freight")).rows;
    ASSERT_EQ(freight.size(), 3u);
    EXPECT_EQ(freight[0].mid(0, 6), (QStringList{"AddOrder", "@Freight", "money", "8", "19", "4"}));
    // Orders sorts before OrderSummary when case is ignored.
    EXPECT_EQ(freight[1], (QStringList{"Orders", "Freight", "money", "8", "19", "4", "1"}));
    EXPECT_EQ(freight[2], (QStringList{"OrderSummary", "Freight", "money", "8", "19", "4", "1"}));

    Rows discount = query(columnNameSearchSql("Discount")).rows;
    ASSERT_EQ(discount.size(), 3u);
    EXPECT_EQ(discount[0], (QStringList{"Order Details", "Discount", "real", "4", "24", "0", "0"}));
    EXPECT_EQ(discount[1].mid(0, 6), (QStringList{"OrderTotals", "@AverageDiscount", "decimal", "5", "5", "4"}));
    EXPECT_EQ(discount[2].mid(0, 6), (QStringList{"UpdateDiscount", "@Discount", "decimal", "5", "4", "2"}));

    EXPECT_TRUE(query(columnNameSearchSql("xyzzy")).rows.empty());
}

TEST(SampleObjectCatalog, LongSourceIsStoredInPiecesOf4000Characters)
{
    // MonthlyShipmentReport is 4,332 characters: the word Straddle spans characters 3996 to 4003.
    const QString definition = sample::definition("MonthlyShipmentReport");
    ASSERT_GT(definition.size(), 4000);
    ASSERT_EQ(definition.indexOf("Straddle"), 3996);

    const Rows pieces =
        query("Select Text From SysComments where Id = Object_Id(N'[MonthlyShipmentReport]')").rows;
    ASSERT_EQ(pieces.size(), 2u);
    EXPECT_EQ(pieces[0][0], definition.left(4000));
    QString rest = pieces[1][0];
    while (rest.endsWith('\n') || rest.endsWith('\r'))
        rest.chop(1);
    EXPECT_EQ(rest, definition.mid(4000));

    // The text search looks at one piece at a time.
    EXPECT_TRUE(query(objectTextSearchSql("Straddle")).rows.empty());
    EXPECT_EQ(query(objectTextSearchSql("ShipMonth")).rows, (Rows{{"MonthlyShipmentReport", "P "}}));
    EXPECT_EQ(query(objectTextSearchSql("Monthly")).rows, (Rows{{"MonthlyShipmentReport", "P "}}));

    // sp_helptext reads the pieces in order; how it cuts the line across the boundary is left open.
    QString joined;
    for (const QStringList& row : query("SP_HelpText '" + harbor("MonthlyShipmentReport") + "'").rows)
        joined += row[0];
    while (joined.endsWith('\n') || joined.endsWith('\r'))
        joined.chop(1);
    EXPECT_EQ(joined, definition);
}
