#pragma once

#include "crawl/ItemLoop.h"
#include "crawl/ShopWalk.h"

#include <QString>

// Walks the eBay shop at the walk's address, hands every item to its parser and
// its item sink, and says how it ended.
WalkEnd walkEbayShop(const ShopWalkInput& walk);

// One item page, read from itemAddress: saves its picture, parses it and emits the item numbered
// itemNumber, with what its listing told. An empty page does nothing.
ItemOutcome collectEbayItem(const ShopWalkInput& walk, const QString& itemAddress, const QString& pageText,
                            int itemNumber, const ItemListing& listing = {});
