// The data-dependent texts of backup and restore: the proposed file name in a locale, the
// statements sent to the server, and the percent read from each server's progress wording.
#include "backup/backup_text.h"
#include "shell/data/server_admin_backup.h"
#include "support/qt_printers.h"

#include <gtest/gtest.h>

namespace norvane {
namespace {

TEST(BackupText, ProposedFileNameUsesTheLocalesMonthAndMarker)
{
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    EXPECT_EQ(proposedBackupFileName("Sales", QDateTime(QDate(2007, 3, 5), QTime(14, 7)), english),
              "Sales_2007March05_0207PM.bak");
    EXPECT_EQ(proposedBackupFileName("Sales", QDateTime(QDate(2007, 12, 25), QTime(0, 5)), english),
              "Sales_2007December25_1205AM.bak");
    const QLocale german(QLocale::German, QLocale::Germany);
    EXPECT_EQ(proposedBackupFileName("Lager", QDateTime(QDate(2007, 3, 5), QTime(9, 30)), german),
              "Lager_2007März05_0930" + german.amText().toUpper() + ".bak");
}

TEST(BackupText, StatementsQuoteThePathAndBracketTheName)
{
    EXPECT_EQ(backupStatement("O'Neil]s", "D:\\\\Backups\\O'Neil.bak"),
              "BACKUP DATABASE [O'Neil]]s] TO DISK = N'D:\\\\Backups\\O''Neil.bak' WITH INIT, NAME = N'O''Neil]s', "
              "DESCRIPTION = N'Backup created by Norvane', MEDIADESCRIPTION = N'Backup created by Norvane', STATS = 1");
    EXPECT_EQ(restoreStatement("Sales", "C:\\it's.bak"),
              "RESTORE DATABASE [Sales] FROM DISK = N'C:\\it''s.bak' WITH REPLACE, STATS = 1");
}

TEST(BackupText, PercentIsReadFromEveryWordingOfTheProgressMessage)
{
    EXPECT_EQ(progressPercent({3211, "01000", "10 percent backed up."}), 10);
    EXPECT_EQ(progressPercent({3211, "01000", "99 percent restored."}), 99);
    EXPECT_EQ(progressPercent({3211, "01000", "100 percent processed."}), 100);
    EXPECT_EQ(progressPercent({3211, "01000", "7 percent processed"}), 7);
    EXPECT_EQ(progressPercent({3014, "01000", "BACKUP DATABASE successfully processed 161 pages in 0.1 seconds."}),
              std::nullopt);
    EXPECT_EQ(progressPercent({0, "01000", "10 percent backed up."}), std::nullopt);  // a PRINT, not the server's
    EXPECT_EQ(progressPercent({3211, "01000", "250 percent processed."}), std::nullopt);
}

TEST(BackupText, QuestionNumbersTheHostsTrimmed)
{
    EXPECT_EQ(connectedHostsQuestion({"DESK-1   ", "LAPTOP"}),
              "The following computer(s) are connected to this database: \r\n\r\n1. DESK-1\r\n2. LAPTOP\r\n"
              "\r\nDo you want to disconnect them and continue restoring?\r\n"
              "(Click No to abort restoring and Yes to proceed with restoring)");
}

}  // namespace
}  // namespace norvane
