#pragma once

#include "crawl/ItemLoop.h"
#include "crawl/ShopWalk.h"

#include <QString>

// Walks the Taobao shop at the walk's address, hands every item to its parser and
// its item sink, and says how it ended.
WalkEnd walkTaobaoShop(const ShopWalkInput& walk);

// One item page, read from itemAddress: saves the picture at pictureAddress, parses the page
// (fetching its description) and emits the item numbered itemNumber, with what its listing told.
// An empty page does nothing.
ItemOutcome collectTaobaoItem(const ShopWalkInput& walk, const QString& itemAddress, const QString& pageText,
                              const QString& pictureAddress, int itemNumber, const ItemListing& listing = {});
