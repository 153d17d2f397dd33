// The query and search windows opened from the main window's menu: one
// instance of each, working against the sample database.
#include "app/program_windows.h"
#include "shell/frmMain.h"
#include "shell/harbor_session.h"
#include "shell/qt_test_application.h"
#include "shell/recording_prompts.h"
#include "support/qt_printers.h"
#include "support/session_reset.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTextEdit>

#include <gtest/gtest.h>

using namespace norvane;

TEST(QueryMenu, TheQueryAndSearchWindowsOpenOnceFromTheMenuAndWork)
{
    norvane::testing::connectSessionTo("Harbor");
    session().ConnectionString = test::sharedSampleSandbox().connectionString("Harbor");
    norvane::testing::RecordingPrompts::Installed prompts;
    WindowRegistry windows;
    registerProgramWindows(windows);
    {
        frmMain main(std::move(windows));
        QAction* query = main.menuCommand("mnuQuery");
        QAction* search = main.menuCommand("mnuSearch");
        ASSERT_TRUE(query && search);
        ASSERT_TRUE(query->isEnabled());
        ASSERT_TRUE(search->isEnabled());

        query->trigger();
        query->trigger();
        QWidget* queryWindow = main.child("Query");
        ASSERT_NE(queryWindow, nullptr);
        EXPECT_EQ(queryWindow->windowTitle(), "Query Executer");
        search->trigger();
        QWidget* searchWindow = main.child("Search");
        ASSERT_NE(searchWindow, nullptr);
        EXPECT_EQ(searchWindow->windowTitle(), "Search");
        EXPECT_EQ(main.openChildren().size(), 2);

        auto* input = queryWindow->findChild<QTextEdit*>("rtbQRYInput");
        input->setPlainText("SELECT CategoryName FROM Categories WHERE CategoryID = 1");
        QTest::keyClick(input, Qt::Key_F5);
        auto* cancel = queryWindow->findChild<QPushButton*>("cmdQRYCancel");
        QElapsedTimer clock;
        clock.start();
        while (cancel->isEnabled() && clock.elapsed() < 10000)
            QTest::qWait(5);
        const QAbstractItemModel* grid = queryWindow->findChild<QTableView*>("flxQRYOutput")->model();
        ASSERT_EQ(grid->rowCount(), 2);
        EXPECT_EQ(grid->index(0, 0).data().toString(), "Beverages");

        auto* word = searchWindow->findChild<QLineEdit*>("txtSPSTextSearch");
        word->setText("Discontinued");
        QTest::keyClick(word, Qt::Key_Return);
        EXPECT_EQ(searchWindow->findChild<QLabel*>("lblSPSTotalSPs")->text(), "&Total Objects : 1");
        EXPECT_EQ(searchWindow->findChild<QListWidget*>("lstSPS")->item(0)->text(), "CurrentProducts ( V )");
        EXPECT_TRUE(prompts->requests.empty());
    }
    resetSessionForTests();
}
