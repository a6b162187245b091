#pragma once

#include "crawl/ItemTally.h"

#include <QString>

#include <algorithm>

// An extraction's variables, in parts that each have one writer; the output not yet written
// belongs to the RowWriter.

// What the run works on: set by the collect command (CollectCommand::collect) as the run
// starts and only read after that. Start-up puts the defaults back (and turns recording on when
// it loads a breakpoint).
struct RunSetup {
    bool recordsBreakPoint = false; // the breakpoint keys follow the run (autoSave)
    QString shopUrl;                // shop address of the run, lower-cased
    QString outputBaseName = QStringLiteral("Temp");
    QString outputExtension = QStringLiteral(".csv");

    QString outputFileName() const { return outputBaseName + outputExtension; }
};

// The breakpoint start-up loaded, handed to the next run (StartupSequence writes it, RunEngine
// passes it on with the request) and used up by the collect command.
struct ResumePoint {
    QString shopUrl; // the address the loaded breakpoint belongs to; empty when none
    // The items the earlier run had reached, as the offer named them. A resumed run walks the
    // lists from the start and passes over the items its written-item list names.
    int itemNumber = 0;
};

// How far the walk got: written only by the walk, through ShopWalkHost (takeItem,
// reportShopTotal); the collect command resets them
// before a run, and the engine reads them for the progress.
struct RunCounters {
    int collectedCount = 0; // list cells reached in this run: the breakpoint's item number
    int itemTotal = 0;      // items the shop reports
    ItemTally items;        // each item found once, and what became of it

    // The progress bar's total: the shop's, or what the lists hold when they hold more.
    int progressTotal() const { return std::max(itemTotal, items.counts().found); }
};

struct RunState {
    RunSetup setup;
    ResumePoint resume;
    RunCounters counters;
    // Idle, or the run is ending: cleared by the collect command as a run starts and set when it
    // writes the rows at the run's end.
    bool stopRequested = true;

    bool isRunning() const { return !stopRequested; }
};
