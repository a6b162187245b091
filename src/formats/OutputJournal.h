#pragma once

#include <QFile>
#include <QString>
#include <QStringList>

// Every row the row writer buffers is also appended at once to a hidden file beside the output
// file, so that a run which dies before its stop command loses nothing: the breakpoint is only
// written once the rows up to it are on disk here, and the next start writes them out.
//
// File format: UTF-8 lines ending in LF. The first line is "KESTRUNE-JOURNAL<TAB>2<TAB>" + the
// append mode of the batch (1 when it continues an existing output file) + TAB + how many bytes of
// the output file the batch keeps in front of its rows (version 1 journals lack the last two
// fields and the length). Recovery cuts the output back to that length before it writes the
// batch, so a batch that was already written, wholly or in part, is never written twice. Each
// further line is
// one piece of the buffer: "R", item number, Option5 index, 1 when the piece starts with the
// header line, a check value and the piece itself with backslash, TAB, CR and LF escaped, all
// separated by TABs. An extracted item's "R" line is followed, in the same write, by "K", a check
// value and the item's key (escaped the same way), so that recovery also knows which items the
// recovered rows hold. A line without its LF or with a wrong check value was torn by the death of
// the program and is dropped together with anything after it.
class OutputJournal {
public:
    struct Contents {
        bool valid = false; // the first line was intact
        bool appendToExisting = false;
        int format = -1; // Option5 index of the first row
        QString batch;   // the buffer as the stop command would have flushed it
        int rows = 0;
        QStringList itemKeys; // keys of the items the batch holds, where the rows named them
        int highestItem = 0;
        int droppedLines = 0;         // torn or damaged lines left out
        qint64 keptOutputLength = -1; // -1: not recorded
    };

    OutputJournal() = default;
    OutputJournal(const OutputJournal&) = delete;
    OutputJournal& operator=(const OutputJournal&) = delete;

    // The journal of an output file: ".<output file name>.journal" in the same folder.
    static QString pathFor(const QString& outputFile);

    // Appends one piece of the buffer; the header flag says whether it starts with the header
    // line; itemKey, when given, names the item the piece holds. Opens (and creates) the journal of
    // outputFile first when needed.
    bool append(const QString& outputFile, int format, bool appendToExisting, int itemNumber,
                bool startsWithHeader, const QString& rowText, const QString& itemKey = QString());
    // Forces what was appended to disk.
    bool sync();
    // Closes and deletes the open journal, once its rows are in the output file; the output's new
    // name and the removal are forced to disk.
    bool discard();
    const QString& path() const { return m_path; }
    // Why the last append or sync failed, with the system's reason.
    const QString& errorString() const { return m_error; }

    static Contents read(const QString& journalPath);
    // Deletes a journal whose rows are in the output file, forcing the output's name and the
    // removal to disk.
    static bool removeDurably(const QString& journalPath);

    // The ending of every journal's file name.
    static const QString& fileSuffix();

private:
    bool writeChecked(const QByteArray& line);
    // Records the reason and closes the journal; false.
    bool failed();

    QFile m_file;
    QString m_path;
    bool m_folderSynced = false;
    QString m_error;
};
