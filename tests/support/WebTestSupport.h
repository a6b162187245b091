#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTest>

#include <csignal>
#include <sys/fsuid.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

// Helpers of the text, file and settings tests.

// One table row: QTest::newRow(name) << values... (keeps each row of a long table on one line).
template <typename... Values> void addRow(const char* name, const Values&... values) {
    (QTest::newRow(name) << ... << values);
}

// Puts exactly these bytes at path; a null QByteArray means "no file at all".
inline void putFileBytes(const QString& path, const QByteArray& bytes) {
    QFile::remove(path);
    if (bytes.isNull())
        return;
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

// The file's bytes; a null QByteArray when it cannot be read.
inline QByteArray fileBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

// Makes writes beyond a size fail with EFBIG, as a full disk would, for root as well.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
};

// File permissions checked as an ordinary user's, for root as well: the tests run as root on the
// build machine, and root may write into any folder.
class UnprivilegedFileAccess {
public:
    static constexpr uid_t kNobody = 65534;
    UnprivilegedFileAccess() {
        if (geteuid() == 0) {
            setfsgid(kNobody);
            setfsuid(kNobody);
        }
    }
    ~UnprivilegedFileAccess() {
        if (geteuid() == 0) {
            setfsuid(0);
            setfsgid(0);
        }
    }
    UnprivilegedFileAccess(const UnprivilegedFileAccess&) = delete;
    UnprivilegedFileAccess& operator=(const UnprivilegedFileAccess&) = delete;
};

// A folder that lets its existing file be rewritten but no new file be made in it, the case
// where writing over the target in place would be the only way left.
inline void makeFolderKeepOnlyItsFile(const QString& folder, const QString& file) {
    QVERIFY(::chmod(QFile::encodeName(file).constData(), 0666) == 0);
    QVERIFY(::chmod(QFile::encodeName(folder).constData(), 0555) == 0);
}
