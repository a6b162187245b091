#pragma once

#include "formats/QuotedRecordReader.h"

#include <QFile>
#include <QString>
#include <QStringList>

// Reads an assistant's comma-separated export one record at a time. The text is GBK unless the
// file starts with a UTF-8, UTF-16LE or UTF-16BE byte-order mark (spreadsheets re-save them so).
// The first non-blank line holds the column names; every later non-blank line is one record.
// quoted fields may hold commas, line breaks and doubled quotes; the enclosing quotes are removed.
class CsvReader {
public:
    CsvReader() = default;
    CsvReader(const CsvReader&) = delete;
    CsvReader& operator=(const CsvReader&) = delete;

    // Opens the file and reads its column names; false when the file cannot be read.
    bool open(const QString& path);
    bool isOpen() const { return m_file.isOpen(); }
    const QStringList& columnNames() const { return m_columns; }

    // The next record's fields by position; false at the end of the file, or at a record that
    // cannot be read (error()).
    bool readRecord(QStringList* fields);
    // Why reading stopped early (QuotedRecordReader::error); empty when it did not.
    const QString& error() const { return m_records.error(); }

private:
    QFile m_file;
    QuotedRecordReader m_records{QChar(u',')};
    QStringList m_columns;
};
