#include "web/InterruptiblePause.h"

#include "base/StopSignal.h"

#include <QDeadlineTimer>
#include <QThread>

#include <algorithm>

namespace {

// Between passes the thread sleeps this long at most.
constexpr qint64 kPassIntervalMs = 10;

} // namespace

void interruptiblePause(int milliseconds, const std::function<bool()>& passReportsStop, StopSignal* stop) {
    if (milliseconds <= 0)
        return;
    const QDeadlineTimer deadline(milliseconds, Qt::PreciseTimer);
    if (stop) {
        // The signal wakes the wait when a stop is asked for, so the pause needs no passes of its
        // own in between: a pass every few milliseconds would cost a wake-up each and let the
        // pause run over by the last one's lateness.
        if (passReportsStop && passReportsStop())
            return;
        if (stop->waitFor(static_cast<int>(deadline.remainingTime())) && passReportsStop)
            // One more pass turns the request into the stop command.
            passReportsStop();
        return;
    }
    while (!deadline.hasExpired()) {
        if (passReportsStop && passReportsStop())
            return;
        const qint64 slice = std::min(deadline.remainingTime(), kPassIntervalMs);
        if (slice > 0)
            QThread::msleep(static_cast<unsigned long>(slice));
    }
}
