// The query window against the sandbox: what runs (selection, whole text,
// nothing), the grid (headings, records and the empty row below them, NULL,
// hex), the outcome in blue or red with the batch's messages below it, F5,
// cancelling a long batch, a second Run while one runs, and results larger
// than a 16-bit row counter.
#include "query/frmQuery.h"

#include "codeview/modKeyColor.h"
#include "shell/catalog_helpers.h"
#include "shell/harbor_session.h"
#include "shell/qt_test_application.h"
#include "shell/recording_prompts.h"
#include "support/qt_printers.h"
#include "support/session_reset.h"

#include <QAbstractItemModel>
#include <QElapsedTimer>
#include <QTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>

#include <gtest/gtest.h>

using namespace norvane;
using norvane::testing::RecordingPrompts;

namespace {

const QString kScratch = QStringLiteral("QueryScratch");

class QueryWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        norvane::testing::createScratchDatabase(kScratch);
        norvane::testing::runBatches(
            kScratch, {QStringLiteral("CREATE TABLE Ships (Id int CONSTRAINT PK_Ships PRIMARY KEY, Name varchar(20) NULL, Tons int NULL)"),
                       QStringLiteral("INSERT INTO Ships VALUES (1, 'Albatross', 300)"),
                       QStringLiteral("INSERT INTO Ships VALUES (2, 'Bluefin', NULL)"),
                       QStringLiteral("INSERT INTO Ships VALUES (3, 'NULL', 120)")});
    }

    void SetUp() override
    {
        norvane::testing::connectSessionTo(kScratch);
        session().ConnectionString = test::sharedSampleSandbox().connectionString(kScratch);
        setStatusSink([this](const QString& text) { statusTexts << text; });
        window = std::make_unique<frmQuery>();
        input = window->findChild<QTextEdit*>("rtbQRYInput");
        grid = window->findChild<QTableView*>("flxQRYOutput");
        messages = window->findChild<QTextEdit*>("rtbQRYMessages");
        run = window->findChild<QPushButton*>("cmdQRYExecute");
        cancel = window->findChild<QPushButton*>("cmdQRYCancel");
        ASSERT_TRUE(input && grid && messages && run && cancel);
    }
    void TearDown() override
    {
        window.reset();
        setStatusSink(nullptr);
        resetSessionForTests();
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

    QStringList headings() const
    {
        QStringList texts;
        for (int column = 0; column < grid->model()->columnCount(); ++column)
            texts << grid->model()->headerData(column, Qt::Horizontal).toString();
        return texts;
    }
    QStringList row(int index) const
    {
        QStringList texts;
        for (int column = 0; column < grid->model()->columnCount(); ++column)
            texts << grid->model()->index(index, column).data().toString();
        return texts;
    }
    int rows() const { return grid->model()->rowCount(); }
    // The colour of the first line of the messages pane, and of its last character.
    QColor outcomeColour() const
    {
        QTextCursor cursor(messages->document());
        cursor.setPosition(1);
        return cursor.charFormat().foreground().color();
    }
    QColor lastLineColour() const
    {
        QTextCursor cursor(messages->document());
        cursor.movePosition(QTextCursor::End);
        return cursor.charFormat().foreground().color();
    }

    QStringList statusTexts;
    RecordingPrompts::Installed prompts;
    std::unique_ptr<frmQuery> window;
    QTextEdit* input = nullptr;
    QTableView* grid = nullptr;
    QTextEdit* messages = nullptr;
    QPushButton* run = nullptr;
    QPushButton* cancel = nullptr;
};

const QColor kBlue(0, 0, 255);
const QColor kRed(255, 0, 0);

}  // namespace

TEST_F(QueryWindow, ThreeRowsShowUnderTheirHeadingsWithOneEmptyRowBelow)
{
    EXPECT_EQ(window->windowTitle(), "Query Executer");
    EXPECT_EQ(rows(), 0);
    runText("SELECT Id, Name AS [ Ship Name ], Tons FROM Ships ORDER BY Id");
    EXPECT_EQ(headings(), QStringList({"Id ", " Ship Name ", " Tons"}));
    ASSERT_EQ(rows(), 4);
    EXPECT_EQ(row(0), QStringList({"1", "Albatross", "300"}));
    // A null value and the text "NULL" read alike.
    EXPECT_EQ(row(1), QStringList({"2", "Bluefin", "NULL"}));
    EXPECT_EQ(row(2), QStringList({"3", "NULL", "120"}));
    EXPECT_EQ(row(3), QStringList({"", "", ""}));
    EXPECT_EQ(messages->toPlainText(), "Command Completed Successfully\n(3 row(s) affected)");
    EXPECT_EQ(outcomeColour(), kBlue);
    EXPECT_EQ(lastLineColour(), QColor(Qt::black));
    EXPECT_EQ(statusTexts, QStringList({"Query Executing... Please Wait...", "Ready"}));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(prompts->requests.empty());
}

TEST_F(QueryWindow, ASelectWithoutRowsShowsItsHeadingsAndOneEmptyRow)
{
    runText("SELECT Name FROM Ships WHERE Id > 100");
    EXPECT_EQ(headings(), QStringList({"Name"}));
    ASSERT_EQ(rows(), 1);
    EXPECT_EQ(row(0), QStringList({""}));
    EXPECT_EQ(messages->toPlainText(), "Command Completed Successfully\n(0 row(s) affected)");
}

TEST_F(QueryWindow, AStatementWithoutFieldsKeepsThePreviousGridAndReportsItsCount)
{
    runText("SELECT Name, Tons FROM Ships WHERE Id = 1");
    runText("UPDATE Ships SET Tons = Tons + 0 WHERE Tons IS NOT NULL");
    EXPECT_EQ(headings(), QStringList({"Name ", " Tons"}));
    ASSERT_EQ(rows(), 2);
    EXPECT_EQ(row(0), QStringList({"Albatross", "300"}));
    EXPECT_EQ(messages->toPlainText(), "Command Completed Successfully\n(2 row(s) affected)");
    EXPECT_EQ(outcomeColour(), kBlue);
}

TEST_F(QueryWindow, OnlyTheSelectionRunsUnlessItIsBlank)
{
    input->setPlainText("SELECT 'whole' AS Part\nSELECT 'selected' AS Part");
    QTextCursor cursor = input->textCursor();
    cursor.setPosition(23);
    cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    input->setTextCursor(cursor);
    QTest::mouseClick(run, Qt::LeftButton);
    waitForEnd();
    EXPECT_EQ(row(0), QStringList({"selected"}));
    EXPECT_EQ(rows(), 2);

    // A selection of blanks runs the whole text: both results' counts, the first shown.
    input->setPlainText("SELECT 'whole' AS Part     \nSELECT 'second' AS Part");
    cursor = input->textCursor();
    cursor.setPosition(22);
    cursor.setPosition(26, QTextCursor::KeepAnchor);
    input->setTextCursor(cursor);
    QTest::mouseClick(run, Qt::LeftButton);
    waitForEnd();
    EXPECT_EQ(row(0), QStringList({"whole"}));
    EXPECT_EQ(messages->toPlainText(), "Command Completed Successfully\n(1 row(s) affected)\n(1 row(s) affected)");
}

TEST_F(QueryWindow, EmptyOrBlankInputDoesNothing)
{
    runText("");
    runText("   \n\t  ");
    EXPECT_TRUE(statusTexts.isEmpty());
    EXPECT_EQ(messages->toPlainText(), "");
    EXPECT_EQ(rows(), 0);
}

TEST_F(QueryWindow, F5RunsLikeTheRunButton)
{
    input->setPlainText("SELECT COUNT(*) AS Ships FROM Ships");
    input->setFocus();
    QTest::keyClick(input, Qt::Key_F5);
    waitForEnd();
    EXPECT_EQ(headings(), QStringList({"Ships"}));
    EXPECT_EQ(row(0), QStringList({"3"}));
    EXPECT_EQ(messages->toPlainText(), "Command Completed Successfully\n(1 row(s) affected)");
    EXPECT_EQ(input->toPlainText(), "SELECT COUNT(*) AS Ships FROM Ships");  // the key typed nothing
}

TEST_F(QueryWindow, ServerErrorsShowTheirTextInRedAndKeepTheGrid)
{
    runText("SELECT Id FROM Ships WHERE Id = 2");
    runText("SELEC Id FROM Ships");
    EXPECT_EQ(messages->toPlainText(), "Incorrect syntax near 'SELEC'.");
    EXPECT_EQ(outcomeColour(), kRed);
    EXPECT_EQ(row(0), QStringList({"2"}));

    runText("INSERT INTO Ships VALUES (1, 'Again', 1)");
    EXPECT_EQ(messages->toPlainText(),
              "Violation of PRIMARY KEY constraint 'PK_Ships'. Cannot insert duplicate key in object 'Ships'.\n"
              "The statement has been terminated.");
    EXPECT_EQ(outcomeColour(), kRed);
    EXPECT_EQ(statusTexts.last(), "Ready");
    EXPECT_TRUE(prompts->requests.empty());
}

TEST_F(QueryWindow, AFailingFirstStatementDoesNotStopTheRestOfTheBatch)
{
    runText("INSERT INTO Ships VALUES (1, 'Again', 1)\n"
            "INSERT INTO Ships VALUES (4, 'Dolphin', 80)\n"
            "PRINT 'after the insert'\n"
            "DELETE FROM Ships WHERE Id = 4");
    EXPECT_EQ(messages->toPlainText(),
              "Violation of PRIMARY KEY constraint 'PK_Ships'. Cannot insert duplicate key in object 'Ships'.\n"
              "The statement has been terminated.\n(1 row(s) affected)\nafter the insert\n(1 row(s) affected)");
    EXPECT_EQ(outcomeColour(), kRed);
    EXPECT_EQ(lastLineColour(), QColor(Qt::black));
}

TEST_F(QueryWindow, MessagesOfTheBatchStandBelowTheOutcome)
{
    runText("PRINT 'first'\nSELECT Name FROM Ships WHERE Id = 3\nPRINT 'second'\nUSE master");
    EXPECT_EQ(messages->toPlainText(), "Command Completed Successfully\nfirst\n(1 row(s) affected)\nsecond\n"
                                       "Changed database context to 'master'.");
    EXPECT_EQ(row(0), QStringList({"NULL"}));
    EXPECT_EQ(rows(), 2);
}

TEST_F(QueryWindow, BinaryValuesShowAsHex)
{
    runText("SELECT CAST(0x00FF10 AS varbinary(3)) AS Bytes, CAST(1 AS bit) AS Yes, CAST(0 AS bit) AS No");
    EXPECT_EQ(row(0), QStringList({"0x00FF10", "True", "False"}));
}

TEST_F(QueryWindow, AHugeResultCanBeCancelledAndTheWindowRunsAgain)
{
    // 3 to the 14th power: millions of rows, streamed while the window keeps working.
    input->setPlainText("SELECT a.Id, b.Name FROM Ships a, Ships b, Ships c, Ships d, Ships e, Ships f, Ships g, "
                        "Ships h, Ships i, Ships j, Ships k, Ships l, Ships m, Ships n");
    QTest::mouseClick(run, Qt::LeftButton);
    EXPECT_TRUE(cancel->isEnabled());
    QElapsedTimer clock;
    clock.start();
    while (rows() < 1000 && clock.elapsed() < 10000)
        QTest::qWait(5);
    ASSERT_GE(rows(), 1000);
    EXPECT_EQ(headings(), QStringList({"Id ", " Name"}));
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
    EXPECT_EQ(outcomeColour(), kRed);
    EXPECT_EQ(headings(), QStringList({"Id ", " Name"}));
    EXPECT_LT(rows(), 4782969 + 1);
    EXPECT_EQ(statusTexts, QStringList({"Query Executing... Please Wait...", "Ready"}));

    runText("SELECT 3 AS Again");
    EXPECT_EQ(row(0), QStringList({"3"}));
    EXPECT_EQ(messages->toPlainText(), "Command Completed Successfully\n(1 row(s) affected)");

    // A batch the server is still working on, before any row: the driver's cancel reaches the server.
    input->setPlainText("WAITFOR DELAY '01:00'\nSELECT 4 AS Late");
    QTest::mouseClick(run, Qt::LeftButton);
    QTest::qWait(300);
    EXPECT_TRUE(cancel->isEnabled());
    clock.restart();
    QTest::keyClick(input, Qt::Key_Escape);
    waitForEnd();
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_EQ(messages->toPlainText(), "Operation was cancelled");
    EXPECT_EQ(row(0), QStringList({"3"}));
    runText("SELECT 5 AS Five");
    EXPECT_EQ(row(0), QStringList({"5"}));

    // The Cancel button does the same as Escape.
    input->setPlainText("SELECT a.Id FROM Ships a, Ships b, Ships c, Ships d, Ships e, Ships f, Ships g, "
                        "Ships h, Ships i, Ships j, Ships k, Ships l, Ships m, Ships n");
    QTest::mouseClick(run, Qt::LeftButton);
    QTest::qWait(100);
    QTest::mouseClick(cancel, Qt::LeftButton);
    waitForEnd();
    EXPECT_EQ(messages->toPlainText(), "Operation was cancelled");
}

TEST_F(QueryWindow, EveryRowOfALargeResultIsShown)
{
    // 3 x 3 ships, cubed: far more rows than a 16-bit counter holds.
    runText("SELECT TOP 40000 a.Id AS A, b.Id AS B FROM Ships a, Ships b, Ships c, Ships d, Ships e, Ships f, "
            "Ships g, Ships h, Ships i, Ships j, Ships k");
    ASSERT_EQ(rows(), 40001);
    EXPECT_EQ(row(39999).size(), 2);
    EXPECT_NE(row(39999), QStringList({"", ""}));
    EXPECT_EQ(row(40000), QStringList({"", ""}));
    EXPECT_EQ(messages->toPlainText(), "Command Completed Successfully\n(40000 row(s) affected)");
}

namespace {

// The colour the input box shows at every character, as its highlighting draws it.
std::vector<QRgb> shownColours(const QTextEdit* box)
{
    std::vector<QRgb> colours(static_cast<std::size_t>(box->document()->characterCount()), kPlainTextColour);
    for (QTextBlock block = box->document()->begin(); block.isValid(); block = block.next())
        for (const QTextLayout::FormatRange& range : block.layout()->formats())
            for (int at = range.start; at < range.start + range.length; ++at)
                colours[static_cast<std::size_t>(block.position() + at)] = range.format.foreground().color().rgb();
    colours.pop_back();  // the document's closing paragraph mark
    return colours;
}

// The colours of colouring the whole text at once.
std::vector<QRgb> wholeTextColours(const QString& text)
{
    std::vector<QRgb> colours(static_cast<std::size_t>(text.size()), kPlainTextColour);
    for (const ColourSpan& span : ColourKeywords(text))
        for (qsizetype at = span.start; at < span.start + span.length; ++at)
            colours[static_cast<std::size_t>(at)] = span.colour;
    return colours;
}

}  // namespace

TEST_F(QueryWindow, KeywordsAreColouredAsTheUserTypesAndTheCaretStays)
{
    input->setFocus();
    QTest::keyClicks(input, "select count(*) from sysobjects");
    QTest::keyClick(input, Qt::Key_Return);
    QTest::keyClicks(input, "where ID IN (SELECT Object_Id('x')) HAVING  sum(1) > 0");
    const QString typed = "select count(*) from sysobjects\nwhere ID IN (SELECT Object_Id('x')) HAVING  sum(1) > 0";
    ASSERT_EQ(input->toPlainText(), typed);
    EXPECT_EQ(input->textCursor().position(), typed.size());
    EXPECT_EQ(shownColours(input), wholeTextColours(typed));
    EXPECT_EQ(shownColours(input)[0], kKeywordBlue);
    EXPECT_EQ(shownColours(input)[21], kKeywordGreen);
    EXPECT_EQ(shownColours(input)[7], kKeywordMagenta);

    // Typing inside a keyword makes it a plain word; the caret stays where the typing was.
    QTextCursor cursor = input->textCursor();
    cursor.setPosition(6);
    input->setTextCursor(cursor);
    QTest::keyClicks(input, "ed");
    EXPECT_EQ(input->textCursor().position(), 8);
    EXPECT_EQ(shownColours(input)[0], kPlainTextColour);
    EXPECT_EQ(shownColours(input), wholeTextColours(input->toPlainText()));

    // Clear empties the box and leaves the grid and the messages as they were.
    runText("SELECT 1 AS One");
    QTest::mouseClick(window->findChild<QPushButton*>("cmdQRYClear"), Qt::LeftButton);
    EXPECT_EQ(input->toPlainText(), "");
    EXPECT_EQ(row(0), QStringList({"1"}));
    EXPECT_EQ(messages->toPlainText(), "Command Completed Successfully\n(1 row(s) affected)");
}

TEST_F(QueryWindow, StatementsThatMustStartTheirBatchRunAsTyped)
{
    runText("-- a view made in the query window\n/* with /* nested */ comments */\n"
            "CREATE VIEW ShipNames AS SELECT Name FROM Ships WHERE Id < 3");
    EXPECT_EQ(messages->toPlainText(), "Command Completed Successfully");
    runText("SELECT * FROM ShipNames ORDER BY Name");
    EXPECT_EQ(headings(), QStringList({"Name"}));
    EXPECT_EQ(row(0), QStringList({"Albatross"}));
    EXPECT_EQ(row(1), QStringList({"Bluefin"}));
    runText("DROP VIEW ShipNames");
    EXPECT_EQ(messages->toPlainText(), "Command Completed Successfully");
}

TEST_F(QueryWindow, ALostConnectionIsReportedAndTheNextRunConnectsAgain)
{
    test::SandboxProcess own;
    session().ConnectionString = own.connectionString();
    runText("SELECT DB_NAME() AS Name");
    EXPECT_EQ(row(0), QStringList({"master"}));

    own.stop();
    runText("SELECT 1 AS One");
    EXPECT_EQ(outcomeColour(), kRed);
    EXPECT_TRUE(messages->toPlainText().startsWith("The connection to the server was lost: "))
        << messages->toPlainText().toStdString();
    EXPECT_EQ(row(0), QStringList({"master"}));

    own.restart();
    session().ConnectionString = own.connectionString();
    runText("SELECT 2 AS Two");
    EXPECT_EQ(messages->toPlainText(), "Command Completed Successfully\n(1 row(s) affected)");
    EXPECT_EQ(row(0), QStringList({"2"}));
}
