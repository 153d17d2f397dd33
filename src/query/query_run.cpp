#include "query/query_run.h"

#include "query/query_batch.h"
#include "shell/data/connection.h"

#include <chrono>

namespace norvane {

namespace {

// Rows handed to the window in blocks of this size (or sooner, see kFlushInterval).
constexpr qsizetype kRowsPerBlock = 2048;
constexpr auto kFlushInterval = std::chrono::milliseconds(40);
// How often a run being closed asks its statement again to stop.
constexpr auto kCancelInterval = std::chrono::milliseconds(5);

// A failure of the link rather than of the statement: the driver's communication
// errors, and its general errors without a server's number (a write to a closed
// socket). The connection is opened afresh for the next run.
bool linkIsGone(const DbError& error)
{
    return error.sqlState().startsWith(QLatin1String("08")) ||
           (error.nativeError() == 0 && error.sqlState() == QLatin1String("HY000"));
}

bool stopsTheBatch(const DbError& error)
{
    return linkIsGone(error) || error.sqlState() == QLatin1String("HY008") ||
           error.sqlState() == QLatin1String("HY010");
}

}  // namespace

const QString kConnectionLost = QStringLiteral("The connection to the server was lost: ");

QString rowCountText(qint64 rows)
{
    return QStringLiteral("(%1 row(s) affected)").arg(rows);
}

struct QueryRun::Shared {
    std::mutex mutex;
    Progress pending;
    std::atomic<bool> cancelRequested{false};
    std::atomic<bool> ended{false};

    void headings(const QStringList& texts)
    {
        const std::lock_guard lock(mutex);
        pending.headings = texts;
        pending.rows = ResultRows(static_cast<int>(texts.size()));
    }
    void rows(ResultRows& block)
    {
        const std::lock_guard lock(mutex);
        pending.rows.append(std::move(block));
    }
    void message(const QString& text)
    {
        const std::lock_guard lock(mutex);
        pending.messages << text;
    }
    void finish(const QString& outcome)
    {
        const std::lock_guard lock(mutex);
        pending.finished = true;
        pending.outcome = outcome;
        ended = true;
    }
};

QueryRun::QueryRun(std::shared_ptr<Connection> connection, QString connectionString, QString batch)
    : connection_(std::move(connection)),
      connectionString_(std::move(connectionString)),
      batch_(std::move(batch)),
      shared_(std::make_shared<Shared>())
{
    worker_ = std::thread([this] { ExecuteQuery(); });
}

QueryRun::~QueryRun()
{
    cancel();
    while (!shared_->ended) {
        std::this_thread::sleep_for(kCancelInterval);
        cancel();
    }
    wait();
}

QueryRun::Progress QueryRun::take()
{
    const std::lock_guard lock(shared_->mutex);
    Progress taken = std::move(shared_->pending);
    shared_->pending = Progress();
    shared_->pending.rows = ResultRows(taken.rows.fieldCount());
    return taken;
}

void QueryRun::cancel()
{
    shared_->cancelRequested = true;
    connection_->cancel();
}

bool QueryRun::cancelRequested() const
{
    return shared_->cancelRequested;
}

void QueryRun::wait()
{
    if (worker_.joinable())
        worker_.join();
}

void QueryRun::ExecuteQuery()
{
    Shared& shared = *shared_;
    Connection& connection = *connection_;
    try {
        if (!connection.isOpen())
            connection.open(connectionString_);
    } catch (const DbError& error) {
        shared.finish(error.description());
        return;
    }
    if (shared.cancelRequested) {
        shared.finish(kOperationCancelled);
        return;
    }

    // The empty PRINT put before the user's batch is not the user's message.
    bool leadingMessagePending = batchHasLeadingMessage(batch_);
    connection.setMessageHandler([&](const DbMessage& message) {
        if (leadingMessagePending && message.text.isEmpty()) {
            leadingMessagePending = false;
            return;
        }
        leadingMessagePending = false;
        shared.message(message.text);
    });
    connection.setRowCountHandler([&](qint64 rows) { shared.message(rowCountText(rows)); });

    QString outcome = kCommandCompleted;
    bool lost = false;
    ResultRows block;
    try {
        Recordset result = connection.execute(batch_);
        bool cancelled = false;
        if (result.fieldCount() > 0) {
            QStringList headings;
            for (int index = 0; index < result.fieldCount(); ++index)
                headings << fieldHeading(result.field(index).name(), index, result.fieldCount());
            shared.headings(headings);

            block = ResultRows(result.fieldCount());
            qint64 records = 0;
            auto flushed = std::chrono::steady_clock::now();
            for (; !result.eof(); result.moveNext()) {
                if (shared.cancelRequested) {
                    cancelled = true;
                    break;
                }
                for (const Field& field : result.fields())
                    block.addCell(resultCellText(field));
                block.endRow();
                ++records;
                // The clock is read every 64 rows only.
                if (block.size() >= kRowsPerBlock ||
                    ((records & 63) == 0 && std::chrono::steady_clock::now() - flushed > kFlushInterval)) {
                    shared.rows(block);
                    block = ResultRows(result.fieldCount());
                    flushed = std::chrono::steady_clock::now();
                }
            }
            shared.rows(block);
            if (!cancelled)
                shared.message(rowCountText(records));
        }
        // Only the first result is shown; the rest of the batch still runs to its end and
        // reports its counts and messages.
        for (int results = 0; !cancelled && results < 1000000; ++results) {
            try {
                if (!result.nextResult())
                    break;
                qint64 records = 0;
                for (; !result.eof() && !shared.cancelRequested; result.moveNext())
                    ++records;
                if (shared.cancelRequested) {
                    cancelled = true;
                    break;
                }
                shared.message(rowCountText(records));
            } catch (const DbError& error) {
                shared.message(error.description());
                if (stopsTheBatch(error)) {
                    lost = linkIsGone(error);
                    break;
                }
            }
        }
        if (cancelled) {
            result.abandon();
            outcome = kOperationCancelled;
        }
    } catch (const DbError& error) {
        // The rows read before the error stay in the grid.
        shared.rows(block);
        // Once the user has cancelled, whatever the driver says next is the cancel's doing.
        if (shared.cancelRequested) {
            outcome = kOperationCancelled;
        } else if (linkIsGone(error)) {
            outcome = kConnectionLost + error.description();
            lost = true;
        } else {
            outcome = error.description();
        }
    }
    connection.setMessageHandler(nullptr);
    connection.setRowCountHandler(nullptr);
    if (lost) {
        // The next run opens the connection again.
        try {
            connection.close();
        } catch (const DbError&) {
        }
    }
    shared.finish(outcome);
}

}  // namespace norvane
