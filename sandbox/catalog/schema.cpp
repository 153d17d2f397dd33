// The system tables and INFORMATION_SCHEMA views of a fresh database.
#include <algorithm>
#include <string>
#include <vector>

#include "catalog/catalog_store.h"
#include "catalog/columns.h"
#include "catalog/ddl.h"
#include "catalog/information_schema.h"
#include "catalog/sqlite_util.h"
#include "catalog/types.h"
#include "engine/server_paths.h"

namespace sandbox::catalog {

namespace {

struct SystemTable {
    const char* name;
    int id;
    const char* columns;  // "name type, ..." with SQL Server's declared types
    bool masterOnly = false;
};

const std::vector<SystemTable>& systemTables()
{
    static const std::vector<SystemTable> tables = {
        {"sysobjects", 1,
         "name nvarchar(128), id int, xtype char(2), uid smallint, info smallint, status int, base_schema_ver int, "
         "replinfo int, parent_obj int, crdate datetime, ftcatid smallint, schema_ver int, stats_schema_ver int, "
         "type char(2), userstat smallint, sysstat smallint, indexdel smallint, refdate datetime, version int, "
         "deltrig int, instrig int, updtrig int, seltrig int, category int, cache smallint"},
        {"sysindexes", 2,
         "id int, status int, first binary(6), indid smallint, root binary(6), minlen smallint, keycnt smallint, "
         "groupid smallint, dpages int, reserved int, used int, rowcnt bigint, rowmodctr int, reserved3 int, "
         "reserved4 int, xmaxlen smallint, maxirow smallint, OrigFillFactor tinyint, StatVersion tinyint, reserved2 int, "
         "FirstIAM binary(6), impid smallint, lockflags smallint, pgmodctr int, keys varbinary(816), name nvarchar(128), "
         "statblob image, maxlen int, rows int"},
        {"syscolumns", 3,
         "name nvarchar(128), id int, xtype tinyint, typestat tinyint, xusertype smallint, length smallint, xprec tinyint, "
         "xscale tinyint, colid smallint, xoffset smallint, bitpos tinyint, reserved tinyint, colstat smallint, "
         "cdefault int, domain int, number smallint, colorder smallint, autoval varbinary(255), offset smallint, "
         "collationid int, language int, status tinyint, type tinyint, usertype smallint, printfmt varchar(255), "
         "prec smallint, scale int, iscomputed int, isoutparam int, isnullable int, collation nvarchar(128), "
         "tdscollation binary(5)"},
        {"systypes", 4,
         "name nvarchar(128), xtype tinyint, status tinyint, xusertype smallint, length smallint, xprec tinyint, "
         "xscale tinyint, tdefault int, domain int, uid smallint, reserved smallint, collationid int, usertype smallint, "
         "variable bit, allownulls bit, type tinyint, printfmt varchar(255), prec smallint, scale tinyint, "
         "collation nvarchar(128)"},
        {"syscomments", 6,
         "id int, number smallint, colid smallint, status smallint, ctext varbinary(8000), texttype smallint, "
         "language smallint, encrypted bit, compressed bit, text nvarchar(4000)"},
        {"syspermissions", 9, "id int, grantee smallint, grantor smallint, actadd smallint, actmod smallint, "
                              "seladd varbinary(4000), selmod varbinary(4000), updadd varbinary(4000), updmod varbinary(4000), "
                              "refadd varbinary(4000), refmod varbinary(4000)"},
        {"sysusers", 10,
         "uid smallint, status smallint, name nvarchar(128), sid varbinary(85), roles varbinary(2048), createdate datetime, "
         "updatedate datetime, altuid smallint, password varbinary(256), gid smallint, environ varchar(255), "
         "hasdbaccess int, islogin int, isntname int, isntgroup int, isntuser int, issqluser int, isaliased int, "
         "issqlrole int, isapprole int"},
        {"sysdepends", 12,
         "id int, depid int, number smallint, depnumber smallint, status smallint, deptype tinyint, depdbid smallint, "
         "depsiteid smallint, selall bit, resultobj bit, readobj bit"},
        {"sysreferences", 14,
         "constid int, fkeyid int, rkeyid int, rkeyindid smallint, keycnt smallint, forkeys varbinary(32), "
         "refkeys varbinary(32), fkeydbid smallint, rkeydbid smallint, fkey1 smallint, fkey2 smallint, fkey3 smallint, "
         "fkey4 smallint, fkey5 smallint, fkey6 smallint, fkey7 smallint, fkey8 smallint, fkey9 smallint, "
         "fkey10 smallint, fkey11 smallint, fkey12 smallint, fkey13 smallint, fkey14 smallint, fkey15 smallint, "
         "fkey16 smallint, rkey1 smallint, rkey2 smallint, rkey3 smallint, rkey4 smallint, rkey5 smallint, "
         "rkey6 smallint, rkey7 smallint, rkey8 smallint, rkey9 smallint, rkey10 smallint, rkey11 smallint, "
         "rkey12 smallint, rkey13 smallint, rkey14 smallint, rkey15 smallint, rkey16 smallint"},
        {"sysindexkeys", 25, "id int, indid smallint, colid smallint, keyno smallint"},
        {"sysforeignkeys", 26, "constid int, fkeyid int, rkeyid int, fkey smallint, rkey smallint, keyno smallint"},
        {"sysmembers", 27, "memberuid smallint, groupuid smallint"},
        {"sysprotects", 28,
         "id int, uid smallint, action tinyint, protecttype tinyint, columns varbinary(4000), grantor smallint"},
        {"sysfilegroups", 96, "groupid smallint, allocpolicy smallint, status int, groupname nvarchar(128)"},
        {"sysfiles", 97,
         "fileid smallint, groupid smallint, size int, maxsize int, growth int, status int, perf int, name nchar(128), "
         "filename nchar(260)"},
        {"sysdatabases", 30,
         "name nvarchar(128), dbid smallint, sid varbinary(85), mode smallint, status int, status2 int, crdate datetime, "
         "reserved datetime, category int, cmptlevel tinyint, filename nvarchar(260), version smallint",
         true},
        {"sysxlogins", 31,
         "srvid smallint, sid varbinary(85), xstatus smallint, xdate1 datetime, xdate2 datetime, name nvarchar(128), "
         "password varbinary(256), dbid smallint, language nvarchar(128)",
         true},
    };
    return tables;
}

bool isCharacterType(const std::string& type)
{
    for (const char* prefix : {"char", "varchar", "nchar", "nvarchar", "text", "ntext"})
        if (type.rfind(prefix, 0) == 0 && (type.size() == std::string(prefix).size() || type[std::string(prefix).size()] == '('))
            return true;
    return false;
}

// "a int, b nvarchar(128)" → SQLite column definitions with SQL Server's declared types.
std::string columnDefinitions(const std::string& columns)
{
    std::string result;
    std::size_t start = 0;
    while (start < columns.size()) {
        std::size_t comma = start;
        int depth = 0;
        while (comma < columns.size() && (columns[comma] != ',' || depth > 0)) {
            depth += columns[comma] == '(' ? 1 : columns[comma] == ')' ? -1 : 0;
            ++comma;
        }
        std::string column = columns.substr(start, comma - start);
        while (!column.empty() && column.front() == ' ')
            column.erase(column.begin());
        const std::size_t space = column.find(' ');
        const std::string name = column.substr(0, space);
        const std::string type = column.substr(space + 1);
        if (!result.empty())
            result += ", ";
        result += quoteName(name) + " " + type;
        if (isCharacterType(type))
            result += " COLLATE SQLSERVER";
        start = comma + 1;
    }
    return result;
}

void createSystemTables(sqlite3* db, bool isMaster)
{
    for (const auto& table : systemTables()) {
        if (table.masterOnly && !isMaster)
            continue;
        execute(db, std::string("CREATE TABLE ") + table.name + " (" + columnDefinitions(table.columns) + ")");
    }
    execute(db,
            "CREATE UNIQUE INDEX sysobjects_id ON sysobjects (id);"
            "CREATE INDEX sysobjects_name ON sysobjects (name);"
            "CREATE INDEX sysobjects_parent ON sysobjects (parent_obj);"
            "CREATE UNIQUE INDEX syscolumns_key ON syscolumns (id, number, colid);"
            "CREATE UNIQUE INDEX systypes_key ON systypes (xusertype);"
            "CREATE INDEX syscomments_key ON syscomments (id, number, colid);"
            "CREATE INDEX sysdepends_id ON sysdepends (id);"
            "CREATE INDEX sysdepends_depid ON sysdepends (depid);"
            "CREATE INDEX sysindexes_key ON sysindexes (id, indid);"
            "CREATE INDEX sysindexkeys_key ON sysindexkeys (id, indid, keyno);"
            "CREATE INDEX sysforeignkeys_key ON sysforeignkeys (constid, keyno);"
            "CREATE INDEX sysreferences_fkey ON sysreferences (fkeyid);"
            "CREATE INDEX sysreferences_rkey ON sysreferences (rkeyid);");
    // Module state: the database name the views report and the object id sequence.
    execute(db, "CREATE TABLE sandbox_catalog (database_name nvarchar(128) COLLATE SQLSERVER, object_serial int, dbts bigint)");
    // Byte values as one-byte blobs: timestamp triggers build 8-byte values from them without custom functions.
    execute(db,
            "CREATE TABLE sandbox_byte (value int PRIMARY KEY, byte blob); "
            "WITH RECURSIVE n(v) AS (SELECT 0 UNION ALL SELECT v + 1 FROM n WHERE v < 255) "
            "INSERT INTO sandbox_byte (value) SELECT v FROM n");
    // Identity columns: seed, increment and the last value handed out (NULL before the first row).
    execute(db,
            "CREATE TABLE sandbox_identity (table_id int PRIMARY KEY, column_name nvarchar(128) COLLATE SQLSERVER, "
            "seed bigint, increment bigint, current bigint)");
    // SQLite expressions behind defaults, checks and computed columns, kept to rebuild a table on ALTER TABLE.
    execute(db, "CREATE TABLE sandbox_expression (object_id int, colid int, sqlite_text text, PRIMARY KEY (object_id, colid))");
}

void insertSystemTypes(sqlite3* db)
{
    Statement insert(db,
                     "INSERT INTO systypes (name, xtype, status, xusertype, length, xprec, xscale, tdefault, domain, uid, reserved, "
                     "collationid, usertype, variable, allownulls, type, printfmt, prec, scale, collation) VALUES "
                     "(?1, ?2, 0, ?3, ?4, ?5, ?6, 0, 0, 4, 0, ?7, ?8, ?9, ?10, ?11, NULL, ?12, ?13, ?14)");
    for (const auto& type : builtinTypes()) {
        insert.reset();
        const bool character = type.xtype == 35 || type.xtype == 99 || type.xtype == 167 || type.xtype == 175 ||
                               type.xtype == 231 || type.xtype == 239;
        const bool unicode = type.xtype == 231 || type.xtype == 239;
        const int prec = type.xusertype == 256 ? 128 : unicode ? type.length / 2 : type.xprec > 0 ? type.xprec : type.length;
        insert.bind(1, type.name)
            .bind(2, type.xtype)
            .bind(3, type.xusertype)
            .bind(4, type.length)
            .bind(5, type.xprec)
            .bind(6, type.xscale)
            .bind(8, type.usertype)
            .bind(9, type.variable ? 1 : 0)
            .bind(10, type.allowNulls ? 1 : 0)
            .bind(11, type.legacyType)
            .bind(12, prec)
            .bind(13, type.xscale);
        if (character)
            insert.bind(7, defaultCollationId).bind(14, defaultCollation);
        else
            insert.bindNull(7).bindNull(14);
        insert.run();
    }
}

void insertUsers(sqlite3* db)
{
    execute(db,
            "INSERT INTO sysusers (uid, status, name, sid, roles, createdate, updatedate, altuid, password, gid, environ, "
            "hasdbaccess, islogin, isntname, isntgroup, isntuser, issqluser, isaliased, issqlrole, isapprole) VALUES "
            "(0, 0, 'public', NULL, NULL, strftime('%Y-%m-%d %H:%M:%f', 'now', 'localtime'), "
            "strftime('%Y-%m-%d %H:%M:%f', 'now', 'localtime'), 1, NULL, 0, NULL, 0, 0, 0, 0, 0, 0, 0, 1, 0),"
            "(1, 2, 'dbo', X'01', NULL, strftime('%Y-%m-%d %H:%M:%f', 'now', 'localtime'), "
            "strftime('%Y-%m-%d %H:%M:%f', 'now', 'localtime'), NULL, NULL, 0, NULL, 1, 1, 0, 0, 0, 1, 0, 0, 0),"
            "(2, 0, 'guest', X'00', NULL, strftime('%Y-%m-%d %H:%M:%f', 'now', 'localtime'), "
            "strftime('%Y-%m-%d %H:%M:%f', 'now', 'localtime'), NULL, NULL, 0, NULL, 0, 1, 0, 0, 0, 1, 0, 0, 0),"
            "(3, 0, 'INFORMATION_SCHEMA', NULL, NULL, strftime('%Y-%m-%d %H:%M:%f', 'now', 'localtime'), "
            "strftime('%Y-%m-%d %H:%M:%f', 'now', 'localtime'), NULL, NULL, 0, NULL, 0, 1, 0, 0, 0, 1, 0, 0, 0),"
            "(4, 0, 'system_function_schema', NULL, NULL, strftime('%Y-%m-%d %H:%M:%f', 'now', 'localtime'), "
            "strftime('%Y-%m-%d %H:%M:%f', 'now', 'localtime'), NULL, NULL, 0, NULL, 0, 1, 0, 0, 0, 1, 0, 0, 0)");
    const char* roles[] = {"db_owner",          "db_accessadmin",     "db_securityadmin",  "db_ddladmin", nullptr,
                           "db_backupoperator", "db_datareader",      "db_datawriter",     "db_denydatareader",
                           "db_denydatawriter"};
    Statement insert(db,
                     "INSERT INTO sysusers (uid, status, name, sid, roles, createdate, updatedate, altuid, password, gid, environ, "
                     "hasdbaccess, islogin, isntname, isntgroup, isntuser, issqluser, isaliased, issqlrole, isapprole) VALUES "
                     "(?1, 0, ?2, NULL, NULL, strftime('%Y-%m-%d %H:%M:%f', 'now', 'localtime'), "
                     "strftime('%Y-%m-%d %H:%M:%f', 'now', 'localtime'), 1, NULL, ?1, NULL, 0, 0, 0, 0, 0, 0, 0, 1, 0)");
    for (int i = 0; i < 10; ++i) {
        if (!roles[i])
            continue;
        insert.reset();
        insert.bind(1, 16384 + i).bind(2, roles[i]);
        insert.run();
    }
    execute(db, "INSERT INTO sysmembers (memberuid, groupuid) VALUES (1, 16384)");
}

// sysconstraints and syssegments are views in SQL Server 2000 databases, listed as Microsoft-shipped views.
void createCompatibilityViews(sqlite3* db)
{
    execute(db,
            "CREATE VIEW sysconstraints AS SELECT id AS constid, parent_obj AS id, info AS colid, 0 AS spare1, "
            "(CASE xtype WHEN 'PK' THEN 1 WHEN 'UQ' THEN 2 WHEN 'F ' THEN 3 WHEN 'C ' THEN 4 WHEN 'D ' THEN 5 ELSE 0 END) "
            "+ (CASE WHEN info <> 0 THEN 16 ELSE 32 END) AS status, 0 AS actions, 0 AS error "
            "FROM sysobjects WHERE xtype IN ('C ', 'F ', 'PK', 'UQ', 'D ') AND parent_obj <> 0");
    execute(db,
            "CREATE VIEW syssegments (segment, name, status) AS "
            "VALUES (0, 'system', 0), (1, 'default', 1), (2, 'logsegment', 0)");
    insertObject(db, NewObject{"sysconstraints", 1093578934, xtype::View, 1, 0, 0, 2, 0});
    insertObject(db, NewObject{"syssegments", 1125579048, xtype::View, 1, 0, 0, 2, 0});
    // Their columns as SQL Server 2000 catalogues them: sysconstraints converts every column (so each may be NULL),
    // syssegments is a union of constants.
    struct ViewColumn {
        std::int64_t view;
        const char* name;
        const char* type;
        bool nullable;
    };
    static const ViewColumn columns[] = {
        {1093578934, "constid", "int", true},  {1093578934, "id", "int", true},    {1093578934, "colid", "smallint", true},
        {1093578934, "spare1", "tinyint", true}, {1093578934, "status", "int", true}, {1093578934, "actions", "int", true},
        {1093578934, "error", "int", true},    {1125579048, "segment", "int", false}, {1125579048, "name", "varchar(10)", false},
        {1125579048, "status", "int", false}};
    int colid = 0;
    std::int64_t view = 0;
    for (const ViewColumn& column : columns) {
        colid = column.view == view ? colid + 1 : 1;
        view = column.view;
        ColumnRow row;
        row.name = column.name;
        row.objectId = column.view;
        row.colid = colid;
        row.type = typeFromText(db, column.type);
        row.nullable = column.nullable;
        insertColumn(db, row);
    }
}

void fillByteTable(sqlite3* db)
{
    Statement update(db, "UPDATE sandbox_byte SET byte = ?1 WHERE value = ?2");
    for (int value = 0; value < 256; ++value) {
        update.reset();
        const char byte = static_cast<char>(value);
        update.bindBlob(1, std::string_view(&byte, 1)).bind(2, value);
        update.run();
    }
}

// The system-table columns SQL Server 2000 declares NULL; every other one is NOT NULL.
bool systemColumnAllowsNull(const std::string& table, const std::string& column)
{
    static const std::vector<std::pair<const char*, std::vector<const char*>>> nullable = {
        {"syscolumns", {"autoval", "collationid", "language", "printfmt", "prec", "scale", "collation", "tdscollation"}},
        {"systypes", {"collationid", "printfmt", "prec", "scale", "collation"}},
        {"syscomments", {"ctext", "text"}},
        {"sysindexes", {"first", "root", "FirstIAM", "keys", "statblob", "name"}},
        {"sysusers", {"sid", "roles", "password", "altuid", "environ"}},
        {"syspermissions", {"seladd", "selmod", "updadd", "updmod", "refadd", "refmod"}},
        {"sysprotects", {"columns"}},
        {"sysdatabases", {"sid", "reserved"}},
        {"sysxlogins", {"srvid", "sid", "xdate1", "xdate2", "name", "password", "dbid", "language"}},
    };
    for (const auto& [name, columns] : nullable)
        if (table == name)
            for (const char* candidate : columns)
                if (column == candidate)
                    return true;
    return false;
}

void catalogSystemColumns(sqlite3* db, const std::string& table, std::int64_t id)
{
    Statement columns(db, "SELECT name, type FROM pragma_table_info(?1) ORDER BY cid");
    columns.bind(1, table);
    int colid = 1;
    while (columns.step()) {
        ColumnRow row;
        row.name = columns.text(0);
        row.objectId = id;
        row.colid = colid++;
        // Every nvarchar(128) column of a system table is a sysname (xusertype 256) in SQL Server 2000.
        const std::string declared = columns.text(1);
        row.type = typeFromText(db, declared == "nvarchar(128)" ? "sysname" : declared);
        row.nullable = systemColumnAllowsNull(table, row.name);
        insertColumn(db, row);
    }
}

}  // namespace

void createCatalog(sqlite3* db, const std::string& databaseName, bool isMaster)
{
    Savepoint savepoint(db);
    createSystemTables(db, isMaster);
    fillByteTable(db);
    Statement state(db, "INSERT INTO sandbox_catalog (database_name, object_serial, dbts) VALUES (?1, 0, 2000)");
    state.bind(1, databaseName);
    state.run();
    insertSystemTypes(db);
    insertUsers(db);
    for (const auto& table : systemTables()) {
        if (table.masterOnly && !isMaster)
            continue;
        insertObject(db, NewObject{table.name, table.id, xtype::SystemTable, 1, 0, 0, 2, 0});
        catalogSystemColumns(db, table.name, table.id);
    }
    createCompatibilityViews(db);
    createInformationSchema(db, isMaster);
    execute(db,
            "INSERT INTO sysfilegroups (groupid, allocpolicy, status, groupname) VALUES (1, 0, 16, 'PRIMARY')");
    Statement files(db,
                    "INSERT INTO sysfiles (fileid, groupid, size, maxsize, growth, status, perf, name, filename) VALUES "
                    "(1, 1, 128, -1, 10, 1081346, 0, substr(?1 || '_Data' || printf('%128s', ''), 1, 128), printf('%-260s', ?2)), "
                    "(2, 0, 128, -1, 10, 1081410, 0, substr(?1 || '_Log' || printf('%128s', ''), 1, 128), printf('%-260s', ?3))");
    files.bind(1, databaseName).bind(2, serverDataFileName(databaseName)).bind(3, serverDataFileName(databaseName, true));
    files.run();
    if (isMaster) {
        execute(db,
                "INSERT INTO sysxlogins (srvid, sid, xstatus, xdate1, xdate2, name, password, dbid, language) VALUES "
                "(NULL, X'01', 18, strftime('%Y-%m-%d %H:%M:%f', 'now', 'localtime'), "
                "strftime('%Y-%m-%d %H:%M:%f', 'now', 'localtime'), 'sa', NULL, 1, 'us_english')");
        execute(db,
                "CREATE VIEW syslogins AS SELECT sid, xstatus AS status, xdate1 AS createdate, xdate2 AS updatedate, "
                "xdate2 AS accdate, 0 AS totcpu, 0 AS totio, 0 AS spacelimit, 0 AS timelimit, 0 AS resultlimit, name, "
                "(SELECT d.name FROM sysdatabases d WHERE d.dbid = sysxlogins.dbid) AS dbname, password, language, "
                "0 AS denylogin, 1 AS hasaccess, 0 AS isntname, 0 AS isntgroup, 0 AS isntuser, "
                "(CASE WHEN xstatus & 16 <> 0 THEN 1 ELSE 0 END) AS sysadmin, 0 AS securityadmin, 0 AS serveradmin, "
                "0 AS setupadmin, 0 AS processadmin, 0 AS diskadmin, 0 AS dbcreator, 0 AS bulkadmin, name AS loginname "
                "FROM sysxlogins WHERE srvid IS NULL");
        registerDatabase(db, databaseName, serverDataFileName(databaseName));
    }
    savepoint.commit();
}

int registerDatabase(sqlite3* master, const std::string& name, const std::string& filename)
{
    const auto existing = queryInteger(master, "SELECT dbid FROM sysdatabases WHERE name = ?1", name);
    if (existing)
        return static_cast<int>(*existing);
    int dbid = 0;
    const char* fixed[] = {"master", "tempdb", "model", "msdb"};
    for (int i = 0; i < 4; ++i)
        if (equalsIgnoreCase(fixed[i], name))
            dbid = i + 1;
    if (dbid == 0)
        dbid = static_cast<int>(
            queryInteger(master, "SELECT max(dbid) + 1 FROM sysdatabases WHERE dbid >= 4").value_or(5));
    Statement insert(master,
                     "INSERT INTO sysdatabases (name, dbid, sid, mode, status, status2, crdate, reserved, category, cmptlevel, "
                     "filename, version) VALUES (?1, ?2, X'01', 0, ?3, 1090519040, "
                     "strftime('%Y-%m-%d %H:%M:%f', 'now', 'localtime'), '1900-01-01 00:00:00.000', 0, 80, ?4, 539)");
    insert.bind(1, name).bind(2, dbid).bind(3, dbid <= 4 ? 24 : 16).bind(4, filename);
    insert.run();
    return dbid;
}

void unregisterDatabase(sqlite3* master, const std::string& name)
{
    Statement remove(master, "DELETE FROM sysdatabases WHERE name = ?1");
    remove.bind(1, name);
    remove.run();
}

}  // namespace sandbox::catalog
