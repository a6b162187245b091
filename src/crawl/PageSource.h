#pragma once

#include "items/ItemPageSource.h"

#include <QString>

// Where a shop walk reads the site: its pages, its pictures, and the pause it owes between items.
// stopRequested (from ItemPageSource) is the walk's only way to learn of a stop.
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
    // that address, and failure() says why from then on; the walk ends.
    virtual QString fetchWalkPage(const QString& address, Encoding encoding) = 0;
    // Why the walk cannot go on; empty while it can.
    virtual QString failure() const = 0;
    bool walkFailed() const { return !failure().isEmpty(); }
    // Saves the picture in the run's picture folder; the name it is stored under (fileName, or a
    // numbered name when another picture holds that one), which the item's picture path names.
    virtual QString downloadPicture(const QString& address, const QString& fileName) = 0;
    // Where downloadPicture stores fileName, as the output names it.
    virtual QString picturePath(const QString& fileName) const = 0;
    // The politeness pause between items; a stop cuts it short.
    virtual void pause(int milliseconds) = 0;
    // A stop asked for from another thread aborts the downloads in progress: a page or picture
    // fetched meanwhile may be cut short.
    virtual bool downloadsCut() const = 0;
};
