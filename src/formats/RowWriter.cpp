#include "formats/RowWriter.h"

RowWriter::RowWriter(RunState& state, WindowInterface& window, const AppPaths& paths)
    : m_state(state), m_window(window), m_paths(paths) {}

void RowWriter::EmitItemRecord(const ItemRecord&) {}

Status RowWriter::FlushOutputBuffer() {
    return Status::failure(QStringLiteral("not built yet"));
}

void RowWriter::syncJournal() {}
