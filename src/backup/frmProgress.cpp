#include "backup/frmProgress.h"

#include <QCloseEvent>
#include <QProgressBar>
#include <QVBoxLayout>

namespace norvane {

frmProgress::frmProgress(QWidget* parent) : QDialog(parent)
{
    setObjectName("frmProgress");
    setWindowTitle(QStringLiteral("Progress"));
    // While the server works, the rest of the program waits; this window keeps repainting.
    setWindowModality(Qt::ApplicationModal);
    setWindowFlag(Qt::WindowCloseButtonHint, false);
    prgProgress = new QProgressBar(this);
    prgProgress->setObjectName("prgProgress");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(prgProgress);
    resize(360, prgProgress->sizeHint().height() + 2 * layout->contentsMargins().top());
    start();
}

void frmProgress::start()
{
    prgProgress->setRange(0, 100);
    prgProgress->setValue(0);
}

void frmProgress::setPercent(int percent)
{
    prgProgress->setValue(qBound(0, percent, 100));
}

void frmProgress::reject()
{
}

void frmProgress::closeEvent(QCloseEvent* event)
{
    event->ignore();
}

}  // namespace norvane
