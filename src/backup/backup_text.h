#pragma once
// The texts of the backup and restore commands that depend on data: the proposed file name
// and the question that lists the computers connected to the database.
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>

namespace norvane {

// database + "_" + the date as yyyyMMMMdd + "_" + the time as hhmm and the morning/afternoon
// marker + ".bak", month name and marker in the given locale:
// Sales, 5 March 2007 14:07, English -> "Sales_2007March05_0207PM.bak".
QString proposedBackupFileName(const QString& database, const QDateTime& when, const QLocale& locale);

// The Yes/No question asked before other sessions are ended: each host numbered from 1.
QString connectedHostsQuestion(const QStringList& hostNames);

}  // namespace norvane
