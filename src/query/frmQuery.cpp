#include "query/frmQuery.h"

#include "codeview/keyword_highlighter.h"
#include "query/query_batch.h"
#include "query/query_result_model.h"
#include "query/query_run.h"
#include "shell/catalog_helpers.h"
#include "shell/data/connection.h"
#include "shell/session.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTextCursor>

namespace norvane {

namespace {

// The window's design size, in twips, as every catalog window.
constexpr layout::WindowSize kDesignSize{12000, 8100};

constexpr QRgb kSuccessColour = qRgb(0, 0, 255);
constexpr QRgb kFailureColour = qRgb(255, 0, 0);

// How often the window looks at a running statement's rows and messages.
constexpr int kProgressIntervalMs = 30;
// Column widths are fitted to at most this many pixels.
constexpr int kWidestColumn = 400;

QFont courierNew()
{
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    return font;
}

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption, QRect geometry)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(geometry);
    return button;
}

}  // namespace

frmQuery::frmQuery(QWidget* parent) : QWidget(parent), connection_(std::make_shared<Connection>())
{
    setObjectName(QStringLiteral("frmQuery"));
    setWindowTitle(QStringLiteral("Query Executer"));
    buildControls();
    connectEvents();
    Form_Load();
}

frmQuery::~frmQuery()
{
    if (run_) {
        progressTimer_.stop();
        run_.reset();  // cancels and waits
        SetStatus(QStringLiteral("Ready"), false);
    }
}

void frmQuery::buildControls()
{
    lblQRYBox = new QLabel(QStringLiteral("&Query Box:"), this);
    lblQRYBox->setObjectName(QStringLiteral("lblQRYBox"));
    lblQRYBox->setGeometry(8, 8, 200, 18);

    rtbQRYInput = new QTextEdit(this);
    rtbQRYInput->setObjectName(QStringLiteral("rtbQRYInput"));
    rtbQRYInput->setGeometry(8, 28, 784, 172);
    rtbQRYInput->setFont(courierNew());
    rtbQRYInput->setToolTip(QStringLiteral("Type the SQL statement here and hit Run button to execute"));
    rtbQRYInput->setLineWrapMode(QTextEdit::NoWrap);
    rtbQRYInput->setAcceptRichText(false);
    lblQRYBox->setBuddy(rtbQRYInput);
    // Keywords are coloured as the user types; the caret and the undo history are untouched.
    new KeywordHighlighter(rtbQRYInput->document());

    cmdQRYExecute = makeButton(this, "cmdQRYExecute", QStringLiteral("&Run (F5)"), {8, 206, 104, 28});
    cmdQRYClear = makeButton(this, "cmdQRYClear", QStringLiteral("&Clear"), {120, 206, 104, 28});
    cmdQRYCancel = makeButton(this, "cmdQRYCancel", QStringLiteral("Cancel"), {232, 206, 104, 28});
    cmdQRYCancel->setToolTip(QStringLiteral("Stops the running statement (Esc)"));
    cmdQRYCancel->setEnabled(false);

    flxQRYOutput = new QTableView(this);
    flxQRYOutput->setObjectName(QStringLiteral("flxQRYOutput"));
    flxQRYOutput->setGeometry(8, 240, 784, 190);
    flxQRYOutput->setToolTip(QStringLiteral("Result set"));
    flxQRYOutput->setEditTriggers(QAbstractItemView::NoEditTriggers);
    flxQRYOutput->setWordWrap(false);
    flxQRYOutput->verticalHeader()->hide();
    flxQRYOutput->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    flxQRYOutput->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    resultModel_ = new QueryResultModel(flxQRYOutput);
    flxQRYOutput->setModel(resultModel_);

    rtbQRYMessages = new QTextEdit(this);
    rtbQRYMessages->setObjectName(QStringLiteral("rtbQRYMessages"));
    rtbQRYMessages->setGeometry(8, 436, 784, 70);
    rtbQRYMessages->setToolTip(QStringLiteral("System messages"));
    rtbQRYMessages->setReadOnly(true);
    rtbQRYMessages->setAcceptRichText(false);
}

void frmQuery::connectEvents()
{
    connect(cmdQRYExecute, &QPushButton::clicked, this, [this] { cmdQRYExecute_Click(); });
    connect(cmdQRYClear, &QPushButton::clicked, this, [this] { cmdQRYClear_Click(); });
    connect(cmdQRYCancel, &QPushButton::clicked, this, [this] { cmdQRYCancel_Click(); });
    rtbQRYInput->installEventFilter(this);
    progressTimer_.setInterval(kProgressIntervalMs);
    connect(&progressTimer_, &QTimer::timeout, this, [this] { collectProgress(); });
}

void frmQuery::Form_Load()
{
    clsResize::setWindowSize(this, kDesignSize);
    resize_.Init(this);
    resize_.FormResize(this);
    loaded_ = true;
}

void frmQuery::cmdQRYExecute_Click()
{
    if (run_)
        return;  // one statement at a time
    QString selected = rtbQRYInput->textCursor().selectedText();
    selected.replace(QChar::ParagraphSeparator, QLatin1Char('\n')).replace(QChar::LineSeparator, QLatin1Char('\n'));
    const QString statement = statementToRun(selected, rtbQRYInput->toPlainText());
    if (statement.isEmpty())
        return;

    SetStatus(QStringLiteral("Query Executing... Please Wait..."), true);
    runMessages_.clear();
    columnsSized_ = false;
    showMessages(QStringLiteral("Executing... Please Wait..."), false);
    cmdQRYCancel->setEnabled(true);
    run_ = std::make_unique<QueryRun>(connection_, session().ConnectionString, batchForStatement(statement));
    progressTimer_.start();
}

void frmQuery::collectProgress()
{
    if (!run_)
        return;
    if (run_->cancelRequested())
        run_->cancel();  // asked again until the run ends
    QueryRun::Progress progress = run_->take();
    if (progress.headings) {
        resultModel_->reset(*progress.headings);
        columnsSized_ = false;
    }
    const bool rowsArrived = !progress.rows.empty();
    resultModel_->appendRows(std::move(progress.rows));
    if (!columnsSized_ && resultModel_->columnCount() > 0 && (rowsArrived || progress.finished)) {
        // Fitted once to the headings and the first rows; later rows keep the widths.
        flxQRYOutput->resizeColumnsToContents();
        for (int column = 0; column < resultModel_->columnCount(); ++column)
            if (flxQRYOutput->columnWidth(column) > kWidestColumn)
                flxQRYOutput->setColumnWidth(column, kWidestColumn);
        columnsSized_ = true;
    }
    if (!progress.messages.isEmpty()) {
        runMessages_ << progress.messages;
        if (!progress.finished) {
            // Shown as they arrive, below the running line.
            QTextCursor cursor(rtbQRYMessages->document());
            cursor.movePosition(QTextCursor::End);
            for (const QString& line : std::as_const(progress.messages))
                cursor.insertText(QStringLiteral("\n") + line);
        }
    }
    if (progress.finished)
        finishRun(progress.outcome);
}

void frmQuery::finishRun(const QString& outcome)
{
    progressTimer_.stop();
    run_->wait();
    run_.reset();
    cmdQRYCancel->setEnabled(false);
    showMessages(outcome, true);
    SetStatus(QStringLiteral("Ready"), false);
}

void frmQuery::showMessages(const QString& outcome, bool outcomeColoured)
{
    rtbQRYMessages->clear();
    QTextCursor cursor(rtbQRYMessages->document());
    QTextCharFormat format;
    format.setForeground(QColor(Qt::black));
    if (outcomeColoured)
        format.setForeground(QColor(outcome.trimmed() == kCommandCompleted ? kSuccessColour : kFailureColour));
    cursor.insertText(outcome, format);
    QTextCharFormat plain;
    plain.setForeground(QColor(Qt::black));
    for (const QString& line : std::as_const(runMessages_))
        cursor.insertText(QStringLiteral("\n") + line, plain);
}

void frmQuery::cmdQRYClear_Click()
{
    rtbQRYInput->clear();
    rtbQRYInput->setFocus();
}

void frmQuery::cmdQRYCancel_Click()
{
    if (run_)
        run_->cancel();
}

void frmQuery::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (loaded_)
        resize_.FormResize(this);
}

void frmQuery::keyPressEvent(QKeyEvent* event)
{
    // Escape anywhere in the window stops a running statement.
    if (event->key() == Qt::Key_Escape && run_) {
        cmdQRYCancel_Click();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool frmQuery::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == rtbQRYInput && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_F5) {
            cmdQRYExecute_Click();
            return true;
        }
        if (key == Qt::Key_Escape && run_) {
            cmdQRYCancel_Click();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace norvane
