#pragma once
// The main window's Backup and Restore commands: the file picked in the server directory
// browser, the work done by the server through the server-management object with the
// progress window moving, and the messages that end each.
#include <QString>

class QWidget;

namespace norvane {

// Backs up the session's database into a file on the server's disks. owner: the main window.
void BackupCommand(QWidget* owner);
// Replaces the session's database with a backup file from the server's disks; after a restore
// the main window shows only the tables window, read afresh.
void RestoreCommand(QWidget* owner);

// The steps after the file is chosen; both throw DbError when the work fails.
void RunBackup(QWidget* owner, const QString& fullPath);
// False when the user chose not to end the other sessions: nothing was restored.
bool RunRestore(QWidget* owner, const QString& fullPath);

}  // namespace norvane
