#pragma once

#include "formats/ConversionMapping.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

// The product files of the two store systems sellers move to (Shopify, WooCommerce): one item is
// one product with its variants and picture addresses, written as drafts. Files are UTF-8 without
// a byte-order mark, RFC 4180 quoting, LF line ends, one header line.
namespace StoreFormat {

struct Variant {
    QStringList values; // one per option of the product
    QString price;
    QString quantity;
    QString sku;
};

struct Product {
    QString title;
    QString description; // HTML, as the source holds it
    QString vendor;
    QStringList categories; // the shop category's names, a parent's first
    QString number;         // the marketplace's item number, when known
    QString sku;            // the seller's outer id
    QString price;
    QString quantity;
    QString weightKg;
    QStringList pictures; // addresses a store can fetch
    QStringList optionNames;
    QList<Variant> variants; // empty: the item is one variant of its own price and quantity
};

// The item of a source row. A picture known only as a file gets imageBaseUrl + its name (none
// without a base address). Lines for the log (values without names) are appended to *log.
Product productFrom(const ConversionMapping::SourceRow& row, const QString& imageBaseUrl, QStringList* log);

// The variants of today's Taobao layout: skuProps "price:quantity:outer_id:pid:vid;pid:vid;..."
// per SKU, named by propAlias "pid:vid:name;...", inputPids/inputValues and the marketplace's
// standard names. Fills optionNames and variants of *product.
void readVariants(const QString& skuProps, const QString& propAlias, const QString& inputPids,
                  const QString& inputValues, Product* product, QStringList* log);

// An address a store can fetch (http or https).
bool isAddress(QStringView text);
// Lower-case ASCII letters and digits of text, every other run of characters one hyphen.
QString slug(QStringView text);

// Lower-case ASCII letters, digits and hyphens, unique among those already in *taken: the item's
// number, else its outer id, else "item-" + ordinal.
QString handleFor(const Product& product, int ordinal, QSet<QString>* taken);

QStringList shopifyHeader();
// The product row, then a row per further variant and per further image. An item of more than
// three options is one variant; the log says so.
QList<QStringList> shopifyRows(const Product& product, const QString& handle, QStringList* log);

// attributes: the most options any product of the file has.
QStringList wooHeader(int attributes);
// A simple row, or a variable row followed by a variation row per variant. sku is the product's;
// *takenSkus keeps the variations' SKUs unique.
QList<QStringList> wooRows(const Product& product, const QString& sku, int attributes,
                           QSet<QString>* takenSkus);

// One record, fields quoted where they hold a comma, quote or line break, ending in LF.
QString csvText(const QStringList& fields);
// csvText in UTF-8.
QByteArray csvLine(const QStringList& fields);

// "N个宝贝没有图片网址"
QString missingPicturesNote(int count);

} // namespace StoreFormat
