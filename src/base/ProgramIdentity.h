#pragma once

#include <QString>

// The program's own identity: its title and version as the window, the message boxes and the
// command line show them, and the name of its settings file.
namespace ProgramIdentity {

inline const QString kApplicationTitle = QStringLiteral("Kestrune");
inline const QString kVersion = QStringLiteral("V20090307");
inline const QString kWindowCaption = kApplicationTitle + u' ' + kVersion;
inline const QString kSettingsFileName = QStringLiteral("Kestrune.ini");

} // namespace ProgramIdentity
