#include "qt_test_application.h"
#include "recording_prompts.h"

#include "shell/prompts.h"

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace norvane {
namespace {

using testing::RecordingPrompts;

TEST(Prompts, MessagesAndQuestionsCarryTitleIconTextAndButtons)
{
    RecordingPrompts::Installed recorder;

    showError(nullptr, QStringLiteral("Problems encountered while connecting!"),
              QStringLiteral("Login failed for user 'sa'."));
    showMessage(nullptr, QMessageBox::Information, QStringLiteral("Please enter the Server Name!"));
    recorder->answers.push_back({QMessageBox::No, {}, 1});
    const QMessageBox::StandardButton answered = askQuestion(nullptr, QStringLiteral("Do you want to continue?"));
    const QMessageBox::StandardButton unanswered =
        askQuestion(nullptr, QStringLiteral("Show all rows?"), QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                    QMessageBox::Warning);

    ASSERT_EQ(recorder->requests.size(), 4u);
    const PromptRequest& error = recorder->requests[0];
    EXPECT_EQ(error.kind, PromptRequest::Kind::Message);
    EXPECT_EQ(error.icon, QMessageBox::Critical);
    EXPECT_EQ(error.title, QStringLiteral("Norvane"));
    EXPECT_EQ(error.text,
              QStringLiteral("Error...Problems encountered while connecting!\r\nDetails:Login failed for user 'sa'."));
    EXPECT_EQ(error.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));

    const PromptRequest& message = recorder->requests[1];
    EXPECT_EQ(message.kind, PromptRequest::Kind::Message);
    EXPECT_EQ(message.icon, QMessageBox::Information);
    EXPECT_EQ(message.title, QStringLiteral("Norvane"));
    EXPECT_EQ(message.text, QStringLiteral("Please enter the Server Name!"));

    const PromptRequest& question = recorder->requests[2];
    EXPECT_EQ(question.kind, PromptRequest::Kind::Question);
    EXPECT_EQ(question.icon, QMessageBox::Question);
    EXPECT_EQ(question.title, QStringLiteral("Norvane"));
    EXPECT_EQ(question.buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(answered, QMessageBox::No);

    EXPECT_EQ(recorder->requests[3].icon, QMessageBox::Warning);
    EXPECT_EQ(unanswered, QMessageBox::Cancel);
}

TEST(Prompts, InstallingNothingBringsBackTheRealDialogs)
{
    {
        RecordingPrompts::Installed recorder;
        EXPECT_EQ(&prompts(), &*recorder);
    }
    EXPECT_EQ(dynamic_cast<RecordingPrompts*>(&prompts()), nullptr);
    EXPECT_EQ(applicationTitle(), QStringLiteral("Norvane"));
}

// Runs `act` on the first modal widget of type T once the event loop shows it.
template <typename T>
void whenShown(std::function<void(T*)> act)
{
    QTimer::singleShot(0, [act] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* found = qobject_cast<T*>(widget); found && found->isVisible()) {
                act(found);
                return;
            }
        }
        ADD_FAILURE() << "no dialog was shown";
    });
}

TEST(Prompts, TheRealMessageBoxShowsTheRequestAndReturnsTheClickedButton)
{
    QString shownText;
    QString shownTitle;
    QMessageBox::Icon shownIcon = QMessageBox::NoIcon;
    whenShown<QMessageBox>([&](QMessageBox* box) {
        shownText = box->text();
        shownTitle = box->windowTitle();
        shownIcon = box->icon();
        box->button(QMessageBox::No)->click();
    });
    PromptRequest request;
    request.kind = PromptRequest::Kind::Question;
    request.icon = QMessageBox::Question;
    request.title = QStringLiteral("Norvane");
    request.text = QStringLiteral("There are 812 rows.\r\nShow them all?");
    request.buttons = QMessageBox::Yes | QMessageBox::No;
    request.defaultButton = QMessageBox::Yes;

    const PromptAnswer answer = prompts().ask(nullptr, request);

    EXPECT_EQ(answer.button, QMessageBox::No);
    EXPECT_EQ(shownText, QStringLiteral("There are 812 rows.\nShow them all?"));  // no stray carriage return
    EXPECT_EQ(shownTitle, QStringLiteral("Norvane"));
    EXPECT_EQ(shownIcon, QMessageBox::Question);
}

TEST(Prompts, TheRealSaveDialogProposesTheFilterAndReturnsTheChoice)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString chosen = dir.filePath(QStringLiteral("orders.txt"));
    QString proposedFilter;
    whenShown<QFileDialog>([&](QFileDialog* dialog) {
        proposedFilter = dialog->selectedNameFilter();
        dialog->selectFile(chosen);
        static_cast<QDialog*>(dialog)->accept();  // public as a QDialog
    });
    PromptRequest request;
    request.kind = PromptRequest::Kind::SaveFile;
    request.title = QStringLiteral("Save As");
    request.fileName = dir.filePath(QStringLiteral("orders"));
    request.filter = QStringLiteral("SQL Script Files (*.sql);;Text Files (*.txt)");
    request.filterIndex = 2;

    const PromptAnswer answer = prompts().ask(nullptr, request);

    EXPECT_EQ(proposedFilter, QStringLiteral("Text Files (*.txt)"));
    EXPECT_EQ(answer.fileName, chosen);
    EXPECT_EQ(answer.filterIndex, 2);
    EXPECT_EQ(answer.button, QMessageBox::Ok);
}

}  // namespace
}  // namespace norvane
