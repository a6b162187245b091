#pragma once

#include <QString>

// An extraction's variables, in parts that each have one writer; the output not yet written
// belongs to the RowWriter.

// What the run works on: set by the collect command (ExtractionController::collect) as the run
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
    QString shopUrl;    // the address the loaded breakpoint belongs to; empty when none
    int itemNumber = 0; // items at or below this number are already on disk
};

// How far the walk got: written only by the walk, through CollectContext::reportProgress,
// reportListPages and reportItemsFound; the engine and the collect command reset them before
// a run, and the engine reads them for the progress.
struct RunCounters {
    int collectedCount = 0; // items reached in this run
    int itemTotal = 0;      // items the shop reports
    int pageCount = 0;      // list pages to walk
    int itemsFound = -1;    // items the walk found in the shop's lists; -1 until all were read
};

struct RunState {
    RunSetup setup;
    ResumePoint resume;
    RunCounters counters;
    // Idle, or a stop has been asked for: cleared by the collect command as a run starts and set
    // by the stop command (ExtractionController::stop, or the run's own stop in CollectContext).
    bool stopRequested = true;

    bool isRunning() const { return !stopRequested; }
};
