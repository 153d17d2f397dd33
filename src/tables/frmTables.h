#pragma once
// The table explorer: the list of the database's user tables on the left, and
// the rows, columns and relations of the chosen table on the right.
#include "layout/clsResize.h"
#include "tables/column_info.h"

#include <QString>
#include <QWidget>

#include <array>
#include <vector>

class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QTableWidget;
class QTextEdit;
class QTreeWidget;

namespace norvane {

class frmTables : public QWidget {
    Q_OBJECT
public:
    // Builds and loads the window: fills the table list from the catalog of the session's database.
    explicit frmTables(QWidget* parent = nullptr);
    ~frmTables() override;

    // Fills the list box with the names of the user tables, in name order.
    static void LoadTableList(QListWidget* list);
    // Shows the table selected in the list (every way of choosing a table ends here):
    // its rows, columns and relations. False when nothing was shown in full
    // (no table selected, not connected, or a failure, which has been reported).
    bool ShowTable();
    // The Generate button: builds the chosen statement for the table shown and
    // hands it to the code window.
    void GenerateStatement();

    // Each clears its control and fills it from one catalog query on the table.
    void LoadColumnGrid(QTableWidget* grid, const QString& qualifiedName);
    static void LoadReferringTables(QListWidget* list, const QString& qualifiedName);
    static void LoadReferredTables(QListWidget* list, const QString& qualifiedName);
    static void LoadCheckConstraints(QListWidget* list, const QString& qualifiedName);
    static void LoadTriggers(QListWidget* list, const QString& qualifiedName);
    static void LoadDependentObjects(QListWidget* list, const QString& qualifiedName);

    // The data rows of the columns grid, read cell by cell.
    std::vector<ColumnInfo> columnGridRows() const;

    // The table now shown, its "[db].[owner].[name]" and its owner; empty until a table is chosen.
    const QString& tableName() const { return TableName; }
    const QString& qualifiedName() const { return QualifiedName; }
    const QString& ownerName() const { return OwnerName; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void buildLeftSide();
    void buildRowsAndColumns();
    void buildRelations();
    void buildStatements();
    // Sizes the controls so that their captions show whole at the window's font.
    void fitCaptions();
    void fitRowColumns();
    void connectEvents();
    void Form_Load();

    void txtTABSearch_Change();
    void lstTABTables_Click();
    void lsvTABRows_ColumnClick(int column);
    void flxTABColumns_Click(int row, int column);
    void lstRight_Click(int index);
    void lstRight_DblClick(int index);

    // The generator of each statement kind (the option index).
    QString buildStatement(int kind);
    QString BuildCreate();
    QString buildDataExport();
    void showRelationSource(int index, const QString& name);

    // Window state, reset at every load.
    QString TableName;
    QString QualifiedName;
    QString OwnerName;
    QString DatabaseName;  // the database the window was loaded for (statement generator)

    clsResize resize_;
    bool loaded_ = false;

    QListWidget* lstTABTables = nullptr;
    QLabel* lblTABTotalTables = nullptr;
    QLineEdit* txtTABSearch = nullptr;
    QLabel* lblTABSearch = nullptr;
    std::array<QRadioButton*, 2> optTABMode{};
    QLabel* lblTABTableName = nullptr;
    QTreeWidget* lsvTABRows = nullptr;
    QLabel* lblTABRows = nullptr;
    QTableWidget* flxTABColumns = nullptr;
    QLabel* lblTABColumns = nullptr;
    QLineEdit* txtTABColName = nullptr;
    std::array<QListWidget*, 5> lstRight{};
    QLabel* lblTABReferring = nullptr;
    QLabel* lblTABReferred = nullptr;
    QLabel* lblTABConstraints = nullptr;
    QLabel* lblTABTriggers = nullptr;
    QLabel* lblTABDepend = nullptr;
    QTextEdit* rtbTABDummy = nullptr;
    QGroupBox* fraTABStatements = nullptr;
    std::array<QRadioButton*, 7> optStmt{};
    QPushButton* cmdGenerate = nullptr;
};

}  // namespace norvane
