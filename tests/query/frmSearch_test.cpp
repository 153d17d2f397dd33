// The search window against the sandbox: text mode (objects listed once,
// triggers left out, quotes and LIKE wildcards in the word, a word cut between
// two stored pieces, showing a view or a routine, the failure for a default),
// the find-next walk with its message, and column mode with procedure parameters.
#include "query/frmSearch.h"

#include "tables/window_fixture.h"

#include <QCheckBox>
#include <QPushButton>
#include <QTextEdit>

using namespace norvane;

namespace {

const QString kScratch = QStringLiteral("SearchScratch");
const QString kViewText = QStringLiteral("CREATE VIEW HarpoonView AS SELECT GearId, HarpoonSize FROM Gear");

class SearchWindow : public norvane::testing::WindowTest {
protected:
    static void SetUpTestSuite()
    {
        // A procedure stored in two pieces with "harpoon" in both, and one with "whalebone" cut between them.
        QString longProcedure = "CREATE PROCEDURE LongHarpoonReport AS\n-- harpoon report\n";
        for (int line = 0; line < 80; ++line)
            longProcedure += QString("-- filler line %1 of the report, long enough to need a second piece\n")
                                 .arg(line, 2, 10, QLatin1Char('0'));
        const QString splitHead = "CREATE PROCEDURE SplitWord AS\n-- ";
        norvane::testing::createScratchDatabase(kScratch);
        norvane::testing::runBatches(kScratch,
                                     {"CREATE TABLE Gear (GearId int NOT NULL, HarpoonSize int NULL)", kViewText,
                                      longProcedure + "SELECT 'harpoon' AS Last",
                                      splitHead + QString(3996 - splitHead.size(), 'x') + "whalebone\nSELECT 1 AS One",
                                      "CREATE PROCEDURE ShipOwner @HarpoonCount int AS\n-- owned by O'Brien\n"
                                      "SELECT @HarpoonCount AS Harpoons",
                                      "CREATE TRIGGER trGear ON Gear FOR INSERT AS SELECT 'harpoon' AS Fired",
                                      "CREATE DEFAULT dfHarpoon AS 0"});
    }
    void SetUp() override
    {
        WindowTest::SetUp();
        norvane::testing::connectSessionTo(kScratch);
    }

    void searchFor(const QString& word)
    {
        control<QLineEdit>(window, "txtSPSTextSearch")->setText(word);
        QTest::mouseClick(control<QPushButton>(window, "cmdSPSTextSearch"), Qt::LeftButton);
    }
    // Chooses the entry and presses Enter in the list.
    void showEntry(const QString& entry)
    {
        const QList<QListWidgetItem*> found = list->findItems(entry, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << entry.toStdString();
        list->setCurrentItem(found.first());
        QTest::keyClick(list, Qt::Key_Return);
    }

    frmSearch window;
    QListWidget* const list = control<QListWidget>(window, "lstSPS");
    QLineEdit* const find = control<QLineEdit>(window, "txtSPSSearch");
    QTextEdit* const source = control<QTextEdit>(window, "rtbSPSText");
    QTableWidget* const grid = control<QTableWidget>(window, "flxTABColumns");
};

} // namespace

TEST_F(SearchWindow, TextSearchListsEachObjectOnceWithoutTriggers)
{
    // Enter in the word box searches like the button.
    auto* word = control<QLineEdit>(window, "txtSPSTextSearch");
    word->setText("harpoon");
    QTest::keyClick(word, Qt::Key_Return);
    EXPECT_EQ(entries(list),
              QStringList({"dfHarpoon ( D )", "HarpoonView ( V )", "LongHarpoonReport ( P )", "ShipOwner ( P )"}));
    EXPECT_EQ(text(window, "lblSPSTotalSPs"), "&Total Objects : 4");
    EXPECT_EQ(statusTexts, QStringList({"Searching... Please wait...", "Ready"}));

    // The find box finds in the list as the user types; a click shows the entry as the list's tool tip only.
    QTest::keyClicks(find, "long");
    EXPECT_EQ(selectedEntry(list), "LongHarpoonReport ( P )");
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(1)).center());
    EXPECT_EQ(list->toolTip(), "HarpoonView ( V )");
    EXPECT_EQ(text(window, "lblSPSSPName"), "");

    // A quote is searched for, LIKE wildcards keep their effect; a word cut by the boundary of two stored
    // pieces is not found; a blank word does nothing.
    const struct {
        const char* word;
        QStringList found;
    } cases[] = {{"O'Brien", {"ShipOwner ( P )"}},
                 {"'; DROP TABLE Gear --", {}},
                 {"whalebone", {}},
                 {"long_arpoon%report", {"LongHarpoonReport ( P )"}},
                 {"   ", {"LongHarpoonReport ( P )"}}};
    for (const auto& example : cases) {
        SCOPED_TRACE(example.word);
        searchFor(example.word);
        EXPECT_EQ(entries(list), example.found);
    }
    EXPECT_EQ(text(window, "lblSPSTotalSPs"), "&Total Objects : 1");
    EXPECT_TRUE(prompts->requests.empty());
}

TEST_F(SearchWindow, ShowingAnObjectWalkingThroughTheWordAndADefaultThatCannotBeShown)
{
    searchFor("harpoon");
    statusTexts.clear();
    showEntry("HarpoonView ( V )");
    EXPECT_EQ(text(window, "lblSPSSPName"), "&Name:[SearchScratch].[dbo].[HarpoonView]");
    EXPECT_EQ(find->text(), "HarpoonView");
    EXPECT_EQ(source->toPlainText(), kViewText);
    EXPECT_EQ(statusTexts, QStringList({"Filling Object Text... Please wait...", "Ready"}));

    // Find Next selects each occurrence, then says how many there were, then starts again.
    QStringList found;
    for (int press = 0; press < 4; ++press) {
        QTest::mouseClick(control<QPushButton>(window, "cmdFind"), Qt::LeftButton);
        const QTextCursor cursor = source->textCursor();
        found << QString::number(cursor.selectionStart()) + " " + cursor.selectedText();
    }
    EXPECT_EQ(found.first(), "12 Harpoon");
    EXPECT_EQ(found[1], "42 Harpoon");
    EXPECT_EQ(found[3], "12 Harpoon");
    EXPECT_EQ(messages(),
              QStringList({"Search Completed... The word 'harpoon' not found!\r\nTotal number of occurrence : 2"}));

    // A routine is looked up among the routines; a double-click shows it too.
    const QList<QListWidgetItem*> owner = list->findItems("ShipOwner ( P )", Qt::MatchExactly);
    list->setCurrentItem(owner.first());
    emit list->itemDoubleClicked(owner.first());
    EXPECT_EQ(text(window, "lblSPSSPName"), "&Name:[SearchScratch].[dbo].[ShipOwner]");
    EXPECT_EQ(source->toPlainText(),
              "CREATE PROCEDURE ShipOwner @HarpoonCount int AS\n-- owned by O'Brien\nSELECT @HarpoonCount AS Harpoons");

    // A default has no qualified name: showing it fails.
    statusTexts.clear();
    showEntry("dfHarpoon ( D )");
    EXPECT_EQ(messages().last(), "Critical: Error...Problems encountered while populating Object details!\r\n"
                                 "Details:The object '' does not exist in database 'SearchScratch'.");
    EXPECT_EQ(text(window, "lblSPSSPName"), "&Name:");
    EXPECT_EQ(statusTexts.last(), "Ready");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // Enter with nothing chosen does nothing.
    list->clearSelection();
    find->setText("zzz");
    QTest::keyClick(find, Qt::Key_Return);
    EXPECT_EQ(prompts->requests.size(), 2u);
}

TEST_F(SearchWindow, ColumnModeFindsColumnsAndProcedureParameters)
{
    control<QCheckBox>(window, "chkColumns")->setChecked(true);
    searchFor("harpoon");
    EXPECT_TRUE(source->isHidden());
    EXPECT_FALSE(grid->isHidden());
    EXPECT_EQ(text(window, "lblSPSTotalSPs"), "&Total Objects : ");
    EXPECT_EQ(entries(list), QStringList());
    EXPECT_EQ(gridRows(grid),
              QStringList({"1|Gear|HarpoonSize|int|4|10|0|Yes", "2|HarpoonView|HarpoonSize|int|4|10|0|Yes",
                           "3|ShipOwner|@HarpoonCount|int|4|10|0|Yes"}));
    // A click on a cell puts its text into the grid's tool tip.
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualItemRect(grid->item(2, 2)).center());
    EXPECT_EQ(grid->toolTip(), "@HarpoonCount");

    searchFor("narwhal");
    EXPECT_EQ(grid->rowCount(), 0);
    EXPECT_EQ(grid->columnCount(), 8);
    EXPECT_TRUE(prompts->requests.empty());
}
