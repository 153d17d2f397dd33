#pragma once
// Every message box, question and file dialog of the program goes through this
// service, so tests can answer them and check icon, title and text.
#include <QMessageBox>
#include <QString>

#include <functional>
#include <memory>

class QWidget;

namespace norvane {

struct PromptRequest {
    enum class Kind { Message, Question, SaveFile, OpenFile };
    Kind kind = Kind::Message;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString title;
    QString text;
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    QString fileName;     // SaveFile/OpenFile: proposed name
    QString filter;       // SaveFile/OpenFile: "SQL Script Files (*.sql);;Text Files (*.txt)"
    int filterIndex = 1;  // 1-based, as chosen/proposed
};

struct PromptAnswer {
    QMessageBox::StandardButton button = QMessageBox::Ok;
    QString fileName;     // empty: cancelled
    int filterIndex = 1;
};

class Prompts {
public:
    virtual ~Prompts() = default;
    virtual PromptAnswer ask(QWidget* parent, const PromptRequest& request) = 0;
};

// The service in use: real dialogs unless a test installed its own.
Prompts& prompts();
// Installs a replacement (tests); nullptr restores the real dialogs.
void setPrompts(std::unique_ptr<Prompts> replacement);

// The application's title, used as every message box's title: "Norvane".
QString applicationTitle();

// Conveniences over prompts().
void showMessage(QWidget* parent, QMessageBox::Icon icon, const QString& text);
// "Error..." + sentence + "\r\nDetails:" + details, critical icon.
void showError(QWidget* parent, const QString& sentence, const QString& details);
QMessageBox::StandardButton askQuestion(QWidget* parent, const QString& text,
                                        QMessageBox::StandardButtons buttons = QMessageBox::Yes | QMessageBox::No,
                                        QMessageBox::Icon icon = QMessageBox::Question);

}  // namespace norvane
