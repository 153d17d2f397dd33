#include "engine_recording_sink.h"

#include <fstream>
#include <thread>

namespace sandbox::test {
namespace {

class EngineBatchTest : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        run("CREATE DATABASE Harbor");
        run("USE Harbor CREATE TABLE Ships (ShipID int NOT NULL PRIMARY KEY, Name varchar(30) NOT NULL, Tonnage int NULL)");
    }
};

TEST_F(EngineBatchTest, StatementsSplitWithoutSemicolonsAndReportTheirCounts)
{
    RecordingSink sink = run("INSERT INTO Ships VALUES (1, 'Ada', 100) INSERT INTO Ships (ShipID, Name) VALUES (2, 'Bea');\n"
                             "INSERT Ships SELECT ShipID + 10, Name + ' II', Tonnage FROM Ships\n"
                             "UPDATE Ships SET Tonnage = 5 WHERE Tonnage IS NULL SELECT COUNT(*) FROM Ships DELETE FROM Ships WHERE ShipID > 10");
    ASSERT_EQ(sink.dones.size(), 6u);
    EXPECT_EQ(sink.dones[0].rowCount, 1);
    EXPECT_EQ(sink.dones[1].rowCount, 1);
    EXPECT_EQ(sink.dones[2].rowCount, 2);
    EXPECT_EQ(sink.dones[3].rowCount, 2);
    EXPECT_EQ(sink.dones[4].rowCount, 1);
    EXPECT_EQ(sink.dones[5].rowCount, 2);
    EXPECT_EQ(text(sink.results.at(0).rows.at(0).at(0)), "4");
    EXPECT_EQ(column("SELECT Name FROM Ships ORDER BY ShipID"), (std::vector<std::string>{"Ada", "Bea"}));

    // SET ROWCOUNT limits the rows a SELECT returns until it is set back to 0.
    sink = run("SET ROWCOUNT 1 SELECT Name FROM Ships ORDER BY ShipID SET ROWCOUNT 0 SELECT Name FROM Ships");
    ASSERT_EQ(sink.results.size(), 2u);
    EXPECT_EQ(sink.results[0].rows.size(), 1u);
    EXPECT_EQ(sink.results[1].rows.size(), 2u);

    // SET NOCOUNT ON drops the counts, as SQL Server's DONE tokens do.
    sink = run("SET NOCOUNT ON UPDATE Ships SET Tonnage = Tonnage + 1");
    EXPECT_FALSE(sink.dones.back().rowCount.has_value());
    sink = run("SET NOCOUNT OFF SELECT @@ROWCOUNT");
    EXPECT_EQ(sink.dones.back().rowCount, 1);
}

TEST_F(EngineBatchTest, UseSendsEnvChangeAndUnknownDatabaseGives911)
{
    RecordingSink sink = run("USE master");
    ASSERT_EQ(sink.changes.size(), 1u);
    EXPECT_EQ(sink.changes[0], std::make_pair(std::string("Harbor"), std::string("master")));
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0].number, 5701);
    EXPECT_EQ(sink.messages[0].severity, 10);
    EXPECT_EQ(sink.messages[0].text, "Changed database context to 'master'.");
    EXPECT_EQ(session->currentDatabase(), "master");

    EXPECT_EQ(fail("USE Nowhere"),
              (std::vector<std::string>{"911: Could not locate entry in sysdatabases for database 'Nowhere'. No entry found "
                                        "with that name. Make sure that the name is entered correctly."}));
    EXPECT_EQ(session->currentDatabase(), "master");
    EXPECT_EQ(column("Select Name From SysDatabases Order By Name"),
              (std::vector<std::string>{"Harbor", "master", "model", "msdb", "tempdb"}));
}

TEST_F(EngineBatchTest, ErrorsUseSqlServerNumbersAndTexts)
{
    EXPECT_EQ(fail("SELECT * FROM NoSuchTable"), (std::vector<std::string>{"208: Invalid object name 'NoSuchTable'."}));
    EXPECT_EQ(fail("SELECT * FROM Ships, dbo.[No Such]"), (std::vector<std::string>{"208: Invalid object name 'dbo.[No Such]'."}));
    EXPECT_EQ(fail("DELETE FROM Harbor.dbo.Gone"), (std::vector<std::string>{"208: Invalid object name 'Harbor.dbo.Gone'."}));
    EXPECT_EQ(fail("SELECT Nope FROM Ships"), (std::vector<std::string>{"207: Invalid column name 'Nope'."}));
    EXPECT_EQ(fail("EXEC sp_nothing"), (std::vector<std::string>{"2812: Could not find stored procedure 'sp_nothing'."}));
    EXPECT_EQ(fail("CREATE TABLE Ships (A int)"),
              (std::vector<std::string>{"2714: There is already an object named 'Ships' in the database."}));
    EXPECT_EQ(fail("INSERT INTO Ships (ShipID) VALUES (7)"),
              (std::vector<std::string>{"515: Cannot insert the value NULL into column 'Name', table 'Harbor.dbo.Ships'; "
                                        "column does not allow nulls. INSERT fails."}));
    run("INSERT INTO Ships VALUES (1, 'Ada', 1)");
    auto duplicate = fail("INSERT INTO Ships VALUES (1, 'Again', 1)");
    ASSERT_EQ(duplicate.size(), 1u);
    EXPECT_EQ(duplicate[0].substr(0, 44), "2627: Violation of PRIMARY KEY constraint 'P");
    EXPECT_NE(duplicate[0].find("Cannot insert duplicate key in object 'Ships'."), std::string::npos);
    EXPECT_EQ(fail("CREATE DATABASE Harbor"), (std::vector<std::string>{"1801: Database 'Harbor' already exists."}));
}

TEST_F(EngineBatchTest, CheckConflictsNameTheColumnOfAColumnConstraint)
{
    run("CREATE TABLE Cargo (CargoID int NOT NULL, Qty int NOT NULL CONSTRAINT CK_Qty CHECK (Qty > 0), "
        "Weight int NULL, CONSTRAINT CK_Weight CHECK (Weight < 1000))");
    run("INSERT INTO Cargo VALUES (1, 5, 10)");
    EXPECT_EQ(fail("INSERT INTO Cargo VALUES (2, 0, 10)"),
              (std::vector<std::string>{"547: INSERT statement conflicted with COLUMN CHECK constraint 'CK_Qty'. The conflict "
                                        "occurred in database 'Harbor', table 'Cargo', column 'Qty'."}));
    EXPECT_EQ(fail("UPDATE Cargo SET Qty = -1"),
              (std::vector<std::string>{"547: UPDATE statement conflicted with COLUMN CHECK constraint 'CK_Qty'. The conflict "
                                        "occurred in database 'Harbor', table 'Cargo', column 'Qty'."}));
    EXPECT_EQ(fail("INSERT INTO Cargo VALUES (3, 1, 5000)"),
              (std::vector<std::string>{"547: INSERT statement conflicted with TABLE CHECK constraint 'CK_Weight'. The "
                                        "conflict occurred in database 'Harbor', table 'Cargo'."}));
    EXPECT_EQ(fail("UPDATE Cargo SET Weight = 1000"),
              (std::vector<std::string>{"547: UPDATE statement conflicted with TABLE CHECK constraint 'CK_Weight'. The "
                                        "conflict occurred in database 'Harbor', table 'Cargo'."}));
    EXPECT_EQ(column("SELECT Qty FROM Cargo"), (std::vector<std::string>{"5"}));
}

TEST_F(EngineBatchTest, SyntaxErrorAbortsTheWholeBatchButOtherErrorsContinue)
{
    RecordingSink sink;
    session->executeBatch("INSERT INTO Ships VALUES (1, 'Ada', 1) SELECT FROM WHERE", sink);
    ASSERT_EQ(sink.errors().size(), 1u);
    EXPECT_EQ(sink.errors()[0], "156: Incorrect syntax near the keyword 'FROM'.");
    EXPECT_EQ(column("SELECT COUNT(*) FROM Ships"), (std::vector<std::string>{"0"}));

    EXPECT_EQ(fail("SELECT * FROM Ships WHERE (ShipID = 1"), (std::vector<std::string>{"102: Incorrect syntax near '1'."}));
    EXPECT_EQ(fail("SELECT 'open"), (std::vector<std::string>{"105: Unclosed quotation mark before the character string 'open'."}));

    RecordingSink continued;
    session->executeBatch("SELECT * FROM Missing INSERT INTO Ships VALUES (2, 'Bea', 2)", continued);
    ASSERT_EQ(continued.dones.size(), 2u);
    EXPECT_TRUE(continued.dones[0].failed);
    EXPECT_FALSE(continued.dones[1].failed);
    EXPECT_EQ(continued.dones[1].rowCount, 1);
}

TEST_F(EngineBatchTest, IfElseVariablesPrintAndRaiserror)
{
    RecordingSink sink = run("DECLARE @n int, @name varchar(10)\n"
                             "SET @n = 3\n"
                             "SELECT @name = 'ship' + CONVERT(varchar(5), @n)\n"
                             "IF @n > 2 PRINT 'big ' + @name ELSE PRINT 'small'\n"
                             "IF NOT EXISTS (SELECT * FROM Ships) BEGIN PRINT 'empty' PRINT 'still empty' END\n"
                             "RAISERROR('Custom %s number %d', 10, 1, 'message', 7)");
    ASSERT_EQ(sink.messages.size(), 4u);
    EXPECT_EQ(sink.messages[0].text, "big ship3");
    EXPECT_EQ(sink.messages[0].number, 0);
    EXPECT_EQ(sink.messages[1].text, "empty");
    EXPECT_EQ(sink.messages[2].text, "still empty");
    EXPECT_EQ(sink.messages[3].text, "Custom message number 7");
    EXPECT_EQ(sink.messages[3].number, 50000);
    EXPECT_EQ(sink.messages[3].severity, 10);

    auto errors = fail("RAISERROR('Stop here', 16, 1)");
    EXPECT_EQ(errors, (std::vector<std::string>{"50000: Stop here"}));
    EXPECT_EQ(fail("SELECT @undeclared"), (std::vector<std::string>{"137: Must declare the variable '@undeclared'."}));
}

TEST_F(EngineBatchTest, TransactionsAndTheFormsClientsSend)
{
    run("SET TRANSACTION ISOLATION LEVEL READ COMMITTED SET ANSI_NULLS ON SET QUOTED_IDENTIFIER ON SET TEXTSIZE 2147483647");
    run("BEGIN TRANSACTION INSERT INTO Ships VALUES (1, 'Ada', 1) ROLLBACK");
    EXPECT_EQ(column("SELECT COUNT(*) FROM Ships"), (std::vector<std::string>{"0"}));
    RecordingSink sink = run("BEGIN TRAN INSERT INTO Ships VALUES (1, 'Ada', 1) SELECT @@TRANCOUNT");
    EXPECT_EQ(text(sink.results.at(0).rows.at(0).at(0)), "1");
    run("COMMIT TRANSACTION");
    run("IF @@TRANCOUNT > 0 ROLLBACK");
    EXPECT_EQ(column("SELECT Name FROM Ships"), (std::vector<std::string>{"Ada"}));
    EXPECT_EQ(fail("COMMIT"),
              (std::vector<std::string>{"3902: The COMMIT TRANSACTION request has no corresponding BEGIN TRANSACTION."}));
}

TEST_F(EngineBatchTest, IdentityColumnsDatesAndDecimalsAsSqlServerStoresThem)
{
    run("CREATE TABLE Voyages (VoyageID int IDENTITY(1, 1) NOT NULL PRIMARY KEY, Sailed datetime NULL, Fare decimal(10, 2) NULL)\n"
        "INSERT INTO Voyages VALUES ('19970704', 12.345)\n"
        "INSERT INTO Voyages (Sailed, Fare) VALUES ('1997-07-05 13:30', 7)\n"
        "INSERT Voyages SELECT Sailed, Fare FROM Voyages WHERE VoyageID = 1");
    RecordingSink sink = run("SELECT VoyageID, Sailed, Fare FROM Voyages WHERE Sailed < '1997-07-05' ORDER BY VoyageID");
    ASSERT_EQ(sink.results.size(), 1u);
    const auto& result = sink.results[0];
    EXPECT_EQ(result.columns[1].type.type, SqlType::DateTime);
    EXPECT_EQ(result.columns[2].type.type, SqlType::Decimal);
    EXPECT_EQ(result.columns[2].type.precision, 10);
    EXPECT_EQ(result.columns[2].type.scale, 2);
    ASSERT_EQ(result.rows.size(), 2u);
    EXPECT_EQ(text(result.rows[0][0]), "1");
    EXPECT_EQ(text(result.rows[0][1]), "1997-07-04 00:00:00.000");
    EXPECT_EQ(text(result.rows[0][2]), "12.35");
    EXPECT_EQ(text(result.rows[1][0]), "3");
    run("UPDATE Voyages SET Sailed = '12/31/1999' WHERE VoyageID = 2");
    EXPECT_EQ(column("SELECT CONVERT(varchar(10), Sailed, 120) FROM Voyages WHERE VoyageID = 2"),
              (std::vector<std::string>{"1999-12-31"}));
    // Date literals in any form SQL Server reads compare with stored dates as dates.
    EXPECT_EQ(column("SELECT VoyageID FROM Voyages WHERE Sailed = '19970704' OR Sailed BETWEEN '12/31/1999' AND '1999-12-31 00:00' ORDER BY 1"),
              (std::vector<std::string>{"1", "2", "3"}));
    EXPECT_EQ(column("SELECT COUNT(*) FROM Voyages WHERE '1997-07-04' = Sailed"), (std::vector<std::string>{"2"}));
    EXPECT_EQ(fail("INSERT INTO Voyages (Sailed) VALUES ('not a date')"),
              (std::vector<std::string>{"241: Syntax error converting datetime from character string."}));
}

TEST_F(EngineBatchTest, KillEndsAnotherSessionAndSpWhoFilters)
{
    auto other = engine->openSession(SessionInfo{60, "clerk", "desk", "app"});
    RecordingSink who = run("sp_who 'clerk'");
    ASSERT_EQ(who.results.size(), 1u);
    ASSERT_EQ(who.results[0].rows.size(), 1u);
    EXPECT_EQ(text(who.results[0].rows[0][0]), "60");
    EXPECT_EQ(text(who.results[0].rows[0][2]), "sleeping" + std::string(22, ' '));
    EXPECT_EQ(text(who.results[0].rows[0][6]), "master");
    EXPECT_EQ(who.results[0].columns[6].type.type, SqlType::NVarChar);

    EXPECT_EQ(fail("KILL 51"), (std::vector<std::string>{"6104: Cannot use KILL to kill your own process."}));
    EXPECT_EQ(fail("KILL 99"), (std::vector<std::string>{"6106: Process ID 99 is not an active process ID."}));
    run("KILL 60");
    RecordingSink killed;
    other->executeBatch("SELECT 1", killed);
    ASSERT_EQ(killed.messages.size(), 1u);
    EXPECT_GE(killed.messages[0].severity, 20);
    EXPECT_TRUE(run("sp_who 'clerk'").results.at(0).rows.empty());
}

TEST_F(EngineBatchTest, MalformedAndUnsupportedInputEndsInErrorsNotCrashes)
{
    const char* inputs[] = {
        "SELECT", "SELECT (", "SELECT 'a' +", "INSERT", "UPDATE Ships SET", "EXEC", "IF", "IF 1 = 1", "BEGIN", "END", "ELSE",
        "SELECT CASE", "USE", "DECLARE @", "SET @x = 1", "WAITFOR", "KILL", "KILL x", "BACKUP", "RESTORE DATABASE",
        "sp_pkeys", "sp_helptext", "SELECT * FROM [unclosed", "/* unclosed", "SELECT 1 FROM Ships a b",
        "SELECT CAST(1 AS nosuchtype)", "SELECT CONVERT(int, 'abc')", "SELECT 1 / 0", "SELECT 5 % 0",
        "SELECT SUBSTRING('a', 1, -1)", "RAISERROR", "PRINT", "SELECT * FROM a.b.c.d.e", "WHILE 1 = 1 PRINT 'x'",
        "SELECT * INTO Copy FROM Ships", "DECLARE @t TABLE (a int)", "SELECT dbo.fnX(1)", "CREATE", "DROP", "ALTER DATABASE",
        "SELECT 1 UNION", "SELECT ALL", "INSERT INTO Ships VALUES (1, 'a', 1, 1)", "UPDATE Nowhere SET a = 1",
        "DELETE FROM Ships FROM Ships", "SELECT @@NOSUCHTHING", "EXEC ('SELECT FROM')", "sp_who 1, 2, 3, 4",
        "SELECT ShipID FROM Ships GROUP BY", "SELECT 1 ORDER BY", "TRUNCATE Ships", "SAVE TRANSACTION s", "x"};
    for (const char* input : inputs) {
        RecordingSink sink;
        session->executeBatch(input, sink);
        EXPECT_FALSE(sink.errors().empty()) << input;
        for (const RecordedDone& d : sink.dones) {
            if (d.failed) {
                EXPECT_FALSE(sink.messages.empty()) << input;
            }
        }
    }
    EXPECT_EQ(fail("SELECT 1 / 0"), (std::vector<std::string>{"8134: Divide by zero error encountered."}));
    EXPECT_EQ(column("SELECT 7 / 2, 7 % 3, 7.0 / 2"), (std::vector<std::string>{"3"}));
    // The session still works afterwards.
    EXPECT_EQ(column("SELECT COUNT(*) FROM Ships"), (std::vector<std::string>{"0"}));
}

TEST_F(EngineBatchTest, CancellationStopsBetweenRows)
{
    run("INSERT INTO Ships VALUES (1, 'A', 1) INSERT INTO Ships VALUES (2, 'B', 1) INSERT INTO Ships VALUES (3, 'C', 1)");
    RecordingSink sink;
    sink.cancelAfterRows = 1;
    session->executeBatch("SELECT * FROM Ships SELECT 1", sink);
    ASSERT_EQ(sink.results.size(), 1u);
    EXPECT_EQ(sink.results[0].rows.size(), 1u);
}

TEST_F(EngineBatchTest, TwoSessionsOnTwoThreadsAndARestartKeepsData)
{
    auto other = engine->openSession(SessionInfo{52, "sa", "otherhost", "second"});
    std::vector<std::string> errors;
    std::thread writer([&] {
        for (int i = 0; i < 50; ++i) {
            RecordingSink sink;
            other->executeBatch("USE Harbor INSERT INTO Ships VALUES (" + std::to_string(1000 + i) + ", 'T', 1)", sink);
            for (const auto& e : sink.errors())
                errors.push_back(e);
        }
    });
    for (int i = 0; i < 50; ++i)
        run("INSERT INTO Ships VALUES (" + std::to_string(i) + ", 'M', 2) SELECT COUNT(*) FROM Ships");
    writer.join();
    EXPECT_TRUE(errors.empty()) << (errors.empty() ? "" : errors[0]);
    EXPECT_EQ(column("SELECT COUNT(*) FROM Ships"), (std::vector<std::string>{"100"}));

    RecordingSink who = run("EXEC sp_who");
    ASSERT_EQ(who.results.size(), 1u);
    ASSERT_EQ(who.results[0].columns.size(), 8u);
    EXPECT_EQ(who.results[0].columns[2].name, "status");
    EXPECT_EQ(who.results[0].rows.size(), 10u);  // the server's eight own processes and the two sessions
    other.reset();

    session.reset();
    engine.reset();
    engine = std::make_unique<Engine>(directory);
    EXPECT_TRUE(engine->databaseExists("harbor"));
    session = engine->openSession(SessionInfo{53, "sa", "", ""});
    EXPECT_EQ(column("SELECT COUNT(*) FROM Harbor.dbo.Ships"), (std::vector<std::string>{"100"}));
}

TEST_F(EngineBatchTest, DropDatabaseAndSampleLoading)
{
    auto sampleDirectory = directory / "sample";
    std::filesystem::create_directories(sampleDirectory);
    {
        std::ofstream script(sampleDirectory / "01_fleet.sql");
        script << "IF EXISTS (SELECT * FROM master..sysdatabases WHERE name = N'Fleet') DROP DATABASE Fleet\r\nGO\r\n"
                  "CREATE DATABASE Fleet\r\ngo\r\nUSE Fleet\r\n  GO  \r\n"
                  "CREATE TABLE Boats (BoatID int NOT NULL PRIMARY KEY, Name nvarchar(20) NOT NULL)\r\nGO\r\n"
                  "INSERT INTO Boats VALUES (1, N'One')\r\nINSERT INTO Boats VALUES (2, N'Two')\r\nGO\r\n";
    }
    engine->loadSample(sampleDirectory);
    engine->loadSample(sampleDirectory);  // a second load starts from fresh databases
    EXPECT_EQ(column("SELECT COUNT(*) FROM Fleet..Boats"), (std::vector<std::string>{"2"}));
    {
        std::ofstream broken(sampleDirectory / "02_broken.sql");
        broken << "USE Fleet\nGO\nINSERT INTO Boats VALUES (1, N'Duplicate')\nGO\n";
    }
    try {
        engine->loadSample(sampleDirectory);
        ADD_FAILURE() << "a failing script must stop loading";
    } catch (const std::exception& error) {
        EXPECT_NE(std::string(error.what()).find("02_broken.sql, batch 2"), std::string::npos) << error.what();
    }
    // Another session that read Fleet before it was recreated sees the new database, not the deleted file.
    auto reader = engine->openSession(SessionInfo{61, "sa", "", ""});
    RecordingSink before;
    reader->executeBatch("SELECT COUNT(*) FROM Fleet..Boats", before);
    ASSERT_EQ(before.results.size(), 1u);
    run("USE master DROP DATABASE Fleet CREATE DATABASE Fleet");
    RecordingSink after;
    reader->executeBatch("SELECT COUNT(*) FROM Fleet..Boats", after);
    EXPECT_EQ(after.errors(), (std::vector<std::string>{"208: Invalid object name 'Fleet..Boats'."}));
    reader.reset();
    run("USE master DROP DATABASE Fleet");
    EXPECT_FALSE(engine->databaseExists("Fleet"));
    EXPECT_EQ(fail("DROP DATABASE Fleet"),
              (std::vector<std::string>{"3701: Cannot drop the database 'Fleet', because it does not exist in the system catalog."}));
}

}  // namespace
}  // namespace sandbox::test
