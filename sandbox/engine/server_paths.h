#pragma once
// The server's disks: Windows paths a client names ("C:\Backups\harbor.bak") resolve to files
// under <data directory>/drives/<letter>. Nothing a client names can reach a file outside them.
#include <filesystem>
#include <optional>
#include <string>

namespace sandbox {

// The drive letters every server has, each a folder under <data directory>/drives.
inline constexpr const char* kServerDrives[] = {"C", "D"};
// SQL Server 2000's default backup folder: where a bare file name in BACKUP / RESTORE goes.
inline constexpr const char* kDefaultBackupFolder = "C:\\Program Files\\Microsoft SQL Server\\MSSQL\\BACKUP";

// The file of a database as the server names it (SQL Server 2000's default data folder):
// "C:\Program Files\Microsoft SQL Server\MSSQL\data\Harbor.mdf", or its log "Harbor_log.LDF".
std::string serverDataFileName(const std::string& database, bool log = false);

// The host path of a server path, or nullopt when the text is not one the server can open:
// anything but "X:\..." on a drive whose folder exists (host paths, UNC names, "C:x"), a ".."
// that would climb above the drive, a name Windows refuses (<>:"|?* or control characters,
// a trailing dot or blank, CON, NUL, COM1 ...), or a path longer than Windows allows.
// Separators may be \ or / and may be doubled. Each part that exists is matched without
// regard to case, as Windows does. A relative name resolves in relativeBase when given.
std::optional<std::filesystem::path> resolveServerPath(const std::filesystem::path& dataDirectory, const std::string& text,
                                                       const std::string& relativeBase = {});

// True when a database of this name can have a file of its own: what the server's file name
// rules allow (no separators, no characters Windows refuses, no leading dot, 1..123 characters).
bool isStorableDatabaseName(const std::string& name);

}  // namespace sandbox
