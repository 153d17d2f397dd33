#include "qt_test_application.h"
#include "recording_prompts.h"

#include "shell/frmAbout.h"
#include "shell/frmSplash.h"
#include "shell/product_text.h"

#include <QClipboard>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace norvane {
namespace {

using testing::RecordingPrompts;

const char* const kDisclaimer =
    "Disclaimer: This software is provided 'AS IS' without warranty of any kind.  Norvane will not modify any data "
    "in the connected database, except in the case of SQL statements  executed through the Query window.\r\n"
    "Norvane was built and tested for Microsoft SQL Server 2000 and later versions, reached through unixODBC and the "
    "FreeTDS driver, on Linux desktops with Qt 6. Errors can occur with large volumes of data and with some data "
    "types.\r\n"
    "More details are in the README file that comes with Norvane, which also says where to send your comments.";

TEST(AboutWindow, TypingIntoTheDisclaimerChangesNothingAndEscapeCloses)
{
    frmAbout about;
    about.show();
    const QString before = about.txtDisclaimer->toPlainText();
    EXPECT_EQ(before, QString::fromUtf8(kDisclaimer).replace("\r\n", "\n"));
    QApplication::clipboard()->setText(QStringLiteral("pasted"));
    about.txtDisclaimer->setFocus();
    QTest::keyClicks(about.txtDisclaimer, QStringLiteral("typed"));
    QTest::keyClick(about.txtDisclaimer, Qt::Key_Backspace);
    QTest::keyClick(about.txtDisclaimer, Qt::Key_Delete);
    QTest::keyClick(about.txtDisclaimer, Qt::Key_Return);
    QTest::keyClick(about.txtDisclaimer, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(about.txtDisclaimer->toPlainText(), before);

    about.show();
    QTest::keyClick(about.txtDisclaimer, Qt::Key_Escape);
    EXPECT_FALSE(about.isVisible());
    EXPECT_EQ(about.result(), QDialog::Rejected);
}

TEST(AboutWindow, EnterPressesOk)
{
    frmAbout about;
    about.show();
    about.cmdSysInfo->setFocus();
    QTest::keyClick(about.lblTitle, Qt::Key_Return);
    EXPECT_FALSE(about.isVisible());
    EXPECT_EQ(about.result(), QDialog::Accepted);
}

// Points PATH at a private directory for the life of the object.
class PrivatePath {
public:
    PrivatePath() : m_saved(qgetenv("PATH")) { qputenv("PATH", m_dir.path().toLocal8Bit()); }
    ~PrivatePath() { qputenv("PATH", m_saved); }
    // A tool that leaves a file named after itself when it runs.
    QString addTool(const QString& name) const
    {
        const QString path = m_dir.filePath(name);
        QFile script(path);
        script.open(QIODevice::WriteOnly);
        script.write("#!/bin/sh\n: > \"$0.ran\"\n");
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return path + QStringLiteral(".ran");
    }

private:
    QTemporaryDir m_dir;
    QByteArray m_saved;
};

TEST(AboutWindow, SysInfoWithoutAnyToolSaysItIsUnavailable)
{
    PrivatePath emptyPath;
    RecordingPrompts::Installed recorder;
    frmAbout about;

    about.cmdSysInfo->click();

    ASSERT_EQ(recorder->requests.size(), 1u);
    const PromptRequest& message = recorder->requests[0];
    EXPECT_EQ(message.kind, PromptRequest::Kind::Message);
    EXPECT_EQ(message.icon, QMessageBox::NoIcon);
    EXPECT_EQ(message.title, QStringLiteral("Norvane"));
    EXPECT_EQ(message.text, QStringLiteral("System Information Is Unavailable At This Time"));
    EXPECT_EQ(message.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
}

TEST(AboutWindow, AltSPressesSysInfo)
{
    PrivatePath emptyPath;
    RecordingPrompts::Installed recorder;
    frmAbout about;
    about.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&about));

    QTest::keyClick(&about, Qt::Key_S, Qt::AltModifier);

    // An access key presses the button the animated way: the click follows shortly.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !recorder->requests.empty(); }, 5000));
    ASSERT_EQ(recorder->requests.size(), 1u);
    EXPECT_EQ(recorder->requests[0].text, QStringLiteral("System Information Is Unavailable At This Time"));
}

TEST(AboutWindow, SysInfoStartsTheFirstToolFoundOnPath)
{
    PrivatePath path;
    const QString kinfocenterRan = path.addTool(QStringLiteral("kinfocenter"));
    const QString hardinfoRan = path.addTool(QStringLiteral("hardinfo"));
    RecordingPrompts::Installed recorder;
    frmAbout about;
    about.show();

    about.cmdSysInfo->click();

    EXPECT_TRUE(recorder->requests.empty());
    EXPECT_TRUE(QTest::qWaitFor([&] { return QFile::exists(hardinfoRan); }, 10000));
    EXPECT_FALSE(QFile::exists(kinfocenterRan));
}

TEST(SplashWindow, AnyKeyClosesIt)
{
    frmSplash splash;
    splash.show();
    EXPECT_TRUE(splash.isVisible());
    QTest::keyClick(&splash, Qt::Key_A);
    EXPECT_FALSE(splash.isVisible());
}

}  // namespace
}  // namespace norvane
