#pragma once

#include "base/Marketplace.h"

#include <QString>

#include <optional>

// The only place where the marketplaces meet the numbers and words stored or shown elsewhere:
// the window's option indexes (Option1 for the platform, Option5 for the output format, Option3
// and Option4 for the converter), the breakpoint codes BreakPointSO (= Option1) and
// BreakPointOption (= Option5), and the command line's words taobao|paipai|ebay|taobao5.
namespace MarketplaceCodes {

// Option1 index and BreakPointSO code.
int platformIndex(Platform platform);
std::optional<Platform> platformFromIndex(int index);

// Option5 index and BreakPointOption code.
int outputFormatIndex(FileFormat format);
std::optional<FileFormat> outputFormatFromIndex(int index);

// Option3 (source) and Option4 (target) index of the conversion panel.
int converterIndex(FileFormat format);
std::optional<FileFormat> converterFormatFromIndex(int index);

// Command-line words.
QString platformWord(Platform platform);
std::optional<Platform> platformFromWord(const QString& word);
QString formatWord(FileFormat format);
std::optional<FileFormat> formatFromWord(const QString& word);

// 淘宝助理, 拍拍助理, 易趣助理, 淘宝助理5.
QString assistantName(FileFormat format);

// The platform whose own assistant writes the format.
Platform platformOf(FileFormat format);

} // namespace MarketplaceCodes
