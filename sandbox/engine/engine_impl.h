#pragma once
// Engine internals shared by the engine, its sessions and the system procedures.
#include <chrono>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "engine/database_registry.h"
#include "engine/engine.h"
#include "engine/sqlite_handle.h"
#include "engine/write_gate.h"

namespace sandbox {

// What sp_who shows about one session.
struct SessionRecord {
    int spid = 0;
    std::string loginName;
    std::string hostName;
    std::string database;
    bool killed = false;
};

struct Engine::Impl {
    explicit Impl(std::filesystem::path dataDirectory) : registry(std::move(dataDirectory)) {}

    DatabaseRegistry registry;
    WriteGates writeGates;
    std::mutex databasesMutex;  // CREATE / DROP DATABASE one at a time
    std::chrono::milliseconds workDelay{0};  // pause after each percent of a BACKUP or RESTORE

    // Creates a database file with its catalog and lists it in master. Throws SqlError 1801 if it exists.
    void createDatabase(const std::string& name);
    // Deletes a database; throws 3701 (unknown), 3702 (in use by another session), 3708 (system database).
    void dropDatabase(const std::string& name, int droppingSpid);

    void registerSession(const SessionRecord& record);
    void updateSessionDatabase(int spid, const std::string& database);
    void unregisterSession(int spid);
    // KILL: marks the session ended; false when no such session exists.
    bool killSession(int spid);
    bool isKilled(int spid) const;
    std::vector<SessionRecord> sessions() const;

    // Writes a fresh database file with its catalog (id 1 is master).
    void createFile(const std::string& name, int id);

private:
    mutable std::mutex sessionsMutex_;
    std::map<int, SessionRecord> sessions_;
};

}  // namespace sandbox
