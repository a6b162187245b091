#pragma once

#include "items/ItemPageSource.h"

#include <QString>

// Where a shop walk reads the site: its pages, its pictures, and the pause it owes between items.
// stopRequested (from ItemPageSource) is the user's stop or a halt of the run's own; the walk's
// failure and the stop alone (ShopWalkInput) are values it reads.
class PageSource : public ItemPageSource {
public:
    enum class Encoding { Gbk, Utf8 };

    // fetchPage (from ItemPageSource) decodes GBK; eBay's pages are UTF-8. An item page the site
    // answered with a login, verification or "too many requests" page (by its status or its
    // content) comes empty and fails the walk as fetchWalkPage does.
    virtual QString fetchPageUtf8(const QString& address) = 0;
    // A page the walk cannot go on without: the shop page, a category or list page. Empty when it
    // could not be read. When no answer came (the network, the proxy or the site failed), or the
    // site sent a login, verification or "too many requests" page instead, the walk has failed on
    // that address, and the walk's failure says why from then on; the walk ends.
    virtual QString fetchWalkPage(const QString& address, Encoding encoding) = 0;
    // Saves the picture in the run's picture folder under fileName (or a numbered name when
    // another picture holds that one) and gives the path the item's record names, whether or not
    // the picture could be saved.
    virtual QString downloadPicture(const QString& address, const QString& fileName) = 0;
    // The politeness pause between items; a stop cuts it short.
    virtual void pause(int milliseconds) = 0;
};
