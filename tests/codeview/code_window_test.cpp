// The code window driven through its controls, with the save dialog and the
// message boxes answered by the recording prompt service.
#include "codeview/frmCodes.h"
#include "codeview/modKeyColor.h"
#include "document_colours.h"
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
    frmCodes window({kScript, QStringLiteral("Stored Procedures for Table : [Harbor].[dbo].[Orders]"),
                     QStringLiteral("Orders"), 1, false},
                    nullptr);
    EXPECT_EQ(window.lblTitle->text(), QStringLiteral("Stored Procedures for Table : [Harbor].[dbo].[Orders]"));
    EXPECT_EQ(window.rtbCodes->toPlainText(), QString(kScript).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    EXPECT_EQ(window.plainText(), kScript);

    const QTextDocument* document = window.rtbCodes->document();
    EXPECT_EQ(documentColours(*document), expectedColours(document->toPlainText()));
    EXPECT_FALSE(document->isModified());

    // Plain: nothing coloured.
    frmCodes plain({kScript, QString(), QString(), 1, true}, nullptr);
    EXPECT_EQ(documentColours(*plain.rtbCodes->document()),
              std::vector<QRgb>(
                  static_cast<std::size_t>(plain.rtbCodes->toPlainText().remove(QLatin1Char('\n')).size()), 0u));
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
    edited.show();
    edited.cmdCancel->click();
    EXPECT_FALSE(edited.isVisible());
}

TEST(CodeWindowTest, SaveWritesTheChosenFileCancelWritesNothingAndAFailureIsReported)
{
    QTemporaryDir directory;
    RecordingPrompts::Installed recorder;
    frmCodes window({kScript, QString(), QStringLiteral("Orders"), 1, false}, nullptr);
    window.cmdSave->click(); // cancelled: nothing written, nothing said
    ASSERT_EQ(recorder->requests.size(), 1u);
    const PromptRequest& request = recorder->requests[0];
    EXPECT_EQ(request.fileName + "|" + request.filter + "|" + QString::number(request.filterIndex),
              "Orders|SQL Script Files (*.sql);;Text Files (*.txt)|1");
    EXPECT_TRUE(QDir(directory.path()).isEmpty());

    // A name without extension takes the chosen type's extension.
    const struct {
        const char *chosen, *written;
        int filter;
    } saves[] = {{"Orders", "Orders.sql", 1}, {"notes", "notes.txt", 2}, {"script.SQL", "script.SQL", 2}};
    for (const auto& save : saves) {
        recorder->answers.push_back({QMessageBox::Ok, directory.filePath(save.chosen), save.filter});
        window.cmdSave->click();
        EXPECT_EQ(fileBytes(directory.filePath(save.written)), kScript.toUtf8()) << save.chosen;
    }
    EXPECT_EQ(QDir(directory.path()).count(), 3u + 2u); // with "." and ".."

    // An existing file is replaced whole.
    frmCodes shorter({QStringLiteral("GO\r\n"), QString(), QString(), 2, true}, nullptr);
    recorder->answers.push_back({QMessageBox::Ok, directory.filePath(QStringLiteral("Orders.sql")), 1});
    shorter.cmdSave->click();
    EXPECT_EQ(recorder->requests.back().filterIndex, 2);
    EXPECT_EQ(fileBytes(directory.filePath(QStringLiteral("Orders.sql"))), QByteArray("GO\r\n"));
    EXPECT_EQ(recorder->requests.size(), 5u); // no message after any of them
    const QString target = directory.filePath(QStringLiteral("missing/Orders.sql"));
    recorder->answers.push_back({QMessageBox::Ok, target, 1});
    window.cmdSave->click();
    ASSERT_EQ(recorder->requests.size(), 7u);
    EXPECT_EQ(recorder->requests[6].icon, QMessageBox::Critical);
    EXPECT_EQ(recorder->requests[6].text,
              QStringLiteral("Error...Problems encountered while saving the file!\r\nDetails:") + target +
                  QStringLiteral(": No such file or directory"));
    EXPECT_FALSE(QFile::exists(target));
}

} // namespace
} // namespace norvane
