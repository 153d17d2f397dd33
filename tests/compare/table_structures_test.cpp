// The structures read in two queries for the whole database agree with what
// the server-management object reads table by table.
#include "shell/data/table_structures.h"

#include "support/qt_printers.h"
#include "support/sandbox_process.h"

#include <gtest/gtest.h>

#include <tuple>

namespace norvane {
namespace {

class TableStructuresTest : public ::testing::TestWithParam<const char*> {};

TEST_P(TableStructuresTest, AgreeWithTheTableByTableRead)
{
    test::PrivateOdbcConfig::instance();
    ServerAdmin admin;
    admin.connect(test::sharedSampleSandbox().dataSource(), QStringLiteral("sa"), QString());
    const QString database = QString::fromLatin1(GetParam());

    int rows = 0;
    const std::vector<TableStructure> structures = readTableStructures(admin, database, [&rows] { ++rows; });
    const std::vector<CatalogObject> tables = admin.tables(database);
    ASSERT_EQ(structures.size(), tables.size());
    int columnCount = 0;
    int computed = 0;
    for (std::size_t t = 0; t < tables.size(); ++t) {
        const TableStructure& structure = structures[t];
        SCOPED_TRACE(structure.Name.toStdString());
        EXPECT_EQ(structure.Name, tables[t].Name);
        EXPECT_EQ(structure.Owner, tables[t].Owner);
        EXPECT_EQ(structure.SystemObject, tables[t].SystemObject);
        const std::vector<ColumnProperties> columns = admin.columns(database, tables[t].Name, tables[t].Owner);
        ASSERT_EQ(structure.Columns.size(), columns.size());
        for (std::size_t c = 0; c < columns.size(); ++c) {
            const ColumnProperties& read = structure.Columns[c];
            const ColumnProperties& expected = columns[c];
            SCOPED_TRACE(expected.Name.toStdString());
            const auto facts = [](const ColumnProperties& p) {
                return std::tuple(p.Name, p.Datatype, p.UserDefinedType, p.Length, p.NumericPrecision, p.NumericScale,
                                  p.AllowNulls, p.Identity, p.IsComputed, p.ComputedText, p.Default, p.DRIDefaultName,
                                  p.ColumnId);
            };
            EXPECT_EQ(facts(read), facts(expected));
            computed += read.IsComputed && !read.ComputedText.isEmpty() ? 1 : 0;
        }
        columnCount += static_cast<int>(columns.size());
    }
    EXPECT_GE(computed, 2); // Products.InventoryValue and TypeSamples.IntPlusSmall at least
    EXPECT_GE(rows, columnCount);
}

INSTANTIATE_TEST_SUITE_P(SampleDatabases, TableStructuresTest, ::testing::Values("Harbor", "HarborArchive"));

TEST(TableStructuresFailureTest, AMissingDatabaseOrLoginIsAnError)
{
    test::PrivateOdbcConfig::instance();
    ServerAdmin admin;
    EXPECT_THROW(readTableStructures(admin, QStringLiteral("Harbor")), DbError);
    admin.connect(test::sharedSampleSandbox().dataSource(), QStringLiteral("sa"), QString());
    EXPECT_THROW(readTableStructures(admin, QStringLiteral("NoSuchDatabase")), DbError);
}

}  // namespace
}  // namespace norvane
