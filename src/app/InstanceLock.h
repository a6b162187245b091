#pragma once

#include <QLockFile>
#include <QString>

#include <memory>

// One instance per program folder, whether window or command line: a lock file in the folder,
// held for the life of this object. A lock left by a process that died is taken over.
class InstanceLock {
public:
    explicit InstanceLock(const QString& programDir);

    // False when another live instance holds the folder (or the folder cannot be locked).
    bool tryAcquire();
    // After a failed tryAcquire: true when another instance holds it, false when the lock file
    // could not be made at all (a folder without write permission).
    bool heldByAnother() const;

    static QString lockFilePath(const QString& programDir);

private:
    std::unique_ptr<QLockFile> m_lock;
    bool m_held = false;
};
