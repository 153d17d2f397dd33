#pragma once
// The search window: the programmable objects whose source contains a word
// (listed, shown, and stepped through occurrence by occurrence), or the
// columns and parameters whose name contains it (in a grid).
#include "layout/clsResize.h"

#include <QString>
#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTableWidget;
class QTextEdit;

namespace norvane {

class frmSearch : public QWidget {
    Q_OBJECT
public:
    explicit frmSearch(QWidget* parent = nullptr);
    ~frmSearch() override;

    // Fills the list with "name ( type)" of every object whose source contains the word.
    static void SearchObjectText(QListWidget* list, const QString& word);
    // Fills the grid with the columns and parameters whose name contains the word.
    static void SearchColumnNames(QTableWidget* grid, const QString& word);

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void connectEvents();
    void Form_Load();

    void cmdSPSTextSearch_Click();
    void ShowObject();
    void cmdFind_Click();
    void txtSPSSearch_Change();
    void lstSPS_Click();
    void flxTABColumns_Click();

    // The object shown: its plain name, its type text and its qualified name.
    QString objectName_;
    QString typeText_;
    QString qualifiedName_;
    // Stepping through occurrences: the last match (-1: none) and the clicks since the last report.
    int lastMatch_ = -1;
    int clickCount_ = 0;

    clsResize resize_;
    bool loaded_ = false;

    QLabel* lblSPSTextSearcha = nullptr;
    QLineEdit* txtSPSTextSearch = nullptr;
    QCheckBox* chkColumns = nullptr;
    QPushButton* cmdSPSTextSearch = nullptr;
    QLabel* lblSPSSearch = nullptr;
    QLineEdit* txtSPSSearch = nullptr;
    QListWidget* lstSPS = nullptr;
    QLabel* lblSPSTotalSPs = nullptr;
    QLabel* lblSPSSPName = nullptr;
    QTextEdit* rtbSPSText = nullptr;
    QPushButton* cmdFind = nullptr;
    QTableWidget* flxTABColumns = nullptr;
};

}  // namespace norvane
