// Keyword colouring checked against a plain, slow colouring that follows the
// old routine step by step: black everywhere, then for each entry in table
// order, find it (whole word, case ignored) from the start, colour the match,
// and find again from the end of the match.
#include "codeview/modKeyColor.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <random>
#include <vector>

namespace norvane {
namespace {

bool isWordCharacter(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_');
}

// The first whole-word match of the keyword at or after `from`, or -1. A match
// may not begin inside a word nor end inside one.
qsizetype findWholeWord(const QString& text, const QString& keyword, qsizetype from)
{
    const qsizetype length = keyword.size();
    for (qsizetype p = from; p + length <= text.size(); ++p) {
        if (QStringView(text).mid(p, length).compare(keyword, Qt::CaseInsensitive) != 0)
            continue;
        const bool startsInsideWord = p > 0 && isWordCharacter(text.at(p - 1)) && isWordCharacter(keyword.front());
        const bool endsInsideWord =
            p + length < text.size() && isWordCharacter(text.at(p + length)) && isWordCharacter(keyword.back());
        if (!startsInsideWord && !endsInsideWord)
            return p;
    }
    return -1;
}

std::vector<QRgb> slowColours(const QString& text)
{
    std::vector<QRgb> colours(static_cast<std::size_t>(text.size()), kPlainTextColour);
    for (const KeywordEntry& entry : keywordTable()) {
        qsizetype p = findWholeWord(text, entry.Keyword, 0);
        while (p >= 0) {
            for (qsizetype i = p; i < p + entry.Keyword.size(); ++i)
                colours[static_cast<std::size_t>(i)] = entry.Colour;
            p = findWholeWord(text, entry.Keyword, p + entry.Keyword.size());
        }
    }
    return colours;
}

// The spans as one colour per character; fails the test when spans overlap, are
// out of order, run past the text or carry black.
std::vector<QRgb> fastColours(const QString& text)
{
    std::vector<QRgb> colours(static_cast<std::size_t>(text.size()), kPlainTextColour);
    qsizetype previousEnd = 0;
    for (const ColourSpan& span : ColourKeywords(text)) {
        EXPECT_GE(span.start, previousEnd);
        EXPECT_GT(span.length, 0);
        EXPECT_LE(span.start + span.length, text.size());
        EXPECT_NE(span.colour, kPlainTextColour);
        for (qsizetype i = span.start; i < span.start + span.length && i < text.size(); ++i)
            colours[static_cast<std::size_t>(i)] = span.colour;
        previousEnd = span.start + span.length;
    }
    return colours;
}

// Words, pieces of words and separators mixed at random (a fixed seed): many
// keywords in every case, touching each other and other words.
QString randomScript(unsigned seed, int tokens)
{
    const QStringList words{"select",    "SELECT",    "Having",     "HAVING",     "id",    "Id",
                            "object_id", "OBJECT_ID", "sysobjects", "SysColumns", "count", "sum",
                            "IDENTITY",  "selected",  "x",          "_",          "9",     QStringLiteral("\u00e9"),
                            "Order",     "BY",        "group",      "withx",      "top",   "percent",
                            "in",        "into"};
    const QStringList separators{" ", "  ", "\t", "\r\n", "\n", "(", ")", ".", ",", "[", "]", "'", "", "", "-- "};
    std::mt19937 generator(seed);
    std::uniform_int_distribution<qsizetype> pickWord(0, words.size() - 1);
    std::uniform_int_distribution<qsizetype> pickSeparator(0, separators.size() - 1);
    QString script;
    for (int i = 0; i < tokens; ++i)
        script += words.at(pickWord(generator)) + separators.at(pickSeparator(generator));
    return script;
}

TEST(KeywordColourTest, OnePassColoursEqualTheEntryByEntryColouring)
{
    QStringList texts{
        QStringLiteral("SELECTED IDENTITY ID_X X_ID _ID ID_ ID2 2ID Id iD OBJECT_IDS OBJECT_ID( SUM(x) sum SuM"),
        QStringLiteral("HAVING HAVING\tHAVING\r\nHAVING  x having y Having(z) xHAVING HAVING_ HAVING"),
        QStringLiteral("HAVING "),
        QStringLiteral("\u00e9SELECT SELECT\u00e9 1SELECT SELECT1 caf\u00e9 FROM \u00e9 SELECT"),
        QStringLiteral("\u017Fum KE\u212A \u212AEY PR\u0130NT pr\u0131nt \u00DFELECT ID\u0300"),
        QStringLiteral("[Select].[From] \"where\" 'and' (order)by;top,percent.with"),
        QStringLiteral("Dim rs As Recordset\rSet rs = cmd.Execute\rIf rs.EOF Then Exit Sub\rEnd If\r"),
        QString(),
        QStringLiteral("sum")};
    for (unsigned seed = 1; seed <= 20; ++seed)
        texts << randomScript(seed, 400);
    for (const QString& text : texts)
        EXPECT_EQ(fastColours(text), slowColours(text)) << text.toStdString();
}

TEST(KeywordColourTest, SpansOfWorkedTexts)
{
    // SELECT inside SELECTED and ID inside IDENTITY stay black; OBJECT_ID before
    // a parenthesis is one word; the last entry is coloured like the others.
    EXPECT_EQ(ColourKeywords(u"SELECTED IDENTITY OBJECT_ID(x) sum"),
              (std::vector<ColourSpan>{{18, 9, kKeywordMagenta}, {31, 3, kKeywordMagenta}}));
    EXPECT_EQ(ColourKeywords(u"select * from sysobjects where Id = 1"),
              (std::vector<ColourSpan>{{0, 6, kKeywordBlue},
                                       {9, 4, kKeywordBlue},
                                       {14, 10, kKeywordGreen},
                                       {25, 5, kKeywordBlue},
                                       {31, 2, kKeywordBlue}}));
}

} // namespace
} // namespace norvane
