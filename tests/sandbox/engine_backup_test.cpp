// BACKUP and RESTORE, the server's drives, sessions, and the sample scripts the server loads at start.
#include "engine_recording_sink.h"

#include <chrono>
#include <fstream>
#include <regex>

namespace sandbox::test {
namespace {

class EngineServer : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        prepare({"CREATE DATABASE Harbor",
                 "USE Harbor CREATE TABLE Ships (ShipID int NOT NULL PRIMARY KEY, "
                 "Name varchar(30) NOT NULL) INSERT INTO Ships VALUES (1, 'Ada') USE master"});
    }
    // The host folder of a drive.
    std::filesystem::path drive(const char* letter) const { return directory / "drives" / letter; }
    // A transcript with the page count of the data file and the time taken left out: they vary.
    std::string backup(const std::string& sql)
    {
        static const std::regex data("Processed \\d+ pages for database '(\\w+)', file '(\\w+_Data)'");
        static const std::regex rate("processed \\d+ pages in [\\d.]+ seconds \\([\\d.]+ MB/sec\\)");
        const std::string text = std::regex_replace(run(sql), data, "Processed # pages for database '$1', file '$2'");
        return std::regex_replace(text, rate, "processed # pages in # seconds (# MB/sec)");
    }
};

std::string deviceError(const std::string& device, const std::string& verb)
{
    return "Msg 3201, Level 16: Cannot open backup device '" + device +
           "'. Device error or device off-line. See the SQL Server error log for more details.\nMsg 3013, Level 16: " +
           verb + " DATABASE is terminating abnormally.";
}

TEST_F(EngineServer, BackupSetsFollowEachOtherAndRestoreTheirOwnRows)
{
    const std::string file = "C:\\Program Files\\Microsoft SQL Server\\MSSQL\\BACKUP\\Harbor.bak";
    EXPECT_EQ(backup("BACKUP DATABASE [Harbor] TO DISK = N'" + file +
                     "' WITH INIT, NAME = N'Harbor', DESCRIPTION = N'Backup created by Norvane', "
                     "MEDIADESCRIPTION = N'Backup created by Norvane', STATS = 25"),
              "Msg 3211, Level 10: 25 percent backed up.\nMsg 3211, Level 10: 50 percent backed up.\nMsg 3211, Level "
              "10: 75 percent backed up.\nMsg 4035, Level 10: Processed # pages for database 'Harbor', file "
              "'Harbor_Data' on file 1.\nMsg 3211, Level 10: 100 percent backed up.\nMsg 4035, Level 10: Processed 1 "
              "pages for database 'Harbor', file 'Harbor_Log' on file 1.\nMsg 3014, Level 10: BACKUP DATABASE "
              "successfully processed # pages in # seconds (# MB/sec).");
    prepare({"INSERT INTO Harbor..Ships VALUES (2, 'Bea')"});
    // Without INIT the set is appended as file 2, found in the default folder.
    EXPECT_EQ(backup("BACKUP DATABASE Harbor TO DISK = 'Harbor.bak' WITH STATS = 50"),
              "Msg 3211, Level 10: 50 percent backed up.\nMsg 4035, Level 10: Processed # pages for database 'Harbor', "
              "file 'Harbor_Data' on file 2.\nMsg 3211, Level 10: 100 percent backed up.\nMsg 4035, Level 10: "
              "Processed 1 pages for database 'Harbor', file 'Harbor_Log' on file 2.\nMsg 3014, Level 10: BACKUP "
              "DATABASE successfully processed # pages in # seconds (# MB/sec).");
    prepare({"INSERT INTO Harbor..Ships VALUES (3, 'Cy')"});
    EXPECT_EQ(backup("RESTORE DATABASE Harbor FROM DISK = N'" + file + "' WITH REPLACE SELECT Name FROM Harbor..Ships"),
              "Msg 4035, Level 10: Processed # pages for database 'Harbor', file 'Harbor_Data' on file 1.\nMsg 4035, "
              "Level 10: Processed 1 pages for database 'Harbor', file 'Harbor_Log' on file 1.\nMsg 3014, Level 10: "
              "RESTORE DATABASE successfully processed # pages in # seconds (# MB/sec).\n[Name varchar(30)]\nAda");
    EXPECT_EQ(backup("RESTORE DATABASE Harbor FROM DISK = N'" + file +
                     "' WITH FILE = 2, REPLACE SELECT Name FROM Harbor..Ships"),
              "Msg 4035, Level 10: Processed # pages for database 'Harbor', file 'Harbor_Data' on file 2.\nMsg 4035, "
              "Level 10: Processed 1 pages for database 'Harbor', file 'Harbor_Log' on file 2.\nMsg 3014, Level 10: "
              "RESTORE DATABASE successfully processed # pages in # seconds (# MB/sec).\n[Name varchar(30)]\nAda\nBea");
    EXPECT_EQ(run("RESTORE DATABASE Harbor FROM DISK = N'" + file + "' WITH FILE = 3, REPLACE"),
              "Msg 4038, Level 16: Cannot find file ID 3 on device 'C:\\Program Files\\Microsoft SQL "
              "Server\\MSSQL\\BACKUP\\Harbor.bak'.\nMsg 3013, Level 16: RESTORE DATABASE is terminating abnormally.");
    // A restore into a new name creates that database with the files of the one backed up; DROP deletes them.
    EXPECT_EQ(
        backup("RESTORE DATABASE HarborCopy FROM DISK = N'" + file +
               "' SELECT Name FROM HarborCopy..Ships "
               "SELECT filename FROM master..sysdatabases WHERE name LIKE 'Harbor%' DROP DATABASE HarborCopy"),
        "Msg 4035, Level 10: Processed # pages for database 'HarborCopy', file 'HarborCopy_Data' on file 1.\nMsg 4035, "
        "Level 10: Processed 1 pages for database 'HarborCopy', file 'HarborCopy_Log' on file 1.\nMsg 3014, Level 10: "
        "RESTORE DATABASE successfully processed # pages in # seconds (# MB/sec).\n[Name varchar(30)]\nAda\n[filename "
        "nvarchar(260)]\nC:\\Program Files\\Microsoft SQL Server\\MSSQL\\data\\Harbor.mdf\nC:\\Program "
        "Files\\Microsoft SQL Server\\MSSQL\\data\\HarborCopy.mdf\nMsg 0, Level 0: Deleting database file 'C:\\Program "
        "Files\\Microsoft SQL Server\\MSSQL\\data\\HarborCopy_log.LDF'.\nMsg 0, Level 0: Deleting database file "
        "'C:\\Program Files\\Microsoft SQL Server\\MSSQL\\data\\HarborCopy.mdf'.");
}

TEST_F(EngineServer, PathsOutsideTheDrivesAndOtherFilesAreRefused)
{
    const auto outside = directory.parent_path() / (directory.filename().string() + "-outside.bak");
    std::ofstream(outside) << "precious";
    std::filesystem::create_directories(drive("C") / "Backups");
    std::filesystem::create_directory_symlink("/", drive("C") / "escape");
    for (const std::string& device :
         {outside.string(), "C:\\..\\..\\" + outside.filename().string(), std::string("C:\\NoSuchFolder\\h.bak"),
          std::string("C:\\Backups\\..\\..\\..\\x"), std::string("\\\\server\\share\\h.bak"), std::string("E:\\x.bak"),
          std::string("C:x.bak"), std::string("C:\\a<b"), std::string("C:\\a|b"), std::string("C:\\a?"),
          std::string("C:\\Backups\\con"), std::string("C:\\COM1.txt"), std::string("C:\\dot."),
          std::string("C:\\blank "), std::string("C:\\a:b"), std::string("C:\\escape\\tmp\\x.bak"),
          "C:\\" + std::string(256, 'x'), std::string("C:\\Program Files")}) {
        SCOPED_TRACE(device);
        EXPECT_EQ(run("BACKUP DATABASE Harbor TO DISK = N'" + device + "' WITH INIT"), deviceError(device, "BACKUP"));
        EXPECT_EQ(run("RESTORE DATABASE Harbor FROM DISK = N'" + device + "' WITH REPLACE"),
                  deviceError(device, "RESTORE"));
    }
    std::ifstream in(outside);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "precious");
    std::filesystem::remove(outside);

    // Database names that cannot be a file of their own are refused wherever a database is made.
    // Doubled separators and another case name the same file, as on Windows.
    prepare({"BACKUP DATABASE Harbor TO DISK = 'D:\\\\h.bak' WITH INIT",
             "RESTORE DATABASE Harbor FROM DISK = 'd:\\H.BAK' WITH REPLACE"});
    for (const std::string name : {"../Escaped", "a\\b", ".hidden", "con"}) {
        SCOPED_TRACE(name);
        const std::string activation =
            "Msg 5105, Level 16: Device activation error. The physical file name 'C:\\Program "
            "Files\\Microsoft SQL Server\\MSSQL\\data\\" +
            name + ".mdf' may be incorrect.\n";
        EXPECT_EQ(run("RESTORE DATABASE [" + name + "] FROM DISK = 'd:\\H.BAK'"),
                  activation + "Msg 3013, Level 16: RESTORE DATABASE is terminating abnormally.");
        EXPECT_EQ(run("CREATE DATABASE [" + name + "]"),
                  activation + "Msg 1802, Level 16: CREATE DATABASE failed. Some file names listed could not be "
                               "created. Check previous errors.");
    }
    EXPECT_FALSE(std::filesystem::exists(directory.parent_path() / "escaped.sqlite"));

    // xp_dirtree shows the drives' folders: a link is shown but not followed, the host is never shown.
    std::ofstream(drive("C") / "junk.bak") << "not a backup";
    expectTranscripts({
        {"EXEC master.dbo.xp_dirtree N'C:\\', 0, 1",
         "[subdirectory nvarchar(255)?, depth int?, file int?]\nBackups|1|0\nescape|1|0\njunk.bak|1|1\nProgram "
         "Files|1|0\nMicrosoft SQL Server|2|0\nMSSQL|3|0\nBACKUP|4|0"},
        {"EXEC master..xp_dirtree N'C:\\escape', 1, 1 EXEC master..xp_dirtree N'/', 1, 1 EXEC master..xp_dirtree "
         "N'C:\\..', 1, 1 EXEC master..xp_dirtree N'\\\\server\\share', 1",
         "[subdirectory nvarchar(255)?, depth int?, file int?]\n[subdirectory nvarchar(255)?, depth int?, file "
         "int?]\n[subdirectory nvarchar(255)?, depth int?, file int?]\n[subdirectory nvarchar(255)?, depth int?]"},
        {"RESTORE DATABASE Harbor FROM DISK = 'C:\\junk.bak' WITH REPLACE",
         "Msg 3241, Level 16: The media family on device 'C:\\junk.bak' is incorrectly formed. SQL Server cannot "
         "process this media family.\nMsg 3013, Level 16: RESTORE DATABASE is terminating abnormally."},
        // Appending to a file that is not a backup would destroy it.
        {"BACKUP DATABASE Harbor TO DISK = 'C:\\junk.bak'",
         "Msg 3241, Level 16: The media family on device 'C:\\junk.bak' is incorrectly formed. SQL Server cannot "
         "process this media family.\nMsg 3013, Level 16: BACKUP DATABASE is terminating abnormally."},
    });
}

TEST_F(EngineServer, SessionsAreListedKilledAndKeptOutOfARestore)
{
    auto other = engine->openSession(SessionInfo{70, "clerk", "elsewhere", "desk"});
    run("USE Harbor", other.get());
    prepare({"BACKUP DATABASE Harbor TO DISK = 'C:\\h.bak' WITH INIT"});
    expectTranscripts({
        {"sp_who 'clerk'", "[spid smallint, ecid smallint, status nchar(30), loginame nvarchar(128)?, hostname "
                           "nchar(128), blk char(5), dbname nvarchar(128)?, cmd "
                           "nchar(16)]\n70|0|sleeping{+22}|clerk|elsewhere{+119}|0{+4}|Harbor|AWAITING COMMAND"},
        {"RESTORE DATABASE Harbor FROM DISK = 'C:\\h.bak' WITH REPLACE",
         "Msg 3101, Level 16: Exclusive access could not be obtained because the database is in use.\nMsg 3013, Level "
         "16: RESTORE DATABASE is terminating abnormally."},
        {"KILL 51", "Msg 6104, Level 16: Cannot use KILL to kill your own process."},
        {"KILL 3", "Msg 6107, Level 14: Only user processes can be killed."},
        {"KILL 70", ""},
    });
    EXPECT_EQ(run("SELECT 1", other.get()), "Msg 6106, Level 20: Process ID 70 was ended by KILL.");
}

TEST_F(EngineServer, AnAttentionStopsABackupAndLeavesTheEarlierFile)
{
    prepare({"BACKUP DATABASE Harbor TO DISK = 'C:\\h.bak' WITH INIT"});
    const auto size = std::filesystem::file_size(drive("C") / "h.bak");
    engine->setWorkDelay(std::chrono::milliseconds(20)); // a whole backup now takes two seconds at least
    Transcript transcript;
    transcript.cancelAfterMessages = 3;
    const auto started = std::chrono::steady_clock::now();
    session->executeBatch("BACKUP DATABASE Harbor TO DISK = 'C:\\h.bak' WITH STATS = 1", transcript);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(1500)) << "stopped, not run out";
    EXPECT_EQ(transcript.text, "Msg 3211, Level 10: 1 percent backed up.\nMsg 3211, Level 10: 2 percent backed "
                               "up.\nMsg 3211, Level 10: 3 percent backed up.");
    EXPECT_EQ(std::filesystem::file_size(drive("C") / "h.bak"), size) << "no second set was appended";
}

TEST_F(EngineServer, SampleScriptsLoadInNameOrderAndAFailureNamesItsBatch)
{
    const auto sample = directory / "sample";
    std::filesystem::create_directories(sample);
    std::ofstream(sample / "01_fleet.sql")
        << "IF EXISTS (SELECT * FROM master..sysdatabases WHERE name = N'Fleet') DROP DATABASE Fleet\r\nGO\r\n"
           "CREATE DATABASE Fleet\r\ngo\r\nUSE Fleet\r\n  GO  \r\n"
           "CREATE TABLE Boats (BoatID int NOT NULL PRIMARY KEY, Name nvarchar(20) NOT NULL)\r\nGO\r\n"
           "INSERT INTO Boats VALUES (1, N'One')\r\nINSERT INTO Boats VALUES (2, N'Two')\r\nGO\r\n";
    engine->loadSample(sample);
    engine->loadSample(sample); // a second load starts from fresh databases
    EXPECT_EQ(run("SELECT COUNT(*) FROM Fleet..Boats"), "[int?]\n2");
    std::ofstream(sample / "02_broken.sql") << "USE Fleet\nGO\nINSERT INTO Boats VALUES (1, N'Duplicate')\nGO\n";
    try {
        engine->loadSample(sample);
        ADD_FAILURE() << "a failing script must stop loading";
    } catch (const std::exception& error) {
        EXPECT_NE(std::string(error.what()).find("02_broken.sql, batch 2"), std::string::npos) << error.what();
    }
    // Another session that read Fleet before it was made again sees the new database, not the deleted file.
    auto reader = engine->openSession(SessionInfo{61, "sa", "reader", "desk"});
    EXPECT_EQ(run("SELECT COUNT(*) FROM Fleet..Boats", reader.get()), "[int?]\n2");
    prepare({"DROP DATABASE Fleet", "CREATE DATABASE Fleet"});
    EXPECT_EQ(run("SELECT COUNT(*) FROM Fleet..Boats", reader.get()),
              "Msg 208, Level 16: Invalid object name 'Fleet..Boats'.");
    EXPECT_EQ(run("DROP DATABASE Fleet DROP DATABASE Fleet"),
              "Msg 0, Level 0: Deleting database file 'C:\\Program Files\\Microsoft SQL "
              "Server\\MSSQL\\data\\Fleet_log.LDF'.\nMsg 0, Level 0: Deleting database file 'C:\\Program "
              "Files\\Microsoft SQL Server\\MSSQL\\data\\Fleet.mdf'.\nMsg 3701, Level 11: Cannot drop the database "
              "'Fleet', because it does not exist in the system catalog.");
}

} // namespace
} // namespace sandbox::test
