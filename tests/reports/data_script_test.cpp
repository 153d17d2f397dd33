// The data script against a scratch database on the sandbox: the exact text
// for plain, quoted, null, image, identity, computed and empty tables, a table
// name with a blank, and a round trip that runs the script on a copy of the
// tables and reads the same rows back.
#include "reports/data_script.h"

#include "reports/report_test_support.h"
#include "support/qt_printers.h"
#include "support/session_reset.h"

#include <gtest/gtest.h>

using namespace norvane;

namespace {

const QString kSource = QStringLiteral("ReportsScript");
const QString kCopy = QStringLiteral("ReportsScriptCopy");

const QStringList kTables = {
    "CREATE TABLE Note (Id int NULL, Body varchar(50) NULL)",
    "CREATE TABLE Counter (Id int IDENTITY (5, 5) NOT NULL CONSTRAINT PK_Counter PRIMARY KEY, "
    "Label varchar(20) NULL, Twice AS (Id * 2))",
    "CREATE TABLE Blobs (Id int NOT NULL, Data image NULL)",
    "CREATE TABLE Empty (Id int NULL)",
    "CREATE TABLE [Two Words] (Flag bit NULL, Amount money NULL, Ratio real NULL, Big float NULL, "
    "Stamp datetime NULL, Code uniqueidentifier NULL, Raw varbinary(4) NULL, Name nvarchar(10) NULL, "
    "Fixed char(4) NULL, Small smallint NULL, Huge bigint NULL, Exact decimal(9, 3) NULL)",
};

class DataScript : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        for (const QString& database : {kSource, kCopy}) {
            norvane::testing::createScratchDatabase(database);
            norvane::testing::runBatches(database, kTables);
        }
        norvane::testing::runBatches(
            kSource,
            {"INSERT INTO Note (Id, Body) VALUES (1, 'it''s')", "INSERT INTO Note (Id, Body) VALUES (2, NULL)",
             "INSERT INTO Counter (Label) VALUES ('  padded  ')", "INSERT INTO Counter (Label) VALUES ('plain')",
             "INSERT INTO Blobs (Id, Data) VALUES (7, 0x0102)",
             "INSERT INTO [Two Words] VALUES (1, 12.3456, 0.15, 2.5e-7, '2006-06-27 17:12:40.123', "
             "'6F9619FF-8B86-D011-B42D-00C04FC964FF', 0x00FF10, N'Zoë', 'ab', -3, 9000000000, -12.5)",
             "INSERT INTO [Two Words] VALUES (0, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL)"});
    }

    void SetUp() override { norvane::testing::connectReportSession(kSource); }
    void TearDown() override { resetSessionForTests(); }

    static std::optional<QString> build(const QStringList& checked, std::function<bool()> yield = nullptr,
                                        ReportProgress* progress = nullptr)
    {
        std::vector<ReportTableEntry> entries;
        for (const QString& name : QStringList{"Blobs", "Counter", "Empty", "Note", "Two Words"})
            entries.push_back({name, checked.contains(name)});
        DataScriptRun run = sourceRun();
        run.progress = progress;
        run.yieldAndCheckCancelled = std::move(yield);
        return BuildDataScript(run, entries);
    }

    static DataScriptRun sourceRun()
    {
        DataScriptRun run;
        run.admin = session().serverAdmin.get();
        run.database = kSource;
        run.connection = &session().connection;
        return run;
    }

    static QStringList rowsOf(const QString& database, const QString& query)
    {
        Connection connection;
        connection.open(norvane::test::sharedSampleSandbox().connectionString(database));
        QStringList rows;
        for (Recordset found = connection.execute(query); !found.eof(); found.moveNext()) {
            QStringList values;
            for (const Field& field : found.fields())
                values << (field.isNull() ? QStringLiteral("NULL") : field.text());
            rows << values.join(QLatin1Char('|'));
        }
        return rows;
    }
};

}  // namespace

TEST_F(DataScript, TheNoteTableGivesOneInsertPerRowThenGoAndAnEmptyLine)
{
    EXPECT_EQ(build({"Note"}), QString("INSERT INTO [Note] ([Id],[Body]) VALUES (1,'it''s')\r\n"
                                       "INSERT INTO [Note] ([Id],[Body]) VALUES (2,NULL)\r\n"
                                       "Go\r\n"
                                       "\r\n"));
}

TEST_F(DataScript, EveryKindOfTableInListOrder)
{
    ReportProgress progress;
    progress.Max = 100;
    int yields = 0;
    const std::optional<QString> script = build(
        {"Blobs", "Counter", "Empty", "Two Words"},
        [&] {
            ++yields;
            return false;
        },
        &progress);
    ASSERT_TRUE(script.has_value());
    EXPECT_EQ(*script,
              QString("INSERT INTO [Blobs] ([Id],[Data]) VALUES (7,NULL)\r\n"
                      "Go\r\n"
                      "\r\n"
                      "SET IDENTITY_INSERT [Counter] ON\r\n"
                      "INSERT INTO [Counter] ([Id],[Label]) VALUES (5,'padded')\r\n"
                      "INSERT INTO [Counter] ([Id],[Label]) VALUES (10,'plain')\r\n"
                      "SET IDENTITY_INSERT [Counter] OFF\r\n"
                      "Go\r\n"
                      "\r\n"
                      "Go\r\n"
                      "\r\n"
                      "INSERT INTO [Two Words] ([Flag],[Amount],[Ratio],[Big],[Stamp],[Code],[Raw],[Name],[Fixed],"
                      "[Small],[Huge],[Exact]) VALUES (1,12.3456,0.15,2.5e-07,'20060627 17:12:40.123',"
                      "'6F9619FF-8B86-D011-B42D-00C04FC964FF',0x00FF10,'Zoë','ab',-3,9000000000,-12.500)\r\n"
                      "INSERT INTO [Two Words] ([Flag],[Amount],[Ratio],[Big],[Stamp],[Code],[Raw],[Name],[Fixed],"
                      "[Small],[Huge],[Exact]) VALUES (0,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL)\r\n"
                      "Go\r\n"
                      "\r\n"));
    EXPECT_EQ(yields, 5);           // once per entry, checked or not
    EXPECT_EQ(progress.Value, 100); // four advances, then the bar is filled
}

TEST_F(DataScript, RunningTheScriptOnEmptyCopiesPutsTheSameRowsBack)
{
    const std::optional<QString> script = build({"Blobs", "Counter", "Empty", "Note", "Two Words"});
    ASSERT_TRUE(script.has_value());
    QStringList batches = script->split("Go\r\n\r\n", Qt::SkipEmptyParts);
    norvane::testing::runBatches(kCopy, batches);
    for (const QString& query : QStringList{"SELECT * FROM Note", "SELECT * FROM Counter", "SELECT Id FROM Blobs",
                                            "SELECT * FROM Empty", "SELECT * FROM [Two Words]"}) {
        QStringList expected = rowsOf(kSource, query);
        if (query == QLatin1String("SELECT * FROM Counter"))
            expected.replaceInStrings("  padded  ", "padded"); // quoted values lose their blanks
        EXPECT_EQ(rowsOf(kCopy, query), expected) << query.toStdString();
    }
    EXPECT_EQ(rowsOf(kCopy, "SELECT Data FROM Blobs"), QStringList({"NULL"})); // images are not carried
}

TEST_F(DataScript, NothingCheckedGivesAnEmptyTextAndCancellingGivesNone)
{
    EXPECT_EQ(build({}), QString(""));
    int yields = 0;
    EXPECT_EQ(build({"Note", "Two Words"}, [&] { return ++yields == 4; }), std::nullopt);
    EXPECT_EQ(yields, 4);
}

TEST_F(DataScript, ATableDroppedSinceTheListWasReadIsAnError)
{
    norvane::testing::runBatches(kSource, {"CREATE TABLE Dropped (Id int NULL)", "DROP TABLE Dropped"});
    DataScriptRun run = sourceRun();
    try {
        BuildDataScript(run, {{"Dropped", true}});
        FAIL() << "no error";
    } catch (const DbError& error) {
        EXPECT_EQ(error.description(), "Invalid object name 'Dropped' in database 'ReportsScript'.");
    }
}

TEST(DataScriptValues, ClassesByTypeCodeAndTheirTexts)
{
    EXPECT_EQ(scriptValueClass(AdoType::VarChar), ScriptValueClass::Quoted);
    EXPECT_EQ(scriptValueClass(7), ScriptValueClass::Quoted);
    EXPECT_EQ(scriptValueClass(AdoType::LongVarBinary), ScriptValueClass::AlwaysNull);
    EXPECT_EQ(scriptValueClass(AdoType::VarBinary), ScriptValueClass::Plain);
    QString list;
    appendScriptValue(list, QString(" \tTab's \n "), AdoType::VarChar);
    appendScriptValue(list, QVariant(), AdoType::Integer);
    appendScriptValue(list, QByteArray("\x01", 1), AdoType::LongVarBinary);
    appendScriptValue(list, false, AdoType::Boolean);
    appendScriptValue(list, QString("1.50"), AdoType::Numeric);
    EXPECT_EQ(list, "'\tTab''s \n',NULL,NULL,0,1.50,");
    EXPECT_EQ(insertStatementHead("Odd]Name", {"a]b", "c"}), "INSERT INTO [Odd]]Name] ([a]]b],[c]) VALUES (");
}

TEST_F(DataScript, ALongTableCanBeCancelledBetweenItsRowsAndTheConnectionStaysUsable)
{
    norvane::testing::runBatches(
        kSource,
        {"CREATE TABLE Digits (d int NOT NULL)",
         "INSERT INTO Digits (d) SELECT 0 UNION ALL SELECT 1 UNION ALL SELECT 2 UNION ALL SELECT 3 UNION ALL "
         "SELECT 4 UNION ALL SELECT 5 UNION ALL SELECT 6 UNION ALL SELECT 7 UNION ALL SELECT 8 UNION ALL SELECT 9",
         "CREATE TABLE Many (n int NOT NULL)",
         "INSERT INTO Many (n) SELECT a.d * 1000 + b.d * 100 + c.d * 10 + e.d FROM Digits a, Digits b, "
         "Digits c, Digits e",
         "INSERT INTO Many (n) SELECT n + 10000 FROM Many WHERE n < 2000"});
    DataScriptRun run = sourceRun();
    int yields = 0;
    run.yieldAndCheckCancelled = [&] { return ++yields == 3; };
    EXPECT_EQ(BuildDataScript(run, {{"Many", true}}), std::nullopt);
    EXPECT_EQ(yields, 3); // before the table, after 5,000 rows and after 10,000

    run.yieldAndCheckCancelled = [&] { return false; };
    const std::optional<QString> whole = BuildDataScript(run, {{"Many", true}});
    ASSERT_TRUE(whole.has_value());
    EXPECT_EQ(whole->count("INSERT INTO [Many] ([n]) VALUES ("), 12000);
    EXPECT_TRUE(whole->endsWith("INSERT INTO [Many] ([n]) VALUES (11999)\r\nGo\r\n\r\n"));
}
