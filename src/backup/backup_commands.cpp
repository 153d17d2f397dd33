#include "backup/backup_commands.h"

#include "backup/backup_text.h"
#include "backup/frmProgress.h"
#include "backup/frmServerDir.h"
#include "backup/progress_runner.h"
#include "shell/catalog_helpers.h"
#include "shell/data/server_admin_backup.h"
#include "shell/frmMain.h"
#include "shell/prompts.h"
#include "shell/session.h"

#include <QDateTime>
#include <QLocale>

#include <memory>
#include <optional>
#include <vector>

namespace norvane {

namespace {

const QString kBackupStatus = QStringLiteral("Backup in progress... Please wait...");
const QString kRestoreStatus = QStringLiteral("Restore in progress... Please wait...");
const QString kReady = QStringLiteral("Ready");
const QString kBackupFailed = QStringLiteral("Backup operation was not completed!");
const QString kRestoreFailed = QStringLiteral("Restore operation was not completed!");
const QString kFileNotOnServer = QStringLiteral(" Try again after selecting a file local to the database server ");

// The server's "Cannot open backup device" error: the file is not one the server can reach.
constexpr int kCannotOpenBackupDevice = 3201;

ServerAdmin& loggedInAdmin()
{
    Session& s = session();
    if (!s.serverAdmin || !s.serverAdmin->isConnected())
        throw DbError(0, QStringLiteral("08003"), QStringLiteral("The server-management object is not logged in."));
    return *s.serverAdmin;
}

void showFailure(QWidget* owner, const QString& sentence, const QString& details)
{
    showMessage(owner, QMessageBox::Information, sentence + QStringLiteral("\r\nDetails:") + details);
}

// Shows the browser in the mode given; the chosen full path, or nothing when it was cancelled.
std::optional<QString> pickServerFile(QWidget* owner, bool restoreMode, const QString& proposedName)
{
    frmServerDir browser(owner);
    browser.RestoreMode = restoreMode;
    browser.FileName = proposedName;
    browser.exec();
    if (session().DirectoryCancelled)
        return std::nullopt;
    return browser.FullPath();
}

// Logs the server-management object in again with the session's login; the session keeps the
// old object when the new login fails.
ServerAdmin& logInAgain()
{
    Session& s = session();
    auto admin = std::make_unique<ServerAdmin>();
    QString target = s.ServerName;
    if (s.serverAdmin) {
        admin->LoginSecure = s.serverAdmin->LoginSecure;
        // The address the object logged in to before, which may differ from the server's own name.
        if (!s.serverAdmin->serverName().isEmpty())
            target = s.serverAdmin->serverName();
    }
    if (admin->LoginSecure)
        admin->connect(target);
    else
        admin->connect(target, s.UserName, s.Password);
    if (s.serverAdmin)
        s.serverAdmin->disconnect();
    s.serverAdmin = std::move(admin);
    return *s.serverAdmin;
}

void reopenConnection()
{
    Session& s = session();
    if (s.connection.isOpen())
        s.connection.close();
    s.connection.open(s.ConnectionString);
}

struct ConnectedSession {
    qint64 spid = 0;
    QString hostName;
};

// The sessions of the session's login in the database, the program's own among them.
std::vector<ConnectedSession> sessionsInDatabase(const QString& database)
{
    Session& s = session();
    const QString sql = s.UserName.isEmpty()
        ? QStringLiteral("sp_who")
        : QStringLiteral("sp_who '") + quotedLiteralText(s.UserName) + QLatin1Char('\'');
    Recordset who = s.connection.execute(sql);
    std::vector<ConnectedSession> kept;
    for (; !who.eof(); who.moveNext()) {
        if (who.field(QStringLiteral("dbname")).text().trimmed().compare(database, Qt::CaseInsensitive) != 0)
            continue;
        kept.push_back({who.field(QStringLiteral("spid")).value().toLongLong(),
                        who.field(QStringLiteral("hostname")).text().trimmed()});
    }
    who.close();
    return kept;
}

qint64 ownSessionId()
{
    Recordset own = session().connection.execute(QStringLiteral("SELECT @@SPID"));
    const qint64 spid = own.eof() ? 0 : own.field(0).value().toLongLong();
    own.close();
    return spid;
}

// After a restore that failed: the database open to everyone again and the program's connection
// open, so both stay usable. Errors here are of no further use to the user and are ignored.
void recoverAfterFailedRestore(const QString& database)
{
    Session& s = session();
    if (s.serverAdmin && s.serverAdmin->isConnected()) {
        try {
            setSingleUser(*s.serverAdmin, database, false);
        } catch (const DbError&) {
        }
    }
    if (!s.connection.isOpen()) {
        try {
            s.connection.open(s.ConnectionString);
        } catch (const DbError&) {
        }
    }
}

}  // namespace

void BackupCommand(QWidget* owner)
{
    Session& s = session();
    const std::optional<QString> path = pickServerFile(
        owner, false, proposedBackupFileName(s.DatabaseName, QDateTime::currentDateTime(), QLocale::system()));
    if (!path)
        return;
    SetStatus(kBackupStatus, true);
    try {
        RunBackup(owner, *path);
    } catch (const DbError& error) {
        showFailure(owner, kBackupFailed, error.description());
    }
    SetStatus(kReady, false);
}

void RunBackup(QWidget* owner, const QString& fullPath)
{
    Session& s = session();
    const QString database = s.DatabaseName;
    ServerAdmin& admin = loggedInAdmin();
    frmProgress progress(owner);
    progress.start();
    progress.show();
    runWithProgress(progress, [&](const PercentHandler& onPercent) { runBackup(admin, database, fullPath, onPercent); });
    showMessage(owner, QMessageBox::Information,
                QStringLiteral("Backup of database '") + database + QStringLiteral("' from server '") + s.ServerName
                    + QStringLiteral("' completed successfully!"));
}

void RestoreCommand(QWidget* owner)
{
    Session& s = session();
    const std::optional<QString> path = pickServerFile(owner, true, QString());
    if (!path)
        return;
    const QString database = s.DatabaseName;
    SetStatus(kRestoreStatus, true);
    try {
        RunRestore(owner, *path);
    } catch (const DbError& error) {
        recoverAfterFailedRestore(database);
        if (error.nativeError() == kCannotOpenBackupDevice)
            showFailure(owner, kRestoreFailed,
                        kFileNotOnServer + (s.serverAdmin ? s.serverAdmin->serverName() : s.ServerName));
        else
            showFailure(owner, kRestoreFailed, error.description());
    }
    SetStatus(kReady, false);
}

bool RunRestore(QWidget* owner, const QString& fullPath)
{
    Session& s = session();
    const QString database = s.DatabaseName;
    ServerAdmin& admin = logInAgain();
    // The session closed by the reopening may still be listed for a moment: it is the program's
    // own, not another user's, and is neither asked about nor killed.
    qint64 closedSpid = 0;
    if (s.connection.isOpen()) {
        try {
            closedSpid = ownSessionId();
        } catch (const DbError&) {
        }
    }
    reopenConnection();

    const qint64 ownSpid = ownSessionId();
    std::vector<ConnectedSession> connected = sessionsInDatabase(database);
    if (closedSpid != ownSpid)
        std::erase_if(connected, [closedSpid](const ConnectedSession& other) { return other.spid == closedSpid; });
    if (connected.size() > 1) {
        QStringList hosts;
        for (const ConnectedSession& other : connected)
            hosts << other.hostName;
        if (askQuestion(owner, connectedHostsQuestion(hosts)) != QMessageBox::Yes)
            return false;
    }
    // The program's own session cannot be ended with KILL; it is closed instead.
    for (const ConnectedSession& other : connected)
        if (other.spid != ownSpid)
            s.connection.executeCommand(QStringLiteral("KILL ") + QString::number(other.spid));
    s.connection.close();

    {
        frmProgress progress(owner);
        progress.start();
        progress.show();
        runWithProgress(progress, [&](const PercentHandler& onPercent) {
            setSingleUser(admin, database, true);
            try {
                runRestore(admin, database, fullPath, onPercent);
            } catch (const DbError&) {
                try {
                    setSingleUser(admin, database, false);
                } catch (const DbError&) {
                    // The restore's own error is the one to report.
                }
                throw;
            }
            setSingleUser(admin, database, false);
        });
        showMessage(owner, QMessageBox::Information,
                    QStringLiteral("Restore of database '") + database + QStringLiteral("' to server '")
                        + s.ServerName + QStringLiteral("' completed successfully!"));
    }

    s.connection.open(s.ConnectionString);
    if (auto* main = qobject_cast<frmMain*>(owner))
        main->reopenTablesWindow();
    return true;
}

}  // namespace norvane
