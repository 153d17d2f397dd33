#pragma once
// The parameters grid of the stored procedures and functions windows: a header
// row and seven columns ("No.", "Parameter Name", "Data Type", "Length",
// "Precision", "Scale", "Parameter Type"), one ParamRow per data row.
#include "objects/param_row.h"

#include <QRect>
#include <QString>

class QTableWidget;
class QWidget;

namespace norvane {

// The column layout as one text: headings separated by bars; the blanks after
// "Parameter Name" widen that column.
extern const QString kParamGridFormat;

// A new, empty parameters grid.
QTableWidget* makeParamGrid(QWidget* parent, const QString& name, const QString& toolTip, QRect geometry);

// Leaves only the header row, its headings taken from the format text.
void resetParamGrid(QTableWidget* grid);

// Adds the row as the grid's new last row.
void appendParamRow(QTableWidget* grid, const ParamRow& row);

// The grid's rows with the header counted, as the windows count them.
int paramGridRowCount(const QTableWidget* grid);

// The data rows, in grid order (an empty row reads as empty texts).
ParamRows paramRowsOf(const QTableWidget* grid);

}  // namespace norvane
