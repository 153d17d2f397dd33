#pragma once
// One server per data folder: an advisory lock on a file in the folder, held for the
// server's life. A second server on the same folder learns who holds it and stops.
#include <filesystem>
#include <optional>
#include <string>

#include "tds/socket.h"

namespace sandbox::tds {

class DataFolderLock {
public:
    // Takes the lock, creating the folder and its lock file when missing. Nullopt when
    // another process holds it; why is then in *refusal. Throws std::system_error on I/O failures.
    static std::optional<DataFolderLock> take(const std::filesystem::path& folder, std::string* refusal);

    static constexpr const char* fileName = "norvane-sandbox.lock";

private:
    explicit DataFolderLock(FileDescriptor file) : file_(std::move(file)) {}
    FileDescriptor file_;  // the lock lasts while this stays open
};

}  // namespace sandbox::tds
