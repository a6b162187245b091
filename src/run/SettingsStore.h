#pragma once

#include <QMutex>
#include <QString>

// The INI file that keeps the breakpoint between runs, in GBK, with the Windows profile rules:
// section and key names compared case-insensitively, other lines kept as they are. One store per
// program folder, shared by the window and its runs: a write reads the whole file and writes it
// back, so the store lets one thread at a time at it.
class SettingsStore {
public:
    explicit SettingsStore(const QString& iniPath);

    const QString& path() const { return m_path; }
    // Empty text when the key is blank or absent, or on any failure. At most 1023 bytes come back.
    QString readValue(const QString& section, const QString& key) const;
    // False when section, key or value is blank, a value holds a line break, or the write fails.
    bool writeValue(const QString& section, const QString& key, const QString& value);

private:
    QString m_path;
    mutable QMutex m_mutex;
};
