// The table explorer's controls show their captions whole at the window's
// font, at a larger font too, and the arithmetic that places them.
#include "tables/tables_layout.h"

#include "tables_window_fixture.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>

using namespace norvane;
using norvane::testing::TablesWindowTest;

TEST(TablesLayout, ColumnsSideBySideShareTheSpaceOrShrinkInProportion)
{
    // Room to spare: each gets its need and an equal part of the rest; the last ends at the edge.
    EXPECT_EQ(sideBySide(100, 340, {100, 50, 80}, 10),
              std::vector<Span>({{100, 130}, {240, 80}, {330, 110}}));
    EXPECT_TRUE(everyNeedMet(sideBySide(100, 340, {100, 50, 80}, 10), {100, 50, 80}));
    // Too little: shares in proportion to the needs.
    const std::vector<Span> tight = sideBySide(0, 210, {200, 100, 100}, 5);
    EXPECT_EQ(tight, std::vector<Span>({{0, 100}, {105, 50}, {160, 50}}));
    EXPECT_FALSE(everyNeedMet(tight, {200, 100, 100}));
    EXPECT_TRUE(sideBySide(0, 100, {}, 5).empty());

    // Two lines: the split that makes the longer line shortest.
    EXPECT_EQ(twoLineNeed({60, 50, 5, 20}, 4), 83);   // the first word over the other three
    EXPECT_EQ(twoLineNeed({20, 5, 50, 60}, 4), 83);   // the last word under the first three
    EXPECT_EQ(twoLineNeed({40}, 4), 40);

    // The left side widens for the statement options, up to half the window.
    EXPECT_EQ(leftSideWidth(200, 800, 70, 100, 8), 200);
    EXPECT_EQ(leftSideWidth(200, 800, 80, 130, 8), 234);
    EXPECT_EQ(leftSideWidth(200, 800, 200, 300, 8), 400);
}

class TablesWindowLayout : public TablesWindowTest {
protected:
    // Every caption of the window that would not show whole, by object name.
    static QStringList clippedCaptions(const QWidget& window)
    {
        QStringList clipped;
        for (const QLabel* label : window.findChildren<QLabel*>()) {
            if (label->isHidden() || label->text().isEmpty())
                continue;
            const QSize need = label->wordWrap() ? QSize(label->minimumSizeHint().width(),
                                                         label->heightForWidth(label->width()))
                                                 : label->sizeHint();
            // The table's qualified name is data, not a caption.
            if (label->objectName() != "lblTABTableName"
                && (label->width() < need.width() || label->height() < need.height()))
                clipped << label->objectName() + " " + label->text();
        }
        for (const QAbstractButton* button : window.findChildren<QAbstractButton*>()) {
            if (!button->objectName().isEmpty() && button->width() < button->sizeHint().width())
                clipped << button->objectName() + " " + button->text();
        }
        for (const QGroupBox* frame : window.findChildren<QGroupBox*>()) {
            if (frame->width() < frame->minimumSizeHint().width())
                clipped << frame->objectName();
        }
        return clipped;
    }
};

TEST_F(TablesWindowLayout, CaptionsShowWholeBeforeAndAfterATableIsShown)
{
    for (const int pointSize : {9, 11}) {
        SCOPED_TRACE(pointSize);
        QFont font = QApplication::font();
        font.setPointSize(pointSize);
        QApplication::setFont(font);
        frmTables window;
        window.show();
        EXPECT_EQ(clippedCaptions(window), QStringList());
        showTable(window, "Order Details");
        EXPECT_EQ(clippedCaptions(window), QStringList());
        // The columns grid shows its row numbers itself: no second column of numbers beside them.
        EXPECT_FALSE(window.findChild<QTableWidget*>("flxTABColumns")->verticalHeader()->isVisible());
    }
}
