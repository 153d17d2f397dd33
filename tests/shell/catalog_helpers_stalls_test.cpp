// ShowRows against a server that stalls (the sandbox stopped with SIGSTOP) or sends many rows:
// the window keeps turning its events, the time limit ends the read with its message, and
// Escape stops a read, keeping the rows read so far.
#include "qt_test_application.h"
#include "recording_prompts.h"
#include "shell/catalog_helpers.h"
#include "shell/session.h"
#include "support/qt_printers.h"
#include "support/sandbox_process.h"
#include "support/session_reset.h"

#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <csignal>

using namespace norvane;

namespace {

class ShowRowsStalls : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        test::PrivateOdbcConfig::instance();
        sandbox = std::make_unique<test::SandboxProcess>();
        Connection setup;
        setup.open(sandbox->connectionString());
        setup.executeCommand("CREATE DATABASE Stalls");
        QString digits = "USE Stalls\nCREATE TABLE Digits (d int NOT NULL)\n";
        for (int d = 0; d < 10; ++d)
            digits += QString("INSERT INTO Digits (d) VALUES (%1)\n").arg(d);
        setup.executeCommand(digits);
        // 20,000 wide rows, so that reading them all takes a while.
        setup.executeCommand("USE Stalls\nCREATE TABLE Many (n int NOT NULL, label varchar(20) NULL, filler "
                             "varchar(1000) NULL)\nINSERT INTO Many (n, label, filler) SELECT a.d + 10 * b.d + 100 * "
                             "c.d + 1000 * e.d + 10000 * f.d, 'row', '" +
                             QString(1000, 'x') +
                             "' FROM Digits a, Digits b, Digits c, Digits e, Digits f WHERE f.d < 2");
    }
    static void TearDownTestSuite() { sandbox.reset(); }
    void SetUp() override
    {
        session().connection.open(sandbox->connectionString("Stalls"));
        session().queryTimeoutSeconds = 2;
        session().Connected = true;
    }
    void TearDown() override
    {
        ::kill(sandbox->pid(), SIGCONT);
        resetSessionForTests();
        session().queryTimeoutSeconds = 30;
    }

    static inline std::unique_ptr<test::SandboxProcess> sandbox;
    norvane::testing::RecordingPrompts::Installed prompts;
    QTreeWidget list;
};

} // namespace

TEST_F(ShowRowsStalls, AStalledReadEndsAtItsTimeLimitAndEscapeStopsALongOne)
{
    int ticks = 0;
    QTimer clock;
    QObject::connect(&clock, &QTimer::timeout, [&] { ++ticks; });
    clock.start(50);
    ASSERT_EQ(::kill(sandbox->pid(), SIGSTOP), 0);
    QElapsedTimer elapsed;
    elapsed.start();
    QString failure;
    try {
        ShowRows(&list, "[Stalls].[dbo].[Digits]", true);
    } catch (const DbError& error) {
        failure = error.sqlState() + "|" + error.description();
    }
    EXPECT_EQ(failure, "HYT00|The server did not answer within 2 seconds; its connection was closed.");
    EXPECT_LT(elapsed.elapsed(), 6000);
    EXPECT_GT(ticks, 20); // the window's own events ran throughout
    EXPECT_FALSE(session().connection.isOpen());

    // Once the server resumes, a new connection reads the rows.
    ::kill(sandbox->pid(), SIGCONT);
    session().connection.open(sandbox->connectionString("Stalls"));
    ShowRows(&list, "[Stalls].[dbo].[Digits]", true);
    EXPECT_EQ(list.topLevelItemCount(), 10);
    EXPECT_TRUE(prompts->requests.empty());

    // Escape stops a long read and keeps the rows read so far. It comes once the user has agreed
    // to see every row and the first rows show.
    list.clear();
    prompts->answers.push_back({QMessageBox::Yes, {}, 1});
    QTimer escape;
    QObject::connect(&escape, &QTimer::timeout, [&] {
        if (prompts->requests.size() == 1 && list.topLevelItemCount() > 0) {
            escape.stop();
            QCoreApplication::postEvent(&list, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
        }
    });
    escape.start(1);
    ShowRows(&list, "[Stalls].[dbo].[Many]", true);
    ASSERT_EQ(prompts->requests.size(), 1u);
    EXPECT_EQ(prompts->requests[0].text,
              "This contains 20000 rows..\r\nDo you want to Display them all?\r\n[Click No to display only 500 rows]");
    ASSERT_GT(list.topLevelItemCount(), 0);
    EXPECT_LT(list.topLevelItemCount(), 20000);
    EXPECT_EQ(list.topLevelItem(0)->text(1), "row");

    // The connection goes on serving.
    ShowRows(&list, "[Stalls].[dbo].[Digits]", false);
    EXPECT_EQ(list.topLevelItemCount(), 10);
}
