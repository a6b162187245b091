#pragma once

#include "formats/ItemRecord.h"

#include <QString>
#include <QStringList>

struct CollectContext;

// One PaiPai item as the grid shows it and as the row writer receives it. The two differ only
// in the increment and the fees, which the grid shows formatted.
struct PaiPaiItemRow {
    QStringList gridCells;
    ItemRecord record;
};

// Cuts the fields of one cleaned item page. saleType is already "b" or "a"; picturePath is the
// local path the record names.
PaiPaiItemRow CutPaiPaiItemPage(const QString& pageText, const QString& listTitle, const QString& saleType,
                                const QString& listPrice, const QString& picturePath);

// Turns one item page into a grid row and an output row, and saves the item's picture. The
// title, sale type, price and picture name come from the shop's list script; saleTypeText is
// replaced by "b" (fixed price) or "a". An empty page is ignored.
void ParsePaiPaiItem(CollectContext& ctx, const QString& pageText, const QString& shopNumber,
                     const QString& pictureFileName, const QString& listTitle, QString& saleTypeText,
                     const QString& listPrice);
