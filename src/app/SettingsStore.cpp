#include "app/SettingsStore.h"

SettingsStore::SettingsStore(const QString& iniPath) : m_path(iniPath) {}

QString SettingsStore::ReadIniValue(const QString&, const QString&) const {
    return {};
}

bool SettingsStore::WriteIniValue(const QString&, const QString&, const QString&) {
    return false;
}
