#pragma once
// ODBC data sources known to the driver manager.
#include <QString>
#include <QStringList>

namespace norvane {

// True for the drivers that reach SQL Server: "SQL Server", "FreeTDS", "ODBC Driver N for SQL Server".
bool isSqlServerDriver(const QString& driverName);

// Walks SQLDataSources in the driver manager's order (user and system sources alike, nothing sorted
// or de-duplicated). Names that are empty or all blanks are skipped. dsnNames (if given) receives the
// names whose driver reaches SQL Server; driverNames (if given) receives every description.
// Every error is ignored: what was found so far is kept.
void ListDataSources(QStringList* dsnNames, QStringList* driverNames);

}  // namespace norvane
