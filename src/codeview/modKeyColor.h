#pragma once
// SQL keyword colouring: a fixed table of 107 words (statement keywords blue,
// two catalog tables green, four functions magenta; everything else black)
// and the routine that colours a text by it.
//
// A word of the text is coloured when it equals an entry of the table, case
// ignored, as a whole word: word characters are letters, digits and the
// underscore. When several entries cover the same characters the later entry's
// colour holds. The entry "HAVING " carries a trailing blank: it matches only
// where HAVING is followed by a blank, and colours that blank too.
//
// ColourKeywords computes the colours in one pass over the text. Words never
// span a line break, so colouring one line (or one block of a document) alone
// gives exactly the colours that colouring the whole text gives it.
#include <QRgb>
#include <QString>
#include <QStringView>

#include <array>
#include <vector>

class QTextDocument;
class QTextEdit;

namespace norvane {

inline constexpr QRgb kKeywordBlue = qRgb(0, 0, 255);
inline constexpr QRgb kKeywordGreen = qRgb(0, 255, 0);
inline constexpr QRgb kKeywordMagenta = qRgb(255, 0, 255);
inline constexpr QRgb kPlainTextColour = qRgb(0, 0, 0);

inline constexpr int kKeywordCount = 107;

// One word and its colour.
struct KeywordEntry {
    QString Keyword;  // as stored: upper case, except the two catalog tables
    QRgb Colour = kPlainTextColour;
};

using KeywordTable = std::array<KeywordEntry, kKeywordCount>;

// Characters [start, start + length) of the text take the colour.
struct ColourSpan {
    qsizetype start = 0;
    qsizetype length = 0;
    QRgb colour = kPlainTextColour;
    friend bool operator==(const ColourSpan&, const ColourSpan&) = default;
};

// The keyword table, in index order. Built once; the same table for the life of the program.
const KeywordTable& keywordTable();

// Readies the keyword table and its word index (done at each successful
// connection, so the first colouring does not pay for it); returns the table.
const KeywordTable& LoadKeywords();

// True for the characters that make up words: letters, digits and the underscore.
bool isKeywordWordCharacter(QChar c);

// The coloured stretches of the text, in text order, never overlapping; every
// character outside them is black. Adjacent characters of one match form one span.
std::vector<ColourSpan> ColourKeywords(QStringView text);

// Colours the whole document: black everywhere, then the keywords. Leaves the
// document's modified flag and its undo history as they were.
void ColourKeywords(QTextDocument* document);
// Colours the whole text of the box and leaves its cursor at the start with nothing selected.
void ColourKeywords(QTextEdit* box);

}  // namespace norvane
