#include "app/ShopAddress.h"

#include "app/Messages.h"
#include "base/PlatformConstants.h"
#include "formats/OutputFormats.h"

#include <QUrl>

#include <optional>

namespace ShopAddress {

bool isTaobaoShopUrl(const QString& address) {
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
           url.host().endsWith(PlatformConstants::kTaobaoDomainSuffix);
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
    for (Platform platform : {Platform::PaiPai, Platform::Ebay, Platform::Taobao}) {
        if (isAcceptedFor(platform, lowerAddress))
            return platform;
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
    switch (platform) {
    case Platform::PaiPai:
        return lowerAddress.left(PlatformConstants::kPaiPaiShopPrefix.size()) ==
               PlatformConstants::kPaiPaiShopPrefix;
    case Platform::Ebay:
        return lowerAddress.left(PlatformConstants::kEbayStorePrefix.size()) ==
               PlatformConstants::kEbayStorePrefix;
    default:
        return isTaobaoShopUrl(lowerAddress);
    }
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
    switch (platform) {
    case Platform::PaiPai:
        return QStringLiteral("PaiPai_") +
               sanitizeFileNamePart(lowerAddress.mid(PlatformConstants::kPaiPaiShopPrefix.size()));
    case Platform::Ebay:
        return QStringLiteral("eBay_") +
               sanitizeFileNamePart(lowerAddress.mid(PlatformConstants::kEbayStorePrefix.size()));
    default: {
        QString shop = lowerAddress.section(u'.', 0, 0);
        shop.remove(PlatformConstants::kTaobaoShopAddressStart);
        return QStringLiteral("Taobao_") + sanitizeFileNamePart(shop);
    }
    }
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
