#include "layout/clsResize.h"

#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QTabWidget>
#include <QTextEdit>

namespace norvane {

using layout::ControlKind;
using layout::ControlMeasure;
using layout::ScaledMeasure;
using layout::Twips;
using layout::WindowSize;
using layout::pixelsToTwips;
using layout::twipsToPixels;

namespace {

// Whole pixels covering at least the given twips.
int pixelsAtLeast(Twips twips)
{
    const Twips perPixel = layout::kTwipsPerPixel;
    return static_cast<int>(twips > 0 ? (twips + perPixel - 1) / perPixel : 0);
}

bool isLine(const QWidget* w)
{
    const auto* frame = qobject_cast<const QFrame*>(w);
    return frame && !qobject_cast<const QLabel*>(w)
        && (frame->frameShape() == QFrame::HLine || frame->frameShape() == QFrame::VLine);
}

bool isHorizontalLine(const QWidget* w)
{
    return qobject_cast<const QFrame*>(w)->frameShape() == QFrame::HLine;
}

bool isImage(const QWidget* w)
{
    const auto* label = qobject_cast<const QLabel*>(w);
    return label && !label->pixmap().isNull();
}

// Containers whose children are controls of the window in their own right.
// Composite widgets (lists, grids, combo boxes, ...) are not walked into: their
// inner widgets are theirs to manage.
bool holdsControls(const QWidget* w)
{
    const QMetaObject* type = w->metaObject();
    return type == &QWidget::staticMetaObject || (type == &QFrame::staticMetaObject && !isLine(w))
        || qobject_cast<const QGroupBox*>(w);
}

// The window's controls in a fixed order: each container's children in
// creation order, depth first. Children placed by a Qt layout belong to it.
void collectControls(QWidget* container, std::vector<QWidget*>& controls)
{
    const bool laidOut = container->layout() != nullptr;
    for (QObject* child : container->children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (!widget || widget->isWindow() || widget->objectName().startsWith(QLatin1String("qt_")))
            continue;
        if (!laidOut)
            controls.push_back(widget);
        if (auto* tabs = qobject_cast<QTabWidget*>(widget)) {
            for (int page = 0; page < tabs->count(); ++page)
                collectControls(tabs->widget(page), controls);
        } else if (holdsControls(widget)) {
            collectControls(widget, controls);
        }
    }
}

QTextEdit* fixedWidthTextEdit(QWidget* w)
{
    auto* edit = qobject_cast<QTextEdit*>(w);
    return edit && edit->lineWrapMode() == QTextEdit::FixedPixelWidth ? edit : nullptr;
}

ControlMeasure measureOf(QWidget* w)
{
    const QRect g = w->geometry();
    ControlMeasure m;
    if (isLine(w)) {
        m.kind = ControlKind::Line;
        m.top = pixelsToTwips(g.y());    // Y1
        m.left = pixelsToTwips(g.x());   // X1
        m.height = pixelsToTwips(isHorizontalLine(w) ? g.y() : g.y() + g.height());  // Y2
        m.width = pixelsToTwips(isHorizontalLine(w) ? g.x() + g.width() : g.x());    // X2
        return m;
    }
    m.kind = isImage(w) ? ControlKind::Image : ControlKind::Ordinary;
    m.top = pixelsToTwips(g.y());
    m.left = pixelsToTwips(g.x());
    m.height = pixelsToTwips(g.height());
    m.width = pixelsToTwips(g.width());
    if (QTextEdit* edit = fixedWidthTextEdit(w))
        m.rightMargin = pixelsToTwips(edit->lineWrapColumnOrWidth());
    return m;
}

void applyLine(QWidget* w, const ScaledMeasure& s)
{
    const QRect g = w->geometry();
    const int x1 = s.left ? twipsToPixels(*s.left) : g.x();
    const int y1 = s.top ? twipsToPixels(*s.top) : g.y();
    if (isHorizontalLine(w)) {
        const int x2 = s.width ? twipsToPixels(*s.width) : g.x() + g.width();
        w->setGeometry(x1, y1, x2 - x1, g.height());  // a line keeps its thickness
    } else {
        const int y2 = s.height ? twipsToPixels(*s.height) : g.y() + g.height();
        w->setGeometry(x1, y1, g.width(), y2 - y1);
    }
}

void applyControl(QWidget* w, const ScaledMeasure& s)
{
    const QRect g = w->geometry();
    w->setGeometry(s.left ? twipsToPixels(*s.left) : g.x(), s.top ? twipsToPixels(*s.top) : g.y(),
                   s.width ? twipsToPixels(*s.width) : g.width(), s.height ? twipsToPixels(*s.height) : g.height());
    if (QTextEdit* edit = fixedWidthTextEdit(w); edit && s.rightMargin)
        edit->setLineWrapColumnOrWidth(twipsToPixels(*s.rightMargin));
}

}  // namespace

WindowSize clsResize::windowSizeOf(const QWidget* frm)
{
    return {pixelsToTwips(frm->width()), pixelsToTwips(frm->height()) + layout::kCaptionAllowance};
}

void clsResize::setWindowSize(QWidget* frm, WindowSize size)
{
    frm->resize(pixelsAtLeast(size.width), pixelsAtLeast(size.height - layout::kCaptionAllowance));
}

void clsResize::Init(QWidget* frm)
{
    recordedWindow_ = windowSizeOf(frm);
    firstCall_ = true;

    std::vector<QWidget*> controls;
    collectControls(frm, controls);
    controls_.clear();
    controls_.reserve(controls.size());
    for (QWidget* control : controls)
        controls_.push_back({control, measureOf(control)});

    // Let the window system refuse sizes below half as well, so a dragged frame
    // never fights the clamp in FormResize.
    const WindowSize minimum = layout::minimumWindowSize(recordedWindow_);
    frm->setMinimumSize(pixelsAtLeast(minimum.width), pixelsAtLeast(minimum.height - layout::kCaptionAllowance));
}

void clsResize::FormResize(QWidget* frm)
{
    if (firstCall_) {
        firstCall_ = false;
        return;
    }
    if (resizing_ || !frm)
        return;
    resizing_ = true;

    const WindowSize current = windowSizeOf(frm);
    const WindowSize allowed = layout::clampToMinimum(recordedWindow_, current);
    if (allowed != current)
        setWindowSize(frm, allowed);

    const WindowSize now = windowSizeOf(frm);
    for (const RecordedControl& recorded : controls_) {
        if (!recorded.control)
            continue;  // destroyed since Init: nothing to lay out
        const ScaledMeasure scaled = layout::scaleControl(recorded.measure, recordedWindow_, now);
        if (recorded.measure.kind == ControlKind::Line)
            applyLine(recorded.control, scaled);
        else
            applyControl(recorded.control, scaled);
    }
    resizing_ = false;
}

std::vector<QWidget*> clsResize::recordedControls() const
{
    std::vector<QWidget*> controls;
    for (const RecordedControl& recorded : controls_)
        controls.push_back(recorded.control);
    return controls;
}

}  // namespace norvane
