#include "query/search_text.h"

#include "shell/catalog_helpers.h"

namespace norvane {

QString searchObjectTextQuery(const QString& word)
{
    return QStringLiteral("Select Distinct SysObjects.Name,SysObjects.Type From SysObjects,SysComments  Where "
                          "SysObjects.Id= SysComments.Id And SysObjects.parent_obj = 0 And  SysComments.Text Like '%")
           + quotedLiteralText(word) + QStringLiteral("%' Order By Name");
}

QString searchColumnNamesQuery(const QString& word)
{
    return QStringLiteral("SELECT SysObjects.Name TableName, SysColumns.Name ColName,SysTypes.Name DataType,"
                          "SysColumns.Length Length, SysColumns.XPrec Prec, SysColumns.XScale Scale,"
                          "SysColumns.IsNullable Nullable From SysObjects,SysColumns,SysTypes Where    "
                          "SysObjects.Id = SysColumns.Id And SysColumns.XUserType=SysTypes.XUserType And "
                          "SysColumns.name Like '%")
           + quotedLiteralText(word) + QStringLiteral("%' Order By SysObjects.Name, SysColumns.Name");
}

QStringList columnGridHeadings()
{
    const QString format = QStringLiteral("No.|Object Name") + QString(35, QLatin1Char(' '))
                           + QStringLiteral("|Column/Parameter Name") + QString(30, QLatin1Char(' '))
                           + QStringLiteral("|Data Type|Length|Precision|Scale|IsNullable");
    return format.split(QLatin1Char('|'));
}

QString objectEntry(const QString& name, const QString& type)
{
    return name + QStringLiteral(" ( ") + type + QStringLiteral(")");
}

ObjectChoice readObjectEntry(const QString& entry, const QString& previousTypeText)
{
    ObjectChoice choice{entry.trimmed(), previousTypeText};
    const QStringList parts = choice.name.split(QLatin1Char('('));
    if (parts.size() >= 2) {
        choice.name = parts.at(0).trimmed();
        choice.typeText = parts.at(1).trimmed();
    }
    return choice;
}

bool isViewTypeText(const QString& typeText)
{
    return typeText.contains(QLatin1Char('V'));
}

QString searchCompletedMessage(const QString& word, int occurrences)
{
    return QStringLiteral("Search Completed... The word '") + word + QStringLiteral("' not found!\r\n")
           + QStringLiteral("Total number of occurrence : ") + QString::number(occurrences);
}

}  // namespace norvane
