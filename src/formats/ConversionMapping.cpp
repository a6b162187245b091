#include "formats/ConversionMapping.h"

#include "base/StepError.h"
#include "base/Utf16Words.h"
#include "formats/AssistantColumns.h"
#include "formats/NumberFormat.h"
#include "text/EntityDecoder.h"
#include "text/TextHelpers.h"

#include <algorithm>

namespace ConversionMapping {

namespace {

using Field = ItemRecord::Field;

const QString kZeroSpace = QStringLiteral("0 ");
const QString kPublishTime = QStringLiteral("1980-01-01 00:00:00");
const QString kEbayPictureMarker = QStringLiteral("|:|");

QString cleaned(const QString& text) {
    QString result;
    appendCleanField(&result, text);
    return result;
}

// The held value, or the rule's fixed value for a source that does not hold the field.
QString heldOr(const SourceRow& row, Field field, const QString& fixed) {
    return row.holds(field) ? row[field] : fixed;
}

// The value when the source holds one, else the rule's fixed value: for the fields the rules of
// the assistants' exports fix, which the program's own layouts carry.
QString valueOr(const SourceRow& row, Field field, const QString& fixed) {
    return row.hasValue(field) ? row[field] : fixed;
}

// A PaiPai or eBay source (a Taobao source keeps its own values).
QString fromOtherMarketplace(const SourceRow& row, Field field) {
    const bool paipai = row.origin == Platform::PaiPai;
    const QString zero = QStringLiteral("0");
    switch (field) {
    case Field::Title:
        return decodeNamedEntities(row[field]);
    case Field::Category:
        return valueOr(row, field, kZeroSpace);
    case Field::Condition:
        return heldOr(row, field, QStringLiteral("5"));
    case Field::Province:
    case Field::City:
        return valueOr(row, field, QString());
    case Field::SaleType:
        return heldOr(row, field, QStringLiteral("a"));
    case Field::Price:
        return paipai ? sixDecimalsOrText(row[field]) : row[field];
    case Field::Increment:
        return row.holds(field) ? sixDecimalsOrText(row[field]) : NumberFormat::zeroDefault();
    case Field::Quantity:
        return heldOr(row, field, QStringLiteral("99"));
    case Field::Duration:
        return valueOr(row, field, QStringLiteral("7"));
    case Field::FreightPayer:
        return valueOr(row, field, paipai ? QStringLiteral("2") : QStringLiteral("1"));
    case Field::PostFee:
        return row.hasValue(field) ? sixDecimalsOrText(row[field])
               : paipai            ? NumberFormat::zeroDefault()
                                   : NumberFormat::sixDecimals(10.0);
    case Field::EmsFee:
        return row.hasValue(field) ? sixDecimalsOrText(row[field])
               : paipai            ? NumberFormat::zeroDefault()
                                   : NumberFormat::sixDecimals(25.0);
    case Field::ExpressFee:
        return row.hasValue(field) ? sixDecimalsOrText(row[field])
               : paipai            ? NumberFormat::zeroDefault()
                                   : NumberFormat::sixDecimals(20.0);
    case Field::ShopCategory:
    case Field::PaymentMethod:
    case Field::Invoice:
    case Field::PutInStore:
    case Field::ShopWindow:
    case Field::GroupMinCount:
    case Field::MemberDiscount:
        return zero;
    case Field::Alipay:
    case Field::Warranty:
    case Field::AutoRepost:
        return QStringLiteral("1");
    case Field::StartTime:
        return kPublishTime;
    case Field::Story:
    case Field::Attributes:
        return QString();
    case Field::Description:
        return desc(row[field]);
    case Field::Picture:
        return paipai ? row[field] : cleaned(row[field]);
    case Field::GroupPrice:
    case Field::PostageTemplateId:
        return kZeroSpace;
    }
    return QString();
}

// A PaiPai converter column that carries a record field.
QString paipaiValue(const SourceRow& row, Field field) {
    const bool taobao = row.origin == Platform::Taobao;
    switch (field) {
    case Field::Title:
        return decodeNamedEntities(row[field]);
    case Field::SaleType:
    case Field::Category:
    case Field::Increment:
        return heldOr(row, field, QStringLiteral("0"));
    case Field::Quantity:
        return heldOr(row, field, QStringLiteral("99"));
    case Field::Duration:
        return heldOr(row, field, QStringLiteral("7"));
    case Field::Condition:
        return heldOr(row, field, QStringLiteral("5"));
    case Field::FreightPayer:
        return heldOr(row, field, QStringLiteral("2"));
    case Field::PostFee:
    case Field::ExpressFee:
        return heldOr(row, field, QStringLiteral("0.00"));
    case Field::Picture:
        return taobao ? row[field] : cleaned(row[field]);
    case Field::Description:
        return cleaned(row[field]);
    case Field::Price:
    case Field::ShopCategory:
    case Field::Province:
    case Field::City:
    case Field::EmsFee:
    case Field::PaymentMethod:
    case Field::Alipay:
    case Field::Invoice:
    case Field::Warranty:
    case Field::AutoRepost:
    case Field::PutInStore:
    case Field::ShopWindow:
    case Field::StartTime:
    case Field::Story:
    case Field::Attributes:
    case Field::GroupPrice:
    case Field::GroupMinCount:
    case Field::PostageTemplateId:
    case Field::MemberDiscount:
        break;
    }
    return row[field];
}

} // namespace

void appendCleanField(QString* out, QStringView text) {
    const qsizetype start = out->size();
    out->resize(start + text.size());
    QChar* to = out->data() + start;
    const QChar* from = text.data();
    const QChar* const end = from + text.size();
    // Most of a description is characters the cleaning keeps: they are copied and tested eight
    // at a time, and only the characters up to the comma go one by one. The output never runs
    // ahead of the input, so eight units always fit where they are stored.
    while (from < end) {
        if (end - from >= Utf16Words::kBlock) {
            const uint marks = Utf16Words::atMost(reinterpret_cast<const char16_t*>(from), u',');
            std::copy_n(from, Utf16Words::kBlock, to);
            if (Utf16Words::passUnmarked(marks, from, to))
                continue;
        }
        const char16_t c = from->unicode();
        if (c > u',') {
            *to++ = *from++;
            continue;
        }
        switch (c) {
        case u' ':
            // Pairs of spaces go first, before line breaks are taken out and could make new pairs.
            if (from + 1 < end && from[1] == u' ') {
                from += 2;
                continue;
            }
            *to++ = c;
            break;
        case u'"':
            *to++ = u'\'';
            break;
        case u'\t':
        case u'\r':
        case u'\n':
            break;
        case u',':
            *to++ = QChar(0xFF0C);
            break;
        default:
            *to++ = c;
            break;
        }
        ++from;
    }
    out->truncate(to - out->constData());
}

QString desc(const QString& text) {
    if (text.size() < kLongDescription)
        return cleaned(text);
    QString stripped = stripTags(text);
    qsizetype length = qMin(stripped.size(), kLongDescription);
    // Never keep half of a surrogate pair: it would only become a '?' in GBK.
    if (length > 0 && length < stripped.size() && stripped.at(length - 1).isHighSurrogate())
        --length;
    QString result;
    appendCleanField(&result, QStringView(stripped).left(length));
    return result;
}

QString sixDecimalsOrText(QStringView text) {
    const QString value = text.toString();
    try {
        return NumberFormat::sixDecimals(value);
    } catch (const StepError&) {
        return value;
    }
}

SourceRow rowFromLayout(const AssistantLayout& layout, const QStringList& values, Platform origin) {
    SourceRow row;
    row.origin = origin;
    const qsizetype count = qMin(values.size(), layout.columns.size());
    for (qsizetype i = 0; i < layout.columns.size(); ++i) {
        const LayoutColumn& column = layout.columns.at(i);
        if (column.field < 0)
            continue;
        const auto field = static_cast<Field>(column.field);
        row.held |= 1U << column.field;
        if (i >= count)
            continue;
        row.record[field] = values.at(i);
        if (column.source == ColumnSource::EbayPicture && row.record[field].endsWith(kEbayPictureMarker))
            row.record[field].chop(kEbayPictureMarker.size());
    }
    return row;
}

SourceRow SourceRow::plain() const {
    SourceRow row = *this;
    if (descriptionInSource) {
        row.record.description = AssistantFormat::unquoted(quotedDescription);
        row.descriptionInSource = false;
        row.quotedDescription = {};
    }
    return row;
}

void readTaobaoFields(SourceRow* row, Fields fields, bool descriptionInSource) {
    // The value into the memory the row's string already holds, unless another string shares it.
    const auto assign = [](QString& to, QStringView value) {
        to.resize(value.size());
        std::copy_n(value.data(), value.size(), to.data());
    };
    row->origin = Platform::Taobao;
    row->held = kAllFields;
    row->current.reset();
    row->checkedText = false;
    row->descriptionInSource = false;
    row->quotedDescription = {};
    const int count = qMin(static_cast<int>(fields.size()), ItemRecord::kFieldCount);
    constexpr int kDescription = ItemRecord::indexOf(Field::Description);
    for (int i = 0; i < ItemRecord::kFieldCount; ++i) {
        QString& to = row->record[static_cast<Field>(i)];
        if (i >= count) {
            to.resize(0);
            continue;
        }
        const QStringView value = fields[static_cast<std::size_t>(i)];
        if (i == kDescription && descriptionInSource) {
            row->descriptionInSource = true;
            row->quotedDescription = value;
            to.resize(0);
            continue;
        }
        if (!AssistantFormat::isTextField(i)) {
            assign(to, value);
            continue;
        }
        // Most quoted values hold no quote inside: their inside is the plain value.
        const bool enclosed = value.size() >= 2 && value.front() == u'"' && value.back() == u'"';
        const QStringView inner = enclosed ? value.sliced(1, value.size() - 2) : value;
        if (!inner.contains(u'"'))
            assign(to, inner);
        else
            to = AssistantFormat::unquoted(value);
    }
}

SourceRow rowFromTaobaoFields(Fields fields, bool descriptionInSource) {
    SourceRow row;
    readTaobaoFields(&row, fields, descriptionInSource);
    return row;
}

SourceRow rowFromRecord(const ItemRecord& record, quint32 held) {
    SourceRow row;
    row.origin = Platform::Taobao;
    row.held = held;
    row.record = record;
    return row;
}

QStringList toTaobao(const SourceRow& row) {
    if (row.origin == Platform::Taobao)
        return row.record.values();
    QStringList values;
    values.reserve(ItemRecord::kFieldCount);
    for (int i = 0; i < ItemRecord::kFieldCount; ++i)
        values.append(fromOtherMarketplace(row, static_cast<Field>(i)));
    return values;
}

QStringList toPaiPai(const SourceRow& row) {
    const auto& columns = AssistantFormat::paipaiConverter().columns;
    QStringList values;
    values.reserve(columns.size());
    for (const LayoutColumn& column : columns) {
        if (column.field >= 0)
            values.append(paipaiValue(row, static_cast<Field>(column.field)));
        else if (column.source == ColumnSource::Mapped) // the secure-trade agreement
            values.append(row.origin == Platform::Taobao ? QStringLiteral("1") : QStringLiteral("0"));
        else
            values.append(column.constant);
    }
    return values;
}

QStringList toEbay(const SourceRow& row, const QDateTime& now) {
    // The clock columns change once a second: the rows of one second share them, and the clock
    // is formatted once per second, not once per row.
    struct Second {
        QDate date;
        int second = -1;
        QStringList defaults;
    };
    thread_local Second last;
    const QDate date = now.date();
    const int second = now.time().msecsSinceStartOfDay() / 1000;
    if (last.second != second || last.date != date) {
        last.defaults = ebayDefaults(now);
        last.date = date;
        last.second = second;
    }
    QStringList values = last.defaults;
    values[columnIndex(EbayColumn::Title)] = decodeNamedEntities(row[Field::Title]);
    values[columnIndex(EbayColumn::Quantity)] = row[Field::Quantity];
    values[columnIndex(EbayColumn::Price)] = row[Field::Price];
    values[columnIndex(EbayColumn::Description)] = row[Field::Description];
    values[columnIndex(EbayColumn::Picture)] = AssistantFormat::ebayPicture(row[Field::Picture]);
    return values;
}

QStringList ebayDefaults(const QDateTime& now) {
    const QString dateTime = AssistantFormat::dateTimeText(now);
    const QString productNumber = AssistantFormat::productNumber(now);
    const auto& columns = AssistantFormat::ebayConverter().columns;
    QStringList values;
    values.reserve(columns.size());
    for (const LayoutColumn& column : columns) {
        switch (column.source) {
        case ColumnSource::ProductNumber:
            values.append(productNumber);
            break;
        case ColumnSource::CurrentDateTime:
            values.append(dateTime);
            break;
        case ColumnSource::Constant:
        case ColumnSource::RecordField:
        case ColumnSource::DecodedTitle:
        case ColumnSource::PlatformCategory:
        case ColumnSource::EbayPicture:
        case ColumnSource::Mapped:
            // Record-fed columns are overwritten by the mapping; the rest are constants.
            values.append(column.constant);
            break;
        }
    }
    return values;
}

} // namespace ConversionMapping
