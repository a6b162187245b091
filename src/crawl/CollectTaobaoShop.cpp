#include "crawl/CollectTaobaoShop.h"

#include "app/CollectContext.h"

void CollectTaobaoShop(CollectContext&) {}
