#pragma once

#include "base/Marketplace.h"
#include "base/Status.h"
#include "formats/ItemRecord.h"

#include <QString>
#include <QStringList>

// Items of an extraction written as a store's product file (Shopify, WooCommerce) through the row
// writer and its journal: one header line for the whole file, a product per item with the
// picture's original address, the shop's name as vendor and its category's names, no variants
// (an item page gives none). UTF-8 without a byte-order mark, LF line ends.
namespace StoreOutput {

// The header line, LF included.
QString header(FileFormat format);

// The lines of one item. The handle (and WooCommerce SKU) comes from what identifies the item in
// its shop, so items of later batches and of a resumed run never share one; an item known only
// by its place gets "item-" + itemNumber. Log lines (values without names) are appended to *log.
QString rowsFor(FileFormat format, const ItemRecord& record, const QString& itemKey, int itemNumber,
                QStringList* log = nullptr);

// Whether the item's product names a picture a store can fetch.
bool hasPictureAddress(const ItemRecord& record);

// A batch as a flush writes it: a new or empty file, or any file when the run does not continue
// it, gets the whole batch; a file the run continues gets the rows after its own, without the
// header.
Status writeBatch(const QString& path, FileFormat format, const QString& batch, bool appendToExisting);
// How much of the file a batch written now keeps in front of its rows (see OutputJournal).
qint64 lengthKeptByBatch(const QString& path, bool appendToExisting);

} // namespace StoreOutput
