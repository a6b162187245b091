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
    // The ItemRecord field (ItemRecord::indexOf) the column carries, read or written; -1 for none.
    int field = -1;
    // Written from a plain value: always enclosed in double quotes, inner quotes doubled, unless
    // the value is a plain number (codes such as 0 stay bare).
    bool text = false;
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
    // Text values come enclosed in their quotes (recordValues).
    void appendRow(QString* out, const QStringList& values) const;
    // The same for plain values (no quotes of their own): text columns are quoted here, constants
    // are written as the table holds them.
    void appendPlainRow(QString* out, const QStringList& values) const;
    // One value of appendPlainRow: the value of the given column, without separator or lineEnd.
    void appendPlainValue(QString* out, qsizetype column, const QString& value) const;
    // The first column that carries the record field (ItemRecord::indexOf), -1 when none does.
    qsizetype columnOf(int field) const;
    // The column names in order.
    QStringList names() const;
    // True when a file's first line names exactly these columns (an eBay header's trailing comma
    // gives one empty name more).
    bool matchesHeader(const QStringList& header) const;
    // Every column's value, in column order, ready for appendRow: text columns enclosed in quotes
    // (recordText), Mapped columns give their constant. platform is the shop's marketplace; the
    // clock is read for each column that needs it.
    QStringList recordValues(const ItemRecord& record, Platform platform) const;
    // A plain record value as a text column of this layout holds it: in quotes, inner quotes
    // doubled where the layout needs it.
    QString recordText(QStringView plain) const;
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

// Files the assistants exported themselves, whose column names are not known: read by position.
// The PaiPai export has the columns of the converter's PaiPai layout; the eBay export holds the
// title, price, description and picture at these positions.
const AssistantLayout& paipaiExport();
const AssistantLayout& ebayExport();

// Text fields of the item record: the layouts enclose them in quotes when they write them.
bool isTextField(int field);
// A plain value in quotes with inner quotes doubled, and the way back. unquoted() removes one
// pair of enclosing quotes and undoubles the inner ones when the value is one well-formed quoted
// field; other values come back as they are.
QString quotedText(QStringView plain);
QString unquoted(QStringView value);
// quotedText(plain) appended to *out, in one pass.
void appendQuoted(QString* out, QStringView plain);
// True when text is digits with at most one point, after an optional minus sign.
bool isPlainNumber(QStringView text);

// eBay helpers shared with the converter.
// Year, month, day, hour, minute, second (two digits each after the year), then "00000000".
QString productNumber(const QDateTime& now = QDateTime::currentDateTime());
// "yyyy-M-d H:mm:ss"
QString dateTimeText(const QDateTime& now = QDateTime::currentDateTime());
// Double quotes removed, "|:|" appended.
QString ebayPicture(const QString& picture);

// True when text is one quoted field: enclosed in double quotes, inner quotes doubled.
bool isWellFormedQuotedField(QStringView text);

} // namespace AssistantFormat
