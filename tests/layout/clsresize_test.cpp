// A real widget tree, laid out absolutely like the program's windows, resized
// headless: every control keeps its proportion.
#include "layout/clsResize.h"
#include "shell/qt_test_application.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QTextEdit>

#include <gtest/gtest.h>

#include <memory>

namespace norvane {
namespace {

// A window as the program builds one: fixed geometry at load, Init then FormResize,
// FormResize again on every resize.
class TestWindow : public QWidget {
public:
    explicit TestWindow(QWidget* parent) : QWidget(parent)
    {
        resize(800, 540); // 12000 x 8100 twips
        lbl = place(new QLabel(QStringLiteral("Name"), this), 10, 20, 100, 30);
        fra = place(new QGroupBox(QStringLiteral("Options"), this), 400, 50, 300, 200);
        chk = place(new QCheckBox(QStringLiteral("Sort"), fra), 10, 30, 150, 20);
        img = place(new QLabel(this), 700, 10, 32, 32);
        QPixmap picture(32, 32);
        picture.fill(Qt::red);
        img->setPixmap(picture);
        line = place(new QFrame(this), 10, 300, 600, 3);
        line->setFrameShape(QFrame::HLine);
        rtb = new QTextEdit(this);
        rtb->setLineWrapMode(QTextEdit::FixedPixelWidth);
        rtb->setLineWrapColumnOrWidth(200);
        place(rtb, 10, 100, 300, 150);
        box = place(new QWidget(this), 500, 300, 200, 50);
        (new QHBoxLayout(box))->addWidget(new QPushButton(QStringLiteral("Inside"), box));
        resizer.Init(this);
        resizer.FormResize(this);
    }

    template <typename W> static W* place(W* widget, int x, int y, int w, int h)
    {
        widget->setGeometry(x, y, w, h);
        return widget;
    }

    // Every recorded control's geometry, and the text box's wrap width.
    std::string layoutText() const
    {
        QString out = QString("%1x%2:").arg(width()).arg(height());
        for (const QWidget* control : resizer.recordedControls()) {
            const QRect g = control->geometry();
            out += QString(" %1,%2,%3,%4").arg(g.x()).arg(g.y()).arg(g.width()).arg(g.height());
        }
        return (out + " wrap " + QString::number(rtb->lineWrapColumnOrWidth())).toStdString();
    }

    QLabel *lbl, *img;
    QGroupBox* fra;
    QCheckBox* chk;
    QFrame* line;
    QTextEdit* rtb;
    QWidget* box;
    clsResize resizer;

protected:
    void resizeEvent(QResizeEvent*) override { resizer.FormResize(this); }
};

TEST(ClsResize, EveryControlKeepsItsProportion)
{
    // A shown host, as the main window's workspace is: child resizes arrive at once.
    QWidget host;
    host.resize(4000, 2200);
    auto* window = new TestWindow(&host);
    host.show();
    // The recorded controls in creation order, a container's controls right after it; not the text box's
    // viewport and scroll bars, not the button placed by the box's layout: label, frame, check box, image
    // (moves only), line (keeps its thickness), text box, box. The wrap width is
    // the text box's right margin: it follows the vertical ratio.
    const struct {
        QSize size;
        const char* expected;
    } cases[] = {
        // Client doubled: (16600 - 400) / (8500 - 400) = 2.
        {{1600, 1080},
         "1600x1080: 20,40,200,60 800,100,600,400 20,60,300,40 1400,20,32,32 "
         "20,600,1200,3 20,200,600,300 1000,600,400,100 wrap 400"},
        {{800, 540},
         "800x540: 10,20,100,30 400,50,300,200 10,30,150,20 700,10,32,32 "
         "10,300,600,3 10,100,300,150 500,300,200,50 wrap 200"},
        // 42000 twips, wider than 32767: 3.5 times as wide.
        {{2800, 540},
         "2800x540: 35,20,350,30 1400,50,1050,200 35,30,525,20 2450,10,32,32 "
         "35,300,2100,3 35,100,1050,150 1750,300,700,50 wrap 200"},
        // Never below half: 400 px across; half of 8500 twips less the 400 allowance = 3850 twips,
        // rounded up to 257 px. Down by (3855 + 400 - 400) / 8100.
        {{300, 100},
         "400x257: 5,9,50,14 200,24,150,95 5,14,75,9 350,5,32,32 "
         "5,143,300,3 5,48,150,71 250,143,100,24 wrap 95"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        window->resize(c.size);
        EXPECT_EQ(window->layoutText(), c.expected);
    }
    // The box's own layout, not the resizer, places the button inside it.
    window->resize(1600, 1080);
    EXPECT_EQ(window->box->layout()->geometry().size(), QSize(400, 100));
}

TEST(ClsResize, FirstCallAfterInitLimitsAndDestroyedControls)
{
    QWidget window;
    window.resize(800, 540);
    auto gone = std::make_unique<QLabel>(&window);
    auto* lbl = TestWindow::place(new QLabel(QStringLiteral("Name"), &window), 10, 20, 100, 30);
    clsResize resizer;
    resizer.Init(&window);
    window.resize(1600, 1080);
    resizer.FormResize(&window); // the call from the load handler changes nothing
    EXPECT_EQ(lbl->geometry(), QRect(10, 20, 100, 30));
    EXPECT_EQ(window.minimumSize(), QSize(400, 257));
    gone.reset(); // a control destroyed after Init is skipped
    resizer.FormResize(&window);
    EXPECT_EQ(lbl->geometry(), QRect(20, 40, 200, 60));

    // Something lifted the window system's limit: the resize handler still holds it.
    window.setMinimumSize(0, 0);
    window.resize(300, 100);
    resizer.FormResize(&window);
    EXPECT_EQ(window.size(), QSize(400, 257));
    EXPECT_EQ(lbl->geometry(), QRect(5, 9, 50, 14));
}

} // namespace
} // namespace norvane
