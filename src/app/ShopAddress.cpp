#include "app/ShopAddress.h"

#include "app/Messages.h"
#include "base/PlatformConstants.h"

using namespace PlatformConstants;

namespace ShopAddress {

bool IsTaobaoShopUrl(const QString& address) {
    if (address.size() < 19)
        return false;
    return address.contains(QStringLiteral("shop")) && address.contains(kTaobaoDomainSuffix);
}

bool IsAcceptedFor(int platform, const QString& lowerAddress) {
    switch (platform) {
    case PaiPai:
        return lowerAddress.left(kPaiPaiShopPrefix.size()) == kPaiPaiShopPrefix;
    case Ebay:
        return lowerAddress.left(kEbayStorePrefix.size()) == kEbayStorePrefix;
    default:
        return IsTaobaoShopUrl(lowerAddress);
    }
}

QString SanitizeFileNamePart(const QString& text) {
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

QString OutputBaseName(int platform, const QString& lowerAddress) {
    switch (platform) {
    case PaiPai:
        return QStringLiteral("PaiPai_") + SanitizeFileNamePart(lowerAddress.mid(kPaiPaiShopPrefix.size()));
    case Ebay:
        return QStringLiteral("eBay_") + SanitizeFileNamePart(lowerAddress.mid(kEbayStorePrefix.size()));
    default: {
        QString shop = lowerAddress.section(u'.', 0, 0);
        shop.remove(PlatformConstants::kTaobaoShopAddressStart);
        return QStringLiteral("Taobao_") + SanitizeFileNamePart(shop);
    }
    }
}

QString RejectionMessage(int platform) {
    switch (platform) {
    case PaiPai:
        return Messages::kPaiPaiAddressWrong;
    case Ebay:
        return Messages::kEbayAddressWrong;
    default:
        return Messages::kTaobaoAddressWrong;
    }
}

} // namespace ShopAddress
