#pragma once
// The functions window: the database's scalar and multi-statement table-valued
// functions; for the chosen one its parameters, with its result in the first
// row, and its source text.
#include "objects/object_list_window.h"

class QTableWidget;
class QTextEdit;

namespace norvane {

class frmFunctions : public ObjectListWindow {
    Q_OBJECT
public:
    // Builds and loads the window: fills the function list from the catalog.
    explicit frmFunctions(QWidget* parent = nullptr);
    ~frmFunctions() override;

    // Fills the list box with the names of the scalar and multi-statement functions, in name order.
    static void PopulateFunctions(QListWidget* list);

    // "[db].[owner].[name]" of the function shown last; empty before the first.
    const QString& currentName() const { return CurrentName; }

protected:
    // Shows the function selected in the list.
    void showSelected() override;

private:
    void buildDetails();

    QString CurrentName;

    QLabel* lblFNName = nullptr;
    QTableWidget* flxFNSParams = nullptr;
    QLabel* lblFNSParams = nullptr;
    QTextEdit* rtbFNText = nullptr;
};

}  // namespace norvane
