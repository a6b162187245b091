#pragma once

#include <QFile>
#include <QString>
#include <QStringDecoder>
#include <QStringList>

// Reads an assistant's comma-separated export one record at a time. The text is GBK unless the
// file starts with a UTF-8, UTF-16LE or UTF-16BE byte-order mark (spreadsheets re-save them so).
// The first non-blank line holds the column names; every later non-blank line is one record.
// Quoted fields may hold commas, line breaks and doubled quotes; the enclosing quotes are removed.
class CsvReader {
public:
    CsvReader() = default;
    CsvReader(const CsvReader&) = delete;
    CsvReader& operator=(const CsvReader&) = delete;

    // Opens the file and reads its column names; false when the file cannot be read.
    bool open(const QString& path);
    bool isOpen() const { return m_file.isOpen(); }
    const QStringList& columnNames() const { return m_columns; }

    // The next record's fields by position; false at the end of the file.
    bool readRecord(QStringList* fields);

private:
    // Decodes more of the file until `count` characters from m_pos are buffered; false at the end.
    bool ensureAvailable(qsizetype count);
    // One logical line (quoted line breaks included) split into fields; false at the end.
    bool readLine(QStringList* fields);

    QFile m_file;
    QStringDecoder m_decoder;
    QString m_buffer;
    qsizetype m_pos = 0;
    bool m_atEnd = false;
    QStringList m_columns;
};
