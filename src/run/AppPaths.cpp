#include "run/AppPaths.h"

#include "base/ProgramIdentity.h"

#include <QDir>

AppPaths::AppPaths(const QString& programDir) : m_programDir(QDir(programDir).absolutePath()) {}

QString AppPaths::inProgramDir(const QString& fileName) const {
    return QDir::toNativeSeparators(QDir(m_programDir).filePath(fileName));
}

QString AppPaths::settingsFile() const {
    return inProgramDir(ProgramIdentity::kSettingsFileName);
}

QString AppPaths::outputFile(const QString& baseName, const QString& extension) const {
    return inProgramDir(baseName + extension);
}

QString AppPaths::pictureFolder(const QString& baseName) const {
    return inProgramDir(baseName);
}
