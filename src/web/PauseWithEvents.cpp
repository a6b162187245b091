#include "web/PauseWithEvents.h"

#include "base/StopSignal.h"

#include <QDeadlineTimer>
#include <QThread>

#include <algorithm>

namespace {

// Between passes the thread sleeps this long at most.
constexpr qint64 kPassIntervalMs = 10;

} // namespace

void PauseWithEvents(int milliseconds, const std::function<bool()>& passReportsStop, StopSignal* stop) {
    if (milliseconds <= 0)
        return;
    const QDeadlineTimer deadline(milliseconds, Qt::PreciseTimer);
    while (!deadline.hasExpired()) {
        if (passReportsStop && passReportsStop())
            return;
        const qint64 slice = std::min(deadline.remainingTime(), kPassIntervalMs);
        if (slice <= 0)
            continue;
        if (stop && stop->waitFor(static_cast<int>(slice))) {
            // One more pass turns the request into the stop command.
            if (passReportsStop)
                passReportsStop();
            return;
        }
        if (!stop)
            QThread::msleep(static_cast<unsigned long>(slice));
    }
}
