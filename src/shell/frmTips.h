#pragma once
// The "Tip of the Day" window: one usage hint at a time, starting at a random one.
#include <QDialog>

class QLabel;
class QPushButton;

namespace norvane {

class frmTip : public QDialog {
    Q_OBJECT
public:
    explicit frmTip(QWidget* parent = nullptr);

    // 1-based position of the tip on show.
    int currentPosition() const { return position_; }

    QLabel* Picture1;
    QLabel* Label1;
    QLabel* lblTipText;
    QPushButton* cmdNextTip;
    QPushButton* cmdOK;

private:
    void DoNextTip();
    void DisplayCurrentTip();

    bool firstTime_ = true;
    int position_ = 0;
};

// The file's name for the same window.
using frmTips = frmTip;

}  // namespace norvane
