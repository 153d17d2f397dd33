#include "shell/data/sql_text.h"

namespace norvane {

QString quotedLiteralText(const QString& text)
{
    QString doubled = text;
    return doubled.replace(QLatin1Char('\''), QStringLiteral("''"));
}

QString bracketedName(const QString& name)
{
    QString doubled = name;
    return doubled.replace(QLatin1Char(']'), QStringLiteral("]]"));
}

QString bracketed(const QString& name)
{
    return QLatin1Char('[') + bracketedName(name) + QLatin1Char(']');
}

QString unicodeLiteral(const QString& text)
{
    return QStringLiteral("N'") + quotedLiteralText(text) + QLatin1Char('\'');
}

}  // namespace norvane
