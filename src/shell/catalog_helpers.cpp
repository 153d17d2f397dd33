#include "shell/catalog_helpers.h"

#include "shell/data/field.h"
#include "shell/prompts.h"
#include "shell/session.h"

#include <QApplication>
#include <QListWidget>
#include <QStyle>
#include <QTextEdit>
#include <QTreeWidget>

#include <algorithm>
#include <memory>
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

// Only blanks are trimmed: line breaks and tabs at the ends stay.
QString trimBlanks(const QString& text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first) == QLatin1Char(' '))
        ++first;
    while (last > first && text.at(last - 1) == QLatin1Char(' '))
        --last;
    return text.mid(first, last - first);
}

void loadHeadings(QTreeWidget* listView, const QString& name)
{
    Recordset columns = session().connection.execute(QStringLiteral("Select Name From SysColumns Where Id=Object_Id(N'")
                                                     + quotedLiteralText(name) + QStringLiteral("') Order By ColId"));
    QStringList headings;
    for (; !columns.eof(); columns.moveNext())
        headings << columns.field(0).text();
    columns.close();
    listView->clear();
    listView->setColumnCount(0);
    listView->setHeaderLabels(headings);
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
    if (busy) {
        if (QApplication::overrideCursor())
            QApplication::changeOverrideCursor(Qt::WaitCursor);
        else
            QApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
        while (QApplication::overrideCursor())
            QApplication::restoreOverrideCursor();
    }
}

void ShowRows(QTreeWidget* listView, const QString& name, bool allRows)
{
    loadHeadings(listView, name);

    const QString query = (allRows ? QStringLiteral("Select * From ") : QStringLiteral("Select Top 10 * From ")) + name;
    listView->clear();
    // The count comes before the first row, without reading the rows twice.
    Recordset rows = session().connection.openCounted(query);
    const qint64 count = rows.recordCount();
    qint64 limit = -1;
    if (count > kRowsShownWithoutAsking
        && askQuestion(listView, rowCountQuestion(count), QMessageBox::Yes | QMessageBox::No) == QMessageBox::No)
        limit = kRowsShownWithoutAsking;

    std::vector<std::unique_ptr<QTreeWidgetItem>> items;
    for (; !rows.eof() && (limit < 0 || static_cast<qint64>(items.size()) < limit); rows.moveNext()) {
        QStringList cells;
        cells.reserve(rows.fieldCount());
        for (const Field& field : rows.fields())
            cells << rowCellText(field);
        items.push_back(std::make_unique<QTreeWidgetItem>(cells));
    }
    // Rows the user chose not to see are not read off the wire.
    if (rows.eof())
        rows.close();
    else
        rows.abandon();
    QList<QTreeWidgetItem*> shown;
    shown.reserve(static_cast<qsizetype>(items.size()));
    for (std::unique_ptr<QTreeWidgetItem>& item : items)
        shown << item.release();  // the list view owns them from here
    listView->addTopLevelItems(shown);
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
            text = trimBlanks(text) + trimBlanks(lines.field(0).text());
    }
    lines.close();
    return trimBlanks(text);
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
