#pragma once
// The layout of a backup file: a media header, then backup sets one after another (BACKUP ... WITH
// INIT starts a new file, without INIT it appends a set). A set holds a copy of one database file.
#include <optional>
#include <string>
#include <vector>

namespace sandbox {

struct BackupSet {
    std::string database;     // the database backed up
    std::string name;         // WITH NAME
    std::string description;  // WITH DESCRIPTION
    std::string content;      // the database file's bytes
};

// The whole file for these sets (MEDIADESCRIPTION labels the media).
std::string writeBackupMedia(const std::vector<BackupSet>& sets, const std::string& mediaDescription);
// The sets of a file, oldest first; nullopt when the bytes are not a backup made by this server.
std::optional<std::vector<BackupSet>> readBackupMedia(const std::string& bytes);

}  // namespace sandbox
