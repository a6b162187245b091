#pragma once

#include "crawl/ItemLoop.h"

#include <QString>

class CrawlHost;

// Walks the Taobao shop at the host's address, hands every item to its parser, and finishes the
// run at the end.
void walkTaobaoShop(CrawlHost& host);

// One item page, read from itemAddress: saves the picture at pictureAddress, parses the page
// (fetching its description) and emits the item numbered itemNumber, with what its listing told.
// An empty page does nothing.
ItemOutcome collectTaobaoItem(CrawlHost& host, const QString& itemAddress, const QString& pageText,
                              const QString& pictureAddress, int itemNumber, const ItemListing& listing = {});
