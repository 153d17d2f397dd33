#pragma once
// The views window: the user views of the database; for the chosen view its
// rows (the first ten or all of them) and its source text.
#include "objects/object_list_window.h"

#include <array>

class QRadioButton;
class QTextEdit;
class QTreeWidget;

namespace norvane {

class frmViews : public ObjectListWindow {
    Q_OBJECT
public:
    // Builds and loads the window: fills the view list from the catalog.
    explicit frmViews(QWidget* parent = nullptr);
    ~frmViews() override;

    // Fills the list box with the names of the user views, in name order.
    static void PopulateViews(QListWidget* list);

protected:
    // Shows the view selected in the list, in the row mode chosen.
    void showSelected() override;

private:
    void buildDetails();
    void lsvVWSRows_ColumnClick(int column);
    void sortRowsByFirstColumn();
    void fitRowColumns();

    // Rows are kept in first-column order until the user sorts by a heading.
    bool sortedByFirstColumn_ = true;

    std::array<QRadioButton*, 2> optVWSMode{};
    QTreeWidget* lsvVWSRows = nullptr;
    QLabel* lblVWSRows = nullptr;
    QLabel* lblVWSViewName = nullptr;
    QTextEdit* rtbVWSText = nullptr;
};

}  // namespace norvane
