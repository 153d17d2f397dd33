#include "engine_recording_sink.h"

#include <algorithm>
#include <fstream>

namespace sandbox::test {
namespace {

class EngineServerTest : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        run("CREATE DATABASE Harbor");
        run("USE Harbor CREATE TABLE Ships (ShipID int NOT NULL PRIMARY KEY, Name varchar(30) NOT NULL)\n"
            "INSERT INTO Ships VALUES (1, 'Ada') USE master");
    }

    std::vector<int> numbers(const RecordingSink& sink) const
    {
        std::vector<int> list;
        for (const ServerMessage& m : sink.messages)
            list.push_back(m.number);
        return list;
    }
};

TEST_F(EngineServerTest, DrivesAndDirectoriesOfTheServer)
{
    RecordingSink media = run("EXEC master..xp_availablemedia 2");
    ASSERT_EQ(media.results.size(), 1u);
    EXPECT_EQ(media.results[0].columns.at(2).name, "high free");
    ASSERT_EQ(media.results[0].rows.size(), 2u);
    EXPECT_EQ(text(media.results[0].rows[0][0]), "C:\\");
    EXPECT_EQ(text(media.results[0].rows[1][0]), "D:\\");
    EXPECT_EQ(text(media.results[0].rows[0][3]), "2");
    EXPECT_TRUE(run("EXEC master..xp_availablemedia 8").results.at(0).rows.empty()) << "no CD-ROM drives";

    std::filesystem::create_directories(directory / "drives" / "C" / "Data" / "Old");
    std::ofstream(directory / "drives" / "C" / "Data" / "harbor.bak") << "x";
    RecordingSink tree = run("EXEC master.dbo.xp_dirtree N'C:\\Data', 0, 1");
    ASSERT_EQ(tree.results.size(), 1u);
    ASSERT_EQ(tree.results[0].columns.size(), 3u);
    std::vector<std::string> rows;
    for (const auto& row : tree.results[0].rows)
        rows.push_back(text(row[0]) + "/" + text(row[1]) + "/" + text(row[2]));
    EXPECT_EQ(rows, (std::vector<std::string>{"harbor.bak/1/1", "Old/1/0"}));
    tree = run("EXEC master.dbo.xp_dirtree N'C:\\', 1");
    ASSERT_EQ(tree.results.at(0).columns.size(), 2u);
    rows.clear();
    for (const auto& row : tree.results[0].rows)
        rows.push_back(text(row[0]));
    EXPECT_EQ(rows, (std::vector<std::string>{"Data", "Program Files"}));
    EXPECT_TRUE(run("EXEC master.dbo.xp_dirtree N'C:\\Missing', 1, 1").results.at(0).rows.empty());
}

TEST_F(EngineServerTest, BackupAndRestoreReportProgressAndReplaceTheDatabase)
{
    EXPECT_EQ(fail("BACKUP DATABASE Harbor TO DISK = 'C:\\NoSuchFolder\\h.bak'"),
              (std::vector<std::string>{"3201: Cannot open backup device 'C:\\NoSuchFolder\\h.bak'. Device error or device off-line. "
                                        "See the SQL Server error log for more details.",
                                        "3013: BACKUP DATABASE is terminating abnormally."}));
    const std::string file = "C:\\Program Files\\Microsoft SQL Server\\MSSQL\\BACKUP\\Harbor.bak";
    RecordingSink backup = run("BACKUP DATABASE [Harbor] TO DISK = N'" + file +
                               "' WITH INIT, NAME = N'Harbor', DESCRIPTION = N'Backup created by Norvane', STATS = 10");
    std::vector<int> got = numbers(backup);
    ASSERT_GE(got.size(), 4u);
    EXPECT_EQ(got.back(), 3014);
    EXPECT_EQ(backup.messages.back().text.rfind("BACKUP DATABASE successfully processed ", 0), 0u);
    EXPECT_NE(std::find(got.begin(), got.end(), 4035), got.end());
    EXPECT_EQ(std::count(got.begin(), got.end(), 3211), 10);  // 10 percent ... 100 percent backed up.
    for (const ServerMessage& m : backup.messages)
        EXPECT_EQ(m.severity, 10) << m.text;

    run("INSERT INTO Harbor..Ships VALUES (2, 'Bea')");
    auto other = engine->openSession(SessionInfo{70, "sa", "elsewhere", ""});
    RecordingSink otherUse;
    other->executeBatch("USE Harbor", otherUse);
    EXPECT_EQ(fail("RESTORE DATABASE Harbor FROM DISK = N'" + file + "' WITH REPLACE"),
              (std::vector<std::string>{"3101: Exclusive access could not be obtained because the database is in use.",
                                        "3013: RESTORE DATABASE is terminating abnormally."}));
    run("KILL 70");

    RecordingSink restore = run("RESTORE DATABASE Harbor FROM DISK = N'" + file + "' WITH REPLACE, STATS = 1");
    EXPECT_EQ(numbers(restore).back(), 3014);
    EXPECT_EQ(column("SELECT Name FROM Harbor..Ships ORDER BY ShipID"), (std::vector<std::string>{"Ada"}));

    // A restore into a new name creates that database.
    run("RESTORE DATABASE HarborCopy FROM DISK = N'" + file + "'");
    EXPECT_TRUE(engine->databaseExists("HarborCopy"));
    EXPECT_EQ(column("USE HarborCopy SELECT TABLE_CATALOG FROM INFORMATION_SCHEMA.TABLES WHERE TABLE_NAME = 'Ships'"),
              (std::vector<std::string>{"HarborCopy"}));
    run("USE master");

    std::ofstream(directory / "drives" / "C" / "junk.bak") << "not a backup";
    EXPECT_EQ(fail("RESTORE DATABASE Harbor FROM DISK = 'C:\\junk.bak' WITH REPLACE"),
              (std::vector<std::string>{"3241: The media family on device 'C:\\junk.bak' is incorrectly formed. SQL Server "
                                        "cannot process this media family.",
                                        "3013: RESTORE DATABASE is terminating abnormally."}));
}

TEST_F(EngineServerTest, SingleUserKeepsOthersOut)
{
    run("EXEC sp_dboption 'Harbor', 'single user', 'true' USE Harbor");
    auto other = engine->openSession(SessionInfo{71, "sa", "elsewhere", ""});
    RecordingSink refused;
    other->executeBatch("USE Harbor", refused);
    EXPECT_EQ(refused.errors(),
              (std::vector<std::string>{"924: Database 'Harbor' is already open and can only have one user at a time."}));
    EXPECT_EQ(column("SELECT status & 4096 FROM master..sysdatabases WHERE name = 'Harbor'"), (std::vector<std::string>{"4096"}));
    run("EXEC sp_dboption 'Harbor', 'single user', 'false'");
    RecordingSink allowed;
    other->executeBatch("USE Harbor", allowed);
    EXPECT_TRUE(allowed.errors().empty());
    EXPECT_EQ(fail("sp_dboption 'Harbor', 'no such option', 'true'"),
              (std::vector<std::string>{"15011: Database option 'no such option' does not exist. Specify a valid option."}));

    run("USE master ALTER DATABASE Harbor SET SINGLE_USER WITH ROLLBACK IMMEDIATE");
    RecordingSink killed;
    other->executeBatch("SELECT 1", killed);
    ASSERT_FALSE(killed.messages.empty());
    EXPECT_GE(killed.messages[0].severity, 20);
    run("ALTER DATABASE Harbor SET MULTI_USER");
}

}  // namespace
}  // namespace sandbox::test
