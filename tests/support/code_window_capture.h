#pragma once
// Runs an action that may show the code window, and records what the window
// showed: the title and text read back from its controls, and the inputs the
// caller handed it. The window is closed as soon as it has been read, so the
// action returns as it would after the user pressed Close.
//
//   norvane::test::ShownCode shown = norvane::test::captureCodeWindow([&] { window.GenerateStatement(); });
//   ASSERT_TRUE(shown.shown);
//   EXPECT_EQ(shown.code, "SELECT ...\r\n");
#include "codeview/frmCodes.h"

#include <QApplication>
#include <QLabel>
#include <QTimer>

#include <functional>

namespace norvane::test {

struct ShownCode {
    bool shown = false;
    QString title, code, fileName;
    int filterIndex = 0;
    bool noColour = false;
};

// Records the first code window the action shows (later ones are closed unread).
inline ShownCode captureCodeWindow(const std::function<void()>& action)
{
    ShownCode captured;
    QTimer watcher;
    watcher.setInterval(0);
    QObject::connect(&watcher, &QTimer::timeout, [&captured] {
        auto* window = qobject_cast<frmCodes*>(QApplication::activeModalWidget());
        if (!window || !window->isVisible())
            return;
        if (!captured.shown) {
            captured.shown = true;
            captured.title = window->lblTitle->text();
            captured.code = window->plainText();
            captured.fileName = window->inputs().FileName;
            captured.filterIndex = window->inputs().FilterIndex;
            captured.noColour = window->inputs().NoColour;
        }
        window->reject();
    });
    watcher.start();
    action();
    return captured;
}

}  // namespace norvane::test
