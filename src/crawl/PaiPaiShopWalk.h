#pragma once

#include "crawl/ItemLoop.h"

#include <QString>

class CrawlHost;

// Walks the PaiPai shop at the host's address, hands every item to its parser, and finishes the
// run at the end.
void walkPaiPaiShop(CrawlHost& host);

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
ItemOutcome collectPaiPaiItem(CrawlHost& host, const QString& itemAddress, const QString& pageText,
                              const PaiPaiListItem& listItem, int itemNumber,
                              const ItemListing& listing = {});
