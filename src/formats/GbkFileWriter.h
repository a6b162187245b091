#pragma once

#include <QByteArray>
#include <QSaveFile>
#include <QString>
#include <QStringList>
#include <QStringView>

struct AssistantLayout;

// Writes converter output as GBK text. Each row is encoded as it is written, into a block of
// bytes that goes to a temporary file beside the target when full; the target is replaced only
// when commit() succeeds, so a failed or killed write leaves the old file. A folder where no new
// file can be made, or a target that is not a regular file, makes open() fail before anything is
// written.
class GbkFileWriter {
public:
    explicit GbkFileWriter(const QString& path);
    GbkFileWriter(const GbkFileWriter&) = delete;
    GbkFileWriter& operator=(const GbkFileWriter&) = delete;

    bool open();
    void write(QStringView text);
    // One row of plain values, as AssistantLayout::appendPlainRow writes it.
    void writeRow(const AssistantLayout& layout, const QStringList& values);

    // What the value of one column is made of when it comes still quoted as its source wrote it.
    enum class SourceValue {
        Plain,   // the plain value (AssistantFormat::unquoted)
        Cleaned, // the plain value through ConversionMapping::appendCleanField
    };
    // writeRow(layout, values) with values[column] taken from quoted instead, as `use` says. A long
    // description goes from its source's text to its bytes in one pass.
    void writeRow(const AssistantLayout& layout, const QStringList& values, qsizetype column,
                  QStringView quoted, SourceValue use);

    // Writes what is pending and puts the file in place; false when any write failed.
    bool commit();
    // Drops everything written so far; the target stays as it was.
    void discard();
    // Why open() or commit() failed, in the system's words.
    const QString& errorString() const { return m_error; }

private:
    // The value of writeRow's column from its source's text straight into the bytes; false when the
    // value takes the plain route (a number, a value not quoted as the column writes it, ...).
    bool encodeFromSource(const AssistantLayout& layout, qsizetype column, QStringView quoted,
                          SourceValue use);
    void encodeRow();
    void flushPending();

    QSaveFile m_file;
    QString m_row;      // the row being written, reused from row to row
    QByteArray m_bytes; // encoded, not yet written
    bool m_failed = false;
    QString m_error;
};
