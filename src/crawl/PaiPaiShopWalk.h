#pragma once

#include "crawl/ItemLoop.h"
#include "crawl/ShopWalk.h"

#include <QString>

// Walks the PaiPai shop at the walk's address, hands every item to its parser and
// its item sink, and says how it ended.
WalkEnd walkPaiPaiShop(const ShopWalkInput& walk);

// List pages walked for a shop reporting itemTotal items: the total over 40 per page, halves
// rounded to the even neighbour, plus one.
int paiPaiListPageCount(double itemTotal);

// What the shop's list script tells of one item besides its code.
struct PaiPaiListItem {
    QString shopNumber;
    QString pictureFileName;
    QString title;
    QString saleTypeText; // "一口价" for a fixed price
    QString price;
};

// One item page, read from itemAddress: saves its picture and parses it, with what its listing told.
// An empty page is unread: nothing is saved, and the item is neither recorded nor reported.
ReachedItem collectPaiPaiItem(PageSource& pages, const QString& itemAddress, const QString& pageText,
                              const PaiPaiListItem& listItem, const ItemListing& listing = {});
