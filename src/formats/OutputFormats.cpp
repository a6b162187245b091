#include "formats/OutputFormats.h"

#include "formats/AssistantFormat.h"

#include <array>

namespace OutputFormats {

namespace {

std::array<Description, 6> makeDescriptions() {
    const QString csv = QStringLiteral(".csv");
    return {{
        {FileFormat::TaobaoAssistant, QStringLiteral(".txt"), TextEncoding::Utf16LE, TextEncoding::Gbk,
         HeaderPolicy::OncePerBatch, &AssistantFormat::taobao(), &AssistantFormat::taobaoConverter()},
        {FileFormat::PaiPaiAssistant, csv, TextEncoding::Gbk, TextEncoding::Gbk, HeaderPolicy::OncePerFile,
         &AssistantFormat::paipai(), &AssistantFormat::paipaiConverter()},
        {FileFormat::EbayAssistant, csv, TextEncoding::Gbk, TextEncoding::Gbk, HeaderPolicy::OncePerFile,
         &AssistantFormat::ebay(), &AssistantFormat::ebayConverter()},
        {FileFormat::TaobaoAssistant5, csv, TextEncoding::Utf16LE, TextEncoding::Utf16LE,
         HeaderPolicy::OncePerFile, nullptr, nullptr},
        {FileFormat::Shopify, csv, TextEncoding::Utf8, TextEncoding::Utf8, HeaderPolicy::OncePerFile, nullptr,
         nullptr},
        {FileFormat::WooCommerce, csv, TextEncoding::Utf8, TextEncoding::Utf8, HeaderPolicy::OncePerFile,
         nullptr, nullptr},
    }};
}

} // namespace

const Description& describe(FileFormat format) {
    static const std::array<Description, 6> descriptions = makeDescriptions();
    for (const Description& description : descriptions) {
        if (description.format == format)
            return description;
    }
    // Every FileFormat has its row; the test of this table checks it.
    return descriptions.front();
}

} // namespace OutputFormats
