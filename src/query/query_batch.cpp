#include "query/query_batch.h"

#include "shell/data/field.h"

#include <QChar>
#include <QStringList>

namespace norvane {

namespace {

const QString kLeadingMessage = QStringLiteral("PRINT ''\n");

// Position of the first character that is neither blank nor inside a comment.
qsizetype skipBlanksAndComments(const QString& text)
{
    qsizetype at = 0;
    const qsizetype length = text.size();
    while (at < length) {
        if (text.at(at).isSpace()) {
            ++at;
        } else if (text.mid(at, 2) == QLatin1String("--")) {
            while (at < length && text.at(at) != QLatin1Char('\n'))
                ++at;
        } else if (text.mid(at, 2) == QLatin1String("/*")) {
            // Block comments nest in T-SQL.
            int depth = 0;
            while (at < length) {
                if (text.mid(at, 2) == QLatin1String("/*")) {
                    ++depth;
                    at += 2;
                } else if (text.mid(at, 2) == QLatin1String("*/")) {
                    at += 2;
                    if (--depth == 0)
                        break;
                } else {
                    ++at;
                }
            }
        } else {
            break;
        }
    }
    return at;
}

bool isWordCharacter(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_');
}

// The next word from the position (after blanks and comments), upper-cased; moves the position past it.
QString nextWord(const QString& text, qsizetype& at)
{
    at += skipBlanksAndComments(text.mid(at));
    const qsizetype start = at;
    while (at < text.size() && isWordCharacter(text.at(at)))
        ++at;
    return text.mid(start, at - start).toUpper();
}

}  // namespace

QString statementToRun(const QString& selectedText, const QString& wholeText)
{
    const QString selected = selectedText.trimmed();
    return selected.isEmpty() ? wholeText.trimmed() : selected;
}

bool mustStartBatch(const QString& statement)
{
    qsizetype at = 0;
    const QString verb = nextWord(statement, at);
    if (verb != QLatin1String("CREATE") && verb != QLatin1String("ALTER"))
        return false;
    const QString kind = nextWord(statement, at);
    static const QStringList kFirstInBatch = {QStringLiteral("PROC"),    QStringLiteral("PROCEDURE"),
                                              QStringLiteral("VIEW"),    QStringLiteral("TRIGGER"),
                                              QStringLiteral("FUNCTION")};
    static const QStringList kCreatedFirstInBatch = {QStringLiteral("DEFAULT"), QStringLiteral("RULE"),
                                                     QStringLiteral("SCHEMA")};
    return kFirstInBatch.contains(kind) || (verb == QLatin1String("CREATE") && kCreatedFirstInBatch.contains(kind));
}

QString batchForStatement(const QString& statement)
{
    return mustStartBatch(statement) ? statement : kLeadingMessage + statement;
}

bool batchHasLeadingMessage(const QString& batch)
{
    return batch.startsWith(kLeadingMessage);
}

QString fieldHeading(const QString& name, int index, int fieldCount)
{
    QString heading = name.trimmed();
    if (index > 0)
        heading.prepend(QLatin1Char(' '));
    if (index < fieldCount - 1)
        heading.append(QLatin1Char(' '));
    return heading;
}

QString resultCellText(const Field& field)
{
    if (field.isNull())
        return QStringLiteral("NULL");
    if (field.type() == AdoType::Boolean)
        return field.value().toBool() ? QStringLiteral("True") : QStringLiteral("False");
    return field.text();
}

}  // namespace norvane
