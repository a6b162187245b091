#pragma once

// The marketplaces a shop can be on.
enum class Platform { PaiPai, Ebay, Taobao };

// The assistant file layouts: what an extraction writes, and what the converter reads and writes.
// TaobaoAssistant is the 31-caption layout; TaobaoAssistant5 the one today's Taobao Assistant
// exports and imports ("version 1.00", field names, captions).
// Shopify and WooCommerce are the product files of the store systems sellers move their shops to.
enum class FileFormat {
    TaobaoAssistant,
    PaiPaiAssistant,
    EbayAssistant,
    TaobaoAssistant5,
    Shopify,
    WooCommerce
};
inline constexpr int kFileFormatCount = static_cast<int>(FileFormat::WooCommerce) + 1;
