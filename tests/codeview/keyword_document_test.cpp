// Keyword colours in a text document: the whole document, a range of lines
// coloured again after an edit, and the highlighter that follows typing all
// give the colours ColourKeywords gives the whole text.
#include "codeview/keyword_highlighter.h"
#include "codeview/modKeyColor.h"
#include "document_colours.h"
#include "shell/qt_test_application.h"

#include <QAbstractTextDocumentLayout>
#include <QCoreApplication>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>

#include <gtest/gtest.h>

namespace norvane {
namespace {

using testing::documentColours;
using testing::expectedColours;

const QString kScript = QStringLiteral("select count(*)\nfrom sysobjects\ngroup by id having sum(id) > 1\n"
                                       "where OBJECT_ID(N'x') is not null");

TEST(KeywordDocumentTest, LinesColouredAgainEqualTheWholeText)
{
    QTextDocument document;
    document.setPlainText(kScript);
    document.setModified(false);
    ColourKeywords(&document);
    EXPECT_EQ(documentColours(document), expectedColours(document.toPlainText()));
    EXPECT_FALSE(document.isModified());

    // The user types on line 2: "from" becomes "fromx", and a keyword is added.
    QTextCursor cursor(document.findBlockByNumber(1));
    cursor.movePosition(QTextCursor::NextWord, QTextCursor::KeepAnchor);
    cursor.insertText(QStringLiteral("fromx WITH "));
    ColourKeywordBlocks(&document, 1, 1);
    EXPECT_EQ(document.findBlockByNumber(1).text(), QStringLiteral("fromx WITH sysobjects"));
    EXPECT_EQ(documentColours(document), expectedColours(document.toPlainText()));
    // The typing stays undoable; the colouring is not a step of its own.
    EXPECT_TRUE(document.isUndoAvailable());
    document.undo();
    EXPECT_EQ(document.toPlainText(), kScript);

    ColourKeywordBlocks(&document, -5, 99); // clamped to the document
    EXPECT_EQ(documentColours(document), expectedColours(document.toPlainText()));
}

TEST(KeywordDocumentTest, HighlighterFollowsTyping)
{
    QTextDocument document;
    document.setPlainText(kScript);
    document.documentLayout(); // as in a text box: changes are announced only to a laid-out document
    KeywordHighlighter highlighter(&document);
    QCoreApplication::processEvents(); // the highlighter's first pass waits for the event loop
    EXPECT_EQ(documentColours(document), expectedColours(document.toPlainText()));

    QTextCursor cursor(&document);
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(QStringLiteral("\nHAVING sum"));
    cursor.setPosition(0);
    cursor.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor, 6);
    cursor.insertText(QStringLiteral("selected"));
    EXPECT_EQ(documentColours(document), expectedColours(document.toPlainText()));
    EXPECT_EQ(documentColours(document).front(), kPlainTextColour);
    EXPECT_EQ(documentColours(document).back(), kKeywordMagenta);
}

} // namespace
} // namespace norvane
