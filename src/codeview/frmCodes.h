#pragma once
// The code window: the one window in which the program hands text to the
// developer (generated statements and procedures, calling code, object source,
// data scripts). It shows a title line and the text in a fixed-pitch box,
// optionally with SQL keywords coloured, and offers Copy, Save... and Close.
#include <QDialog>
#include <QString>

class QLabel;
class QPushButton;
class QTextEdit;

namespace norvane {

// What the caller hands the code window; every showing starts from these values.
struct CodeWindowInputs {
    QString Code;         // the text to show
    QString Title;        // the line shown above the text
    QString FileName;     // the name the save dialog proposes (may be empty)
    int FilterIndex = 1;  // the save dialog's preselected type: 1 SQL script files, 2 text files
    bool NoColour = false;  // true: plain text; false: SQL keywords coloured
};

// Shows the code window modally, owned by the given window; returns when it is closed.
void showCodeWindow(QWidget* owner, const CodeWindowInputs& inputs);

class frmCodes : public QDialog {
    Q_OBJECT
public:
    frmCodes(const CodeWindowInputs& inputs, QWidget* owner);

    // The inputs this showing started from.
    const CodeWindowInputs& inputs() const { return inputs_; }
    // The box's text as Copy and Save give it: the code as handed over, line
    // breaks included, or the text as the user has edited it, with the code's
    // own kind of line break.
    QString plainText() const;

    QLabel* lblTitle;
    QTextEdit* rtbCodes;
    QPushButton* cmdCopy;
    QPushButton* cmdSave;
    QPushButton* cmdCancel;

private:
    void Form_Load();
    void cmdCopy_Click();
    void cmdSave_Click();

    CodeWindowInputs inputs_;
};

}  // namespace norvane
