#pragma once
// Whole-database backup and restore through the server-management object: the server's own
// BACKUP and RESTORE statements on its connection, progress read from the server's
// "N percent ..." messages as they arrive, and the single-user switch around a restore.
// Each call blocks until the server has finished; run it on one thread at a time.
#include "shell/data/db_error.h"

#include <QString>

#include <functional>
#include <optional>

namespace norvane {

class ServerAdmin;

// The text stored with every backup set and its media.
inline constexpr char kBackupDescription[] = "Backup created by Norvane";

// The percent a progress message reports (message 3211: "N percent backed up.",
// "N percent restored." or "N percent processed."); nullopt for any other message.
std::optional<int> progressPercent(const DbMessage& message);

// Called with each percent reached, on the thread that runs the operation.
using PercentHandler = std::function<void(int percent)>;

// BACKUP DATABASE [database] TO DISK = N'file' WITH INIT, NAME = ..., DESCRIPTION = ...,
// MEDIADESCRIPTION = ..., STATS = 1 (the file is overwritten, progress at every percent).
QString backupStatement(const QString& database, const QString& file);
// RESTORE DATABASE [database] FROM DISK = N'file' WITH REPLACE, STATS = 1.
QString restoreStatement(const QString& database, const QString& file);

// Runs the backup or restore on the object's connection. Returns only when the server confirmed
// that the work finished; every error the server reported is thrown as DbError.
void runBackup(ServerAdmin& admin, const QString& database, const QString& file, const PercentHandler& onPercent);
void runRestore(ServerAdmin& admin, const QString& database, const QString& file, const PercentHandler& onPercent);

// Switches the database to single-user mode (on) or back to multi-user mode (off). Switching on
// never waits for other users: while someone else is still in the database it is refused
// (after a short grace period for sessions that are just ending). Throws DbError.
void setSingleUser(ServerAdmin& admin, const QString& database, bool on);

}  // namespace norvane
