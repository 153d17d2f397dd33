#include "shell/window_controls.h"

#include <QKeyEvent>
#include <QLabel>

namespace norvane {

bool isEnterKey(const QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const int key = static_cast<const QKeyEvent*>(event)->key();
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

QLabel* makeLabel(QWidget* parent, const QString& name, const QString& text, QRect geometry)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setGeometry(geometry);
    return label;
}

}  // namespace norvane
