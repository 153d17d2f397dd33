// The main window: menu, status bar, image list, one instance per child window, Connect,
// Refresh and Exit, against the sandbox.
#include "login_shell_fixture.h"
#include "shell/catalog_helpers.h"

#include <QAction>
#include <QDate>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPointer>

using namespace norvane;
using norvane::testing::ShellFixture;

namespace {

class MainWindow : public ShellFixture {};

QPointer<QWidget> tablesWindowOf(frmMain& main)
{
    return main.child("Tables");
}

bool catalogHasTable(const QString& name)
{
    Recordset found = session().connection.execute("Select Name From SysObjects Where Name = '" + name + "'");
    return !found.eof();
}

}  // namespace

TEST(MainWindowDesign, EveryProgramCommandIsOfferedAndTheStatusBarServesTheSharedRoutines)
{
    norvane::testing::testApplication();
    frmMain main(norvane::testing::programWindows());
    const QList<QAction*> actions = main.menuBar()->actions();
    ASSERT_EQ(actions.size(), 15);
    for (const QAction* action : actions)
        EXPECT_TRUE(action->isEnabled()) << action->objectName().toStdString();  // every window and command is built

    EXPECT_EQ(main.panelText(5), QLocale().toString(QDate::currentDate(), QLocale::ShortFormat));
    for (const QString& key : frmMain::imageKeys()) {
        EXPECT_FALSE(main.image(key).isNull()) << key.toStdString();
        EXPECT_EQ(imageListIcon(key).cacheKey(), main.image(key).cacheKey());
    }

    // The shared status routine writes panel 1.
    main.show();
    SetStatus("Loading Tables. Please wait...", true);
    EXPECT_EQ(main.panelText(1), "Loading Tables. Please wait...");
    SetStatus("Ready", false);
    EXPECT_EQ(main.panelText(1), "Ready");
}

TEST_F(MainWindow, AMenuCommandTwiceShowsOneWindowBroughtToTheFront)
{
    connectSession(harborSource(), "Harbor");
    frmMain main(norvane::testing::programWindows());
    main.show();
    main.menuCommand("mnuTables")->trigger();
    QPointer<QWidget> first = tablesWindowOf(main);
    ASSERT_TRUE(first);
    // The child keeps its designed size: 12000 by 8100 twips less the caption allowance, in whole pixels.
    EXPECT_EQ(first->size(), QSize(800, 514));
    QWidget* other = main.openChild("probe", [](QWidget* parent) {
        auto* window = new QWidget(parent);
        window->setWindowTitle("Probe");
        return window;
    });
    EXPECT_EQ(main.mdiArea()->activeSubWindow()->widget(), other);

    main.menuCommand("mnuTables")->trigger();
    EXPECT_EQ(tablesWindowOf(main), first.data());
    EXPECT_EQ(main.mdiArea()->subWindowList().size(), 2);
    EXPECT_EQ(main.mdiArea()->activeSubWindow()->widget(), first.data());

    // A closed window is loaded afresh by its command.
    main.mdiArea()->activeSubWindow()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(first);
    main.menuCommand("mnuTables")->trigger();
    EXPECT_TRUE(tablesWindowOf(main));
    EXPECT_EQ(main.openChildren().size(), 2);
}

TEST_F(MainWindow, ConnectToAnotherDatabaseClosesEveryChildAndReopensTheTables)
{
    connectSession(harborSource(), "Harbor");
    frmMain main(norvane::testing::programWindows());
    main.show();
    main.openTablesWindow();
    QPointer<QWidget> oldTables = tablesWindowOf(main);
    QPointer<QWidget> probe = main.openChild("probe", [](QWidget* parent) { return new QWidget(parent); });

    whenDialogShown([](frmLogin& dialog) {
        EXPECT_EQ(dialog.parentWidget(), frmMain::find());
        fillServerLogin(dialog, harborSource(), "HarborArchive");
        dialog.cmdCONConnect->click();
    });
    main.menuCommand("mnuConnect")->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    ASSERT_TRUE(prompts->requests.empty()) << prompts->requests[0].text.toStdString();
    EXPECT_FALSE(oldTables);
    EXPECT_FALSE(probe);
    const QList<QWidget*> children = main.openChildren();
    ASSERT_EQ(children.size(), 1);
    EXPECT_EQ(children[0]->objectName(), "frmTables");
    EXPECT_EQ(session().DatabaseName, "HarborArchive");
    EXPECT_EQ(session().connection.currentCatalog(), "HarborArchive");
    EXPECT_EQ(main.panelText(3), "HarborArchive");
    EXPECT_FALSE(main.hasSharedLogin());  // unloaded with the other windows, saving its inputs
    EXPECT_TRUE(settings.fileText().contains("Database=HarborArchive\n"));
}

TEST_F(MainWindow, CancelFromTheMenuKeepsTheSessionAndWindows)
{
    connectSession(harborSource(), "Harbor");
    frmMain main(norvane::testing::programWindows());
    main.show();
    main.openTablesWindow();
    QPointer<QWidget> tables = tablesWindowOf(main);
    const QString connectionString = session().ConnectionString;

    whenDialogShown([](frmLogin& dialog) {
        dialog.cboCONServers->setEditText("127.0.0.1,1");
        dialog.cmdSQLCancel->click();
    });
    main.mnuConnect_Click();
    EXPECT_TRUE(tables);
    EXPECT_EQ(session().ConnectionString, connectionString);
    EXPECT_TRUE(session().connection.isOpen());
    EXPECT_TRUE(main.hasSharedLogin());  // only hidden
    EXPECT_FALSE(main.sharedLogin()->isVisible());
    EXPECT_TRUE(prompts->requests.empty());
}

TEST_F(MainWindow, RefreshReopensTheConnectionAndShowsATableCreatedMeanwhile)
{
    connectSession(harborSource(), "Harbor");
    frmMain main(norvane::testing::programWindows());
    main.show();
    main.openTablesWindow();
    QPointer<QWidget> oldTables = tablesWindowOf(main);
    QPointer<QWidget> probe = main.openChild("probe", [](QWidget* parent) { return new QWidget(parent); });
    {
        Connection other;
        other.open(test::sharedSampleSandbox().connectionString("Harbor"));
        other.executeCommand("CREATE TABLE RefreshProbe (Id int)");
    }
    main.menuCommand("mnuRefresh")->trigger();
    EXPECT_TRUE(prompts->requests.empty());
    EXPECT_FALSE(oldTables);
    EXPECT_FALSE(probe);
    ASSERT_EQ(main.openChildren().size(), 1);
    EXPECT_TRUE(session().connection.isOpen());
    EXPECT_TRUE(session().serverAdmin->isConnected());
    EXPECT_TRUE(catalogHasTable("RefreshProbe"));
    auto* list = tablesWindowOf(main)->findChild<QListWidget*>("lstTABTables");
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->findItems("RefreshProbe", Qt::MatchExactly).size(), 1);
}

TEST_F(MainWindow, RefreshAndExitWithTheServerGone)
{
    test::SandboxProcess sandbox;
    connectSession(sandbox.dataSource(), "master");
    frmMain main(norvane::testing::programWindows());
    main.show();
    main.openTablesWindow();
    QPointer<QWidget> tables = tablesWindowOf(main);
    const QString connectionString = session().ConnectionString;
    sandbox.stop();

    main.mnuRefresh_Click();
    ASSERT_EQ(prompts->requests.size(), 1u);
    const PromptRequest& message = prompts->requests[0];
    EXPECT_EQ(message.icon, QMessageBox::Critical);
    EXPECT_EQ(message.title, "Norvane");
    EXPECT_TRUE(message.text.startsWith("Error...Problems encountered while refreshing!\r\nDetails:"))
        << message.text.toStdString();
    EXPECT_GT(message.text.size(), QString("Error...Problems encountered while refreshing!\r\nDetails:").size());
    // The session is as it was, windows included.
    EXPECT_TRUE(tables);
    EXPECT_EQ(session().ConnectionString, connectionString);
    EXPECT_TRUE(session().connection.isOpen());

    // Exit still closes the connection and ends, errors ignored.
    main.close();
    EXPECT_FALSE(main.isVisible());
    EXPECT_FALSE(session().connection.isOpen());
}

TEST(MainWindowDesign, TipsAndAboutAreModalWindowsOwnedByTheMainWindow)
{
    norvane::testing::testApplication();
    frmMain main(norvane::testing::programWindows());
    main.show();
    for (const auto& [command, windowName] : {std::pair<QString, QString>{"mnuTips", "frmTip"},
                                              std::pair<QString, QString>{"mnuAbout", "frmAbout"}}) {
        QString shownName;
        QWidget* owner = nullptr;
        QTimer::singleShot(0, [&] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                shownName = modal->objectName();
                owner = modal->parentWidget();
                modal->close();
            }
        });
        main.menuCommand(command)->trigger();
        EXPECT_EQ(shownName, windowName);
        EXPECT_EQ(owner, &main);
    }
}

TEST_F(MainWindow, OffersExactlyTheRegisteredWindowsAndCommands)
{
    WindowRegistry windows;
    int viewsMade = 0;
    QWidget* reportsOwner = nullptr;
    int afterConnect = 0;
    windows.addChild("Views", [&](QWidget* parent) {
        ++viewsMade;
        return new QWidget(parent);
    });
    windows.addCommand("Reports", [&](QWidget* owner) { reportsOwner = owner; });
    windows.addAfterConnect([&] { ++afterConnect; });

    connectSession(harborSource(), "Harbor");
    frmMain main(windows);
    main.show();
    for (const char* name : {"mnuTables", "mnuSPs", "mnuFunctions", "mnuQuery", "mnuSearch", "mnuBackup",
                             "mnuRestore", "mnuCompare"})
        EXPECT_FALSE(main.menuCommand(name)->isEnabled()) << name;
    ASSERT_TRUE(main.menuCommand("mnuViews")->isEnabled());
    ASSERT_TRUE(main.menuCommand("mnuReports")->isEnabled());

    main.menuCommand("mnuViews")->trigger();
    main.menuCommand("mnuViews")->trigger();
    EXPECT_EQ(viewsMade, 1);
    EXPECT_EQ(main.openChildren().size(), 1);
    EXPECT_EQ(main.openChild("SPs"), nullptr);  // not registered: nothing opens
    main.menuCommand("mnuReports")->trigger();
    EXPECT_EQ(reportsOwner, &main);

    // A reconnection from the menu runs the after-connect actions once.
    whenDialogShown([](frmLogin& dialog) {
        fillServerLogin(dialog, harborSource(), "HarborArchive");
        dialog.cmdCONConnect->click();
    });
    main.mnuConnect_Click();
    ASSERT_TRUE(prompts->requests.empty()) << prompts->requests[0].text.toStdString();
    EXPECT_EQ(afterConnect, 1);
    EXPECT_TRUE(main.openChildren().isEmpty());  // every child closed; no tables window registered
}
