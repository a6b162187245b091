#include "crawl/CollectEbayShop.h"

#include "app/CollectContext.h"

void CollectEbayShop(CollectContext&) {}
