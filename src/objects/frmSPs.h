#pragma once
// The stored procedures window: the database's procedures; for the chosen one
// its parameters and source text, and calling code for it in T-SQL or Visual Basic.
#include "codeview/frmCodes.h"
#include "objects/object_list_window.h"
#include "objects/param_row.h"

#include <array>

class QGroupBox;
class QPushButton;
class QRadioButton;
class QTableWidget;
class QTextEdit;

namespace norvane {

class frmSPs : public ObjectListWindow {
    Q_OBJECT
public:
    // Builds and loads the window: fills the procedure list from the catalog.
    explicit frmSPs(QWidget* parent = nullptr);
    ~frmSPs() override;

    // Fills the list box with the names of the stored procedures, in name order.
    static void PopulateSPs(QListWidget* list);
    // Rebuilds the parameters grid from the catalog for the procedure or
    // function (normally its qualified name). Lets DbError pass to the caller.
    static void PopulateSPParams(QTableWidget* grid, const QString& name);

protected:
    // Shows the procedure selected in the list.
    void showSelected() override;

private:
    void buildDetails();
    void buildCodeFrame();
    void cmdGenerate_Click();

    QLabel* lblSPSSPName = nullptr;
    QTableWidget* flxSPSParams = nullptr;
    QLabel* lblSPSParams = nullptr;
    QTextEdit* rtbSPSText = nullptr;
    QGroupBox* fraCode = nullptr;
    std::array<QRadioButton*, 3> optCode{};
    QPushButton* cmdGenerate = nullptr;
};

// What the code window is handed for calling code of one kind: 0 Visual Basic
// with parameters by name, 1 Visual Basic with CreateParameter, 2 T-SQL.
CodeWindowInputs callingCode(int kind, const QString& procedureName, const ParamRows& rows);

// A label caption followed by a name that may hold an ampersand: the name's
// ampersands are doubled so they show and do not mark an access key.
QString captionWithName(const QString& caption, const QString& name);

}  // namespace norvane
