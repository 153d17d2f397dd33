// The reports' one-pass catalog read against the Harbor sample: for every table
// and view it gives the same column facts as the server-management object's
// per-table read, and the row counts of many tables in a few statements.
#include "shell/data/database_columns.h"

#include "reports/report_test_support.h"
#include "support/qt_printers.h"
#include "support/session_reset.h"

#include <gtest/gtest.h>

using namespace norvane;

namespace {

QStringList describe(const std::vector<ColumnProperties>& columns)
{
    QStringList lines;
    for (const ColumnProperties& c : columns)
        lines << QStringList{c.Name, c.Datatype, QString::number(c.UserDefinedType), QString::number(c.Length),
                             QString::number(c.NumericPrecision), QString::number(c.NumericScale),
                             QString::number(c.AllowNulls), QString::number(c.Identity), QString::number(c.InPrimaryKey),
                             c.DRIDefaultName, c.DRIDefaultText, QString::number(c.IsComputed), c.ComputedText,
                             c.Default, QString::number(c.ColumnId)}
                     .join(QLatin1Char('|'));
    return lines;
}

}  // namespace

TEST(DatabaseColumns, EveryHarborTableAndViewReadsAsTheServerManagementObjectReadsIt)
{
    norvane::testing::connectReportSession("Harbor");
    ServerAdmin& admin = *session().serverAdmin;
    const DatabaseColumns catalog(admin, "Harbor");
    std::vector<CatalogObject> objects = admin.tables("Harbor");
    const std::vector<CatalogObject> views = admin.views("Harbor");
    objects.insert(objects.end(), views.begin(), views.end());
    int compared = 0;
    for (const CatalogObject& object : objects) {
        if (object.SystemObject)
            continue;
        EXPECT_EQ(describe(catalog.columnsOf(object.Name)), describe(admin.columns("Harbor", object.Name)))
            << object.Name.toStdString();
        ++compared;
    }
    EXPECT_EQ(compared, 18);
    EXPECT_EQ(catalog.columnsOf("Order Details", "dbo").size(), 5u);
    try {
        catalog.columnsOf("Nowhere");
        FAIL() << "no error";
    } catch (const DbError& error) {
        EXPECT_EQ(error.nativeError(), 208);
        EXPECT_EQ(error.description(), "Invalid object name 'Nowhere' in database 'Harbor'.");
    }

    std::vector<CatalogObject> tables;
    for (const CatalogObject& table : admin.tables("Harbor"))
        if (!table.SystemObject)
            tables.push_back(table);
    std::vector<qint64> expected;
    for (const CatalogObject& table : tables)
        expected.push_back(admin.tableRows("Harbor", table.Name, table.Owner));
    EXPECT_EQ(countTableRows(admin, "Harbor", tables), expected);
    resetSessionForTests();
}
