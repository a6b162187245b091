#pragma once

#include "base/Status.h"
#include "formats/ItemRecord.h"
#include "formats/OutputJournal.h"

#include <QString>

struct RunState;
class WindowInterface;
class AppPaths;

// Turns item records into lines of the assistant format selected in the window (read at every
// call) and writes the buffered lines to the output file.
class RowWriter {
public:
    RowWriter(RunState& state, WindowInterface& window, const AppPaths& paths);

    // Header once per buffer, then the row; outputBuffer changes only at the very end.
    void EmitItemRecord(const ItemRecord& record);
    // Writes outputBuffer to the output file in the selected format's encoding and mode; on
    // failure the buffer and headerWritten stay as they were.
    Status FlushOutputBuffer();
    // Makes every row emitted so far durable before the breakpoint moves past it; fails, with the
    // system's reason, when a row could not be journalled since the last flush.
    Status syncJournal();

private:
    QString outputPath() const;

    RunState& m_state;
    WindowInterface& m_window;
    const AppPaths& m_paths;
    OutputJournal m_journal;
    QString m_journalError; // the first failed append since the last flush
};
