#include "shell/data/server_admin_backup.h"

#include "shell/data/server_admin.h"
#include "shell/data/sql_text.h"

#include <QRegularExpression>

#include <chrono>
#include <thread>

namespace norvane {

namespace {

// The server's message numbers this file reads.
constexpr int kProgressMessage = 3211;
constexpr int kCompletedMessage = 3014;  // "BACKUP DATABASE successfully processed ..."
constexpr int kOthersInDatabase = 5070;  // "Database state cannot be changed while other users are using ..."
constexpr int kAlterFailed = 5069;       // "ALTER DATABASE statement failed."

// A KILLed session can take a moment to leave its database.
constexpr int kSingleUserAttempts = 10;
constexpr auto kSingleUserPause = std::chrono::milliseconds(100);

// Installs a message handler on a connection for the length of one operation.
class MessageHandlerScope {
public:
    MessageHandlerScope(Connection& connection, MessageHandler handler) : connection_(connection)
    {
        connection_.setMessageHandler(std::move(handler));
    }
    ~MessageHandlerScope() { connection_.setMessageHandler(nullptr); }
    MessageHandlerScope(const MessageHandlerScope&) = delete;
    MessageHandlerScope& operator=(const MessageHandlerScope&) = delete;

private:
    Connection& connection_;
};

void runWithProgress(ServerAdmin& admin, const QString& sql, const QString& unconfirmed, const PercentHandler& onPercent)
{
    if (!admin.isConnected())
        throw DbError(0, QStringLiteral("08003"), QStringLiteral("The server-management object is not logged in."));
    bool completed = false;
    {
        const MessageHandlerScope scope(admin.connection(), [&](const DbMessage& message) {
            if (message.nativeError == kCompletedMessage)
                completed = true;
            else if (const std::optional<int> percent = progressPercent(message); percent && onPercent)
                onPercent(*percent);
        });
        // The whole batch is read to its end: stopping early would cancel the server's work.
        admin.connection().executeCommand(sql);
    }
    if (!completed)
        throw DbError(0, QStringLiteral("HY000"), unconfirmed);
}

}  // namespace

std::optional<int> progressPercent(const DbMessage& message)
{
    if (message.nativeError != kProgressMessage)
        return std::nullopt;
    static const QRegularExpression wording(
        QStringLiteral("^\\s*(\\d{1,3})\\s+percent\\s+(backed up|restored|processed)\\.?\\s*$"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = wording.match(message.text);
    if (!match.hasMatch())
        return std::nullopt;
    const int percent = match.captured(1).toInt();
    if (percent > 100)
        return std::nullopt;
    return percent;
}

QString backupStatement(const QString& database, const QString& file)
{
    const QString description = quotedLiteralText(QString::fromLatin1(kBackupDescription));
    return QStringLiteral("BACKUP DATABASE ") + bracketed(database) + QStringLiteral(" TO DISK = N'")
        + quotedLiteralText(file) + QStringLiteral("' WITH INIT, NAME = N'") + quotedLiteralText(database)
        + QStringLiteral("', DESCRIPTION = N'") + description + QStringLiteral("', MEDIADESCRIPTION = N'")
        + description + QStringLiteral("', STATS = 1");
}

QString restoreStatement(const QString& database, const QString& file)
{
    return QStringLiteral("RESTORE DATABASE ") + bracketed(database) + QStringLiteral(" FROM DISK = N'")
        + quotedLiteralText(file) + QStringLiteral("' WITH REPLACE, STATS = 1");
}

void runBackup(ServerAdmin& admin, const QString& database, const QString& file, const PercentHandler& onPercent)
{
    runWithProgress(admin, backupStatement(database, file),
                    QStringLiteral("The server did not confirm that the backup of database '") + database
                        + QStringLiteral("' was completed."),
                    onPercent);
}

void runRestore(ServerAdmin& admin, const QString& database, const QString& file, const PercentHandler& onPercent)
{
    runWithProgress(admin, restoreStatement(database, file),
                    QStringLiteral("The server did not confirm that the restore of database '") + database
                        + QStringLiteral("' was completed."),
                    onPercent);
}

void setSingleUser(ServerAdmin& admin, const QString& database, bool on)
{
    if (!admin.isConnected())
        throw DbError(0, QStringLiteral("08003"), QStringLiteral("The server-management object is not logged in."));
    const QString sql = QStringLiteral("ALTER DATABASE ") + bracketed(database)
        + (on ? QStringLiteral(" SET SINGLE_USER WITH NO_WAIT") : QStringLiteral(" SET MULTI_USER"));
    for (int attempt = 1;; ++attempt) {
        try {
            admin.connection().executeCommand(sql);
            return;
        } catch (const DbError& error) {
            const bool othersInside = error.nativeError() == kOthersInDatabase || error.nativeError() == kAlterFailed;
            if (!on || !othersInside || attempt >= kSingleUserAttempts)
                throw;
        }
        std::this_thread::sleep_for(kSingleUserPause);
    }
}

}  // namespace norvane
