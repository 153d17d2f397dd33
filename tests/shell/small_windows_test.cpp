// The About, Tips and splash windows driven by keys and buttons, and the prompt service with
// its real message box and save dialog.
#include "qt_test_application.h"
#include "recording_prompts.h"
#include "shell/frmAbout.h"
#include "shell/frmSplash.h"
#include "shell/frmTips.h"
#include "shell/tips_text.h"

#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace norvane {
namespace {

using testing::RecordingPrompts;

// Points PATH at a private directory for the life of the object.
class PrivatePath {
public:
    PrivatePath() : saved_(qgetenv("PATH")) { qputenv("PATH", dir_.path().toLocal8Bit()); }
    ~PrivatePath() { qputenv("PATH", saved_); }
    // A tool that leaves a file named after itself when it runs.
    QString addTool(const QString& name) const
    {
        QFile script(dir_.filePath(name));
        script.open(QIODevice::WriteOnly);
        script.write("#!/bin/sh\n: > \"$0.ran\"\n");
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return script.fileName() + ".ran";
    }

private:
    QTemporaryDir dir_;
    QByteArray saved_;
};

TEST(AboutWindow, SysInfoStartsTheFirstToolFoundOnPathOrSaysItIsUnavailable)
{
    RecordingPrompts::Installed recorder;
    {
        PrivatePath emptyPath;
        frmAbout about;
        about.cmdSysInfo->click();
        ASSERT_EQ(recorder->requests.size(), 1u);
        EXPECT_EQ(recorder->requests[0].text, QStringLiteral("System Information Is Unavailable At This Time"));
    }
    PrivatePath path;
    const QString kinfocenterRan = path.addTool(QStringLiteral("kinfocenter"));
    const QString hardinfoRan = path.addTool(QStringLiteral("hardinfo"));
    frmAbout about;
    about.cmdSysInfo->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return QFile::exists(hardinfoRan); }, 10000));
    EXPECT_FALSE(QFile::exists(kinfocenterRan));
    EXPECT_EQ(recorder->requests.size(), 1u);
}

TEST(TipsWindow, TheFirstTipIsRandomThenNextStepsAndWraps)
{
    const struct {
        bool firstTime;
        int position;
        double random;
        int expected;
    } steps[] = {{true, 0, 0.0, 1},    {true, 0, 0.5, 19},   {true, 0, 0.99999999999999989, 36},
                 {false, 19, 0.0, 20}, {false, 35, 0.7, 36}, {false, 36, 0.7, 1}}; // later calls ignore the random
    for (const auto& step : steps) {
        bool firstTime = step.firstTime;
        EXPECT_EQ(tips::nextTipPosition(firstTime, step.position, 36, step.random), step.expected) << step.random;
        EXPECT_FALSE(firstTime);
    }

    frmTip tip;
    tip.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&tip));
    const int start = tip.currentPosition();
    EXPECT_EQ(tip.lblTipText->text(), QString(tips::tipList().at(start - 1)).replace("\r\n", "\n"));
    QTest::keyClick(&tip, Qt::Key_N, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return tip.currentPosition() != start; }, 5000));
    EXPECT_EQ(tip.currentPosition(), start % 36 + 1);

    frmSplash splash; // any key closes the splash window
    splash.show();
    QTest::keyClick(&splash, Qt::Key_A);
    EXPECT_FALSE(splash.isVisible());
}

// Runs `act` on the first visible top-level widget of type T once the event loop shows it.
template <typename T> void whenShown(std::function<void(T*)> act)
{
    QTimer::singleShot(0, [act] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* found = qobject_cast<T*>(widget); found && found->isVisible())
                return act(found);
        }
        ADD_FAILURE() << "no dialog was shown";
    });
}

TEST(Prompts, TheRealDialogsShowTheRequestAndReturnTheChoice)
{
    QString shown;
    whenShown<QMessageBox>([&](QMessageBox* box) {
        shown = box->windowTitle() + "|" + box->text() + "|" + QString::number(box->icon()) + "|" +
                QString::number(box->standardButtons());
        box->button(QMessageBox::No)->click();
    });
    // The program's question: the real message box with its title, icon and buttons.
    EXPECT_EQ(askQuestion(nullptr, "There are 812 rows.\r\nShow them all?"), QMessageBox::No);
    // No stray carriage return.
    EXPECT_EQ(shown, QString("Norvane|There are 812 rows.\nShow them all?|%1|%2")
                         .arg(QMessageBox::Question)
                         .arg(int(QMessageBox::Yes | QMessageBox::No)));

    QTemporaryDir dir;
    const QString chosen = dir.filePath(QStringLiteral("orders.txt"));
    QString proposedFilter;
    whenShown<QFileDialog>([&](QFileDialog* dialog) {
        proposedFilter = dialog->selectedNameFilter();
        dialog->selectFile(chosen);
        static_cast<QDialog*>(dialog)->accept(); // public as a QDialog
    });
    PromptRequest save;
    save.kind = PromptRequest::Kind::SaveFile;
    save.fileName = dir.filePath(QStringLiteral("orders"));
    save.filter = "SQL Script Files (*.sql);;Text Files (*.txt)";
    save.filterIndex = 2;
    const PromptAnswer answer = prompts().ask(nullptr, save);
    EXPECT_EQ(proposedFilter, QStringLiteral("Text Files (*.txt)"));
    EXPECT_EQ(answer.fileName + "|" + QString::number(answer.filterIndex), chosen + "|2");
    EXPECT_EQ(answer.button, QMessageBox::Ok);
}

} // namespace
} // namespace norvane
