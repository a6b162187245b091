#include "items/ParseEbayItem.h"

#include "base/MarketplaceAddresses.h"
#include "base/Step.h"
#include "formats/ItemRecord.h"
#include "formats/NumberFormat.h"
#include "items/CollectedItemDefaults.h"
#include "items/ItemPageCut.h"
#include "text/Cut.h"
#include "text/TextHelpers.h"

namespace {

const QString kViewportMarker = QStringLiteral("<div id='ss0ViewportImgLyr'>");
const QString kPurchaseMarker = QStringLiteral("<span class='titlePurchase'><img");
const QString kFixedPriceAlt = QStringLiteral("一口价");
const QString kTitleMarker =
    QStringLiteral("</h1></td><td width='100%' class='titlePadding'><h1 class='itemTitle'>");
const QString kTitleHeading = QStringLiteral("<h1 class='itemTitle'>");
const QString kCategoryMarker = QStringLiteral("登录分类：");
const QString kCategoryCellEnd = QStringLiteral("</td></tr></table>");
const QString kPathSeparator = QStringLiteral(" &gt; ");
const QString kConditionMarker = QStringLiteral("<h2 class='itemSpecifics'>");
const QString kNewCondition = QStringLiteral("全新");
const QString kPostageMarker = QStringLiteral("<div id='ship_1'>");
const QString kDescriptionBegin = QStringLiteral("<!-- Begin Description -->");
const QString kDescriptionEnd = QStringLiteral("<!-- End Description -->");
const QString kTaglinePath = QStringLiteral("/aw/pics/sell/templates/images/k2/tagline.gif");

using Cut::before;
using Cut::contains;
using ItemPageCut::after;
using ItemPageCut::from;

// A grid cell showing a number with six decimals; a value that is not numeric leaves the cell
// empty while the record keeps the text as cut.
QString formattedCell(const QString& value) {
    QString cell;
    Step::run([&] { cell = NumberFormat::sixDecimals(value); });
    return cell;
}

} // namespace

QString ebayPictureAddress(const QString& pageText) {
    QString pictureAddress;
    if (contains(pageText, kViewportMarker)) {
        Step::run([&] { pictureAddress = from(pageText, kViewportMarker); });
        Step::run([&] { pictureAddress = after(pictureAddress, QStringLiteral("src='")); });
        Step::run([&] { pictureAddress = before(pictureAddress, QStringLiteral("'")); });
    }
    return pictureAddress;
}

QString ebayPictureFileName(const QString& pictureAddress) {
    QString pictureFileName;
    Step::run([&] { pictureFileName = Cut::afterLast(pictureAddress, QStringLiteral("/")); });
    return pictureFileName;
}

bool isEbayItemPage(const QString& pageText) {
    return contains(pageText, kTitleHeading) || contains(pageText, kDescriptionBegin) ||
           contains(pageText, QStringLiteral("<span class='titlePurchase'>"));
}

QString ebayItemTitle(const QString& pageText) {
    QString title;
    Step::run([&] { title = after(pageText, kTitleMarker); });
    Step::run([&] { title = before(title, QStringLiteral("</h1>")); });
    return title;
}

std::optional<ParsedItem> parseEbayItemPage(const QString& pageText, const QString& picturePath) {
    const QString title = ebayItemTitle(pageText);
    if (title.trimmed().isEmpty())
        return std::nullopt;

    QString saleType;
    QString increment;
    QString category;
    QString condition;
    QString postFee;
    QString expressFee;
    QString description;

    if (contains(pageText, kPurchaseMarker)) {
        Step::run([&] { saleType = from(pageText, kPurchaseMarker); });
        Step::run([&] { saleType = after(saleType, QStringLiteral("alt='")); });
        Step::run([&] { saleType = before(saleType, QStringLiteral("'")); });
    }
    const bool fixedPrice = saleType == kFixedPriceAlt;
    saleType = fixedPrice ? QStringLiteral("b") : QStringLiteral("a");
    increment = fixedPrice ? QStringLiteral("0") : QStringLiteral("1");

    if (contains(pageText, kCategoryMarker)) {
        Step::run([&] { category = after(pageText, kCategoryMarker); });
        if (contains(category, kCategoryCellEnd)) {
            Step::run([&] { category = before(category, kCategoryCellEnd); });
            if (contains(category, kPathSeparator)) {
                // Only the last link of the path names the item's own category.
                Step::run([&] { category = Cut::afterLast(category, QStringLiteral("&gt;")); });
                Step::run([&] { category = from(category, QStringLiteral("category")); });
                Step::run([&] { category = before(category, QStringLiteral("/")); });
                Step::run([&] { category = Cut::remove(category, QStringLiteral("category")); });
            }
        } else {
            category = QStringLiteral("0");
        }
    }

    if (contains(pageText, kConditionMarker)) {
        Step::run([&] { condition = after(pageText, kConditionMarker); });
        Step::run([&] { condition = Cut::trimSpaces(before(condition, QStringLiteral("</h2>"))); });
        condition = condition == kNewCondition ? QStringLiteral("5") : QStringLiteral("6");
    } else {
        condition = QStringLiteral("5");
    }

    if (contains(pageText, kPostageMarker)) {
        Step::run([&] { postFee = after(pageText, kPostageMarker); });
        Step::run([&] { postFee = before(postFee, QStringLiteral("元")); });
        Step::run([&] { postFee = Cut::remove(postFee, QStringLiteral("<b>")); });
    } else {
        postFee = QStringLiteral("0");
    }
    expressFee = QStringLiteral("0");

    Step::run([&] { description = after(pageText, kDescriptionBegin); });
    Step::run([&] { description = before(description, kDescriptionEnd); });
    static const QString tagline = MarketplaceAddresses::kEbayPictureHost + kTaglinePath;
    if (contains(description, tagline))
        Step::run([&] {
            description = before(description, QStringLiteral("<center><img src='") + tagline + u'\'');
        });
    description.replace(u',', QChar(0xFF0C));

    ItemRecord record = collectedItemDefaults();
    record.title = title;
    record.category = category;
    record.condition = condition;
    record.saleType = saleType;
    record.price = QString();
    record.increment = increment;
    record.freightPayer = QStringLiteral("2");
    record.postFee = postFee;
    record.emsFee = NumberFormat::zero();
    record.expressFee = expressFee;
    record.invoice = QStringLiteral("0");
    record.warranty = QStringLiteral("1");
    record.description = cleanFieldText(description);
    record.picture = picturePath;

    // The grid shows the fees and the increment formatted; the record carries them as cut.
    ItemRecord shown = record;
    shown.price = NumberFormat::zero();
    shown.increment = formattedCell(increment);
    shown.postFee = formattedCell(postFee);
    shown.expressFee = formattedCell(expressFee);
    return ParsedItem{shown.values(), record};
}
