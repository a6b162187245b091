#include "web/PauseWithEvents.h"

#include "app/RunState.h"
#include "app/WindowInterface.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <algorithm>

namespace {

// Between event passes the thread sleeps this long at most, so a stop waits no longer than this.
constexpr qint64 kPassIntervalMs = 10;

void waitBriefly(qint64 milliseconds) {
    if (milliseconds <= 0)
        return;
    // With an application, queued events (the window's own) are delivered while waiting.
    if (QCoreApplication::instance()) {
        QEventLoop loop;
        QTimer::singleShot(milliseconds, Qt::PreciseTimer, &loop, &QEventLoop::quit);
        loop.exec();
    } else {
        QThread::msleep(static_cast<unsigned long>(milliseconds));
    }
}

} // namespace

void PauseWithEvents(RunState& state, WindowInterface& window, int milliseconds) {
    if (milliseconds <= 0)
        return;
    const QDeadlineTimer deadline(milliseconds, Qt::PreciseTimer);
    while (!deadline.hasExpired()) {
        window.processEvents();
        if (state.stopRequested)
            return;
        waitBriefly(std::min(deadline.remainingTime(), kPassIntervalMs));
    }
}
