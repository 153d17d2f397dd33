// The catalog helpers through FreeTDS: owner and qualified names, object text and comments,
// ShowRows with the 500-row question and the text of each kind of value, names with quotes,
// brackets and blanks, and the status line with its busy pointer.
#include "harbor_session.h"
#include "qt_test_application.h"
#include "recording_prompts.h"
#include "shell/catalog_helpers.h"
#include "support/qt_printers.h"
#include "support/session_reset.h"
#include "tables/frmTables.h"

#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QTest>
#include <QTextEdit>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace norvane;
using norvane::testing::RecordingPrompts;

namespace {

QStringList headings(const QTreeWidget& list)
{
    QStringList texts;
    for (int column = 0; column < list.columnCount(); ++column)
        texts << list.headerItem()->text(column);
    return texts;
}

// The named columns of every row, "|" between cells, rows in the order shown.
QStringList rowTexts(const QTreeWidget& list, const QStringList& columns = {})
{
    const QStringList names = headings(list);
    QStringList rows;
    for (int row = 0; row < list.topLevelItemCount(); ++row) {
        QStringList cells;
        for (const QString& column : columns.isEmpty() ? names : columns)
            cells << list.topLevelItem(row)->text(names.indexOf(column));
        rows << cells.join("|");
    }
    return rows;
}

class CatalogHelpers : public ::testing::Test {
protected:
    // A database of awkward names: a quote, brackets, blanks.
    static void SetUpTestSuite()
    {
        norvane::testing::createScratchDatabase("HelpersScratch");
        norvane::testing::runBatches(
            "HelpersScratch",
            {"CREATE TABLE [O'Brien] (Note varchar(10) NULL CONSTRAINT [CK_O'Brien] CHECK ([Note] <> 'bad'), "
             "Flag bit NULL)",
             "INSERT INTO [O'Brien] (Note, Flag) VALUES (NULL, 1)",
             "INSERT INTO [O'Brien] (Note, Flag) VALUES ('x', NULL)", "CREATE TABLE [[odd]]] (Id int NOT NULL)",
             "INSERT INTO [[odd]]] (Id) VALUES (7)", "CREATE TABLE [ Padded Name ] (Id int NOT NULL)",
             "INSERT INTO [ Padded Name ] (Id) VALUES (42)",
             "CREATE PROCEDURE [Show O'Brien] AS\r\n    SELECT 1\r\n\tSELECT 2"});
    }
    void SetUp() override { norvane::testing::connectSessionTo("Harbor"); }
    void TearDown() override { resetSessionForTests(); }

    RecordingPrompts::Installed prompts;
    QTreeWidget list;
};

} // namespace

TEST_F(CatalogHelpers, AwkwardNamesQualifyShowTheirRowsAndChooseTheirTable)
{
    // Qualified and owner name as a table or view, then as a routine; comments text of a constraint.
    auto names = [](const QString& name) {
        return QStringList({GetQualifiedName(name, false), GetOwnerName(name, false), GetQualifiedName(name, true),
                            GetOwnerName(name, true)})
            .join("|");
    };
    const struct {
        const char *database, *name, *expected;
        bool constraint;
    } cases[] = {
        {"Harbor", "Order Details", "[Harbor].[dbo].[Order Details]|dbo||", false},
        {"Harbor", "CurrentProducts", "[Harbor].[dbo].[CurrentProducts]|dbo||", false},
        {"Harbor", "AddOrder", "||[Harbor].[dbo].[AddOrder]|dbo", false},
        {"Harbor", "NoSuchTable", "|||", false},
        {"Harbor", "CK_Products_UnitPrice", "([UnitPrice] >= 0)", true},
        {"Harbor", "NoSuchConstraint", "", true},
        {"HelpersScratch", "O'Brien", "[HelpersScratch].[dbo].[O'Brien]|dbo||", false},
        {"HelpersScratch", "[odd]", "[HelpersScratch].[dbo].[[odd]]]|dbo||", false},
        {"HelpersScratch", "Show O'Brien", "||[HelpersScratch].[dbo].[Show O'Brien]|dbo", false},
        {"HelpersScratch", "CK_O'Brien", "([Note] <> 'bad')", true},
    };
    for (const auto& c : cases) {
        norvane::testing::connectSessionTo(c.database);
        EXPECT_EQ(c.constraint ? GetCommentsText(c.name) : names(c.name), c.expected) << c.name;
    }
    // Blanks at line ends go; tabs and line breaks stay.
    EXPECT_EQ(GetObjectText("Show O'Brien"), "CREATE PROCEDURE [Show O'Brien] AS\r\nSELECT 1\r\n\tSELECT 2");
    QTextEdit box;
    box.setPlainText("old text");
    GetObjectText(&box, "Show O'Brien");
    EXPECT_EQ(box.toPlainText(), "CREATE PROCEDURE [Show O'Brien] AS\nSELECT 1\n\tSELECT 2");

    // Rows of tables with awkward names.
    ShowRows(&list, GetQualifiedName("O'Brien", false), true);
    EXPECT_EQ(headings(list).join(","), "Note,Flag");
    EXPECT_EQ(rowTexts(list), QStringList({"NULL|1", "x|NULL"}));
    ShowRows(&list, GetQualifiedName("[odd]", false), false);
    EXPECT_EQ(rowTexts(list), QStringList({"7"}));

    // The tables window uses a name with blanks at its ends as the catalog holds it.
    frmTables window;
    auto* tableList = window.findChild<QListWidget*>("lstTABTables");
    auto* label = window.findChild<QLabel*>("lblTABTableName");
    auto* rows = window.findChild<QTreeWidget*>("lsvTABRows");
    ASSERT_TRUE(tableList && label && rows);
    const QList<QListWidgetItem*> padded = tableList->findItems(" Padded Name ", Qt::MatchExactly);
    ASSERT_EQ(padded.size(), 1);
    tableList->setCurrentItem(padded.first());
    QTest::keyClick(tableList, Qt::Key_Return);
    for (int enter = 0; enter < 2; ++enter) {
        EXPECT_EQ(window.tableName(), " Padded Name ");
        EXPECT_EQ(label->text(), "Table Name : [HelpersScratch].[dbo].[ Padded Name ]");
        EXPECT_EQ(rowTexts(*rows), QStringList({"42"}));
        // Enter with nothing selected leaves the table shown as it was.
        tableList->clearSelection();
        tableList->setCurrentItem(nullptr);
        QTest::keyClick(tableList, Qt::Key_Return);
    }
    EXPECT_TRUE(prompts->requests.empty()) << prompts->requests[0].text.toStdString();
}

TEST_F(CatalogHelpers, CommentsTextIsTheFirstRowOnlyWhileObjectTextIsWhole)
{
    // The procedure's 4,332 characters are kept in two rows of at most 4,000.
    const QString firstRow = GetCommentsText("MonthlyShipmentReport");
    EXPECT_EQ(firstRow.size(), 4000);
    const QString whole = GetObjectText("MonthlyShipmentReport");
    EXPECT_TRUE(whole.startsWith(firstRow)) << whole.left(80).toStdString();
    EXPECT_TRUE(whole.contains("Straddle marker line.\r\n-- Monthly totals follow in the second stored piece.\r\n"));
    EXPECT_TRUE(whole.trimmed().endsWith("ORDER BY ShipMonth, s.CompanyName"));
}

TEST_F(CatalogHelpers, ShowRowsCountsFirstAndAsksAboutMoreThanFiveHundredRows)
{
    ShowRows(&list, "[Harbor].[dbo].[Customers]", true); // exactly 500: no question
    EXPECT_TRUE(prompts->requests.empty());
    EXPECT_EQ(list.topLevelItemCount(), 500);
    EXPECT_EQ(headings(list).join(","),
              "CustomerID,CompanyName,ContactName,Address,City,Region,PostalCode,Country,Phone,Fax");

    prompts->answers.push_back({QMessageBox::Yes, {}, 1});
    ShowRows(&list, "[Harbor].[dbo].[Orders]", true);
    ASSERT_EQ(prompts->requests.size(), 1u);
    const PromptRequest& asked = prompts->requests[0];
    EXPECT_EQ(asked.kind, PromptRequest::Kind::Question);
    EXPECT_EQ(asked.text, "This contains 501 rows..\r\nDo you want to Display them all?\r\n"
                          "[Click No to display only 500 rows]");
    EXPECT_EQ(asked.buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(list.topLevelItemCount(), 501);

    prompts->answers.push_back({QMessageBox::No, {}, 1});
    ShowRows(&list, "[Harbor].[dbo].[Orders]", true);
    EXPECT_EQ(prompts->requests.size(), 2u);
    EXPECT_EQ(list.topLevelItemCount(), 500);
    // Top 10 on the same list: ten rows, nothing asked, old rows gone; fewer when there are fewer.
    ShowRows(&list, "[Harbor].[dbo].[Orders]", false);
    EXPECT_EQ(list.topLevelItemCount(), 10);
    ShowRows(&list, "[Harbor].[dbo].[Shippers]", false);
    EXPECT_EQ(rowTexts(list).filter("Speedy Express"), QStringList({"1|Speedy Express|(503) 555-9831"}));
    EXPECT_EQ(list.topLevelItemCount(), 3);
    EXPECT_EQ(prompts->requests.size(), 2u);
    EXPECT_THROW(ShowRows(&list, "[Harbor].[dbo].[NoSuchTable]", true), DbError); // the server's error
    EXPECT_EQ(prompts->requests.size(), 2u);

    // Values show as text, with NULL, binary data and bits.
    ShowRows(&list, "[Harbor].[dbo].[TypeSamples]", true);
    ASSERT_EQ(list.columnCount(), 27);
    QStringList rows = rowTexts(list, {headings(list)[0], "BitValue", "TinyValue", "SmallValue", "IntValue", "BigValue",
                                       "DecimalValue", "VarCharValue", "ImageValue", "BinaryValue", "VarBinaryValue",
                                       "GuidValue", "Phone", "IntPlusSmall", "DateTimeValue", "NTextValue"});
    rows.sort();
    // An empty image is "binary data" too: only NULL reads NULL.
    EXPECT_EQ(rows, QStringList({"1|1|200|-1234|123456|9000000000|12345.67|O'Brien|binary data|0x0102030405060708|"
                                 "0xDEADBEEF|6F9619FF-8B86-D011-B42D-00C04FC964FF|(206) 555-0100|122222|"
                                 "1999-12-31 23:59:59.997|Unicode text of the first sample",
                                 "2|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL",
                                 "3|False|0|32767|-2147483648|-9223372036854775808|-0.01||binary data|"
                                 "0x0000000000000000|0x00|00000000-0000-0000-0000-000000000000||-2147450881|"
                                 "1753-01-01 00:00:00.000|"}));
}

// The status text reaching the main window's panel is checked by the main window's tests.
TEST(CatalogHelpersStatus, SetStatusSwitchesTheBusyPointerOnlyOnce)
{
    auto pointer = [] { return QApplication::overrideCursor() ? int(QApplication::overrideCursor()->shape()) : -1; };
    SetStatus("Populating Tables... Please wait...", true);
    EXPECT_EQ(pointer(), Qt::WaitCursor);
    SetStatus("Populating Table rows... Please wait...", true); // a second busy text keeps one busy pointer
    SetStatus("Ready", false);
    EXPECT_EQ(pointer(), -1);
    // Another guard's busy pointer outlives SetStatus's own.
    QApplication::setOverrideCursor(Qt::BusyCursor);
    SetStatus("Loading... Please wait...", true);
    SetStatus("Ready", false);
    SetStatus("Ready", false);
    EXPECT_EQ(pointer(), Qt::BusyCursor);
    QApplication::restoreOverrideCursor();
}

TEST(CatalogHelpersStatus, HeadingClicksSortWithoutRegardToCaseAndShowTheArrowOfTheDirection)
{
    QPixmap pixmap(8, 8);
    pixmap.fill(Qt::green);
    const QIcon up(pixmap);
    pixmap.fill(Qt::red);
    const QIcon down(pixmap);
    setImageProvider([&](const QString& key) { return key == "UpArrow" ? up : key == "DownArrow" ? down : QIcon(); });
    QTreeWidget list;
    list.setHeaderLabels({"Name", "City"});
    list.addTopLevelItems({new QTreeWidgetItem(QStringList{"beta", "Oslo"}),
                           new QTreeWidgetItem(QStringList{"Alpha", "Zurich"}),
                           new QTreeWidgetItem(QStringList{"gamma", "athens"})});
    auto arrows = [&] {
        const qint64 first = list.headerItem()->icon(0).cacheKey(), second = list.headerItem()->icon(1).cacheKey();
        return QString(first == up.cacheKey()     ? "up "
                       : first == down.cacheKey() ? "down "
                                                  : "- ") +
               (second == up.cacheKey()     ? "up "
                : second == down.cacheKey() ? "down "
                                            : "- ");
    };
    // Another heading keeps the direction; the same heading again flips it.
    const struct {
        int column;
        const char *rows, *arrows;
    } clicks[] = {{0, "Alpha|Zurich,beta|Oslo,gamma|athens", "up - "},
                  {0, "gamma|athens,beta|Oslo,Alpha|Zurich", "down - "},
                  {1, "Alpha|Zurich,beta|Oslo,gamma|athens", "- down "},
                  {1, "gamma|athens,beta|Oslo,Alpha|Zurich", "- up "}};
    for (const auto& click : clicks) {
        SortListViewByHeading(&list, click.column);
        EXPECT_EQ(rowTexts(list).join(",") + " " + arrows(), QString(click.rows) + " " + click.arrows);
    }
    setImageProvider(nullptr); // without the main window's pictures the style's arrows stand in
    EXPECT_FALSE(imageListIcon("UpArrow").isNull() || imageListIcon("DownArrow").isNull());
}
