// The query window against the sandbox: what runs (selection, whole text,
// nothing), the grid with the empty row below the records, the outcome in blue
// or red with the batch's messages below it, F5, keyword colours as the user
// types, cancelling, a second Run while one runs, results larger than a 16-bit
// row counter, and a lost connection.
#include "query/frmQuery.h"

#include "codeview/document_colours.h"
#include "tables/window_fixture.h"

#include <QAbstractItemModel>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTableView>
#include <QTextEdit>

using namespace norvane;

namespace {

const QString kScratch = QStringLiteral("QueryScratch");
const QColor kBlue(0, 0, 255), kRed(255, 0, 0);
// 3 to the 14th power rows: millions, streamed while the window keeps working.
const QString kHuge = "SELECT a.Id, b.Name FROM Ships a, Ships b, Ships c, Ships d, Ships e, Ships f, Ships g, "
                      "Ships h, Ships i, Ships j, Ships k, Ships l, Ships m, Ships n";

class QueryWindow : public norvane::testing::WindowTest {
protected:
    static void SetUpTestSuite()
    {
        norvane::testing::createScratchDatabase(kScratch);
        norvane::testing::runBatches(
            kScratch,
            {"CREATE TABLE Ships (Id int CONSTRAINT PK_Ships PRIMARY KEY, Name varchar(20) NULL, Tons int NULL)",
             "INSERT INTO Ships VALUES (1, 'Albatross', 300)", "INSERT INTO Ships VALUES (2, 'Bluefin', NULL)",
             "INSERT INTO Ships VALUES (3, 'NULL', 120)"});
    }
    void SetUp() override
    {
        WindowTest::SetUp();
        norvane::testing::connectSessionTo(kScratch);
        session().ConnectionString = test::sharedSampleSandbox().connectionString(kScratch);
    }

    // Types the text into the input box (replacing what was there) and runs it to its end.
    void runText(const QString& text)
    {
        input->setPlainText(text);
        QTest::mouseClick(run, Qt::LeftButton);
        waitForEnd();
    }
    void waitForEnd() const
    {
        QElapsedTimer clock;
        clock.start();
        while (cancel->isEnabled() && clock.elapsed() < 20000)
            QTest::qWait(5);
        ASSERT_FALSE(cancel->isEnabled()) << "the statement did not end";
    }
    // The headings, then each row, cells joined by "|".
    QStringList shown() const
    {
        const QAbstractItemModel* model = grid->model();
        QStringList lines, cells;
        for (int column = 0; column < model->columnCount(); ++column)
            cells << model->headerData(column, Qt::Horizontal).toString();
        lines << cells.join('|');
        for (int row = 0; row < model->rowCount(); ++row) {
            cells.clear();
            for (int column = 0; column < model->columnCount(); ++column)
                cells << model->index(row, column).data().toString();
            lines << cells.join('|');
        }
        return lines;
    }
    QString cell(int row) const { return grid->model()->index(row, 0).data().toString(); }
    int rows() const { return grid->model()->rowCount(); }
    // The colour of the messages pane at its first character, and at its last.
    QColor colourAt(QTextCursor::MoveOperation place) const
    {
        QTextCursor cursor(messages->document());
        cursor.movePosition(place);
        if (place == QTextCursor::Start)
            cursor.setPosition(1);
        return cursor.charFormat().foreground().color();
    }

    frmQuery window;
    QTextEdit* const input = control<QTextEdit>(window, "rtbQRYInput");
    QTableView* const grid = control<QTableView>(window, "flxQRYOutput");
    QTextEdit* const messages = control<QTextEdit>(window, "rtbQRYMessages");
    QPushButton* const run = control<QPushButton>(window, "cmdQRYExecute");
    QPushButton* const cancel = control<QPushButton>(window, "cmdQRYCancel");
};

} // namespace

TEST_F(QueryWindow, EachBatchShowsItsRowsAndItsOutcomeWithTheBatchsMessagesBelow)
{
    // Empty or blank input does nothing.
    runText("");
    runText("   \n\t  ");
    EXPECT_TRUE(statusTexts.isEmpty());
    EXPECT_EQ(messages->toPlainText(), "");
    EXPECT_EQ(rows(), 0);

    const QString ok = "Command Completed Successfully";
    const QString duplicate = "Violation of PRIMARY KEY constraint 'PK_Ships'. Cannot insert duplicate key in object "
                              "'Ships'.\nThe statement has been terminated.";
    const QStringList kept = {"Name | Tons", "Albatross|300", "|"};
    const struct {
        const char* text;
        QStringList grid;
        QString messages;
        QColor outcome;
    } cases[] = {
        // A null value and the text "NULL" read alike; an empty row stands below the records.
        {"SELECT Id, Name AS [ Ship Name ], Tons FROM Ships ORDER BY Id",
         {"Id | Ship Name | Tons", "1|Albatross|300", "2|Bluefin|NULL", "3|NULL|120", "||"},
         ok + "\n(3 row(s) affected)",
         kBlue},
        {"SELECT Name FROM Ships WHERE Id > 100", {"Name", ""}, ok + "\n(0 row(s) affected)", kBlue},
        {"SELECT Name, Tons FROM Ships WHERE Id = 1", kept, ok + "\n(1 row(s) affected)", kBlue},
        // Without fields, with a server error: the grid stays.
        {"UPDATE Ships SET Tons = Tons + 0 WHERE Tons IS NOT NULL", kept, ok + "\n(2 row(s) affected)", kBlue},
        {"SELEC Id FROM Ships", kept, "Incorrect syntax near 'SELEC'.", kRed},
        {"INSERT INTO Ships VALUES (1, 'Again', 1)", kept, duplicate, kRed},
        // A failing first statement does not stop the rest of the batch.
        {"INSERT INTO Ships VALUES (1, 'Again', 1)\nINSERT INTO Ships VALUES (4, 'Dolphin', 80)\n"
         "PRINT 'after the insert'\nDELETE FROM Ships WHERE Id = 4",
         kept, duplicate + "\n(1 row(s) affected)\nafter the insert\n(1 row(s) affected)", kRed},
        {"SELECT CAST(0x00FF10 AS varbinary(3)) AS Bytes, CAST(1 AS bit) AS Yes, CAST(0 AS bit) AS No",
         {"Bytes | Yes | No", "0x00FF10|True|False", "||"},
         ok + "\n(1 row(s) affected)",
         kBlue},
        // Statements that must start their batch run as typed, after comments too.
        {"-- a view made in the query window\n/* with /* nested */ comments */\n"
         "CREATE VIEW ShipNames AS SELECT Name FROM Ships WHERE Id < 3",
         {"Bytes | Yes | No", "0x00FF10|True|False", "||"},
         ok,
         kBlue},
        {"SELECT * FROM ShipNames ORDER BY Name",
         {"Name", "Albatross", "Bluefin", ""},
         ok + "\n(2 row(s) affected)",
         kBlue},
        {"DROP VIEW ShipNames", {"Name", "Albatross", "Bluefin", ""}, ok, kBlue},
        {"PRINT 'first'\nSELECT Name FROM Ships WHERE Id = 3\nPRINT 'second'\nUSE master",
         {"Name", "NULL", ""},
         ok + "\nfirst\n(1 row(s) affected)\nsecond\nChanged database context to 'master'.",
         kBlue},
    };
    for (const auto& example : cases) {
        SCOPED_TRACE(example.text);
        statusTexts.clear();
        runText(example.text);
        EXPECT_EQ(shown(), example.grid);
        EXPECT_EQ(messages->toPlainText(), example.messages);
        EXPECT_EQ(colourAt(QTextCursor::Start), example.outcome);
        if (example.messages.contains('\n') && example.messages != duplicate) {
            EXPECT_EQ(colourAt(QTextCursor::End), QColor(Qt::black));
        }
        EXPECT_EQ(statusTexts, QStringList({"Query Executing... Please Wait...", "Ready"}));
    }
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(prompts->requests.empty());
}

TEST_F(QueryWindow, TheSelectionF5KeywordColoursAndClear)
{
    // Only the selection runs.
    input->setPlainText("SELECT 'whole' AS Part\nSELECT 'selected' AS Part");
    QTextCursor cursor = input->textCursor();
    cursor.setPosition(23);
    cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    input->setTextCursor(cursor);
    QTest::mouseClick(run, Qt::LeftButton);
    waitForEnd();
    EXPECT_EQ(shown(), QStringList({"Part", "selected", ""}));
    // A selection of blanks runs the whole text: both results' counts, the first shown. F5 runs too.
    input->setPlainText("SELECT 'whole' AS Part     \nSELECT 'second' AS Part");
    cursor.setPosition(22);
    cursor.setPosition(26, QTextCursor::KeepAnchor);
    input->setTextCursor(cursor);
    input->setFocus();
    QTest::keyClick(input, Qt::Key_F5);
    waitForEnd();
    EXPECT_EQ(shown(), QStringList({"Part", "whole", ""}));
    EXPECT_EQ(messages->toPlainText(), "Command Completed Successfully\n(1 row(s) affected)\n(1 row(s) affected)");
    EXPECT_EQ(input->toPlainText(), "SELECT 'whole' AS Part     \nSELECT 'second' AS Part"); // the key typed nothing

    // Keywords are coloured as the user types, and the caret stays where the typing was.
    input->clear();
    QTest::keyClicks(input, "select count(*) from sysobjects");
    QTest::keyClick(input, Qt::Key_Return);
    QTest::keyClicks(input, "where ID IN (SELECT Object_Id('x')) HAVING  sum(1) > 0");
    const QString typed = "select count(*) from sysobjects\nwhere ID IN (SELECT Object_Id('x')) HAVING  sum(1) > 0";
    ASSERT_EQ(input->toPlainText(), typed);
    EXPECT_EQ(input->textCursor().position(), typed.size());
    EXPECT_EQ(norvane::testing::documentColours(*input->document()), norvane::testing::expectedColours(typed));
    cursor = input->textCursor();
    cursor.setPosition(6);
    input->setTextCursor(cursor);
    QTest::keyClicks(input, "ed"); // inside a keyword: a plain word now
    EXPECT_EQ(input->textCursor().position(), 8);
    EXPECT_EQ(norvane::testing::documentColours(*input->document()),
              norvane::testing::expectedColours(input->toPlainText()));

    // Clear empties the box and leaves the grid and the messages as they were.
    QTest::mouseClick(control<QPushButton>(window, "cmdQRYClear"), Qt::LeftButton);
    EXPECT_EQ(input->toPlainText(), "");
    EXPECT_EQ(shown(), QStringList({"Part", "whole", ""}));
    EXPECT_EQ(messages->toPlainText(), "Command Completed Successfully\n(1 row(s) affected)\n(1 row(s) affected)");
}

TEST_F(QueryWindow, AHugeResultOrAWaitingBatchIsCancelledAndTheWindowRunsAgain)
{
    input->setPlainText(kHuge);
    QTest::mouseClick(run, Qt::LeftButton);
    QElapsedTimer clock;
    clock.start();
    while (rows() < 1000 && clock.elapsed() < 10000)
        QTest::qWait(5);
    ASSERT_GE(rows(), 1000);
    EXPECT_EQ(shown().first(), "Id | Name");
    EXPECT_EQ(messages->toPlainText(), "Executing... Please Wait...");
    // A second Run while one runs is ignored.
    input->setPlainText("SELECT 2 AS Second");
    QTest::mouseClick(run, Qt::LeftButton);
    EXPECT_EQ(statusTexts, QStringList({"Query Executing... Please Wait..."}));

    clock.restart();
    QTest::keyClick(input, Qt::Key_Escape);
    waitForEnd();
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_EQ(messages->toPlainText(), "Operation was cancelled");
    EXPECT_EQ(colourAt(QTextCursor::Start), kRed);
    EXPECT_EQ(shown().first(), "Id | Name");
    EXPECT_LT(rows(), 4782969 + 1);
    EXPECT_EQ(statusTexts, QStringList({"Query Executing... Please Wait...", "Ready"}));
    runText("SELECT 3 AS Again");
    EXPECT_EQ(cell(0), "3");

    // A batch the server is still working on, before any row: the Cancel button's cancel reaches the server.
    input->setPlainText("WAITFOR DELAY '01:00'\nSELECT 4 AS Late");
    QTest::mouseClick(run, Qt::LeftButton);
    QTest::qWait(300);
    clock.restart();
    QTest::mouseClick(cancel, Qt::LeftButton);
    waitForEnd();
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_EQ(messages->toPlainText(), "Operation was cancelled");
    EXPECT_EQ(cell(0), "3");
    runText("SELECT 5 AS Five");
    EXPECT_EQ(cell(0), "5");
}

TEST_F(QueryWindow, EveryRowOfALargeResultIsShown)
{
    // 3 to the 11th power, cut at 40000: more rows than a 16-bit counter holds.
    runText("SELECT TOP 40000 a.Id AS A, b.Id AS B FROM Ships a, Ships b, Ships c, Ships d, Ships e, Ships f, "
            "Ships g, Ships h, Ships i, Ships j, Ships k");
    const QStringList lines = shown();
    ASSERT_EQ(lines.size(), 40002);
    EXPECT_TRUE(QRegularExpression("^[123]\\|[123]$").match(lines[40000]).hasMatch()) << lines[40000].toStdString();
    EXPECT_EQ(lines.last(), "|");
    EXPECT_EQ(messages->toPlainText(), "Command Completed Successfully\n(40000 row(s) affected)");
}

TEST_F(QueryWindow, ALostConnectionIsReportedAndTheNextRunConnectsAgain)
{
    test::SandboxProcess own;
    session().ConnectionString = own.connectionString();
    runText("SELECT DB_NAME() AS Name");
    EXPECT_EQ(cell(0), "master");

    own.stop();
    runText("SELECT 1 AS One");
    EXPECT_EQ(colourAt(QTextCursor::Start), kRed);
    EXPECT_TRUE(messages->toPlainText().startsWith("The connection to the server was lost: "))
        << messages->toPlainText().toStdString();
    EXPECT_EQ(cell(0), "master");

    own.restart();
    session().ConnectionString = own.connectionString();
    runText("SELECT 2 AS Two");
    EXPECT_EQ(messages->toPlainText(), "Command Completed Successfully\n(1 row(s) affected)");
    EXPECT_EQ(cell(0), "2");
}
