#pragma once

#include "formats/QuotedRecordReader.h"
#include "formats/SourceEncoding.h"
#include "formats/Taobao5Record.h"

#include <QFile>
#include <QIODevice>
#include <QList>
#include <QString>
#include <QStringList>

// Reads a current-layout Taobao Assistant file item by item, in any of the encodings sellers keep
// it in. The layout is recognised by lines 1 and 2 only; line 3 (captions) is skipped unread.
// Fields are found by the names of line 2, in whatever order; names it does not know are ignored.
//
// Usage: open() a path or a device, then readRecord() until it returns false.
class Taobao5Reader {
public:
    Taobao5Reader() = default;
    Taobao5Reader(const Taobao5Reader&) = delete;
    Taobao5Reader& operator=(const Taobao5Reader&) = delete;

    // Reads lines 1 to 3 from the device's current position. False when the device is not in
    // this layout; the device must stay open while records are read.
    bool open(QIODevice* device);
    bool open(const QString& path);

    TextEncoding encoding() const { return m_encoding; }
    // Line 2 as the file has it.
    const QStringList& fieldNames() const { return m_fieldNames; }

    // The next item; records whose every value is empty are skipped. False at the end, or at a
    // record that cannot be read (error()).
    bool readRecord(Taobao5Record* record);
    // Why reading stopped early (QuotedRecordReader::error); empty when it did not.
    const QString& error() const { return m_records.error(); }

private:
    QFile m_file;
    QuotedRecordReader m_records{QChar(u'\t')};
    TextEncoding m_encoding = TextEncoding::Gbk;
    QStringList m_fieldNames;
    QList<int> m_fieldOfColumn; // Taobao5Field per column of line 2, -1 for unknown names
    QStringList m_fields;
};
