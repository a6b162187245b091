#include "run/InstanceLock.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QSysInfo>

InstanceLock::InstanceLock(const QString& programDir) : m_path(lockFilePath(programDir)) {}

InstanceLock::~InstanceLock() = default;

QString InstanceLock::lockFilePath(const QString& programDir) {
    return QDir(programDir).filePath(QStringLiteral("Kestrune.lock"));
}

bool InstanceLock::tryAcquire() {
    if (m_lock.isHeld())
        return true;
    // For a person looking at the folder only; nothing reads it back.
    const QByteArray owner = QByteArray::number(QCoreApplication::applicationPid()) + '\n' +
                             QSysInfo::machineHostName().toUtf8() + '\n';
    const System::FileLock::Result result = m_lock.acquire(m_path, owner);
    m_heldByAnother = result == System::FileLock::Result::HeldByAnother;
    return result == System::FileLock::Result::Locked;
}

bool InstanceLock::heldByAnother() const {
    return !m_lock.isHeld() && m_heldByAnother;
}
