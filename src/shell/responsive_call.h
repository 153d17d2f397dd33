#pragma once
// Long database calls without a frozen window: the call runs on a helper thread while this
// thread keeps painting. The user's input waits meanwhile (so nothing else reaches the same
// connection), except Escape, which asks the call to stop where that is allowed. A call that
// outlives its time limit is given up: the caller hears a time-out error at once, and the helper
// thread finishes (and frees what the call holds) whenever the driver returns.
#include <QString>

#include <atomic>
#include <functional>
#include <memory>

namespace norvane {

struct ResponsiveCall {
    // Seconds the call may go without an answer before it is given up; 0 waits as long as it takes.
    int timeoutSeconds = 0;
    // Counted up by the work at each sign of life (a row read): the time limit starts again.
    std::shared_ptr<std::atomic<qint64>> heartbeat;
    // Asks the running call to stop, at every tick from the time limit or Escape until it ends; may be empty.
    std::function<void()> cancel;
    // Asks the running call to stop on the user's behalf (Escape); empty: Escape does nothing.
    std::function<void()> escape;
    // Run on this thread when the call is given up, e.g. abandoning its connection.
    std::function<void()> giveUp;
    // Run on this thread every few milliseconds while the call runs, e.g. to show what it has read so far.
    std::function<void()> progress;
    // Text of the time-out error, e.g. "The server did not answer within 30 seconds."
    QString timeoutText;
};

// Runs work on a helper thread until it returns and rethrows what it threw. Work must own
// everything it touches (capture shared pointers, not references to the caller's locals), since
// it may outlive this call. Returns true when the user pressed Escape while it ran.
// Throws DbError (HYT00) when the time limit passed.
bool runResponsive(std::function<void()> work, const ResponsiveCall& call);

}  // namespace norvane
