#include "base/StopSignal.h"

#include <QDeadlineTimer>
#include <QMutexLocker>

void StopSignal::request() {
    QMutexLocker lock(&m_mutex);
    m_requested.store(true, std::memory_order_release);
    m_woken.wakeAll();
}

void StopSignal::reset() {
    QMutexLocker lock(&m_mutex);
    m_requested.store(false, std::memory_order_release);
}

bool StopSignal::waitFor(int milliseconds) {
    const QDeadlineTimer deadline(milliseconds > 0 ? milliseconds : 0, Qt::PreciseTimer);
    QMutexLocker lock(&m_mutex);
    while (!isRequested()) {
        if (deadline.hasExpired())
            return false;
        m_woken.wait(&m_mutex, deadline);
    }
    return true;
}
