#pragma once
// What the window tests share: the session on a database of the shared sample
// sandbox, the status texts written, the recorded message boxes, and reading
// the windows' controls back as text.
#include "shell/catalog_helpers.h"
#include "shell/harbor_session.h"
#include "shell/qt_test_application.h"
#include "shell/recording_prompts.h"
#include "shell/session.h"
#include "support/qt_printers.h"
#include "support/session_reset.h"
#include "support/window_controls.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMap>
#include <QTableWidget>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace norvane::testing {

// Logs the session's server-management object in to the shared sample sandbox.
inline void logInServerAdmin()
{
    session().serverAdmin = std::make_unique<ServerAdmin>();
    session().serverAdmin->connect(test::sharedSampleSandbox().dataSource(), QStringLiteral("sa"), QString());
}

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        connectSessionTo(QStringLiteral("Harbor"));
        setStatusSink([this](const QString& text) { statusTexts << text; });
    }
    void TearDown() override
    {
        setStatusSink(nullptr);
        resetSessionForTests();
    }

    template <typename T> static T* control(const QWidget& window, const char* name)
    {
        return test::control<T>(window, name);
    }
    static QString text(const QWidget& window, const char* label) { return control<QLabel>(window, label)->text(); }

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
        list->scrollToItem(list->currentItem());
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

    // Every message box so far: "Critical: text", "Information: text", ... ("text" without an icon).
    QStringList messages() const
    {
        static const QMap<QMessageBox::Icon, QString> icons = {{QMessageBox::Information, "Information: "},
                                                               {QMessageBox::Critical, "Critical: "},
                                                               {QMessageBox::Question, "Question: "}};
        QStringList shown;
        for (const PromptRequest& request : prompts->requests)
            shown << icons.value(request.icon) + request.text;
        return shown;
    }
    // The message was a critical one that starts with the sentence and goes on with the server's words.
    void expectFailure(std::size_t index, const QString& start) const
    {
        ASSERT_GT(prompts->requests.size(), index);
        EXPECT_EQ(prompts->requests[index].icon, QMessageBox::Critical);
        EXPECT_TRUE(prompts->requests[index].text.startsWith(start)) << prompts->requests[index].text.toStdString();
        EXPECT_GT(prompts->requests[index].text.size(), start.size() + 5) << "the server's description follows";
    }

    QStringList statusTexts;
    RecordingPrompts::Installed prompts;
};

} // namespace norvane::testing
