#include "formats/ConversionMapping.h"

#include "base/StepError.h"
#include "formats/AssistantColumns.h"
#include "formats/AssistantFormat.h"
#include "formats/ItemRecord.h"
#include "formats/NumberFormat.h"
#include "web/EntityDecoder.h"
#include "web/TextHelpers.h"

namespace ConversionMapping {

namespace {

const QString kEmptyQuoted = QStringLiteral("\"\"");
const QString kZeroSpace = QStringLiteral("0 ");
const QString kPublishTime = QStringLiteral("\"1980-01-01 00:00:00\"");
const QString kPutStore = QStringLiteral("\"-2\"");

using Field = ItemRecord::Field;
using PaiPai = PaiPaiConverterColumn;
using Ebay = EbaySourceColumn;

// Shares the source's memory instead of copying it: a row is written before its source goes.
QString at(Fields fields, std::size_t index) {
    return index < fields.size() ? QString::fromRawData(fields[index].data(), fields[index].size())
                                 : QString();
}

QString at(Fields taobao, Field field) {
    return at(taobao, static_cast<std::size_t>(ItemRecord::indexOf(field)));
}

QString at(Fields paipai, PaiPai column) {
    return at(paipai, static_cast<std::size_t>(columnIndex(column)));
}

QString at(Fields ebay, Ebay column) {
    return at(ebay, static_cast<std::size_t>(columnIndex(column)));
}

QStringList paipaiRow(const QString& title, const QString& auctionType, const QString& category,
                      const QString& quantity, const QString& duration, const QString& stuffStatus,
                      const QString& price, const QString& increment, const QString& shippingOption,
                      const QString& ordinaryPostFee, const QString& fastPostFee, const QString& paymentEtc,
                      const QString& secureTradeAgree, const QString& picture, const QString& description) {
    const QString minusOne = QStringLiteral("-1");
    const QString zero = QStringLiteral("0");
    const QString one = QStringLiteral("1");
    return {minusOne,
            minusOne,
            minusOne,
            title,
            kEmptyQuoted,
            auctionType,
            category,
            kEmptyQuoted,
            kEmptyQuoted,
            quantity,
            duration,
            kEmptyQuoted,
            stuffStatus,
            price,
            increment,
            kEmptyQuoted,
            kEmptyQuoted,
            shippingOption,
            ordinaryPostFee,
            fastPostFee,
            paymentEtc,
            paymentEtc,
            paymentEtc,
            secureTradeAgree,
            one,
            zero,
            kEmptyQuoted,
            zero,
            picture,
            QString(),
            description,
            kEmptyQuoted,
            kPutStore,
            QStringLiteral("80"),
            QStringLiteral("80")};
}

QStringList taobaoRow(const QString& title, const QString& condition, const QString& saleType,
                      const QString& price, const QString& increment, const QString& quantity,
                      const QString& freightPayer, const QString& postFee, const QString& emsFee,
                      const QString& expressFee, const QString& description, const QString& picture) {
    const QString zero = QStringLiteral("0");
    const QString one = QStringLiteral("1");
    return {title,
            kZeroSpace,
            zero,
            condition,
            kEmptyQuoted,
            kEmptyQuoted,
            saleType,
            price,
            increment,
            quantity,
            QStringLiteral("7"),
            freightPayer,
            postFee,
            emsFee,
            expressFee,
            zero,
            one,
            zero,
            one,
            one,
            zero,
            zero,
            kPublishTime,
            kEmptyQuoted,
            description,
            picture,
            kEmptyQuoted,
            kZeroSpace,
            zero,
            kZeroSpace,
            zero};
}

QStringList ebayRow(const QDateTime& now, const QString& title, const QString& quantity, const QString& price,
                    const QString& description, const QString& picture) {
    QStringList values = ebayDefaults(now);
    values[columnIndex(EbayColumn::Title)] = title;
    values[columnIndex(EbayColumn::Quantity)] = quantity;
    values[columnIndex(EbayColumn::Price)] = price;
    values[columnIndex(EbayColumn::Description)] = description;
    values[columnIndex(EbayColumn::Picture)] = picture;
    return values;
}

// cleanFieldText(text) enclosed in double quotes.
QString quotedClean(QStringView text) {
    QString result;
    result.reserve(text.size() + 2);
    result.append(u'"');
    appendCleanField(&result, text);
    result.append(u'"');
    return result;
}

} // namespace

void appendCleanField(QString* out, QStringView text) {
    const qsizetype start = out->size();
    out->resize(start + text.size());
    QChar* to = out->data() + start;
    const QChar* from = text.data();
    const QChar* const end = from + text.size();
    while (from < end) {
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
    if (text.size() < kLongDescription) {
        QString result;
        appendCleanField(&result, text);
        return result;
    }
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

QStringView withoutEnclosingQuotes(QStringView text) {
    if (text.size() >= 2 && text.front() == u'"' && text.back() == u'"')
        return text.sliced(1, text.size() - 2);
    return text;
}

QStringList taobaoToPaiPai(Fields taobao) {
    constexpr auto kDescription = static_cast<std::size_t>(ItemRecord::indexOf(Field::Description));
    const QStringView description =
        taobao.size() > kDescription ? withoutEnclosingQuotes(taobao[kDescription]) : QStringView();
    return paipaiRow(decodeNamedEntities(at(taobao, Field::Title)), at(taobao, Field::SaleType),
                     at(taobao, Field::Category), at(taobao, Field::Quantity), at(taobao, Field::Duration),
                     at(taobao, Field::Condition), at(taobao, Field::Price), at(taobao, Field::Increment),
                     at(taobao, Field::FreightPayer), at(taobao, Field::PostFee),
                     at(taobao, Field::ExpressFee), QStringLiteral("0"), QStringLiteral("1"),
                     at(taobao, Field::Picture), quotedClean(description));
}

QStringList taobaoToEbay(Fields taobao, const QDateTime& now) {
    return ebayRow(now, decodeNamedEntities(at(taobao, Field::Title)), at(taobao, Field::Quantity),
                   at(taobao, Field::Price), at(taobao, Field::Description),
                   AssistantFormat::ebayPicture(at(taobao, Field::Picture)));
}

QStringList paipaiToTaobao(Fields record) {
    return taobaoRow(quoted(decodeNamedEntities(at(record, PaiPai::Title))), at(record, PaiPai::Condition),
                     quoted(at(record, PaiPai::SaleType)), sixDecimalsOrText(at(record, PaiPai::Price)),
                     sixDecimalsOrText(at(record, PaiPai::Increment)), at(record, PaiPai::Quantity),
                     QStringLiteral("2"), NumberFormat::zeroDefault(), NumberFormat::zeroDefault(),
                     NumberFormat::zeroDefault(), quoted(desc(at(record, PaiPai::Description))),
                     quoted(at(record, PaiPai::Picture)));
}

QStringList paipaiToEbay(Fields record, const QDateTime& now) {
    return ebayRow(now, decodeNamedEntities(at(record, PaiPai::Title)), at(record, PaiPai::Quantity),
                   at(record, PaiPai::Price), at(record, PaiPai::Description),
                   AssistantFormat::ebayPicture(at(record, PaiPai::Picture)));
}

QStringList ebayToTaobao(Fields record) {
    return taobaoRow(quoted(decodeNamedEntities(at(record, Ebay::Title))), QStringLiteral("5"),
                     QStringLiteral("\"a\""), at(record, Ebay::Price), NumberFormat::zeroDefault(),
                     QStringLiteral("99"), QStringLiteral("1"), NumberFormat::sixDecimals(10.0),
                     NumberFormat::sixDecimals(25.0), NumberFormat::sixDecimals(20.0),
                     quoted(desc(at(record, Ebay::Description))), quotedClean(at(record, Ebay::Picture)));
}

QStringList ebayToPaiPai(Fields record) {
    const QString zero = QStringLiteral("0");
    const QString postFee = QStringLiteral("0.00");
    return paipaiRow(decodeNamedEntities(at(record, Ebay::Title)), zero, zero, QStringLiteral("99"),
                     QStringLiteral("7"), QStringLiteral("5"), at(record, Ebay::Price), zero,
                     QStringLiteral("2"), postFee, postFee, zero, zero,
                     quotedClean(at(record, Ebay::Picture)), quotedClean(at(record, Ebay::Description)));
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
        default:
            // Record-fed columns are overwritten by the mapping; the rest are constants.
            values.append(column.constant);
            break;
        }
    }
    return values;
}

} // namespace ConversionMapping
