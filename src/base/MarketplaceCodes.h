#pragma once

#include "base/Marketplace.h"

#include <QString>

#include <optional>

// The only place where the marketplaces meet the numbers and words stored or typed elsewhere: the
// window's Option1 index, the breakpoint code BreakPointSO (= Option1) and the command line's
// words taobao|paipai|ebay. The output formats' codes are in their descriptions (OutputFormats).
namespace MarketplaceCodes {

// Option1 index and BreakPointSO code.
int platformIndex(Platform platform);
std::optional<Platform> platformFromIndex(int index);

// Command-line words.
QString platformWord(Platform platform);
std::optional<Platform> platformFromWord(const QString& word);

} // namespace MarketplaceCodes
