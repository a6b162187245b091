#include "run/ShopPageCheck.h"

#include "base/StopSignal.h"
#include "crawl/MarketplaceDescription.h"
#include "items/LoginPageSigns.h"
#include "run/Messages.h"
#include "text/TextFileIo.h"
#include "text/TextHelpers.h"
#include "web/PageFetcher.h"

#include <QStringList>

namespace {

const QStringList kGoneSigns{
    QStringLiteral("店铺不存在"),     QStringLiteral("店铺已关闭"),     QStringLiteral("店铺已被关闭"),
    QStringLiteral("该店铺已经关闭"), QStringLiteral("没有找到该店铺"), QStringLiteral("店铺暂停营业"),
};

bool containsAny(const QString& text, const QStringList& signs) {
    for (const QString& sign : signs) {
        if (text.contains(sign, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

} // namespace

namespace ShopPageCheck {

Verdict classify(Platform platform, const FetchResult& result, const QString& pageText) {
    // A transfer cut short (time-out, redirect loop, size) may have had its headers, status 200
    // among them: what came is no page to judge.
    if (result.failure != FetchFailure::None && result.failure != FetchFailure::Network)
        return Verdict::NetworkFailure;
    switch (result.status) {
    case 404:
    case 410:
        return Verdict::NotFound;
    case 401:
    case 403:
    case 429:
        return Verdict::LoginRequired;
    default:
        break;
    }
    if (result.status != 200)
        return Verdict::NetworkFailure;
    // Each marketplace's shop pages carry one of its markers wherever a walk can read the shop.
    if (containsAny(pageText, describeMarketplace(platform).shopPageMarkers))
        return Verdict::Shop;
    if (LoginPageSigns::onPageOfAnotherKind(platform, pageText))
        return Verdict::LoginRequired;
    if (containsAny(pageText, kGoneSigns))
        return Verdict::NotFound;
    return Verdict::UnknownLayout;
}

QString message(Verdict verdict, const QString& address, const QString& reason) {
    switch (verdict) {
    case Verdict::NotFound:
        return Messages::kShopNotFound + address;
    case Verdict::LoginRequired:
        return Messages::kLoginRequired;
    case Verdict::UnknownLayout:
        return Messages::kUnknownLayout + address;
    case Verdict::NetworkFailure:
        return Messages::networkFailed(address, reason);
    case Verdict::Shop:
    case Verdict::Stopped:
        break;
    }
    return {};
}

Finding fetchAndClassify(PageFetcher& fetcher, const QString& address, Platform platform,
                         const StopSignal& stop) {
    const FetchedPage fetched = fetcher.getPage(address);
    if (stop.isRequested())
        return {Verdict::Stopped, {}, {}, false, fetched.report};
    const FetchResult& result = fetched.result;
    const QString text = cleanPageText(
        describeMarketplace(platform).pageEncoding == PageSource::Encoding::Utf8 ? decodeUtf8(result.body)
                                                                                 : decodeGbk(result.body));
    const Verdict verdict = classify(platform, result, text);
    const QString reason = fetchFailureReason(result.failure, result.status, result.error);
    return {verdict, message(verdict, address, reason), text, result.ok(), fetched.report};
}

} // namespace ShopPageCheck
