#include "formats/RowWriter.h"

#include "base/MarketplaceCodes.h"
#include "formats/AssistantFormat.h"
#include "formats/OutputBatch.h"

#include <utility>

void RowWriter::EmitItemRecord(const ItemRecord& record, int itemNumber) {
    const AssistantLayout& layout = AssistantFormat::forFormat(m_target.format);
    m_lastSeparator = layout.separator;
    QString rowText;
    if (!m_headerWritten)
        rowText = layout.headerLine();
    layout.appendRow(&rowText, layout.recordValues(record, m_target.platform));
    // A journal that cannot be written costs durability only; the run goes on.
    m_journal.append(m_target.outputPath, MarketplaceCodes::outputFormatIndex(m_target.format),
                     m_appendToExisting, itemNumber, !m_headerWritten, rowText);
    m_buffer += rowText;
    m_headerWritten = true;
}

Status RowWriter::FlushOutputBuffer() {
    const Status status =
        WriteOutputBatch(m_target.outputPath, MarketplaceCodes::outputFormatIndex(m_target.format), m_buffer,
                         m_appendToExisting);
    if (status)
        takePendingOutput();
    return status;
}

QString RowWriter::takePendingOutput() {
    const QString output = std::exchange(m_buffer, QString());
    m_headerWritten = false;
    m_appendToExisting = true;
    m_journal.discard();
    return output;
}

void RowWriter::syncJournal() {
    m_journal.sync();
}
