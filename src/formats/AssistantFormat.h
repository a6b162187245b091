#pragma once

#include "base/Marketplace.h"
#include "formats/AssistantColumns.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

struct ItemRecord;

// Where a column's value comes from when the row writer fills it from an item record.
enum class ColumnSource {
    Constant,         // LayoutColumn::constant, written as it stands
    RecordField,      // the ItemRecord field at LayoutColumn::field (ItemRecord::indexOf), unchanged
    DecodedTitle,     // title through decodeNamedEntities
    PlatformCategory, // category when the shop platform is PaiPai, else "0"
    ProductNumber,    // 22-character number from the local clock
    CurrentDateTime,  // local date and time
    EbayPicture,      // picture without double quotes, "|:|" appended
    Mapped,           // converter variants: the converter picks the value per source format
};

struct LayoutColumn {
    QString name;
    ColumnSource source = ColumnSource::Constant;
    QString constant;
    int field = -1;
};

// One assistant file layout: the single definition that the row writer and the converter read.
struct AssistantLayout {
    QChar separator;
    QString lineEnd;                      // "\r\n", or "\r" for the converter's Taobao variant
    bool quotedHeaderNames = false;       // PaiPai: every name in double quotes
    bool headerTrailingSeparator = false; // eBay: every name followed by a comma
    QList<LayoutColumn> columns;

    QString headerLine() const; // with lineEnd
    // Appends the values joined by the separator with the row-integrity rules applied, plus lineEnd.
    void appendRow(QString* out, const QStringList& values) const;
    // Every column's value, in column order (Mapped columns give their constant). platform is the
    // shop's marketplace; the clock is read for each column that needs it.
    QStringList recordValues(const ItemRecord& record, Platform platform) const;
    // One field as written into a row: a TAB layout turns TAB, CR and LF into spaces; a comma
    // layout quotes a value holding a comma, double quote, CR or LF unless it is already one
    // well-formed quoted field.
    QString protectValue(const QString& value) const;
};

namespace AssistantFormat {

// Layouts written by the row writer.
const AssistantLayout& taobao();
const AssistantLayout& paipai();
const AssistantLayout& ebay();
// The layout the row writer writes for a format (Option5 chooses it in the window).
const AssistantLayout& forFormat(FileFormat format);

// Variants written by the converter.
const AssistantLayout& taobaoConverter();
const AssistantLayout& paipaiConverter();
const AssistantLayout& ebayConverter();

// eBay helpers shared with the converter.
// Year, month, day, hour, minute, second (two digits each after the year), then "00000000".
QString productNumber(const QDateTime& now = QDateTime::currentDateTime());
// "yyyy-M-d H:mm:ss"
QString dateTimeText(const QDateTime& now = QDateTime::currentDateTime());
// Double quotes removed, "|:|" appended.
QString ebayPicture(const QString& picture);

// True when text is one quoted field: enclosed in double quotes, inner quotes doubled.
bool isWellFormedQuotedField(const QString& text);

} // namespace AssistantFormat
