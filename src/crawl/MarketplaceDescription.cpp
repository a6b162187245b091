#include "crawl/MarketplaceDescription.h"

#include "base/MarketplaceAddresses.h"
#include "crawl/EbayShopWalk.h"
#include "crawl/PaiPaiShopWalk.h"
#include "crawl/TaobaoShopWalk.h"

#include <QUrl>

namespace {

bool startsWithPrefix(const QString& address, const QString& prefix) {
    return address.left(prefix.size()) == prefix;
}

bool isTaobaoShop(const QString& address) {
    if (address.size() < 19 || !address.contains(QStringLiteral("shop")))
        return false;
    // The domain has to be the host's, not just somewhere in the text: a path or a user name
    // holding it would send the crawl to another machine. An address typed without its scheme
    // names its host first.
    const QString trimmed = address.trimmed();
    const QUrl url(trimmed.contains(QStringLiteral("://")) ? trimmed : QStringLiteral("http://") + trimmed,
                   QUrl::StrictMode);
    return url.isValid() && url.scheme().compare(u"http", Qt::CaseInsensitive) == 0 &&
           url.userInfo().isEmpty() && url.port(80) == 80 &&
           url.host().endsWith(MarketplaceAddresses::kTaobaoDomainSuffix);
}

} // namespace

const std::array<MarketplaceDescription, 3>& marketplaceDescriptions() {
    static const std::array<MarketplaceDescription, 3> table{{
        {
            Platform::PaiPai,
            [](const QString& address) {
                return startsWithPrefix(address, MarketplaceAddresses::kPaiPaiShopPrefix);
            },
            [](const QString& address) {
                return address.mid(MarketplaceAddresses::kPaiPaiShopPrefix.size());
            },
            QStringLiteral("PaiPai_"),
            PageSource::Encoding::Gbk,
            {QStringLiteral("商品数量：")},
            {QStringLiteral(" - 拍拍店铺")},
            QString(),
            500,
            walkPaiPaiShop,
        },
        {
            Platform::Ebay,
            [](const QString& address) {
                return startsWithPrefix(address, MarketplaceAddresses::kEbayStorePrefix);
            },
            [](const QString& address) { return address.mid(MarketplaceAddresses::kEbayStorePrefix.size()); },
            QStringLiteral("eBay_"),
            PageSource::Encoding::Utf8,
            {QStringLiteral("查看店铺的所有物品"), QStringLiteral("在<b>所有分类</b>中找到")},
            {QStringLiteral(" - 所有物品 - eBay易趣"), QStringLiteral(" - eBay易趣")},
            QStringLiteral("item"),
            500,
            walkEbayShop,
        },
        {
            Platform::Taobao,
            isTaobaoShop,
            [](const QString& address) {
                return address.section(u'.', 0, 0).remove(MarketplaceAddresses::kTaobaoShopAddressStart);
            },
            QStringLiteral("Taobao_"),
            PageSource::Encoding::Gbk,
            {QStringLiteral("宝贝数:</span>"), QStringLiteral("会员积累信用"), QStringLiteral("宝贝数量：")},
            {QStringLiteral(" - 淘宝网")},
            QStringLiteral("id"),
            1000,
            walkTaobaoShop,
        },
    }};
    return table;
}

const MarketplaceDescription& describeMarketplace(Platform platform) {
    for (const MarketplaceDescription& description : marketplaceDescriptions()) {
        if (description.platform == platform)
            return description;
    }
    return marketplaceDescriptions().back();
}
