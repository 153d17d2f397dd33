// The system procedures clients call: sp_pkeys, sp_helptext and sp_who.
#include <algorithm>

#include "engine/session.h"
#include "engine/sql_error.h"
#include "engine/value_text.h"

namespace sandbox {

namespace {

ColumnType sysname(bool nullable = false)
{
    ColumnType type;
    type.type = SqlType::NVarChar;
    type.length = 128;
    type.nullable = nullable;
    return type;
}

ColumnType ofType(SqlType sqlType, int length = 0, bool nullable = false)
{
    ColumnType type;
    type.type = sqlType;
    type.length = length;
    type.nullable = nullable;
    return type;
}

// Looks an argument up by parameter name or position; nullopt when absent or NULL.
std::optional<std::string> argument(const std::vector<ProcedureArgument>& arguments, std::size_t position,
                                    std::initializer_list<const char*> names, const std::string& procedure)
{
    bool anyNamed = false;
    for (const ProcedureArgument& a : arguments) {
        if (a.name.empty())
            continue;
        anyNamed = true;
        for (const char* name : names)
            if (equalsIgnoreCase(a.name, name)) {
                if (std::holds_alternative<Null>(a.value))
                    return std::nullopt;
                return std::get<std::string>(convertValue(a.value, "nvarchar(4000)", -1));
            }
    }
    (void)anyNamed;
    if (position < arguments.size() && arguments[position].name.empty()) {
        if (std::holds_alternative<Null>(arguments[position].value))
            return std::nullopt;
        return std::get<std::string>(convertValue(arguments[position].value, "nvarchar(4000)", -1));
    }
    (void)procedure;
    return std::nullopt;
}

void checkParameters(const std::vector<ProcedureArgument>& arguments, std::initializer_list<const char*> names,
                     const std::string& procedure)
{
    for (const ProcedureArgument& a : arguments) {
        if (a.name.empty())
            continue;
        bool known = false;
        for (const char* name : names)
            known = known || equalsIgnoreCase(a.name, name);
        if (!known)
            throw SqlError(8145, 16, 2, a.name + " is not a parameter for procedure " + procedure + ".");
    }
    if (arguments.size() > names.size())
        throw SqlError(8144, 16, 2, "Procedure or function " + procedure + " has too many arguments specified.");
}

// Splits 'owner.name' / '[db].[owner].[name]' into its parts, brackets removed.
std::vector<std::string> nameParts(const std::string& text)
{
    std::vector<std::string> parts(1);
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '[' || c == '"') {
            char close = c == '[' ? ']' : '"';
            for (++i; i < text.size() && text[i] != close; ++i)
                parts.back() += text[i];
        } else if (c == '.') {
            parts.emplace_back();
        } else {
            parts.back() += c;
        }
    }
    return parts;
}

void spPkeys(Session& session, const std::vector<ProcedureArgument>& arguments, ResultSink& sink)
{
    checkParameters(arguments, {"@table_name", "@table_owner", "@table_qualifier"}, "sp_pkeys");
    auto table = argument(arguments, 0, {"@table_name"}, "sp_pkeys");
    auto owner = argument(arguments, 1, {"@table_owner"}, "sp_pkeys");
    auto qualifier = argument(arguments, 2, {"@table_qualifier"}, "sp_pkeys");
    if (!table)
        throw SqlError(201, 16, 4, "Procedure 'sp_pkeys' expects parameter '@table_name', which was not supplied.");
    if (qualifier && !qualifier->empty() && !equalsIgnoreCase(*qualifier, session.currentDatabase()))
        throw SqlError(15250, 16, 1, "The database name component of the object qualifier must be the name of the current database.");
    std::vector<ResultColumn> columns = {
        {"TABLE_QUALIFIER", sysname(true)}, {"TABLE_OWNER", sysname(true)}, {"TABLE_NAME", sysname()},
        {"COLUMN_NAME", sysname()},         {"KEY_SEQ", ofType(SqlType::SmallInt)}, {"PK_NAME", sysname(true)}};
    // The key's columns come from the PRIMARY KEY index (sysindexes status 2048) and its sysindexkeys.
    const std::string sql =
        "SELECT db_name(), u.name, o.name, c.name, k.keyno, "
        "  (SELECT p.name FROM sysobjects p WHERE p.parent_obj = o.id AND p.xtype = 'PK') "
        "FROM sysobjects o JOIN sysusers u ON u.uid = o.uid "
        "JOIN sysindexes i ON i.id = o.id AND (i.status & 2048) <> 0 "
        "JOIN sysindexkeys k ON k.id = o.id AND k.indid = i.indid "
        "JOIN syscolumns c ON c.id = o.id AND c.colid = k.colid "
        "WHERE o.name = ?1 COLLATE SQLSERVER AND o.xtype IN ('U', 'S') "
        "  AND u.name = ifnull(?2, 'dbo') COLLATE SQLSERVER "
        "ORDER BY 1, 2, 3, 5";
    session.sendQuery(sql, {Value(*table), owner ? Value(*owner) : Value(Null{})}, columns, sink);
}

}  // namespace

std::vector<std::string> helpTextLines(const std::vector<std::string>& chunks)
{
    constexpr std::size_t limit = 255;
    std::vector<std::string> rows;
    std::vector<std::string> line;  // characters of the row being built
    auto flush = [&]() {
        std::string text;
        for (const std::string& c : line)
            text += c;
        rows.push_back(text);
        line.clear();
    };
    for (const std::string& chunk : chunks) {
        std::vector<std::string> characters;
        for (std::size_t i = 0; i < chunk.size();) {
            unsigned char lead = static_cast<unsigned char>(chunk[i]);
            std::size_t n = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
            characters.push_back(chunk.substr(i, n));
            i += n;
        }
        for (std::size_t i = 0; i < characters.size(); ++i) {
            line.push_back(characters[i]);
            const bool crlf = characters[i] == "\r" && i + 1 < characters.size() && characters[i + 1] == "\n";
            if (crlf) {
                if (line.size() + 1 > limit) {
                    // The break does not fit: the row is cut at the limit and the rest continues.
                    std::vector<std::string> rest(line.begin() + static_cast<std::ptrdiff_t>(limit), line.end());
                    line.resize(limit);
                    flush();
                    line = rest;
                }
                line.push_back(characters[++i]);
                flush();
                continue;
            }
            if (characters[i] == "\n") {
                flush();
                continue;
            }
            if (line.size() == limit)
                flush();
        }
    }
    if (!line.empty())
        flush();
    return rows;
}

namespace {

void spHelptext(Session& session, const std::vector<ProcedureArgument>& arguments, ResultSink& sink)
{
    checkParameters(arguments, {"@objname", "@columnname"}, "sp_helptext");
    auto name = argument(arguments, 0, {"@objname"}, "sp_helptext");
    if (!name)
        throw SqlError(201, 16, 4, "Procedure 'sp_helptext' expects parameter '@objname', which was not supplied.");
    std::vector<std::string> parts = nameParts(*name);
    if (parts.size() == 3 && !parts[0].empty() && !equalsIgnoreCase(parts[0], session.currentDatabase()))
        throw SqlError(15250, 16, 1, "The database name component of the object qualifier must be the name of the current database.");
    sqlite3* db = session.database();
    StatementHandle find = prepare(db, "SELECT object_id(?1), (SELECT xtype FROM sysobjects WHERE id = object_id(?1))");
    sqlite3_bind_text(find.get(), 1, name->c_str(), -1, SQLITE_TRANSIENT);
    if (sqlite3_step(find.get()) != SQLITE_ROW || sqlite3_column_type(find.get(), 0) == SQLITE_NULL)
        throw SqlError(15009, 16, 1, "The object '" + *name + "' does not exist in database '" + session.currentDatabase() + "'.");
    const std::int64_t id = sqlite3_column_int64(find.get(), 0);
    std::string xtype = sqlite3_column_text(find.get(), 1) ? reinterpret_cast<const char*>(sqlite3_column_text(find.get(), 1)) : "";
    while (!xtype.empty() && xtype.back() == ' ')
        xtype.pop_back();

    std::vector<std::string> chunks;
    bool encrypted = false;
    if (xtype != "U" && xtype != "S") {
        StatementHandle text = prepare(db, "SELECT text, encrypted FROM syscomments WHERE id = ?1 ORDER BY number, colid");
        sqlite3_bind_int64(text.get(), 1, id);
        for (int rc; (rc = sqlite3_step(text.get())) == SQLITE_ROW;) {
            if (sqlite3_column_int(text.get(), 1) != 0)
                encrypted = true;
            else if (sqlite3_column_text(text.get(), 0))
                chunks.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(text.get(), 0)),
                                    static_cast<std::size_t>(sqlite3_column_bytes(text.get(), 0)));
        }
    }
    if (encrypted && chunks.empty()) {
        ServerMessage message;
        message.number = 15471;
        message.severity = 0;
        message.text = "The object comments have been encrypted.";
        sink.message(message);
        sink.statementDone(std::nullopt, false);
        return;
    }
    if (chunks.empty())
        throw SqlError(15197, 16, 1, "There is no text for object '" + *name + "'.");
    std::vector<std::vector<Value>> rows;
    for (std::string& line : helpTextLines(chunks))
        rows.push_back({Value(std::move(line))});
    session.sendRows({{"Text", ofType(SqlType::NVarChar, 255, true)}}, rows, sink);
}

void spWho(Session& session, const std::vector<ProcedureArgument>& arguments, ResultSink& sink)
{
    checkParameters(arguments, {"@loginame", "@login_name"}, "sp_who");
    auto filter = argument(arguments, 0, {"@loginame", "@login_name"}, "sp_who");
    std::vector<ResultColumn> columns = {
        {"spid", ofType(SqlType::SmallInt)},          {"ecid", ofType(SqlType::SmallInt)},
        // sp_who computes loginame with rtrim() and dbname with db_name(), so those two are nvarchar, not padded.
        {"status", ofType(SqlType::NChar, 30)},          {"loginame", ofType(SqlType::NVarChar, 128, true)},
        {"hostname", ofType(SqlType::NChar, 128)},       {"blk", ofType(SqlType::Char, 5)},
        {"dbname", ofType(SqlType::NVarChar, 128, true)}, {"cmd", ofType(SqlType::NChar, 16)}};
    auto wanted = [&](int spid, const std::string& login, bool waiting) {
        if (!filter)
            return true;
        auto number = parseNumber(*filter);
        if (number && number->isInteger)
            return spid == number->integer;
        if (equalsIgnoreCase(*filter, "ACTIVE"))
            return !waiting;
        return equalsIgnoreCase(*filter, login);
    };
    std::vector<std::vector<Value>> rows;
    // The server's own processes come first, as on SQL Server 2000: no host, some in no database.
    struct SystemProcess {
        int spid;
        const char* status;
        const char* database;  // nullptr: NULL
        const char* command;
    };
    static const SystemProcess systemProcesses[] = {
        {1, "background", nullptr, "LAZY WRITER"},  {2, "sleeping", nullptr, "LOG WRITER"},
        {3, "background", "master", "SIGNAL HANDLER"}, {4, "background", nullptr, "LOCK MONITOR"},
        {5, "background", "master", "TASK MANAGER"}, {6, "sleeping", nullptr, "CHECKPOINT SLEEP"},
        {7, "background", "master", "TASK MANAGER"}, {8, "background", "master", "TASK MANAGER"}};
    for (const SystemProcess& process : systemProcesses)
        if (wanted(process.spid, "sa", false))
            rows.push_back({Value(std::int64_t{process.spid}), Value(std::int64_t{0}), Value(std::string(process.status)),
                            Value(std::string("sa")), Value(std::string()), Value(std::string("0")),
                            process.database ? Value(std::string(process.database)) : Value(Null{}),
                            Value(std::string(process.command))});
    for (const SessionRecord& record : session.engine().sessions()) {
        const bool self = record.spid == session.info().spid;
        if (!wanted(record.spid, record.loginName, !self))
            continue;
        rows.push_back({Value(std::int64_t{record.spid}), Value(std::int64_t{0}),
                        Value(std::string(self ? "runnable" : "sleeping")), Value(record.loginName),
                        Value(record.hostName), Value(std::string("0")),
                        Value(self ? session.currentDatabase() : record.database),
                        Value(std::string(self ? "SELECT" : "AWAITING COMMAND"))});
    }
    session.sendRows(columns, rows, sink);
}

std::optional<std::int64_t> integerArgument(const std::vector<ProcedureArgument>& arguments, std::size_t position)
{
    if (position >= arguments.size() || std::holds_alternative<Null>(arguments[position].value))
        return std::nullopt;
    const Value& v = arguments[position].value;
    if (const auto* i = std::get_if<std::int64_t>(&v))
        return *i;
    auto number = parseNumber(std::get<std::string>(convertValue(v, "varchar(100)", -1)));
    return number && number->isInteger ? std::optional<std::int64_t>(number->integer) : std::nullopt;
}

// The server's drives: one folder per letter under <data directory>/drives, all fixed disks.
void xpAvailableMedia(Session& session, const std::vector<ProcedureArgument>& arguments, ResultSink& sink)
{
    const std::int64_t mask = integerArgument(arguments, 0).value_or(255);
    std::vector<std::vector<Value>> rows;
    const std::filesystem::path drives = session.engine().registry.directory() / "drives";
    std::vector<std::string> letters;
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(drives, ignored))
        if (entry.is_directory() && entry.path().filename().string().size() == 1)
            letters.push_back(entry.path().filename().string());
    std::sort(letters.begin(), letters.end());
    for (const std::string& letter : letters) {
        if ((mask & 2) == 0)
            break;
        std::error_code error;
        const auto space = std::filesystem::space(drives / letter, error);
        const std::uint64_t free = error ? 0 : space.available;
        const auto low = static_cast<std::int32_t>(static_cast<std::uint32_t>(free & 0xFFFFFFFFu));
        const auto high = static_cast<std::int32_t>(free >> 32);
        rows.push_back({Value(letter + ":\\"), Value(std::int64_t{low}), Value(std::int64_t{high}), Value(std::int64_t{2})});
    }
    session.sendRows({{"name", ofType(SqlType::VarChar, 3)},
                      {"low free", ofType(SqlType::Int)},
                      {"high free", ofType(SqlType::Int)},
                      {"media type", ofType(SqlType::TinyInt)}},
                     rows, sink);
}

// Bounds on one listing, so a deep or wide tree cannot hold the session or fill its memory.
constexpr int kMaxDirectoryDepth = 64;
constexpr std::size_t kMaxDirectoryRows = 100000;

void listDirectory(const std::filesystem::path& directory, int depth, int maximumDepth, bool files,
                   std::vector<std::vector<Value>>& rows)
{
    if (depth > kMaxDirectoryDepth)
        return;
    std::vector<std::filesystem::directory_entry> entries;
    std::error_code error;
    for (std::filesystem::directory_iterator it(directory, error), end; !error && it != end; it.increment(error))
        entries.push_back(*it);
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
        return toUpperAscii(a.path().filename().string()) < toUpperAscii(b.path().filename().string());
    });
    for (const auto& entry : entries) {
        if (rows.size() >= kMaxDirectoryRows)
            return;
        std::error_code ignored;
        // A link is listed but never followed: it could lead out of the server's drives or round in a circle.
        const bool link = entry.is_symlink(ignored);
        const bool isDirectory = entry.is_directory(ignored);
        if (!isDirectory && !files)
            continue;
        std::vector<Value> row;
        row.emplace_back(entry.path().filename().string());
        row.emplace_back(std::int64_t{depth});
        if (files)
            row.emplace_back(std::int64_t{isDirectory ? 0 : 1});
        rows.push_back(std::move(row));
        if (isDirectory && !link && (maximumDepth == 0 || depth < maximumDepth))
            listDirectory(entry.path(), depth + 1, maximumDepth, files, rows);
    }
}

void xpDirtree(Session& session, const std::vector<ProcedureArgument>& arguments, ResultSink& sink)
{
    std::string path;
    if (!arguments.empty() && !std::holds_alternative<Null>(arguments[0].value))
        path = std::get<std::string>(convertValue(arguments[0].value, "nvarchar(4000)", -1));
    const int depth = static_cast<int>(integerArgument(arguments, 1).value_or(0));
    const bool files = integerArgument(arguments, 2).value_or(0) != 0;
    std::vector<std::vector<Value>> rows;
    const std::filesystem::path directory = session.engine().registry.serverPath(path);
    if (!directory.empty())
        listDirectory(directory, 1, std::max(depth, 0), files, rows);
    std::vector<ResultColumn> columns = {{"subdirectory", ofType(SqlType::NVarChar, 255, true)}, {"depth", ofType(SqlType::Int, 0, true)}};
    if (files)
        columns.push_back({"file", ofType(SqlType::Int, 0, true)});
    session.sendRows(columns, rows, sink);
}

}  // namespace

void runSystemProcedure(Session& session, const std::string& written, const std::vector<ProcedureArgument>& arguments,
                        ResultSink& sink)
{
    std::vector<std::string> parts = nameParts(written);
    const std::string name = parts.back();
    if (equalsIgnoreCase(name, "sp_pkeys"))
        return spPkeys(session, arguments, sink);
    if (equalsIgnoreCase(name, "sp_helptext"))
        return spHelptext(session, arguments, sink);
    if (equalsIgnoreCase(name, "sp_who"))
        return spWho(session, arguments, sink);
    if (equalsIgnoreCase(name, "sp_dboption"))
        return session.runDboption(arguments, sink);
    if (equalsIgnoreCase(name, "xp_availablemedia"))
        return xpAvailableMedia(session, arguments, sink);
    if (equalsIgnoreCase(name, "xp_dirtree"))
        return xpDirtree(session, arguments, sink);
    // A procedure the catalog knows: stored, but its body never runs here.
    sqlite3* db = session.database();
    if (parts.size() < 3 || parts[0].empty() || equalsIgnoreCase(parts[0], session.currentDatabase())) {
        std::string local = parts.size() >= 2 ? parts[parts.size() - 2] + "." + name : name;
        StatementHandle find = prepare(db, "SELECT xtype FROM sysobjects WHERE id = object_id(?1)");
        sqlite3_bind_text(find.get(), 1, local.c_str(), -1, SQLITE_TRANSIENT);
        if (sqlite3_step(find.get()) == SQLITE_ROW) {
            std::string xtype = reinterpret_cast<const char*>(sqlite3_column_text(find.get(), 0));
            if (xtype.rfind("P", 0) == 0 || xtype.rfind("X", 0) == 0)
                throw SqlError(50000, 16, 1, "The Norvane sandbox keeps the text of procedure '" + name +
                                                 "' but does not run procedure bodies.");
        }
    }
    throw SqlError(2812, 16, 62, "Could not find stored procedure '" + written + "'.");
}

}  // namespace sandbox
