#pragma once

#include "crawl/ItemSink.h"
#include "crawl/PageSource.h"
#include "crawl/WalkEnd.h"
#include "crawl/WalkProgress.h"

#include <QString>

// What a shop walk is given: the shop, and the three parts of the run it works with.
struct ShopWalkInput {
    QString shopAddress; // as the user gave it, lower-cased
    PageSource& pages;
    ItemSink& items;
    WalkProgress& progress;
    // Whether the run moves its breakpoint after each item.
    bool recordsBreakPoints = true;
    // The politeness pause after each item page fetched, the marketplace's own.
    int pauseMs = 0;
};

// A walk over one marketplace's shop: every list cell to its item sink, and how it ended.
using ShopWalk = WalkEnd (*)(const ShopWalkInput& input);
