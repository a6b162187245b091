#include "app/ShopAddress.h"

#include "app/Messages.h"
#include "base/PlatformConstants.h"

#include <QUrl>

using namespace PlatformConstants;

namespace ShopAddress {

bool IsTaobaoShopUrl(const QString& address) {
    if (address.size() < 19 || !address.contains(QStringLiteral("shop")))
        return false;
    // The domain has to be the host's, not just somewhere in the text: a path or a user name
    // holding it would send the crawl to another machine. An address typed without its scheme
    // names its host first.
    const QString trimmed = address.trimmed();
    const QUrl url(trimmed.contains(QStringLiteral("://")) ? trimmed : QStringLiteral("http://") + trimmed,
                   QUrl::StrictMode);
    return url.isValid() && url.scheme().compare(u"http", Qt::CaseInsensitive) == 0 &&
           url.userInfo().isEmpty() && url.port(80) == 80 && url.host().endsWith(kTaobaoDomainSuffix);
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

QString FormatNameSuffix(FileFormat format) {
    return format == FileFormat::TaobaoAssistant5 ? QStringLiteral("_Taobao5") : QString();
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
