#include "formats/Taobao5Mapping.h"

#include "formats/AssistantFormat.h"

#include <QDir>
#include <QFileInfo>

#include <cmath>
#include <cstring>

namespace Taobao5Mapping {

namespace {

const QString kPublishTime = QStringLiteral("1980-01-01 00:00:00");
constexpr double kLargestFee = 99999.99;

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// Digits with at most one point and at least one digit; no sign, no exponent.
bool isPlainDecimal(QStringView text) {
    int digits = 0;
    bool point = false;
    for (QChar c : text) {
        if (isDigit(c)) {
            ++digits;
        } else if (c == u'.' && !point) {
            point = true;
        } else {
            return false;
        }
    }
    return digits > 0;
}

bool isWholeNumber(QStringView text) {
    if (text.isEmpty())
        return false;
    for (QChar c : text) {
        if (!isDigit(c))
            return false;
    }
    return true;
}

// "00.000000" (a zero-default fee of the older layout) is "0.000000".
QString withoutLeadingZeros(QStringView number) {
    qsizetype start = 0;
    while (start + 1 < number.size() && number[start] == u'0' && isDigit(number[start + 1]))
        ++start;
    return number.sliced(start).toString();
}

// A single-line text as a record value: the older Taobao layout has no room for TAB or a line break.
QString oneLine(QString text) {
    return text.replace(u'\t', u' ').replace(u'\r', u' ').replace(u'\n', u' ');
}

// Inner quotes made apostrophes. Descriptions run to many KB and their markup is full of quotes, so
// four characters are handled per step: a lane that holds '"' gets '"' ^ '\'' flipped.
QString withApostrophes(const QString& text) {
    constexpr quint64 kQuotes = 0x0022002200220022ULL;
    constexpr quint64 kLow15 = 0x7FFF7FFF7FFF7FFFULL;
    constexpr quint64 kFlip = 0x0022 ^ 0x0027;
    const qsizetype size = text.size();
    QString result(size, Qt::Uninitialized);
    auto* to = reinterpret_cast<char16_t*>(result.data());
    const auto* from = reinterpret_cast<const char16_t*>(text.constData());
    qsizetype i = 0;
    for (; i + 4 <= size; i += 4) {
        quint64 lanes;
        std::memcpy(&lanes, from + i, sizeof lanes);
        const quint64 differ = lanes ^ kQuotes;
        // The top bit of each lane is set exactly where the lane equals '"'.
        const quint64 equal = ~(((differ & kLow15) + kLow15) | differ | kLow15);
        lanes ^= (equal >> 15) * kFlip;
        std::memcpy(to + i, &lanes, sizeof lanes);
    }
    for (; i < size; ++i)
        to[i] = from[i] == u'"' ? u'\'' : from[i];
    return result;
}

bool isOne(const QString& value) {
    const QString trimmed = value.trimmed();
    return trimmed == u"1" || trimmed.compare(u"true", Qt::CaseInsensitive) == 0;
}

QString flag(const QString& value) {
    return isOne(value) ? QStringLiteral("1") : QStringLiteral("0");
}

bool anyFee(const QString& post, const QString& ems, const QString& express) {
    return fee(post).toDouble() > 0 || fee(ems).toDouble() > 0 || fee(express).toDouble() > 0;
}

} // namespace

QString fee(QStringView text) {
    const QStringView trimmed = text.trimmed();
    if (!isPlainDecimal(trimmed))
        return QStringLiteral("0");
    bool ok = false;
    const double value = trimmed.toDouble(&ok);
    if (!ok || value > kLargestFee)
        return QStringLiteral("0");
    return withoutLeadingZeros(trimmed);
}

QString plainNumber(QStringView text) {
    const QStringView trimmed = text.trimmed();
    const QStringView unsignedPart = trimmed.startsWith(u'-') ? trimmed.sliced(1) : trimmed;
    if (trimmed.isEmpty())
        return {};
    if (isPlainDecimal(unsignedPart))
        return trimmed.left(trimmed.size() - unsignedPart.size()).toString() +
               withoutLeadingZeros(unsignedPart);
    bool ok = false;
    const double value = trimmed.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return trimmed.toString();
    QString fixed = QString::number(value, 'f', 6);
    while (fixed.endsWith(u'0'))
        fixed.chop(1);
    if (fixed.endsWith(u'.'))
        fixed.chop(1);
    return fixed == u"-0" ? QStringLiteral("0") : fixed;
}

QList<PictureEntry> pictureEntries(QStringView picture) {
    QList<PictureEntry> entries;
    for (QStringView entry : picture.tokenize(u';', Qt::SkipEmptyParts)) {
        entry = entry.trimmed();
        // NAME:1:POSITION:|URL; the address itself holds colons, so it is cut at the bar.
        const qsizetype bar = entry.indexOf(u'|');
        const QStringView head = bar < 0 ? entry : entry.left(bar);
        const QList<QStringView> parts = head.split(u':');
        if (parts.isEmpty() || parts.front().trimmed().isEmpty())
            continue;
        PictureEntry parsed;
        parsed.name = parts.front().trimmed().toString();
        if (parts.size() > 2) {
            bool ok = false;
            const int position = parts.at(2).trimmed().toInt(&ok);
            parsed.position = ok ? position : -1;
        }
        if (bar >= 0)
            parsed.url = entry.sliced(bar + 1).toString();
        entries.append(parsed);
    }
    return entries;
}

QString mainPictureName(QStringView picture) {
    const QList<PictureEntry> entries = pictureEntries(picture);
    for (const PictureEntry& entry : entries) {
        if (entry.position == 0)
            return entry.name;
    }
    return entries.isEmpty() ? QString() : entries.front().name;
}

QString pictureFolder(const QString& csvPath) {
    const QFileInfo file(csvPath);
    return file.dir().filePath(file.completeBaseName());
}

QString localPicturePath(QStringView picture, const QString& csvPath) {
    const QString name = mainPictureName(picture);
    // A name is a file name, never a path out of the picture folder.
    if (name.isEmpty() || name.contains(u'/') || name.contains(u'\\') || name == u".." || name == u".")
        return {};
    const QString path = QDir(pictureFolder(csvPath)).filePath(name + QStringLiteral(".tbi"));
    return QFileInfo(path).isFile() ? path : QString();
}

quint32 recordFields() {
    using Field = ItemRecord::Field;
    quint32 fields = 0;
    for (Field field : {Field::Title,
                        Field::Category,
                        Field::Condition,
                        Field::Province,
                        Field::City,
                        Field::SaleType,
                        Field::Price,
                        Field::Increment,
                        Field::Quantity,
                        Field::Duration,
                        Field::FreightPayer,
                        Field::PostFee,
                        Field::EmsFee,
                        Field::ExpressFee,
                        Field::Invoice,
                        Field::Warranty,
                        Field::PutInStore,
                        Field::ShopWindow,
                        Field::StartTime,
                        Field::Description,
                        Field::Picture,
                        Field::Attributes,
                        Field::PostageTemplateId,
                        Field::MemberDiscount})
        fields |= 1U << ItemRecord::indexOf(field);
    return fields;
}

ItemRecord toItemRecord(const Taobao5Record& item, const QString& csvPath) {
    using F = Taobao5Field;
    ItemRecord record;
    record.title = oneLine(item[F::Title]);
    record.category = item[F::Cid].trimmed();
    record.shopCategory = QStringLiteral("0");
    const QString stuffStatus = item[F::StuffStatus].trimmed();
    record.condition = stuffStatus == u"2"   ? QStringLiteral("8")
                       : stuffStatus == u"3" ? QStringLiteral("6")
                                             : QStringLiteral("5");
    record.province = oneLine(item[F::LocationState]);
    record.city = oneLine(item[F::LocationCity]);
    record.saleType = item[F::ItemType].trimmed() == u"2" ? QStringLiteral("a") : QStringLiteral("b");
    record.price = plainNumber(item[F::Price]);
    record.increment = plainNumber(item[F::AuctionIncrement]);
    record.quantity = plainNumber(item[F::Num]);
    record.duration = plainNumber(item[F::ValidThru]);
    const QString freightPayer = item[F::FreightPayer].trimmed();
    if (freightPayer == u"1")
        record.freightPayer = QStringLiteral("2");
    else if (freightPayer == u"2")
        record.freightPayer = QStringLiteral("1");
    else
        record.freightPayer = anyFee(item[F::PostFee], item[F::EmsFee], item[F::ExpressFee])
                                  ? QStringLiteral("1")
                                  : QStringLiteral("2");
    record.postFee = fee(item[F::PostFee]);
    record.emsFee = fee(item[F::EmsFee]);
    record.expressFee = fee(item[F::ExpressFee]);
    record.paymentMethod = QStringLiteral("0");
    record.alipay = QStringLiteral("1");
    record.invoice = flag(item[F::HasInvoice]);
    record.warranty = flag(item[F::HasWarranty]);
    record.autoRepost = QStringLiteral("1");
    record.putInStore = flag(item[F::ApproveStatus]);
    record.shopWindow = flag(item[F::HasShowcase]);
    const QString listTime = item[F::ListTime].trimmed();
    record.startTime = oneLine(listTime.isEmpty() ? kPublishTime : listTime);
    // Attribute quotes become apostrophes, as on the pages the extraction reads: the mappings
    // that clean descriptions then keep the markup intact.
    record.description = withApostrophes(item[F::Description]);
    record.picture = localPicturePath(item[F::Picture], csvPath);
    record.attributes = oneLine(item[F::CateProps]);
    record.groupPrice = QStringLiteral("0");
    record.groupMinCount = QStringLiteral("0");
    const QString postageId = item[F::PostageId].trimmed();
    record.postageTemplateId = isWholeNumber(postageId) ? postageId : QStringLiteral("0");
    record.memberDiscount = flag(item[F::HasDiscount]);
    return record;
}

Taobao5Record fromItemRecord(const ItemRecord& record) {
    using F = Taobao5Field;
    Taobao5Record item;
    item[F::Title] = record.title;
    const QString category = record.category.trimmed();
    item[F::Cid] = isWholeNumber(category) ? category : QStringLiteral("0");
    const QString condition = record.condition.trimmed();
    item[F::StuffStatus] = condition == u"8"   ? QStringLiteral("2")
                           : condition == u"6" ? QStringLiteral("3")
                                               : QStringLiteral("1");
    item[F::LocationState] = record.province;
    item[F::LocationCity] = record.city;
    item[F::ItemType] = record.saleType.trimmed() == u"a" ? QStringLiteral("2") : QStringLiteral("1");
    item[F::Price] = plainNumber(record.price);
    item[F::AuctionIncrement] = plainNumber(record.increment);
    item[F::Num] = plainNumber(record.quantity);
    item[F::ValidThru] = plainNumber(record.duration);
    const QString freightPayer = record.freightPayer.trimmed();
    if (freightPayer == u"2")
        item[F::FreightPayer] = QStringLiteral("1");
    else if (freightPayer == u"1")
        item[F::FreightPayer] = QStringLiteral("2");
    else
        item[F::FreightPayer] = anyFee(record.postFee, record.emsFee, record.expressFee)
                                    ? QStringLiteral("2")
                                    : QStringLiteral("1");
    item[F::PostFee] = fee(record.postFee);
    item[F::EmsFee] = fee(record.emsFee);
    item[F::ExpressFee] = fee(record.expressFee);
    item[F::HasInvoice] = flag(record.invoice);
    item[F::HasWarranty] = flag(record.warranty);
    item[F::ApproveStatus] = flag(record.putInStore);
    item[F::HasShowcase] = flag(record.shopWindow);
    const QString startTime = record.startTime.trimmed();
    // The extraction's fixed start time means "at once", which an empty list time says.
    item[F::ListTime] = startTime == kPublishTime ? QString() : startTime;
    item[F::Description] = record.description;
    item[F::CateProps] = record.attributes;
    const QString postageId = record.postageTemplateId.trimmed();
    item[F::PostageId] = isWholeNumber(postageId) ? postageId : QStringLiteral("0");
    item[F::HasDiscount] = flag(record.memberDiscount);
    return item;
}

} // namespace Taobao5Mapping
