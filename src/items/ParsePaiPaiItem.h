#pragma once

#include "items/ParsedItem.h"

#include <QString>

// The kept piece of the shop's list script: "b" for a fixed price ("一口价"), "a" otherwise.
QString paiPaiSaleType(const QString& saleTypeText);

// Where the picture named in the shop's list script is served.
QString paiPaiPictureAddress(const QString& shopNumber, const QString& pictureFileName);

// Cuts the fields of one cleaned item page. The title, sale type ("b" or "a") and price come from
// the shop's list script; picturePath is the local path the record names.
ParsedItem parsePaiPaiItemPage(const QString& pageText, const QString& listTitle, const QString& saleType,
                               const QString& listPrice, const QString& picturePath);
