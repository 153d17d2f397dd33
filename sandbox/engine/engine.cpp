#include "engine/engine.h"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "catalog/ddl.h"
#include "engine/engine_impl.h"
#include "engine/server_paths.h"
#include "engine/session.h"
#include "engine/sql_error.h"

namespace sandbox {

namespace {

const char* const systemDatabases[] = {"master", "tempdb", "model", "msdb"};

bool isSystemDatabase(const std::string& name)
{
    return std::any_of(std::begin(systemDatabases), std::end(systemDatabases),
                       [&](const char* s) { return equalsIgnoreCase(s, name); });
}

// Collects what a sample batch reports; the first error aborts loading.
class LoadingSink final : public ResultSink {
public:
    void beginResult(const std::vector<ResultColumn>&) override {}
    void row(const std::vector<Value>&) override {}
    void message(const ServerMessage& message) override
    {
        if (message.severity > 10 && !error)
            error = message;
    }
    void databaseChanged(const std::string&, const std::string&) override {}
    void statementDone(std::optional<std::int64_t>, bool) override {}
    bool cancelled() const override { return false; }

    std::optional<ServerMessage> error;
};

// Splits a script into batches on lines that hold only GO.
std::vector<std::string> splitBatches(const std::string& script)
{
    std::vector<std::string> batches;
    std::string current;
    std::istringstream lines(script);
    for (std::string line; std::getline(lines, line);) {
        std::string trimmed = line;
        trimmed.erase(0, trimmed.find_first_not_of(" \t\r"));
        trimmed.erase(trimmed.find_last_not_of(" \t\r") + 1);
        if (equalsIgnoreCase(trimmed, "GO")) {
            batches.push_back(current);
            current.clear();
        } else {
            current += line + "\n";
        }
    }
    if (current.find_first_not_of(" \t\r\n") != std::string::npos)
        batches.push_back(current);
    return batches;
}

}  // namespace

void Engine::Impl::createFile(const std::string& name, int id)
{
    std::filesystem::path file = registry.fileOf(name);
    for (const char* suffix : {"", "-wal", "-shm"})
        std::filesystem::remove(file.string() + suffix);
    SqliteHandle db = openSqlite(file, nullptr);
    catalog::createCatalog(db.get(), name, id == 1);
}

void Engine::Impl::createDatabase(const std::string& name)
{
    std::lock_guard lock(databasesMutex);
    if (registry.find(name))
        throw SqlError(1801, 16, 3, "Database '" + name + "' already exists.");
    if (!isStorableDatabaseName(name))
        throw SqlError(1802, 16, 1, "CREATE DATABASE failed. Some file names listed could not be created. Check previous errors.");
    SqliteHandle master = openSqlite(registry.fileOf("master"), nullptr);
    createFile(name, 0);
    int id = catalog::registerDatabase(master.get(), name, serverDataFileName(name));
    registry.add({name, id});
    registry.bumpGeneration();  // sessions holding the file of an earlier database of this name reopen it
}

void Engine::Impl::dropDatabase(const std::string& name, int droppingSpid)
{
    std::lock_guard lock(databasesMutex);
    auto entry = registry.find(name);
    if (!entry)
        throw SqlError(3701, 11, 1, "Cannot drop the database '" + name + "', because it does not exist in the system catalog.");
    if (isSystemDatabase(entry->name))
        throw SqlError(3708, 16, 1, "Cannot drop the database '" + entry->name + "' because it is a system database.");
    for (const SessionRecord& s : sessions())
        if (s.spid != droppingSpid && equalsIgnoreCase(s.database, entry->name))
            throw SqlError(3702, 16, 3, "Cannot drop the database '" + entry->name + "' because it is currently in use.");
    SqliteHandle master = openSqlite(registry.fileOf("master"), nullptr);
    catalog::unregisterDatabase(master.get(), entry->name);
    registry.remove(entry->name);
    std::filesystem::path file = registry.fileOf(entry->name);
    for (const char* suffix : {"", "-wal", "-shm"})
        std::filesystem::remove(file.string() + suffix);
    registry.bumpGeneration();
}

void Engine::Impl::registerSession(const SessionRecord& record)
{
    std::lock_guard lock(sessionsMutex_);
    sessions_[record.spid] = record;
}

void Engine::Impl::updateSessionDatabase(int spid, const std::string& database)
{
    std::lock_guard lock(sessionsMutex_);
    sessions_[spid].database = database;
}

bool Engine::Impl::killSession(int spid)
{
    std::lock_guard lock(sessionsMutex_);
    auto it = sessions_.find(spid);
    if (it == sessions_.end() || it->second.killed)
        return false;
    it->second.killed = true;
    it->second.database.clear();  // a killed session no longer holds its database
    return true;
}

bool Engine::Impl::isKilled(int spid) const
{
    std::lock_guard lock(sessionsMutex_);
    auto it = sessions_.find(spid);
    return it != sessions_.end() && it->second.killed;
}

void Engine::Impl::unregisterSession(int spid)
{
    std::lock_guard lock(sessionsMutex_);
    sessions_.erase(spid);
}

std::vector<SessionRecord> Engine::Impl::sessions() const
{
    std::lock_guard lock(sessionsMutex_);
    std::vector<SessionRecord> list;
    for (const auto& [spid, record] : sessions_)
        if (!record.killed)
            list.push_back(record);
    return list;
}

Engine::Engine(std::filesystem::path dataDirectory) : impl_(std::make_unique<Impl>(std::move(dataDirectory)))
{
    std::filesystem::create_directories(impl_->registry.directory());
    // The server's drives, C: with SQL Server 2000's default backup folder.
    for (const char* drive : kServerDrives)
        std::filesystem::create_directories(impl_->registry.directory() / "drives" / drive);
    std::filesystem::create_directories(impl_->registry.serverPath(kDefaultBackupFolder));
    const std::filesystem::path masterFile = impl_->registry.fileOf("master");
    if (!std::filesystem::exists(masterFile)) {
        impl_->createFile("master", 1);
        SqliteHandle master = openSqlite(masterFile, nullptr);
        for (const char* name : {"tempdb", "model", "msdb"}) {
            impl_->createFile(name, 0);
            catalog::registerDatabase(master.get(), name, serverDataFileName(name));
        }
    }
    SqliteHandle master = openSqlite(masterFile, nullptr);
    StatementHandle list = prepare(master.get(), "SELECT name, dbid FROM sysdatabases ORDER BY dbid");
    while (sqlite3_step(list.get()) == SQLITE_ROW)
        impl_->registry.add({reinterpret_cast<const char*>(sqlite3_column_text(list.get(), 0)), sqlite3_column_int(list.get(), 1)});
}

Engine::~Engine() = default;

void Engine::loadSample(const std::filesystem::path& sampleDirectory)
{
    std::vector<std::filesystem::path> scripts;
    for (const auto& entry : std::filesystem::directory_iterator(sampleDirectory))
        if (entry.is_regular_file() && entry.path().extension() == ".sql")
            scripts.push_back(entry.path());
    std::sort(scripts.begin(), scripts.end());

    std::vector<std::pair<std::string, std::vector<std::string>>> loaded;
    for (const auto& path : scripts) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        loaded.emplace_back(path.filename().string(), splitBatches(text.str()));
    }
    // Fresh databases: drop every database a script creates before running any script.
    for (const auto& [file, batches] : loaded) {
        for (const std::string& batch : batches) {
            std::vector<Token> tokens;
            try {
                tokens = tokenize(batch);
            } catch (const LexError&) {
                continue;
            }
            for (std::size_t i = 0; i + 2 < tokens.size(); ++i)
                if (tokens[i].isWord("CREATE") && tokens[i + 1].isWord("DATABASE") && tokens[i + 2].isName() &&
                    impl_->registry.find(tokens[i + 2].text) && !isSystemDatabase(tokens[i + 2].text))
                    impl_->dropDatabase(tokens[i + 2].text, -1);
        }
    }
    SessionInfo info;
    info.spid = 0;
    info.loginName = "sa";
    info.appName = "sample loader";
    for (const auto& [file, batches] : loaded) {
        Session session(*impl_, info);
        session.setBulkLoading(true);
        for (std::size_t i = 0; i < batches.size(); ++i) {
            LoadingSink sink;
            session.executeBatch(batches[i], sink);
            if (sink.error)
                throw std::runtime_error("Sample script " + file + ", batch " + std::to_string(i + 1) + ": Msg " +
                                         std::to_string(sink.error->number) + ": " + sink.error->text);
        }
    }
}

std::vector<std::string> Engine::databaseNames() const
{
    std::vector<std::string> names;
    for (const DatabaseEntry& entry : impl_->registry.all())
        names.push_back(entry.name);
    return names;
}

bool Engine::databaseExists(const std::string& name) const { return impl_->registry.find(name).has_value(); }

std::unique_ptr<EngineSession> Engine::openSession(const SessionInfo& info)
{
    return std::make_unique<Session>(*impl_, info);
}

void Engine::setWorkDelay(std::chrono::milliseconds delay) { impl_->workDelay = delay; }

std::string Engine::serverName() { return "SANDBOX"; }

}  // namespace sandbox
