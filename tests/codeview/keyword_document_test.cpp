// Keyword colours in a text document: the whole document, a range of lines
// coloured again after an edit, and the highlighter that follows typing all
// give the colours ColourKeywords gives the whole text.
#include "codeview/keyword_highlighter.h"
#include "codeview/modKeyColor.h"
#include "shell/qt_test_application.h"

#include <QCoreApplication>
#include <QAbstractTextDocumentLayout>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>

#include <gtest/gtest.h>

namespace norvane {
namespace {

QRgb foregroundOf(const QTextCharFormat& format)
{
    return format.hasProperty(QTextFormat::ForegroundBrush) ? format.foreground().color().rgb() : 0u;
}

// Per character of each line: the character colour, or the highlighter's colour drawn over it.
std::vector<QRgb> documentColours(const QTextDocument& document, bool drawn)
{
    std::vector<QRgb> colours;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        std::vector<QRgb> line(static_cast<std::size_t>(block.length() - 1), 0u);
        if (drawn) {
            for (const QTextLayout::FormatRange& range : block.layout()->formats())
                std::fill_n(line.begin() + range.start, range.length, foregroundOf(range.format));
        } else {
            for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it)
                std::fill_n(line.begin() + (it.fragment().position() - block.position()), it.fragment().length(),
                            foregroundOf(it.fragment().charFormat()));
        }
        colours.insert(colours.end(), line.begin(), line.end());
    }
    return colours;
}

std::vector<QRgb> expectedColours(const QString& text)
{
    std::vector<QRgb> colours(static_cast<std::size_t>(text.size()), kPlainTextColour);
    for (const ColourSpan& span : ColourKeywords(text))
        std::fill_n(colours.begin() + span.start, span.length, span.colour);
    std::vector<QRgb> kept;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) != QLatin1Char('\n'))
            kept.push_back(colours[static_cast<std::size_t>(i)]);
    }
    return kept;
}

const QString kScript = QStringLiteral("select count(*)\nfrom sysobjects\ngroup by id having sum(id) > 1\n"
                                       "where OBJECT_ID(N'x') is not null");

TEST(KeywordDocumentTest, LinesColouredAgainEqualTheWholeText)
{
    QTextDocument document;
    document.setPlainText(kScript);
    document.setModified(false);
    ColourKeywords(&document);
    EXPECT_EQ(documentColours(document, false), expectedColours(document.toPlainText()));
    EXPECT_FALSE(document.isModified());

    // The user types on line 2: "from" becomes "fromx", and a keyword is added.
    QTextCursor cursor(document.findBlockByNumber(1));
    cursor.movePosition(QTextCursor::NextWord, QTextCursor::KeepAnchor);
    cursor.insertText(QStringLiteral("fromx WITH "));
    ColourKeywordBlocks(&document, 1, 1);
    EXPECT_EQ(document.findBlockByNumber(1).text(), QStringLiteral("fromx WITH sysobjects"));
    EXPECT_EQ(documentColours(document, false), expectedColours(document.toPlainText()));
    // The typing stays undoable; the colouring is not a step of its own.
    EXPECT_TRUE(document.isUndoAvailable());
    document.undo();
    EXPECT_EQ(document.toPlainText(), kScript);

    ColourKeywordBlocks(&document, -5, 99);  // clamped to the document
    EXPECT_EQ(documentColours(document, false), expectedColours(document.toPlainText()));
}

TEST(KeywordDocumentTest, HighlighterFollowsTyping)
{
    QTextDocument document;
    document.setPlainText(kScript);
    document.documentLayout();  // as in a text box: changes are announced only to a laid-out document
    KeywordHighlighter highlighter(&document);
    QCoreApplication::processEvents();  // the highlighter's first pass waits for the event loop
    EXPECT_EQ(documentColours(document, true), expectedColours(document.toPlainText()));

    QTextCursor cursor(&document);
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(QStringLiteral("\nHAVING sum"));
    cursor.setPosition(0);
    cursor.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor, 6);
    cursor.insertText(QStringLiteral("selected"));
    EXPECT_EQ(documentColours(document, true), expectedColours(document.toPlainText()));
    EXPECT_EQ(documentColours(document, true).front(), kPlainTextColour);
    EXPECT_EQ(documentColours(document, true).back(), kKeywordMagenta);
}

}  // namespace
}  // namespace norvane
