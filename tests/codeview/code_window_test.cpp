// The code window driven through its controls, with the save dialog and the
// message boxes answered by the recording prompt service.
#include "codeview/frmCodes.h"
#include "codeview/modKeyColor.h"
#include "document_colours.h"
#include "shell/catalog_helpers.h"
#include "shell/qt_test_application.h"
#include "shell/recording_prompts.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>

#include <gtest/gtest.h>

namespace norvane {
namespace {

using testing::documentColours;
using testing::expectedColours;
using testing::RecordingPrompts;

const QString kScript = QStringLiteral("CREATE PROCEDURE sp_sel_orders\r\n\t@orderid int\r\nAS\r\n"
                                       "SELECT * FROM [Orders] WHERE OrderID = @orderid\r\nGO\r\n");

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

TEST(CodeWindowTest, ShowsTitleTextAndColoursAsHanded)
{
    QStringList statuses;
    setStatusSink([&statuses](const QString& text) { statuses << text; });
    frmCodes window({kScript, QStringLiteral("Stored Procedures for Table : [Harbor].[dbo].[Orders]"),
                     QStringLiteral("Orders"), 1, false},
                    nullptr);
    setStatusSink({});

    EXPECT_EQ(statuses,
              QStringList({QStringLiteral("Loading Code Window... Please wait..."), QStringLiteral("Ready")}));
    EXPECT_EQ(window.lblTitle->text(), QStringLiteral("Stored Procedures for Table : [Harbor].[dbo].[Orders]"));
    EXPECT_EQ(window.rtbCodes->toPlainText(), QString(kScript).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    EXPECT_EQ(window.plainText(), kScript);

    EXPECT_DOUBLE_EQ(window.rtbCodes->font().pointSizeF(), 9.75);

    const QTextDocument* document = window.rtbCodes->document();
    EXPECT_EQ(documentColours(*document), expectedColours(document->toPlainText()));
    EXPECT_FALSE(document->isModified());
    EXPECT_EQ(window.rtbCodes->textCursor().position(), 0);
    EXPECT_FALSE(window.rtbCodes->textCursor().hasSelection());

    // Plain: nothing coloured. Coloured text without keywords: all black.
    frmCodes plain({kScript, QString(), QString(), 1, true}, nullptr);
    EXPECT_EQ(documentColours(*plain.rtbCodes->document()),
              std::vector<QRgb>(
                  static_cast<std::size_t>(plain.rtbCodes->toPlainText().remove(QLatin1Char('\n')).size()), 0u));
    frmCodes noKeywords({QStringLiteral("abc\tdef"), QString(), QString(), 1, false}, nullptr);
    EXPECT_EQ(documentColours(*noKeywords.rtbCodes->document()), std::vector<QRgb>(7, kPlainTextColour));
}

TEST(CodeWindowTest, CopyGivesThePlainTextUnchanged)
{
    QClipboard* clipboard = QApplication::clipboard();
    frmCodes window({kScript, QString(), QString(), 1, false}, nullptr);
    window.cmdCopy->click();
    EXPECT_EQ(clipboard->text(), kScript);
    EXPECT_FALSE(clipboard->mimeData()->hasHtml());

    // Visual Basic code keeps its lone CRs, also after the user has edited it.
    const QString basic = QStringLiteral("Dim cmd As ADODB.Command\r\tSet cmd = New ADODB.Command\r");
    frmCodes edited({basic, QString(), QString(), 2, true}, nullptr);
    QTextCursor cursor = edited.rtbCodes->textCursor();
    cursor.movePosition(QTextCursor::End);
    edited.rtbCodes->setTextCursor(cursor);
    QTest::keyClicks(edited.rtbCodes, QStringLiteral("End"));
    edited.cmdCopy->click();
    EXPECT_EQ(clipboard->text(), basic + QStringLiteral("End"));

    frmCodes empty({QString(), QString(), QString(), 1, false}, nullptr);
    empty.cmdCopy->click();
    EXPECT_EQ(clipboard->text(), QString());
}

TEST(CodeWindowTest, SaveWritesTheChosenFileAndCancelWritesNothing)
{
    QTemporaryDir directory;
    ASSERT_TRUE(directory.isValid());
    RecordingPrompts::Installed recorder;
    frmCodes window({kScript, QString(), QStringLiteral("Orders"), 1, false}, nullptr);

    // Cancel: nothing written, nothing said.
    window.cmdSave->click();
    ASSERT_EQ(recorder->requests.size(), 1u);
    const PromptRequest& request = recorder->requests[0];
    EXPECT_EQ(request.kind, PromptRequest::Kind::SaveFile);
    EXPECT_EQ(request.fileName, QStringLiteral("Orders"));
    EXPECT_EQ(request.filter, QStringLiteral("SQL Script Files (*.sql);;Text Files (*.txt)"));
    EXPECT_EQ(request.filterIndex, 1);
    EXPECT_TRUE(QDir(directory.path()).isEmpty());

    // A name without extension takes the chosen type's extension.
    recorder->answers.push_back({QMessageBox::Ok, directory.filePath(QStringLiteral("Orders")), 1});
    recorder->answers.push_back({QMessageBox::Ok, directory.filePath(QStringLiteral("notes")), 2});
    recorder->answers.push_back({QMessageBox::Ok, directory.filePath(QStringLiteral("script.SQL")), 2});
    window.cmdSave->click();
    window.cmdSave->click();
    window.cmdSave->click();
    EXPECT_EQ(fileBytes(directory.filePath(QStringLiteral("Orders.sql"))), kScript.toUtf8());
    EXPECT_EQ(fileBytes(directory.filePath(QStringLiteral("notes.txt"))), kScript.toUtf8());
    EXPECT_EQ(fileBytes(directory.filePath(QStringLiteral("script.SQL"))), kScript.toUtf8());
    EXPECT_EQ(QDir(directory.path()).count(), 3u + 2u); // with "." and ".."

    // An existing file is replaced whole.
    frmCodes shorter({QStringLiteral("GO\r\n"), QString(), QString(), 2, true}, nullptr);
    recorder->answers.push_back({QMessageBox::Ok, directory.filePath(QStringLiteral("Orders.sql")), 1});
    shorter.cmdSave->click();
    EXPECT_EQ(recorder->requests.back().filterIndex, 2);
    EXPECT_EQ(recorder->requests.back().fileName, QString());
    EXPECT_EQ(fileBytes(directory.filePath(QStringLiteral("Orders.sql"))), QByteArray("GO\r\n"));
    EXPECT_EQ(recorder->requests.size(), 5u); // no message after any of them
}

TEST(CodeWindowTest, AFailedWriteIsReportedAsAnError)
{
    QTemporaryDir directory;
    ASSERT_TRUE(directory.isValid());
    RecordingPrompts::Installed recorder;
    frmCodes window({kScript, QString(), QString(), 1, false}, nullptr);
    const QString target = directory.filePath(QStringLiteral("missing/Orders.sql"));
    recorder->answers.push_back({QMessageBox::Ok, target, 1});
    window.cmdSave->click();

    ASSERT_EQ(recorder->requests.size(), 2u);
    const PromptRequest& message = recorder->requests[1];
    EXPECT_EQ(message.kind, PromptRequest::Kind::Message);
    EXPECT_EQ(message.icon, QMessageBox::Critical);
    EXPECT_EQ(message.title, QStringLiteral("Norvane"));
    EXPECT_EQ(message.text, QStringLiteral("Error...Problems encountered while saving the file!\r\nDetails:") + target +
                                QStringLiteral(": No such file or directory"));
    EXPECT_FALSE(QFile::exists(target));
}

TEST(CodeWindowTest, CaptionsShowWholeAndTheTextBoxTakesTheRoom)
{
    frmCodes window({kScript, QStringLiteral("Insert Statement for Table : Order Details"), QString(), 1, false},
                    nullptr);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    for (QPushButton* button : {window.cmdCopy, window.cmdSave, window.cmdCancel}) {
        const QString caption = QString(button->text()).remove(QLatin1Char('&'));
        EXPECT_GT(button->width(), button->fontMetrics().horizontalAdvance(caption)) << caption.toStdString();
    }
    EXPECT_GE(window.lblTitle->width(), window.lblTitle->fontMetrics().horizontalAdvance(window.lblTitle->text()));

    const QSize before = window.rtbCodes->size();
    window.resize(window.width() + 200, window.height() + 150);
    QApplication::processEvents();
    EXPECT_EQ(window.rtbCodes->width(), before.width() + 200);
    EXPECT_EQ(window.rtbCodes->height(), before.height() + 150);
    window.cmdCancel->click();
    EXPECT_FALSE(window.isVisible());
}

}  // namespace
}  // namespace norvane
