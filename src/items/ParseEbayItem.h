#pragma once

#include <QString>

struct CollectContext;

// Turns one cleaned eBay item page into a grid row and an output record, downloading the
// item's picture into the run's picture folder. An empty page does nothing.
void ParseEbayItem(CollectContext& ctx, const QString& pageText);
