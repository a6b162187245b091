#pragma once

#include "crawl/ItemTally.h"

#include <QString>
#include <QStringList>

struct ItemRecord;

// Where a shop walk hands the items of its list cells, one at a time: beginItem, then one of
// passOverItem, emitItem or itemDropped, then itemReached.
class ItemSink {
public:
    virtual ~ItemSink() = default;

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
    // The item will not be written, for this reason; the first reason given for an item counts.
    // PageUnreadable right after the item page's fetch is told apart by that fetch (too large,
    // timed out).
    virtual void itemDropped(DropReason reason) = 0;
    // Rows of items up to itemNumber are made durable and the breakpoint moves past them.
    virtual void recordItemReached(int itemNumber) = 0;
};
