// The structures read in two queries for the whole database agree with what
// the server-management object reads table by table.
#include "shell/data/table_structures.h"

#include "support/sandbox_process.h"

#include <gtest/gtest.h>

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
            EXPECT_EQ(read.Name, expected.Name);
            EXPECT_EQ(read.Datatype, expected.Datatype);
            EXPECT_EQ(read.UserDefinedType, expected.UserDefinedType);
            EXPECT_EQ(read.Length, expected.Length);
            EXPECT_EQ(read.NumericPrecision, expected.NumericPrecision);
            EXPECT_EQ(read.NumericScale, expected.NumericScale);
            EXPECT_EQ(read.AllowNulls, expected.AllowNulls);
            EXPECT_EQ(read.Identity, expected.Identity);
            EXPECT_EQ(read.IsComputed, expected.IsComputed);
            EXPECT_EQ(read.ComputedText, expected.ComputedText);
            EXPECT_EQ(read.Default, expected.Default);
            EXPECT_EQ(read.DRIDefaultName, expected.DRIDefaultName);
            EXPECT_EQ(read.ColumnId, expected.ColumnId);
            computed += read.IsComputed && !read.ComputedText.isEmpty() ? 1 : 0;
        }
        columnCount += static_cast<int>(columns.size());
    }
    EXPECT_GE(computed, 2);  // Products.InventoryValue and TypeSamples.IntPlusSmall at least
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
