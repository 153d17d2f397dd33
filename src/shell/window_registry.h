#pragma once
// How the shell creates the windows other parts of the program provide: the tables window,
// and the splash, about and tips windows. Kept in one place so the shell's own files
// name each of them once.
#include <memory>

class QWidget;

namespace norvane {

// A new tables window (caption "Tables"), not yet shown; its load fills it from the catalog.
QWidget* createTablesWindow(QWidget* parent);

// The splash window, shown without waiting and painted at once; destroyed with the pointer.
std::unique_ptr<QWidget> showSplashWindow();

// The tips and about windows, shown modally, owned by the given window.
void showTipsWindow(QWidget* owner);
void showAboutWindow(QWidget* owner);

}  // namespace norvane
