#pragma once
// The colours a text document shows, one per character of its lines (line
// breaks left out), and the colours ColourKeywords gives the same text.
#include "codeview/modKeyColor.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include <algorithm>
#include <vector>

namespace norvane::testing {

inline QRgb foregroundOf(const QTextCharFormat& format)
{
    return format.hasProperty(QTextFormat::ForegroundBrush) ? format.foreground().color().rgb() : 0u;
}

// The character colours, with any colours a highlighter draws over them on top; 0 where none was set.
inline std::vector<QRgb> documentColours(const QTextDocument& document)
{
    std::vector<QRgb> colours;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        std::vector<QRgb> line(static_cast<std::size_t>(block.length() - 1), 0u);
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it)
            std::fill_n(line.begin() + (it.fragment().position() - block.position()), it.fragment().length(),
                        foregroundOf(it.fragment().charFormat()));
        for (const QTextLayout::FormatRange& range : block.layout()->formats()) {
            if (range.format.hasProperty(QTextFormat::ForegroundBrush))
                std::fill_n(line.begin() + range.start, range.length, foregroundOf(range.format));
        }
        colours.insert(colours.end(), line.begin(), line.end());
    }
    return colours;
}

inline std::vector<QRgb> expectedColours(const QString& text)
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

}  // namespace norvane::testing
