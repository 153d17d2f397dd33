#pragma once
// The reports window: the database's user tables with selection helpers, the
// choice between "Table Details", "Object Listing" and "Scripts (Data)", and
// the generation with its progress bar. Closing the window cancels a run.
#include "reports/modExcel.h"
#include "reports/report_builders.h"

#include <QDialog>
#include <QString>

#include <array>
#include <memory>
#include <vector>

class QCheckBox;
class QCloseEvent;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace norvane {

class frmReports : public QDialog {
    Q_OBJECT
public:
    // Builds and loads the window from the session's server-management object.
    explicit frmReports(QWidget* parent = nullptr);
    ~frmReports() override;

    // Shows the window modally over the owner.
    static void showReports(QWidget* owner);

    // The window's heights while idle and while a report is generated, in pixels.
    int idleHeight() const { return idleHeight_; }
    int generatingHeight() const { return generatingHeight_; }
    bool generating() const { return running_; }

public slots:
    void reject() override;  // Esc and the close box: as Close

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void connectEvents();
    void fitHeights();
    void Form_Load();

    void cmdToggle_Click();
    void cmdPrefix_Click();
    void lstTables_ItemCheck(QListWidgetItem* item);
    void optType_Click(int index);
    void cmdGenerate_Click();
    void cmdClose_Click();

    void generateDataScript();
    void generateSpreadsheet();
    void refreshTotal();
    void setHeight(int height);
    void showProgress();
    bool yieldAndCheckCancelled();
    std::vector<ReportTableEntry> tableEntries() const;
    void addTable(const QString& name);

    // Controls, named as the window's own.
    QGroupBox* fraTables = nullptr;
    QListWidget* lstTables = nullptr;
    QLabel* lblTotal = nullptr;
    QPushButton* cmdToggle = nullptr;
    QLabel* lblPrefix = nullptr;
    QLineEdit* txtPrefix = nullptr;
    QPushButton* cmdPrefix = nullptr;
    QCheckBox* chkPrefix = nullptr;
    std::array<QRadioButton*, 3> optType{};
    std::array<QCheckBox*, 4> chkObjects{};
    QPushButton* cmdGenerate = nullptr;
    QPushButton* cmdClose = nullptr;
    QProgressBar* prgReport = nullptr;

    // Window state, reset at load.
    QString ReportDatabase;  // the connected database as the server-management object names it
    bool SelectAllNext = true;
    bool Cancelled = false;
    std::unique_ptr<ReportWorkbook> ReportWorkbook_;
    ReportProgress progress_;
    bool running_ = false;
    bool loadingList_ = false;
    int idleHeight_ = 0;
    int generatingHeight_ = 0;
};

}  // namespace norvane
