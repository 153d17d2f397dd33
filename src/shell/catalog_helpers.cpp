#include "shell/catalog_helpers.h"

#include "shell/data/field.h"
#include "shell/prompts.h"
#include "shell/responsive_call.h"
#include "shell/session.h"

#include <QApplication>
#include <QListWidget>
#include <QStyle>
#include <QTextEdit>
#include <QTreeWidget>

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

namespace norvane {

namespace {

// The installed sinks live as long as the program; they are wiring, not session state.
StatusSink& statusSink()
{
    static StatusSink sink;
    return sink;
}

ImageProvider& imageProvider()
{
    static ImageProvider provider;
    return provider;
}

// Whether the busy pointer on the override stack is SetStatus's own, so that it takes back
// exactly what it put there and leaves other busy-pointer guards alone.
bool& statusPointerPushed()
{
    static bool pushed = false;
    return pushed;
}

// The list view remembers its sort key and direction between heading clicks.
constexpr char kSortKeyProperty[] = "norvaneSortKey";
constexpr char kSortOrderProperty[] = "norvaneSortOrder";

QString rowCountQuestion(qint64 count)
{
    return QStringLiteral("This contains ") + QString::number(count) + QStringLiteral(" rows..\r\n")
        + QStringLiteral("Do you want to Display them all?\r\n") + QStringLiteral("[Click No to display only 500 rows]");
}

// The text of one value in the rows list view.
QString rowCellText(const Field& field)
{
    if (field.isNull())
        return QStringLiteral("NULL");
    if (field.type() == AdoType::LongVarBinary)
        return QStringLiteral("binary data");
    // Only a bit column is a Boolean: a number column keeps its own value (a -1 stays -1).
    return field.text();
}

QString rowsBeyondQuestion()
{
    return QStringLiteral("This contains more than ") + QString::number(kRowsShownWithoutAsking)
        + QStringLiteral(" rows..\r\n") + QStringLiteral("Do you want to Display them all?\r\n")
        + QStringLiteral("[Click No to display only 500 rows]");
}

// What a ShowRows read shares with the helper thread that reads: the record set and the rows so far.
struct RowsRead {
    QStringList headings;
    Recordset rows;
    qint64 count = -1;
    std::mutex mutex;                // guards cells, the one thing the waiting thread may look at early
    std::vector<QStringList> cells;  // read and not yet shown
    qint64 total = 0;                // rows read in all
    bool ended = false;              // the result has no more rows
    bool stopped = false;            // the read was stopped on request
    std::atomic<bool> stopRequested{false};
    std::shared_ptr<std::atomic<qint64>> heartbeat = std::make_shared<std::atomic<qint64>>(0);

    // Reads rows until there are `upTo` in all (negative: to the end).
    void readUpTo(qint64 upTo)
    {
        for (;;) {
            if (stopRequested) {
                stopped = true;
                return;
            }
            {
                const std::lock_guard lock(mutex);
                if (rows.eof()) {
                    ended = true;
                    return;
                }
                if (upTo >= 0 && total >= upTo)
                    return;
            }
            QStringList row;
            row.reserve(rows.fieldCount());
            for (const Field& field : rows.fields())
                row << rowCellText(field);
            {
                const std::lock_guard lock(mutex);
                cells.push_back(std::move(row));
                ++total;
            }
            ++*heartbeat;
            try {
                rows.moveNext();
            } catch (const DbError& error) {
                if (error.sqlState() != QLatin1String("HY008") || !stopRequested)
                    throw;
                stopped = true;  // Escape: the rows read so far stay
                return;
            }
        }
    }
};

ResponsiveCall sessionCall(const std::shared_ptr<RowsRead>& read, bool escapeCancels, std::function<void()> progress)
{
    ResponsiveCall call;
    call.progress = std::move(progress);
    call.timeoutSeconds = session().queryTimeoutSeconds;
    call.heartbeat = read->heartbeat;
    call.cancel = [] { session().connection.cancel(); };
    if (escapeCancels) {
        call.escape = [read] {
            read->stopRequested = true;
            session().connection.cancel();
        };
    }
    call.giveUp = [] { session().connection.abandon(); };
    call.timeoutText = QStringLiteral("The server did not answer within %1 seconds; its connection was closed.")
                           .arg(session().queryTimeoutSeconds);
    return call;
}

}  // namespace

void setStatusSink(StatusSink sink)
{
    statusSink() = std::move(sink);
}

void setImageProvider(ImageProvider provider)
{
    imageProvider() = std::move(provider);
}

QIcon imageListIcon(const QString& key)
{
    if (imageProvider()) {
        QIcon icon = imageProvider()(key);
        if (!icon.isNull())
            return icon;
    }
    if (key == QLatin1String("UpArrow"))
        return QApplication::style()->standardIcon(QStyle::SP_ArrowUp);
    if (key == QLatin1String("DownArrow"))
        return QApplication::style()->standardIcon(QStyle::SP_ArrowDown);
    return {};
}

void SetStatus(const QString& text, bool busy)
{
    if (statusSink())
        statusSink()(text);
    bool& pushed = statusPointerPushed();
    if (busy && !pushed) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        pushed = true;
    } else if (!busy && pushed) {
        QApplication::restoreOverrideCursor();
        pushed = false;
    }
}

void ShowRows(QTreeWidget* listView, const QString& name, bool allRows)
{
    const QString query = (allRows ? QStringLiteral("Select * From ") : QStringLiteral("Select Top 10 * From ")) + name;
    const QString headingsQuery = QStringLiteral("Select Name From SysColumns Where Id=Object_Id(N'")
        + quotedLiteralText(name) + QStringLiteral("') Order By ColId");
    auto read = std::make_shared<RowsRead>();
    const auto showRead = [listView, read] {
        QList<QTreeWidgetItem*> shown;
        const std::lock_guard lock(read->mutex);
        shown.reserve(static_cast<qsizetype>(read->cells.size()));
        for (const QStringList& cells : read->cells)
            shown << new QTreeWidgetItem(cells);  // the list view owns them from here
        read->cells.clear();
        listView->addTopLevelItems(shown);
    };
    // Rows show as they arrive, and the rows read so far stay shown whatever ends the reading.
    const auto readRows = [&](std::function<void()> work, bool escapeCancels) {
        try {
            return runResponsive(std::move(work), sessionCall(read, escapeCancels, showRead));
        } catch (const DbError&) {
            showRead();
            throw;
        }
    };

    // Headings, the count and the first row.
    readRows([read, headingsQuery, query] {
        try {
            Recordset columns = session().connection.execute(headingsQuery);
            for (; !columns.eof(); columns.moveNext())
                read->headings << columns.field(0).text();
            columns.close();
            read->rows = session().connection.openCounted(query);
            read->count = read->rows.recordCount();
        } catch (const DbError& error) {
            if (error.sqlState() != QLatin1String("HY008") || !read->stopRequested)
                throw;
            read->stopped = true;
        }
    }, true);
    listView->clear();
    listView->setColumnCount(0);
    listView->setHeaderLabels(read->headings);
    if (read->stopped)
        return;

    // The question comes before the rows when the count is known, else once a row past 500 has been read.
    qint64 limit = -1;
    if (read->count > kRowsShownWithoutAsking
        && askQuestion(listView, rowCountQuestion(read->count), QMessageBox::Yes | QMessageBox::No) == QMessageBox::No)
        limit = kRowsShownWithoutAsking;
    bool stopped = false;
    if (read->count < 0 && limit < 0) {
        readRows([read] { read->readUpTo(kRowsShownWithoutAsking + 1); }, true);
        stopped = read->stopped;
        if (!stopped && !read->ended
            && askQuestion(listView, rowsBeyondQuestion(), QMessageBox::Yes | QMessageBox::No) == QMessageBox::No) {
            limit = kRowsShownWithoutAsking;
            showRead();
            delete listView->takeTopLevelItem(kRowsShownWithoutAsking);  // the row past 500 goes
        }
    }
    if (!stopped)
        readRows([read, limit] { read->readUpTo(limit); }, true);

    // Rows the user chose not to see are not read off the wire.
    readRows([read] {
        if (read->rows.eof() || !read->rows.isOpen())
            read->rows.close();
        else
            read->rows.abandon();
    }, false);
    showRead();
}

Qt::SortOrder SortListView(QTreeWidget* listView, int column)
{
    for (int heading = 0; heading < listView->columnCount(); ++heading)
        listView->headerItem()->setIcon(heading, QIcon());

    const QVariant key = listView->property(kSortKeyProperty);
    auto order = static_cast<Qt::SortOrder>(listView->property(kSortOrderProperty).toInt());
    if (key.isValid() && key.toInt() == column)
        order = order == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    listView->setProperty(kSortKeyProperty, column);
    listView->setProperty(kSortOrderProperty, static_cast<int>(order));
    // Rows sort by their text without regard to case, as list views do; equal texts keep their order.
    QList<QTreeWidgetItem*> items;
    while (listView->topLevelItemCount() > 0)
        items << listView->takeTopLevelItem(0);
    std::stable_sort(items.begin(), items.end(), [column, order](const QTreeWidgetItem* a, const QTreeWidgetItem* b) {
        const int comparison = a->text(column).compare(b->text(column), Qt::CaseInsensitive);
        return order == Qt::AscendingOrder ? comparison < 0 : comparison > 0;
    });
    listView->addTopLevelItems(items);
    return order;
}

void SortListViewByHeading(QTreeWidget* listView, int column)
{
    // Sorting happens once per click; the list view never re-sorts by itself, so rows
    // keep the order the server gave them until a heading is clicked.
    const Qt::SortOrder order = SortListView(listView, column);
    listView->headerItem()->setIcon(
        column, imageListIcon(order == Qt::DescendingOrder ? QStringLiteral("DownArrow") : QStringLiteral("UpArrow")));
}

QString GetQualifiedName(const QString& name, bool routine)
{
    const QString sql = routine
        ? QStringLiteral("SELECT ROUTINE_CATALOG AS DBName, ROUTINE_SCHEMA As OwnerName FROM INFORMATION_SCHEMA.ROUTINES WHERE ROUTINE_NAME = '")
        : QStringLiteral("SELECT TABLE_CATALOG AS DBName, TABLE_SCHEMA As OwnerName FROM INFORMATION_SCHEMA.TABLES WHERE TABLE_NAME = '");
    Recordset found = session().connection.execute(sql + quotedLiteralText(name) + QStringLiteral("'"));
    QString qualified;
    if (!found.eof()) {
        qualified = QStringLiteral("[") + bracketedName(found.field(QStringLiteral("DBName")).text())
            + QStringLiteral("].[") + bracketedName(found.field(QStringLiteral("OwnerName")).text())
            + QStringLiteral("].[") + bracketedName(name) + QStringLiteral("]");
    }
    found.close();
    return qualified;
}

QString GetOwnerName(const QString& name, bool routine)
{
    const QString sql = routine
        ? QStringLiteral("SELECT ROUTINE_SCHEMA As OwnerName FROM INFORMATION_SCHEMA.ROUTINES WHERE ROUTINE_NAME = '")
        : QStringLiteral("SELECT TABLE_SCHEMA As OwnerName FROM INFORMATION_SCHEMA.TABLES WHERE TABLE_NAME = '");
    Recordset found = session().connection.execute(sql + quotedLiteralText(name) + QStringLiteral("'"));
    QString owner;
    if (!found.eof())
        owner = found.field(QStringLiteral("OwnerName")).text().trimmed();
    found.close();
    return owner;
}

QString GetObjectText(const QString& name)
{
    Recordset lines = session().connection.execute(QStringLiteral("SP_HelpText '") + quotedLiteralText(name)
                                                   + QStringLiteral("'"));
    QString text;
    for (; !lines.eof(); lines.moveNext()) {
        if (lines.fieldCount() > 0)
            text = trimBlanks(text).toString() + trimBlanks(lines.field(0).text()).toString();
    }
    lines.close();
    return trimBlanks(text).toString();
}

void GetObjectText(QTextEdit* box, const QString& name)
{
    box->clear();
    box->setPlainText(GetObjectText(name));
}

QString GetCommentsText(const QString& name)
{
    Recordset comments = session().connection.execute(QStringLiteral("Select Text From SysComments where Id = Object_Id(N'")
                                                      + quotedLiteralText(QStringLiteral("[") + bracketedName(name)
                                                                          + QStringLiteral("]"))
                                                      + QStringLiteral("')"));
    QString text;
    if (!comments.eof())
        text = comments.field(QStringLiteral("Text")).text();
    comments.close();
    return text;
}

void FindInList(QListWidget* list, const QString& text)
{
    for (int row = 0; row < list->count(); ++row) {
        QListWidgetItem* entry = list->item(row);
        if (entry->text().startsWith(text, Qt::CaseInsensitive)) {
            list->setCurrentItem(entry, QItemSelectionModel::ClearAndSelect);
            list->scrollToItem(entry, QAbstractItemView::PositionAtTop);
            return;
        }
    }
    list->clearSelection();
    list->setCurrentItem(nullptr);
}

}  // namespace norvane
