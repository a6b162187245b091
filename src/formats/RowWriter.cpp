#include "formats/RowWriter.h"

#include "base/KillPoint.h"
#include "formats/AssistantFormat.h"
#include "formats/OutputBatch.h"
#include "formats/OutputFormats.h"
#include "formats/StoreOutput.h"
#include "formats/Taobao5Output.h"

#include <utility>

QString RowWriter::rowTextFor(const ItemRecord& record, int itemNumber, const QString& itemKey) {
    QString rowText;
    if (OutputFormats::describe(m_target.format).storeFile) {
        m_lastSeparator = u',';
        if (!m_headerWritten)
            rowText = StoreOutput::header(m_target.format);
        return rowText + StoreOutput::rowsFor(m_target.format, record, itemKey, itemNumber);
    }
    // The current Taobao layout has quoting and pictures of its own, outside the layout tables.
    if (m_target.format == FileFormat::TaobaoAssistant5) {
        m_lastSeparator = u'\t';
        if (!m_headerWritten)
            rowText = Taobao5Output::header();
        return rowText + Taobao5Output::rowFor(record, m_target.outputPath);
    }
    const AssistantLayout& layout = AssistantFormat::forFormat(m_target.format);
    m_lastSeparator = layout.separator;
    if (!m_headerWritten)
        rowText = layout.headerLine();
    layout.appendRow(&rowText, layout.recordValues(record, m_target.platform));
    return rowText;
}

void RowWriter::appendRecord(const ItemRecord& record, int itemNumber, const QString& itemKey) {
    QString rowText = rowTextFor(record, itemNumber, itemKey);
    // A page may carry NUL; no assistant reads past it.
    if (rowText.contains(QChar(u'\0')))
        rowText.remove(QChar(u'\0'));
    if (!m_journal.append(m_target.outputPath, m_target.format, m_appendToExisting, itemNumber,
                          !m_headerWritten, rowText, itemKey) &&
        m_journalError.isEmpty())
        m_journalError = m_journal.errorString();
    m_buffer += rowText;
    m_headerWritten = true;
}

Status RowWriter::flush() {
    const Status status =
        writeOutputBatch(m_target.outputPath, m_target.format, m_buffer, m_appendToExisting);
    if (!status)
        return status;
    KillPoint::reached(KillPoint::kBatchWritten);
    takePendingOutput();
    return status;
}

QString RowWriter::takePendingOutput() {
    const QString output = std::exchange(m_buffer, QString());
    m_headerWritten = false;
    m_appendToExisting = true;
    m_journal.discard();
    m_journalError.clear();
    return output;
}

Status RowWriter::syncJournal() {
    if (m_journalError.isEmpty() && !m_journal.sync())
        m_journalError = m_journal.errorString();
    return m_journalError.isEmpty() ? Status::success() : Status::failure(m_journalError);
}
