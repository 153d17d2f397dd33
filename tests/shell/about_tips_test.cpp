#include "qt_test_application.h"

#include "shell/frmTips.h"
#include "shell/tips_text.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace norvane {
namespace {

QString shown(const QString& tip)
{
    return QString(tip).replace("\r\n", "\n");
}

TEST(TipList, FirstTipIsRandomThenStepsAndWraps)
{
    bool firstTime = true;
    EXPECT_EQ(tips::nextTipPosition(firstTime, 0, 36, 0.0), 1);
    EXPECT_FALSE(firstTime);
    firstTime = true;
    EXPECT_EQ(tips::nextTipPosition(firstTime, 0, 36, 0.5), 19);
    firstTime = true;
    EXPECT_EQ(tips::nextTipPosition(firstTime, 0, 36, 0.99999999999999989), 36);
    // Later calls ignore the random number.
    EXPECT_EQ(tips::nextTipPosition(firstTime, 19, 36, 0.0), 20);
    EXPECT_EQ(tips::nextTipPosition(firstTime, 35, 36, 0.7), 36);
    EXPECT_EQ(tips::nextTipPosition(firstTime, 36, 36, 0.7), 1);
}

TEST(TipsWindow, OpensOnATipWithinTheList)
{
    for (int opening = 0; opening < 40; ++opening) {
        frmTip tip;
        ASSERT_GE(tip.currentPosition(), 1);
        ASSERT_LE(tip.currentPosition(), 36);
        EXPECT_EQ(tip.lblTipText->text(), shown(tips::tipList().at(tip.currentPosition() - 1)));
    }
}

TEST(TipsWindow, NextTipWalksAllTipsAndWrapsFrom36To1)
{
    frmTip tip;
    const int start = tip.currentPosition();
    const QString startText = tip.lblTipText->text();
    for (int press = 0; press < 35; ++press) {
        tip.cmdNextTip->click();
        EXPECT_NE(tip.currentPosition(), start);
    }
    tip.cmdNextTip->click();
    EXPECT_EQ(tip.currentPosition(), start);
    EXPECT_EQ(tip.lblTipText->text(), startText);

    while (tip.currentPosition() != 36)
        tip.cmdNextTip->click();
    EXPECT_EQ(tip.lblTipText->text(), shown(tips::tipList().last()));
    tip.cmdNextTip->click();
    EXPECT_EQ(tip.currentPosition(), 1);
    EXPECT_EQ(tip.lblTipText->text(),
              QStringLiteral("General:\nThe Find box helps you to quickly find listed database objects by typing each "
                             "letter of them, and the bottom list will automatically scroll to the item if it is "
                             "present"));
}

TEST(TipsWindow, AltNShowsTheNextTip)
{
    frmTip tip;
    tip.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&tip));
    const int start = tip.currentPosition();
    const int expected = start == 36 ? 1 : start + 1;

    QTest::keyClick(&tip, Qt::Key_N, Qt::AltModifier);

    EXPECT_TRUE(QTest::qWaitFor([&] { return tip.currentPosition() != start; }, 5000));
    EXPECT_EQ(tip.currentPosition(), expected);
}

TEST(TipsWindow, EnterAndEscapeBothClose)
{
    frmTip byEnter;
    byEnter.show();
    QTest::keyClick(byEnter.lblTipText, Qt::Key_Return);
    EXPECT_FALSE(byEnter.isVisible());

    frmTip byEscape;
    byEscape.show();
    QTest::keyClick(byEscape.lblTipText, Qt::Key_Escape);
    EXPECT_FALSE(byEscape.isVisible());

    frmTip byClick;
    byClick.show();
    byClick.cmdOK->click();
    EXPECT_FALSE(byClick.isVisible());
}

}  // namespace
}  // namespace norvane
