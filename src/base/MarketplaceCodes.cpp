#include "base/MarketplaceCodes.h"

#include <array>

namespace {

// One row per format; a new format is one more row here.
struct FormatRow {
    FileFormat format;
    int outputIndex;    // Option5, BreakPointOption
    int converterIndex; // Option3, Option4
    const char16_t* word;
    const char16_t* name; // the assistant's name, as messages give it
    Platform platform;
};

constexpr std::array<FormatRow, 6> kFormats{{
    {FileFormat::TaobaoAssistant, 0, 0, u"taobao", u"淘宝助理", Platform::Taobao},
    {FileFormat::PaiPaiAssistant, 2, 1, u"paipai", u"拍拍助理", Platform::PaiPai},
    {FileFormat::EbayAssistant, 1, 2, u"ebay", u"易趣助理", Platform::Ebay},
    {FileFormat::TaobaoAssistant5, 3, 3, u"taobao5", u"淘宝助理5", Platform::Taobao},
    // No extraction writes the store files yet (output index -1).
    {FileFormat::Shopify, -1, 4, u"shopify", u"Shopify", Platform::Taobao},
    {FileFormat::WooCommerce, -1, 5, u"woocommerce", u"WooCommerce", Platform::Taobao},
}};

struct PlatformRow {
    Platform platform;
    int index; // Option1, BreakPointSO
    const char16_t* word;
};

constexpr std::array<PlatformRow, 3> kPlatforms{{
    {Platform::PaiPai, 0, u"paipai"},
    {Platform::Ebay, 1, u"ebay"},
    {Platform::Taobao, 2, u"taobao"},
}};

template <typename Rows, typename Match> auto findRow(const Rows& rows, Match match) -> decltype(&rows[0]) {
    for (const auto& row : rows)
        if (match(row))
            return &row;
    return nullptr;
}

const FormatRow& formatRow(FileFormat format) {
    return *findRow(kFormats, [format](const FormatRow& row) { return row.format == format; });
}

const PlatformRow& platformRow(Platform platform) {
    return *findRow(kPlatforms, [platform](const PlatformRow& row) { return row.platform == platform; });
}

template <typename Match> std::optional<FileFormat> formatWhere(Match match) {
    if (const FormatRow* row = findRow(kFormats, match))
        return row->format;
    return std::nullopt;
}

template <typename Match> std::optional<Platform> platformWhere(Match match) {
    if (const PlatformRow* row = findRow(kPlatforms, match))
        return row->platform;
    return std::nullopt;
}

} // namespace

namespace MarketplaceCodes {

int platformIndex(Platform platform) {
    return platformRow(platform).index;
}

std::optional<Platform> platformFromIndex(int index) {
    return platformWhere([index](const PlatformRow& row) { return row.index == index; });
}

int outputFormatIndex(FileFormat format) {
    return formatRow(format).outputIndex;
}

std::optional<FileFormat> outputFormatFromIndex(int index) {
    // -1 marks the formats no extraction writes.
    return formatWhere([index](const FormatRow& row) { return index >= 0 && row.outputIndex == index; });
}

int converterIndex(FileFormat format) {
    return formatRow(format).converterIndex;
}

std::optional<FileFormat> converterFormatFromIndex(int index) {
    return formatWhere([index](const FormatRow& row) { return row.converterIndex == index; });
}

QString platformWord(Platform platform) {
    return QString::fromUtf16(platformRow(platform).word);
}

std::optional<Platform> platformFromWord(const QString& word) {
    return platformWhere([&word](const PlatformRow& row) { return word == QString::fromUtf16(row.word); });
}

QString formatWord(FileFormat format) {
    return QString::fromUtf16(formatRow(format).word);
}

std::optional<FileFormat> formatFromWord(const QString& word) {
    return formatWhere([&word](const FormatRow& row) { return word == QString::fromUtf16(row.word); });
}

QString assistantName(FileFormat format) {
    return QString::fromUtf16(formatRow(format).name);
}

Platform platformOf(FileFormat format) {
    return formatRow(format).platform;
}

} // namespace MarketplaceCodes
