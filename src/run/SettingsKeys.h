#pragma once

#include <QString>

// The breakpoint record kept in the settings file.
namespace SettingsKeys {

inline const QString kSection = QStringLiteral("断点续采");
inline const QString kBreakPoint = QStringLiteral("BreakPoint");
inline const QString kBreakPointUrl = QStringLiteral("BreakPointUrl");
inline const QString kBreakPointOption = QStringLiteral("BreakPointOption");
inline const QString kBreakPointSO = QStringLiteral("BreakPointSO");
inline const QString kBreakPointFileName = QStringLiteral("BreakPointFileName");
inline const QString kBreakPointNum = QStringLiteral("BreakPointNum");

} // namespace SettingsKeys
