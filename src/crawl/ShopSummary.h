#pragma once

#include <QString>
#include <QStringList>

// The opening of a shop walk's progress lines: the item total as the shop gave it and the
// number of list pages.
QString shopSummaryText(const QString& total, int pages);

// A shop whose lists held another number of items than it stated (our own words).
QString statedAndFoundText(int stated, int found);

// The shop's name in the title of one of its pages (page text as fetched), which the marketplace
// ends with one of endings ("店名 - 淘宝网"; the first that fits counts); empty when the page has
// no such title.
QString shopNameFromTitle(const QString& page, const QStringList& endings);
