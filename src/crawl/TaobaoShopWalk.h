#pragma once

#include "crawl/ItemLoop.h"
#include "crawl/ShopWalk.h"

#include <QString>

// Walks the Taobao shop at the walk's address, hands every item to its parser and
// its item sink, and says how it ended.
WalkEnd walkTaobaoShop(const ShopWalkInput& walk);

// One item page, read from itemAddress: saves the picture at pictureAddress and parses the page
// (fetching its description), with what its listing told. An empty page is unreadable.
ReachedItem collectTaobaoItem(PageSource& pages, const QString& itemAddress, const QString& pageText,
                              const QString& pictureAddress, const ItemListing& listing = {});
