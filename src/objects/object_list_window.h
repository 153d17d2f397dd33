#pragma once
// The object list window: a find box, the sorted list of an object kind's names
// with their total, and a details area filled when the user presses Enter in the
// find box or the list, or double-clicks a name. The views, stored procedures
// and functions windows are built on it and add only their details area and
// what showing an object means.
#include "layout/clsResize.h"
#include "shell/window_controls.h"

#include <QRect>
#include <QString>
#include <QWidget>

#include <functional>

class QLabel;
class QLineEdit;
class QListWidget;
class QTextEdit;

namespace norvane {

// The names and texts that tell one object list window from another.
struct ObjectListTexts {
    QString windowName;      // object name of the window, e.g. "frmViews"
    QString caption;         // window title
    QString findLabelName;   // the "&Find:" label
    QString findBoxName;
    QString findBoxTip;
    QString listName;
    QString listTip;
    QString totalName;       // the total label
    QString totalDesign;     // its text until the list is filled
    QString totalPrefix;     // "Total Views : ", followed by the count
    QString populating;      // status text while the list is filled
    QString loadFailure;     // sentence of the message shown when the list cannot be read
};

// Fills the list box with the names of one kind of object.
using ListPopulator = std::function<void(QListWidget* list)>;

class ObjectListWindow : public QWidget {
    Q_OBJECT
public:
    ~ObjectListWindow() override;

protected:
    // Builds the find box, the list and the total on the window's left side.
    ObjectListWindow(const ObjectListTexts& texts, QWidget* parent);

    // The load, once every control of the window exists: fills the list and its
    // total, sizes the window and records its layout. When the list cannot be
    // read the user is told, and the window opens with an empty list.
    void loadList(const ListPopulator& populate);

    // Shows the object chosen in the list: what Enter and a double-click run.
    virtual void showSelected() = 0;

    // The list's selected entry as it stands; empty when nothing is selected.
    QString selectedEntry() const;

    // Left-hand column: controls below the list (the code frame) start at this height.
    void setListBottom(int bottom);

    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    // Where the details area begins and ends, and the client area's height, in the window's design pixels.
    static constexpr int kDetailsLeft = 216;
    static constexpr int kDetailsWidth = 576;
    static constexpr int kDesignHeight = 514;

    QLabel* findLabel_ = nullptr;
    QLineEdit* findBox_ = nullptr;
    QListWidget* list_ = nullptr;
    QLabel* total_ = nullptr;

private:
    void findBoxChanged();
    void listClicked();

    ObjectListTexts texts_;
    clsResize resize_;
    bool loaded_ = false;
};

// Writes the object's source into the box; an object the catalog keeps no text
// for shows an empty box, not a failure.
void showObjectSource(QTextEdit* box, const QString& name);

// The text of a rich text box in the fixed-pitch font the catalog windows use for source.
void useSourceFont(QWidget* box);

// The box that shows an object's source: unwrapped, in the source font.
QTextEdit* makeSourceBox(QWidget* parent, const QString& name, const QString& toolTip, QRect geometry);

// The message of a failure that ends a handler: the database's description, or the exception's text.
QString failureDetails(const std::exception& error);

}  // namespace norvane
