#pragma once

#include "crawl/ItemTally.h"
#include "items/ItemPageSource.h"

#include <QString>
#include <QStringList>

struct ItemRecord;

// Everything a shop walk asks of the run around it. The application implements it for a real run;
// the walks know nothing of windows, settings or the row writer.
class CrawlHost : public ItemPageSource {
public:
    // The shop's address as the user gave it, lower-cased.
    virtual QString shopAddress() const = 0;

    // fetchPage (from ItemPageSource) decodes GBK; eBay's pages are UTF-8. An item page the site
    // answered with a login, verification or "too many requests" page (by its status or its
    // content) comes empty and fails the run as fetchWalkPage does.
    virtual QString fetchPageUtf8(const QString& address) = 0;

    enum class PageEncoding { Gbk, Utf8 };
    // A page the walk cannot go on without: the shop page, a category or list page. Empty when it
    // could not be read. When no answer came (the network, the proxy or the site failed), or the
    // site sent a login, verification or "too many requests" page instead, the run has failed on
    // that address, and walkFailed says so from then on; the walk ends.
    virtual QString fetchWalkPage(const QString& address, PageEncoding encoding) = 0;
    virtual bool walkFailed() const = 0;
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

    // Whether the run records its breakpoint after each item.
    virtual bool recordsBreakPoints() const = 0;

    // Whether the output already holds the item at this address (asked before its page is
    // fetched); such an item is counted but neither fetched, written nor paused for.
    virtual bool isItemWritten(const QString& itemAddress) const = 0;
    // The item of the next list cell, numbered itemNumber (its address empty when the cell has
    // none readable): found, and the one the calls below belong to until the next.
    virtual void beginItem(const QString& itemAddress, int itemNumber) = 0;
    // The item is already in the output file (an earlier run of the shop wrote it, or another
    // list named it).
    virtual void passOverItem() = 0;
    // Adds the grid row and hands the record to the row writer, unless a stop cut the item's
    // downloads short; false then.
    virtual bool emitItem(const QStringList& gridCells, const ItemRecord& record, int itemNumber) = 0;
    // Rows of items up to itemNumber are made durable and the breakpoint moves past them.
    virtual void recordItemReached(int itemNumber) = 0;
    // The item will not be written, for this reason; the first reason given for an item counts.
    // PageUnreadable right after the item page's fetch is told apart by that fetch (too large,
    // timed out).
    virtual void itemDropped(DropReason reason) = 0;
    // Every item of the shop was reached: the breakpoint is no longer needed.
    virtual void markShopComplete() = 0;
    // The walk is over (or cannot start): the run stops and writes its rows.
    virtual void finish() = 0;

    virtual void setStatusText(const QString& text) = 0;
    virtual void showMessage(const QString& text) = 0;
    // The items the shop states it holds.
    virtual void reportShopTotal(int total) = 0;
    // Every list of the shop was read to its end: the items found are all the shop's.
    virtual void reportListsRead() = 0;
};
