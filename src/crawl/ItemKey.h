#pragma once

#include <QString>

// What identifies an item in the run's counts and in the output's written-item list: the value of
// the marketplace's key query in the item's address (Taobao id=, eBay item=, any case), or, for a
// marketplace without one, the address's last path segment (PaiPai's item code); the whole address
// when that comes empty. A cell without a readable address stands for its item by its number
// ("#7"), which stays the same from run to run of a shop.
QString itemKey(const QString& keyQuery, const QString& itemAddress, int itemNumber);

// Keys are kept one per line, and a TAB marks a check line of the list: line breaks and TABs
// become spaces.
QString oneLineKey(QString key);
