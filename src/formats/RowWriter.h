#pragma once

#include "formats/ItemRecord.h"
#include "formats/OutputJournal.h"
#include "base/Status.h"

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
    // Makes every row emitted so far durable before the breakpoint moves past it.
    void syncJournal();

    // Writes one batch (header line first) to an output file as a flush does: the Taobao
    // Assistant format (Option5 index 0) is appended as UTF-16; the others are written in GBK
    // with a closing CR LF, replacing the file unless appendToExisting holds and the file
    // is not empty, in which case the batch's rows are added without a second header line.
    static Status writeBatch(const QString& path, int option5Index, const QString& batch,
                             bool appendToExisting);

private:
    QString outputPath() const;

    RunState& m_state;
    WindowInterface& m_window;
    const AppPaths& m_paths;
    OutputJournal m_journal;
};
