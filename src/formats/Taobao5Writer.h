#pragma once

#include "formats/Taobao5Record.h"

#include <QIODevice>
#include <QString>

// Writes items in the current Taobao Assistant layout: UTF-16LE with a byte-order mark, lines 1 to
// 3 once per file, text values in double quotes with inner quotes doubled, numbers bare, LF line
// ends. Fees that are not plain decimals from 0 to 99999.99 are written as 0, and no number is
// written in exponent notation.
//
// Usage: open the device (append mode to add to an existing file), writeHeaderIfNew(), then
// writeRecord() per item and finish().
class Taobao5Writer {
public:
    explicit Taobao5Writer(QIODevice* device) : m_device(device) {}
    Taobao5Writer(const Taobao5Writer&) = delete;
    Taobao5Writer& operator=(const Taobao5Writer&) = delete;

    // The mark and lines 1 to 3, unless the device already holds a file: appended rows get no
    // second header, and a last row left without its line end gets one first.
    void writeHeaderIfNew();
    void writeRecord(const Taobao5Record& item);
    // Writes what is pending; false when any write failed.
    bool finish();

    // One item as a line of the layout, LF included.
    static QString rowText(const Taobao5Record& item);
    // True when the file exists and starts as a UTF-16LE file of this layout, so rows can be
    // appended to it; a file of any other kind is to be replaced, not appended to.
    static bool canAppendTo(const QString& path);

private:
    void write(const QString& text);
    void flushPending();

    QIODevice* m_device;
    QString m_pending;
    bool m_failed = false;
};
