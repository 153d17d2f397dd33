// The Reports command of the main window's menu, as the program registers it:
// the reports window opens modally over the main window and makes a report.
#include "app/program_windows.h"
#include "reports/frmReports.h"
#include "reports/report_test_support.h"
#include "shell/frmMain.h"
#include "shell/qt_test_application.h"
#include "shell/recording_prompts.h"
#include "support/qt_printers.h"
#include "support/session_reset.h"

#include <QAction>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

using namespace norvane;

TEST(ReportsMenu, TheMenuCommandOpensTheReportsWindowOverTheMainWindow)
{
    norvane::testing::RecordingPrompts::Installed prompts;
    norvane::testing::RecordingDesktop::Installed desktop;
    norvane::testing::connectReportSession("Harbor");
    WindowRegistry windows;
    registerProgramWindows(windows);
    frmMain main(std::move(windows));
    main.show();

    QString shownName;
    QWidget* owner = nullptr;
    int tables = 0;
    QTimer::singleShot(0, [&] {
        auto* reports = qobject_cast<frmReports*>(QApplication::activeModalWidget());
        if (!reports)
            return;
        shownName = reports->objectName();
        owner = reports->parentWidget();
        tables = reports->findChild<QListWidget*>("lstTables")->count();
        reports->findChild<QListWidget*>("lstTables")->item(0)->setCheckState(Qt::Checked);
        reports->findChild<QPushButton*>("cmdGenerate")->click();
        reports->findChild<QPushButton*>("cmdClose")->click();
    });
    QAction* command = main.menuCommand("mnuReports");
    ASSERT_NE(command, nullptr);
    EXPECT_TRUE(command->isEnabled());
    command->trigger();

    EXPECT_EQ(shownName, "frmReports");
    EXPECT_EQ(owner, &main);
    EXPECT_EQ(tables, 13);
    ASSERT_EQ(desktop->openedSheets.size(), 1u);
    EXPECT_EQ(desktop->openedSheets[0].value(4, 2).toString(), "AuditLog");
    EXPECT_TRUE(prompts->requests.empty());
    resetSessionForTests();
}
