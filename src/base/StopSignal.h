#pragma once

#include <QMutex>
#include <QWaitCondition>

#include <atomic>

// The stop request of a run, shared by the thread that asks for it (the window, the command
// line) and the thread that runs the crawl. Requesting is thread-safe and wakes a waiting pause
// at once; the crawl tests it at every turn of its loops.
class StopSignal {
public:
    void request();
    // Clears the request before a new run.
    void reset();
    bool isRequested() const { return m_requested.load(std::memory_order_acquire); }

    // Waits up to the given time; true when it ended early because a stop was requested.
    bool waitFor(int milliseconds);

private:
    std::atomic<bool> m_requested{false};
    QMutex m_mutex;
    QWaitCondition m_woken;
};
