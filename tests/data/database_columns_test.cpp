// The columns of the whole database, read in a few queries, agree with what the
// server-management object reads table by table.
#include "shell/data/database_columns.h"

#include "support/qt_printers.h"
#include "support/sandbox_process.h"

#include <gtest/gtest.h>

#include <tuple>

namespace norvane {
namespace {

auto facts(const ColumnProperties& p)
{
    return std::tuple(p.Name, p.Datatype, p.UserDefinedType, p.Length, p.NumericPrecision, p.NumericScale, p.AllowNulls,
                      p.Identity, p.InPrimaryKey, p.DRIDefaultName, p.DRIDefaultText, p.IsComputed, p.ComputedText,
                      p.Default, p.ColumnId);
}

TEST(DatabaseColumns, AgreeWithTheTableByTableReadAndAMissingDatabaseOrLoginIsAnError)
{
    test::PrivateOdbcConfig::instance();
    ServerAdmin admin;
    EXPECT_THROW(readTableStructures(admin, "Harbor"), DbError);
    admin.connect(test::sharedSampleSandbox().dataSource(), "sa", QString());
    EXPECT_THROW(readTableStructures(admin, "NoSuchDatabase"), DbError);
    for (const QString database : {"Harbor", "HarborArchive"}) {
        SCOPED_TRACE(database.toStdString());
        int rows = 0;
        const std::vector<TableStructure> structures = readTableStructures(admin, database, [&rows] { ++rows; });
        const std::vector<CatalogObject> tables = admin.tables(database);
        ASSERT_EQ(structures.size(), tables.size());
        const DatabaseColumns catalog(admin, database);
        std::vector<CatalogObject> viewsToo = tables;
        for (const CatalogObject& view : admin.views(database))
            viewsToo.push_back(view);
        int columnCount = 0;
        int computed = 0;
        int keys = 0;
        int defaults = 0;
        for (std::size_t t = 0; t < viewsToo.size(); ++t) {
            const CatalogObject& object = viewsToo[t];
            SCOPED_TRACE(object.Name.toStdString());
            const std::vector<ColumnProperties> expected = admin.columns(database, object.Name, object.Owner);
            const std::vector<ColumnProperties>& fromCatalog = catalog.columnsOf(object.Name, object.Owner);
            ASSERT_EQ(fromCatalog.size(), expected.size());
            if (t < tables.size()) {
                EXPECT_EQ(std::tuple(structures[t].Name, structures[t].Owner, structures[t].SystemObject),
                          std::tuple(object.Name, object.Owner, object.SystemObject));
                ASSERT_EQ(structures[t].Columns.size(), expected.size());
            }
            for (std::size_t c = 0; c < expected.size(); ++c) {
                SCOPED_TRACE(expected[c].Name.toStdString());
                EXPECT_EQ(facts(fromCatalog[c]), facts(expected[c]));
                if (t < tables.size()) {
                    EXPECT_EQ(facts(structures[t].Columns[c]), facts(expected[c]));
                }
                computed += expected[c].IsComputed && !expected[c].ComputedText.isEmpty() ? 1 : 0;
                keys += expected[c].InPrimaryKey ? 1 : 0;
                defaults += expected[c].DRIDefaultText.isEmpty() ? 0 : 1;
            }
            if (t < tables.size())
                columnCount += static_cast<int>(expected.size());
        }
        EXPECT_GE(computed, 2); // Products.InventoryValue and TypeSamples.IntPlusSmall at least
        EXPECT_GE(keys, 10);
        EXPECT_GE(defaults, 1);
        EXPECT_GE(rows, columnCount);
        // An empty owner finds dbo's object; an unknown one is the server's error.
        EXPECT_EQ(catalog.columnsOf("Customers").size(), admin.columns(database, "Customers", "dbo").size());
        try {
            catalog.columnsOf("Nowhere");
            ADD_FAILURE() << "an unknown table was found";
        } catch (const DbError& error) {
            EXPECT_EQ(error.description(), "Invalid object name 'Nowhere' in database '" + database + "'.");
        }
    }
}

} // namespace
} // namespace norvane
