// The catalog SQL of the connection dialog, the catalog helpers, the table list and the
// table details, sent to the Harbor sample: the rows SQL Server 2000 returns for it.
#include "sample_harbor.h"

#include "support/qt_printers.h"

#include <gtest/gtest.h>

using sample::query;
using sample::sorted;
using Rows = std::vector<QStringList>;

namespace {

// The catalog helpers' texts, names inserted as they stand.
QString qualifiedNameSql(const QString& name, bool routine)
{
    return routine ? "SELECT ROUTINE_CATALOG AS DBName, ROUTINE_SCHEMA As OwnerName FROM INFORMATION_SCHEMA.ROUTINES "
                     "WHERE ROUTINE_NAME = '" + name + "'"
                   : "SELECT TABLE_CATALOG AS DBName, TABLE_SCHEMA As OwnerName FROM INFORMATION_SCHEMA.TABLES "
                     "WHERE TABLE_NAME = '" + name + "'";
}

QString ownerNameSql(const QString& name, bool routine)
{
    return routine ? "SELECT ROUTINE_SCHEMA As OwnerName FROM INFORMATION_SCHEMA.ROUTINES WHERE ROUTINE_NAME = '" + name + "'"
                   : "SELECT TABLE_SCHEMA As OwnerName FROM INFORMATION_SCHEMA.TABLES WHERE TABLE_NAME = '" + name + "'";
}

QString rowColumnsSql(const QString& name)
{
    return "Select Name From SysColumns Where Id=Object_Id(N'" + name + "') Order By ColId";
}

QString commentsTextSql(const QString& name)
{
    return "Select Text From SysComments where Id = Object_Id(N'[" + name + "]')";
}

// The table details' texts.
QString primaryKeySql(const QString& table)
{
    return "sp_pkeys @table_name = '" + table + "', @table_owner ='dbo' ,@table_qualifier = 'Harbor'";
}

QString columnGridSql(const QString& name)
{
    return QString("Select SysColumns.Name ColName,SysTypes.Name DataType,SysColumns.Length Length,") +
           " SysColumns.XPrec Prec, SysColumns.XScale Scale,SysColumns.IsNullable Nullable " +
           " From SysColumns, SysTypes" + " Where   Id=Object_Id(N'" + name + "') And" +
           " SysColumns.XUserType = SysTypes.XUserType";
}

QString referringTablesSql(const QString& name)
{
    return QString("Select  Distinct O.Name TableName, C.Name FieldName ") +
           " From    SysReferences R, SysObjects O, SysColumns C, SysConstraints T" +
           " Where O.Id = R.RKeyId And R.ConstId = T.ConstId And C.Id = T.Id And C.ColId = T.ColId" +
           " And R.FKeyId = Object_Id(N'" + name + "')";
}

QString referredTablesSql(const QString& name)
{
    return QString("Select Distinct O.Name TableName") + " From    SysReferences R, SysObjects O" +
           " Where   O.Id =R.FKeyId And R.RKeyId = object_id(N'" + name + "')";
}

QString checkConstraintsSql(const QString& name)
{
    return QString("Select Distinct OCheck.Name CheckName,OParent.Name TableName, Com.Text") +
           " From   SysObjects OCheck , SysObjects OParent , SysComments Com" +
           " Where   OCheck.parent_obj = OParent.Id" + " And OCheck.xtype='C' And Com.id = OCheck.id" +
           " And OParent.Id = object_id(N'" + name + "')";
}

QString triggersSql(const QString& name)
{
    return "Select Name From SysObjects where xtype='TR' and parent_obj = object_id(N'" + name + "')";
}

QString dependentObjectsSql(const QString& name)
{
    return QString("SELECT DISTINCT SysUsers2.Name As UserName,SysObjects2.Name As Dependent,SysObjects2.Type ") +
           " From SysObjects " + " INNER JOIN SysUsers ON SysObjects.uid = SysUsers.uid " +
           " INNER JOIN SysDepends ON SysObjects.id = SysDepends.depid " +
           " INNER JOIN SysObjects SysObjects2 ON SysDepends.id = SysObjects2.id " +
           " INNER JOIN SysUsers SysUsers2 ON SysObjects2.uid = SysUsers2.uid " + " Where  SysObjects.xtype = 'U' " +
           " AND SysObjects2.xtype <> 'C' " + " AND SysObjects2.xtype <> 'TR' " +
           " And SysObjects.Id = Object_Id(N'" + name + "')";
}

QString harbor(const QString& object)
{
    return "[Harbor].[dbo].[" + object + "]";
}

QString withoutTrailingBreaks(QString text)
{
    while (text.endsWith('\n') || text.endsWith('\r') || text.endsWith(' '))
        text.chop(1);
    return text;
}

}  // namespace

TEST(SampleTableCatalog, TableListHoldsEveryUserTableInNameOrder)
{
    const sample::Result tables = query("Select Distinct Name From SysObjects Where Xtype='U' Order By Name");
    // SQL Server's default collation ignores case: Employees sorts before EmployeeTerritories.
    const Rows expected = {{"AuditLog"}, {"Categories"}, {"Customers"}, {"Employees"}, {"EmployeeTerritories"},
                           {"Order Details"}, {"Orders"}, {"Products"}, {"Region"}, {"Shippers"},
                           {"Suppliers"}, {"Territories"}, {"TypeSamples"}};
    EXPECT_EQ(tables.rows, expected);
}

TEST(SampleTableCatalog, QualifiedAndOwnerNamesComeFromInformationSchema)
{
    const sample::Result table = query(qualifiedNameSql("Order Details", false));
    EXPECT_EQ(table.columns, (QStringList{"DBName", "OwnerName"}));
    EXPECT_EQ(table.rows, (Rows{{"Harbor", "dbo"}}));
    // Views are found among the tables.
    EXPECT_EQ(query(qualifiedNameSql("OrderSummary", false)).rows, (Rows{{"Harbor", "dbo"}}));
    EXPECT_TRUE(query(qualifiedNameSql("NoSuchTable", false)).rows.empty());
    EXPECT_TRUE(query(qualifiedNameSql("AddOrder", false)).rows.empty());

    const sample::Result routine = query(qualifiedNameSql("AddOrder", true));
    EXPECT_EQ(routine.columns, (QStringList{"DBName", "OwnerName"}));
    EXPECT_EQ(routine.rows, (Rows{{"Harbor", "dbo"}}));
    for (const char* function : {"fnOrderTotal", "fnCustomerOrders", "fnReportingChain"})
        EXPECT_EQ(query(qualifiedNameSql(function, true)).rows, (Rows{{"Harbor", "dbo"}})) << function;
    EXPECT_TRUE(query(qualifiedNameSql("Orders", true)).rows.empty());

    const sample::Result owner = query(ownerNameSql("Customers", false));
    EXPECT_EQ(owner.columns, QStringList{"OwnerName"});
    EXPECT_EQ(owner.rows, (Rows{{"dbo"}}));
    EXPECT_EQ(query(ownerNameSql("SalesByYear", true)).rows, (Rows{{"dbo"}}));
    EXPECT_TRUE(query(ownerNameSql("NoSuchProcedure", true)).rows.empty());
}

TEST(SampleTableCatalog, RowGridHeadingsFollowColumnOrder)
{
    const sample::Result details = query(rowColumnsSql(harbor("Order Details")));
    EXPECT_EQ(details.rows, (Rows{{"OrderID"}, {"ProductID"}, {"UnitPrice"}, {"Quantity"}, {"Discount"}}));
    const sample::Result view = query(rowColumnsSql(harbor("EmployeeManagers")));
    EXPECT_EQ(view.rows, (Rows{{"EmployeeID"}, {"LastName"}, {"FirstName"}, {"ManagerName"}}));
    EXPECT_TRUE(query(rowColumnsSql(harbor("NoSuchTable"))).rows.empty());
}

TEST(SampleTableCatalog, RowQueriesCountTheRowsBeforeShowingThem)
{
    // 500 rows are shown whole; 501 ask first; a view of 501 orders asks as well.
    const std::vector<std::pair<QString, qint64>> counts = {
        {"Customers", 500}, {"Orders", 501}, {"Order Details", 2505}, {"OrderSummary", 501}};
    for (const auto& [object, expected] : counts) {
        norvane::Recordset rows = sample::connection().openCounted("Select * From " + harbor(object));
        EXPECT_EQ(rows.recordCount(), expected) << object.toStdString();
        qint64 read = 0;
        for (; !rows.eof(); rows.moveNext())
            ++read;
        EXPECT_EQ(read, expected) << object.toStdString();
    }

    const sample::Result shippers = query("Select Top 10 * From " + harbor("Shippers"));
    EXPECT_EQ(shippers.columns, (QStringList{"ShipperID", "CompanyName", "Phone"}));
    EXPECT_EQ(shippers.rows, (Rows{{"1", "Speedy Express", "(503) 555-9831"},
                                   {"2", "United Package", "(503) 555-3199"},
                                   {"3", "Federal Shipping", "<NULL>"}}));
    EXPECT_EQ(query("Select Top 10 * From " + harbor("Customers")).rows.size(), 10u);
    // Tables with a clustered primary key come in key order, as SQL Server 2000 stores them.
    QStringList territories;
    for (const QStringList& row : query("Select Top 10 * From " + harbor("Territories")).rows)
        territories << row.value(0);
    EXPECT_EQ(territories, (QStringList{"01581", "01730", "02116", "19713", "29202", "44122", "48075", "55113", "60601", "72716"}));
    const Rows assigned = query("Select Top 4 * From " + harbor("EmployeeTerritories")).rows;
    EXPECT_EQ(assigned, (Rows{{"1", "01581"}, {"1", "01730"}, {"2", "02116"}, {"2", "19713"}}));
    EXPECT_EQ(query("Select Top 10 * From " + harbor("CustomersByCountry")).rows.size(), 10u);
    EXPECT_EQ(query("Select * From " + harbor("CustomersByCountry")).rows.size(), 13u);
}

TEST(SampleTableCatalog, PrimaryKeysComeFromSpPkeys)
{
    const sample::Result details = query(primaryKeySql("Order Details"));
    EXPECT_EQ(details.columns,
              (QStringList{"TABLE_QUALIFIER", "TABLE_OWNER", "TABLE_NAME", "COLUMN_NAME", "KEY_SEQ", "PK_NAME"}));
    EXPECT_EQ(details.rows, (Rows{{"Harbor", "dbo", "Order Details", "OrderID", "1", "PK_Order_Details"},
                                  {"Harbor", "dbo", "Order Details", "ProductID", "2", "PK_Order_Details"}}));
    EXPECT_EQ(query(primaryKeySql("EmployeeTerritories")).rows,
              (Rows{{"Harbor", "dbo", "EmployeeTerritories", "EmployeeID", "1", "PK_EmployeeTerritories"},
                    {"Harbor", "dbo", "EmployeeTerritories", "TerritoryID", "2", "PK_EmployeeTerritories"}}));
    EXPECT_EQ(query(primaryKeySql("Customers")).rows,
              (Rows{{"Harbor", "dbo", "Customers", "CustomerID", "1", "PK_Customers"}}));

    // A table without a primary key: the same six columns and no row.
    const sample::Result audit = query(primaryKeySql("AuditLog"));
    EXPECT_EQ(audit.columns.size(), 6);
    EXPECT_TRUE(audit.rows.empty());
}

TEST(SampleTableCatalog, ColumnGridShowsStorageLengthPrecisionScaleAndNullability)
{
    const sample::Result types = query(columnGridSql(harbor("TypeSamples")));
    EXPECT_EQ(types.columns, (QStringList{"ColName", "DataType", "Length", "Prec", "Scale", "Nullable"}));
    const Rows expected = {
        {"SampleID", "int", "4", "10", "0", "0"},
        {"BitValue", "bit", "1", "1", "0", "1"},
        {"TinyValue", "tinyint", "1", "3", "0", "1"},
        {"SmallValue", "smallint", "2", "5", "0", "1"},
        {"IntValue", "int", "4", "10", "0", "1"},
        {"BigValue", "bigint", "8", "19", "0", "1"},
        {"DecimalValue", "decimal", "9", "10", "2", "1"},
        {"NumericValue", "numeric", "9", "18", "4", "1"},
        {"MoneyValue", "money", "8", "19", "4", "1"},
        {"SmallMoneyValue", "smallmoney", "4", "10", "4", "1"},
        {"FloatValue", "float", "8", "53", "0", "1"},
        {"RealValue", "real", "4", "24", "0", "1"},
        {"DateTimeValue", "datetime", "8", "23", "3", "1"},
        {"SmallDateValue", "smalldatetime", "4", "16", "0", "1"},
        {"CharValue", "char", "10", "0", "0", "1"},
        {"VarCharValue", "varchar", "50", "0", "0", "1"},
        {"NCharValue", "nchar", "20", "0", "0", "1"},
        {"NVarCharValue", "nvarchar", "100", "0", "0", "1"},
        {"TextValue", "text", "16", "0", "0", "1"},
        {"NTextValue", "ntext", "16", "0", "0", "1"},
        {"ImageValue", "image", "16", "0", "0", "1"},
        {"BinaryValue", "binary", "8", "0", "0", "1"},
        {"VarBinaryValue", "varbinary", "16", "0", "0", "1"},
        {"GuidValue", "uniqueidentifier", "16", "0", "0", "1"},
        {"Stamp", "timestamp", "8", "0", "0", "0"},
        {"Phone", "PhoneNumber", "24", "0", "0", "1"},
        {"IntPlusSmall", "int", "4", "10", "0", "1"},
    };
    EXPECT_EQ(types.rows, expected);

    EXPECT_EQ(query(columnGridSql(harbor("Order Details"))).rows,
              (Rows{{"OrderID", "int", "4", "10", "0", "0"},
                    {"ProductID", "int", "4", "10", "0", "0"},
                    {"UnitPrice", "money", "8", "19", "4", "0"},
                    {"Quantity", "smallint", "2", "5", "0", "0"},
                    {"Discount", "real", "4", "24", "0", "0"}}));
    EXPECT_EQ(query(columnGridSql(harbor("Employees"))).rows,
              (Rows{{"EmployeeID", "int", "4", "10", "0", "0"},
                    {"LastName", "nvarchar", "40", "0", "0", "0"},
                    {"FirstName", "nvarchar", "20", "0", "0", "0"},
                    {"Title", "nvarchar", "60", "0", "0", "1"},
                    {"ReportsTo", "int", "4", "10", "0", "1"},
                    {"HireDate", "datetime", "8", "23", "3", "1"},
                    {"BirthDate", "smalldatetime", "4", "16", "0", "1"},
                    {"HomePhone", "nvarchar", "48", "0", "0", "1"},
                    {"Extension", "varchar", "4", "0", "0", "1"},
                    {"Photo", "image", "16", "0", "0", "1"},
                    {"Notes", "ntext", "16", "0", "0", "1"}}));
}

TEST(SampleTableCatalog, ReferringTablesNameTheForeignKeyColumn)
{
    EXPECT_EQ(sorted(query(referringTablesSql(harbor("Orders"))).rows),
              (Rows{{"Customers", "CustomerID"}, {"Employees", "EmployeeID"}, {"Shippers", "ShipVia"}}));
    EXPECT_EQ(sorted(query(referringTablesSql(harbor("Order Details"))).rows),
              (Rows{{"Orders", "OrderID"}, {"Products", "ProductID"}}));
    EXPECT_EQ(query(referringTablesSql(harbor("Employees"))).rows, (Rows{{"Employees", "ReportsTo"}}));
    EXPECT_EQ(sorted(query(referringTablesSql(harbor("EmployeeTerritories"))).rows),
              (Rows{{"Employees", "EmployeeID"}, {"Territories", "TerritoryID"}}));
    const sample::Result none = query(referringTablesSql(harbor("Customers")));
    EXPECT_EQ(none.columns, (QStringList{"TableName", "FieldName"}));
    EXPECT_TRUE(none.rows.empty());
}

TEST(SampleTableCatalog, ReferredTablesListEachReferencingTableOnce)
{
    EXPECT_EQ(sorted(query(referredTablesSql(harbor("Employees"))).rows),
              (Rows{{"Employees"}, {"EmployeeTerritories"}, {"Orders"}}));
    EXPECT_EQ(query(referredTablesSql(harbor("Orders"))).rows, (Rows{{"Order Details"}}));
    EXPECT_EQ(query(referredTablesSql(harbor("Customers"))).rows, (Rows{{"Orders"}}));
    EXPECT_TRUE(query(referredTablesSql(harbor("AuditLog"))).rows.empty());
}

TEST(SampleTableCatalog, CheckConstraintsCarryTheirStoredText)
{
    const sample::Result details = query(checkConstraintsSql(harbor("Order Details")));
    EXPECT_EQ(details.columns.size(), 3);
    const Rows checks = sorted(details.rows);
    ASSERT_EQ(checks.size(), 2u);
    // The unnamed column CHECK gets a generated name starting "CK__", which sorts before "CK_D".
    EXPECT_TRUE(checks[0][0].startsWith("CK__")) << checks[0][0].toStdString();
    EXPECT_EQ(checks[0].mid(1), (QStringList{"Order Details", "([Quantity] > 0)"}));
    EXPECT_EQ(checks[1], (QStringList{"CK_Discount", "Order Details", "([Discount] >= 0 and [Discount] <= 1)"}));

    EXPECT_EQ(query(checkConstraintsSql(harbor("Products"))).rows,
              (Rows{{"CK_Products_UnitPrice", "Products", "([UnitPrice] >= 0)"}}));
    EXPECT_EQ(query(checkConstraintsSql(harbor("Employees"))).rows,
              (Rows{{"CK_Employees_BirthDate", "Employees", "([BirthDate] < [HireDate])"}}));
    EXPECT_TRUE(query(checkConstraintsSql(harbor("Customers"))).rows.empty());
}

TEST(SampleTableCatalog, TriggersOfATable)
{
    EXPECT_EQ(query(triggersSql(harbor("Orders"))).rows, (Rows{{"trOrdersAudit"}}));
    EXPECT_EQ(query(triggersSql(harbor("Order Details"))).rows, (Rows{{"trOrderDetailsDelete"}}));
    EXPECT_EQ(query(triggersSql(harbor("Products"))).rows, (Rows{{"trProductsPrice"}}));
    EXPECT_TRUE(query(triggersSql(harbor("Customers"))).rows.empty());
}

TEST(SampleTableCatalog, DependentObjectsCarryTheirBlankPaddedType)
{
    const sample::Result customers = query(dependentObjectsSql(harbor("Customers")));
    EXPECT_EQ(customers.columns.size(), 3);
    EXPECT_EQ(customers.columns.mid(0, 2), (QStringList{"UserName", "Dependent"}));
    EXPECT_EQ(sorted(customers.rows), (Rows{{"dbo", "CustomersByCountry", "V "},
                                            {"dbo", "FindCustomers", "P "},
                                            {"dbo", "fnCustomerOrders", "IF"},
                                            {"dbo", "OrderSummary", "V "}}));
    EXPECT_EQ(sorted(query(dependentObjectsSql(harbor("Employees"))).rows),
              (Rows{{"dbo", "EmployeeLabel", "P "}, {"dbo", "EmployeeManagers", "V "}, {"dbo", "fnReportingChain", "TF"}}));
    EXPECT_TRUE(query(dependentObjectsSql(harbor("AuditLog"))).rows.empty());
}

TEST(SampleTableCatalog, CommentsTextOfConstraintsAndTriggers)
{
    const sample::Result discount = query(commentsTextSql("CK_Discount"));
    ASSERT_EQ(discount.columns.size(), 1);
    EXPECT_EQ(discount.columns[0].compare("Text", Qt::CaseInsensitive), 0);
    EXPECT_EQ(discount.rows, (Rows{{"([Discount] >= 0 and [Discount] <= 1)"}}));
    EXPECT_EQ(query(commentsTextSql("CK_Products_UnitPrice")).rows, (Rows{{"([UnitPrice] >= 0)"}}));

    // A trigger's text is stored as typed, line breaks included.
    const sample::Result trigger = query(commentsTextSql("trOrdersAudit"));
    ASSERT_EQ(trigger.rows.size(), 1u);
    EXPECT_EQ(withoutTrailingBreaks(trigger.rows[0][0]), sample::definition("trOrdersAudit"));

    EXPECT_TRUE(query(commentsTextSql("NoSuchConstraint")).rows.empty());
}

TEST(SampleTableCatalog, ArchiveDiffersWhereTheCompareWindowLooks)
{
    const sample::Result tables =
        query("Select Distinct Name From SysObjects Where Xtype='U' Order By Name", "HarborArchive");
    EXPECT_EQ(tables.rows, (Rows{{"Categories"}, {"Customers"}, {"Employees"}, {"EmployeeTerritories"},
                                 {"Order Details"}, {"OrderHistory"}, {"Orders"}, {"Products"}, {"Region"},
                                 {"Shippers"}, {"Suppliers"}, {"Territories"}, {"TypeSamples"}}));

    const auto archive = [](const QString& table) { return "[HarborArchive].[dbo].[" + table + "]"; };
    const Rows customers = query(columnGridSql(archive("Customers")), "HarborArchive").rows;
    ASSERT_EQ(customers.size(), 9u);  // no Fax
    EXPECT_EQ(customers.back(), (QStringList{"Phone", "nvarchar", "48", "0", "0", "1"}));

    const Rows products = query(columnGridSql(archive("Products")), "HarborArchive").rows;
    ASSERT_EQ(products.size(), 11u);
    EXPECT_EQ(products[4], (QStringList{"QuantityPerUnit", "varchar", "40", "0", "0", "1"}));

    const Rows employees = query(columnGridSql(archive("Employees")), "HarborArchive").rows;
    ASSERT_GE(employees.size(), 4u);
    EXPECT_EQ(employees[3], (QStringList{"Title", "nvarchar", "60", "0", "0", "0"}));
}
