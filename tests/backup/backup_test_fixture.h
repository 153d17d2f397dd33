#pragma once
// Backup and restore against a sandbox of the test program's own: the database "Ledger" with
// three accounts, the session connected to it as the connection dialog leaves it, the status
// texts written, answers to prompts, and modal windows answered as they appear.
#include "shell/catalog_helpers.h"
#include "shell/data/server_admin.h"
#include "shell/qt_test_application.h"
#include "shell/recording_prompts.h"
#include "shell/session.h"
#include "support/qt_printers.h"
#include "support/sandbox_process.h"
#include "support/session_reset.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace norvane::testing {

// The program's one sandbox, started on first use with the work delay of that first call
// (milliseconds the server pauses after each percent of a backup or restore).
inline test::SandboxProcess& ownSandbox(int workDelayMs = 0)
{
    test::PrivateOdbcConfig::instance();
    static test::SandboxProcess sandbox([&] {
        test::SandboxProcess::Options options;
        options.workDelayMs = workDelayMs;
        // sa for the program; clerk, another login, whose sessions the program does not list.
        options.logins = {QStringLiteral("sa:"), QStringLiteral("clerk:Clerk#1")};
        return options;
    }());
    return sandbox;
}

// A folder or file on the sandbox's drive ("D", "Backups/notes.txt") as the host sees it.
inline QString hostPath(const QString& drive, const QString& relative = QString())
{
    return ownSandbox().dataDirectory() + QStringLiteral("/drives/") + drive
        + (relative.isEmpty() ? QString() : QLatin1Char('/') + relative);
}

inline void makeFolder(const QString& drive, const QString& relative)
{
    ASSERT_TRUE(QDir().mkpath(hostPath(drive, relative)));
}

inline void writeHostFile(const QString& drive, const QString& relative, const QByteArray& bytes)
{
    QFile file(hostPath(drive, relative));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

// Runs each batch on a connection of its own to the database.
inline void runOn(const QString& database, const QStringList& batches)
{
    Connection connection;
    connection.open(ownSandbox().connectionString(database));
    for (const QString& batch : batches)
        connection.executeCommand(batch);
    connection.close();
}

// The first column of the first row of a query on a connection of its own.
inline QString scalarOn(const QString& database, const QString& sql)
{
    Connection connection;
    connection.open(ownSandbox().connectionString(database));
    Recordset result = connection.execute(sql);
    const QString value = result.eof() ? QString() : result.field(0).text();
    result.close();
    connection.close();
    return value;
}

// Waits until the server counts this many sessions in the database: a connection closed a
// moment ago may still be leaving it.
inline void waitForSessionsIn(const QString& database, int expected)
{
    Connection watcher;
    watcher.open(ownSandbox().connectionString(QStringLiteral("master")));
    for (int attempt = 0; attempt < 250; ++attempt) {
        Recordset who = watcher.execute(QStringLiteral("sp_who"));
        int inside = 0;
        for (; !who.eof(); who.moveNext())
            if (who.field(QStringLiteral("dbname")).text().trimmed().compare(database, Qt::CaseInsensitive) == 0)
                ++inside;
        who.close();
        if (inside == expected)
            break;
        QTest::qWait(20);
    }
    watcher.close();
}

// A fresh database with the table Accounts holding three rows.
inline void createLedger(const QString& name = QStringLiteral("Ledger"))
{
    // A connection closed a moment ago may not have left the database yet on the server.
    for (int attempt = 1;; ++attempt) {
        try {
            runOn(QStringLiteral("master"), {QStringLiteral("IF EXISTS (SELECT name FROM master..sysdatabases WHERE name = N'")
                                             + name + QStringLiteral("') DROP DATABASE [") + name + QStringLiteral("]")});
            break;
        } catch (const DbError&) {
            if (attempt == 100)
                throw;
            QTest::qWait(20);
        }
    }
    runOn(QStringLiteral("master"), {QStringLiteral("CREATE DATABASE [") + name + QStringLiteral("]")});
    runOn(name, {QStringLiteral("CREATE TABLE Accounts (Id int NOT NULL PRIMARY KEY, Name varchar(40) NOT NULL)"),
                 QStringLiteral("INSERT INTO Accounts (Id, Name) VALUES (1, 'Harbour dues')"),
                 QStringLiteral("INSERT INTO Accounts (Id, Name) VALUES (2, 'Pilotage')"),
                 QStringLiteral("INSERT INTO Accounts (Id, Name) VALUES (3, 'Berth rent')")});
}

// The session as a successful Connect leaves it: connection open on the database, the
// server-management object logged in to the address that reached the server.
inline void connectSession(const QString& database = QStringLiteral("Ledger"))
{
    test::SandboxProcess& sandbox = ownSandbox();
    Session& s = session();
    s.ConnectionString = sandbox.connectionString(database);
    s.UserName = QStringLiteral("sa");
    s.Password = QString();
    s.connection.open(s.ConnectionString);
    s.ServerName = s.connection.property(QStringLiteral("Server Name"));
    s.DatabaseName = s.connection.property(QStringLiteral("Current Catalog"));
    s.serverAdmin = std::make_unique<ServerAdmin>();
    s.serverAdmin->connect(sandbox.dataSource(), QStringLiteral("sa"), QString());
    s.Connected = true;
    s.EverConnected = true;
}

inline void disconnectSession()
{
    if (session().serverAdmin)
        session().serverAdmin->disconnect();
    resetSessionForTests();
}

// Calls answer with the modal window of type T once it is shown (the caller then blocks in it).
template <typename T>
void whenModalShown(std::function<void(T&)> answer, int attempts = 1000)
{
    QTimer::singleShot(5, [answer = std::move(answer), attempts]() mutable {
        if (auto* window = qobject_cast<T*>(QApplication::activeModalWidget()); window && window->isVisible())
            answer(*window);
        else if (attempts > 0)
            whenModalShown<T>(std::move(answer), attempts - 1);
        else
            ADD_FAILURE() << "no modal " << T::staticMetaObject.className() << " appeared";
    });
}

template <typename T>
T* control(const QWidget& window, const char* name)
{
    T* found = window.findChild<T*>(QString::fromUtf8(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

// A mouse click on the node, as the user gives it.
inline void clickNode(QTreeWidget* tree, QTreeWidgetItem* node)
{
    tree->scrollToItem(node);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(node).center());
}

inline QTreeWidgetItem* topNode(QTreeWidget* tree, const QString& text)
{
    const QList<QTreeWidgetItem*> found = tree->findItems(text, Qt::MatchExactly);
    return found.size() == 1 ? found.first() : nullptr;
}

inline QTreeWidgetItem* childNode(QTreeWidgetItem* parent, const QString& text)
{
    for (int i = 0; parent && i < parent->childCount(); ++i)
        if (parent->child(i)->text(0) == text)
            return parent->child(i);
    return nullptr;
}

inline QStringList childTexts(const QTreeWidgetItem* parent)
{
    QStringList texts;
    for (int i = 0; i < parent->childCount(); ++i)
        texts << parent->child(i)->text(0);
    return texts;
}

}  // namespace norvane::testing
