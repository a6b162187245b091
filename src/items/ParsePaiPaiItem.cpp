#include "items/ParsePaiPaiItem.h"

#include "base/MarketplaceAddresses.h"
#include "base/Step.h"
#include "formats/NumberFormat.h"
#include "items/CollectedItemDefaults.h"
#include "items/ItemPageCut.h"
#include "items/SplitPaiPaiLocation.h"
#include "text/Cut.h"
#include "text/TextHelpers.h"

#include <QRegularExpression>

#include <optional>

namespace {

// A field the page did not give stays unset: empty as text, zero as a number.
using Field = std::optional<QString>;

using ItemPageCut::after;

const QString kPathMarker = QStringLiteral("<div id='FullPathShow'>");
const QString kTitleHeading = QStringLiteral("<div class='itemTitle'>");

// A number that cannot be formatted leaves its cell empty.
QString numberCell(const Field& value) {
    if (!value)
        return NumberFormat::zero();
    QString cell;
    Step::run([&] { cell = NumberFormat::sixDecimals(*value); });
    return cell;
}

Field cutCategory(const QString& pageText) {
    Field category;
    Step::run([&] { category = after(pageText, QStringLiteral("<div id='FullPathShow'>")); });
    if (!category)
        return category;
    Step::run([&] { category = Cut::before(*category, QStringLiteral("</div>")); });
    category = Cut::remove(*category, QStringLiteral(">>商品详情"));
    // The last breadcrumb entry links to the item's own category list.
    Step::run([&] { category = Cut::afterLast(*category, QStringLiteral(">>")); });
    Step::run([&] { category = after(*category, QStringLiteral("/list/")); });
    Step::run([&] { category = Cut::before(*category, QStringLiteral("/")); });
    if (Cut::contains(*category, QStringLiteral("-")))
        category = Cut::afterLast(*category, QStringLiteral("-"));
    if (!NumberFormat::isNumeric(*category))
        category = QStringLiteral("0");
    return category;
}

// The text between a marker and the next end marker; unset when either is missing.
Field between(const QString& pageText, const QString& marker, const QString& endMarker) {
    Field value;
    Step::run([&] { value = Cut::before(after(pageText, marker), endMarker); });
    return value;
}

Field cutDescription(const QString& pageText) {
    static const QRegularExpression detailBlock(QStringLiteral("<div id='detail' class='full'>.+?</div>"),
                                                QRegularExpression::CaseInsensitiveOption);
    Field description =
        between(pageText, QStringLiteral("<div id='detail' class='full'>"), QStringLiteral("</li>"));
    auto matches = detailBlock.globalMatch(pageText);
    while (matches.hasNext()) {
        description = matches.next().captured(0);
        Step::run([&] { description = after(*description, QStringLiteral("<td>")); });
        // Drops the closing "</td></tr></table></div>" of the detail table.
        description = Cut::remove(*description, Cut::right(*description, 24));
    }
    if (description)
        description->replace(u',', QChar(0xFF0C));
    return description;
}

} // namespace

QString paiPaiSaleType(const QString& saleTypeText) {
    return saleTypeText == QStringLiteral("一口价") ? QStringLiteral("b") : QStringLiteral("a");
}

QString paiPaiPictureAddress(const QString& shopNumber, const QString& pictureFileName) {
    return MarketplaceAddresses::kPaiPaiImageHost + QStringLiteral("/cgi-bin/showimg?uin=") + shopNumber +
           QStringLiteral("&filename=") + pictureFileName + QStringLiteral("&type=1");
}

bool isPaiPaiItemPage(const QString& pageText) {
    return Cut::contains(pageText, kPathMarker) || Cut::contains(pageText, kTitleHeading);
}

bool hasPaiPaiItemTitle(const QString& pageText, const QString& listTitle) {
    if (listTitle.trimmed().isEmpty())
        return false;
    // A page of the item's own layout whose heading is empty shows an item without its title.
    QString heading;
    if (!Step::run([&] { heading = Cut::before(after(pageText, kTitleHeading), QStringLiteral("</h1>")); }))
        return true;
    heading = Cut::remove(heading, QStringLiteral("<h1>"));
    return !heading.trimmed().isEmpty();
}

std::optional<ParsedItem> parsePaiPaiItemPage(const QString& pageText, const QString& listTitle,
                                              const QString& saleType, const QString& listPrice,
                                              const QString& picturePath) {
    if (!hasPaiPaiItemTitle(pageText, listTitle))
        return std::nullopt;
    const Field category = cutCategory(pageText);

    const Field conditionText = [&] {
        Field value;
        Step::run([&] { value = after(pageText, QStringLiteral("新旧程度：")); });
        if (value)
            Step::run([&] { value = Cut::before(*value, QStringLiteral("</span>")); });
        return value;
    }();
    const QString condition =
        conditionText == QStringLiteral("全新") ? QStringLiteral("5") : QStringLiteral("6");

    Field province;
    Field city;
    const QString showCity = QStringLiteral("<script>showCity('");
    if (Cut::contains(pageText, showCity)) {
        QString location = after(pageText, showCity);
        Step::run([&] { location = Cut::before(location, QStringLiteral("'")); });
        const PaiPaiLocation split = splitPaiPaiLocation(location);
        province = split.province;
        city = split.city;
    }

    Field increment = QStringLiteral("0");
    if (Cut::contains(pageText, QStringLiteral("加价幅度：")))
        increment = between(pageText, QStringLiteral("加价幅度："), QStringLiteral("元"));

    Field postFee = QStringLiteral("0");
    Field expressFee = QStringLiteral("0");
    const QString postageMarker = QStringLiteral("运费支付：平邮：");
    if (Cut::contains(pageText, postageMarker)) {
        const QString postage = after(pageText, postageMarker);
        postFee.reset();
        Step::run([&] { postFee = Cut::before(postage, QStringLiteral("元")); });
        // The courier fee belongs to the same postage line; a "快递：" elsewhere on the page
        // (a shop notice above it) is no fee.
        expressFee = between(postage, QStringLiteral("快递："), QStringLiteral("元"));
    }

    const auto flag = [&](const QString& marker, const QString& yes) {
        return between(pageText, marker, QStringLiteral("</li>")) == yes ? QStringLiteral("1")
                                                                         : QStringLiteral("0");
    };
    const QString invoice = flag(QStringLiteral("<b>发 票：</b>"), QStringLiteral("有发票"));
    const QString warranty = flag(QStringLiteral("<b>保 修：</b>"), QStringLiteral("有保修"));

    const QString description = cleanFieldText(cutDescription(pageText).value_or(QString()));

    ItemRecord record = collectedItemDefaults();
    record.title = listTitle;
    record.category = category.value_or(QString());
    record.condition = condition;
    record.province = province.value_or(QString());
    record.city = city.value_or(QString());
    record.saleType = saleType;
    record.price = numberCell(listPrice);
    record.increment = increment.value_or(QString());
    record.freightPayer = QStringLiteral("2");
    record.postFee = postFee.value_or(QString());
    record.emsFee = numberCell(QStringLiteral("0"));
    record.expressFee = expressFee.value_or(QString());
    record.invoice = invoice;
    record.warranty = warranty;
    record.description = description;
    record.picture = picturePath;

    ItemRecord shown = record;
    shown.increment = numberCell(increment);
    shown.postFee = numberCell(postFee);
    shown.expressFee = numberCell(expressFee);
    return ParsedItem{shown.values(), record};
}
