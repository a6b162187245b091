#pragma once

#include <QString>

// The opening of a shop walk's progress lines: the item total as the shop gave it and the
// number of list pages.
QString ShopSummary(const QString& total, int pages);
