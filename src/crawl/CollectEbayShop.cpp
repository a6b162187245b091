#include "crawl/CollectEbayShop.h"

#include "app/CollectContext.h"
#include "app/RunState.h"
#include "app/SettingsKeys.h"
#include "app/WindowInterface.h"
#include "base/Step.h"
#include "base/StepError.h"
#include "crawl/ShopSummary.h"
#include "formats/NumberFormat.h"
#include "items/ParseEbayItem.h"
#include "web/Cut.h"
#include "web/PageFetcher.h"
#include "web/TextHelpers.h"

#include <QRegularExpression>

namespace {

const QString kListLinkMarker = QStringLiteral("'>查看店铺的所有物品");
const QString kListSuffix = QStringLiteral("_W0QQfsubZ0QQsclZQ2d1QQtZkm");
const QString kPagePart = QStringLiteral("QQpZ");
const QString kShopMarker = QStringLiteral("在<b>所有分类</b>中找到");
const QString kTotalEnd = QStringLiteral("件物品");
constexpr int kItemsPerPage = 30;
constexpr int kListLinkWindow = 100;
constexpr int kItemPauseMs = 500;

// The text from the first case-insensitive occurrence of marker on; the address the user typed
// is lower-cased, while the shop's own pages spell the store name with capitals.
QString fromIgnoringCase(const QString& text, const QString& marker) {
    const qsizetype at = text.indexOf(marker, 0, Qt::CaseInsensitive);
    if (at < 0)
        throw StepError(QStringLiteral("marker not found: ") + marker);
    return text.mid(at);
}

} // namespace

void CollectEbayShop(CollectContext& ctx) {
    static const QRegularExpression itemHeading(QStringLiteral("<h3 class='ens fontnormal'>.+?</h3>"),
                                                QRegularExpression::CaseInsensitiveOption);
    RunState& state = ctx.state;
    WindowInterface& window = ctx.window;

    window.setStatusText(QStringLiteral("载入易趣店铺信息......"));
    state.pageHtml = ctx.fetcher.FetchPageUtf8(state.shopUrl);
    const qsizetype listPart = state.shopUrl.indexOf(QStringLiteral("_w"), 0, Qt::CaseInsensitive);
    if (listPart >= 0)
        state.shopUrl = state.shopUrl.left(listPart);

    QString listAddress;
    if (Cut::contains(state.pageHtml, kListLinkMarker)) {
        Step::run(
            [&] { listAddress = Cut::right(Cut::before(state.pageHtml, kListLinkMarker), kListLinkWindow); });
        Step::run([&] { listAddress = fromIgnoringCase(listAddress, state.shopUrl + u'_'); });
        state.pageHtml = ctx.fetcher.FetchPageUtf8(listAddress);
    } else {
        listAddress = state.shopUrl + kListSuffix;
    }

    if (ctx.downloadsCut()) {
        // A shop page cut short by a stop says nothing about the shop.
        ctx.stop();
        return;
    }
    if (!Cut::contains(state.pageHtml, kShopMarker)) {
        ctx.stop();
        window.setStatusText(QStringLiteral("没有找到店铺特征,请多试几次,如果仍有此提示,请与开发者联系~~"));
        return;
    }

    QString totalText;
    bool totalKnown = false;
    Step::run([&] {
        totalText = Cut::before(Cut::after(state.pageHtml, kShopMarker), kTotalEnd);
        totalText = Cut::remove(Cut::remove(Cut::trimSpaces(totalText), QStringLiteral("<b>")),
                                QStringLiteral("</b>"));
    });
    // A total that cannot be read walks no pages, rather than those of an earlier run.
    state.itemTotal = 0;
    state.pageCount = 0;
    Step::run([&] {
        state.itemTotal = NumberFormat::wholeNumber(totalText);
        state.pageCount = state.itemTotal / kItemsPerPage + 1;
        totalKnown = true;
    });
    state.collectedCount = 0;

    for (int page = 1; page <= state.pageCount; ++page) {
        window.processEvents();
        if (state.stopRequested)
            break;
        window.setStatusText(ShopSummary(totalText, state.pageCount) + QStringLiteral("正在采集第") +
                             QString::number(page) + QStringLiteral("页内容......"));
        state.pageHtml = ctx.fetcher.FetchPageUtf8(listAddress + kPagePart + QString::number(page));

        QRegularExpressionMatchIterator headings = itemHeading.globalMatch(state.pageHtml);
        while (headings.hasNext()) {
            const QString heading = headings.next().captured(0);
            window.processEvents();
            if (state.stopRequested)
                break;
            ++state.collectedCount;
            if (ctx.isAlreadyCollected(state.collectedCount))
                continue;

            const int emittedBefore = ctx.emittedItems;
            QString itemLink;
            // A heading without a readable link is counted but not fetched, so no other item's
            // page is parsed in its place.
            if (Step::run([&] {
                    itemLink = ExtractHref(heading).replace(QStringLiteral("&amp;"), QStringLiteral("&"));
                })) {
                const QString itemPage = ctx.fetcher.FetchPageUtf8(itemLink);
                if (itemPage.isEmpty() && !ctx.downloadsCut())
                    ctx.itemDropped(itemLink);
                ParseEbayItem(ctx, itemPage);
            }
            if (ctx.downloadsCut() && ctx.emittedItems == emittedBefore)
                break;
            if (state.autoSave == 1)
                ctx.recordItemReached(state.collectedCount);
            window.setStatusText(ShopSummary(totalText, state.pageCount) + QStringLiteral("已采集商品") +
                                 QString::number(state.collectedCount) + QStringLiteral("个，正在采集第") +
                                 QString::number(page) + QStringLiteral("页内容......"));
            ctx.pause(kItemPauseMs);
        }
    }

    if (totalKnown && state.itemTotal <= state.collectedCount)
        ctx.writeBreakPoint(SettingsKeys::kBreakPoint, QStringLiteral("0"));
    ctx.stop();
    window.setStatusText(ShopSummary(totalText, state.pageCount) + QStringLiteral("全部采集完成......"));
}
