#include "codeview/frmCodes.h"

#include "codeview/modKeyColor.h"
#include "layout/clsResize.h"
#include "shell/catalog_helpers.h"
#include "shell/prompts.h"

#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QSaveFile>
#include <QTextEdit>
#include <QVBoxLayout>

namespace norvane {

namespace {

// The window's design size, in twips.
constexpr layout::WindowSize kDesignSize{7185, 6200};

const QString kCaption = QStringLiteral("Code Window");
const QString kSaveFilter = QStringLiteral("SQL Script Files (*.sql);;Text Files (*.txt)");
const QString kSaveFailure = QStringLiteral("Problems encountered while saving the file!");

constexpr double kCodePointSize = 9.75;

QFont codeFont()
{
    QFont font = QFontDatabase::families().contains(QStringLiteral("Courier New"), Qt::CaseInsensitive)
        ? QFont(QStringLiteral("Courier New"))
        : QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSizeF(kCodePointSize);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    return font;
}

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption, const QString& tip)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setToolTip(tip);
    button->setAutoDefault(false);  // Enter in the text box is a line break, never a button
    return button;
}

// The line break the code uses: CR LF (SQL), CR alone (Visual Basic), or LF.
QString lineBreakOf(const QString& code)
{
    if (code.contains(QLatin1String("\r\n")))
        return QStringLiteral("\r\n");
    if (code.contains(QLatin1Char('\r')))
        return QStringLiteral("\r");
    return QStringLiteral("\n");
}

// The extension of the chosen file type, added when the typed name has none.
QString withExtension(const QString& fileName, int filterIndex)
{
    if (!QFileInfo(fileName).suffix().isEmpty())
        return fileName;
    const QString extension = filterIndex == 2 ? QStringLiteral("txt") : QStringLiteral("sql");
    return fileName.endsWith(QLatin1Char('.')) ? fileName + extension : fileName + QLatin1Char('.') + extension;
}

}  // namespace

void showCodeWindow(QWidget* owner, const CodeWindowInputs& inputs)
{
    frmCodes window(inputs, owner);
    window.exec();
}

frmCodes::frmCodes(const CodeWindowInputs& inputs, QWidget* owner) : QDialog(owner), inputs_(inputs)
{
    setObjectName(QStringLiteral("frmCodes"));
    setWindowTitle(kCaption);
    setSizeGripEnabled(true);

    lblTitle = new QLabel(this);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    lblTitle->setTextFormat(Qt::PlainText);
    lblTitle->setTextInteractionFlags(Qt::TextSelectableByMouse);

    rtbCodes = new QTextEdit(this);
    rtbCodes->setObjectName(QStringLiteral("rtbCodes"));
    rtbCodes->setAcceptRichText(false);
    rtbCodes->setLineWrapMode(QTextEdit::NoWrap);
    rtbCodes->setFont(codeFont());
    rtbCodes->setTabStopDistance(4 * QFontMetricsF(rtbCodes->font()).horizontalAdvance(QLatin1Char(' ')));
    // The colours are black and bright: keep the box white whatever the desktop's theme.
    QPalette palette = rtbCodes->palette();
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::Text, Qt::black);
    rtbCodes->setPalette(palette);

    cmdCopy = makeButton(this, "cmdCopy", QStringLiteral("&Copy"), QStringLiteral("Copy the content to clipboard"));
    cmdSave = makeButton(this, "cmdSave", QStringLiteral("&Save..."), QStringLiteral("Save the content to a file"));
    cmdCancel = makeButton(this, "cmdCancel", QStringLiteral("Cl&ose"), QStringLiteral("Close this window"));
    connect(cmdCopy, &QPushButton::clicked, this, &frmCodes::cmdCopy_Click);
    connect(cmdSave, &QPushButton::clicked, this, &frmCodes::cmdSave_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);

    // A layout keeps every caption whole at the desktop's font and gives the
    // text box whatever room the window gains or loses.
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdCopy);
    buttons->addWidget(cmdSave);
    buttons->addWidget(cmdCancel);
    auto* column = new QVBoxLayout(this);
    column->addWidget(lblTitle);
    column->addWidget(rtbCodes, 1);
    column->addLayout(buttons);

    Form_Load();
}

void frmCodes::Form_Load()
{
    SetStatus(QStringLiteral("Loading Code Window... Please wait..."), true);
    lblTitle->setText(inputs_.Title);
    rtbCodes->setPlainText(inputs_.Code);
    if (!inputs_.NoColour)
        ColourKeywords(rtbCodes);
    QTextCursor cursor = rtbCodes->textCursor();
    cursor.setPosition(0);
    rtbCodes->setTextCursor(cursor);
    rtbCodes->document()->setModified(false);
    clsResize::setWindowSize(this, kDesignSize);
    rtbCodes->setFocus();
    SetStatus(QStringLiteral("Ready"), false);
}

QString frmCodes::plainText() const
{
    if (!rtbCodes->document()->isModified())
        return inputs_.Code;
    QString text = rtbCodes->toPlainText();
    const QString lineBreak = lineBreakOf(inputs_.Code);
    if (lineBreak != QLatin1String("\n"))
        text.replace(QLatin1Char('\n'), lineBreak);
    return text;
}

void frmCodes::cmdCopy_Click()
{
    QClipboard* clipboard = QApplication::clipboard();
    clipboard->clear();
    const QString text = plainText();
    if (!text.isEmpty())
        clipboard->setText(text);
}

void frmCodes::cmdSave_Click()
{
    PromptRequest request;
    request.kind = PromptRequest::Kind::SaveFile;
    request.title = QStringLiteral("Save As");
    request.fileName = inputs_.FileName;
    request.filter = kSaveFilter;
    request.filterIndex = inputs_.FilterIndex == 2 ? 2 : 1;
    const PromptAnswer answer = prompts().ask(this, request);
    if (answer.fileName.isEmpty())
        return;  // cancelled: nothing is written

    const QString fileName = withExtension(answer.fileName, answer.filterIndex);
    QSaveFile file(fileName);
    const QByteArray bytes = plainText().toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        showError(this, kSaveFailure, fileName + QStringLiteral(": ") + file.errorString());
    }
}

}  // namespace norvane
