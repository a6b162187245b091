#include "run/ShopAddress.h"

#include "crawl/MarketplaceDescription.h"
#include "formats/OutputFormats.h"
#include "run/Messages.h"

#include <optional>

namespace ShopAddress {

bool isTaobaoShopUrl(const QString& address) {
    return describeMarketplace(Platform::Taobao).acceptsAddress(address);
}

QString normalize(const QString& typed) {
    QString address = typed.trimmed().toLower();
    if (address.isEmpty())
        return address;
    static const QString kHttps = QStringLiteral("https://");
    static const QString kHttp = QStringLiteral("http://");
    if (address.startsWith(kHttps))
        address = kHttp + address.mid(kHttps.size());
    else if (!address.contains(QStringLiteral("://")))
        address = kHttp + address;
    return address;
}

std::optional<Platform> platformOfAddress(const QString& lowerAddress) {
    for (const MarketplaceDescription& marketplace : marketplaceDescriptions()) {
        if (marketplace.acceptsAddress(lowerAddress))
            return marketplace.platform;
    }
    return std::nullopt;
}

QString otherPlatformMessage(Platform addressPlatform) {
    switch (addressPlatform) {
    case Platform::PaiPai:
        return Messages::kPaiPaiAddressChosenWrongly;
    case Platform::Ebay:
        return Messages::kEbayAddressChosenWrongly;
    default:
        return Messages::kTaobaoAddressChosenWrongly;
    }
}

bool isAcceptedFor(Platform platform, const QString& lowerAddress) {
    return describeMarketplace(platform).acceptsAddress(lowerAddress);
}

QString sanitizeFileNamePart(const QString& text) {
    QString part = text;
    while (part.endsWith(u'/'))
        part.chop(1);
    // ".." first, so that "..." cannot leave a ".." behind after its neighbours are replaced.
    part.replace(QStringLiteral(".."), QStringLiteral("_"));
    static const QString kReserved = QStringLiteral("/\\:?*\"<>|");
    for (QChar& c : part) {
        if (kReserved.contains(c) || c.unicode() < 0x20 || c.unicode() == 0x7f)
            c = u'_';
    }
    return part;
}

QString formatSuffix(Platform platform, FileFormat format) {
    const OutputFormats::Description& description = OutputFormats::describe(format);
    return description.plainNameFor == platform ? QString() : description.extractionNameSuffix;
}

QString outputBaseName(Platform platform, const QString& lowerAddress) {
    const MarketplaceDescription& marketplace = describeMarketplace(platform);
    return marketplace.outputPrefix + sanitizeFileNamePart(marketplace.shopPart(lowerAddress));
}

QString rejectionMessage(Platform platform) {
    switch (platform) {
    case Platform::PaiPai:
        return Messages::kPaiPaiAddressWrong;
    case Platform::Ebay:
        return Messages::kEbayAddressWrong;
    default:
        return Messages::kTaobaoAddressWrong;
    }
}

} // namespace ShopAddress
