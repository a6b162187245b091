#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// Where a column's value comes from when the row writer fills it from an item record.
enum class ColumnSource {
    Constant,         // LayoutColumn::constant, written as it stands
    RecordField,      // ItemRecord field LayoutColumn::field (0-based), unchanged
    DecodedTitle,     // title through zhuanyi
    PlatformCategory, // category when the shop platform is PaiPai, else "0"
    ProductNumber,    // 22-character number from the local clock
    CurrentDateTime,  // local date and time
    EbayPicture,      // picture without double quotes, "|:|" appended
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
    // Values joined by the separator with the row-integrity rules applied, plus lineEnd.
    QString joinRow(const QStringList& values) const;
};

namespace AssistantFormat {

// Layouts written by the row writer, by Option5 index.
const AssistantLayout& taobao();
const AssistantLayout& paipai();
const AssistantLayout& ebay();
const AssistantLayout& forOption(int option5Index);

// Variants written by the converter.
const AssistantLayout& taobaoConverter();
const AssistantLayout& paipaiConverter();
const AssistantLayout& ebayConverter();

} // namespace AssistantFormat
