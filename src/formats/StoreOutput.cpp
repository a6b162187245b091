#include "formats/StoreOutput.h"

#include "formats/ConversionMapping.h"
#include "formats/StoreFormat.h"
#include "text/TextFileIo.h"

#include <QFile>
#include <QFileInfo>

namespace StoreOutput {

namespace {

QString lines(const QList<QStringList>& rows) {
    QString text;
    for (const QStringList& row : rows)
        text += StoreFormat::csvText(row);
    return text;
}

// The product of an extracted item: its picture's original address, its shop and category.
StoreFormat::Product productOf(const ItemRecord& record, QStringList* log) {
    StoreFormat::Product product =
        StoreFormat::productFrom(ConversionMapping::rowFromRecord(record), {}, log);
    product.vendor = record.shopName;
    product.categories = record.categoryNames;
    // The picture file on disk is no address a store can fetch; the one it came from is.
    if (StoreFormat::isAddress(record.pictureAddress.trimmed()))
        product.pictures = {record.pictureAddress.trimmed()};
    return product;
}

} // namespace

QString header(FileFormat format) {
    return StoreFormat::csvText(format == FileFormat::Shopify ? StoreFormat::shopifyHeader()
                                                              : StoreFormat::wooHeader(0));
}

bool hasPictureAddress(const ItemRecord& record) {
    return !productOf(record, nullptr).pictures.isEmpty();
}

QString rowsFor(FileFormat format, const ItemRecord& record, const QString& itemKey, int itemNumber,
                QStringList* log) {
    const StoreFormat::Product product = productOf(record, log);
    // A record keeps its place's key ("#7") when the item had no address.
    QString handle = itemKey.startsWith(u'#') ? QString() : StoreFormat::slug(itemKey);
    if (handle.isEmpty())
        handle = QStringLiteral("item-") + QString::number(itemNumber);
    if (format == FileFormat::Shopify)
        return lines(StoreFormat::shopifyRows(product, handle, log));
    QSet<QString> skus{handle};
    return lines(StoreFormat::wooRows(product, handle, 0, &skus));
}

Status writeBatch(const QString& path, FileFormat format, const QString& batch, bool appendToExisting) {
    const QString headerLine = header(format);
    const QString rows = batch.startsWith(headerLine) ? batch.mid(headerLine.size()) : batch;
    const QFileInfo info(path);
    if (!appendToExisting || !info.exists() || info.size() == 0)
        return replaceFileContent(path, (headerLine + rows).toUtf8());

    QFile existing(path);
    if (!existing.open(QIODevice::ReadOnly))
        return Status::failure(existing.errorString());
    QByteArray content = existing.readAll();
    if (existing.error() != QFileDevice::NoError)
        return Status::failure(existing.errorString());
    existing.close();
    // A run that died while writing may have left the last row without its line end.
    if (!content.endsWith('\n'))
        content += '\n';
    return replaceFileContent(path, content + rows.toUtf8());
}

qint64 lengthKeptByBatch(const QString& path, bool appendToExisting) {
    const QFileInfo info(path);
    return appendToExisting && info.exists() ? info.size() : 0;
}

} // namespace StoreOutput
