#include "run/ResumeCheck.h"

#include "formats/FormatConverter.h"
#include "formats/OutputBatch.h"
#include "formats/QuotedRecordReader.h"

#include <QFile>
#include <QFileInfo>

namespace ResumeCheck {

namespace {

// A store file's products: a Shopify product row has a title, further variant and image rows
// repeat only the handle; a WooCommerce item is a simple or a variable row, its variations follow.
std::optional<int> countProducts(const QString& path, FileFormat format) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QuotedRecordReader reader{QChar(u',')};
    reader.start(&file, TextDecoder(QStringConverter::Utf8));
    QStringList record;
    if (!reader.readRecord(&record))
        return std::nullopt;
    int products = 0;
    while (reader.readRecord(&record)) {
        const QString second = record.value(1);
        if (format == FileFormat::Shopify ? !second.isEmpty() : second != u"variation")
            ++products;
    }
    if (!reader.error().isEmpty())
        return std::nullopt;
    return products;
}

} // namespace

Verdict judge(WrittenItemSet::Condition condition, int keys, int rows) {
    switch (condition) {
    case WrittenItemSet::Condition::Missing:
        // Nothing written yet: nothing to write twice.
        return rows == 0 ? Verdict::Trusted : Verdict::ListMissing;
    case WrittenItemSet::Condition::Damaged:
        return Verdict::ListDamaged;
    case WrittenItemSet::Condition::Checked:
    case WrittenItemSet::Condition::Unchecked:
        break;
    }
    return keys == rows ? Verdict::Trusted : Verdict::CountsDiffer;
}

std::optional<int> countItemRows(const QString& outputPath, FileFormat format) {
    const QFileInfo file(outputPath);
    if (!file.exists() || (file.isFile() && file.size() == 0))
        return 0;
    if (!startsAsOwnOutput(outputPath, format))
        return std::nullopt;
    if (format == FileFormat::Shopify || format == FileFormat::WooCommerce)
        return countProducts(outputPath, format);
    int rows = 0;
    QString fault;
    if (!FormatConverter::readRows(
            outputPath, format, nullptr, [&rows](const ConversionMapping::SourceRow&) { ++rows; }, &fault) ||
        !fault.isEmpty())
        return std::nullopt;
    return rows;
}

Verdict check(WrittenItemSet& items, const QString& outputPath, FileFormat format) {
    if (!items.load())
        return Verdict::ListDamaged;
    const std::optional<int> rows = countItemRows(outputPath, format);
    if (!rows)
        return Verdict::Trusted;
    return judge(items.condition(), items.size(), *rows);
}

} // namespace ResumeCheck
