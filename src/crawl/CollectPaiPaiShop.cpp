#include "crawl/CollectPaiPaiShop.h"

#include "app/CollectContext.h"
#include "app/RunState.h"
#include "app/SettingsKeys.h"
#include "app/WindowInterface.h"
#include "base/PlatformConstants.h"
#include "base/Step.h"
#include "crawl/ShopSummary.h"
#include "formats/NumberFormat.h"
#include "items/ParsePaiPaiItem.h"
#include "web/Cut.h"
#include "web/PageFetcher.h"

#include <QStringList>

#include <cmath>
#include <limits>

namespace {

constexpr int kItemsPerListPage = 40;
constexpr int kPiecesPerItem = 9;
constexpr int kItemPauseMs = 500;

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

int PaiPaiListPageCount(double itemTotal) {
    const double quotient = itemTotal / kItemsPerListPage;
    double rounded = std::floor(quotient);
    const double fraction = quotient - rounded;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(rounded, 2.0) != 0.0))
        rounded += 1.0;
    return static_cast<int>(rounded) + 1;
}

void CollectPaiPaiShop(CollectContext& ctx) {
    RunState& state = ctx.state;
    WindowInterface& window = ctx.window;

    window.setStatusText(QStringLiteral("载入拍拍店铺信息......"));
    const QString shopNumber =
        Cut::remove(Cut::remove(state.shopUrl, PlatformConstants::kPaiPaiShopPrefix), QStringLiteral("/"));
    state.pageHtml = ctx.fetcher.FetchPage(state.shopUrl);
    // A shop page cut short by a stop says nothing about the shop.
    if (ctx.downloadsCut()) {
        ctx.stop();
        return;
    }

    // Only the shop's own menu block counts: the banner above it and the guest book below it
    // carry look-alike numbers.
    const QString menuMarker = QStringLiteral("id='shopMenuMain'");
    if (Cut::contains(state.pageHtml, menuMarker))
        state.pageHtml = Cut::after(state.pageHtml, menuMarker);
    const QString guestBookMarker = QStringLiteral("<!--拍友留言-->");
    if (Cut::contains(state.pageHtml, guestBookMarker))
        state.pageHtml = Cut::before(state.pageHtml, guestBookMarker);

    // The total is shown as the shop wrote it; "F" stands for a page without one.
    QString totalText = QString::number(state.itemTotal);
    const QString totalMarker = QStringLiteral("商品数量：");
    if (Cut::contains(state.pageHtml, totalMarker))
        Step::run(
            [&] { totalText = Cut::before(Cut::after(state.pageHtml, totalMarker), QStringLiteral("<")); });
    else
        totalText = QStringLiteral("F");
    // A total the shop cannot really hold (beyond an int) fails like a missing one instead of
    // overflowing the page count.
    if (!NumberFormat::isNumeric(totalText) ||
        totalText.trimmed().toDouble() > std::numeric_limits<int>::max()) {
        window.showMessage(QStringLiteral("提取店铺商品总数失败，程序中止！"));
        ctx.stop();
        return;
    }
    const double total = totalText.trimmed().toDouble();
    state.itemTotal = static_cast<int>(total);
    state.pageCount = PaiPaiListPageCount(total);
    const QString shopSummary = ShopSummary(totalText, state.pageCount);
    window.setStatusText(shopSummary + QStringLiteral("准备分页采集商品信息......"));

    const QString scIdValue = inputValue(state.pageHtml, QStringLiteral("id='scId'"));
    const QString utypeValue = inputValue(state.pageHtml, QStringLiteral("id='utype'"));
    if (!state.shopUrl.endsWith(u'/'))
        state.shopUrl += u'/';
    state.collectedCount = 0;

    for (int page = 1; page <= state.pageCount; ++page) {
        window.processEvents();
        if (state.stopRequested)
            break;
        const QString pageLabel =
            QStringLiteral("正在采集第") + QString::number(page) + QStringLiteral("页内容......");
        window.setStatusText(shopSummary + pageLabel);
        state.pageHtml = ctx.fetcher.FetchPage(state.shopUrl + scIdValue + u'-' + QString::number(page) +
                                               u'-' + utypeValue + QStringLiteral("/itemlist.js"));
        QStringList pieces = state.pageHtml.split(QStringLiteral("','"));

        // Each item is a group of 9 values; the second of each group is the item's code.
        for (state.splitIndex = 1; state.splitIndex < pieces.size(); state.splitIndex += kPiecesPerItem) {
            window.processEvents();
            if (state.stopRequested)
                break;
            ++state.collectedCount;
            if (ctx.isAlreadyCollected(state.collectedCount))
                continue;
            const int at = state.splitIndex;
            const int emittedBefore = ctx.emittedItems;
            const QString itemAddress = PlatformConstants::kPaiPaiAuctionHost + pieces.at(at);
            state.pageHtml = ctx.fetcher.FetchPage(itemAddress);
            if (state.pageHtml.isEmpty() && !ctx.downloadsCut())
                ctx.itemDropped(itemAddress);
            if (!state.pageHtml.isEmpty()) {
                // A group cut short by the end of the script has no values to parse.
                if (at + 6 < pieces.size())
                    ParsePaiPaiItem(ctx, state.pageHtml, shopNumber, pieces.at(at + 2), pieces.at(at + 3),
                                    pieces[at + 4], pieces.at(at + 6));
                if (ctx.downloadsCut() && ctx.emittedItems == emittedBefore)
                    break;
                if (state.autoSave == 1)
                    ctx.recordItemReached(state.collectedCount);
                window.setStatusText(shopSummary + QStringLiteral("已采集商品") +
                                     QString::number(state.collectedCount) + QStringLiteral("个，") +
                                     pageLabel);
            }
            ctx.pause(kItemPauseMs);
        }
    }

    if (total <= state.collectedCount)
        ctx.writeBreakPoint(SettingsKeys::kBreakPoint, QStringLiteral("0"));
    ctx.stop();
    window.setStatusText(shopSummary + QStringLiteral("全部采集完成......"));
}
