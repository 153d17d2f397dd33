// The single statements of the generator, for tables of one and of many
// columns, with names that hold blanks and mixed case.
#include "tables/statement_builder.h"

#include "column_fixtures.h"
#include "support/qt_printers.h"

#include <gtest/gtest.h>

using namespace norvane;
using norvane::testing::grid;

namespace {

struct StatementCase {
    const char* table;
    std::vector<ColumnInfo> columns;
    const char* select;
    const char* insert;
    const char* update;
    const char* remove;
};

const std::vector<StatementCase>& statementCases()
{
    static const std::vector<StatementCase> cases = {
        {"Region", grid({{"RegionID", "int", 4, 10, 0, true}}),
         "SELECT RegionID FROM Region",
         "INSERT INTO Region ( RegionID) VALUES ( @RegionID )",
         "UPDATE Region SET RegionID = @RegionID",
         "DELETE FROM Region WHERE ..."},
        {"T", grid({{"id", "int", 4, 10}, {"name", "varchar", 50}, {"price", "decimal", 9, 10, 2}}),
         "SELECT id,name,price FROM T",
         "INSERT INTO T ( id, name, price) VALUES ( @id, @name, @price )",
         "UPDATE T SET id = @id, name = @name, price = @price",
         "DELETE FROM T WHERE ..."},
        // Names are written as the grid shows them: no brackets, even around blanks or reserved words.
        {"Order Details", grid({{"OrderID", "int"}, {"Product Name", "nvarchar", 80}, {"Order", "int"}}),
         "SELECT OrderID,Product Name,Order FROM Order Details",
         "INSERT INTO Order Details ( OrderID, Product Name, Order) VALUES ( @OrderID, @Product Name, @Order )",
         "UPDATE Order Details SET OrderID = @OrderID, Product Name = @Product Name, Order = @Order",
         "DELETE FROM Order Details WHERE ..."},
        {"MixedCase", grid({{"KeyCode", "nvarchar", 20}, {"Amount", "money", 8}}),
         "SELECT KeyCode,Amount FROM MixedCase",
         "INSERT INTO MixedCase ( KeyCode, Amount) VALUES ( @KeyCode, @Amount )",
         "UPDATE MixedCase SET KeyCode = @KeyCode, Amount = @Amount",
         "DELETE FROM MixedCase WHERE ..."},
    };
    return cases;
}

}  // namespace

TEST(StatementBuilder, EveryKindForOneAndForManyColumns)
{
    for (const StatementCase& example : statementCases()) {
        SCOPED_TRACE(example.table);
        const QString table = QString::fromUtf8(example.table);
        EXPECT_EQ(BuildSelect(table, example.columns), QString::fromUtf8(example.select));
        EXPECT_EQ(BuildInsert(table, example.columns), QString::fromUtf8(example.insert));
        EXPECT_EQ(BuildUpdate(table, example.columns), QString::fromUtf8(example.update));
        EXPECT_EQ(BuildDelete(table), QString::fromUtf8(example.remove));
    }
}
