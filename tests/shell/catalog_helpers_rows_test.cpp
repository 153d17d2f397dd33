// ShowRows against the sample database through FreeTDS: headings, the 500-row
// question, Top 10, and the text of NULL, image, bit and other values.
#include "shell/catalog_helpers.h"
#include "harbor_session.h"
#include "qt_test_application.h"
#include "recording_prompts.h"
#include "support/qt_printers.h"
#include "support/session_reset.h"

#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace norvane;
using norvane::testing::RecordingPrompts;

namespace {

const QString kQuestion501 = "This contains 501 rows..\r\n"
                             "Do you want to Display them all?\r\n"
                             "[Click No to display only 500 rows]";

QStringList headings(const QTreeWidget& list)
{
    QStringList texts;
    for (int column = 0; column < list.columnCount(); ++column)
        texts << list.headerItem()->text(column);
    return texts;
}

PromptAnswer answer(QMessageBox::StandardButton button)
{
    PromptAnswer chosen;
    chosen.button = button;
    return chosen;
}

// The row whose first column reads the text.
const QTreeWidgetItem* rowStartingWith(const QTreeWidget& list, const QString& first)
{
    for (int row = 0; row < list.topLevelItemCount(); ++row)
        if (list.topLevelItem(row)->text(0) == first)
            return list.topLevelItem(row);
    return nullptr;
}

class ShowRowsTest : public ::testing::Test {
protected:
    void SetUp() override { norvane::testing::connectSessionTo("Harbor"); }
    void TearDown() override { resetSessionForTests(); }

    QTreeWidget list;
};

}  // namespace

TEST_F(ShowRowsTest, ExactlyFiveHundredRowsAreShownWithoutAQuestion)
{
    RecordingPrompts::Installed prompts;
    ShowRows(&list, "[Harbor].[dbo].[Customers]", true);

    EXPECT_TRUE(prompts->requests.empty());
    EXPECT_EQ(list.topLevelItemCount(), 500);
    EXPECT_EQ(headings(list), QStringList({"CustomerID", "CompanyName", "ContactName", "Address", "City", "Region",
                                           "PostalCode", "Country", "Phone", "Fax"}));
}

TEST_F(ShowRowsTest, FiveHundredAndOneRowsAskFirstAndYesShowsThemAll)
{
    RecordingPrompts::Installed prompts;
    prompts->answers.push_back(answer(QMessageBox::Yes));
    ShowRows(&list, "[Harbor].[dbo].[Orders]", true);

    ASSERT_EQ(prompts->requests.size(), 1u);
    const PromptRequest& question = prompts->requests[0];
    EXPECT_EQ(question.kind, PromptRequest::Kind::Question);
    EXPECT_EQ(question.icon, QMessageBox::Question);
    EXPECT_EQ(question.title, applicationTitle());
    EXPECT_EQ(question.text, kQuestion501);
    EXPECT_EQ(question.buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(list.topLevelItemCount(), 501);
}

TEST_F(ShowRowsTest, NoShowsTheFirstFiveHundredRows)
{
    RecordingPrompts::Installed prompts;
    prompts->answers.push_back(answer(QMessageBox::No));
    ShowRows(&list, "[Harbor].[dbo].[Orders]", true);

    ASSERT_EQ(prompts->requests.size(), 1u);
    EXPECT_EQ(prompts->requests[0].text, kQuestion501);
    EXPECT_EQ(list.topLevelItemCount(), 500);

    // The same list view again, in Top 10 mode: ten rows, nothing asked, old rows gone.
    ShowRows(&list, "[Harbor].[dbo].[Orders]", false);
    EXPECT_EQ(prompts->requests.size(), 1u);
    EXPECT_EQ(list.topLevelItemCount(), 10);
}

TEST_F(ShowRowsTest, TopTenOfAThreeRowTableShowsThreeRows)
{
    RecordingPrompts::Installed prompts;
    ShowRows(&list, "[Harbor].[dbo].[Shippers]", false);

    EXPECT_TRUE(prompts->requests.empty());
    EXPECT_EQ(headings(list), QStringList({"ShipperID", "CompanyName", "Phone"}));
    ASSERT_EQ(list.topLevelItemCount(), 3);
    const QTreeWidgetItem* first = rowStartingWith(list, "1");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->text(1), "Speedy Express");
    EXPECT_EQ(first->text(2), "(503) 555-9831");
}

TEST_F(ShowRowsTest, ValuesShowAsTextWithNullBinaryDataAndBits)
{
    RecordingPrompts::Installed prompts;
    ShowRows(&list, "[Harbor].[dbo].[TypeSamples]", true);
    ASSERT_EQ(list.topLevelItemCount(), 3);
    const QStringList names = headings(list);
    ASSERT_EQ(names.size(), 27);
    auto cell = [&](const QTreeWidgetItem* row, const char* column) { return row->text(names.indexOf(column)); };

    const QTreeWidgetItem* values = rowStartingWith(list, "1");
    ASSERT_NE(values, nullptr);
    EXPECT_EQ(cell(values, "BitValue"), "1");
    EXPECT_EQ(cell(values, "TinyValue"), "200");
    EXPECT_EQ(cell(values, "SmallValue"), "-1234");
    EXPECT_EQ(cell(values, "BigValue"), "9000000000");
    EXPECT_EQ(cell(values, "DecimalValue"), "12345.67");
    EXPECT_EQ(cell(values, "VarCharValue"), "O'Brien");
    EXPECT_EQ(cell(values, "ImageValue"), "binary data");
    EXPECT_EQ(cell(values, "BinaryValue"), "0x0102030405060708");
    EXPECT_EQ(cell(values, "VarBinaryValue"), "0xDEADBEEF");
    EXPECT_EQ(cell(values, "GuidValue"), "6F9619FF-8B86-D011-B42D-00C04FC964FF");
    EXPECT_EQ(cell(values, "Phone"), "(206) 555-0100");
    EXPECT_EQ(cell(values, "IntPlusSmall"), "122222");

    const QTreeWidgetItem* nulls = rowStartingWith(list, "2");
    ASSERT_NE(nulls, nullptr);
    for (const char* column : {"BitValue", "IntValue", "DecimalValue", "DateTimeValue", "CharValue", "NVarCharValue",
                               "TextValue", "NTextValue", "ImageValue", "BinaryValue", "GuidValue", "Phone",
                               "IntPlusSmall"})
        EXPECT_EQ(cell(nulls, column), "NULL") << column;

    const QTreeWidgetItem* extremes = rowStartingWith(list, "3");
    ASSERT_NE(extremes, nullptr);
    EXPECT_EQ(cell(extremes, "BitValue"), "False");
    EXPECT_EQ(cell(extremes, "IntValue"), "-2147483648");
    EXPECT_EQ(cell(extremes, "BigValue"), "-9223372036854775808");
    EXPECT_EQ(cell(extremes, "ImageValue"), "binary data");  // empty, not null
    EXPECT_EQ(cell(extremes, "VarCharValue"), "");
}

TEST_F(ShowRowsTest, AnUnknownObjectRaisesTheServersError)
{
    RecordingPrompts::Installed prompts;
    EXPECT_THROW(ShowRows(&list, "[Harbor].[dbo].[NoSuchTable]", true), DbError);
    EXPECT_TRUE(prompts->requests.empty());
}
