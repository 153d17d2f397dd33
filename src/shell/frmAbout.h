#pragma once
// The about window: product title, version, release line, disclaimer and a
// button that starts the desktop's system-information tool.
#include <QDialog>
#include <QStringList>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace norvane {

class frmAbout : public QDialog {
    Q_OBJECT
public:
    explicit frmAbout(QWidget* parent = nullptr);

    // The tools tried by Sys Info, in order; the first found on PATH is started.
    static const QStringList& systemInfoTools();
    static QString unavailableMessage();  // "System Information Is Unavailable At This Time"

    QLabel* imgAbout;
    QLabel* lblTitle;
    QLabel* lblVersion;
    QLabel* lblDescription;
    QLabel* lblProduct;
    QLabel* lblLiscence;
    QPlainTextEdit* txtDisclaimer;
    QPushButton* cmdOK;
    QPushButton* cmdSysInfo;

private:
    void StartSysInfo();
};

}  // namespace norvane
