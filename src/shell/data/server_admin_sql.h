#pragma once
// Pieces of the server-management SQL shared by its source files.
#include <QString>

namespace norvane::admin_sql {

// "[db].dbo.<table>": a system table of the named database.
inline QString catalogTable(const QString& database, const char* table)
{
    QString name = database;
    return QStringLiteral("[") + name.replace(QLatin1Char(']'), QStringLiteral("]]")) + QStringLiteral("].dbo.")
        + QLatin1String(table);
}

// "[name]" with closing brackets doubled.
inline QString bracketed(const QString& name)
{
    QString doubled = name;
    return QStringLiteral("[") + doubled.replace(QLatin1Char(']'), QStringLiteral("]]")) + QStringLiteral("]");
}

// "N'text'" with single quotes doubled.
inline QString unicodeLiteral(const QString& text)
{
    QString doubled = text;
    return QStringLiteral("N'") + doubled.replace(QLatin1Char('\''), QStringLiteral("''")) + QStringLiteral("'");
}

}  // namespace norvane::admin_sql
