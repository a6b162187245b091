#include "app/InstanceLock.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QSysInfo>

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The file at path is still the one open as fd: an owner that was just leaving may have removed
// it after this process opened it, and a lock on a removed file locks nothing.
bool stillNamed(int fd, const QByteArray& path) {
    struct stat open {};
    struct stat named {};
    return ::fstat(fd, &open) == 0 && ::stat(path.constData(), &named) == 0 && open.st_dev == named.st_dev &&
           open.st_ino == named.st_ino;
}

} // namespace

InstanceLock::InstanceLock(const QString& programDir) : m_path(lockFilePath(programDir)) {}

InstanceLock::~InstanceLock() {
    release();
}

QString InstanceLock::lockFilePath(const QString& programDir) {
    return QDir(programDir).filePath(QStringLiteral("Kestrune.lock"));
}

bool InstanceLock::tryAcquire() {
    if (m_fd >= 0)
        return true;
    m_heldByAnother = false;
    const QByteArray path = QFile::encodeName(m_path);
    for (int attempt = 0; attempt < 3; ++attempt) {
        const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
        if (fd < 0)
            return false;
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            m_heldByAnother = errno == EWOULDBLOCK;
            ::close(fd);
            return false;
        }
        if (!stillNamed(fd, path)) {
            ::close(fd);
            continue;
        }
        m_fd = fd;
        // For a person looking at the folder only; nothing reads it back.
        const QByteArray owner =
            QByteArray::number(qint64(::getpid())) + '\n' + QSysInfo::machineHostName().toUtf8() + '\n';
        if (::ftruncate(fd, 0) == 0) {
            [[maybe_unused]] const ssize_t written = ::write(fd, owner.constData(), size_t(owner.size()));
        }
        return true;
    }
    return false;
}

bool InstanceLock::heldByAnother() const {
    return m_fd < 0 && m_heldByAnother;
}

void InstanceLock::release() {
    if (m_fd < 0)
        return;
    // Removed while still locked, so no other instance can hold a lock on this file meanwhile.
    ::unlink(QFile::encodeName(m_path).constData());
    ::close(m_fd);
    m_fd = -1;
}
