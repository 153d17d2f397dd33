#include "codeview/keyword_highlighter.h"

#include "codeview/modKeyColor.h"

#include <QColor>

namespace norvane {

KeywordHighlighter::KeywordHighlighter(QTextDocument* document) : QSyntaxHighlighter(document) {}

void KeywordHighlighter::highlightBlock(const QString& text)
{
    setFormat(0, static_cast<int>(text.size()), QColor::fromRgb(kPlainTextColour));
    for (const ColourSpan& span : ColourKeywords(text))
        setFormat(static_cast<int>(span.start), static_cast<int>(span.length), QColor::fromRgb(span.colour));
}

}  // namespace norvane
