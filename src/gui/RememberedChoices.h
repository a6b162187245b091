#pragma once

#include "base/Marketplace.h"

#include <QString>

#include <optional>

class SettingsStore;

// What the seller chose last, so that the window opens as it was left: the platform, the shop
// address and the output format, and which text of the usage notice was accepted (asked again
// only when the text changes). A section of the settings file of its own.
struct RememberedChoices {
    static const QString kSection;

    std::optional<Platform> platform;
    std::optional<FileFormat> format;
    QString address;

    // A value that names no platform or format is left out.
    static RememberedChoices read(const SettingsStore& settings);
    bool write(SettingsStore& settings) const;

    static bool noticeAccepted(const SettingsStore& settings, const QString& notice);
    static bool recordNoticeAccepted(SettingsStore& settings, const QString& notice);
};
