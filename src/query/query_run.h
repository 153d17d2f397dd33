#pragma once
// One run of a user's batch on a worker thread, so the query window stays
// responsive: the first result's headings and rows, the batch's messages and
// the outcome are collected as they arrive and taken by the window in pieces.
#include "query/result_rows.h"

#include <QString>
#include <QStringList>

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace norvane {

class Connection;

// The outcome text of a batch that ran without an error.
inline const QString kCommandCompleted = QStringLiteral("Command Completed Successfully");
// The outcome text of a batch stopped by the user.
inline const QString kOperationCancelled = QStringLiteral("Operation was cancelled");

// The text shown for a statement's row count: "(3 row(s) affected)".
QString rowCountText(qint64 rows);

class QueryRun {
public:
    // What arrived since the last take.
    struct Progress {
        std::optional<QStringList> headings;  // set once, when the first result with fields begins
        ResultRows rows;                      // records of that result
        QStringList messages;                 // informational messages, row counts, later errors
        bool finished = false;
        QString outcome;                      // when finished: kCommandCompleted or the error's text
    };

    // Starts the batch on the connection (opened first with the connection string
    // when it is not open). The connection is used by the worker alone until the run ends.
    QueryRun(std::shared_ptr<Connection> connection, QString connectionString, QString batch);
    // Cancels a run still going and waits for it.
    ~QueryRun();
    QueryRun(const QueryRun&) = delete;
    QueryRun& operator=(const QueryRun&) = delete;

    // Everything that arrived since the last call.
    Progress take();
    // Stops reading rows and asks the server to stop (an attention); safe while the worker
    // blocks. The driver takes the request only while it waits on the server, so the caller
    // asks again until the run has finished.
    void cancel();
    bool cancelRequested() const;
    // Waits for the worker to end.
    void wait();

private:
    struct Shared;
    // Runs the batch on the worker: the first result that has fields goes to the grid, the
    // rest of the batch is read to its end for its counts and messages.
    void ExecuteQuery();

    std::shared_ptr<Connection> connection_;
    QString connectionString_;
    QString batch_;
    std::shared_ptr<Shared> shared_;
    std::thread worker_;
};

}  // namespace norvane
