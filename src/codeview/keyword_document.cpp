// Keyword colours written into a text document as character colours.
#include "codeview/modKeyColor.h"

#include <QColor>
#include <algorithm>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

namespace norvane {

namespace {

QTextCharFormat foregroundFormat(QRgb colour)
{
    QTextCharFormat format;
    format.setForeground(QColor::fromRgb(colour));
    return format;
}

// Black over [from, to), then each keyword of that stretch in its colour.
// The stretch starts at a block's start and ends at a block's end, so no word is cut.
void colourStretch(QTextDocument* document, int from, int to)
{
    if (to <= from)
        return;
    QTextCursor cursor(document);
    cursor.setPosition(from);
    cursor.setPosition(to, QTextCursor::KeepAnchor);
    const QString text = cursor.selectedText();  // one character per document position
    cursor.mergeCharFormat(foregroundFormat(kPlainTextColour));
    for (const ColourSpan& span : ColourKeywords(text)) {
        cursor.setPosition(from + static_cast<int>(span.start));
        cursor.setPosition(from + static_cast<int>(span.start + span.length), QTextCursor::KeepAnchor);
        cursor.mergeCharFormat(foregroundFormat(span.colour));
    }
}

// Changes formats without touching the document's modified flag, and without an
// undo step of their own: with no history to keep, undo is off while they are made;
// otherwise they join the last step (the typing they follow), so one undo takes
// back the typing and its colours together.
template <typename Change>
void withoutHistory(QTextDocument* document, Change change)
{
    const bool modified = document->isModified();
    const bool undoable = document->isUndoRedoEnabled();
    // Switching undo off clears the history; only do so when there is none to keep.
    const bool keepHistory = undoable && (document->availableUndoSteps() > 0 || document->availableRedoSteps() > 0);
    if (undoable && !keepHistory)
        document->setUndoRedoEnabled(false);
    {
        QTextCursor batch(document);
        if (keepHistory)
            batch.joinPreviousEditBlock();
        else
            batch.beginEditBlock();
        change();
        batch.endEditBlock();
    }
    if (undoable && !keepHistory)
        document->setUndoRedoEnabled(true);
    document->setModified(modified);
}

}  // namespace

void ColourKeywords(QTextDocument* document)
{
    withoutHistory(document, [document] { colourStretch(document, 0, document->characterCount() - 1); });
}

void ColourKeywords(QTextEdit* box)
{
    ColourKeywords(box->document());
    QTextCursor cursor = box->textCursor();
    cursor.setPosition(0);
    box->setTextCursor(cursor);
}

}  // namespace norvane
