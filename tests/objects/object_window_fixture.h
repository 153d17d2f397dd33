#pragma once
// What the views, stored procedures and functions window tests share: the
// session on the sample database, the status texts written, the recorded
// message boxes, and finding controls by name.
#include "shell/catalog_helpers.h"
#include "shell/harbor_session.h"
#include "shell/qt_test_application.h"
#include "shell/recording_prompts.h"
#include "support/qt_printers.h"
#include "support/session_reset.h"

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QTableWidget>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace norvane::testing {

// A Visual Basic calling text: the command's set-up lines, the given lines, then the closing lines.
inline QString vbCallText(const QString& procedure, const QString& lines)
{
    return "Dim objCMD As ADODB.Command\rSet objCMD = New ADODB.Command\rWith objCMD\r\t.ActiveConnection = ?\r"
           "\t.CommandType = adCmdStoredProc\r\t.CommandText = \"" +
           procedure + "\" \r" + lines + "End With\rSet objCMD = Nothing";
}

class ObjectWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        connectSessionTo("Harbor");
        setStatusSink([this](const QString& text) { statusTexts << text; });
    }
    void TearDown() override
    {
        setStatusSink(nullptr);
        resetSessionForTests();
    }

    template <typename T> static T* control(const QWidget& window, const char* name)
    {
        T* found = window.findChild<T*>(name);
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    // Types the start of a name into the find box and presses Enter.
    static void typeAndEnter(const QWidget& window, const char* findBox, const QString& start)
    {
        auto* find = control<QLineEdit>(window, findBox);
        find->clear();
        QTest::keyClicks(find, start);
        QTest::keyClick(find, Qt::Key_Return);
    }

    // Shows the window, clicks the list's entry and double-clicks it; gives the tool tip the click left.
    static QString clickThenDoubleClick(QWidget& window, QListWidget* list, int row)
    {
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
        list->setCurrentRow(row);
        const QPoint centre = list->visualItemRect(list->currentItem()).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, centre);
        const QString tip = list->toolTip();
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, centre);
        return tip;
    }

    static QStringList entries(const QListWidget* list)
    {
        QStringList texts;
        for (int row = 0; row < list->count(); ++row)
            texts << list->item(row)->text();
        return texts;
    }

    static QString selectedEntry(const QListWidget* list)
    {
        const QList<QListWidgetItem*> selected = list->selectedItems();
        return selected.isEmpty() ? QString() : selected.first()->text();
    }

    // Each row of the grid as its cells joined by "|".
    static QStringList gridRows(const QTableWidget* grid)
    {
        QStringList rows;
        for (int row = 0; row < grid->rowCount(); ++row) {
            QStringList cells;
            for (int column = 0; column < grid->columnCount(); ++column)
                cells << (grid->item(row, column) ? grid->item(row, column)->text() : QString());
            rows << cells.join('|');
        }
        return rows;
    }

    // The first column of each row of a list view, top to bottom.
    static QStringList firstColumn(const QTreeWidget* listView)
    {
        QStringList texts;
        for (int row = 0; row < listView->topLevelItemCount(); ++row)
            texts << listView->topLevelItem(row)->text(0);
        return texts;
    }

    QStringList statusTexts;
    RecordingPrompts::Installed prompts;
};

}  // namespace norvane::testing
