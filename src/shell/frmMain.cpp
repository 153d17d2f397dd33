#include "shell/frmMain.h"

#include "shell/app_pictures.h"
#include "shell/catalog_helpers.h"
#include "shell/frmAbout.h"
#include "shell/frmLogin.h"
#include "shell/frmTips.h"
#include "shell/prompts.h"
#include "shell/session.h"
#include "shell/session_login.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDate>
#include <QLabel>
#include <QLocale>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QProgressBar>
#include <QStatusBar>
#include <QStyle>
#include <QTime>
#include <QTimer>

namespace norvane {

namespace {

constexpr char kRefreshFailed[] = "Problems encountered while refreshing!";
constexpr char kTablesWindowType[] = "Tables";

struct ImageSource {
    const char* key;
    const char* themeName;  // freedesktop icon name; nullptr where none fits
};

constexpr ImageSource kImageSources[] = {
    {"UpArrow", "go-up"},          {"DownArrow", "go-down"}, {"Drive", "drive-harddisk"},
    {"ClosedFolder", "folder"},    {"OpenFolder", "folder-open"}, {"File", "text-x-generic"},
    {"BakFile", nullptr},
};

struct PanelDesign {
    const char* text;
    const char* toolTip;
};

constexpr PanelDesign kPanelDesigns[6] = {
    {"Messages", "Messages"}, {"Server", "Server"},           {"Database", "Database"},
    {"User", "User"},         {"", "Today's Date"},           {"", "Time"},
};

}  // namespace

frmMain::frmMain(WindowRegistry windows, QWidget* parent) : QMainWindow(parent), windows_(std::move(windows))
{
    setObjectName("frmMain");
    setWindowTitle("Norvane");
    mdiArea_ = new QMdiArea(this);
    mdiArea_->setObjectName("mdiArea");
    setCentralWidget(mdiArea_);
    buildImageList();
    buildMenu();
    buildStatusBar();
    resize(1024, 768);

    setStatusSink([this](const QString& text) {
        setPanelText(1, text);
        panels_[0]->repaint();
    });
    setImageProvider([this](const QString& key) { return image(key); });
    showConnectionPanels();
}

frmMain::~frmMain()
{
    setStatusSink(nullptr);
    setImageProvider(nullptr);
}

frmMain* frmMain::find()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* main = qobject_cast<frmMain*>(widget))
            return main;
    }
    return nullptr;
}

QAction* frmMain::addCommand(const char* objectName, const QString& caption, std::function<void()> handler)
{
    auto* action = new QAction(caption, this);
    action->setObjectName(objectName);
    menuBar()->addAction(action);
    if (handler)
        connect(action, &QAction::triggered, this, [handler = std::move(handler)] { handler(); });
    else
        action->setEnabled(false);  // its window is not part of this build yet
    return action;
}

QAction* frmMain::addChildCommand(const char* objectName, const QString& caption, const QString& typeName)
{
    if (!windows_.child(typeName))
        return addCommand(objectName, caption, nullptr);
    return addCommand(objectName, caption, [this, typeName] { openChild(typeName); });
}

QAction* frmMain::addModalCommand(const char* objectName, const QString& caption, const QString& name)
{
    if (!windows_.command(name))
        return addCommand(objectName, caption, nullptr);
    return addCommand(objectName, caption, [this, name] {
        if (const WindowRegistry::Command* run = windows_.command(name))
            (*run)(this);
    });
}

void frmMain::buildMenu()
{
    addCommand("mnuConnect", "&Connect", [this] { mnuConnect_Click(); });
    addCommand("mnuRefresh", "Re&fresh", [this] { mnuRefresh_Click(); });
    addChildCommand("mnuTables", "&Tables", kTablesWindowType);
    addChildCommand("mnuViews", "&Views", "Views");
    addChildCommand("mnuSPs", "&SPs", "SPs");
    addChildCommand("mnuFunctions", "Fu&nctions", "Functions");
    addChildCommand("mnuQuery", "&Query", "Query");
    addChildCommand("mnuSearch", "S&earch", "Search");
    addModalCommand("mnuReports", "&Reports", "Reports");
    addModalCommand("mnuBackup", "Bac&kup", "Backup");
    addModalCommand("mnuRestore", "Rest&ore", "Restore");
    addChildCommand("mnuCompare", "Co&mpare", "Compare");
    addCommand("mnuTips", "Ti&ps", [this] { mnuTips_Click(); });
    addCommand("mnuAbout", "A&bout", [this] { mnuAbout_Click(); });
    addCommand("mnuExit", "E&xit", [this] { mnuExit_Click(); });
}

void frmMain::buildStatusBar()
{
    QStatusBar* stbSQL = statusBar();
    stbSQL->setObjectName("stbSQL");
    for (int i = 0; i < 6; ++i) {
        auto* label = new QLabel(kPanelDesigns[i].text, stbSQL);
        label->setObjectName(QString("stbSQLPanel%1").arg(i + 1));
        label->setToolTip(kPanelDesigns[i].toolTip);
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setMinimumWidth(i == 0 ? 240 : 90);
        panels_[i] = label;
        if (i < 5)
            stbSQL->addWidget(label, i == 0 ? 3 : 1);
        else
            stbSQL->addPermanentWidget(label);
    }
    // Part of the layout; no operation drives it.
    prbSQL_ = new QProgressBar(stbSQL);
    prbSQL_->setObjectName("prbSQL");
    prbSQL_->setVisible(false);

    clock_ = new QTimer(this);
    clock_->setInterval(1000);
    connect(clock_, &QTimer::timeout, this, &frmMain::updateClock);
    clock_->start();
    updateClock();
}

void frmMain::buildImageList()
{
    for (const ImageSource& source : kImageSources) {
        const QIcon own = ownImage(QString::fromLatin1(source.key));
        imlSQL_.insert(source.key, source.themeName ? QIcon::fromTheme(source.themeName, own) : own);
    }
}

QIcon frmMain::image(const QString& key) const
{
    return imlSQL_.value(key);
}

void frmMain::updateClock()
{
    const QLocale locale;
    setPanelText(5, locale.toString(QDate::currentDate(), QLocale::ShortFormat));
    setPanelText(6, locale.toString(QTime::currentTime(), QLocale::ShortFormat));
}

void frmMain::setPanelText(int panel, const QString& text)
{
    if (panel >= 1 && panel <= 6)
        panels_[panel - 1]->setText(text);
}

QLabel* frmMain::panel(int panel) const
{
    return (panel >= 1 && panel <= 6) ? panels_[panel - 1] : nullptr;
}

QAction* frmMain::menuCommand(const QString& objectName) const
{
    return findChild<QAction*>(objectName);
}

void frmMain::showConnectionPanels()
{
    const Session& s = session();
    if (!s.Connected)
        return;
    setPanelText(2, s.ServerName);
    setPanelText(3, s.DatabaseName);
    setPanelText(4, s.UserName);
}

QWidget* frmMain::child(const QString& typeName) const
{
    for (const auto& entry : children_) {
        if (entry.first == typeName && entry.second)
            return entry.second->widget();
    }
    return nullptr;
}

QWidget* frmMain::openChild(const QString& typeName)
{
    const WindowRegistry::ChildFactory* create = windows_.child(typeName);
    if (!create)
        return nullptr;
    return openChild(typeName, *create);
}

QWidget* frmMain::openChild(const QString& typeName, const std::function<QWidget*(QWidget* parent)>& create)
{
    children_.removeIf([](const auto& entry) { return entry.second.isNull(); });
    for (const auto& entry : children_) {
        if (entry.first == typeName) {
            QMdiSubWindow* existing = entry.second;
            if (existing->isMinimized())
                existing->showNormal();
            mdiArea_->setActiveSubWindow(existing);
            existing->raise();
            return existing->widget();
        }
    }
    QWidget* widget = create(nullptr);
    if (!widget)
        return nullptr;
    // The window set its designed size at load; the frame must not shrink it to its size hint.
    const QSize designedSize = widget->size();
    QMdiSubWindow* sub = mdiArea_->addSubWindow(widget);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setObjectName(typeName + "Window");
    children_.append({typeName, QPointer<QMdiSubWindow>(sub)});
    sub->show();
    sub->resize(designedSize + (sub->size() - widget->size()));
    mdiArea_->setActiveSubWindow(sub);
    return widget;
}

void frmMain::openTablesWindow()
{
    openChild(kTablesWindowType);
}

void frmMain::unloadChildren()
{
    const auto children = children_;
    children_.clear();
    for (const auto& entry : children) {
        if (QMdiSubWindow* sub = entry.second) {
            sub->close();
            delete sub;  // at once, so the tables window that follows is a fresh load
        }
    }
    if (sharedLogin_) {
        sharedLogin_->unload();
        sharedLogin_->deleteLater();  // it may be the dialog whose Connect led here
        sharedLogin_.clear();
    }
}

void frmMain::reopenTablesWindow()
{
    unloadChildren();
    openTablesWindow();
}

frmLogin* frmMain::sharedLogin()
{
    if (!sharedLogin_) {
        sharedLogin_ = new frmLogin(this, &windows_);
        sharedLogin_->load();
        connect(sharedLogin_, &frmLogin::reconnected, this, [this] {
            showConnectionPanels();
            reopenTablesWindow();
        });
    }
    return sharedLogin_;
}

void frmMain::mnuConnect_Click()
{
    sharedLogin()->exec();
}

void frmMain::mnuRefresh_Click()
{
    const Session& s = session();
    SessionLogin login;
    login.connectionString = s.ConnectionString;
    // The address the object logged in to before, which may differ from the server's own name.
    login.adminTarget = s.serverAdmin ? s.serverAdmin->serverName() : QString();
    if (login.adminTarget.isEmpty())
        login.adminTarget = s.ServerName;
    login.integrated = s.serverAdmin ? s.serverAdmin->LoginSecure : s.UseWindowsAuth;
    login.userName = s.UserName;
    login.password = s.Password;
    // Both are opened afresh before the session's are replaced, so a failure leaves the session as it was.
    std::unique_ptr<LoggedIn> fresh;
    try {
        fresh = logInResponsive(login);
    } catch (const DbError& error) {
        showError(this, kRefreshFailed, error.description());
        return;
    }
    adoptLogin(std::move(*fresh));
    reopenTablesWindow();
}

void frmMain::mnuTips_Click()
{
    frmTip tips(this);
    tips.exec();
}

void frmMain::mnuAbout_Click()
{
    frmAbout about(this);
    about.exec();
}

void frmMain::mnuExit_Click()
{
    close();
}

void frmMain::closeEvent(QCloseEvent* event)
{
    if (!shutDownDone_) {
        shutDownDone_ = true;
        ShutDownSession();
    }
    // The program ends when its last visible window closes; the hidden connection dialog goes with this window.
    event->accept();
}

void ShutDownSession()
{
    Session& s = session();
    try {
        if (s.serverAdmin)
            s.serverAdmin->disconnect();
    } catch (...) {
        // Shut-down ignores every error.
    }
    try {
        if (s.connection.isOpen())
            s.connection.close();
    } catch (...) {
    }
}

}  // namespace norvane
