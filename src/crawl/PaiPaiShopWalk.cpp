#include "crawl/PaiPaiShopWalk.h"

#include "base/MarketplaceAddresses.h"
#include "base/Step.h"
#include "base/StopSignal.h"
#include "crawl/MarketplaceDescription.h"
#include "crawl/ShopSummary.h"
#include "formats/NumberFormat.h"
#include "items/ParsePaiPaiItem.h"
#include "text/Cut.h"

#include <QStringList>

#include <cmath>
#include <limits>

namespace {

constexpr int kItemsPerListPage = 40;
constexpr int kPiecesPerItem = 9;

// The value of the input whose id marker comes first in the page; empty when it cannot be read.
QString inputValue(const QString& page, const QString& idMarker) {
    QString value;
    Step::run([&] {
        value = Cut::before(Cut::after(Cut::after(page, idMarker), QStringLiteral("value='")),
                            QStringLiteral("'"));
    });
    return value;
}

} // namespace

int paiPaiListPageCount(double itemTotal) {
    const double quotient = itemTotal / kItemsPerListPage;
    double rounded = std::floor(quotient);
    const double fraction = quotient - rounded;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(rounded, 2.0) != 0.0))
        rounded += 1.0;
    return static_cast<int>(rounded) + 1;
}

ReachedItem collectPaiPaiItem(PageSource& pages, const QString& itemAddress, const QString& pageText,
                              const PaiPaiListItem& listItem, const ItemListing& listing) {
    if (pageText.isEmpty())
        return ReachedItem::withFate(ReachedItem::Fate::Unread);
    // No listing can be made without a title: its picture is not worth fetching either.
    if (!hasPaiPaiItemTitle(pageText, listItem.title))
        return ReachedItem::dropped(isPaiPaiItemPage(pageText) ? DropReason::NoTitle : DropReason::OtherPage);
    const QString pictureAddress = paiPaiPictureAddress(listItem.shopNumber, listItem.pictureFileName);
    const QString picturePath = pages.downloadPicture(pictureAddress, listItem.pictureFileName);
    std::optional<ParsedItem> item = parsePaiPaiItemPage(
        pageText, listItem.title, paiPaiSaleType(listItem.saleTypeText), listItem.price, picturePath);
    if (!item)
        return ReachedItem::dropped(DropReason::PageUnreadable);
    item->record.pageAddress = itemAddress;
    item->record.pictureAddress = pictureAddress;
    item->record.shopName = listing.shopName;
    item->record.categoryNames = listing.categoryNames;
    return ReachedItem::parsedItem(std::move(*item));
}

WalkEnd walkPaiPaiShop(const ShopWalkInput& walk) {
    PageSource& pages = walk.pages;
    WalkProgress& progress = walk.progress;
    ItemLoop loop(walk);
    QString shopUrl = walk.shopAddress;

    progress.setStatusText(QStringLiteral("载入拍拍店铺信息......"));
    const QString shopNumber =
        Cut::remove(Cut::remove(shopUrl, MarketplaceAddresses::kPaiPaiShopPrefix), QStringLiteral("/"));
    QString pageHtml = pages.fetchWalkPage(shopUrl, PageSource::Encoding::Gbk);
    // A shop page cut short by a stop, or one that did not come, says nothing about the shop.
    if (walk.stop.isRequested() || !walk.failure.isEmpty())
        return loop.endEarly();

    // The shop's lists are not by category: the items carry the shop's name only.
    const MarketplaceDescription& marketplace = describeMarketplace(Platform::PaiPai);
    const ItemListing listing{shopNameFromTitle(pageHtml, marketplace.shopTitleEndings), {}};
    // Only the shop's own menu block counts: the banner above it and the guest book below it
    // carry look-alike numbers.
    const QString menuMarker = QStringLiteral("id='shopMenuMain'");
    if (Cut::contains(pageHtml, menuMarker))
        pageHtml = Cut::after(pageHtml, menuMarker);
    const QString guestBookMarker = QStringLiteral("<!--拍友留言-->");
    if (Cut::contains(pageHtml, guestBookMarker))
        pageHtml = Cut::before(pageHtml, guestBookMarker);

    // The total is shown as the shop wrote it; "F" stands for a page without one.
    QString totalText = QStringLiteral("0");
    // The shop page's one marker, the one the check before the run looked for, heads the total.
    const QString& totalMarker = marketplace.shopPageMarkers.at(0);
    if (Cut::contains(pageHtml, totalMarker))
        Step::run([&] { totalText = Cut::before(Cut::after(pageHtml, totalMarker), QStringLiteral("<")); });
    else
        totalText = QStringLiteral("F");
    // A total the shop cannot really hold (beyond an int) fails like a missing one instead of
    // overflowing the page count.
    if (!NumberFormat::isNumeric(totalText) ||
        totalText.trimmed().toDouble() > std::numeric_limits<int>::max()) {
        const QString message = QStringLiteral("提取店铺商品总数失败，程序中止！");
        progress.showMessage(message);
        return loop.endEarly(message);
    }
    const double total = totalText.trimmed().toDouble();
    const int pageCount = paiPaiListPageCount(total);
    loop.setTotal(static_cast<int>(total));
    progress.reportShopTotal(loop.total());
    const QString shopSummary = shopSummaryText(totalText, pageCount);
    progress.setStatusText(shopSummary + QStringLiteral("准备分页采集商品信息......"));

    const QString scIdValue = inputValue(pageHtml, QStringLiteral("id='scId'"));
    const QString utypeValue = inputValue(pageHtml, QStringLiteral("id='utype'"));
    if (!shopUrl.endsWith(u'/'))
        shopUrl += u'/';

    // The stated number of pages only bounds the walk: it ends at the first page without an item.
    for (int page = 1; page <= pageCount; ++page) {
        if (pages.stopRequested())
            break;
        const QString pageLabel =
            QStringLiteral("正在采集第") + QString::number(page) + QStringLiteral("页内容......");
        progress.setStatusText(shopSummary + pageLabel);
        pageHtml = pages.fetchWalkPage(shopUrl + scIdValue + u'-' + QString::number(page) + u'-' +
                                           utypeValue + QStringLiteral("/itemlist.js"),
                                       PageSource::Encoding::Gbk);
        if (!walk.failure.isEmpty())
            break;
        const QStringList pieces = pageHtml.split(QStringLiteral("','"));

        // Each item is a group of 9 values from the second on; the second of each group is the
        // item's code.
        ItemLoop::Rules rules;
        rules.pauseMs = walk.pauseMs;
        rules.recordBreakPoints = walk.recordsBreakPoints;
        rules.itemAddress = [&](int cell) -> std::optional<QString> {
            return MarketplaceAddresses::kPaiPaiAuctionHost + pieces.at(1 + cell * kPiecesPerItem);
        };
        rules.collect = [&](int cell) -> ReachedItem {
            const int at = 1 + cell * kPiecesPerItem;
            const QString itemAddress = MarketplaceAddresses::kPaiPaiAuctionHost + pieces.at(at);
            const QString itemPage = pages.fetchPage(itemAddress);
            // A group cut short by the end of the script has no values to parse.
            if (!itemPage.isEmpty() && at + 6 >= pieces.size())
                return ReachedItem::dropped(DropReason::PageUnreadable);
            return collectPaiPaiItem(
                pages, itemAddress, itemPage,
                {shopNumber, pieces.at(at + 2), pieces.at(at + 3), pieces.at(at + 4), pieces.at(at + 6)},
                listing);
        };
        rules.progressStatus = [&](int itemNumber) -> QString {
            return shopSummary + QStringLiteral("已采集商品") + QString::number(itemNumber) +
                   QStringLiteral("个，") + pageLabel;
        };
        const int groups = pieces.size() > 1 ? int((pieces.size() - 2) / kPiecesPerItem + 1) : 0;
        if (loop.walkPage(groups, rules) != ListPageEnd::ItemCells)
            break;
    }
    return loop.endWalk(shopSummary + QStringLiteral("全部采集完成......"));
}
