// BACKUP DATABASE, RESTORE DATABASE, ALTER DATABASE SET ..._USER and sp_dboption: the
// server-management work of the backup and restore windows, on SQLite files.
#include <algorithm>
#include <chrono>
#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include "catalog/ddl.h"
#include "engine/backup_media.h"
#include "engine/server_paths.h"
#include "engine/session.h"
#include "engine/sql_error.h"
#include "engine/value_text.h"

namespace sandbox {

namespace {

struct BackupOptions {
    std::string database;
    std::string device;  // the path as written
    bool init = false;   // INIT / FORMAT: the file holds only the new set
    bool replace = false;
    int stats = 0;       // 0: no progress messages
    int file = 1;        // RESTORE ... WITH FILE = n: the set's position on the media
    std::string name;
    std::string description;
    std::string mediaDescription;
};

void informational(ResultSink& sink, int number, const std::string& text)
{
    ServerMessage message;
    message.number = number;
    message.severity = 10;
    message.text = text;
    sink.message(message);
}

void error(ResultSink& sink, int number, int severity, const std::string& text)
{
    ServerMessage message;
    message.number = number;
    message.severity = severity;
    message.text = text;
    sink.message(message);
}

std::string secondsText(std::chrono::steady_clock::duration elapsed, std::int64_t bytes)
{
    const double seconds = std::max(std::chrono::duration<double>(elapsed).count(), 0.001);
    const double rate = static_cast<double>(bytes) / 1048576.0 / seconds;
    char buffer[96];
    std::snprintf(buffer, sizeof buffer, "%.3f seconds (%.3f MB/sec)", seconds, rate);
    return buffer;
}

// SQL Server's pages are 8 KB; a set's page count follows the size of the copied file.
std::int64_t dataPages(std::size_t bytes)
{
    return std::max<std::int64_t>(1, static_cast<std::int64_t>((bytes + 8191) / 8192));
}

// The work of a BACKUP or RESTORE in hundredths: message 3211 at every multiple of STATS, as the
// work gets there, and the pause --work-delay-ms asks for after each hundredth.
class Progress {
public:
    Progress(ResultSink& sink, int stats, const char* word, std::chrono::milliseconds delay)
        : sink_(sink), stats_(stats), word_(word), delay_(delay) {}

    // The work reached percent (1..99); false once the client cancelled.
    bool reach(int percent)
    {
        while (stats_ > 0 && reported_ + stats_ <= percent && reported_ + stats_ < 100) {
            reported_ += stats_;
            informational(sink_, 3211, std::to_string(reported_) + " percent " + word_ + ".");
        }
        const auto until = std::chrono::steady_clock::now() + delay_;
        while (!sink_.cancelled() && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(until - std::chrono::steady_clock::now(),
                                                                                   std::chrono::milliseconds(20)));
        return !sink_.cancelled();
    }
    void finish()
    {
        if (stats_ > 0)
            informational(sink_, 3211, std::string("100 percent ") + word_ + ".");
    }

private:
    ResultSink& sink_;
    int stats_;
    const char* word_;
    std::chrono::milliseconds delay_;
    int reported_ = 0;
};

std::optional<std::string> readFile(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// Writes beside the target and renames, so a failed write leaves the earlier file as it was.
bool replaceFile(const std::filesystem::path& file, const std::string& bytes, int spid)
{
    const std::filesystem::path incoming = file.string() + ".sandbox-" + std::to_string(spid) + ".tmp";
    {
        std::ofstream out(incoming, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) {
            std::error_code ignored;
            std::filesystem::remove(incoming, ignored);
            return false;
        }
    }
    std::error_code error;
    std::filesystem::rename(incoming, file, error);
    if (error)
        std::filesystem::remove(incoming, error);
    return !error;
}

bool isSystemDatabaseName(const std::string& name)
{
    return equalsIgnoreCase(name, "master") || equalsIgnoreCase(name, "tempdb") || equalsIgnoreCase(name, "model") ||
           equalsIgnoreCase(name, "msdb");
}

}  // namespace

// Parses BACKUP/RESTORE DATABASE name TO|FROM DISK = 'path' [WITH ...].
static BackupOptions parseBackup(const std::vector<Token>& tokens, std::size_t begin, std::size_t end,
                                 const std::function<Value(std::size_t, std::size_t)>& evaluate)
{
    auto textOf = [&](std::size_t i) -> std::string {
        if (tokens[i].kind == TokenKind::Variable) {
            Value v = evaluate(i, i + 1);
            if (std::holds_alternative<std::int64_t>(v))
                return std::to_string(std::get<std::int64_t>(v));
            return std::holds_alternative<std::string>(v) ? std::get<std::string>(v) : "";
        }
        return tokens[i].text;
    };
    BackupOptions options;
    std::size_t i = begin + 1;
    if (!tokens[i].isWord("DATABASE")) {
        if (tokens[i].isWord("LOG"))
            throw SqlError(50000, 16, 1, "The Norvane sandbox backs up and restores whole databases only (no BACKUP LOG).");
        for (const char* form : {"HEADERONLY", "FILELISTONLY", "LABELONLY", "VERIFYONLY"})
            if (tokens[i].isWord(form))
                throw SqlError(50000, 16, 1, std::string("The Norvane sandbox restores whole databases only (no RESTORE ") + form + ").");
        throwSyntaxError(tokens, i, begin);
    }
    ++i;
    if (tokens[i].kind == TokenKind::Variable || tokens[i].isName())
        options.database = textOf(i);
    else
        throwSyntaxError(tokens, i, begin);
    ++i;
    if (!tokens[i].isWord("TO") && !tokens[i].isWord("FROM"))
        throwSyntaxError(tokens, i, begin);
    ++i;
    if (!tokens[i].isWord("DISK") || !tokens[i + 1].isSymbol("="))
        throw SqlError(50000, 16, 1, "The Norvane sandbox backs up to and restores from DISK = 'file' only.");
    i += 2;
    if (tokens[i].kind == TokenKind::String || tokens[i].kind == TokenKind::Variable)
        options.device = textOf(i);
    else
        throwSyntaxError(tokens, i, begin);
    ++i;
    if (i < end && tokens[i].isSymbol(","))
        throw SqlError(50000, 16, 1, "The Norvane sandbox writes a backup to one file only.");
    if (i < end) {
        if (!tokens[i].isWord("WITH"))
            throwSyntaxError(tokens, i, begin);
        ++i;
        while (i < end) {
            const Token& option = tokens[i++];
            if (!option.isName())
                throwSyntaxError(tokens, i - 1, begin);
            std::string value;
            if (option.isWord("MOVE")) {
                i += 3;  // MOVE 'logical' TO 'physical': file placement does not apply to SQLite files
            } else if (i < end && tokens[i].isSymbol("=")) {
                if (i + 1 >= end)
                    throwSyntaxError(tokens, i, begin);
                value = textOf(i + 1);
                i += 2;
            }
            if (option.isWord("REPLACE"))
                options.replace = true;
            else if (option.isWord("INIT") || option.isWord("FORMAT"))
                options.init = true;
            else if (option.isWord("STATS"))
                options.stats = value.empty() ? 10 : std::clamp(std::atoi(value.c_str()), 1, 100);
            else if (option.isWord("FILE"))
                options.file = std::atoi(value.c_str());
            else if (option.isWord("NAME"))
                options.name = value;
            else if (option.isWord("DESCRIPTION"))
                options.description = value;
            else if (option.isWord("MEDIADESCRIPTION"))
                options.mediaDescription = value;
            if (i < end && !tokens[i].isSymbol(","))
                throwSyntaxError(tokens, i, begin);
            ++i;
        }
    }
    return options;
}

void Session::runBackupRestore(std::size_t begin, std::size_t end, ResultSink& sink)
{
    const bool backup = tokens_[begin].isWord("BACKUP");
    const std::string verb = backup ? "BACKUP DATABASE" : "RESTORE DATABASE";
    const std::string terminating = verb + " is terminating abnormally.";
    BackupOptions options = parseBackup(tokens_, begin, end, [this](std::size_t b, std::size_t e) { return evaluate(b, e); });
    if (tranCount_ > 0)
        throw SqlError(3021, 16, 1, "Cannot perform a backup or restore operation within a transaction.");
    commitBulk();
    // A bare file name goes to the default backup folder, as on SQL Server.
    const std::filesystem::path file = engine_.registry.serverPath(options.device, kDefaultBackupFolder);
    auto deviceError = [&]() {
        error(sink, 3201, 16, "Cannot open backup device '" + options.device +
                                  "'. Device error or device off-line. See the SQL Server error log for more details.");
        throw SqlError(3013, 16, 1, terminating);
    };
    auto notABackup = [&]() {
        error(sink, 3241, 16, "The media family on device '" + options.device +
                                  "' is incorrectly formed. SQL Server cannot process this media family.");
        throw SqlError(3013, 16, 1, terminating);
    };
    const auto started = std::chrono::steady_clock::now();
    Progress progress(sink, options.stats, backup ? "backed up" : "restored", engine_.workDelay);
    std::error_code ignored;

    if (backup) {
        auto entry = engine_.registry.find(options.database);
        if (!entry)
            throw SqlError(911, 16, 1, "Could not locate entry in sysdatabases for database '" + options.database +
                                           "'. No entry found with that name. Make sure that the name is entered correctly.");
        if (equalsIgnoreCase(entry->name, "tempdb"))
            throw SqlError(3147, 16, 1, "Backup and restore operations are not allowed on database tempdb.");
        if (file.empty() || !std::filesystem::is_directory(file.parent_path(), ignored) ||
            std::filesystem::is_directory(file, ignored))
            deviceError();
        // Without INIT the new set follows those already on the media.
        std::vector<BackupSet> sets;
        if (!options.init && std::filesystem::exists(file, ignored)) {
            const auto bytes = readFile(file);
            if (!bytes)
                deviceError();
            if (!bytes->empty()) {
                auto earlier = readBackupMedia(*bytes);
                if (!earlier)
                    notABackup();
                sets = std::move(*earlier);
            }
        }
        // Copy the database page by page through SQLite's online backup, a hundredth at a time.
        const std::filesystem::path copy = engine_.registry.directory() / ("backup-" + std::to_string(info_.spid) + ".tmp");
        std::filesystem::remove(copy, ignored);
        bool finished = false;
        {
            SqliteHandle target = openSqlite(copy, nullptr);
            sqlite3* source = connection(entry->name).db.get();
            std::int64_t total = 1;
            {
                StatementHandle count = prepare(source, "PRAGMA page_count");
                if (sqlite3_step(count.get()) == SQLITE_ROW)
                    total = std::max<std::int64_t>(1, sqlite3_column_int64(count.get(), 0));
            }
            sqlite3_backup* raw = sqlite3_backup_init(target.get(), "main", source, "main");
            if (!raw)
                throwSqliteError(target.get(), sqlite3_errcode(target.get()));
            int rc = SQLITE_OK;
            std::int64_t copied = 0;
            auto step = [&](int pages) {
                // Another session writing: wait a little, a bounded number of times.
                for (int attempt = 0; attempt < 500; ++attempt) {
                    rc = sqlite3_backup_step(raw, pages);
                    if (rc != SQLITE_BUSY && rc != SQLITE_LOCKED)
                        return;
                    std::this_thread::sleep_for(std::chrono::milliseconds(10));
                }
            };
            bool stopped = false;
            for (int percent = 1; percent <= 99 && rc == SQLITE_OK; ++percent) {
                const std::int64_t wanted = total * percent / 100 - copied;
                if (wanted > 0) {
                    step(static_cast<int>(wanted));
                    copied += wanted;
                }
                if ((rc == SQLITE_OK || rc == SQLITE_DONE) && !progress.reach(percent)) {
                    stopped = true;
                    break;
                }
            }
            if (!stopped && rc == SQLITE_OK)
                step(-1);
            sqlite3_backup_finish(raw);
            if (stopped) {
                target.reset();
                std::filesystem::remove(copy, ignored);
                cancelled_ = true;
                return;
            }
            if (rc != SQLITE_DONE) {
                target.reset();
                std::filesystem::remove(copy, ignored);
                throwSqliteError(source, rc);
            }
            execute(target.get(), "PRAGMA journal_mode=DELETE");
            finished = true;
        }
        auto content = finished ? readFile(copy) : std::nullopt;
        std::filesystem::remove(copy, ignored);
        if (!content)
            deviceError();
        const std::size_t size = content->size();
        sets.push_back({entry->name, options.name, options.description, std::move(*content)});
        const std::size_t position = sets.size();
        if (!replaceFile(file, writeBackupMedia(sets, options.mediaDescription), info_.spid))
            deviceError();
        const std::int64_t pages = dataPages(size);
        informational(sink, 4035, "Processed " + std::to_string(pages) + " pages for database '" + entry->name + "', file '" +
                                      entry->name + "_Data' on file " + std::to_string(position) + ".");
        progress.finish();
        informational(sink, 4035, "Processed 1 pages for database '" + entry->name + "', file '" + entry->name +
                                      "_Log' on file " + std::to_string(position) + ".");
        informational(sink, 3014, "BACKUP DATABASE successfully processed " + std::to_string(pages + 1) + " pages in " +
                                      secondsText(std::chrono::steady_clock::now() - started, static_cast<std::int64_t>(size)) + ".");
        rowCount_ = 0;
        sink.statementDone(std::nullopt, false);
        return;
    }

    // RESTORE
    if (file.empty() || !std::filesystem::is_regular_file(file, ignored))
        deviceError();
    const auto bytes = readFile(file);
    if (!bytes)
        deviceError();
    auto sets = readBackupMedia(*bytes);
    if (!sets || sets->empty())
        notABackup();
    if (options.file < 1 || static_cast<std::size_t>(options.file) > sets->size()) {
        error(sink, 4038, 16, "Cannot find file ID " + std::to_string(options.file) + " on device '" + options.device + "'.");
        throw SqlError(3013, 16, 1, terminating);
    }
    BackupSet& set = (*sets)[static_cast<std::size_t>(options.file - 1)];
    const std::string target = options.database;
    auto existing = engine_.registry.find(target);
    if (existing && isSystemDatabaseName(existing->name))
        throw SqlError(3108, 16, 1, "RESTORE DATABASE must be used in single user mode when trying to restore the master database.");
    if (!existing && !isStorableDatabaseName(target)) {
        error(sink, 5105, 16, "Device activation error. The physical file name '" + serverDataFileName(target) +
                                  "' may be incorrect.");
        throw SqlError(3013, 16, 1, terminating);
    }
    if (existing && !options.replace && !equalsIgnoreCase(existing->name, set.database)) {
        error(sink, 3154, 16, "The backup set holds a backup of a database other than the existing '" + existing->name + "' database.");
        throw SqlError(3013, 16, 1, terminating);
    }
    const std::string name = existing ? existing->name : target;
    auto inUse = [&]() {
        if (equalsIgnoreCase(current_, name))
            return true;
        for (const SessionRecord& other : engine_.sessions())
            if (other.spid != info_.spid && equalsIgnoreCase(other.database, name))
                return true;
        return false;
    };
    if (inUse()) {
        error(sink, 3101, 16, "Exclusive access could not be obtained because the database is in use.");
        throw SqlError(3013, 16, 1, terminating);
    }
    closeConnections(name);
    const std::filesystem::path databaseFile = engine_.registry.fileOf(name);
    {
        // A new file replaces the old one, so connections still open on the old file never see a half-written one.
        const std::filesystem::path incoming = databaseFile.string() + ".restoring";
        std::ofstream out(incoming, std::ios::binary | std::ios::trunc);
        const std::string& content = set.content;
        std::size_t written = 0;
        for (int percent = 1; percent <= 99; ++percent) {
            const std::size_t upTo = content.size() * static_cast<std::size_t>(percent) / 100;
            out.write(content.data() + written, static_cast<std::streamsize>(upTo - written));
            written = upTo;
            if (!progress.reach(percent)) {
                out.close();
                std::filesystem::remove(incoming, ignored);
                cancelled_ = true;
                return;
            }
        }
        out.write(content.data() + written, static_cast<std::streamsize>(content.size() - written));
        out.close();
        if (!out) {
            std::filesystem::remove(incoming, ignored);
            deviceError();
        }
        if (inUse()) {
            // Someone came in while the file was being written: the database stays as it was.
            std::filesystem::remove(incoming, ignored);
            error(sink, 3101, 16, "Exclusive access could not be obtained because the database is in use.");
            throw SqlError(3013, 16, 1, terminating);
        }
        for (const char* suffix : {"-wal", "-shm"})
            std::filesystem::remove(databaseFile.string() + suffix, ignored);
        std::filesystem::rename(incoming, databaseFile);
    }
    engine_.registry.bumpGeneration();
    {
        SqliteHandle restored = openSqlite(databaseFile, nullptr);
        // The catalog's own record of the database name follows the restored name.
        sqlite3_exec(restored.get(), ("UPDATE sandbox_catalog SET database_name = " + sqlLiteral(Value(name))).c_str(), nullptr,
                     nullptr, nullptr);
    }
    if (!existing) {
        std::lock_guard lock(engine_.databasesMutex);
        SqliteHandle master = openSqlite(engine_.registry.fileOf("master"), nullptr);
        int id = catalog::registerDatabase(master.get(), name, serverDataFileName(name));
        engine_.registry.add({name, id});
    }
    progress.finish();
    const std::int64_t pages = dataPages(set.content.size());
    const std::string position = std::to_string(options.file);
    informational(sink, 4035, "Processed " + std::to_string(pages) + " pages for database '" + name + "', file '" + name +
                                  "_Data' on file " + position + ".");
    informational(sink, 4035, "Processed 1 pages for database '" + name + "', file '" + name + "_Log' on file " + position + ".");
    informational(sink, 3014, "RESTORE DATABASE successfully processed " + std::to_string(pages + 1) + " pages in " +
                                  secondsText(std::chrono::steady_clock::now() - started,
                                              static_cast<std::int64_t>(set.content.size())) + ".");
    rowCount_ = 0;
    sink.statementDone(std::nullopt, false);
}

void Session::runAlterDatabase(std::size_t begin, std::size_t end, ResultSink& sink)
{
    // ALTER DATABASE name SET SINGLE_USER | RESTRICTED_USER | MULTI_USER [WITH ROLLBACK IMMEDIATE | ROLLBACK AFTER n | NO_WAIT]
    if (end < begin + 5 || !tokens_[begin + 2].isName() || !tokens_[begin + 3].isWord("SET"))
        throw SqlError(50000, 16, 1, "The Norvane sandbox supports ALTER DATABASE ... SET SINGLE_USER | RESTRICTED_USER | MULTI_USER only.");
    auto entry = engine_.registry.find(tokens_[begin + 2].text);
    if (!entry)
        throw SqlError(911, 16, 1, "Could not locate entry in sysdatabases for database '" + tokens_[begin + 2].text +
                                       "'. No entry found with that name. Make sure that the name is entered correctly.");
    const Token& mode = tokens_[begin + 4];
    if (!mode.isWord("SINGLE_USER") && !mode.isWord("RESTRICTED_USER") && !mode.isWord("MULTI_USER"))
        throw SqlError(50000, 16, 1, "The Norvane sandbox supports ALTER DATABASE ... SET SINGLE_USER | RESTRICTED_USER | MULTI_USER only.");
    const bool immediate = end > begin + 7 && tokens_[begin + 6].isWord("ROLLBACK");
    const bool noWait = end > begin + 6 && tokens_[begin + 6].isWord("NO_WAIT");
    if (!mode.isWord("MULTI_USER")) {
        for (;;) {
            std::vector<int> others;
            for (const SessionRecord& s : engine_.sessions())
                if (s.spid != info_.spid && equalsIgnoreCase(s.database, entry->name))
                    others.push_back(s.spid);
            if (others.empty())
                break;
            if (immediate) {
                for (int spid : others)
                    engine_.killSession(spid);
                informational(sink, 5060, "Nonqualified transactions are being rolled back. Estimated rollback completion: 100%.");
                break;
            }
            if (noWait) {
                error(sink, 5070, 16, "Database state cannot be changed while other users are using the database '" + entry->name + "'");
                throw SqlError(5069, 16, 1, "ALTER DATABASE statement failed.");
            }
            if (sink.cancelled()) {
                cancelled_ = true;
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
    setDatabaseStatus(entry->name, 4096, mode.isWord("SINGLE_USER"));
    setDatabaseStatus(entry->name, 2048, mode.isWord("RESTRICTED_USER"));
    rowCount_ = 0;
    sink.statementDone(std::nullopt, false);
}

void Session::setDatabaseStatus(const std::string& database, int bit, bool on)
{
    sqlite3* master = connection("master").db.get();
    StatementHandle update = prepare(master, on ? "UPDATE sysdatabases SET status = status | ?1 WHERE name = ?2"
                                                : "UPDATE sysdatabases SET status = status & ~?1 WHERE name = ?2");
    sqlite3_bind_int(update.get(), 1, bit);
    sqlite3_bind_text(update.get(), 2, database.c_str(), -1, SQLITE_TRANSIENT);
    int rc = sqlite3_step(update.get());
    if (rc != SQLITE_DONE)
        throwSqliteError(master, rc);
}

int Session::databaseStatus(const std::string& database)
{
    sqlite3* master = connection("master").db.get();
    StatementHandle query = prepare(master, "SELECT status FROM sysdatabases WHERE name = ?1");
    sqlite3_bind_text(query.get(), 1, database.c_str(), -1, SQLITE_TRANSIENT);
    return sqlite3_step(query.get()) == SQLITE_ROW ? sqlite3_column_int(query.get(), 0) : 0;
}

void Session::runDboption(const std::vector<ProcedureArgument>& arguments, ResultSink& sink)
{
    auto text = [&](std::size_t i) -> std::optional<std::string> {
        if (i >= arguments.size() || std::holds_alternative<Null>(arguments[i].value))
            return std::nullopt;
        return std::get<std::string>(convertValue(arguments[i].value, "nvarchar(4000)", -1));
    };
    auto database = text(0);
    auto option = text(1);
    auto value = text(2);
    static const std::pair<const char*, int> options[] = {
        {"single user", 4096}, {"dbo use only", 2048}, {"read only", 1024}, {"offline", 512},
        {"autoclose", 1}, {"select into/bulkcopy", 4}, {"trunc. log on chkpt.", 8}, {"torn page detection", 16},
        {"autoshrink", 4194304}};
    if (!database) {
        std::vector<std::vector<Value>> rows;
        for (const auto& [name, bit] : options)
            rows.push_back({Value(std::string(name))});
        ColumnType type;
        type.type = SqlType::VarChar;
        type.length = 35;
        sendRows({{"Settable database options:", type}}, rows, sink);
        return;
    }
    auto entry = engine_.registry.find(*database);
    if (!entry)
        throw SqlError(15010, 16, 1, "The database '" + *database + "' does not exist. Use sp_helpdb to show available databases.");
    if (!option || !value)
        throw SqlError(15241, 16, 1, "Usage: sp_dboption [dbname [,optname [,'true' | 'false']]]");
    int bit = 0;
    for (const auto& [name, flag] : options)
        if (equalsIgnoreCase(name, *option))
            bit = flag;
    if (bit == 0)
        throw SqlError(15011, 16, 1, "Database option '" + *option + "' does not exist. Specify a valid option.");
    const bool on = equalsIgnoreCase(*value, "true") || equalsIgnoreCase(*value, "on");
    if (!on && !equalsIgnoreCase(*value, "false") && !equalsIgnoreCase(*value, "off"))
        throw SqlError(15241, 16, 1, "Usage: sp_dboption [dbname [,optname [,'true' | 'false']]]");
    if (equalsIgnoreCase(entry->name, "master"))
        throw SqlError(5058, 16, 1, "Option '" + *option + "' cannot be set in database 'master'.");
    if (bit == 4096 && on)
        for (const SessionRecord& s : engine_.sessions())
            if (s.spid != info_.spid && equalsIgnoreCase(s.database, entry->name))
                throw SqlError(15089, 11, 1, "Cannot change the 'single user' option of a database while another user is in the database.");
    setDatabaseStatus(entry->name, bit, on);
    rowCount_ = 0;
    sink.statementDone(std::nullopt, false);
}

}  // namespace sandbox
