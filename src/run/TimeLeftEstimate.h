#pragma once

#include <QList>
#include <QtGlobal>

#include <optional>

// The time a run still needs: the items left times the walk's pause after each item plus the
// time an item takes of its own (its page, picture and description), measured over the recent
// items. Usage, from the run's own thread:
//     estimate.start(clock.elapsed(), ctx.pausedMs);
//     estimate.setPauseMs(500);
//     estimate.reached(done, clock.elapsed(), ctx.pausedMs);   // whenever the walk's count moves
//     estimate.millisecondsLeft(done, total);                 // -1 while it cannot be told
class TimeLeftEstimate {
public:
    // How many of the latest items the measured time per item averages over.
    static constexpr int kRecentItems = 20;

    // A run begins: nothing is timed yet.
    void start(qint64 nowMs, qint64 pausedMs);
    // The pause the walk makes after each item.
    void setPauseMs(int milliseconds) { m_pauseMs = milliseconds; }
    // The walk has reached `done` items at nowMs, having paused pausedMs in all so far. The items
    // reached since the last call are timed as one, their pauses left out: items a resume skips
    // cost nothing.
    void reached(int done, qint64 nowMs, qint64 pausedMs);
    // -1 while the total is unknown (0), no item has been timed or the pause is not known yet.
    qint64 millisecondsLeft(int done, int total) const;

private:
    int m_done = 0;
    qint64 m_lastAt = 0;
    qint64 m_pausedAt = 0;
    std::optional<int> m_pauseMs;
    QList<qint64> m_recent;
    qint64 m_recentSum = 0;
};
