#include "crawl/EbayShopWalk.h"

#include "base/Step.h"
#include "base/StepError.h"
#include "base/StopSignal.h"
#include "crawl/ItemLoop.h"
#include "crawl/MarketplaceDescription.h"
#include "crawl/ShopSummary.h"
#include "formats/NumberFormat.h"
#include "items/ParseEbayItem.h"
#include "text/Cut.h"
#include "text/TextHelpers.h"

#include <QRegularExpression>

namespace {

const QString kListSuffix = QStringLiteral("_W0QQfsubZ0QQsclZQ2d1QQtZkm");
const QString kPagePart = QStringLiteral("QQpZ");
const QString kTotalEnd = QStringLiteral("件物品");
constexpr int kItemsPerPage = 30;
constexpr int kListLinkWindow = 100;

// The text from the first case-insensitive occurrence of marker on; the address the user typed
// is lower-cased, while the shop's own pages spell the store name with capitals.
QString fromIgnoringCase(const QString& text, const QString& marker) {
    const qsizetype at = text.indexOf(marker, 0, Qt::CaseInsensitive);
    if (at < 0)
        throw StepError(QStringLiteral("marker not found: ") + marker);
    return text.mid(at);
}

} // namespace

ReachedItem collectEbayItem(PageSource& pages, const QString& itemAddress, const QString& pageText,
                            const ItemListing& listing) {
    if (pageText.isEmpty())
        return ReachedItem::dropped(DropReason::PageUnreadable);
    // No listing can be made without a title: its picture is not worth fetching either.
    if (ebayItemTitle(pageText).trimmed().isEmpty())
        return ReachedItem::dropped(isEbayItemPage(pageText) ? DropReason::NoTitle : DropReason::OtherPage);
    const QString pictureAddress = ebayPictureAddress(pageText);
    // Without a picture address nothing is fetched, and the record names the bare picture folder.
    const QString picturePath = pages.downloadPicture(
        pictureAddress, pictureAddress.isEmpty() ? QString() : ebayPictureFileName(pictureAddress));
    std::optional<ParsedItem> item = parseEbayItemPage(pageText, picturePath);
    if (!item)
        return ReachedItem::dropped(DropReason::PageUnreadable);
    item->record.pageAddress = itemAddress;
    item->record.pictureAddress = pictureAddress;
    item->record.shopName = listing.shopName;
    item->record.categoryNames = listing.categoryNames;
    return ReachedItem::parsedItem(std::move(*item));
}

WalkEnd walkEbayShop(const ShopWalkInput& walk) {
    static const QRegularExpression itemHeading(QStringLiteral("<h3 class='ens fontnormal'>.+?</h3>"),
                                                QRegularExpression::CaseInsensitiveOption);
    PageSource& pages = walk.pages;
    WalkProgress& progress = walk.progress;
    ItemLoop loop(walk);
    QString shopUrl = walk.shopAddress;

    progress.setStatusText(QStringLiteral("载入易趣店铺信息......"));
    QString pageHtml = pages.fetchWalkPage(shopUrl, PageSource::Encoding::Utf8);
    // The walk reads the all-items list, by no category: the items carry the shop's name only.
    const MarketplaceDescription& marketplace = describeMarketplace(Platform::Ebay);
    const ItemListing listing{shopNameFromTitle(pageHtml, marketplace.shopTitleEndings), {}};
    // The shop page's markers, the ones the check before the run looked for: the link to the
    // all-items list (its text, right after the link's tag), and the words before the total that
    // list states.
    const QString listLinkMarker = QStringLiteral("'>") + marketplace.shopPageMarkers.at(0);
    const QString& shopMarker = marketplace.shopPageMarkers.at(1);
    const qsizetype listPart = shopUrl.indexOf(QStringLiteral("_w"), 0, Qt::CaseInsensitive);
    if (listPart >= 0)
        shopUrl = shopUrl.left(listPart);

    QString listAddress;
    if (Cut::contains(pageHtml, listLinkMarker)) {
        Step::run([&] { listAddress = Cut::right(Cut::before(pageHtml, listLinkMarker), kListLinkWindow); });
        Step::run([&] { listAddress = fromIgnoringCase(listAddress, shopUrl + u'_'); });
        if (walk.failure.isEmpty())
            pageHtml = pages.fetchWalkPage(listAddress, PageSource::Encoding::Utf8);
    } else {
        listAddress = shopUrl + kListSuffix;
    }

    // A shop page cut short by a stop, or one that did not come, says nothing about the shop.
    if (walk.stop.isRequested() || !walk.failure.isEmpty())
        return loop.endEarly();
    if (!Cut::contains(pageHtml, shopMarker)) {
        WalkEnd end =
            loop.endEarly(QStringLiteral("没有找到店铺特征,请多试几次,如果仍有此提示,请与开发者联系~~"));
        end.lastStatus = end.reason;
        return end;
    }

    QString totalText;
    Step::run([&] {
        totalText = Cut::before(Cut::after(pageHtml, shopMarker), kTotalEnd);
        totalText = Cut::remove(Cut::remove(Cut::trimSpaces(totalText), QStringLiteral("<b>")),
                                QStringLiteral("</b>"));
    });
    // A total that cannot be read walks no pages.
    int itemTotal = 0;
    int pageCount = 0;
    Step::run([&] {
        itemTotal = NumberFormat::wholeNumber(totalText);
        pageCount = itemTotal / kItemsPerPage + 1;
    });
    loop.setTotal(itemTotal);
    progress.reportShopTotal(itemTotal);
    const QString shopSummary = shopSummaryText(totalText, pageCount);

    // The stated number of pages only bounds the walk: it ends at the first page without an item.
    for (int page = 1; page <= pageCount; ++page) {
        if (pages.stopRequested())
            break;
        const QString pageLabel =
            QStringLiteral("正在采集第") + QString::number(page) + QStringLiteral("页内容......");
        progress.setStatusText(shopSummary + pageLabel);
        pageHtml =
            pages.fetchWalkPage(listAddress + kPagePart + QString::number(page), PageSource::Encoding::Utf8);
        if (!walk.failure.isEmpty())
            break;

        QStringList headings;
        QRegularExpressionMatchIterator matches = itemHeading.globalMatch(pageHtml);
        while (matches.hasNext())
            headings.append(matches.next().captured(0));

        ItemLoop::Rules rules;
        rules.pauseMs = walk.pauseMs;
        rules.recordBreakPoints = walk.recordsBreakPoints;
        rules.itemAddress = [&](int cell) -> std::optional<QString> {
            QString itemLink;
            Step::run([&] {
                itemLink =
                    extractHref(headings.at(cell)).replace(QStringLiteral("&amp;"), QStringLiteral("&"));
            });
            return itemLink;
        };
        rules.collect = [&](int cell) -> ReachedItem {
            QString itemLink;
            // A heading without a readable link is counted but not fetched, so no other item's
            // page is parsed in its place.
            if (!Step::run([&] {
                    itemLink =
                        extractHref(headings.at(cell)).replace(QStringLiteral("&amp;"), QStringLiteral("&"));
                }))
                return ReachedItem::dropped(DropReason::PageUnreadable);
            return collectEbayItem(pages, itemLink, pages.fetchPageUtf8(itemLink), listing);
        };
        rules.progressStatus = [&](int itemNumber) -> QString {
            return shopSummary + QStringLiteral("已采集商品") + QString::number(itemNumber) +
                   QStringLiteral("个，") + pageLabel;
        };
        if (loop.walkPage(int(headings.size()), rules) != ListPageEnd::ItemCells)
            break;
    }
    return loop.endWalk(shopSummary + QStringLiteral("全部采集完成......"));
}
