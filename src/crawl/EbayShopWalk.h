#pragma once

#include "crawl/ItemLoop.h"

#include <QString>

class CrawlHost;

// Walks the eBay shop at the host's address, hands every item to its parser, and finishes the
// run at the end.
void walkEbayShop(CrawlHost& host);

// One item page, read from itemAddress: saves its picture, parses it and emits the item numbered
// itemNumber, with what its listing told. An empty page does nothing.
ItemOutcome collectEbayItem(CrawlHost& host, const QString& itemAddress, const QString& pageText,
                            int itemNumber, const ItemListing& listing = {});
