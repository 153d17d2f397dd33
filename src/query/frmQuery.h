#pragma once
// The query window ("Query Executer"): the user's statements, typed with their
// keywords coloured, run on a worker thread; the first result in a grid and the
// outcome with the batch's messages below it.
#include "layout/clsResize.h"

#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <memory>

class QLabel;
class QTextEdit;
class QPushButton;
class QTableView;

namespace norvane {

class Connection;
class QueryResultModel;
class QueryRun;

class frmQuery : public QWidget {
    Q_OBJECT
public:
    explicit frmQuery(QWidget* parent = nullptr);
    // A statement still running is cancelled and waited for.
    ~frmQuery() override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void connectEvents();
    void Form_Load();

    void cmdQRYExecute_Click();
    void cmdQRYClear_Click();
    void cmdQRYCancel_Click();
    // Takes what the running statement produced since the last look.
    void collectProgress();
    void finishRun(const QString& outcome);
    void showMessages(const QString& outcome, bool outcomeColoured);

    // The window's own connection to the session's database, used by one run at a time.
    std::shared_ptr<Connection> connection_;
    std::unique_ptr<QueryRun> run_;
    QTimer progressTimer_;
    QStringList runMessages_;
    bool columnsSized_ = false;

    clsResize resize_;
    bool loaded_ = false;

    QLabel* lblQRYBox = nullptr;
    QTextEdit* rtbQRYInput = nullptr;
    QPushButton* cmdQRYExecute = nullptr;
    QPushButton* cmdQRYClear = nullptr;
    QPushButton* cmdQRYCancel = nullptr;
    QTableView* flxQRYOutput = nullptr;
    QueryResultModel* resultModel_ = nullptr;
    QTextEdit* rtbQRYMessages = nullptr;
};

}  // namespace norvane
