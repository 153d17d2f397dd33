#pragma once
// SQL Server 2000's system catalog kept as real tables inside each SQLite database file,
// and the DDL statements that maintain it.
//
// Naming contract with the engine:
// - Catalog tables carry SQL Server's names: sysobjects, syscolumns, systypes, syscomments,
//   sysdepends, sysusers, sysreferences, sysconstraints, sysforeignkeys, sysindexes,
//   sysindexkeys, sysfiles, sysfilegroups, syspermissions, sysprotects (master also: sysdatabases,
//   sysxlogins, syslogins). Character columns are declared COLLATE SQLSERVER, so the engine must
//   register that collation on every connection before touching the file.
// - INFORMATION_SCHEMA views are SQLite views whose name contains the dot, e.g. the view
//   "INFORMATION_SCHEMA.TABLES" (TABLES, COLUMNS, ROUTINES, VIEWS, PARAMETERS, ...): the engine
//   maps the two-part name INFORMATION_SCHEMA.X to the quoted single name "INFORMATION_SCHEMA.X".
// - User tables are SQLite tables named as in SQL Server (owner dropped); their declared column
//   types are SQL Server's type texts ("varchar(40)", "decimal(10,2)", "int", ...).
// - A user-defined function or procedure is catalogued only; its body is never run here.
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

// Runs the statement tokens[begin,end) if it is DDL this module handles (CREATE/ALTER/DROP TABLE, VIEW,
// PROCEDURE/PROC, FUNCTION, TRIGGER, DEFAULT, RULE, INDEX; EXEC sp_addtype/sp_droptype/sp_bindefault/sp_unbindefault/sp_bindrule);
// returns false when it is not. Throws SqlError (engine/sql_error.h) with SQL Server's number and text.
// source is the whole batch text the tokens index into (syscomments keeps it verbatim).
bool executeDdl(DdlContext& ctx, const std::vector<Token>& tokens, std::size_t begin, std::size_t end, std::string_view source);

}  // namespace sandbox::catalog
