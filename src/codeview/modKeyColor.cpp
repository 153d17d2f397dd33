#include "codeview/modKeyColor.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <unordered_map>

namespace norvane {

namespace {

// The words in index order: 0..100 blue, 101..102 green, 103..106 magenta.
constexpr std::array<const char*, kKeywordCount> kKeywordWords{
    "ADD",        "ALL",        "ALTER",       "AND",        "ANY",          "AS",          "BEGIN",
    "CLOSE",      "COLLATE",    "COLUMN",      "COMMIT",     "CONSTRAINT",   "CREATE",      "CURSOR",
    "DEALLOCATE", "DECLARE",    "DEFAULT",     "DELETE",     "DISTINCT",     "DISTRIBUTED", "DOUBLE",
    "DROP",       "ELSE",       "END",         "ESCAPE",     "EXCEPT",       "EXEC",        "EXECUTE",
    "EXISTS",     "EXIT",       "FETCH",       "FILLFACTOR", "FOREIGN",      "FROM",        "FUNCTION",
    "GROUP",      "HAVING ",    "ID",          "IF",         "IN",           "INDEX",       "INNER",
    "INSERT",     "INTERSECT",  "INTO",        "IS",         "JOIN",         "KEY",         "KILL",
    "LEFT",       "LIKE",       "NOCHECK",     "NONCLUSTERED", "NOT",        "NULL",        "OF",
    "OFF",        "ON",         "OPEN",        "OPTION",     "OR",           "ORDER",       "OUTER",
    "OUTPUT",     "OVER",       "PERCENT",     "PRECISION",  "PRIMARY",      "PRINT",       "PROC",
    "PROCEDURE",  "PUBLIC",     "RAISERROR",   "READ",       "REFERENCES",   "RESTORE",     "RETURN",
    "RIGHT",      "ROLLBACK",   "SELECT",      "SET",        "SOME",         "TABLE",       "THEN",
    "TO",         "TOP",        "TRAN",        "TRANSACTION", "TRIGGER",     "TRUNCATE",    "UNION",
    "UNIQUE",     "UPDATE",     "USE",         "VALUES",     "VIEW",         "WHEN",        "WHERE",
    "WHILE",      "WITH",       "WRITETEXT",   "sysobjects", "syscolumns",   "COUNT",       "OBJECT_ID",
    "OBJECTPROPERTY", "SUM",
};

constexpr int kLastBlue = 100;
constexpr int kLastGreen = 102;

QRgb colourOfIndex(int index)
{
    if (index <= kLastBlue)
        return kKeywordBlue;
    if (index <= kLastGreen)
        return kKeywordGreen;
    return kKeywordMagenta;
}

// What the words of the table lead to. An entry is a word, or a word followed
// by blanks ("HAVING "): the blanks must follow the word in the text and are
// coloured with it.
struct WordMatch {
    int plainEntry = -1;   // the entry that is exactly this word
    int tailedEntry = -1;  // the entry that is this word followed by its tail
    QString tail;
};

// Case is ignored the way QString compares without case: by case folding.
// Only characters that fold to ASCII can belong to a keyword.
char foldedAsciiUpper(QChar c)
{
    char16_t code = c.unicode();
    if (code >= 0x80)
        code = c.toCaseFolded().unicode();
    if (code >= 0x80)
        return 0;
    if (code >= 'a' && code <= 'z')
        code = static_cast<char16_t>(code - 'a' + 'A');
    return static_cast<char>(code);
}

class KeywordIndex {
public:
    explicit KeywordIndex(const KeywordTable& table)
    {
        words_.reserve(table.size());
        for (int index = 0; index < static_cast<int>(table.size()); ++index) {
            const QString& keyword = table[static_cast<std::size_t>(index)].Keyword;
            qsizetype wordEnd = 0;
            while (wordEnd < keyword.size() && isKeywordWordCharacter(keyword.at(wordEnd)))
                ++wordEnd;
            std::string key;
            for (qsizetype i = 0; i < wordEnd; ++i)
                key.push_back(foldedAsciiUpper(keyword.at(i)));
            words_.push_back(key);
            WordMatch& match = matches_[words_.back()];
            if (wordEnd == keyword.size()) {
                match.plainEntry = index;
            } else {
                match.tailedEntry = index;
                match.tail = keyword.mid(wordEnd);
            }
            if (static_cast<qsizetype>(key.size()) > longest_)
                longest_ = static_cast<qsizetype>(key.size());
        }
    }

    qsizetype longestWord() const { return longest_; }

    const WordMatch* find(std::string_view word) const
    {
        const auto found = matches_.find(word);
        return found == matches_.end() ? nullptr : &found->second;
    }

private:
    std::vector<std::string> words_;  // the keys' storage; reserved, so views into it stay valid
    std::unordered_map<std::string_view, WordMatch> matches_;
    qsizetype longest_ = 0;
};

const KeywordIndex& keywordIndex()
{
    static const KeywordIndex index(keywordTable());
    return index;
}

}  // namespace

const KeywordTable& keywordTable()
{
    static const KeywordTable table = [] {
        KeywordTable built;
        for (int index = 0; index < kKeywordCount; ++index) {
            KeywordEntry& entry = built[static_cast<std::size_t>(index)];
            entry.Keyword = QString::fromLatin1(kKeywordWords[static_cast<std::size_t>(index)]);
            entry.Colour = colourOfIndex(index);
        }
        return built;
    }();
    return table;
}

const KeywordTable& LoadKeywords()
{
    keywordIndex();
    return keywordTable();
}

bool isKeywordWordCharacter(QChar c)
{
    const char16_t code = c.unicode();
    if (code < 0x80)
        return (code >= 'a' && code <= 'z') || (code >= 'A' && code <= 'Z') || (code >= '0' && code <= '9')
            || code == '_';
    return c.isLetterOrNumber();
}

std::vector<ColourSpan> ColourKeywords(QStringView text)
{
    const KeywordIndex& index = keywordIndex();
    const KeywordTable& table = keywordTable();
    const qsizetype longest = index.longestWord();
    std::vector<ColourSpan> spans;
    std::string key;
    key.reserve(static_cast<std::size_t>(longest));

    const qsizetype size = text.size();
    qsizetype position = 0;
    while (position < size) {
        if (!isKeywordWordCharacter(text[position])) {
            ++position;
            continue;
        }
        const qsizetype wordStart = position;
        while (position < size && isKeywordWordCharacter(text[position]))
            ++position;
        const qsizetype wordLength = position - wordStart;
        if (wordLength > longest)
            continue;

        key.clear();
        bool ascii = true;
        for (qsizetype i = wordStart; i < position && ascii; ++i) {
            const char folded = foldedAsciiUpper(text[i]);
            ascii = folded != 0;
            key.push_back(folded);
        }
        if (!ascii)
            continue;
        const WordMatch* match = index.find(key);
        if (!match)
            continue;

        const bool tailFollows = match->tailedEntry >= 0
            && text.mid(position).startsWith(match->tail, Qt::CaseInsensitive);
        const int wordEntry = tailFollows ? std::max(match->plainEntry, match->tailedEntry) : match->plainEntry;
        if (wordEntry < 0)
            continue;
        const QRgb wordColour = table[static_cast<std::size_t>(wordEntry)].Colour;
        if (tailFollows) {
            const QRgb tailColour = table[static_cast<std::size_t>(match->tailedEntry)].Colour;
            const qsizetype tailLength = match->tail.size();
            if (tailColour == wordColour) {
                spans.push_back({wordStart, wordLength + tailLength, wordColour});
            } else {
                spans.push_back({wordStart, wordLength, wordColour});
                spans.push_back({position, tailLength, tailColour});
            }
            position += tailLength;
        } else {
            spans.push_back({wordStart, wordLength, wordColour});
        }
    }
    return spans;
}

}  // namespace norvane
