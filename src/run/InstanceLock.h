#pragma once

#include "base/System.h"

#include <QString>

// One instance per program folder, whether window or command line: a kernel lock on a
// lock file in the folder, held for the life of this object. The kernel drops the lock when its
// process ends however it ends, so what the file holds (empty, garbled, written on another
// host) never keeps a folder locked; the content only tells a person who holds it.
class InstanceLock {
public:
    explicit InstanceLock(const QString& programDir);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // False when another live instance holds the folder (or the folder cannot be locked).
    bool tryAcquire();
    // After a failed tryAcquire: true when another instance holds it, false when the lock file
    // could not be made at all (a folder without write permission).
    bool heldByAnother() const;
    const QString& path() const { return m_path; }

    static QString lockFilePath(const QString& programDir);

private:
    QString m_path;
    System::FileLock m_lock;
    bool m_heldByAnother = false;
};
