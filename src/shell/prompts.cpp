#include "shell/prompts.h"

#include <QFileDialog>
#include <QStringList>

namespace norvane {

namespace {

// QLabel shows a carriage return as a stray glyph; the request keeps the exact
// text, the screen gets plain line breaks.
QString forDisplay(QString text)
{
    return text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
}

QStringList filtersOf(const QString& filter)
{
    return filter.split(QStringLiteral(";;"), Qt::SkipEmptyParts);
}

QString filterAt(const QString& filter, int oneBasedIndex)
{
    const QStringList filters = filtersOf(filter);
    if (oneBasedIndex < 1 || oneBasedIndex > filters.size())
        return filters.isEmpty() ? QString() : filters.first();
    return filters.at(oneBasedIndex - 1);
}

int indexOfFilter(const QString& filter, const QString& chosen)
{
    const qsizetype index = filtersOf(filter).indexOf(chosen);
    return index < 0 ? 1 : static_cast<int>(index) + 1;
}

class DialogPrompts : public Prompts {
public:
    PromptAnswer ask(QWidget* parent, const PromptRequest& request) override
    {
        switch (request.kind) {
        case PromptRequest::Kind::Message:
        case PromptRequest::Kind::Question:
            return askWithMessageBox(parent, request);
        case PromptRequest::Kind::SaveFile:
        case PromptRequest::Kind::OpenFile:
            return askForFile(parent, request);
        }
        return {};
    }

private:
    static PromptAnswer askWithMessageBox(QWidget* parent, const PromptRequest& request)
    {
        QMessageBox box(request.icon, request.title, forDisplay(request.text), request.buttons, parent);
        if (request.defaultButton != QMessageBox::NoButton)
            box.setDefaultButton(request.defaultButton);
        box.exec();
        PromptAnswer answer;
        answer.button = box.standardButton(box.clickedButton());
        if (answer.button == QMessageBox::NoButton)  // closed by Escape without a Cancel button
            answer.button = box.escapeButton() ? box.standardButton(box.escapeButton()) : QMessageBox::Cancel;
        return answer;
    }

    static PromptAnswer askForFile(QWidget* parent, const PromptRequest& request)
    {
        QString chosenFilter = filterAt(request.filter, request.filterIndex);
        const QString fileName = request.kind == PromptRequest::Kind::SaveFile
            ? QFileDialog::getSaveFileName(parent, request.title, request.fileName, request.filter, &chosenFilter)
            : QFileDialog::getOpenFileName(parent, request.title, request.fileName, request.filter, &chosenFilter);
        PromptAnswer answer;
        answer.fileName = fileName;
        answer.button = fileName.isEmpty() ? QMessageBox::Cancel : QMessageBox::Ok;
        answer.filterIndex = indexOfFilter(request.filter, chosenFilter);
        return answer;
    }
};

// The service in use. Tests install their own; the real dialogs stand in
// whenever none is installed.
std::unique_ptr<Prompts>& installedPrompts()
{
    static std::unique_ptr<Prompts> installed;
    return installed;
}

}  // namespace

Prompts& prompts()
{
    std::unique_ptr<Prompts>& installed = installedPrompts();
    if (!installed)
        installed = std::make_unique<DialogPrompts>();
    return *installed;
}

void setPrompts(std::unique_ptr<Prompts> replacement)
{
    installedPrompts() = std::move(replacement);
}

QString applicationTitle()
{
    return QStringLiteral("Norvane");
}

void showMessage(QWidget* parent, QMessageBox::Icon icon, const QString& text)
{
    PromptRequest request;
    request.kind = PromptRequest::Kind::Message;
    request.icon = icon;
    request.title = applicationTitle();
    request.text = text;
    request.buttons = QMessageBox::Ok;
    prompts().ask(parent, request);
}

void showError(QWidget* parent, const QString& sentence, const QString& details)
{
    showMessage(parent, QMessageBox::Critical,
                QStringLiteral("Error...") + sentence + QStringLiteral("\r\nDetails:") + details);
}

QMessageBox::StandardButton askQuestion(QWidget* parent, const QString& text, QMessageBox::StandardButtons buttons,
                                        QMessageBox::Icon icon)
{
    PromptRequest request;
    request.kind = PromptRequest::Kind::Question;
    request.icon = icon;
    request.title = applicationTitle();
    request.text = text;
    request.buttons = buttons;
    return prompts().ask(parent, request).button;
}

}  // namespace norvane
