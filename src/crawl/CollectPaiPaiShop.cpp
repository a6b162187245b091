#include "crawl/CollectPaiPaiShop.h"

#include "app/CollectContext.h"

void CollectPaiPaiShop(CollectContext&) {}
