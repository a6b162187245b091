#include "support/TestSystem.h"

#include <QFile>
#include <QProcess>

#include <cerrno>
#include <csignal>
#include <sys/fsuid.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace TestSystem {

namespace {

constexpr uid_t kNobody = 65534;

bool setMode(const QString& path, mode_t mode) {
    return ::chmod(QFile::encodeName(path).constData(), mode) == 0;
}

} // namespace

const char* missing(Feature) {
    return nullptr;
}

struct FileSizeLimit::Saved {
    rlimit limit{};
    void (*handler)(int) = nullptr;
};

FileSizeLimit::FileSizeLimit(qint64 bytes) : m_saved(std::make_unique<Saved>()) {
    getrlimit(RLIMIT_FSIZE, &m_saved->limit);
    // EFBIG instead of the signal that would end the test.
    m_saved->handler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = m_saved->limit;
    limit.rlim_cur = rlim_t(bytes);
    setrlimit(RLIMIT_FSIZE, &limit);
}

FileSizeLimit::~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &m_saved->limit);
    std::signal(SIGXFSZ, m_saved->handler);
}

UnprivilegedFileAccess::UnprivilegedFileAccess() {
    if (geteuid() == 0) {
        setfsgid(kNobody);
        setfsuid(kNobody);
    }
}

UnprivilegedFileAccess::~UnprivilegedFileAccess() {
    if (geteuid() == 0) {
        setfsuid(0);
        setfsgid(0);
    }
}

bool makeFolderKeepOnlyItsFile(const QString& folder, const QString& file) {
    return setMode(file, 0666) && setMode(folder, 0555);
}

bool openFolder(const QString& folder) {
    return setMode(folder, 0755);
}

bool makeFifo(const QString& path) {
    return ::mkfifo(QFile::encodeName(path).constData(), 0666) == 0;
}

bool makeNullDevice(const QString& path) {
    return ::mknod(QFile::encodeName(path).constData(), S_IFCHR | 0666, makedev(1, 3)) == 0;
}

QString zeroDevice() {
    return QStringLiteral("/dev/zero");
}

QString fullDevice() {
    return QStringLiteral("/dev/full");
}

bool makeLink(const QString& existing, const QString& link) {
    return QFile::link(existing, link);
}

QString missingFolderReason() {
    return qt_error_string(ENOENT);
}

bool interrupt(QProcess& process) {
    return ::kill(static_cast<pid_t>(process.processId()), SIGINT) == 0;
}

void startThroughShell(QProcess& process, const QString& script, const QString& program) {
    process.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), script, program});
}

} // namespace TestSystem
