#pragma once
// Routines shared by the catalog windows: the status line with the busy
// pointer, a table's or view's rows in a list view with the 500-row question,
// column-heading sorting, owner and qualified names, an object's source text
// and incremental find in a list box. The database routines run on the
// session's connection and let DbError pass to the calling window.
#include "shell/data/sql_text.h"

#include <QIcon>
#include <QString>

#include <functional>

class QListWidget;
class QTextEdit;
class QTreeWidget;

namespace norvane {

// Where SetStatus writes its text: the main window installs a sink that puts
// the text into the first panel of its status bar (and repaints it at once,
// since the caller usually blocks right after). Without a sink the text goes nowhere.
using StatusSink = std::function<void(const QString& text)>;
void setStatusSink(StatusSink sink);

// The main window's image list, by key ("UpArrow", "DownArrow", "Drive", ...).
// The main window installs a provider; without one, or for a key it does not
// know, the style's standard arrows stand in for "UpArrow" and "DownArrow".
using ImageProvider = std::function<QIcon(const QString& key)>;
void setImageProvider(ImageProvider provider);
QIcon imageListIcon(const QString& key);

// Rows above this number are shown only when the user agrees.
inline constexpr int kRowsShownWithoutAsking = 500;

// Writes the text to the status line; the busy flag shows the busy pointer, else the normal one.
void SetStatus(const QString& text, bool busy);

// Fills the list view with the columns and rows of the named table or view
// ("[db].[owner].[name]"): all rows, or the first ten. Asks before showing more
// than 500 rows; No shows the first 500.
void ShowRows(QTreeWidget* listView, const QString& name, bool allRows);

// Sorts the list view by the clicked column: the same column again flips the
// direction, another column keeps it. Clears every heading's picture first.
// Returns the direction now in force.
Qt::SortOrder SortListView(QTreeWidget* listView, int column);
// What a heading click does in the catalog windows: SortListView, then the
// "UpArrow" (ascending) or "DownArrow" (descending) picture on the clicked heading.
void SortListViewByHeading(QTreeWidget* listView, int column);

// "[db].[owner].[name]" of a table or view (routine false) or of a procedure
// or function (routine true); empty when the catalog does not know the name.
QString GetQualifiedName(const QString& name, bool routine);
// The owner of the object, trimmed; empty when the catalog does not know the name.
QString GetOwnerName(const QString& name, bool routine);

// The object's source as sp_helptext returns it, lines joined with their
// blanks at the seams removed.
QString GetObjectText(const QString& name);
// The same, written into the box (emptied first).
void GetObjectText(QTextEdit* box, const QString& name);

// The first row of the object's text in SysComments; empty when there is none.
QString GetCommentsText(const QString& name);

// Selects the first entry that begins with the text (ignoring case) and
// scrolls it to the top; clears the selection when none does.
void FindInList(QListWidget* list, const QString& text);

}  // namespace norvane
