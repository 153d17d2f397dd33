#include "objects/object_list_window.h"

#include "shell/catalog_helpers.h"
#include "shell/data/db_error.h"
#include "shell/prompts.h"
#include "shell/session.h"

#include <QFont>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTextEdit>
#include <QTimer>

namespace norvane {

namespace {

// Every catalog window opens at 12000 by 8100 twips.
constexpr layout::WindowSize kDesignSize{12000, 8100};

constexpr int kListTop = 58;
constexpr int kMargin = 8;

}  // namespace

ObjectListWindow::ObjectListWindow(const ObjectListTexts& texts, QWidget* parent) : QWidget(parent), texts_(texts)
{
    setObjectName(texts_.windowName);
    setWindowTitle(texts_.caption);

    findLabel_ = new QLabel(QStringLiteral("&Find:"), this);
    findLabel_->setObjectName(texts_.findLabelName);
    findLabel_->setGeometry(kMargin, 10, 40, 20);
    findBox_ = new QLineEdit(this);
    findBox_->setObjectName(texts_.findBoxName);
    findBox_->setGeometry(48, 8, 160, 24);
    findBox_->setToolTip(texts_.findBoxTip);
    findLabel_->setBuddy(findBox_);

    total_ = new QLabel(texts_.totalDesign, this);
    total_->setObjectName(texts_.totalName);
    total_->setGeometry(kMargin, 38, 200, 18);
    list_ = new QListWidget(this);
    list_->setObjectName(texts_.listName);
    list_->setGeometry(kMargin, kListTop, 200, kDesignHeight - kListTop - kMargin);
    list_->setToolTip(texts_.listTip);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    total_->setBuddy(list_);

    connect(findBox_, &QLineEdit::textChanged, this, [this] { findBoxChanged(); });
    connect(findBox_, &QLineEdit::returnPressed, this, [this] { showSelected(); });
    findBox_->installEventFilter(this);
    list_->installEventFilter(this);
    connect(list_, &QListWidget::itemDoubleClicked, this, [this] { showSelected(); });
    connect(list_, &QListWidget::itemClicked, this, [this] { listClicked(); });
}

ObjectListWindow::~ObjectListWindow() = default;

void ObjectListWindow::setListBottom(int bottom)
{
    list_->setGeometry(kMargin, kListTop, 200, bottom - kListTop);
}

void ObjectListWindow::loadList(const ListPopulator& populate)
{
    SetStatus(texts_.populating, true);
    try {
        populate(list_);
    } catch (const DbError& error) {
        list_->clear();
        SetStatus(QStringLiteral("Ready"), false);
        showError(this, texts_.loadFailure, error.description());
    }
    total_->setText(texts_.totalPrefix + QString::number(list_->count()));
    clsResize::setWindowSize(this, kDesignSize);
    resize_.Init(this);
    resize_.FormResize(this);
    loaded_ = true;
    SetStatus(QStringLiteral("Ready"), false);
}

QString ObjectListWindow::selectedEntry() const
{
    const QList<QListWidgetItem*> selected = list_->selectedItems();
    return selected.isEmpty() ? QString() : selected.first()->text();
}

void ObjectListWindow::findBoxChanged()
{
    if (session().Connected)
        FindInList(list_, findBox_->text());
}

void ObjectListWindow::listClicked()
{
    // A name wider than the list can be read in full.
    const QString entry = selectedEntry();
    if (!entry.isNull())
        list_->setToolTip(entry);
}

void ObjectListWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (loaded_)
        resize_.FormResize(this);
}

bool ObjectListWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == list_ && isEnterKey(event)) {
        showSelected();
        return true;
    }
    if (watched == findBox_ && event->type() == QEvent::FocusIn) {
        // After the focus has settled, or the click that gave it would undo the selection.
        QTimer::singleShot(0, findBox_, &QLineEdit::selectAll);
    }
    return QWidget::eventFilter(watched, event);
}

void showObjectSource(QTextEdit* box, const QString& name)
{
    // SQL Server's "There is no text for object": nothing to show, nothing failed.
    constexpr int kNoTextForObject = 15197;
    try {
        GetObjectText(box, name);
    } catch (const DbError& error) {
        if (error.nativeError() != kNoTextForObject)
            throw;
        box->clear();
    }
}

void useSourceFont(QWidget* box)
{
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    box->setFont(font);
    // Source indented with tabs keeps a readable width.
    if (auto* text = qobject_cast<QTextEdit*>(box))
        text->setTabStopDistance(4 * QFontMetricsF(font).horizontalAdvance(QLatin1Char(' ')));
}

QTextEdit* makeSourceBox(QWidget* parent, const QString& name, const QString& toolTip, QRect geometry)
{
    auto* box = new QTextEdit(parent);
    box->setObjectName(name);
    box->setGeometry(geometry);
    box->setToolTip(toolTip);
    box->setLineWrapMode(QTextEdit::NoWrap);
    useSourceFont(box);
    return box;
}

QString failureDetails(const std::exception& error)
{
    if (const auto* database = dynamic_cast<const DbError*>(&error))
        return database->description();
    return QString::fromUtf8(error.what());
}

}  // namespace norvane
