#include "objects/param_grid.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QTableWidget>

#include <algorithm>

namespace norvane {

const QString kParamGridFormat = QStringLiteral("No.|Parameter Name") + QString(35, QLatin1Char(' '))
    + QStringLiteral("|Data Type|Length|Precision|Scale|Parameter Type");

namespace {

constexpr int kColumns = 7;
constexpr int kNameColumn = 1;
constexpr int kTypeColumn = 6;

QString cellText(const QTableWidget* grid, int row, int column)
{
    const QTableWidgetItem* cell = grid->item(row, column);
    return cell ? cell->text() : QString();
}

}  // namespace

QTableWidget* makeParamGrid(QWidget* parent, const QString& name, const QString& toolTip, QRect geometry)
{
    auto* grid = new QTableWidget(parent);
    grid->setObjectName(name);
    grid->setToolTip(toolTip);
    grid->setGeometry(geometry);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->verticalHeader()->hide();
    grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 6);
    grid->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    grid->horizontalHeader()->setStretchLastSection(true);
    grid->setWordWrap(false);
    resetParamGrid(grid);
    return grid;
}

void resetParamGrid(QTableWidget* grid)
{
    grid->clearContents();
    grid->setRowCount(0);
    const QStringList headings = kParamGridFormat.split(QLatin1Char('|'));
    grid->setColumnCount(static_cast<int>(headings.size()));
    grid->setHorizontalHeaderLabels(headings);
    // Each column as wide as its heading; the blanks after "Parameter Name" widen that one
    // column, as far as the grid leaves room, so that every heading shows without scrolling.
    const QFontMetrics metrics(grid->horizontalHeader()->font());
    constexpr int kPadding = 12;
    int others = 0;
    for (int column = 0; column < grid->columnCount(); ++column) {
        if (column == kNameColumn)
            continue;
        const int width = metrics.horizontalAdvance(headings.at(column)) + kPadding;
        grid->setColumnWidth(column, width);
        others += width;
    }
    const int room = grid->width() - 2 * grid->frameWidth() - others;
    const int widest = metrics.horizontalAdvance(headings.at(kNameColumn)) + kPadding;
    const int least = metrics.horizontalAdvance(headings.at(kNameColumn).trimmed()) + kPadding;
    grid->setColumnWidth(kNameColumn, std::clamp(room, least, widest));
}

void appendParamRow(QTableWidget* grid, const ParamRow& row)
{
    const int at = grid->rowCount();
    grid->setRowCount(at + 1);
    const QString cells[kColumns] = {row.Number,    row.Name,  row.DataType,     row.Length,
                                     row.Precision, row.Scale, row.ParameterType};
    for (int column = 0; column < kColumns; ++column)
        grid->setItem(at, column, new QTableWidgetItem(cells[column]));
    // The number column reads as part of the header, as a fixed column does.
    grid->item(at, 0)->setBackground(grid->palette().button());
}

int paramGridRowCount(const QTableWidget* grid)
{
    return grid->rowCount() + 1;
}

ParamRows paramRowsOf(const QTableWidget* grid)
{
    ParamRows rows;
    rows.reserve(static_cast<std::size_t>(grid->rowCount()));
    for (int row = 0; row < grid->rowCount(); ++row) {
        rows.push_back(ParamRow{cellText(grid, row, 0), cellText(grid, row, 1), cellText(grid, row, 2),
                                cellText(grid, row, 3), cellText(grid, row, 4), cellText(grid, row, 5),
                                cellText(grid, row, kTypeColumn)});
    }
    return rows;
}

}  // namespace norvane
