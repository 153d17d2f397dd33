#pragma once
// The T-SQL engine: databases kept as SQLite files under one data directory,
// SQL Server 2000's catalog kept inside each, batches run per session.
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "engine/result_sink.h"

namespace sandbox {

class EngineSession;

struct SessionInfo {
    int spid = 51;
    std::string loginName;
    std::string hostName;
    std::string appName;
};

class Engine {
public:
    // Opens (or creates) the data directory with its master database.
    explicit Engine(std::filesystem::path dataDirectory);
    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    // Drops and recreates every database a script in sampleDirectory creates, by running the scripts in name order.
    void loadSample(const std::filesystem::path& sampleDirectory);

    std::vector<std::string> databaseNames() const;
    bool databaseExists(const std::string& name) const;

    // BACKUP and RESTORE pause this long after each percent of their work, so progress can be watched.
    void setWorkDelay(std::chrono::milliseconds delay);

    // Opens a session whose current database is 'master'.
    std::unique_ptr<EngineSession> openSession(const SessionInfo& info);

    // Server identity as @@SERVERNAME and the login messages report it.
    static std::string serverName();

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

class EngineSession {
public:
    virtual ~EngineSession() = default;
    virtual std::string currentDatabase() const = 0;
    // Runs one batch (text as the client sent it, UTF-8), reporting everything to sink.
    virtual void executeBatch(const std::string& sql, ResultSink& sink) = 0;
};

}  // namespace sandbox
