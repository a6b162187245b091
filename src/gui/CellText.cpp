#include "gui/CellText.h"

#include "formats/ItemRecord.h"
#include "text/EntityDecoder.h"
#include "text/TextHelpers.h"

#include <QRegularExpression>

namespace {

// Enough of a description to recognise it; the whole of it is in the output file.
constexpr qsizetype kDescriptionChars = 120;

QString decodeNumericEntities(const QString& text) {
    if (!text.contains(QStringLiteral("&#")))
        return text;
    QString result;
    result.reserve(text.size());
    qsizetype i = 0;
    while (i < text.size()) {
        const qsizetype start = text.indexOf(QStringLiteral("&#"), i);
        if (start < 0) {
            result += QStringView(text).mid(i);
            break;
        }
        result += QStringView(text).mid(i, start - i);
        const qsizetype end = text.indexOf(u';', start);
        const bool hex =
            start + 2 < text.size() && (text.at(start + 2) == u'x' || text.at(start + 2) == u'X');
        const qsizetype digitsAt = start + (hex ? 3 : 2);
        bool ok = false;
        const uint code = end > digitsAt && end - digitsAt <= 8
                              ? QStringView(text).mid(digitsAt, end - digitsAt).toUInt(&ok, hex ? 16 : 10)
                              : 0;
        // Only a real character is decoded: no NUL, no surrogate half, nothing past Unicode.
        if (ok && code > 0 && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF)) {
            const char32_t character = code;
            result += QString::fromUcs4(&character, 1);
            i = end + 1;
        } else {
            result += u'&';
            i = start + 1;
        }
    }
    return result;
}

// Tags gone, and a tag cut off by the end of the value too (a cell the parser cut in the middle of
// a link); tags first, so that a decoded "&lt;" is not taken for one.
QString withoutTags(const QString& text) {
    if (!text.contains(u'<'))
        return text;
    static const QRegularExpression unfinishedTag(QStringLiteral("<[/A-Za-z!][^>]*$"));
    return stripTags(text).remove(unfinishedTag);
}

enum class CellKind { Text, Money, Number, Category, Description };

CellKind kindOf(int column) {
    using Field = ItemRecord::Field;
    if (column < 0 || column >= ItemRecord::kFieldCount)
        return CellKind::Text;
    switch (static_cast<Field>(column)) {
    case Field::Price:
    case Field::Increment:
    case Field::PostFee:
    case Field::EmsFee:
    case Field::ExpressFee:
    case Field::GroupPrice:
        return CellKind::Money;
    case Field::ShopCategory:
    case Field::Condition:
    case Field::Quantity:
    case Field::Duration:
    case Field::FreightPayer:
    case Field::PaymentMethod:
    case Field::Alipay:
    case Field::Invoice:
    case Field::Warranty:
    case Field::AutoRepost:
    case Field::PutInStore:
    case Field::ShopWindow:
    case Field::GroupMinCount:
    case Field::PostageTemplateId:
    case Field::MemberDiscount:
        return CellKind::Number;
    case Field::Category:
        return CellKind::Category;
    case Field::Description:
        return CellKind::Description;
    case Field::Title:
    case Field::Province:
    case Field::City:
    case Field::SaleType:
    case Field::StartTime:
    case Field::Story:
    case Field::Picture:
    case Field::Attributes:
        return CellKind::Text;
    }
    return CellKind::Text;
}

// "75.000000" as 75.00 in a money column, "10.000000" as 10 elsewhere; text that is no number
// stays as it is.
QString readableNumber(const QString& text, CellKind kind) {
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !qIsFinite(value))
        return text;
    if (kind == CellKind::Money)
        return QString::number(value, 'f', 2);
    QString plain = QString::number(value, 'f', 6);
    while (plain.endsWith(u'0'))
        plain.chop(1);
    if (plain.endsWith(u'.'))
        plain.chop(1);
    return plain == u"-0" ? QStringLiteral("0") : plain;
}

// A category path as a person reads it: "[鞋包\\\女鞋]" and "鞋包 > 女鞋" both as "鞋包 › 女鞋".
QString readableCategory(const QString& text) {
    QString path = text;
    if (path.size() >= 2 && path.startsWith(u'[') && path.endsWith(u']'))
        path = path.mid(1, path.size() - 2);
    static const QRegularExpression separators(QStringLiteral("\\\\+|\\s*(?:>>|>|\u203A)\\s*"));
    QStringList parts = path.split(separators);
    for (QString& part : parts)
        part = part.trimmed();
    parts.removeAll(QString());
    return parts.join(QStringLiteral(" \u203A "));
}

QString foldedSpaces(const QString& text) {
    QString result = text;
    for (QChar& c : result) {
        if (c == u'\t' || c == u'\r' || c == u'\n' || c == QChar(0x00A0))
            c = u' ';
    }
    return result.simplified();
}

} // namespace

QString decodeHtmlEntities(const QString& text) {
    if (!text.contains(u'&'))
        return text;
    return decodeNumericEntities(decodeNamedEntities(text));
}

QString readableCellText(int column, const QString& value) {
    const CellKind kind = kindOf(column);
    QString text = foldedSpaces(decodeHtmlEntities(withoutTags(value)));
    switch (kind) {
    case CellKind::Description:
        if (text.size() > kDescriptionChars)
            text = text.left(kDescriptionChars) + QChar(0x2026);
        return text;
    case CellKind::Money:
    case CellKind::Number:
        return readableNumber(text, kind);
    case CellKind::Category:
        return readableCategory(text);
    case CellKind::Text:
        return text;
    }
    return text;
}

QString readableStatusText(const QString& text) {
    if (!text.contains(u'\\'))
        return text;
    static const QRegularExpression separator(QStringLiteral("\\\\{2,}"));
    return QString(text).replace(separator, QStringLiteral(" \u203A "));
}
