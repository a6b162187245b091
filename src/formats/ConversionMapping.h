#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <span>

// Where every field of a converted row comes from, per (source, target) pair. Source fields are
// counted from 0: the TAB-separated fields of a Taobao line, or the columns of a PaiPai or eBay
// record. A field the source does not have reads as empty text.
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
// The text without one pair of enclosing double quotes, if it has them.
QStringView withoutEnclosingQuotes(QStringView text);

// Rows of the converter's layouts (35 PaiPai fields, 31 Taobao fields, 88 eBay fields), values
// only: the layout joins them. Values taken over unchanged share the memory of the source fields,
// so a row is written before its source text goes away.
QStringList taobaoToPaiPai(Fields taobao);
QStringList taobaoToEbay(Fields taobao, const QDateTime& now);
QStringList paipaiToTaobao(Fields record);
QStringList paipaiToEbay(Fields record, const QDateTime& now);
QStringList ebayToTaobao(Fields record);
QStringList ebayToPaiPai(Fields record);

// The 88 eBay values with their constants and clock fields filled in for the moment `now`.
QStringList ebayDefaults(const QDateTime& now);

} // namespace ConversionMapping
