#pragma once
// Small pieces the catalog windows build their controls and key handling from.
#include <QRect>
#include <QString>

class QEvent;
class QLabel;
class QWidget;

namespace norvane {

// Return or the keypad's Enter pressed.
bool isEnterKey(const QEvent* event);

// A label with its object name, caption and place.
QLabel* makeLabel(QWidget* parent, const QString& name, const QString& text, QRect geometry);

}  // namespace norvane
