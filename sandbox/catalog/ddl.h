#pragma once
// SQL Server 2000's system catalog kept as real tables inside each SQLite database file,
// and the DDL statements that maintain it.
//
// Naming contract with the engine:
// - Catalog tables carry SQL Server's names: sysobjects, syscolumns, systypes, syscomments,
//   sysdepends, sysusers, sysreferences, sysconstraints, sysforeignkeys, sysindexes,
//   sysindexkeys, sysfiles, sysfilegroups, syspermissions, sysprotects, sysmembers; sysconstraints and
//   syssegments are views, as in SQL Server 2000 (master also: sysdatabases, sysxlogins, the view syslogins).
//   Character columns are declared COLLATE SQLSERVER, so the engine must
//   register that collation on every connection before touching the file.
// - INFORMATION_SCHEMA views are SQLite views whose name contains the dot, e.g. the view
//   "INFORMATION_SCHEMA.TABLES" (TABLES, COLUMNS, ROUTINES, VIEWS, PARAMETERS, TABLE_CONSTRAINTS,
//   CHECK_CONSTRAINTS, KEY_COLUMN_USAGE, REFERENTIAL_CONSTRAINTS, VIEW_TABLE_USAGE): the engine
//   maps the two-part name INFORMATION_SCHEMA.X to the quoted single name "INFORMATION_SCHEMA.X".
// - User tables are SQLite tables named as in SQL Server (owner dropped); their declared column
//   types are SQL Server's type texts ("varchar(40)", "decimal(10,2)", "int", ...).
// - sandbox_catalog (database_name, object_serial) holds the name the INFORMATION_SCHEMA views report;
//   update database_name when a database file is restored under another name.
// - sandbox_identity (table_id, column_name, seed, increment, current) holds each identity column's seed and
//   increment and the last value given out (NULL before the first row): IDENT_SEED/IDENT_INCR/IDENT_CURRENT
//   and @@IDENTITY can read it. An INSERT that leaves the identity column out (NULL) gets the next value from
//   an AFTER INSERT trigger; an explicit value (IDENTITY_INSERT) is kept and moves the counter on.
// - sandbox_catalog.dbts is the database's @@DBTS: each INSERT or UPDATE of a row with a timestamp column
//   moves it on by one and stores it in that column as 8 big-endian bytes.
// - sysindexes.rows/rowcnt follow every INSERT and DELETE through SQLite triggers on the user table.
// - A user-defined function or procedure is catalogued only; its body is never run here.
// - CREATE/ALTER VIEW, PROCEDURE, FUNCTION, TRIGGER, DEFAULT and RULE take the rest of the batch: pass the
//   whole batch as source and its end as end; syscomments keeps the text from CREATE to the end of source.
// - executeDdl sends informational messages (sp_addtype, sp_bindefault, ...) to ctx.sink but never calls
//   statementDone; a statement that fails leaves the database as it was (it runs inside a savepoint).
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include <sqlite3.h>

#include "engine/result_sink.h"
#include "engine/sql_error.h"
#include "engine/tokenizer.h"

namespace sandbox::catalog {

struct DdlContext {
    sqlite3* db;
    std::string databaseName;
    std::string userName = "dbo";
    ResultSink* sink = nullptr;
};

// Creates the catalog tables/views in a fresh database file (master also gets sysdatabases etc.).
void createCatalog(sqlite3* db, const std::string& databaseName, bool isMaster);

// master only: adds the sysdatabases row of a database and returns its dbid (master 1, tempdb 2, model 3,
// msdb 4, others from 5 on). createCatalog(master) registers master itself. An existing row is kept.
int registerDatabase(sqlite3* master, const std::string& name, const std::string& filename);
void unregisterDatabase(sqlite3* master, const std::string& name);

// Runs the statement tokens[begin,end) if it is DDL this module handles (CREATE/ALTER/DROP TABLE, VIEW,
// PROCEDURE/PROC, FUNCTION, TRIGGER, DEFAULT, RULE, INDEX; EXEC sp_addtype/sp_droptype/sp_bindefault/sp_unbindefault/sp_bindrule);
// returns false when it is not. Throws SqlError (engine/sql_error.h) with SQL Server's number and text.
// source is the whole batch text the tokens index into (syscomments keeps it verbatim).
bool executeDdl(DdlContext& ctx, const std::vector<Token>& tokens, std::size_t begin, std::size_t end, std::string_view source);

}  // namespace sandbox::catalog
