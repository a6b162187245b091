#pragma once

#include "items/ParsedItem.h"

#include <QString>

#include <optional>

// The kept piece of the shop's list script: "b" for a fixed price ("一口价"), "a" otherwise.
QString paiPaiSaleType(const QString& saleTypeText);

// Where the picture named in the shop's list script is served.
QString paiPaiPictureAddress(const QString& shopNumber, const QString& pictureFileName);

// Whether the cleaned page is an item page (it carries the category path or the title heading): a
// page without either is a page of another kind.
bool isPaiPaiItemPage(const QString& pageText);

// Whether the item can be listed: the list script named its title and its page shows one.
bool hasPaiPaiItemTitle(const QString& pageText, const QString& listTitle);

// Cuts the fields of one cleaned item page. The title, sale type ("b" or "a") and price come from
// the shop's list script; picturePath is the local path the record names. Nothing when the item
// has no title (hasPaiPaiItemTitle).
std::optional<ParsedItem> parsePaiPaiItemPage(const QString& pageText, const QString& listTitle,
                                              const QString& saleType, const QString& listPrice,
                                              const QString& picturePath);
