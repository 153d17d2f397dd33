// Progress while the server works slowly: the window moves with the server's percent messages
// and the program keeps turning its event loop the whole time.
#include "backup/backup_commands.h"
#include "backup/backup_test_fixture.h"

#include <QPointer>
#include <QProgressBar>

#include <set>

namespace norvane::testing {
namespace {

class ProgressTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Each percent of the work takes 12 ms on the server.
        ownSandbox(12);
        createLedger();
        makeFolder("C", "Backups");
        connectSession();
    }
    void TearDown() override { disconnectSession(); }

    // Runs the operation while a timer looks at the progress window every few milliseconds.
    void watch(const std::function<void()>& operation)
    {
        QTimer ticker;
        ticker.setInterval(4);
        QObject::connect(&ticker, &QTimer::timeout, [this] {
            ++ticks_;
            for (QWidget* widget : QApplication::topLevelWidgets())
                if (widget->objectName() == QLatin1String("frmProgress") && widget->isVisible()) {
                    auto* bar = widget->findChild<QProgressBar*>(QStringLiteral("prgProgress"));
                    if (bar && bar->minimum() == 0 && bar->maximum() == 100)
                        seen_.insert(bar->value());
                }
        });
        ticker.start();
        operation();
        ticker.stop();
    }

    QWidget owner_;
    RecordingPrompts::Installed prompts_;
    int ticks_ = 0;
    std::set<int> seen_;
};

TEST_F(ProgressTest, TheBarMovesWhileASlowBackupAndRestoreRun)
{
    watch([this] { RunBackup(&owner_, "C:\\Backups\\Ledger.bak"); });
    ASSERT_EQ(prompts_->requests.size(), 1u);
    EXPECT_EQ(prompts_->requests[0].text,
              "Backup of database 'Ledger' from server '" + session().ServerName + "' completed successfully!");
    // About 1.2 s of work: the window was looked at often, and showed many different percents.
    EXPECT_GE(ticks_, 20);
    EXPECT_GE(seen_.size(), 10u);
    EXPECT_GT(*seen_.rbegin(), 50);

    ticks_ = 0;
    seen_.clear();
    prompts_->requests.clear();
    waitForSessionsIn("Ledger", 1);  // the program's own connection alone: nothing to ask
    watch([this] { EXPECT_TRUE(RunRestore(&owner_, "C:\\Backups\\Ledger.bak")); });
    ASSERT_EQ(prompts_->requests.size(), 1u);
    EXPECT_EQ(prompts_->requests[0].text,
              "Restore of database 'Ledger' to server '" + session().ServerName + "' completed successfully!");
    EXPECT_GE(ticks_, 20);
    EXPECT_GE(seen_.size(), 10u);
    EXPECT_TRUE(session().connection.isOpen());
}

}  // namespace
}  // namespace norvane::testing
