#pragma once
// Pieces of the server-management SQL shared by its source files.
#include "shell/data/sql_text.h"

#include <QString>

namespace norvane::admin_sql {

using norvane::bracketed;
using norvane::unicodeLiteral;

// "[db].dbo.<table>": a system table of the named database.
inline QString catalogTable(const QString& database, const char* table)
{
    return bracketed(database) + QStringLiteral(".dbo.") + QLatin1String(table);
}

}  // namespace norvane::admin_sql
