#pragma once
// Pieces of the server-management SQL shared by its source files.
#include "shell/data/sql_text.h"

#include <QString>

namespace norvane {
struct ColumnProperties;
class Recordset;
}  // namespace norvane

namespace norvane::admin_sql {

using norvane::bracketed;
using norvane::unicodeLiteral;

// "[db].dbo.<table>": a system table of the named database.
inline QString catalogTable(const QString& database, const char* table)
{
    return bracketed(database) + QStringLiteral(".dbo.") + QLatin1String(table);
}

// The column on the current row of a syscolumns query that names its fields Name, TypeName, XType,
// XUserType, Length, XPrec, XScale, IsNullable, Status, IsComputed, ColId, DefaultName and
// DefaultParent (the default object joined on syscolumns.cdefault).
ColumnProperties columnOfCatalogRow(const Recordset& rows);

}  // namespace norvane::admin_sql
