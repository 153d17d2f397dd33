#pragma once
// The databases the server knows, as master's sysdatabases lists them, shared by all sessions.
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace sandbox {

struct DatabaseEntry {
    std::string name;  // as created
    int id = 0;
};

class DatabaseRegistry {
public:
    explicit DatabaseRegistry(std::filesystem::path dataDirectory) : directory_(std::move(dataDirectory)) {}

    const std::filesystem::path& directory() const { return directory_; }
    // The SQLite file of a database (names compare without regard to case).
    std::filesystem::path fileOf(const std::string& name) const;

    std::optional<DatabaseEntry> find(const std::string& name) const;
    std::optional<DatabaseEntry> find(int id) const;
    std::vector<DatabaseEntry> all() const;
    void add(const DatabaseEntry& entry);
    void remove(const std::string& name);
    int nextId() const;

    // Bumped whenever a database file is replaced or removed, so sessions reopen their connections.
    std::uint64_t generation() const { return generation_.load(); }
    void bumpGeneration() { ++generation_; }

    // A path on the server's disks: "C:\dir\file" lives under <data directory>/drives/C/dir/file
    // (see resolveServerPath); a bare name lies in relativeBase when one is given. Empty when the
    // path is not one the server can open.
    std::filesystem::path serverPath(const std::string& path, const std::string& relativeBase = {}) const;

private:
    std::filesystem::path directory_;
    mutable std::mutex mutex_;
    std::vector<DatabaseEntry> entries_;
    std::atomic<std::uint64_t> generation_{0};
};

}  // namespace sandbox
