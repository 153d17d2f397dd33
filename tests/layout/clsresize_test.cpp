// A real widget tree, laid out absolutely like the program's windows, resized
// headless: every control keeps its proportion.
#include "layout/clsResize.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPixmap>
#include <QPushButton>
#include <QTextEdit>

#include <gtest/gtest.h>

#include <memory>

namespace norvane {
namespace {

class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override { app = std::make_unique<QApplication>(argc, argv); }
    void TearDown() override { app.reset(); }

private:
    int argc = 1;
    char name[16] = "layout_test";
    char* argv[2] = {name, nullptr};
    std::unique_ptr<QApplication> app;
};
const auto* const qtEnvironment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

// A window as the program builds one: fixed geometry at load, Init then FormResize,
// FormResize again on every resize.
class TestWindow : public QWidget {
public:
    explicit TestWindow(QWidget* parent) : QWidget(parent)
    {
        resize(800, 540);  // 12000 x 8100 twips
        lbl = new QLabel(QStringLiteral("Name"), this);
        lbl->setGeometry(10, 20, 100, 30);
        cmd = new QPushButton(QStringLiteral("&Go"), this);
        cmd->setGeometry(200, 400, 120, 40);
        fra = new QGroupBox(QStringLiteral("Options"), this);
        fra->setGeometry(400, 50, 300, 200);
        chk = new QCheckBox(QStringLiteral("Sort"), fra);
        chk->setGeometry(10, 30, 150, 20);
        img = new QLabel(this);
        QPixmap picture(32, 32);
        picture.fill(Qt::red);
        img->setPixmap(picture);
        img->setGeometry(700, 10, 32, 32);
        line = new QFrame(this);
        line->setFrameShape(QFrame::HLine);
        line->setGeometry(10, 300, 600, 3);
        rtb = new QTextEdit(this);
        rtb->setLineWrapMode(QTextEdit::FixedPixelWidth);
        rtb->setLineWrapColumnOrWidth(200);
        rtb->setGeometry(10, 100, 300, 150);
        lst = new QListWidget(this);
        lst->setGeometry(10, 350, 200, 100);
        box = new QWidget(this);
        box->setGeometry(500, 300, 200, 50);
        auto* boxLayout = new QHBoxLayout(box);
        boxed = new QPushButton(QStringLiteral("Inside"), box);
        boxLayout->addWidget(boxed);

        resizer.Init(this);
        resizer.FormResize(this);
    }

    QLabel* lbl;
    QPushButton* cmd;
    QGroupBox* fra;
    QCheckBox* chk;
    QLabel* img;
    QFrame* line;
    QTextEdit* rtb;
    QListWidget* lst;
    QWidget* box;
    QPushButton* boxed;
    clsResize resizer;

protected:
    void resizeEvent(QResizeEvent*) override { resizer.FormResize(this); }
};

struct ResizedWindow : ::testing::Test {
    // A shown host, as the main window's workspace is: child resizes arrive at once.
    QWidget host;
    TestWindow* window = nullptr;
    void SetUp() override
    {
        host.resize(4000, 2200);
        window = new TestWindow(&host);
        host.show();
    }
};

TEST_F(ResizedWindow, RecordsTheWindowsOwnControlsInOrder)
{
    // Creation order, a container's controls right after it; not the list's
    // viewport and scroll bars, not the button placed by the box's layout.
    const std::vector<QWidget*> inCreationOrder{window->lbl, window->cmd,  window->fra, window->chk, window->img,
                                                window->line, window->rtb, window->lst, window->box};
    EXPECT_EQ(window->resizer.recordedControls(), inCreationOrder);
}

TEST_F(ResizedWindow, DoublingTheWindowDoublesEveryControlAndBackRestores)
{
    window->resize(1600, 1080);  // client doubled: (16600 - 400) / (8500 - 400) = 2

    EXPECT_EQ(window->lbl->geometry(), QRect(20, 40, 200, 60));
    EXPECT_EQ(window->cmd->geometry(), QRect(400, 800, 240, 80));
    EXPECT_EQ(window->fra->geometry(), QRect(800, 100, 600, 400));
    EXPECT_EQ(window->chk->geometry(), QRect(20, 60, 300, 40));
    EXPECT_EQ(window->img->geometry(), QRect(1400, 20, 32, 32));    // moved, same size
    EXPECT_EQ(window->line->geometry(), QRect(20, 600, 1200, 3));   // longer, same thickness
    EXPECT_EQ(window->rtb->geometry(), QRect(20, 200, 600, 300));
    EXPECT_EQ(window->rtb->lineWrapColumnOrWidth(), 400);
    EXPECT_EQ(window->lst->geometry(), QRect(20, 700, 400, 200));
    EXPECT_EQ(window->box->geometry(), QRect(1000, 600, 400, 100));
    // The list's own viewport and the laid-out button are managed by Qt, not by us.
    EXPECT_EQ(window->boxed->parentWidget()->layout()->geometry().size(), QSize(400, 100));

    window->resize(800, 540);
    EXPECT_EQ(window->lbl->geometry(), QRect(10, 20, 100, 30));
    EXPECT_EQ(window->cmd->geometry(), QRect(200, 400, 120, 40));
    EXPECT_EQ(window->chk->geometry(), QRect(10, 30, 150, 20));
    EXPECT_EQ(window->img->geometry(), QRect(700, 10, 32, 32));
    EXPECT_EQ(window->line->geometry(), QRect(10, 300, 600, 3));
    EXPECT_EQ(window->rtb->geometry(), QRect(10, 100, 300, 150));
    EXPECT_EQ(window->rtb->lineWrapColumnOrWidth(), 200);
}

TEST_F(ResizedWindow, WiderThan32767TwipsStillScales)
{
    window->resize(2800, 540);  // 42000 twips: 3.5 times as wide
    EXPECT_EQ(window->lbl->geometry(), QRect(35, 20, 350, 30));
    EXPECT_EQ(window->cmd->geometry(), QRect(700, 400, 420, 40));
    EXPECT_EQ(window->line->geometry(), QRect(35, 300, 2100, 3));
    EXPECT_EQ(window->img->geometry(), QRect(2450, 10, 32, 32));
}

TEST_F(ResizedWindow, TheWindowNeverShrinksBelowHalf)
{
    window->resize(300, 100);
    // Width: half of 12000 twips = 400 px. Height: half of 8500 = 4250 twips less
    // the 400 allowance = 3850 twips, rounded up to 257 px.
    EXPECT_EQ(window->size(), QSize(400, 257));
    // Across exactly 1/2; down (3855 + 400 - 400) / 8100.
    EXPECT_EQ(window->lbl->geometry(), QRect(5, 9, 50, 14));
    EXPECT_EQ(window->cmd->geometry(), QRect(100, 190, 60, 19));
}

TEST(ClsResize, AWorkspaceChildWindowScalesWithItsFrame)
{
    QMdiArea workspace;
    workspace.resize(3000, 2000);
    auto* window = new TestWindow(&workspace);
    QMdiSubWindow* frame = workspace.addSubWindow(window);
    workspace.show();
    frame->show();
    const QSize decoration = frame->size() - window->size();

    frame->resize(QSize(1600, 1080) + decoration);
    EXPECT_EQ(window->size(), QSize(1600, 1080));
    EXPECT_EQ(window->cmd->geometry(), QRect(400, 800, 240, 80));
    EXPECT_EQ(window->chk->geometry(), QRect(20, 60, 300, 40));

    // The frame cannot be dragged below half of the window.
    frame->resize(100, 100);
    EXPECT_EQ(window->size(), QSize(400, 257));
    EXPECT_EQ(window->cmd->geometry(), QRect(100, 190, 60, 19));
}

TEST(ClsResize, TheCallRightAfterInitChangesNothing)
{
    QWidget window;
    window.resize(800, 540);
    auto* lbl = new QLabel(QStringLiteral("Name"), &window);
    lbl->setGeometry(10, 20, 100, 30);
    clsResize resizer;
    resizer.Init(&window);
    window.resize(1600, 1080);
    resizer.FormResize(&window);  // the call from the load handler
    EXPECT_EQ(lbl->geometry(), QRect(10, 20, 100, 30));
    resizer.FormResize(&window);  // a real resize
    EXPECT_EQ(lbl->geometry(), QRect(20, 40, 200, 60));
}

TEST(ClsResize, FormResizeRaisesAWindowResizedBelowHalf)
{
    QWidget window;
    window.resize(800, 540);
    auto* lbl = new QLabel(QStringLiteral("Name"), &window);
    lbl->setGeometry(10, 20, 100, 30);
    clsResize resizer;
    resizer.Init(&window);
    resizer.FormResize(&window);
    EXPECT_EQ(window.minimumSize(), QSize(400, 257));
    // Something lifted the window system's limit: the resize handler still holds it.
    window.setMinimumSize(0, 0);
    window.resize(300, 100);
    resizer.FormResize(&window);
    EXPECT_EQ(window.size(), QSize(400, 257));
    EXPECT_EQ(lbl->geometry(), QRect(5, 9, 50, 14));
}

TEST(ClsResize, AControlDestroyedAfterInitIsSkipped)
{
    QWidget window;
    window.resize(800, 540);
    auto gone = std::make_unique<QLabel>(&window);
    auto* kept = new QLabel(&window);
    kept->setGeometry(10, 20, 100, 30);
    clsResize resizer;
    resizer.Init(&window);
    resizer.FormResize(&window);
    gone.reset();
    window.resize(1600, 1080);
    resizer.FormResize(&window);
    EXPECT_EQ(kept->geometry(), QRect(20, 40, 200, 60));
}

}  // namespace
}  // namespace norvane
