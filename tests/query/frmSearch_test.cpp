// The search window against the sandbox: text mode (the list and its total,
// objects listed once, triggers left out, quotes and LIKE wildcards in the
// word, showing a view or a routine, the failure for a default), the find-next
// walk with its message, and column mode with procedure parameters.
#include "query/frmSearch.h"

#include "shell/catalog_helpers.h"
#include "shell/harbor_session.h"
#include "shell/qt_test_application.h"
#include "shell/recording_prompts.h"
#include "support/qt_printers.h"
#include "support/session_reset.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTextEdit>

#include <gtest/gtest.h>

using namespace norvane;
using norvane::testing::RecordingPrompts;

namespace {

const QString kScratch = QStringLiteral("SearchScratch");
const QString kViewText = QStringLiteral("CREATE VIEW HarpoonView AS SELECT GearId, HarpoonSize FROM Gear");

// A procedure whose source is stored in two pieces, with "harpoon" in both.
QString longProcedure()
{
    QString text = QStringLiteral("CREATE PROCEDURE LongHarpoonReport AS\n-- harpoon report\n");
    for (int line = 0; line < 80; ++line)
        text += QStringLiteral("-- filler line %1 of the report, long enough to need a second piece\n").arg(line, 2, 10, QLatin1Char('0'));
    return text + QStringLiteral("SELECT 'harpoon' AS Last");
}

// A procedure with "whalebone" cut by the boundary between its two stored pieces.
QString splitProcedure()
{
    const QString head = QStringLiteral("CREATE PROCEDURE SplitWord AS\n-- ");
    return head + QString(3996 - head.size(), QLatin1Char('x')) + QStringLiteral("whalebone\nSELECT 1 AS One");
}

class SearchWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        norvane::testing::createScratchDatabase(kScratch);
        norvane::testing::runBatches(
            kScratch,
            {QStringLiteral("CREATE TABLE Gear (GearId int NOT NULL, HarpoonSize int NULL)"), kViewText, longProcedure(),
             splitProcedure(),
             QStringLiteral("CREATE PROCEDURE ShipOwner @HarpoonCount int AS\n-- owned by O'Brien\nSELECT @HarpoonCount AS Harpoons"),
             QStringLiteral("CREATE TRIGGER trGear ON Gear FOR INSERT AS SELECT 'harpoon' AS Fired"),
             QStringLiteral("CREATE DEFAULT dfHarpoon AS 0")});
    }

    void SetUp() override
    {
        norvane::testing::connectSessionTo(kScratch);
        setStatusSink([this](const QString& text) { statusTexts << text; });
        window = std::make_unique<frmSearch>();
        word = window->findChild<QLineEdit*>("txtSPSTextSearch");
        columnsMode = window->findChild<QCheckBox*>("chkColumns");
        search = window->findChild<QPushButton*>("cmdSPSTextSearch");
        find = window->findChild<QLineEdit*>("txtSPSSearch");
        list = window->findChild<QListWidget*>("lstSPS");
        total = window->findChild<QLabel*>("lblSPSTotalSPs");
        objectName = window->findChild<QLabel*>("lblSPSSPName");
        source = window->findChild<QTextEdit*>("rtbSPSText");
        findNext = window->findChild<QPushButton*>("cmdFind");
        grid = window->findChild<QTableWidget*>("flxTABColumns");
        ASSERT_TRUE(word && columnsMode && search && find && list && total && objectName && source && findNext && grid);
    }
    void TearDown() override
    {
        window.reset();
        setStatusSink(nullptr);
        resetSessionForTests();
    }

    void searchFor(const QString& text)
    {
        word->setText(text);
        QTest::mouseClick(search, Qt::LeftButton);
    }
    QStringList entries() const
    {
        QStringList texts;
        for (int row = 0; row < list->count(); ++row)
            texts << list->item(row)->text();
        return texts;
    }
    // Chooses the entry and presses Enter in the list.
    void showEntry(const QString& entry)
    {
        const QList<QListWidgetItem*> found = list->findItems(entry, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << entry.toStdString();
        list->setCurrentItem(found.first());
        QTest::keyClick(list, Qt::Key_Return);
    }
    QStringList gridRow(int row) const
    {
        QStringList texts;
        for (int column = 0; column < grid->columnCount(); ++column)
            texts << (grid->item(row, column) ? grid->item(row, column)->text() : QString());
        return texts;
    }
    QStringList gridHeadings() const
    {
        QStringList texts;
        for (int column = 0; column < grid->columnCount(); ++column)
            texts << grid->horizontalHeaderItem(column)->text();
        return texts;
    }

    QStringList statusTexts;
    RecordingPrompts::Installed prompts;
    std::unique_ptr<frmSearch> window;
    QLineEdit* word = nullptr;
    QCheckBox* columnsMode = nullptr;
    QPushButton* search = nullptr;
    QLineEdit* find = nullptr;
    QListWidget* list = nullptr;
    QLabel* total = nullptr;
    QLabel* objectName = nullptr;
    QTextEdit* source = nullptr;
    QPushButton* findNext = nullptr;
    QTableWidget* grid = nullptr;
};

}  // namespace

TEST_F(SearchWindow, TextSearchListsEachObjectOnceWithoutTriggers)
{
    EXPECT_EQ(window->windowTitle(), "Search");
    EXPECT_EQ(total->text(), "&Total Objects");
    EXPECT_TRUE(statusTexts.isEmpty());

    // Enter in the word box searches like the button.
    word->setText("harpoon");
    QTest::keyClick(word, Qt::Key_Return);
    EXPECT_EQ(entries(), QStringList({"dfHarpoon ( D )", "HarpoonView ( V )", "LongHarpoonReport ( P )",
                                      "ShipOwner ( P )"}));
    EXPECT_EQ(total->text(), "&Total Objects : 4");
    EXPECT_EQ(objectName->text(), "");
    EXPECT_EQ(source->toPlainText(), "");
    EXPECT_FALSE(source->isHidden());
    EXPECT_TRUE(grid->isHidden());
    EXPECT_EQ(statusTexts, QStringList({"Searching... Please wait...", "Ready"}));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // The find box finds in the list as the user types; a click shows the entry as the list's tool tip.
    QTest::keyClicks(find, "long");
    ASSERT_EQ(list->selectedItems().size(), 1);
    EXPECT_EQ(list->selectedItems().first()->text(), "LongHarpoonReport ( P )");
    QTest::keyClicks(find, "x");
    EXPECT_TRUE(list->selectedItems().isEmpty());
    QListWidgetItem* view = list->item(1);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(view).center());
    EXPECT_EQ(list->toolTip(), "HarpoonView ( V )");
    EXPECT_EQ(objectName->text(), "");  // a click alone shows nothing

        // A word cut by the boundary of two stored pieces is not found; nor is a word found nowhere.
    searchFor("whalebone");
    EXPECT_EQ(entries(), QStringList());
    EXPECT_EQ(total->text(), "&Total Objects : 0");
    searchFor("narwhal");
    EXPECT_EQ(total->text(), "&Total Objects : 0");
    EXPECT_TRUE(prompts->requests.empty());
}

TEST_F(SearchWindow, AQuoteInTheWordIsSearchedForAndWildcardsKeepTheirEffect)
{
    searchFor("O'Brien");
    EXPECT_EQ(entries(), QStringList({"ShipOwner ( P )"}));
    searchFor("'; DROP TABLE Gear --");
    EXPECT_EQ(entries(), QStringList());
    searchFor("long_arpoon%report");
    EXPECT_EQ(entries(), QStringList({"LongHarpoonReport ( P )"}));
    EXPECT_TRUE(prompts->requests.empty());

    // A blank word does nothing.
    statusTexts.clear();
    searchFor("   ");
    EXPECT_EQ(entries(), QStringList({"LongHarpoonReport ( P )"}));
    EXPECT_TRUE(statusTexts.isEmpty());
}

TEST_F(SearchWindow, ShowingAnObjectAndWalkingThroughTheWord)
{
    searchFor("harpoon");
    statusTexts.clear();
    showEntry("HarpoonView ( V )");
    EXPECT_EQ(objectName->text(), "&Name:[SearchScratch].[dbo].[HarpoonView]");
    EXPECT_EQ(find->text(), "HarpoonView");
    EXPECT_EQ(source->toPlainText(), kViewText);
    EXPECT_EQ(statusTexts, QStringList({"Filling Object Text... Please wait...", "Ready"}));

    auto selection = [this] {
        const QTextCursor cursor = source->textCursor();
        return std::make_pair(cursor.selectionStart(), cursor.selectedText());
    };
    QTest::mouseClick(findNext, Qt::LeftButton);
    EXPECT_EQ(selection(), std::make_pair(12, QString("Harpoon")));
    QTest::mouseClick(findNext, Qt::LeftButton);
    EXPECT_EQ(selection(), std::make_pair(42, QString("Harpoon")));
    EXPECT_TRUE(prompts->requests.empty());
    QTest::mouseClick(findNext, Qt::LeftButton);
    ASSERT_EQ(prompts->requests.size(), 1u);
    EXPECT_EQ(prompts->requests[0].text,
              "Search Completed... The word 'harpoon' not found!\r\nTotal number of occurrence : 2");
    EXPECT_EQ(prompts->requests[0].icon, QMessageBox::NoIcon);
    EXPECT_EQ(prompts->requests[0].title, "Norvane");
    EXPECT_EQ(prompts->requests[0].buttons, QMessageBox::Ok);
    QTest::mouseClick(findNext, Qt::LeftButton);
    EXPECT_EQ(selection(), std::make_pair(12, QString("Harpoon")));

    // A routine is looked up among the routines; a double-click shows it too.
    const QList<QListWidgetItem*> owner = list->findItems("ShipOwner ( P )", Qt::MatchExactly);
    ASSERT_EQ(owner.size(), 1);
    list->setCurrentItem(owner.first());
    emit list->itemDoubleClicked(owner.first());
    EXPECT_EQ(objectName->text(), "&Name:[SearchScratch].[dbo].[ShipOwner]");
    EXPECT_EQ(source->toPlainText(),
              "CREATE PROCEDURE ShipOwner @HarpoonCount int AS\n-- owned by O'Brien\nSELECT @HarpoonCount AS Harpoons");
    EXPECT_EQ(prompts->requests.size(), 1u);
}

TEST_F(SearchWindow, ADefaultHasNoQualifiedNameAndShowingItFails)
{
    searchFor("harpoon");
    statusTexts.clear();
    showEntry("dfHarpoon ( D )");
    ASSERT_EQ(prompts->requests.size(), 1u);
    EXPECT_EQ(prompts->requests[0].text, "Error...Problems encountered while populating Object details!\r\n"
                                         "Details:The object '' does not exist in database 'SearchScratch'.");
    EXPECT_EQ(prompts->requests[0].icon, QMessageBox::Critical);
    EXPECT_EQ(objectName->text(), "&Name:");
    EXPECT_EQ(statusTexts.last(), "Ready");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // Enter with nothing chosen does nothing.
    list->clearSelection();
    find->setText("zzz");
    QTest::keyClick(find, Qt::Key_Return);
    EXPECT_EQ(prompts->requests.size(), 1u);
}

TEST_F(SearchWindow, ColumnModeFindsColumnsAndProcedureParameters)
{
    columnsMode->setChecked(true);
    searchFor("harpoon");
    EXPECT_TRUE(source->isHidden());
    EXPECT_FALSE(grid->isHidden());
    EXPECT_EQ(total->text(), "&Total Objects : ");
    EXPECT_EQ(entries(), QStringList());
    EXPECT_EQ(gridHeadings(), QStringList({"No.", "Object Name" + QString(35, ' '), "Column/Parameter Name" + QString(30, ' '),
                                           "Data Type", "Length", "Precision", "Scale", "IsNullable"}));
    ASSERT_EQ(grid->rowCount(), 3);
    EXPECT_EQ(gridRow(0), QStringList({"1", "Gear", "HarpoonSize", "int", "4", "10", "0", "Yes"}));
    EXPECT_EQ(gridRow(1), QStringList({"2", "HarpoonView", "HarpoonSize", "int", "4", "10", "0", "Yes"}));
    EXPECT_EQ(gridRow(2), QStringList({"3", "ShipOwner", "@HarpoonCount", "int", "4", "10", "0", "Yes"}));

    // A click on a cell puts its text into the grid's tool tip.
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualItemRect(grid->item(2, 2)).center());
    EXPECT_EQ(grid->toolTip(), "@HarpoonCount");

    searchFor("GearId");
    ASSERT_EQ(grid->rowCount(), 2);
    EXPECT_EQ(gridRow(0), QStringList({"1", "Gear", "GearId", "int", "4", "10", "0", ""}));

    searchFor("narwhal");
    EXPECT_EQ(grid->rowCount(), 0);
    EXPECT_EQ(gridHeadings().size(), 8);
    EXPECT_TRUE(prompts->requests.empty());
}
