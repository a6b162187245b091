#include "base/System.h"
#include "base/SystemProxy.h"

#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace System {

namespace {

// The file at path is still the one open as fd: an owner that was just leaving may have removed
// it after this process opened it, and a lock on a removed file locks nothing.
bool stillNamed(int fd, const QByteArray& path) {
    struct stat open {};
    struct stat named {};
    return ::fstat(fd, &open) == 0 && ::stat(path.constData(), &named) == 0 && open.st_dev == named.st_dev &&
           open.st_ino == named.st_ino;
}

volatile std::sig_atomic_t g_interrupted = 0;
using Handler = void (*)(int);
Handler g_previousHandler = SIG_DFL;

extern "C" void onInterrupt(int) {
    g_interrupted = 1;
    // A second Ctrl-C ends the program the ordinary way.
    std::signal(SIGINT, SIG_DFL);
}

} // namespace

FileLock::Result FileLock::acquire(const QString& path, const QByteArray& note) {
    if (isHeld())
        return Result::Locked;
    const QByteArray name = QFile::encodeName(path);
    for (int attempt = 0; attempt < 3; ++attempt) {
        const int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
        if (fd < 0)
            return Result::CannotOpen;
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const bool held = errno == EWOULDBLOCK;
            ::close(fd);
            return held ? Result::HeldByAnother : Result::CannotOpen;
        }
        if (!stillNamed(fd, name)) {
            ::close(fd);
            continue;
        }
        m_handle = fd;
        m_path = path;
        if (::ftruncate(fd, 0) == 0) {
            [[maybe_unused]] const ssize_t written = ::write(fd, note.constData(), size_t(note.size()));
        }
        return Result::Locked;
    }
    return Result::CannotOpen;
}

void FileLock::release() {
    if (!isHeld())
        return;
    // Removed while still locked, so no other instance can hold a lock on this file meanwhile.
    ::unlink(QFile::encodeName(m_path).constData());
    ::close(int(m_handle));
    m_handle = kNone;
}

bool syncFile(QFileDevice& file) {
    return file.flush() && ::fsync(file.handle()) == 0;
}

void startWriteback(QFileDevice& file, qint64 offset, qint64 length) {
    if (file.flush() && file.handle() >= 0)
        ::sync_file_range(file.handle(), offset, length, SYNC_FILE_RANGE_WRITE);
}

bool syncFolder(const QString& folder) {
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

bool commitDurably(QSaveFile& file) {
    const QString path = file.fileName();
    if (!file.commit())
        return false;
    // A failed folder sync leaves the new content in place; only a power cut could still undo it.
    syncFolder(QFileInfo(path).absolutePath());
    return true;
}

bool openRegularFile(QFile& file, bool write, QString* problem) {
    // Non-blocking, so that a FIFO with nobody at its other end is refused rather than waited on.
    const int flags = write ? O_WRONLY | O_CREAT : O_RDONLY;
    const int fd =
        ::open(QFile::encodeName(file.fileName()).constData(), flags | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0) {
        *problem = qt_error_string(errno);
        return false;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        *problem = QString::fromLatin1(kNotRegularFile);
        return false;
    }
    if ((write && ::ftruncate(fd, 0) != 0) || ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0 ||
        !file.open(fd, write ? QIODevice::WriteOnly : QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        *problem = qt_error_string(errno);
        ::close(fd);
        return false;
    }
    return true;
}

bool isSameFile(const QString& a, const QString& b) {
    struct stat s1 {};
    struct stat s2 {};
    return ::stat(QFile::encodeName(a).constData(), &s1) == 0 &&
           ::stat(QFile::encodeName(b).constData(), &s2) == 0 && s1.st_dev == s2.st_dev &&
           s1.st_ino == s2.st_ino;
}

void startInterruptWatch() {
    g_interrupted = 0;
    g_previousHandler = std::signal(SIGINT, onInterrupt);
}

bool interrupted() {
    return g_interrupted != 0;
}

void stopInterruptWatch() {
    std::signal(SIGINT, g_previousHandler);
}

void killThisProcess() {
    std::raise(SIGKILL);
    std::_Exit(137);
}

void endProcess(int code) {
    // The ordinary ending: exit handlers run and flush stdio, as when main returns.
    std::exit(code);
}

bool inputIsTerminal() {
    return ::isatty(STDIN_FILENO) != 0;
}

int progressLineColumns() {
    if (::isatty(STDERR_FILENO) == 0)
        return 0;
    winsize size{};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    return 80;
}

void attachConsole() {}

QString executableFolder() {
    return QFileInfo(QFile::symLinkTarget(QStringLiteral("/proc/self/exe"))).path();
}

void gbkForms(char16_t first, int count, quint32* forms) {
    for (int i = 0; i < count; ++i) {
        const char16_t unit = char16_t(first + i);
        forms[i] = unit < 0x80 ? 1U << 16 | unit : 0U;
    }
    QStringEncoder encoder("GBK");
    if (!encoder.isValid())
        return;
    // The units go through the converter in one call, each followed by a line feed: no byte of a
    // GBK character is one, so the bytes between two of them are the unit's (some units give
    // none). A call per character took most of a short conversion's start.
    QString units(2 * count, Qt::Uninitialized);
    char16_t* to = reinterpret_cast<char16_t*>(units.data());
    for (int i = 0; i < count; ++i) {
        const char16_t unit = char16_t(first + i);
        // ASCII is itself, and a surrogate alone is no text: the converter gets a space instead.
        *to++ = unit < 0x80 || QChar::isSurrogate(unit) ? u' ' : unit;
        *to++ = u'\n';
    }
    const QByteArray encoded = encoder.encode(units);
    const char* from = encoded.constData();
    const char* const end = from + encoded.size();
    for (int i = 0; i < count && from < end; ++i) {
        const char* const next = static_cast<const char*>(std::memchr(from, '\n', size_t(end - from)));
        if (!next)
            return;
        const int size = int(next - from);
        const char16_t unit = char16_t(first + i);
        // The converter's own substitute for a character it cannot hold is its question mark.
        const bool held = size == 1 ? *from != '?' : size == 2;
        if (held && unit >= 0x80 && !QChar::isSurrogate(unit)) {
            quint32 form = quint32(size) << 16;
            for (int k = 0; k < size; ++k)
                form |= quint32(uchar(from[k])) << (8 * k);
            forms[i] = form;
        }
        from = next + 1;
    }
}

QString proxyFromEnvironment() {
    return {};
}

struct GbkDecoder::State {
    QStringDecoder decoder{"GBK"};
};

GbkDecoder::GbkDecoder() : m_state(std::make_unique<State>()) {}
GbkDecoder::~GbkDecoder() = default;
GbkDecoder::GbkDecoder(GbkDecoder&&) noexcept = default;
GbkDecoder& GbkDecoder::operator=(GbkDecoder&&) noexcept = default;

qsizetype GbkDecoder::requiredSpace(qsizetype bytes) const {
    return m_state->decoder.requiredSpace(bytes);
}

QChar* GbkDecoder::appendToBuffer(QChar* out, QByteArrayView bytes) {
    return m_state->decoder.appendToBuffer(out, bytes);
}

QString GbkDecoder::finish() {
    // The converter holds back a lead byte that ends its input even when told nothing follows;
    // a zero byte pushes it out as a replacement character, and the zero itself is dropped.
    QString rest = m_state->decoder.decode(QByteArrayView("\0", 1));
    rest.chop(1);
    return rest;
}

} // namespace System
