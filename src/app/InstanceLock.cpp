#include "app/InstanceLock.h"

#include <QDir>

InstanceLock::InstanceLock(const QString& programDir)
    : m_lock(std::make_unique<QLockFile>(lockFilePath(programDir))) {
    // A long extraction keeps its lock however old it is; only a dead owner makes it stale.
    m_lock->setStaleLockTime(0);
}

QString InstanceLock::lockFilePath(const QString& programDir) {
    return QDir(programDir).filePath(QStringLiteral("Kestrune.lock"));
}

bool InstanceLock::tryAcquire() {
    if (!m_held)
        m_held = m_lock->tryLock(0);
    return m_held;
}

bool InstanceLock::heldByAnother() const {
    return !m_held && m_lock->error() == QLockFile::LockFailedError;
}
