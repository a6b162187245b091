#pragma once

#include <QString>
#include <QtGlobal>

#include <memory>

class QProcess;

// What the tests do differently on Linux and Windows: each side is one file in system/, and no
// test asks which system it runs on. A test that needs what a system lacks skips itself with
// SKIP_WITHOUT(feature), which names the reason.
namespace TestSystem {

enum class Feature {
    FileSizeLimit,     // a per-process limit that makes large writes fail as on a full disk
    FolderPermissions, // a folder that lets its file be rewritten but takes no new file
    SpecialFiles,      // FIFOs and device nodes among ordinary files
    FullDevice,        // a device on which every write fails for lack of space
    Interrupt,         // Ctrl-C sent to a program started without a console of its own
    ArgumentBytes,     // arguments that are bytes, not necessarily text
};

// Null when the system has the feature; else why the test cannot mean anything here.
const char* missing(Feature feature);

// Writes of this process beyond bytes fail, as on a full disk, for root as well, while it lives.
class FileSizeLimit {
public:
    explicit FileSizeLimit(qint64 bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    struct Saved;
    std::unique_ptr<Saved> m_saved;
};

// File permissions checked as an ordinary user's, for root as well (the tests run as root on
// the build machine, and root may write into any folder), while it lives.
class UnprivilegedFileAccess {
public:
    UnprivilegedFileAccess();
    ~UnprivilegedFileAccess();
    UnprivilegedFileAccess(const UnprivilegedFileAccess&) = delete;
    UnprivilegedFileAccess& operator=(const UnprivilegedFileAccess&) = delete;
};

// The folder lets its existing file be rewritten but takes no new file; openFolder undoes it.
bool makeFolderKeepOnlyItsFile(const QString& folder, const QString& file);
bool openFolder(const QString& folder);
bool makeFifo(const QString& path);
// A node of the null device in an ordinary folder; false where this process may not make one.
bool makeNullDevice(const QString& path);
// An endless device, and one that is always full.
QString zeroDevice();
QString fullDevice();
// A second name of an existing file.
bool makeLink(const QString& existing, const QString& link);
// The system's reason for a file that cannot be made because its folder is missing, in the words
// the program passes on.
QString missingFolderReason();
// Ctrl-C for the started program.
bool interrupt(QProcess& process);
// Runs the program with arguments a POSIX shell makes (script sees the program as "$0").
void startThroughShell(QProcess& process, const QString& script, const QString& program);

} // namespace TestSystem

#define SKIP_WITHOUT(feature)                                                                                \
    do {                                                                                                     \
        if (const char* why = TestSystem::missing(TestSystem::Feature::feature))                             \
            QSKIP(why);                                                                                      \
    } while (false)
