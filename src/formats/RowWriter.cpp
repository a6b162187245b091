#include "formats/RowWriter.h"

#include "app/AppPaths.h"
#include "app/RunState.h"
#include "app/WindowInterface.h"
#include "base/KillPoint.h"
#include "base/PlatformConstants.h"
#include "formats/AssistantFormat.h"
#include "formats/OutputBatch.h"

RowWriter::RowWriter(RunState& state, WindowInterface& window, const AppPaths& paths)
    : m_state(state), m_window(window), m_paths(paths) {}

void RowWriter::EmitItemRecord(const ItemRecord& record) {
    const int format = m_window.selectedFormat();
    const AssistantLayout& layout = AssistantFormat::forOption(format);
    m_state.fieldSeparator = QString(layout.separator);
    QString rowText;
    if (!m_state.headerWritten)
        rowText = layout.headerLine();
    layout.appendRow(&rowText, layout.recordValues(record, m_window.selectedPlatform()));
    if (!m_journal.append(outputPath(), format, m_state.appendToExisting, m_state.collectedCount,
                          !m_state.headerWritten, rowText) &&
        m_journalError.isEmpty())
        m_journalError = m_journal.errorString();
    m_state.outputBuffer += rowText;
    m_state.headerWritten = true;
}

Status RowWriter::FlushOutputBuffer() {
    const Status status = WriteOutputBatch(outputPath(), m_window.selectedFormat(), m_state.outputBuffer,
                                           m_state.appendToExisting);
    if (!status)
        return status;
    m_state.outputBuffer.clear();
    m_state.headerWritten = false;
    m_state.appendToExisting = true;
    KillPoint::reached(KillPoint::kBatchWritten);
    m_journal.discard();
    m_journalError.clear();
    return status;
}

Status RowWriter::syncJournal() {
    if (m_journalError.isEmpty() && !m_journal.sync())
        m_journalError = m_journal.errorString();
    return m_journalError.isEmpty() ? Status::success() : Status::failure(m_journalError);
}

QString RowWriter::outputPath() const {
    return m_paths.outputFile(m_state.outputBaseName, m_state.outputExtension);
}
