#pragma once

#include "crawl/ItemTally.h"

#include <QString>

#include <algorithm>

// What the run works on, made by the collect command as the run starts and only read after that.
struct RunSetup {
    QString shopUrl; // shop address of the run, lower-cased
    QString outputBaseName = QStringLiteral("Temp");
    // The loaded breakpoint's item number when the run continues it; 0 for a fresh run.
    int resumedFrom = 0;

    static QString outputExtension() { return QStringLiteral(".csv"); }
    QString outputFileName() const { return outputBaseName + outputExtension(); }
};

// A breakpoint start-up loaded: made by StartupSequence, carried by the next RunRequest and used
// up by the collect command.
struct ResumePoint {
    QString shopUrl; // the address the loaded breakpoint belongs to; empty when none
    // The items the earlier run had reached, as the offer named them. A resumed run walks the
    // lists from the start and passes over the items its written-item list names.
    int itemNumber = 0;

    bool isEmpty() const { return shopUrl.isEmpty(); }
};

// How far the walk got. Its one writer is the run's walk host (the item calls and the shop's
// total); the collect command clears them as a run starts, and the engine reads them for the
// progress.
class RunCounters {
public:
    void clear() { *this = {}; }

    // The walk reached the list cell itemNumber, whose item is key: found once however many lists
    // name it.
    void reach(const QString& key, int itemNumber) {
        m_collectedCount = itemNumber;
        m_items.found(key);
    }
    // False when the item has a better fate already.
    bool settle(const QString& key, ItemTally::Fate fate) { return m_items.settle(key, fate); }
    void lacksPictureAddress(const QString& key) { m_items.lacksPictureAddress(key); }
    void setItemTotal(int total) { m_itemTotal = total; }

    int collectedCount() const { return m_collectedCount; } // the breakpoint's item number
    int itemTotal() const { return m_itemTotal; }           // items the shop reports
    const ItemTally::Counts& counts() const { return m_items.counts(); }
    // The progress bar's total: the shop's, or what the lists hold when they hold more.
    int progressTotal() const { return std::max(m_itemTotal, m_items.counts().found); }

private:
    int m_collectedCount = 0;
    int m_itemTotal = 0;
    ItemTally m_items;
};

// An extraction's variables, in parts with one writer each; the output not yet written belongs to
// the RowWriter. The collect command owns it and writes the setup, the resume point and the
// running flag; it hands the counters to the walk's host, their one writer.
class RunState {
public:
    const RunSetup& setup() const { return m_setup; }
    void setSetup(RunSetup setup) { m_setup = std::move(setup); }

    const ResumePoint& resume() const { return m_resume; }
    void setResume(ResumePoint resume) { m_resume = std::move(resume); }

    RunCounters& counters() { return m_counters; }
    const RunCounters& counters() const { return m_counters; }

    // From the start of a run until its rows are written at its end.
    bool isRunning() const { return m_running; }
    void setRunning(bool running) { m_running = running; }

private:
    RunSetup m_setup;
    ResumePoint m_resume;
    RunCounters m_counters;
    bool m_running = false;
};
