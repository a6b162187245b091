#pragma once

#include "base/Marketplace.h"
#include "formats/AssistantFormat.h"
#include "formats/ItemRecord.h"
#include "formats/Taobao5Record.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <memory>
#include <span>

// Where every field of a converted row comes from. A source is read into a SourceRow (its
// layout's table names the field of each column); each target's values come from that row.
namespace ConversionMapping {

using Fields = std::span<const QStringView>;

// Long descriptions lose their markup and are cut to this many characters.
inline constexpr qsizetype kLongDescription = 25000;

// Below kLongDescription characters, cleanFieldText(x); otherwise cleanFieldText of the first
// kLongDescription characters of stripTags(x).
QString desc(const QString& text);
// cleanFieldText(text) in one pass, appended to *out: the same result without the intermediate
// copies, which matter on descriptions of thousands of characters.
void appendCleanField(QString* out, QStringView text);
// Six-decimal formatting, or the text unchanged when it is not a number.
QString sixDecimalsOrText(QStringView text);

// One source item as every target reads it: the item record's fields as plain values (no
// enclosing quotes, entities as the source had them), which of them the source layout holds, and
// whose assistant wrote the layout. Where a target's field is not held, the target takes the
// fixed value the conversion rules give for that source marketplace.
inline constexpr quint32 kAllFields = (1U << ItemRecord::kFieldCount) - 1U;

struct SourceRow {
    ItemRecord record;
    quint32 held = 0; // bit ItemRecord::indexOf(field) per field the layout holds
    Platform origin = Platform::Taobao;
    // An item of today's Taobao layout as read: what the record has no field for (variants,
    // picture addresses, numbers). Null for the other layouts.
    std::shared_ptr<const Taobao5Record> current;
    // An older-layout Taobao line handed straight on to be written may leave its description as
    // the line quotes it: quotedDescription, valid only during that call, while record holds no
    // description. plain() gives the row with the description in the record.
    bool descriptionInSource = false;
    QStringView quotedDescription;
    // The reader found no NUL and no U+FFFD in the row's values.
    bool checkedText = false;

    SourceRow plain() const;

    bool holds(ItemRecord::Field field) const { return (held >> ItemRecord::indexOf(field)) & 1U; }
    // Held and not empty.
    bool hasValue(ItemRecord::Field field) const { return holds(field) && !record[field].isEmpty(); }
    const QString& operator[](ItemRecord::Field field) const { return record[field]; }
};

// A row of a comma-separated layout read by its table: every column that carries a field gives
// it (the eBay picture without the marker the layout appends). values have no quoting left.
SourceRow rowFromLayout(const AssistantLayout& layout, const QStringList& values, Platform origin);
// An older-layout Taobao line: the 31 fields in record order, text fields in their quotes. With
// descriptionInSource the description stays a view of its field (SourceRow::quotedDescription).
SourceRow rowFromTaobaoFields(Fields fields, bool descriptionInSource = false);
// The same into *row, whose strings' memory is used again where no copy of the row shares it.
void readTaobaoFields(SourceRow* row, Fields fields, bool descriptionInSource);
// A record as the item parsers and the current-layout reading fill it; held names the fields its
// layout carries (all by default).
SourceRow rowFromRecord(const ItemRecord& record, quint32 held = kAllFields);

// The values of each converter layout (31 Taobao, 35 PaiPai, 88 eBay), plain: the layout's
// writer quotes them (AssistantLayout::appendPlainRow).
QStringList toTaobao(const SourceRow& row);
QStringList toPaiPai(const SourceRow& row);
QStringList toEbay(const SourceRow& row, const QDateTime& now);

// The 88 eBay values with their constants and clock fields filled in for the moment `now`.
QStringList ebayDefaults(const QDateTime& now);

} // namespace ConversionMapping
