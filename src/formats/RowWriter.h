#pragma once

#include "base/Marketplace.h"
#include "base/Status.h"
#include "formats/ItemRecord.h"
#include "formats/OutputJournal.h"

#include <QString>

// Turns item records into lines of one assistant format, keeps them until the next flush and
// writes them to the run's output file. The run tells it where and how (setTarget); nothing is
// read from the window or the settings.
class RowWriter {
public:
    struct Target {
        FileFormat format = FileFormat::EbayAssistant;
        Platform platform = Platform::Taobao; // the shop's marketplace; PaiPai rows keep the category
        QString outputPath;
    };

    // Later rows follow the new target; rows already buffered stay as they were written.
    void setTarget(const Target& target) { m_target = target; }
    const Target& target() const { return m_target; }
    // A resumed run continues an output file written earlier instead of replacing it.
    void setAppendToExisting(bool append) { m_appendToExisting = append; }
    bool appendsToExisting() const { return m_appendToExisting; }
    // How many items the output's written-item list holds before the rows appended from now on;
    // kept in the journal so that recovery knows which keys its rows stand for.
    void setItemKeysInFile(int keys) { m_journal.setKeysInFile(keys); }

    // Header once per buffer, then the row; itemNumber is the item's place in the shop and itemKey
    // what identifies the item, both kept in the journal for recovery. The buffer changes only at
    // the very end.
    void appendRecord(const ItemRecord& record, int itemNumber, const QString& itemKey = QString());
    // Writes the buffer to the output file in the format's encoding and mode; on failure the
    // buffer stays as it was, so a later flush tries again.
    Status flush();
    // Hands the pending output over and starts afresh, as a successful flush does (header again,
    // later batches append, journal gone); for a caller that writes the output itself.
    QString takePendingOutput();
    // Makes every row emitted so far durable before the breakpoint moves past it; fails, with the
    // system's reason, when a row could not be journalled since the last flush.
    Status syncJournal();

    // Output of the run not yet written to the file, header included.
    const QString& pendingOutput() const { return m_buffer; }
    bool hasPendingOutput() const { return m_headerWritten; }
    // Separator of the last row written.
    QChar lastSeparator() const { return m_lastSeparator; }

private:
    // The header when the buffer has none yet, then the record's row, in the target's format.
    QString rowTextFor(const ItemRecord& record, int itemNumber, const QString& itemKey);

    Target m_target;
    bool m_appendToExisting = false;
    QString m_buffer;
    bool m_headerWritten = false;
    QChar m_lastSeparator;
    OutputJournal m_journal;
    QString m_journalError; // the first failed append since the last flush
};
