#pragma once
// The usage hints of the tips window, and how the window steps through them.
#include <QString>
#include <QStringList>

namespace norvane::tips {

// The 36 tips in their fixed order, each "heading\r\ntext".
const QStringList& tipList();

// Where the tips window goes next. The first time it picks a tip from the
// random number (0 up to but excluding 1): int(random * count + 1); every later
// time it advances by one, and after the last tip comes the first.
// Positions are 1-based; firstTime is cleared.
int nextTipPosition(bool& firstTime, int position, int count, double random);

}  // namespace norvane::tips
