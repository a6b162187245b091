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

// One item page, read from itemAddress: saves its picture, parses it and emits the item numbered
// itemNumber, with what its listing told. An empty page is unread: nothing is saved, recorded or reported.
ItemOutcome collectPaiPaiItem(const ShopWalkInput& walk, const QString& itemAddress, const QString& pageText,
                              const PaiPaiListItem& listItem, int itemNumber,
                              const ItemListing& listing = {});
