#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <memory>

class QFile;
class QFileDevice;
class QSaveFile;

// What differs between the systems the program runs on, Linux and Windows: each side is one file
// in system/, and no other file asks which system it runs on.
namespace System {

// An exclusive lock on a file that the kernel holds for this process and drops when the process
// ends however it ends, so a file left behind by a crash never keeps anything locked.
class FileLock {
public:
    enum class Result { Locked, HeldByAnother, CannotOpen };

    FileLock() = default;
    ~FileLock() { release(); }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Makes the file when missing, locks it without waiting and writes note into it (for a person
    // looking at the folder only).
    Result acquire(const QString& path, const QByteArray& note);
    bool isHeld() const { return m_handle != kNone; }
    // Removes the file while still holding it, then lets it go.
    void release();

private:
    static constexpr qintptr kNone = -1;
    qintptr m_handle = kNone;
    QString m_path;
};

// The open file's written content is on disk.
bool syncFile(QFileDevice& file);
// Asks the system to start writing the length bytes from offset of the open file to disk now,
// without waiting: a later syncFile then has little left to wait for. Nothing where the system
// has no such request.
void startWriteback(QFileDevice& file, qint64 offset, qint64 length);
// The names in the folder (a new or removed file) are on disk.
bool syncFolder(const QString& folder);
// QSaveFile::commit, then the new name on disk as well.
bool commitDurably(QSaveFile& file);
// Two names of one existing file (links, hard links, other spellings).
bool isSameFile(const QString& a, const QString& b);
// Opens file (its fileName set) for reading, or for writing from its start when truncate is set
// (made when missing), only when it is a regular file through links: a FIFO, device or folder is
// refused without waiting for the other end. False with the system's reason, or
// kNotRegularFile, in problem.
bool openRegularFile(QFile& file, bool write, QString* problem);
inline const char kNotRegularFile[] = "not a regular file";

// Ctrl-C on the command line: after startInterruptWatch the first one only sets interrupted(); a
// second one ends the program the ordinary way.
void startInterruptWatch();
bool interrupted();
void stopInterruptWatch();

// Ends this process at once, as a power cut or a kill would: nothing is flushed or cleaned up.
[[noreturn]] void killThisProcess();
// Ends this process whose work is done (its files closed) with code, standard output and error
// flushed: the normal ending of every program, called at the end of main.
[[noreturn]] void endProcess(int code);

// Standard input is a terminal a person can answer on.
bool inputIsTerminal();
// The width of the terminal standard error goes to when that terminal takes the sequences that
// rewrite a line in place; 0 otherwise (a pipe, a file, an old console), for plain lines.
int progressLineColumns();
// A program started from a console writes to it (a window program has none of its own there)
// and its text reads as UTF-8.
void attachConsole();

// The folder of this program's executable file (links followed), known before any Qt
// application object exists.
QString executableFolder();

// Code page 936 (GBK), the code page of the assistants' files and of Kestrune.ini, the same on
// every system (the converter's table where the system has one, Windows' own code page there).
// The GBK form of the count code units from first on, taken in one pass: forms[i] holds the bytes
// of unit first + i in output order in its low 16 bits and their count above them; 0 when code
// page 936 cannot hold the unit (surrogates included).
void gbkForms(char16_t first, int count, quint32* forms);

// Decodes GBK read in pieces: a character cut between two pieces is held back until the next.
// A lead byte followed by a byte that cannot end it gives one replacement character and the
// second byte is read anew; 0x80 is the euro sign and 0xFF U+F8F5, as in Windows' code page.
class GbkDecoder {
public:
    GbkDecoder();
    ~GbkDecoder();
    GbkDecoder(GbkDecoder&&) noexcept;
    GbkDecoder& operator=(GbkDecoder&&) noexcept;

    // Characters that appendToBuffer may write for bytes, at most.
    qsizetype requiredSpace(qsizetype bytes) const;
    // Writes the characters of bytes at out and returns the end of what it wrote.
    QChar* appendToBuffer(QChar* out, QByteArrayView bytes);
    // The end of the data: a lead byte still held back becomes one replacement character.
    QString finish();

private:
    struct State;
    std::unique_ptr<State> m_state;
};

} // namespace System
