#pragma once
// Keeps a window's controls in proportion when the window is resized.
// The window's load handler sets the window's size, then calls Init and
// FormResize once; its resize handler calls FormResize.
#include "layout/resize_math.h"

#include <QPointer>
#include <QWidget>

#include <vector>

namespace norvane {

class clsResize {
public:
    // Records the window's size and every control's position and size.
    void Init(QWidget* frm);
    // Lays the recorded controls out for the window's current size; the first
    // call after Init only clears the first-call flag.
    void FormResize(QWidget* frm);

    // The window's size as the layout arithmetic sees it: the client area in
    // twips, with the caption allowance added to the height. The old window
    // measure included a caption bar of about that height and the arithmetic
    // takes it off again, so controls scale exactly with the client area.
    static layout::WindowSize windowSizeOf(const QWidget* frm);
    // Sets the window's client area from a window size in that same measure.
    static void setWindowSize(QWidget* frm, layout::WindowSize size);

    // The controls Init recorded, in recording order (tests, diagnostics).
    std::vector<QWidget*> recordedControls() const;

private:
    struct RecordedControl {
        QPointer<QWidget> control;
        layout::ControlMeasure measure;
    };

    layout::WindowSize recordedWindow_;
    std::vector<RecordedControl> controls_;
    bool firstCall_ = false;
    bool resizing_ = false;  // guards against the resize our own clamp causes
};

}  // namespace norvane
