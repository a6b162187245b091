#pragma once

#include "base/Marketplace.h"

#include <QFile>
#include <QString>
#include <QStringList>

// Every row the row writer buffers is also appended at once to a hidden file beside the output
// file, so that a run which dies before its stop command loses nothing: the breakpoint is only
// written once the rows up to it are on disk here, and the next start writes them out.
//
// File format: UTF-8 lines ending in LF. The first line is "KESTRUNE-JOURNAL<TAB>3". Each further
// line is one piece of the buffer and stands on its own, so that a damaged line costs its own item
// and no other: "R", item number, Option5 index, 1 when the piece starts with the header line, the
// append mode of the batch (1 when it continues an existing output file), how many bytes of the
// output file the batch keeps in front of its rows, how many items the written-item list held
// when the batch began (-1: not known), the item's key, a check value over all of these and the
// piece, and the piece itself; key and piece have backslash, TAB, CR and LF escaped; all separated
// by TABs. Recovery cuts the output back to the kept length before it writes the batch, so a batch
// that was already written, wholly or in part, is never written twice.
//
// Journals of earlier versions start "KESTRUNE-JOURNAL<TAB>2<TAB>" + append mode + TAB + kept
// length (version 1 has no length) and give the key in a line "K", check value, key after its row's
// line; there a damaged line ends what can be read, as those versions wrote it.
class OutputJournal {
public:
    struct Contents {
        bool valid = false; // a journal of this program (its first line, or an intact row, says so)
        int version = 0;
        bool appendToExisting = false;
        FileFormat format = FileFormat::EbayAssistant; // of the first row
        QString batch;                                 // the buffer as the stop command would have flushed it
        int rows = 0;
        QStringList itemKeys; // keys of the items the batch holds, where the rows named them
        int highestItem = 0;
        int droppedLines = 0;         // torn or damaged lines left out
        int damagedLines = 0;         // of them, whole lines that failed their check: rows lost
        qint64 keptOutputLength = -1; // -1: not recorded
        int keysInFile = -1;          // the written-item list's keys before the batch; -1: not recorded
    };

    OutputJournal() = default;
    OutputJournal(const OutputJournal&) = delete;
    OutputJournal& operator=(const OutputJournal&) = delete;

    // The journal of an output file: ".<output file name>.journal" in the same folder.
    static QString pathFor(const QString& outputFile);

    // Appends one piece of the buffer; the header flag says whether it starts with the header
    // line; itemKey, when given, names the item the piece holds. Opens (and creates) the journal of
    // outputFile first when needed.
    bool append(const QString& outputFile, FileFormat format, bool appendToExisting, int itemNumber,
                bool startsWithHeader, const QString& rowText, const QString& itemKey = QString());
    // How many keys the output's written-item list holds before the rows appended from now on:
    // recovery keeps those and replaces the rest by the keys of the rows it recovers.
    void setKeysInFile(int keys) { m_keysInFile = keys; }

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
    // Of the batch under way, written into each of its lines.
    bool m_appendToExisting = false;
    qint64 m_keptOutputLength = 0;
    int m_keysInFile = -1;
    bool m_folderSynced = false;
    QString m_error;
};
