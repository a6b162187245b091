#include "support/TestSystem.h"

#include <QDir>
#include <QProcess>

#include <windows.h>

namespace TestSystem {

const char* missing(Feature feature) {
    switch (feature) {
    case Feature::FileSizeLimit:
        return "Windows has no per-process limit on the size of a file";
    case Feature::FolderPermissions:
        return "a folder's read-only mark on Windows does not keep new files out";
    case Feature::SpecialFiles:
        return "Windows has no FIFOs or device nodes among the files of a folder";
    case Feature::FullDevice:
        return "Windows has no device that is always full";
    case Feature::Interrupt:
        return "on Windows Ctrl-C reaches only the programs of the console it is typed in";
    case Feature::ArgumentBytes:
        return "Windows passes arguments as UTF-16 text: there are no bytes that are no text";
    }
    return nullptr;
}

struct FileSizeLimit::Saved {};

FileSizeLimit::FileSizeLimit(qint64) {}

FileSizeLimit::~FileSizeLimit() = default;

UnprivilegedFileAccess::UnprivilegedFileAccess() = default;

UnprivilegedFileAccess::~UnprivilegedFileAccess() = default;

bool makeFolderKeepOnlyItsFile(const QString&, const QString&) {
    return false;
}

bool openFolder(const QString&) {
    return true;
}

bool makeFifo(const QString&) {
    return false;
}

bool makeNullDevice(const QString&) {
    return false;
}

QString zeroDevice() {
    return {};
}

QString fullDevice() {
    return {};
}

// A hard link: symbolic ones need a privilege an ordinary user lacks.
bool makeLink(const QString& existing, const QString& link) {
    return CreateHardLinkW(reinterpret_cast<const wchar_t*>(QDir::toNativeSeparators(link).utf16()),
                           reinterpret_cast<const wchar_t*>(QDir::toNativeSeparators(existing).utf16()),
                           nullptr) != 0;
}

QString missingFolderReason() {
    return qt_error_string(ERROR_PATH_NOT_FOUND);
}

bool interrupt(QProcess&) {
    return false;
}

void startThroughShell(QProcess&, const QString&, const QString&) {}

} // namespace TestSystem
