#include "formats/OutputFormats.h"

#include "formats/AssistantFormat.h"

#include <algorithm>

namespace OutputFormats {

namespace {

// No default branch: the compiler names a format added without its description.
Description describeNew(FileFormat format) {
    const QString csv = QStringLiteral(".csv");
    switch (format) {
    case FileFormat::TaobaoAssistant:
        return {format,
                0,
                0,
                QStringLiteral("taobao"),
                QStringLiteral("淘宝助理"),
                QStringLiteral("淘宝"),
                Platform::Taobao,
                false,
                QStringLiteral("_Taobao"),
                Platform::Taobao,
                QStringLiteral(".txt"),
                TextEncoding::Utf16LE,
                TextEncoding::Gbk,
                HeaderPolicy::OncePerBatch,
                &AssistantFormat::taobao(),
                &AssistantFormat::taobaoConverter()};
    case FileFormat::EbayAssistant:
        return {format,
                1,
                2,
                QStringLiteral("ebay"),
                QStringLiteral("易趣助理"),
                QStringLiteral("易趣"),
                Platform::Ebay,
                false,
                QStringLiteral("_eBay"),
                Platform::Ebay,
                csv,
                TextEncoding::Gbk,
                TextEncoding::Gbk,
                HeaderPolicy::OncePerFile,
                &AssistantFormat::ebay(),
                &AssistantFormat::ebayConverter()};
    case FileFormat::PaiPaiAssistant:
        return {format,
                2,
                1,
                QStringLiteral("paipai"),
                QStringLiteral("拍拍助理"),
                QStringLiteral("拍拍"),
                Platform::PaiPai,
                false,
                QStringLiteral("_PaiPai"),
                Platform::PaiPai,
                csv,
                TextEncoding::Gbk,
                TextEncoding::Gbk,
                HeaderPolicy::OncePerFile,
                &AssistantFormat::paipai(),
                &AssistantFormat::paipaiConverter()};
    case FileFormat::TaobaoAssistant5:
        return {format,
                3,
                3,
                QStringLiteral("taobao5"),
                QStringLiteral("淘宝助理5"),
                QStringLiteral("淘宝5"),
                Platform::Taobao,
                false,
                QStringLiteral("_Taobao5"),
                std::nullopt,
                csv,
                TextEncoding::Utf16LE,
                TextEncoding::Utf16LE,
                HeaderPolicy::OncePerFile,
                nullptr,
                nullptr};
    case FileFormat::Shopify:
        return {format,
                4,
                4,
                QStringLiteral("shopify"),
                QStringLiteral("Shopify"),
                QStringLiteral("Shopify"),
                Platform::Taobao,
                true,
                QStringLiteral("_Shopify"),
                std::nullopt,
                csv,
                TextEncoding::Utf8,
                TextEncoding::Utf8,
                HeaderPolicy::OncePerFile,
                nullptr,
                nullptr};
    case FileFormat::WooCommerce:
        return {format,
                5,
                5,
                QStringLiteral("woocommerce"),
                QStringLiteral("WooCommerce"),
                QStringLiteral("WooCommerce"),
                Platform::Taobao,
                true,
                QStringLiteral("_WooCommerce"),
                std::nullopt,
                csv,
                TextEncoding::Utf8,
                TextEncoding::Utf8,
                HeaderPolicy::OncePerFile,
                nullptr,
                nullptr};
    }
    return describeNew(FileFormat::TaobaoAssistant); // not reached: every format has its case
}

using Descriptions = std::array<Description, kFileFormatCount>;

const Descriptions& descriptions() {
    static const Descriptions all = [] {
        Descriptions made{};
        for (int i = 0; i < kFileFormatCount; ++i)
            made[i] = describeNew(static_cast<FileFormat>(i));
        return made;
    }();
    return all;
}

template <typename Match> std::optional<FileFormat> formatWhere(Match match) {
    for (const Description& description : descriptions()) {
        if (match(description))
            return description.format;
    }
    return std::nullopt;
}

} // namespace

const Description& describe(FileFormat format) {
    return descriptions()[static_cast<int>(format)];
}

const std::array<FileFormat, kFileFormatCount>& all() {
    static const std::array<FileFormat, kFileFormatCount> byIndex = [] {
        std::array<FileFormat, kFileFormatCount> formats{};
        for (int i = 0; i < kFileFormatCount; ++i)
            formats[i] = static_cast<FileFormat>(i);
        std::sort(formats.begin(), formats.end(), [](FileFormat a, FileFormat b) {
            return describe(a).outputIndex < describe(b).outputIndex;
        });
        return formats;
    }();
    return byIndex;
}

std::optional<FileFormat> fromOutputIndex(int index) {
    return formatWhere([index](const Description& d) { return d.outputIndex == index; });
}

std::optional<FileFormat> fromConverterIndex(int index) {
    return formatWhere([index](const Description& d) { return d.converterIndex == index; });
}

std::optional<FileFormat> fromWord(const QString& word) {
    return formatWhere([&word](const Description& d) { return d.word == word; });
}

} // namespace OutputFormats
