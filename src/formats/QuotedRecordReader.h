#pragma once

#include "base/TextDecoder.h"
#include <QIODevice>
#include <QString>
#include <QStringList>

// Reads delimited text record by record from a device: fields split at one separator character,
// a field that starts with a double quote runs to its closing quote and may hold separators, line
// breaks and doubled quotes. A record ends at a line break outside quotes (LF, CR LF or CR).
// Memory holds one decoded block and the record being read, never the whole file.
//
// Usage: start() with an open device and its decoder, then readRawLine() for lines that are
// known to hold no quoting, and readRecord() until it returns false.
class QuotedRecordReader {
public:
    explicit QuotedRecordReader(QChar separator) : m_separator(separator.unicode()) {}
    QuotedRecordReader(const QuotedRecordReader&) = delete;
    QuotedRecordReader& operator=(const QuotedRecordReader&) = delete;

    // The device must stay open while records are read; reading starts at its current position.
    void start(QIODevice* device, TextDecoder decoder);
    // One physical line without its line break, quotes not interpreted. False at the end, or
    // when the line runs past maxLength characters (binary data has no line breaks).
    bool readRawLine(QString* line, qsizetype maxLength);
    // The next record's fields; blank lines are skipped. False at the end, or when the record
    // runs past kRecordLimit characters (error() says so). A quote left open runs to the end of
    // the data, or to the limit.
    bool readRecord(QStringList* fields);

    // Far above any record an assistant writes (its descriptions stop at 25,000 characters): a
    // longer one is a quote that never closed or data that is no text, and is refused rather than
    // held in memory.
    static constexpr qsizetype kRecordLimit = 1024 * 1024;
    // Why reading stopped before the end of the data; empty when it did not. Names the line
    // (counted from 1) where the record, or its open quote, began.
    const QString& error() const { return m_error; }

private:
    // Decodes the next block after dropping what was consumed; false at the end of the data.
    bool fill();
    // At least one character at m_pos; false at the end of the data.
    bool ensure();

    char16_t m_separator;
    QIODevice* m_device = nullptr;
    TextDecoder m_decoder;
    QString m_buffer;
    qsizetype m_pos = 0;
    bool m_deviceDone = true;
    qint64 m_line = 1; // the line m_pos is on
    QString m_error;
};
