#include "base/MarketplaceCodes.h"

#include <array>

namespace {

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

const PlatformRow& platformRow(Platform platform) {
    return *findRow(kPlatforms, [platform](const PlatformRow& row) { return row.platform == platform; });
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

QString platformWord(Platform platform) {
    return QString::fromUtf16(platformRow(platform).word);
}

std::optional<Platform> platformFromWord(const QString& word) {
    return platformWhere([&word](const PlatformRow& row) { return word == QString::fromUtf16(row.word); });
}

} // namespace MarketplaceCodes
