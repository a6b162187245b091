#pragma once

#include "crawl/ItemSink.h"
#include "crawl/PageSource.h"
#include "crawl/WalkEnd.h"
#include "crawl/WalkProgress.h"

#include <QString>

class StopSignal;

// What a shop walk is given: the shop, the three parts of the run it works with, and the two
// values it reads at each turn to know whether it may go on.
struct ShopWalkInput {
    QString shopAddress; // as the user gave it, lower-cased
    PageSource& pages;
    ItemSink& items;
    WalkProgress& progress;
    // Why the walk cannot go on, written by the page source when a page the walk needed did not
    // come (or the site asked for a login); empty while it can.
    const QString& failure;
    // The user's stop. It also aborts the downloads in progress: a page or picture fetched
    // meanwhile may be cut short. (PageSource::stopRequested adds the run's own halts.)
    const StopSignal& stop;
    // Whether the run moves its breakpoint after each item.
    bool recordsBreakPoints = true;
    // The politeness pause after each item page fetched, the marketplace's own.
    int pauseMs = 0;
    // The query that keys the marketplace's items (itemKey).
    QString itemKeyQuery;
};

// A walk over one marketplace's shop: every list cell to its item sink, and how it ended.
using ShopWalk = WalkEnd (*)(const ShopWalkInput& input);
