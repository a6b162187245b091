#pragma once

// The marketplaces a shop can be on.
enum class Platform { PaiPai, Ebay, Taobao };

// The assistant file layouts: what an extraction writes, and what the converter reads and writes.
enum class FileFormat { TaobaoAssistant, PaiPaiAssistant, EbayAssistant };
