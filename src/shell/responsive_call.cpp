#include "shell/responsive_call.h"

#include "shell/data/db_error.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QKeyEvent>
#include <QTimer>

#include <atomic>
#include <exception>
#include <memory>
#include <thread>

namespace norvane {

namespace {

// How often the waiting thread looks whether the call came back.
constexpr int kPollMilliseconds = 10;
// After the time limit the call is asked to stop and given this long before it is given up.
constexpr int kGraceMilliseconds = 1500;

struct CallState {
    std::atomic<bool> done{false};
    std::exception_ptr failure;
};

// Holds back the user's input while a call runs; Escape asks the call to stop.
class InputGate : public QObject {
public:
    explicit InputGate(std::function<void()> onEscape) : onEscape_(std::move(onEscape)) {}

    bool escaped() const { return escaped_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::KeyPress: {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Escape && onEscape_ && !escaped_) {
                escaped_ = true;
                onEscape_();
            }
            return true;
        }
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::Close:
            return true;
        default:
            return QObject::eventFilter(watched, event);
        }
    }

private:
    std::function<void()> onEscape_;
    bool escaped_ = false;
};

}  // namespace

bool runResponsive(std::function<void()> work, const ResponsiveCall& call)
{
    // Without an application there is no window to keep painting: the call runs here.
    if (!QCoreApplication::instance()) {
        work();
        return false;
    }
    auto state = std::make_shared<CallState>();
    std::thread([state, work = std::move(work)]() mutable {
        try {
            work();
        } catch (...) {
            state->failure = std::current_exception();
        }
        work = nullptr;  // what the work holds goes here, on this thread
        state->done = true;
    }).detach();

    InputGate gate(call.escape);
    QCoreApplication::instance()->installEventFilter(&gate);
    QEventLoop loop;
    QTimer poll;
    QElapsedTimer elapsed;
    elapsed.start();
    const qint64 limit = static_cast<qint64>(call.timeoutSeconds) * 1000;
    qint64 lastBeat = call.heartbeat ? call.heartbeat->load() : 0;
    qint64 stopAskedAt = -1;  // when the call was asked to stop, by Escape or by the time limit
    bool givenUp = false;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (state->done) {
            loop.quit();
            return;
        }
        if (call.progress)
            call.progress();
        if (stopAskedAt < 0 && call.heartbeat && call.heartbeat->load() != lastBeat) {
            lastBeat = call.heartbeat->load();
            elapsed.restart();
        }
        if (stopAskedAt < 0 && gate.escaped())
            stopAskedAt = elapsed.elapsed();
        if (stopAskedAt < 0 && limit > 0 && elapsed.elapsed() >= limit)
            stopAskedAt = elapsed.elapsed();
        // The driver takes a cancel only while the call waits on the server: asked until the call ends.
        if (stopAskedAt >= 0 && call.cancel)
            call.cancel();
        if (stopAskedAt >= 0 && elapsed.elapsed() >= stopAskedAt + kGraceMilliseconds) {
            givenUp = true;
            loop.quit();
        }
    });
    poll.start(kPollMilliseconds);
    if (!state->done)
        loop.exec();
    poll.stop();
    QCoreApplication::instance()->removeEventFilter(&gate);

    if (givenUp && !state->done) {
        if (call.giveUp)
            call.giveUp();
        throw DbError(0, QStringLiteral("HYT00"),
                      call.timeoutText.isEmpty()
                          ? QStringLiteral("Timeout expired: no answer within %1 seconds.").arg(call.timeoutSeconds)
                          : call.timeoutText);
    }
    if (state->failure)
        std::rethrow_exception(state->failure);
    return gate.escaped();
}

}  // namespace norvane
