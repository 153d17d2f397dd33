#pragma once
// The window shown while the connection dialog is open at start-up.
#include <QWidget>

class QLabel;

namespace norvane {

class frmSplash : public QWidget {
    Q_OBJECT
public:
    explicit frmSplash(QWidget* parent = nullptr);

    QLabel* imgLogo;
    QLabel* lblTitle;
    QLabel* lblVersion;
    QLabel* lblProduct;
    QLabel* lblLiscence;

protected:
    // Any key closes the splash window.
    void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace norvane
