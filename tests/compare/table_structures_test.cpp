// The structures read in two queries for the whole database agree with what
// the server-management object reads table by table.
#include "shell/data/table_structures.h"

#include "support/qt_printers.h"
#include "support/sandbox_process.h"

#include <gtest/gtest.h>

#include <tuple>

namespace norvane {
namespace {

TEST(TableStructures, AgreeWithTheTableByTableReadAndAMissingDatabaseOrLoginIsAnError)
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
        int columnCount = 0;
        int computed = 0;
        for (std::size_t t = 0; t < tables.size(); ++t) {
            const TableStructure& structure = structures[t];
            SCOPED_TRACE(structure.Name.toStdString());
            EXPECT_EQ(std::tuple(structure.Name, structure.Owner, structure.SystemObject),
                      std::tuple(tables[t].Name, tables[t].Owner, tables[t].SystemObject));
            const std::vector<ColumnProperties> columns = admin.columns(database, tables[t].Name, tables[t].Owner);
            ASSERT_EQ(structure.Columns.size(), columns.size());
            for (std::size_t c = 0; c < columns.size(); ++c) {
                const ColumnProperties& read = structure.Columns[c];
                const ColumnProperties& expected = columns[c];
                SCOPED_TRACE(expected.Name.toStdString());
                const auto facts = [](const ColumnProperties& p) {
                    return std::tuple(p.Name, p.Datatype, p.UserDefinedType, p.Length, p.NumericPrecision,
                                      p.NumericScale, p.AllowNulls, p.Identity, p.IsComputed, p.ComputedText, p.Default,
                                      p.DRIDefaultName, p.ColumnId);
                };
                EXPECT_EQ(facts(read), facts(expected));
                computed += read.IsComputed && !read.ComputedText.isEmpty() ? 1 : 0;
            }
            columnCount += static_cast<int>(columns.size());
        }
        EXPECT_GE(computed, 2); // Products.InventoryValue and TypeSamples.IntPlusSmall at least
        EXPECT_GE(rows, columnCount);
    }
}

} // namespace
} // namespace norvane
