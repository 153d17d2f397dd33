#pragma once
// Shared by the sample database tests: connections to the sandbox's Harbor sample
// and whole query results as text, so a test states exactly what SQL Server 2000 returns.
#include "shell/data/connection.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace sample {

// A cell as the tests compare it: NULL as "<NULL>", binary as 0x hex (upper case),
// bit as 1/0, everything else as QVariant's text. Blank padding is kept.
QString cellText(const norvane::Field& field);

struct Result {
    QStringList columns;              // result column names, in order
    std::vector<int> types;           // ADO type code of each column
    std::vector<QStringList> rows;    // every row, in the order the server sent them
};

// A connection to the shared sample sandbox with the program's SQL-login string,
// opened on first use and closed when the test program ends.
norvane::Connection& connection(const QString& database = "Harbor");

// Runs one query to its end and returns its first result whole.
Result query(const QString& sql, const QString& database = "Harbor");

// The rows of a result sorted as text ignoring case, for queries whose order SQL Server leaves open.
std::vector<QStringList> sorted(std::vector<QStringList> rows);

// Definitions of the sample's programmable objects exactly as the script stores them
// (CR LF line breaks), for comparing source text.
QString definition(const QString& name);

}  // namespace sample
