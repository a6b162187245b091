#include "run/TimeLeftEstimate.h"

void TimeLeftEstimate::start(qint64 nowMs, qint64 pausedMs) {
    m_done = 0;
    m_lastAt = nowMs;
    m_pausedAt = pausedMs;
    m_pauseMs.reset();
    m_recent.clear();
    m_recentSum = 0;
}

void TimeLeftEstimate::reached(int done, qint64 nowMs, qint64 pausedMs) {
    if (done == m_done)
        return;
    if (done > m_done) {
        const qint64 itemTime = qMax(0LL, (nowMs - m_lastAt) - (pausedMs - m_pausedAt));
        m_recent.append(itemTime);
        m_recentSum += itemTime;
        if (m_recent.size() > kRecentItems)
            m_recentSum -= m_recent.takeFirst();
    }
    // A count that went back (a walk that starts counting afresh) is taken as it stands.
    m_done = done;
    m_lastAt = nowMs;
    m_pausedAt = pausedMs;
}

qint64 TimeLeftEstimate::millisecondsLeft(int done, int total) const {
    if (total <= 0)
        return -1;
    const qint64 itemsLeft = qMax(0, total - done);
    if (itemsLeft == 0)
        return 0;
    if (m_recent.isEmpty() || !m_pauseMs)
        return -1;
    return itemsLeft * (*m_pauseMs + m_recentSum / m_recent.size());
}
