#include "web/RedirectRule.h"

#include "base/MarketplaceAddresses.h"

#include <QUrl>

namespace {

bool isMarketplaceHost(const QString& host) {
    for (const QString& domain : MarketplaceAddresses::kMarketplaceDomains) {
        if (host == domain || host.endsWith(u'.' + domain))
            return true;
    }
    return false;
}

} // namespace

bool isFollowableRedirect(const QUrl& from, const QUrl& to) {
    constexpr int kHttpPort = 80;
    if (!to.isValid() || to.scheme().toLower() != from.scheme().toLower() || to.scheme().toLower() != u"http")
        return false;
    if (to.port(kHttpPort) != from.port(kHttpPort) || !to.userInfo().isEmpty())
        return false;
    const QString host = to.host().toLower();
    return host == from.host().toLower() || isMarketplaceHost(host);
}
