#pragma once

#include <QString>
#include <QStringList>

// Fixed addresses of the three marketplaces.
namespace MarketplaceAddresses {

inline const QString kPaiPaiShopHost = QStringLiteral("shop.paipai.com");
inline const QString kPaiPaiShopPrefix = QStringLiteral("http://") + kPaiPaiShopHost + u'/'; // 23 characters
inline const QString kEbayStoreHost = QStringLiteral("stores.ebay.com.cn");
inline const QString kEbayStorePrefix = QStringLiteral("http://") + kEbayStoreHost + u'/'; // 26 characters
inline const QString kTaobaoDomainSuffix = QStringLiteral(".taobao.com");
// Shop addresses are "http://shop" + the shop number + the domain suffix.
inline const QString kTaobaoShopAddressStart = QStringLiteral("http://shop");
inline const QString kTaobaoStoreHost = QStringLiteral("http://shop.taobao.com");
inline const QString kTaobaoDescriptionHostPrefix = QStringLiteral("http://dsc");
inline const QString kPaiPaiAuctionHost = QStringLiteral("http://auction1.paipai.com/");
inline const QString kPaiPaiImageHost = QStringLiteral("http://image.paipai.com");
inline const QString kEbayPictureHost = QStringLiteral("http://pics.ebaystatic.com");
// Every host under these domains belongs to a marketplace; the fetcher follows redirects to them.
inline const QStringList kMarketplaceDomains = {
    QStringLiteral("taobao.com"),  QStringLiteral("taobaocdn.com"),  QStringLiteral("paipai.com"),
    QStringLiteral("ebay.com.cn"), QStringLiteral("ebayimg.com.cn"), QStringLiteral("ebaystatic.com"),
};

} // namespace MarketplaceAddresses
