// BACKUP / RESTORE, the server's drives and the names a client gives for files and databases.
#include "engine_recording_sink.h"

#include <algorithm>
#include <fstream>
#include <unistd.h>

#include "engine/backup_media.h"
#include "engine/server_paths.h"

namespace sandbox::test {
namespace {

const char* const kBackupFolder = "C:\\Program Files\\Microsoft SQL Server\\MSSQL\\BACKUP";

class EngineBackupTest : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        run("CREATE DATABASE Harbor");
        run("USE Harbor CREATE TABLE Ships (ShipID int NOT NULL PRIMARY KEY, Name varchar(30) NOT NULL)\n"
            "INSERT INTO Ships VALUES (1, 'Ada') USE master");
    }

    std::vector<std::string> texts(const RecordingSink& sink) const
    {
        std::vector<std::string> list;
        for (const ServerMessage& m : sink.messages)
            list.push_back(std::to_string(m.number) + ": " + m.text);
        return list;
    }

    // The host folder of a drive.
    std::filesystem::path drive(const char* letter) const { return directory / "drives" / letter; }
};

std::string deviceError(const std::string& device, const std::string& verb)
{
    return "3201: Cannot open backup device '" + device +
           "'. Device error or device off-line. See the SQL Server error log for more details.\n3013: " + verb +
           " is terminating abnormally.";
}

std::string joined(const std::vector<std::string>& lines)
{
    std::string out;
    for (const std::string& line : lines)
        out += (out.empty() ? "" : "\n") + line;
    return out;
}

TEST(ServerPaths, ResolveInsideTheDriveFoldersOnly)
{
    const auto data = std::filesystem::temp_directory_path() / ("norvane-paths-" + std::to_string(::getpid()));
    std::filesystem::remove_all(data);
    std::filesystem::create_directories(data / "drives" / "C" / "Backups" / "Old");
    std::filesystem::create_directories(data / "drives" / "D");
    const auto c = data / "drives" / "C";

    EXPECT_EQ(resolveServerPath(data, "C:\\Backups\\h.bak"), c / "Backups" / "h.bak");
    EXPECT_EQ(resolveServerPath(data, "c:\\\\Backups\\\\h.bak"), c / "Backups" / "h.bak") << "doubled separators";
    EXPECT_EQ(resolveServerPath(data, "C:/backups/OLD/"), c / "Backups" / "Old") << "Windows ignores case";
    EXPECT_EQ(resolveServerPath(data, "C:\\Backups\\Old\\..\\.\\h.bak"), c / "Backups" / "h.bak");
    EXPECT_EQ(resolveServerPath(data, "D:\\"), data / "drives" / "D");
    EXPECT_EQ(resolveServerPath(data, "h.bak", "C:\\Backups"), c / "Backups" / "h.bak");

    for (const char* refused : {"C:\\..\\x.bak", "C:\\Backups\\..\\..\\..\\x", "/etc/passwd", "\\\\host\\share\\x.bak",
                                "E:\\x.bak", "C:x.bak", "", "h.bak", "C:\\a<b", "C:\\a|b", "C:\\a?", "C:\\a*",
                                "C:\\Backups\\con", "C:\\nul.bak", "C:\\COM1.txt", "C:\\lpt9", "C:\\dot.", "C:\\blank ",
                                "C:\\tab\there", "C:\\a:b"})
        EXPECT_FALSE(resolveServerPath(data, refused)) << refused;
    EXPECT_FALSE(resolveServerPath(data, "/etc/passwd", "C:\\Backups")) << "a base folder never admits a host path";
    EXPECT_FALSE(resolveServerPath(data, "C:\\" + std::string(256, 'x')));
    EXPECT_FALSE(resolveServerPath(data, "C:\\" + std::string(200, 'x') + "\\" + std::string(60, 'y')));
    EXPECT_TRUE(resolveServerPath(data, "C:\\" + std::string(200, 'x') + "\\" + std::string(50, 'y')));

    // A link inside a drive that points out of it leads nowhere.
    std::filesystem::create_directory_symlink("/", c / "escape");
    EXPECT_FALSE(resolveServerPath(data, "C:\\escape\\etc\\passwd"));
    EXPECT_FALSE(resolveServerPath(data, "C:\\escape"));

    EXPECT_TRUE(isStorableDatabaseName("Harbor Archive"));
    for (const char* name : {"", "../x", "a/b", "a\\b", ".hidden", "con", "a:b", "x.", "tab\tname"})
        EXPECT_FALSE(isStorableDatabaseName(name)) << name;
    EXPECT_FALSE(isStorableDatabaseName(std::string(124, 'n')));
    std::filesystem::remove_all(data);
}

TEST(BackupMedia, SetsFollowEachOtherAndAnythingElseIsRefused)
{
    const std::vector<BackupSet> sets = {{"Harbor", "first", "line\nbreak \\ kept", std::string("one\0two", 7)},
                                         {"Other", "", "", "\n\nbytes=9\n"}};
    const std::string media = writeBackupMedia(sets, "made by tests");
    const auto read = readBackupMedia(media);
    ASSERT_TRUE(read);
    ASSERT_EQ(read->size(), 2u);
    EXPECT_EQ((*read)[0].description, "line\nbreak \\ kept");
    EXPECT_EQ((*read)[0].content, std::string("one\0two", 7));
    EXPECT_EQ((*read)[1].database, "Other");
    EXPECT_EQ((*read)[1].content, "\n\nbytes=9\n");
    EXPECT_FALSE(readBackupMedia("not a backup"));
    EXPECT_FALSE(readBackupMedia(media.substr(0, media.size() - 1))) << "a cut file is not a backup";
    EXPECT_FALSE(readBackupMedia(""));
}

TEST_F(EngineBackupTest, ProgressClosingMessagesAndAppendedSets)
{
    const std::string file = std::string(kBackupFolder) + "\\Harbor.bak";
    RecordingSink backup = run("BACKUP DATABASE [Harbor] TO DISK = N'" + file +
                               "' WITH INIT, NAME = N'Harbor', DESCRIPTION = N'Backup created by Norvane', "
                               "MEDIADESCRIPTION = N'Backup created by Norvane', STATS = 1");
    std::vector<std::string> got = texts(backup);
    ASSERT_EQ(got.size(), 103u) << joined(got);
    for (int percent = 1; percent <= 99; ++percent)
        EXPECT_EQ(got[static_cast<std::size_t>(percent - 1)], "3211: " + std::to_string(percent) + " percent backed up.");
    EXPECT_EQ(got[99].rfind("4035: Processed ", 0), 0u);
    EXPECT_NE(got[99].find(" pages for database 'Harbor', file 'Harbor_Data' on file 1."), std::string::npos) << got[99];
    EXPECT_EQ(got[100], "3211: 100 percent backed up.");
    EXPECT_EQ(got[101], "4035: Processed 1 pages for database 'Harbor', file 'Harbor_Log' on file 1.");
    EXPECT_EQ(got[102].rfind("3014: BACKUP DATABASE successfully processed ", 0), 0u) << got[102];
    for (const ServerMessage& m : backup.messages)
        EXPECT_EQ(m.severity, 10) << m.text;

    // STATS = 25 reports each multiple once; without INIT the set is appended as file 2.
    run("INSERT INTO Harbor..Ships VALUES (2, 'Bea')");
    got = texts(run("BACKUP DATABASE Harbor TO DISK = 'Harbor.bak' WITH STATS = 25"));
    ASSERT_EQ(got.size(), 7u) << joined(got);
    EXPECT_EQ(got[0], "3211: 25 percent backed up.");
    EXPECT_EQ(got[2], "3211: 75 percent backed up.");
    EXPECT_NE(got[3].find("file 'Harbor_Data' on file 2."), std::string::npos) << got[3];
    EXPECT_EQ(got[4], "3211: 100 percent backed up.");

    // RESTORE takes set 1 unless FILE says otherwise; nothing is said without STATS.
    run("INSERT INTO Harbor..Ships VALUES (3, 'Cy')");
    RecordingSink restore = run("RESTORE DATABASE Harbor FROM DISK = N'" + file + "' WITH REPLACE");
    got = texts(restore);
    ASSERT_EQ(got.size(), 3u) << joined(got);
    EXPECT_NE(got[0].find("file 'Harbor_Data' on file 1."), std::string::npos) << got[0];
    EXPECT_EQ(got[1], "4035: Processed 1 pages for database 'Harbor', file 'Harbor_Log' on file 1.");
    EXPECT_EQ(got[2].rfind("3014: RESTORE DATABASE successfully processed ", 0), 0u) << got[2];
    EXPECT_EQ(column("SELECT Name FROM Harbor..Ships ORDER BY ShipID"), (std::vector<std::string>{"Ada"}));
    got = texts(run("RESTORE DATABASE Harbor FROM DISK = N'" + file + "' WITH FILE = 2, REPLACE, STATS = 50"));
    ASSERT_EQ(got.size(), 5u) << joined(got);
    EXPECT_EQ(got[0], "3211: 50 percent restored.");
    EXPECT_EQ(got[1], "3211: 100 percent restored.");
    EXPECT_EQ(column("SELECT Name FROM Harbor..Ships ORDER BY ShipID"), (std::vector<std::string>{"Ada", "Bea"}));
    EXPECT_EQ(joined(fail("RESTORE DATABASE Harbor FROM DISK = N'" + file + "' WITH FILE = 3, REPLACE")),
              "4038: Cannot find file ID 3 on device '" + file + "'.\n3013: RESTORE DATABASE is terminating abnormally.");

    // INIT starts the media again: one set.
    run("BACKUP DATABASE Harbor TO DISK = N'" + file + "' WITH INIT");
    std::ifstream in(drive("C") / "Program Files" / "Microsoft SQL Server" / "MSSQL" / "BACKUP" / "Harbor.bak", std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto sets = readBackupMedia(bytes);
    ASSERT_TRUE(sets);
    EXPECT_EQ(sets->size(), 1u);
}

TEST_F(EngineBackupTest, PathsOutsideTheDrivesAreRefusedAndNothingIsWritten)
{
    const auto outside = directory.parent_path() / (directory.filename().string() + "-outside.bak");
    std::ofstream(outside) << "precious";
    for (const std::string& device :
         {outside.string(), std::string("C:\\..\\..\\") + outside.filename().string(), std::string("C:\\NoSuchFolder\\h.bak"),
          std::string("C:\\h<1>.bak"), std::string("\\\\server\\share\\h.bak"), std::string("C:\\Program Files")}) {
        EXPECT_EQ(joined(fail("BACKUP DATABASE Harbor TO DISK = N'" + device + "' WITH INIT")),
                  deviceError(device, "BACKUP DATABASE"));
        EXPECT_EQ(joined(fail("RESTORE DATABASE Harbor FROM DISK = N'" + device + "' WITH REPLACE")),
                  deviceError(device, "RESTORE DATABASE"));
    }
    std::ifstream in(outside);
    std::string kept;
    std::getline(in, kept);
    EXPECT_EQ(kept, "precious");
    std::filesystem::remove(outside);

    // A backup into a folder picked on D:, named with doubled separators, restores under a new name.
    std::filesystem::create_directories(drive("D") / "Saved");
    run("BACKUP DATABASE Harbor TO DISK = 'D:\\\\Saved\\\\h.bak' WITH INIT");
    EXPECT_TRUE(std::filesystem::is_regular_file(drive("D") / "Saved" / "h.bak"));
    run("RESTORE DATABASE HarborCopy FROM DISK = 'd:\\saved\\H.BAK'");
    EXPECT_EQ(column("SELECT Name FROM HarborCopy..Ships"), (std::vector<std::string>{"Ada"}));
    // The server names its files as SQL Server does and never shows the host's paths.
    const std::string data = "C:\\Program Files\\Microsoft SQL Server\\MSSQL\\data\\";
    EXPECT_EQ(column("SELECT filename FROM master..sysdatabases WHERE name IN ('Harbor', 'HarborCopy') ORDER BY name"),
              (std::vector<std::string>{data + "Harbor.mdf", data + "HarborCopy.mdf"}));
    EXPECT_EQ(column("SELECT RTRIM(filename) FROM HarborCopy..sysfiles ORDER BY fileid"),
              (std::vector<std::string>{data + "Harbor.mdf", data + "Harbor_log.LDF"}))
        << "a restored database keeps the files of the one backed up";
    RecordingSink dropped = run("DROP DATABASE HarborCopy");
    EXPECT_EQ(texts(dropped), (std::vector<std::string>{"0: Deleting database file '" + data + "HarborCopy_log.LDF'.",
                                                        "0: Deleting database file '" + data + "HarborCopy.mdf'."}));

    // Database names that cannot be a file of their own are refused wherever a database is made.
    for (const std::string name : {"../Escaped", "a\\b", ".hidden", "con"}) {
        EXPECT_EQ(joined(fail("RESTORE DATABASE [" + name + "] FROM DISK = 'D:\\Saved\\h.bak'")),
                  "5105: Device activation error. The physical file name 'C:\\Program Files\\Microsoft SQL Server\\MSSQL\\data\\" +
                      name + ".mdf' may be incorrect.\n3013: RESTORE DATABASE is terminating abnormally.");
        EXPECT_EQ(joined(fail("CREATE DATABASE [" + name + "]")),
                  "5105: Device activation error. The physical file name 'C:\\Program Files\\Microsoft SQL Server\\MSSQL\\data\\" +
                      name + ".mdf' may be incorrect.\n1802: CREATE DATABASE failed. Some file names listed could not be "
                      "created. Check previous errors.");
        EXPECT_FALSE(engine->databaseExists(name));
    }
    EXPECT_FALSE(std::filesystem::exists(directory.parent_path() / "escaped.sqlite"));

    // xp_dirtree shows the drives' folders and nothing of the host.
    for (const char* path : {"/", "C:\\..", "C:\\..\\..", "\\\\server\\share"})
        EXPECT_TRUE(run(std::string("EXEC master..xp_dirtree N'") + path + "', 1, 1").results.at(0).rows.empty()) << path;
    // A link is shown but not followed, and naming it leads nowhere.
    std::filesystem::create_directory_symlink(directory, drive("D") / "Link");
    RecordingSink tree = run("EXEC master..xp_dirtree N'D:\\\\', 0, 1");
    std::vector<std::string> rows;
    for (const auto& row : tree.results.at(0).rows)
        rows.push_back(text(row[0]) + "/" + text(row[1]) + "/" + text(row[2]));
    EXPECT_EQ(rows, (std::vector<std::string>{"Link/1/0", "Saved/1/0", "h.bak/2/1"}));
    EXPECT_TRUE(run("EXEC master..xp_dirtree N'D:\\Link', 0, 1").results.at(0).rows.empty());
    EXPECT_EQ(joined(fail("BACKUP DATABASE Harbor TO DISK = 'D:\\Link\\master.sqlite' WITH INIT")),
              deviceError("D:\\Link\\master.sqlite", "BACKUP DATABASE"));
}

TEST_F(EngineBackupTest, RestoreNeedsTheDatabaseToItselfAndRefusesOtherFiles)
{
    run("BACKUP DATABASE Harbor TO DISK = 'C:\\h.bak' WITH INIT");
    auto other = engine->openSession(SessionInfo{70, "sa", "elsewhere", ""});
    RecordingSink otherUse;
    other->executeBatch("USE Harbor", otherUse);
    EXPECT_EQ(joined(fail("RESTORE DATABASE Harbor FROM DISK = 'C:\\h.bak' WITH REPLACE")),
              "3101: Exclusive access could not be obtained because the database is in use.\n"
              "3013: RESTORE DATABASE is terminating abnormally.");
    run("KILL 70");
    EXPECT_EQ(joined(fail("KILL 51")), "6104: Cannot use KILL to kill your own process.");
    run("USE Harbor");
    EXPECT_EQ(joined(fail("RESTORE DATABASE Harbor FROM DISK = 'C:\\h.bak' WITH REPLACE")),
              "3101: Exclusive access could not be obtained because the database is in use.\n"
              "3013: RESTORE DATABASE is terminating abnormally.");
    run("USE master");

    std::ofstream(drive("C") / "junk.bak") << "not a backup";
    EXPECT_EQ(joined(fail("RESTORE DATABASE Harbor FROM DISK = 'C:\\junk.bak' WITH REPLACE")),
              "3241: The media family on device 'C:\\junk.bak' is incorrectly formed. SQL Server cannot process this "
              "media family.\n3013: RESTORE DATABASE is terminating abnormally.");
    EXPECT_EQ(joined(fail("RESTORE HEADERONLY FROM DISK = 'C:\\h.bak'")),
              "50000: The Norvane sandbox restores whole databases only (no RESTORE HEADERONLY).");
    // Appending to a file that is not a backup would destroy it: refused the same way.
    EXPECT_EQ(joined(fail("BACKUP DATABASE Harbor TO DISK = 'C:\\junk.bak'")),
              "3241: The media family on device 'C:\\junk.bak' is incorrectly formed. SQL Server cannot process this "
              "media family.\n3013: BACKUP DATABASE is terminating abnormally.");
    EXPECT_EQ(column("SELECT Name FROM Harbor..Ships"), (std::vector<std::string>{"Ada"}));
}

TEST_F(EngineBackupTest, SpWhoListsTheServersProcessesThenTheSessions)
{
    auto other = engine->openSession(SessionInfo{70, "clerk", "elsewhere", ""});
    RecordingSink use;
    other->executeBatch("USE Harbor", use);
    auto line = [](const std::vector<Value>& row) {
        std::string out;
        for (const Value& v : row)
            out += (out.empty() ? "" : "|") + text(v);
        return out;
    };
    auto padded = [](const std::string& value, std::size_t width) { return value + std::string(width - value.size(), ' '); };
    RecordingSink who = run("EXEC sp_who");
    ASSERT_EQ(who.results.size(), 1u);
    std::vector<std::string> names;
    for (const ResultColumn& c : who.results[0].columns)
        names.push_back(c.name);
    EXPECT_EQ(names, (std::vector<std::string>{"spid", "ecid", "status", "loginame", "hostname", "blk", "dbname", "cmd"}));
    const auto& rows = who.results[0].rows;
    ASSERT_EQ(rows.size(), 10u);
    // nchar and char columns come blank-padded; loginame and dbname are computed, so they are not.
    const std::string none = padded("", 128) + "|" + padded("0", 5);
    EXPECT_EQ(line(rows[0]), "1|0|" + padded("background", 30) + "|sa|" + none + "|NULL|" + padded("LAZY WRITER", 16));
    EXPECT_EQ(line(rows[2]), "3|0|" + padded("background", 30) + "|sa|" + none + "|master|" + padded("SIGNAL HANDLER", 16));
    EXPECT_EQ(line(rows[8]), "51|0|" + padded("runnable", 30) + "|sa|" + padded("testhost", 128) + "|" + padded("0", 5) +
                                 "|master|" + padded("SELECT", 16));
    EXPECT_EQ(line(rows[9]), "70|0|" + padded("sleeping", 30) + "|clerk|" + padded("elsewhere", 128) + "|" + padded("0", 5) +
                                 "|Harbor|AWAITING COMMAND");
    EXPECT_EQ(run("sp_who '70'").results.at(0).rows.size(), 1u);
    EXPECT_EQ(run("sp_who 'clerk'").results.at(0).rows.size(), 1u);
    EXPECT_EQ(run("sp_who 'sa'").results.at(0).rows.size(), 9u);
    EXPECT_EQ(run("sp_who 'ACTIVE'").results.at(0).rows.size(), 9u) << "the session waiting for a command is left out";
    EXPECT_EQ(joined(fail("KILL 3")), "6107: Only user processes can be killed.");
}

TEST_F(EngineBackupTest, AnAttentionStopsABackupAndLeavesTheEarlierFile)
{
    run("BACKUP DATABASE Harbor TO DISK = 'C:\\h.bak' WITH INIT");
    engine->setWorkDelay(std::chrono::milliseconds(20));  // a whole backup now takes two seconds at least
    const auto file = drive("C") / "h.bak";
    const auto size = std::filesystem::file_size(file);
    class CancelAfter final : public ResultSink {
    public:
        void beginResult(const std::vector<ResultColumn>&) override {}
        void row(const std::vector<Value>&) override {}
        void message(const ServerMessage& m) override { messages.push_back(m.text); }
        void databaseChanged(const std::string&, const std::string&) override {}
        void statementDone(std::optional<std::int64_t>, bool) override { ++dones; }
        bool cancelled() const override { return messages.size() >= 3; }
        std::vector<std::string> messages;
        int dones = 0;
    } sink;
    const auto started = std::chrono::steady_clock::now();
    session->executeBatch("BACKUP DATABASE Harbor TO DISK = 'C:\\h.bak' WITH STATS = 1", sink);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(1500)) << "stopped, not run to the end";
    EXPECT_EQ(sink.messages, (std::vector<std::string>{"1 percent backed up.", "2 percent backed up.", "3 percent backed up."}));
    EXPECT_EQ(std::filesystem::file_size(file), size) << "no second set was appended";
}

}  // namespace
}  // namespace sandbox::test
