#include "items/ParseEbayItem.h"

#include "app/CollectContext.h"
#include "app/PlatformConstants.h"
#include "app/RunState.h"
#include "formats/ItemRecord.h"
#include "formats/NumberFormat.h"
#include "formats/RowWriter.h"
#include "web/Cut.h"
#include "web/PageFetcher.h"
#include "web/Step.h"
#include "web/TextHelpers.h"

#include <QDir>

namespace {

const QString kViewportMarker = QStringLiteral("<div id='ss0ViewportImgLyr'>");
const QString kPurchaseMarker = QStringLiteral("<span class='titlePurchase'><img");
const QString kFixedPriceAlt = QStringLiteral("一口价");
const QString kTitleMarker =
    QStringLiteral("</h1></td><td width='100%' class='titlePadding'><h1 class='itemTitle'>");
const QString kCategoryMarker = QStringLiteral("登录分类：");
const QString kCategoryCellEnd = QStringLiteral("</td></tr></table>");
const QString kPathSeparator = QStringLiteral(" &gt; ");
const QString kConditionMarker = QStringLiteral("<h2 class='itemSpecifics'>");
const QString kNewCondition = QStringLiteral("全新");
const QString kPostageMarker = QStringLiteral("<div id='ship_1'>");
const QString kDescriptionBegin = QStringLiteral("<!-- Begin Description -->");
const QString kDescriptionEnd = QStringLiteral("<!-- End Description -->");
const QString kTaglinePath = QStringLiteral("/aw/pics/sell/templates/images/k2/tagline.gif");

QString quoted(const QString& text) {
    return u'"' + text + u'"';
}

// A grid cell showing a number with six decimals; a value that is not numeric leaves the cell
// empty while the record keeps the text as cut.
QString formattedCell(const QString& value) {
    QString cell;
    Step::run([&] { cell = NumberFormat::sixDecimals(value); });
    return cell;
}

} // namespace

void ParseEbayItem(CollectContext& ctx, const QString& pageText) {
    if (pageText.isEmpty())
        return;

    QString pictureAddress;
    QString pictureFileName;
    QString saleType;
    QString increment;
    QString title;
    QString category;
    QString condition;
    QString postFee;
    QString expressFee;
    QString description;

    if (Cut::contains(pageText, kViewportMarker)) {
        Step::run([&] { pictureAddress = Cut::from(pageText, kViewportMarker); });
        Step::run([&] { pictureAddress = Cut::after(pictureAddress, QStringLiteral("src='")); });
        Step::run([&] { pictureAddress = Cut::before(pictureAddress, QStringLiteral("'")); });
        // The fetcher refuses names that could leave the picture folder; the record names the
        // same cleaned file it would have written.
        Step::run([&] {
            pictureFileName = SafePictureFileName(Cut::afterLast(pictureAddress, QStringLiteral("/")));
        });
        Step::run([&] { ctx.downloadPicture(pictureAddress, pictureFileName); });
    }

    if (Cut::contains(pageText, kPurchaseMarker)) {
        Step::run([&] { saleType = Cut::from(pageText, kPurchaseMarker); });
        Step::run([&] { saleType = Cut::after(saleType, QStringLiteral("alt='")); });
        Step::run([&] { saleType = Cut::before(saleType, QStringLiteral("'")); });
        Step::run([&] {
            const bool fixedPrice = saleType == kFixedPriceAlt;
            saleType = fixedPrice ? QStringLiteral("b") : QStringLiteral("a");
            increment = fixedPrice ? QStringLiteral("0") : QStringLiteral("1");
        });
    } else {
        saleType = QStringLiteral("a");
        increment = QStringLiteral("1");
    }

    Step::run([&] { title = Cut::after(pageText, kTitleMarker); });
    Step::run([&] { title = Cut::before(title, QStringLiteral("</h1>")); });

    if (Cut::contains(pageText, kCategoryMarker)) {
        Step::run([&] { category = Cut::after(pageText, kCategoryMarker); });
        if (Cut::contains(category, kCategoryCellEnd)) {
            Step::run([&] { category = Cut::before(category, kCategoryCellEnd); });
            if (Cut::contains(category, kPathSeparator)) {
                // Only the last link of the path names the item's own category.
                Step::run([&] { category = Cut::afterLast(category, QStringLiteral("&gt;")); });
                Step::run([&] { category = Cut::from(category, QStringLiteral("category")); });
                Step::run([&] { category = Cut::before(category, QStringLiteral("/")); });
                Step::run([&] { category = Cut::remove(category, QStringLiteral("category")); });
            }
        } else {
            category = QStringLiteral("0");
        }
    }

    if (Cut::contains(pageText, kConditionMarker)) {
        Step::run([&] { condition = Cut::after(pageText, kConditionMarker); });
        Step::run([&] { condition = Cut::trimSpaces(Cut::before(condition, QStringLiteral("</h2>"))); });
        condition = condition == kNewCondition ? QStringLiteral("5") : QStringLiteral("6");
    } else {
        condition = QStringLiteral("5");
    }

    if (Cut::contains(pageText, kPostageMarker)) {
        Step::run([&] { postFee = Cut::after(pageText, kPostageMarker); });
        Step::run([&] { postFee = Cut::before(postFee, QStringLiteral("元")); });
        Step::run([&] { postFee = Cut::remove(postFee, QStringLiteral("<b>")); });
    } else {
        postFee = QStringLiteral("0");
    }
    expressFee = QStringLiteral("0");

    Step::run([&] { description = Cut::after(pageText, kDescriptionBegin); });
    Step::run([&] { description = Cut::before(description, kDescriptionEnd); });
    const QString tagline = PlatformConstants::kEbayPictureHost + kTaglinePath;
    if (Cut::contains(description, tagline))
        Step::run([&] {
            description = Cut::before(description, QStringLiteral("<center><img src='") + tagline + u'\'');
        });
    description.replace(u',', QChar(0xFF0C));

    const QString picturePath =
        QDir::toNativeSeparators(ctx.paths.pictureFolder(ctx.state.outputBaseName) + u'/' + pictureFileName);

    ItemRecord record;
    record.title = quoted(title);
    record.category = category;
    record.shopCategory = QStringLiteral("0");
    record.condition = condition;
    record.province = QStringLiteral("\"\"");
    record.city = QStringLiteral("\"\"");
    record.saleType = quoted(saleType);
    record.price = QString();
    record.increment = increment;
    record.quantity = QStringLiteral("10");
    record.duration = QStringLiteral("7");
    record.freightPayer = QStringLiteral("2");
    record.postFee = postFee;
    record.emsFee = NumberFormat::zero();
    record.expressFee = expressFee;
    record.paymentMethod = QStringLiteral("0");
    record.alipay = QStringLiteral("1");
    record.invoice = QStringLiteral("0");
    record.warranty = QStringLiteral("1");
    record.autoRepost = QStringLiteral("1");
    record.putInStore = QStringLiteral("0");
    record.shopWindow = QStringLiteral("0");
    record.startTime = QStringLiteral("\"1980-01-01 00:00:00\"");
    record.story = QStringLiteral("\"\"");
    record.description = quoted(CleanFieldText(description));
    record.picture = quoted(picturePath);
    record.attributes = QStringLiteral("\"\"");
    record.groupPrice = QStringLiteral("0");
    record.groupMinCount = QStringLiteral("0");
    record.postageTemplateId = QStringLiteral("0");
    record.memberDiscount = QStringLiteral("0");

    // The grid shows the fees and the increment formatted; the record carries them as cut.
    QStringList cells = record.values();
    cells[7] = NumberFormat::zero();
    cells[8] = formattedCell(increment);
    cells[12] = formattedCell(postFee);
    cells[14] = formattedCell(expressFee);
    ShowGridRow(ctx.window, cells);

    ctx.writer.EmitItemRecord(record);
}
