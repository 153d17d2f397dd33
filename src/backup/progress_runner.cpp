#include "backup/progress_runner.h"

#include "backup/frmProgress.h"

#include <QEventLoop>
#include <QMetaObject>

#include <exception>
#include <thread>

namespace norvane {

void runWithProgress(frmProgress& window, const std::function<void(const PercentHandler& onPercent)>& work)
{
    QEventLoop loop;
    std::exception_ptr failure;
    std::thread worker([&] {
        try {
            work([&window](int percent) {
                QMetaObject::invokeMethod(&window, [&window, percent] { window.setPercent(percent); },
                                          Qt::QueuedConnection);
            });
        } catch (...) {
            failure = std::current_exception();
        }
        // Posted after every percent, so the bar shows the last one before the loop ends.
        QMetaObject::invokeMethod(&loop, [&loop] { loop.quit(); }, Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();
    if (failure)
        std::rethrow_exception(failure);
}

}  // namespace norvane
