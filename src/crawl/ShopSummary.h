#pragma once

#include <QString>

// The opening of a shop walk's progress lines: the item total as the shop gave it and the
// number of list pages.
QString shopSummaryText(const QString& total, int pages);

// A shop whose lists held another number of items than it stated (our own words).
QString statedAndFoundText(int stated, int found);
