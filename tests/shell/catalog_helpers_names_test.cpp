// Owner and qualified names, object text and comments through FreeTDS, including
// names with single quotes and brackets.
#include "shell/catalog_helpers.h"
#include "harbor_session.h"
#include "qt_test_application.h"
#include "recording_prompts.h"
#include "support/qt_printers.h"
#include "support/session_reset.h"

#include <QTextEdit>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace norvane;
using norvane::testing::RecordingPrompts;

namespace {

class HarborNames : public ::testing::Test {
protected:
    void SetUp() override { norvane::testing::connectSessionTo("Harbor"); }
    void TearDown() override { resetSessionForTests(); }
};

// A database of awkward names: a quote, brackets, blanks.
class AwkwardNames : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        norvane::testing::createScratchDatabase("HelpersScratch");
        norvane::testing::runBatches("HelpersScratch",
                            {"CREATE TABLE [O'Brien] (Note varchar(10) NULL CONSTRAINT [CK_O'Brien] CHECK ([Note] <> 'bad'), "
                             "Flag bit NULL)",
                             "INSERT INTO [O'Brien] (Note, Flag) VALUES (NULL, 1)",
                             "INSERT INTO [O'Brien] (Note, Flag) VALUES ('x', NULL)",
                             "CREATE TABLE [[odd]]] (Id int NOT NULL)",
                             "INSERT INTO [[odd]]] (Id) VALUES (7)",
                             "CREATE PROCEDURE [Show O'Brien] AS\r\n    SELECT 1\r\n\tSELECT 2"});
    }
    void SetUp() override { norvane::testing::connectSessionTo("HelpersScratch"); }
    void TearDown() override { resetSessionForTests(); }
};

}  // namespace

TEST_F(HarborNames, QualifiedAndOwnerNamesOfTablesViewsAndRoutines)
{
    EXPECT_EQ(GetQualifiedName("Order Details", false), "[Harbor].[dbo].[Order Details]");
    EXPECT_EQ(GetQualifiedName("CurrentProducts", false), "[Harbor].[dbo].[CurrentProducts]");
    EXPECT_EQ(GetQualifiedName("AddOrder", true), "[Harbor].[dbo].[AddOrder]");
    EXPECT_EQ(GetQualifiedName("fnFullName", true), "[Harbor].[dbo].[fnFullName]");
    EXPECT_EQ(GetOwnerName("Orders", false), "dbo");
    EXPECT_EQ(GetOwnerName("SalesByYear", true), "dbo");
}

TEST_F(HarborNames, UnknownNamesGiveEmptyText)
{
    EXPECT_EQ(GetQualifiedName("NoSuchTable", false), "");
    EXPECT_EQ(GetOwnerName("NoSuchTable", false), "");
    // A table is not a routine, and a procedure is not a table.
    EXPECT_EQ(GetQualifiedName("Orders", true), "");
    EXPECT_EQ(GetOwnerName("AddOrder", false), "");
    EXPECT_EQ(GetCommentsText("NoSuchConstraint"), "");
}

TEST_F(HarborNames, CommentsTextOfACheckConstraint)
{
    EXPECT_EQ(GetCommentsText("CK_Products_UnitPrice"), "([UnitPrice] >= 0)");
    EXPECT_EQ(GetCommentsText("CK_Employees_BirthDate"), "([BirthDate] < [HireDate])");
}

TEST_F(HarborNames, CommentsTextIsTheFirstRowOnlyWhileObjectTextIsWhole)
{
    // The procedure's 4,332 characters are kept in two rows of at most 4,000.
    const QString firstRow = GetCommentsText("MonthlyShipmentReport");
    EXPECT_EQ(firstRow.size(), 4000);
    EXPECT_TRUE(firstRow.startsWith("CREATE PROCEDURE MonthlyShipmentReport"));
    EXPECT_FALSE(firstRow.contains("ORDER BY ShipMonth"));

    const QString whole = GetObjectText("MonthlyShipmentReport");
    EXPECT_TRUE(whole.startsWith("CREATE PROCEDURE MonthlyShipmentReport\r\n\t@Year int = 1997\r\nAS\r\n"));
    EXPECT_TRUE(whole.contains("-- Note 53: this report counts the shipments of each shipper per month.\r\n"));
    EXPECT_TRUE(whole.contains("Straddle marker line.\r\n-- Monthly totals follow in the second stored piece.\r\n"));
    EXPECT_TRUE(whole.trimmed().endsWith("ORDER BY ShipMonth, s.CompanyName"));
}

TEST_F(AwkwardNames, QuotesAndBracketsInNamesWork)
{
    EXPECT_EQ(GetQualifiedName("O'Brien", false), "[HelpersScratch].[dbo].[O'Brien]");
    EXPECT_EQ(GetOwnerName("O'Brien", false), "dbo");
    EXPECT_EQ(GetQualifiedName("[odd]", false), "[HelpersScratch].[dbo].[[odd]]]");
    EXPECT_EQ(GetQualifiedName("Show O'Brien", true), "[HelpersScratch].[dbo].[Show O'Brien]");
    EXPECT_EQ(GetCommentsText("CK_O'Brien"), "([Note] <> 'bad')");
}

TEST_F(AwkwardNames, RowsOfTablesWithAwkwardNamesShowNullInTheFirstColumn)
{
    RecordingPrompts::Installed prompts;
    QTreeWidget list;
    ShowRows(&list, GetQualifiedName("O'Brien", false), true);
    ASSERT_EQ(list.columnCount(), 2);
    EXPECT_EQ(list.headerItem()->text(0), "Note");
    ASSERT_EQ(list.topLevelItemCount(), 2);
    EXPECT_EQ(list.topLevelItem(0)->text(0), "NULL");
    EXPECT_EQ(list.topLevelItem(0)->text(1), "1");
    EXPECT_EQ(list.topLevelItem(1)->text(0), "x");
    EXPECT_EQ(list.topLevelItem(1)->text(1), "NULL");

    ShowRows(&list, GetQualifiedName("[odd]", false), false);
    ASSERT_EQ(list.topLevelItemCount(), 1);
    EXPECT_EQ(list.headerItem()->text(0), "Id");
    EXPECT_EQ(list.topLevelItem(0)->text(0), "7");
}

TEST_F(AwkwardNames, ObjectTextLosesBlanksAtLineEndsButKeepsTabsAndLineBreaks)
{
    const QString expected = "CREATE PROCEDURE [Show O'Brien] AS\r\nSELECT 1\r\n\tSELECT 2";
    EXPECT_EQ(GetObjectText("Show O'Brien"), expected);

    QTextEdit box;
    box.setPlainText("old text");
    GetObjectText(&box, "Show O'Brien");
    EXPECT_EQ(box.toPlainText(), QString(expected).replace("\r\n", "\n"));
}
