#pragma once
// The search window's queries, list entries and messages.
#include <QString>
#include <QStringList>

namespace norvane {

// The objects without a parent (views, procedures, functions, ...) whose stored
// source pieces contain the word; LIKE wildcards in the word keep their effect,
// its quotes are doubled.
QString searchObjectTextQuery(const QString& word);
// The columns of tables and views and the parameters of routines whose name contains the word.
QString searchColumnNamesQuery(const QString& word);

// The eight headings of the column grid; the two name columns carry trailing
// blanks that widen them.
QStringList columnGridHeadings();

// A list entry: "name ( type)", the catalog's two-character type as stored.
QString objectEntry(const QString& name, const QString& type);

// The plain name and the type text ("P )") read back from a list entry; an entry
// without "(" is all name and keeps the previous type text.
struct ObjectChoice {
    QString name;
    QString typeText;
};
ObjectChoice readObjectEntry(const QString& entry, const QString& previousTypeText);
// A type text of a view: it contains "V".
bool isViewTypeText(const QString& typeText);

// The message of the find step that found no further occurrence.
QString searchCompletedMessage(const QString& word, int occurrences);

}  // namespace norvane
