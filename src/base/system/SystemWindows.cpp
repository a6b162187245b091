#include "base/System.h"
#include "base/SystemProxy.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace System {

namespace {

std::wstring nativeName(const QString& path) {
    return QDir::toNativeSeparators(path).toStdWString();
}

HANDLE osHandle(QFileDevice& file) {
    const int fd = file.handle();
    return fd < 0 ? INVALID_HANDLE_VALUE : reinterpret_cast<HANDLE>(_get_osfhandle(fd));
}

struct FileIdentity {
    DWORD volume = 0;
    DWORD high = 0;
    DWORD low = 0;
    bool operator==(const FileIdentity&) const = default;
};

bool identityOf(HANDLE handle, FileIdentity* identity) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(handle, &info))
        return false;
    *identity = {info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
    return true;
}

// Opened for its identity only: any other opener may read, write or remove it meanwhile.
bool identityOf(const QString& path, FileIdentity* identity) {
    const HANDLE handle =
        CreateFileW(nativeName(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    const bool ok = identityOf(handle, identity);
    CloseHandle(handle);
    return ok;
}

// See FileLock::acquire on Linux: a lock on a file its owner removed while leaving locks nothing.
bool stillNamed(HANDLE handle, const QString& path) {
    FileIdentity open;
    FileIdentity named;
    return identityOf(handle, &open) && identityOf(path, &named) && open == named;
}

// The lock's byte lies at 2^62, where no note reaches.
constexpr DWORD kLockedByteHigh = 0x40000000;

std::atomic<bool> g_interrupted = false;

BOOL WINAPI onConsoleControl(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
        return FALSE;
    // A second Ctrl-C ends the program the ordinary way.
    return g_interrupted.exchange(true) ? FALSE : TRUE;
}

bool isConsole(DWORD which) {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(which), &mode) != 0;
}

} // namespace

FileLock::Result FileLock::acquire(const QString& path, const QByteArray& note) {
    if (isHeld())
        return Result::Locked;
    for (int attempt = 0; attempt < 3; ++attempt) {
        // Without DELETE access: while one handle has it, every other opener must allow removal,
        // which ordinary programs (and QFile) do not, so nobody could read the note.
        const HANDLE handle = CreateFileW(nativeName(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                          OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            // A file its owner is removing cannot be opened until it is gone.
            if (GetLastError() == ERROR_ACCESS_DENIED && QFileInfo::exists(path) && attempt < 2) {
                Sleep(50);
                continue;
            }
            return Result::CannotOpen;
        }
        // Windows locks are mandatory: a lock over the note would keep everyone else from reading
        // it. One byte far past any note is locked instead (a lock may lie beyond the end).
        OVERLAPPED farByte{};
        farByte.OffsetHigh = kLockedByteHigh;
        if (!LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &farByte)) {
            const bool held = GetLastError() == ERROR_LOCK_VIOLATION;
            CloseHandle(handle);
            return held ? Result::HeldByAnother : Result::CannotOpen;
        }
        if (!stillNamed(handle, path)) {
            CloseHandle(handle);
            continue;
        }
        m_handle = reinterpret_cast<qintptr>(handle);
        m_path = path;
        OVERLAPPED start{};
        DWORD written = 0;
        if (SetEndOfFile(handle))
            WriteFile(handle, note.constData(), DWORD(note.size()), &written, &start);
        return Result::Locked;
    }
    return Result::CannotOpen;
}

void FileLock::release() {
    if (!isHeld())
        return;
    const HANDLE handle = reinterpret_cast<HANDLE>(m_handle);
    // Marked for removal while still locked, as on Linux, through a handle of its own; one that
    // cannot be had (a reader that forbids removal) leaves the file, which locks nothing.
    const HANDLE remover = CreateFileW(nativeName(m_path).c_str(), DELETE,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (remover != INVALID_HANDLE_VALUE) {
        FileIdentity held;
        FileIdentity named;
        if (identityOf(handle, &held) && identityOf(remover, &named) && held == named) {
            FILE_DISPOSITION_INFO remove{TRUE};
            SetFileInformationByHandle(remover, FileDispositionInfo, &remove, sizeof remove);
        }
        CloseHandle(remover);
    }
    CloseHandle(handle);
    m_handle = kNone;
}

bool syncFile(QFileDevice& file) {
    if (!file.flush())
        return false;
    const HANDLE handle = osHandle(file);
    return handle != INVALID_HANDLE_VALUE && FlushFileBuffers(handle) != 0;
}

void startWriteback(QFileDevice&, qint64, qint64) {}

bool syncFolder(const QString& folder) {
    // A folder can be flushed only by an administrator; NTFS keeps its names in its own journal,
    // which flushing a file in it writes out (see commitDurably).
    return QFileInfo(folder).isDir();
}

bool commitDurably(QSaveFile& file) {
    const QString path = file.fileName();
    if (!file.commit())
        return false;
    // QSaveFile renames without write-through; flushing the renamed file writes out the file
    // system's journal, rename included.
    const HANDLE handle = CreateFileW(nativeName(path).c_str(), GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
        FlushFileBuffers(handle);
        CloseHandle(handle);
    }
    return true;
}

bool openRegularFile(QFile& file, bool write, QString* problem) {
    // Named pipes and devices live outside the folders: a path in one is a file or a folder.
    const QFileInfo info(file.fileName());
    if (info.exists() && !info.isFile()) {
        *problem = QString::fromLatin1(kNotRegularFile);
        return false;
    }
    if (!file.open(write ? QIODevice::WriteOnly | QIODevice::Truncate : QIODevice::ReadOnly)) {
        *problem = file.errorString();
        return false;
    }
    return true;
}

bool isSameFile(const QString& a, const QString& b) {
    FileIdentity first;
    FileIdentity second;
    return identityOf(a, &first) && identityOf(b, &second) && first == second;
}

void startInterruptWatch() {
    g_interrupted = false;
    SetConsoleCtrlHandler(onConsoleControl, TRUE);
}

bool interrupted() {
    return g_interrupted;
}

void stopInterruptWatch() {
    SetConsoleCtrlHandler(onConsoleControl, FALSE);
}

// The code a process ended by TerminateProcess from outside gets from Qt (QProcess::kill), which
// QProcess reports as a crash: a watcher sees this end as it would see a kill.
constexpr UINT kKilledExitCode = 0xF291;

void killThisProcess() {
    TerminateProcess(GetCurrentProcess(), kKilledExitCode);
    std::_Exit(int(kKilledExitCode));
}

void endProcess(int code) {
    std::fflush(nullptr);
    // Not ExitProcess nor a return from main: their exit handlers and DLL detach notices free the
    // threads' local storage, which under wine can wait forever once a network fetch ran on
    // another thread. Nothing of the program runs there (its files are closed, stdio is flushed
    // above), and a process that ends itself this way keeps the code it gives on Windows too.
    TerminateProcess(GetCurrentProcess(), UINT(code));
    std::_Exit(code);
}

bool inputIsTerminal() {
    return isConsole(STD_INPUT_HANDLE);
}

int progressLineColumns() {
    const HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    if (!GetConsoleMode(error, &mode))
        return 0;
    if ((mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) == 0 &&
        !SetConsoleMode(error, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING))
        return 0;
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (GetConsoleScreenBufferInfo(error, &info) && info.srWindow.Right > info.srWindow.Left)
        return info.srWindow.Right - info.srWindow.Left + 1;
    return 80;
}

void attachConsole() {
    // Streams already given (a pipe, a file, a console of its own) are kept.
    const auto missing = [](DWORD which) {
        const HANDLE handle = GetStdHandle(which);
        return handle == nullptr || handle == INVALID_HANDLE_VALUE;
    };
    const bool noInput = missing(STD_INPUT_HANDLE);
    const bool noOutput = missing(STD_OUTPUT_HANDLE);
    const bool noError = missing(STD_ERROR_HANDLE);
    if ((noOutput || noError) && AttachConsole(ATTACH_PARENT_PROCESS)) {
        if (noInput)
            std::freopen("CONIN$", "r", stdin);
        if (noOutput)
            std::freopen("CONOUT$", "w", stdout);
        if (noError)
            std::freopen("CONOUT$", "w", stderr);
    }
    SetConsoleOutputCP(CP_UTF8);
    // The lines are written as UTF-8 bytes ending in LF, the same on every system.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
}

QString executableFolder() {
    // Long paths: the buffer grows until the whole name fits.
    std::vector<wchar_t> name(MAX_PATH);
    for (;;) {
        const DWORD size = GetModuleFileNameW(nullptr, name.data(), DWORD(name.size()));
        if (size == 0)
            return {};
        if (size < name.size())
            return QFileInfo(QString::fromWCharArray(name.data(), int(size))).path();
        name.resize(name.size() * 2);
    }
}

namespace {

constexpr UINT kGbkCodePage = 936;
constexpr char16_t kEuro = 0x20AC;
constexpr char16_t kLastByteCharacter = 0xF8F5;

bool isLeadByte(uchar byte) {
    return byte >= 0x81 && byte <= 0xFE;
}

bool isTrailByte(uchar byte) {
    return byte >= 0x40 && byte <= 0xFE && byte != 0x7F;
}

// Whole characters only; returns the end of what was written.
QChar* convertRun(QChar* out, const char* bytes, int size) {
    if (size <= 0)
        return out;
    const int written =
        MultiByteToWideChar(kGbkCodePage, 0, bytes, size, reinterpret_cast<wchar_t*>(out), size);
    return out + qMax(written, 0);
}

} // namespace

namespace {

// One character's form the slow way: there and back, for the character alone.
quint32 formOfUnit(wchar_t wide) {
    char bytes[4] = {};
    BOOL usedDefault = FALSE;
    const int size =
        WideCharToMultiByte(kGbkCodePage, WC_NO_BEST_FIT_CHARS, &wide, 1, bytes, 4, nullptr, &usedDefault);
    if (size <= 0 || size > 2 || usedDefault)
        return 0;
    wchar_t back = 0;
    if (MultiByteToWideChar(kGbkCodePage, MB_ERR_INVALID_CHARS, bytes, size, &back, 1) != 1 || back != wide)
        return 0;
    return quint32(size) << 16 | uchar(bytes[0]) | (size == 2 ? quint32(uchar(bytes[1])) << 8 : 0U);
}

} // namespace

void gbkForms(char16_t first, int count, quint32* forms) {
    for (int i = 0; i < count; ++i) {
        const char16_t unit = char16_t(first + i);
        // The two single bytes above ASCII, fixed here because Windows versions (and wine)
        // differ on them; the converter of the Linux side has them so.
        if (unit == kEuro)
            forms[i] = 1U << 16 | 0x80;
        else if (unit == kLastByteCharacter)
            forms[i] = 1U << 16 | 0xFF;
        else
            forms[i] = QChar::isSurrogate(unit) ? 0 : formOfUnit(wchar_t(unit));
    }
}

QString proxyFromEnvironment() {
    return qEnvironmentVariable("http_proxy");
}

struct GbkDecoder::State {
    int heldLead = -1; // a lead byte that ended the last piece
};

GbkDecoder::GbkDecoder() : m_state(std::make_unique<State>()) {}
GbkDecoder::~GbkDecoder() = default;
GbkDecoder::GbkDecoder(GbkDecoder&&) noexcept = default;
GbkDecoder& GbkDecoder::operator=(GbkDecoder&&) noexcept = default;

qsizetype GbkDecoder::requiredSpace(qsizetype bytes) const {
    return bytes + 1;
}

QChar* GbkDecoder::appendToBuffer(QChar* out, QByteArrayView bytes) {
    const char* data = bytes.data();
    const qsizetype size = bytes.size();
    qsizetype i = 0;
    if (m_state->heldLead >= 0 && size > 0) {
        if (isTrailByte(uchar(data[0]))) {
            const char pair[2] = {char(m_state->heldLead), data[0]};
            out = convertRun(out, pair, 2);
            i = 1;
        } else {
            *out++ = QChar::ReplacementCharacter;
        }
        m_state->heldLead = -1;
    }
    // Runs of whole, well-formed characters go to Windows in one call; everything else is
    // decided here, so that every system reads damaged bytes alike.
    qsizetype run = i;
    while (i < size) {
        const uchar byte = uchar(data[i]);
        if (byte < 0x80) {
            ++i;
            continue;
        }
        if (isLeadByte(byte) && i + 1 < size && isTrailByte(uchar(data[i + 1]))) {
            i += 2;
            continue;
        }
        out = convertRun(out, data + run, int(i - run));
        if (isLeadByte(byte) && i + 1 == size)
            m_state->heldLead = byte;
        else if (byte == 0x80)
            *out++ = QChar(kEuro);
        else if (byte == 0xFF)
            *out++ = QChar(kLastByteCharacter);
        else
            *out++ = QChar::ReplacementCharacter; // the next byte is read anew
        run = ++i;
    }
    return convertRun(out, data + run, int(i - run));
}

QString GbkDecoder::finish() {
    if (m_state->heldLead < 0)
        return {};
    m_state->heldLead = -1;
    return QString(QChar::ReplacementCharacter);
}

} // namespace System
