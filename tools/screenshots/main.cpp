// Takes the README's screenshots: connects to a sandbox with the sample databases as a user
// would (the connection dialog in server mode, user sa), opens each window from the main
// window's menu, drives it to show something typical and saves a picture of it.
//   norvane-screenshots 127.0.0.1,PORT OUTPUT_DIR
#include "app/program_windows.h"
#include "shell/app_pictures.h"
#include "shell/frmLogin.h"
#include "shell/frmMain.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QRadioButton>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QTreeWidget>

#include <cstdio>
#include <functional>

using namespace norvane;

namespace {

QString outputDirectory;

void settle(int milliseconds = 400)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
}

void save(QWidget* widget, const QString& name)
{
    settle();
    const QString path = QDir(outputDirectory).filePath(name + QStringLiteral(".png"));
    if (!widget->grab().save(path))
        std::fprintf(stderr, "could not write %s\n", qPrintable(path));
    else
        std::printf("%s\n", qPrintable(path));
}

// Runs the action once a modal window is up, then saves a picture of that window and closes it.
void shootModal(const QString& name, const std::function<void(QWidget*)>& drive = {})
{
    auto* timer = new QTimer(qApp);
    timer->setInterval(50);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, name, drive] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        timer->stop();
        timer->deleteLater();
        if (drive)
            drive(modal);
        save(modal, name);
        modal->close();
    });
    timer->start();
}

QWidget* openFromMenu(frmMain& main, const char* command, const QString& windowName)
{
    QAction* action = main.menuCommand(QString::fromLatin1(command));
    if (!action || !action->isEnabled())
        return nullptr;
    // One window at a time, filling the workspace, so each picture shows just that window.
    main.mdiArea()->closeAllSubWindows();
    settle();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    action->trigger();
    settle();
    for (QMdiSubWindow* frame : main.mdiArea()->subWindowList()) {
        if (frame->widget() && frame->widget()->objectName() == windowName) {
            frame->showMaximized();
            settle();
            return frame->widget();
        }
    }
    return nullptr;
}

// The window's find box (its name ends in "Search"): types the name and presses Enter.
void findAndShow(QWidget* window, const QString& name)
{
    for (QLineEdit* box : window->findChildren<QLineEdit*>()) {
        if (box->isVisible() && box->objectName().endsWith(QStringLiteral("Search"))) {
            box->setFocus();
            QTest::keyClicks(box, name);
            QTest::keyClick(box, Qt::Key_Return);
            settle(800);
            return;
        }
    }
}

template <typename T>
T* child(QWidget* window, const char* name)
{
    return window ? window->findChild<T*>(QString::fromLatin1(name)) : nullptr;
}

}  // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Norvane"));
    QApplication::setApplicationName(QStringLiteral("Norvane"));
    QApplication::setWindowIcon(applicationIcon());
    if (argc != 3) {
        std::fprintf(stderr, "usage: norvane-screenshots SERVER OUTPUT_DIR\n");
        return 2;
    }
    const QString server = QString::fromLocal8Bit(argv[1]);
    outputDirectory = QString::fromLocal8Bit(argv[2]);
    QDir().mkpath(outputDirectory);

    WindowRegistry windows;
    registerProgramWindows(windows);

    // A message box nobody expected would wait for ever: say what it says and answer it.
    QTimer unexpectedMessages;
    QObject::connect(&unexpectedMessages, &QTimer::timeout, [] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            std::fprintf(stderr, "message: %s\n", qPrintable(box->text()));
            box->done(QMessageBox::No);
        }
    });
    unexpectedMessages.start(3000);

    // The connection dialog, filled in as a user would fill it.
    frmLogin login(nullptr, &windows);
    login.load();
    login.optCONMode[1]->click();
    login.cboCONServers->setEditText(server);
    login.txtCONUserName->setText(QStringLiteral("sa"));
    login.txtCONPassword->clear();
    login.cboCONDatabase->setEditText(QStringLiteral("Harbor"));
    login.show();
    save(&login, QStringLiteral("connect"));
    login.cmdCONConnect_Click();
    if (!login.LoginOK()) {
        std::fprintf(stderr, "could not connect to %s\n", qPrintable(server));
        return 1;
    }
    login.unload();

    frmMain main(windows);
    main.resize(1280, 860);
    main.openTablesWindow();
    main.show();
    settle();

    QWidget* tables = openFromMenu(main, "mnuTables", QStringLiteral("frmTables"));
    if (tables) {
        findAndShow(tables, QStringLiteral("Products"));
        save(&main, QStringLiteral("tables"));
        if (auto* storedProcedures = child<QRadioButton>(tables, "optStmt6")) {
            storedProcedures->click();
            shootModal(QStringLiteral("code"));
            if (auto* generate = child<QAbstractButton>(tables, "cmdGenerate"))
                generate->click();
        }
    }
    if (QWidget* views = openFromMenu(main, "mnuViews", QStringLiteral("frmViews"))) {
        findAndShow(views, QStringLiteral("ProductCatalog"));
        save(&main, QStringLiteral("views"));
    }
    if (QWidget* procedures = openFromMenu(main, "mnuSPs", QStringLiteral("frmSPs"))) {
        findAndShow(procedures, QStringLiteral("AddOrder"));
        save(&main, QStringLiteral("procedures"));
    }
    if (QWidget* functions = openFromMenu(main, "mnuFunctions", QStringLiteral("frmFunctions"))) {
        findAndShow(functions, QStringLiteral("fnCustomerOrders"));
        save(&main, QStringLiteral("functions"));
    }
    if (QWidget* query = openFromMenu(main, "mnuQuery", QStringLiteral("frmQuery"))) {
        if (auto* input = child<QTextEdit>(query, "rtbQRYInput")) {
            input->setFocus();
            input->insertPlainText(QStringLiteral(
                "SELECT TOP 20 ProductName, UnitPrice, UnitsInStock\nFROM Products\nWHERE Discontinued = 0\n"
                "ORDER BY UnitPrice DESC"));
            QTest::keyClick(input, Qt::Key_F5);
            settle(1500);
        }
        save(&main, QStringLiteral("query"));
    }
    if (QWidget* search = openFromMenu(main, "mnuSearch", QStringLiteral("frmSearch"))) {
        findAndShow(search, QStringLiteral("Customer"));
        if (auto* found = child<QListWidget>(search, "lstSPS"); found && found->count() > 2) {
            found->setFocus();
            found->setCurrentRow(2);
            QTest::keyClick(found, Qt::Key_Return);
            settle(800);
        }
        save(&main, QStringLiteral("search"));
    }
    if (QWidget* compare = openFromMenu(main, "mnuCompare", QStringLiteral("frmCompare"))) {
        if (auto* servers = child<QComboBox>(compare, "cboCONServers"))
            servers->setEditText(server);
        if (auto* database = child<QComboBox>(compare, "cboCONDatabase"))
            database->setEditText(QStringLiteral("HarborArchive"));
        if (auto* user = child<QLineEdit>(compare, "txtCONUserName"))
            user->setText(QStringLiteral("sa"));
        if (auto* connect = child<QAbstractButton>(compare, "cmdConnect"))
            connect->click();
        settle(800);
        if (auto* run = child<QAbstractButton>(compare, "cmdCompare"))
            run->click();
        settle(1500);
        save(&main, QStringLiteral("compare"));
    }
    if (QAction* reports = main.menuCommand(QStringLiteral("mnuReports")); reports && reports->isEnabled()) {
        shootModal(QStringLiteral("reports"));
        reports->trigger();
    }
    if (QAction* backup = main.menuCommand(QStringLiteral("mnuBackup")); backup && backup->isEnabled()) {
        // The directory browser on the server's disks; closing it cancels the backup.
        shootModal(QStringLiteral("backup"), [](QWidget* browser) {
            for (QTreeWidget* tree : browser->findChildren<QTreeWidget*>()) {
                if (QTreeWidgetItem* drive = tree->topLevelItem(0)) {
                    tree->setCurrentItem(drive);
                    drive->setExpanded(true);
                }
            }
        });
        backup->trigger();
    }
    main.close();
    return 0;
}
