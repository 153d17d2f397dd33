// The catalog helpers that work on widgets alone: status line, list find, heading sort.
#include "shell/catalog_helpers.h"
#include "support/qt_printers.h"
#include "qt_test_application.h"

#include <QApplication>
#include <QListWidget>
#include <QPixmap>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace norvane;

namespace {

QStringList column(const QTreeWidget& list, int index)
{
    QStringList texts;
    for (int row = 0; row < list.topLevelItemCount(); ++row)
        texts << list.topLevelItem(row)->text(index);
    return texts;
}

void fillRows(QTreeWidget& list)
{
    list.setHeaderLabels({"Name", "City"});
    list.addTopLevelItems({new QTreeWidgetItem(QStringList{"beta", "Oslo"}),
                           new QTreeWidgetItem(QStringList{"Alpha", "Zurich"}),
                           new QTreeWidgetItem(QStringList{"gamma", "athens"})});
}

QIcon solidIcon(Qt::GlobalColor color)
{
    QPixmap pixmap(8, 8);
    pixmap.fill(color);
    return QIcon(pixmap);
}

}  // namespace

TEST(CatalogHelpers, SetStatusWritesTheSinkAndSwitchesTheBusyPointer)
{
    QStringList written;
    setStatusSink([&](const QString& text) { written << text; });

    SetStatus("Populating Tables... Please wait...", true);
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    SetStatus("Populating Table rows... Please wait...", true);  // a second busy text keeps one busy pointer
    SetStatus("Ready", false);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(written, QStringList({"Populating Tables... Please wait...", "Populating Table rows... Please wait...",
                                    "Ready"}));

    setStatusSink(nullptr);
    SetStatus("Ready", false);  // no main window: nothing to write, and no failure
    EXPECT_EQ(written.size(), 3);

    // Another guard's busy pointer outlives SetStatus's own.
    QApplication::setOverrideCursor(Qt::BusyCursor);
    SetStatus("Loading... Please wait...", true);
    SetStatus("Ready", false);
    SetStatus("Ready", false);
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::BusyCursor);
    QApplication::restoreOverrideCursor();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(CatalogHelpers, FindInListSelectsTheFirstEntryBeginningWithTheText)
{
    QListWidget list;
    list.addItems({"Customers", "Order Details", "Orders"});

    FindInList(&list, "ord");
    ASSERT_EQ(list.selectedItems().size(), 1);
    EXPECT_EQ(list.selectedItems().first()->text(), "Order Details");

    FindInList(&list, "ORDERS");
    ASSERT_EQ(list.selectedItems().size(), 1);
    EXPECT_EQ(list.selectedItems().first()->text(), "Orders");

    FindInList(&list, "x");
    EXPECT_TRUE(list.selectedItems().isEmpty());
    EXPECT_EQ(list.currentItem(), nullptr);

    FindInList(&list, "c");
    ASSERT_EQ(list.selectedItems().size(), 1);
    EXPECT_EQ(list.selectedItems().first()->text(), "Customers");
}

TEST(CatalogHelpers, FindInListScrollsTheFoundEntryToTheTop)
{
    QListWidget list;
    for (int index = 0; index < 200; ++index)
        list.addItem(QString("Table%1").arg(index, 3, 10, QChar('0')));
    list.resize(200, 120);
    list.show();

    FindInList(&list, "table150");
    ASSERT_EQ(list.selectedItems().size(), 1);
    EXPECT_EQ(list.selectedItems().first()->text(), "Table150");
    EXPECT_EQ(list.itemAt(5, 5)->text(), "Table150");
}

TEST(CatalogHelpers, SortListViewFlipsOnTheSameColumnAndKeepsTheOrderOnAnother)
{
    QTreeWidget list;
    fillRows(list);

    EXPECT_EQ(SortListView(&list, 0), Qt::AscendingOrder);
    EXPECT_EQ(column(list, 0), QStringList({"Alpha", "beta", "gamma"}));  // without regard to case

    EXPECT_EQ(SortListView(&list, 0), Qt::DescendingOrder);
    EXPECT_EQ(column(list, 0), QStringList({"gamma", "beta", "Alpha"}));

    // Another heading: that column becomes the key, the direction stays descending.
    EXPECT_EQ(SortListView(&list, 1), Qt::DescendingOrder);
    EXPECT_EQ(column(list, 1), QStringList({"Zurich", "Oslo", "athens"}));

    EXPECT_EQ(SortListView(&list, 1), Qt::AscendingOrder);
    EXPECT_EQ(column(list, 1), QStringList({"athens", "Oslo", "Zurich"}));
}

TEST(CatalogHelpers, HeadingClickPutsTheArrowOfTheDirectionOnTheClickedHeadingOnly)
{
    const QIcon up = solidIcon(Qt::green);
    const QIcon down = solidIcon(Qt::red);
    setImageProvider([&](const QString& key) {
        return key == "UpArrow" ? up : key == "DownArrow" ? down : QIcon();
    });

    QTreeWidget list;
    fillRows(list);
    SortListViewByHeading(&list, 1);
    EXPECT_EQ(list.headerItem()->icon(1).cacheKey(), up.cacheKey());
    EXPECT_TRUE(list.headerItem()->icon(0).isNull());

    SortListViewByHeading(&list, 1);
    EXPECT_EQ(list.headerItem()->icon(1).cacheKey(), down.cacheKey());

    SortListViewByHeading(&list, 0);  // the old heading loses its picture
    EXPECT_TRUE(list.headerItem()->icon(1).isNull());
    EXPECT_EQ(list.headerItem()->icon(0).cacheKey(), down.cacheKey());
    EXPECT_EQ(column(list, 0), QStringList({"gamma", "beta", "Alpha"}));

    // Without the main window's pictures the style's arrows stand in.
    setImageProvider(nullptr);
    EXPECT_FALSE(imageListIcon("UpArrow").isNull());
    EXPECT_FALSE(imageListIcon("DownArrow").isNull());
    EXPECT_TRUE(imageListIcon("Drive").isNull());
}
