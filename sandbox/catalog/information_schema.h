#pragma once
// INFORMATION_SCHEMA views, each a SQLite view named "INFORMATION_SCHEMA.<NAME>".
#include <sqlite3.h>

namespace sandbox::catalog {

// In master the views are also listed in sysobjects (owner INFORMATION_SCHEMA), as SQL Server 2000 keeps them there.
void createInformationSchema(sqlite3* db, bool isMaster);

}  // namespace sandbox::catalog
