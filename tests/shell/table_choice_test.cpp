// Choosing a table in the tables window: a name with blanks at its ends is used as the catalog
// holds it, and Enter with nothing selected leaves the table shown as it was.
#include "harbor_session.h"
#include "qt_test_application.h"
#include "recording_prompts.h"
#include "support/qt_printers.h"
#include "tables/frmTables.h"

#include <QLabel>
#include <QListWidget>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace norvane;
using norvane::testing::RecordingPrompts;

TEST(TableChoice, ABlankEdgedNameIsShownAndEnterWithoutASelectionKeepsIt)
{
    norvane::testing::createScratchDatabase("ChoiceScratch");
    norvane::testing::runBatches("ChoiceScratch", {"CREATE TABLE [ Padded Name ] (Id int NOT NULL)",
                                                   "INSERT INTO [ Padded Name ] (Id) VALUES (42)",
                                                   "CREATE TABLE Plain (Id int NOT NULL)"});
    norvane::testing::connectSessionTo("ChoiceScratch");
    RecordingPrompts::Installed prompts;

    frmTables window;
    auto* list = window.findChild<QListWidget*>("lstTABTables");
    auto* label = window.findChild<QLabel*>("lblTABTableName");
    auto* rows = window.findChild<QTreeWidget*>("lsvTABRows");
    ASSERT_NE(list, nullptr);
    const QList<QListWidgetItem*> padded = list->findItems(" Padded Name ", Qt::MatchExactly);
    ASSERT_EQ(padded.size(), 1);
    list->setCurrentItem(padded.first());
    QTest::keyClick(list, Qt::Key_Return);

    ASSERT_TRUE(prompts->requests.empty()) << prompts->requests[0].text.toStdString();
    EXPECT_EQ(window.tableName(), " Padded Name ");
    EXPECT_EQ(label->text(), "Table Name : [ChoiceScratch].[dbo].[ Padded Name ]");
    ASSERT_EQ(rows->topLevelItemCount(), 1);
    EXPECT_EQ(rows->topLevelItem(0)->text(0), "42");

    list->clearSelection();
    list->setCurrentItem(nullptr);
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(window.tableName(), " Padded Name ");
    EXPECT_EQ(label->text(), "Table Name : [ChoiceScratch].[dbo].[ Padded Name ]");
    EXPECT_EQ(rows->topLevelItemCount(), 1);
    EXPECT_TRUE(prompts->requests.empty());

    session().connection.close();
    session().Connected = false;
}
