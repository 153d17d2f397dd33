#pragma once
// The program's frame window: the menu bar that opens every other window, the status bar
// with the connection and the current activity, and the one instance of each child window.
#include "shell/window_registry.h"

#include <QIcon>
#include <QMainWindow>
#include <QMap>
#include <QPointer>
#include <QString>

#include <array>
#include <functional>

class QAction;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QProgressBar;
class QTimer;

namespace norvane {

class frmLogin;

class frmMain : public QMainWindow {
    Q_OBJECT
public:
    // The menu offers the child windows and commands registered in windows, and only those.
    explicit frmMain(WindowRegistry windows = {}, QWidget* parent = nullptr);
    ~frmMain() override;

    // The main window of the running program (the top-level widget named "frmMain"), or nullptr.
    static frmMain* find();

    // Status bar panels 1..6 (1 activity, 2 server, 3 database, 4 user, 5 date, 6 time).
    void setPanelText(int panel, const QString& text);
    QLabel* panel(int panel) const;

    // Pictures of imlSQL by key: "UpArrow", "DownArrow", "Drive", "ClosedFolder", "OpenFolder", "File", "BakFile".
    QIcon image(const QString& key) const;

    QMdiArea* mdiArea() const { return mdiArea_; }
    QAction* menuCommand(const QString& objectName) const;

    // Shows the one instance of a registered child window type ("Tables", "Views", ...): created
    // on first use, otherwise only brought to the front. nullptr when the type is not registered.
    QWidget* openChild(const QString& typeName);
    // The same with a factory of the caller's (create builds it as a child of the given parent).
    QWidget* openChild(const QString& typeName, const std::function<QWidget*(QWidget* parent)>& create);
    // The open instance of a child window type, or nullptr.
    QWidget* child(const QString& typeName) const;

    // Unloads every open window except this one (the child windows, and the shared connection
    // dialog, which saves its inputs as it goes), then shows the tables window afresh.
    void reopenTablesWindow();
    void openTablesWindow();

    // Menu handlers, public so tests can drive them as the menu does.
    void mnuConnect_Click();
    void mnuRefresh_Click();
    void mnuTips_Click();
    void mnuAbout_Click();
    void mnuExit_Click();

    // The shared connection dialog, created (loaded, hidden) on first use.
    frmLogin* sharedLogin();
    bool hasSharedLogin() const { return !sharedLogin_.isNull(); }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenu();
    void buildStatusBar();
    void buildImageList();
    void updateClock();
    void unloadChildren();
    void showConnectionPanels();
    QAction* addCommand(const char* objectName, const QString& caption, std::function<void()> handler);
    QAction* addChildCommand(const char* objectName, const QString& caption, const QString& typeName);
    QAction* addModalCommand(const char* objectName, const QString& caption, const QString& name);

    WindowRegistry windows_;

    QMdiArea* mdiArea_ = nullptr;
    std::array<QLabel*, 6> panels_{};
    QProgressBar* prbSQL_ = nullptr;
    QTimer* clock_ = nullptr;
    QMap<QString, QIcon> imlSQL_;
    QList<QPair<QString, QPointer<QMdiSubWindow>>> children_;
    QPointer<frmLogin> sharedLogin_;
    bool shutDownDone_ = false;
};

// The shut-down sequence: logs the server-management object off and closes the connection,
// every error ignored.
void ShutDownSession();

}  // namespace norvane
