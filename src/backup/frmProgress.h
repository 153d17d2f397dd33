#pragma once
// The small window that shows how far a backup or restore has got, while the server works.
#include <QDialog>

class QCloseEvent;
class QProgressBar;

namespace norvane {

class frmProgress : public QDialog {
    Q_OBJECT
public:
    explicit frmProgress(QWidget* parent = nullptr);

    // Range 0 to 100, back at 0.
    void start();
    // Moves the bar to the percent the server reported.
    void setPercent(int percent);

public slots:
    void reject() override;  // Esc does not close it: the server's work cannot be left half done

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QProgressBar* prgProgress = nullptr;
};

}  // namespace norvane
