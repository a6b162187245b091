#pragma once

#include "crawl/ItemLoop.h"
#include "crawl/ShopWalk.h"

#include <QString>

// Walks the eBay shop at the walk's address, hands every item to its parser and
// its item sink, and says how it ended.
WalkEnd walkEbayShop(const ShopWalkInput& walk);

// One item page, read from itemAddress: saves its picture and parses it, with what its listing told.
// An empty page is unreadable.
ReachedItem collectEbayItem(PageSource& pages, const QString& itemAddress, const QString& pageText,
                            const ItemListing& listing = {});
