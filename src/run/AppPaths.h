#pragma once

#include <QString>

// Where the program keeps its files: the settings file, output files and picture folders all
// sit directly in one folder (the executable's own unless --data-dir names another).
class AppPaths {
public:
    AppPaths() = default;
    explicit AppPaths(const QString& programDir);

    const QString& programDir() const { return m_programDir; }
    QString settingsFile() const;
    QString outputFile(const QString& baseName, const QString& extension) const;
    QString pictureFolder(const QString& baseName) const;
    QString inProgramDir(const QString& fileName) const;

private:
    QString m_programDir;
};
