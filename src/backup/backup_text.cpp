#include "backup/backup_text.h"

namespace norvane {

QString proposedBackupFileName(const QString& database, const QDateTime& when, const QLocale& locale)
{
    return database + QLatin1Char('_') + locale.toString(when.date(), QStringLiteral("yyyyMMMMdd")) + QLatin1Char('_')
        + locale.toString(when.time(), QStringLiteral("hhmmAP")) + QStringLiteral(".bak");
}

QString connectedHostsQuestion(const QStringList& hostNames)
{
    QString list;
    for (qsizetype i = 0; i < hostNames.size(); ++i)
        list += QString::number(i + 1) + QStringLiteral(". ") + hostNames[i].trimmed() + QStringLiteral("\r\n");
    return QStringLiteral("The following computer(s) are connected to this database: \r\n\r\n") + list
        + QStringLiteral("\r\nDo you want to disconnect them and continue restoring?\r\n"
                         "(Click No to abort restoring and Yes to proceed with restoring)");
}

}  // namespace norvane
