// The table list window against the sample database: the list and its total,
// finding by typing, choosing a table with Enter, double-click or a mode
// option, the tool tip and the proportional layout.
#include "tables/frmTables.h"

#include "shell/catalog_helpers.h"
#include "shell/harbor_session.h"
#include "shell/qt_test_application.h"
#include "shell/recording_prompts.h"
#include "support/qt_printers.h"
#include "support/session_reset.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace norvane;
using norvane::testing::RecordingPrompts;

namespace {

const QStringList kHarborTables = {"AuditLog",  "Categories", "Customers",   "Employees", "EmployeeTerritories",
                                   "Order Details", "Orders", "Products", "Region", "Shippers", "Suppliers",
                                   "Territories", "TypeSamples"};

QStringList entries(const QListWidget* list)
{
    QStringList texts;
    for (int row = 0; row < list->count(); ++row)
        texts << list->item(row)->text();
    return texts;
}

QString selectedEntry(const QListWidget* list)
{
    const QList<QListWidgetItem*> selected = list->selectedItems();
    return selected.isEmpty() ? QString() : selected.first()->text();
}

class TableListWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        norvane::testing::connectSessionTo("Harbor");
        setStatusSink([this](const QString& text) { statusTexts << text; });
    }
    void TearDown() override
    {
        setStatusSink(nullptr);
        resetSessionForTests();
    }

    template <typename T>
    static T* control(const QWidget& window, const char* name)
    {
        T* found = window.findChild<T*>(name);
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    QStringList statusTexts;
    RecordingPrompts::Installed prompts;
};

}  // namespace

TEST_F(TableListWindow, LoadingListsTheUserTablesWithTheirTotal)
{
    frmTables window;
    EXPECT_EQ(window.windowTitle(), "Tables");
    EXPECT_EQ(entries(control<QListWidget>(window, "lstTABTables")), kHarborTables);
    EXPECT_EQ(control<QLabel>(window, "lblTABTotalTables")->text(), "Total Tables : 13");
    EXPECT_EQ(statusTexts, QStringList({"Populating Tables... Please wait...", "Ready"}));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(prompts->requests.empty());
    EXPECT_EQ(window.tableName(), "");
    EXPECT_EQ(window.qualifiedName(), "");

    // 12000 by 8100 twips: 800 pixels wide; 7700 twips high without the caption, rounded up to whole pixels.
    EXPECT_EQ(window.width(), 800);
    EXPECT_EQ(window.height(), 514);
}

TEST_F(TableListWindow, ADatabaseWithoutTablesShowsAnEmptyListAndZero)
{
    norvane::testing::createScratchDatabase("EmptyTables");
    norvane::testing::connectSessionTo("EmptyTables");
    frmTables window;
    EXPECT_EQ(control<QListWidget>(window, "lstTABTables")->count(), 0);
    EXPECT_EQ(control<QLabel>(window, "lblTABTotalTables")->text(), "Total Tables : 0");
}

TEST_F(TableListWindow, TypingFindsTheFirstTableBeginningWithTheText)
{
    frmTables window;
    auto* find = control<QLineEdit>(window, "txtTABSearch");
    auto* list = control<QListWidget>(window, "lstTABTables");

    QTest::keyClicks(find, "ord");
    EXPECT_EQ(selectedEntry(list), "Order Details");
    QTest::keyClicks(find, "ers");
    EXPECT_EQ(selectedEntry(list), "Orders");
    find->clear();
    QTest::keyClicks(find, "x");
    EXPECT_EQ(selectedEntry(list), "");
    EXPECT_EQ(window.tableName(), "");  // typing alone chooses nothing
}

TEST_F(TableListWindow, TypingDoesNothingWhileNotConnected)
{
    frmTables window;
    session().Connected = false;
    QTest::keyClicks(control<QLineEdit>(window, "txtTABSearch"), "ord");
    EXPECT_EQ(selectedEntry(control<QListWidget>(window, "lstTABTables")), "");
}

TEST_F(TableListWindow, EnterInTheFindBoxShowsTheSelectedTable)
{
    frmTables window;
    auto* find = control<QLineEdit>(window, "txtTABSearch");
    QTest::keyClicks(find, "order d");
    statusTexts.clear();
    QTest::keyClick(find, Qt::Key_Return);

    EXPECT_EQ(window.tableName(), "Order Details");
    EXPECT_EQ(window.qualifiedName(), "[Harbor].[dbo].[Order Details]");
    EXPECT_EQ(window.ownerName(), "dbo");
    EXPECT_EQ(control<QLabel>(window, "lblTABTableName")->text(), "Table Name : [Harbor].[dbo].[Order Details]");
    EXPECT_EQ(find->text(), "Order Details");  // the find box now holds the entry's whole text
    EXPECT_EQ(statusTexts.first(), "Populating Table rows... Please wait...");
    EXPECT_EQ(statusTexts.last(), "Ready");
    // Its 2,505 rows are shown only after the question (answered No: the first 500).
    ASSERT_EQ(prompts->requests.size(), 1u);
    EXPECT_EQ(prompts->requests[0].kind, PromptRequest::Kind::Question);
}

TEST_F(TableListWindow, EnterWithTextThatMatchesNoTableDoesNothing)
{
    frmTables window;
    auto* find = control<QLineEdit>(window, "txtTABSearch");
    QTest::keyClicks(find, "shi");
    QTest::keyClick(find, Qt::Key_Return);
    ASSERT_EQ(window.tableName(), "Shippers");

    find->clear();
    QTest::keyClicks(find, "zz");
    statusTexts.clear();
    QTest::keyClick(find, Qt::Key_Enter);
    EXPECT_EQ(window.tableName(), "Shippers");  // nothing selected: the table shown stays
    EXPECT_TRUE(statusTexts.isEmpty());
    EXPECT_EQ(control<QLabel>(window, "lblTABTableName")->text(), "Table Name : [Harbor].[dbo].[Shippers]");
}

TEST_F(TableListWindow, EnterDoubleClickAndModeOptionsInTheListShowTheTable)
{
    frmTables window;
    auto* list = control<QListWidget>(window, "lstTABTables");
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    list->setCurrentRow(kHarborTables.indexOf("Region"));
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(window.qualifiedName(), "[Harbor].[dbo].[Region]");

    list->setCurrentRow(kHarborTables.indexOf("Customers"));
    const QRect place = list->visualItemRect(list->currentItem());
    // A double-click arrives as a press and release, then the double-click itself.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, place.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, place.center());
    EXPECT_EQ(window.qualifiedName(), "[Harbor].[dbo].[Customers]");

    list->setCurrentRow(kHarborTables.indexOf("Suppliers"));
    control<QRadioButton>(window, "optTABMode1")->click();
    EXPECT_EQ(window.qualifiedName(), "[Harbor].[dbo].[Suppliers]");
    EXPECT_TRUE(control<QRadioButton>(window, "optTABMode1")->isChecked());
}

TEST_F(TableListWindow, AClickPutsTheEntryIntoTheListsToolTip)
{
    frmTables window;
    auto* list = control<QListWidget>(window, "lstTABTables");
    EXPECT_EQ(list->toolTip(), "List of present Tables");
    window.show();
    list->scrollToItem(list->item(kHarborTables.indexOf("EmployeeTerritories")));
    const QRect place = list->visualItemRect(list->item(kHarborTables.indexOf("EmployeeTerritories")));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, place.center());
    EXPECT_EQ(list->toolTip(), "EmployeeTerritories");
}

TEST_F(TableListWindow, ControlsKeepTheirProportionsWhenTheWindowIsResized)
{
    frmTables window;
    auto* list = control<QListWidget>(window, "lstTABTables");
    window.show();
    const QRect designed = list->geometry();

    // The client area was 800 by 514 pixels (8110 twips with the caption allowance): twice as wide,
    // and (15820 - 400) / (8110 - 400) = 2 times as high.
    clsResize::setWindowSize(&window, {24000, 15820});
    ASSERT_EQ(window.size(), QSize(1600, 1028));
    EXPECT_EQ(list->geometry(), QRect(designed.x() * 2, designed.y() * 2, designed.width() * 2, designed.height() * 2));

    clsResize::setWindowSize(&window, {12000, 8100});
    EXPECT_EQ(list->geometry(), designed);
}

TEST_F(TableListWindow, ClickingARowsHeadingSortsByItWithTheArrowOfTheDirection)
{
    QPixmap upPicture(8, 8), downPicture(8, 8);
    upPicture.fill(Qt::green);
    downPicture.fill(Qt::red);
    const QIcon up(upPicture), down(downPicture);
    setImageProvider([&](const QString& key) { return key == "UpArrow" ? up : key == "DownArrow" ? down : QIcon(); });
    struct ProviderRemoval {
        ~ProviderRemoval() { setImageProvider(nullptr); }
    } removeProviderAtEnd;  // the provider refers to this test's pictures

    frmTables window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    auto* rows = control<QTreeWidget>(window, "lsvTABRows");
    rows->setHeaderLabels({"Name", "City"});
    rows->addTopLevelItems({new QTreeWidgetItem(QStringList{"b", "Oslo"}), new QTreeWidgetItem(QStringList{"a", "Bergen"}),
                            new QTreeWidgetItem(QStringList{"c", "Alta"})});
    auto firstColumn = [rows] {
        QStringList texts;
        for (int row = 0; row < rows->topLevelItemCount(); ++row)
            texts << rows->topLevelItem(row)->text(0);
        return texts;
    };
    QHeaderView* header = rows->header();
    auto clickHeading = [header](int column) {
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                                 header->height() / 2));
    };

    clickHeading(0);
    EXPECT_EQ(firstColumn(), QStringList({"a", "b", "c"}));
    EXPECT_EQ(rows->headerItem()->icon(0).cacheKey(), up.cacheKey());
    clickHeading(0);
    EXPECT_EQ(firstColumn(), QStringList({"c", "b", "a"}));
    EXPECT_EQ(rows->headerItem()->icon(0).cacheKey(), down.cacheKey());
    clickHeading(1);  // another heading keeps the direction: cities descending
    EXPECT_EQ(firstColumn(), QStringList({"b", "a", "c"}));
    EXPECT_TRUE(rows->headerItem()->icon(0).isNull());
    EXPECT_EQ(rows->headerItem()->icon(1).cacheKey(), down.cacheKey());
}
