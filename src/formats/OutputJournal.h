#pragma once

#include <QFile>
#include <QString>

// Every row the row writer buffers is also appended at once to a hidden file beside the output
// file, so that a run which dies before its stop command loses nothing: the breakpoint is only
// written once the rows up to it are on disk here, and the next start writes them out.
//
// File format: UTF-8 lines ending in LF. The first line is "KESTRUNE-JOURNAL<TAB>1<TAB>" + the
// append mode of the batch (1 when it continues an existing output file). Each further line is
// one piece of the buffer: "R", item number, Option5 index, 1 when the piece starts with the
// header line, a check value and the piece itself with backslash, TAB, CR and LF escaped, all
// separated by TABs. A line without its LF or with a wrong check value was torn by the death of
// the program and is dropped together with anything after it.
class OutputJournal {
public:
    struct Contents {
        bool valid = false; // the first line was intact
        bool appendToExisting = false;
        int format = -1; // Option5 index of the first row
        QString batch;   // the buffer as the stop command would have flushed it
        int rows = 0;
        int highestItem = 0;
        int droppedLines = 0; // torn or damaged lines left out
    };

    OutputJournal() = default;
    OutputJournal(const OutputJournal&) = delete;
    OutputJournal& operator=(const OutputJournal&) = delete;

    // The journal of an output file: ".<output file name>.journal" in the same folder.
    static QString pathFor(const QString& outputFile);

    // Appends one piece of the buffer; the header flag says whether it starts with the header
    // line. Opens (and creates) the journal of outputFile first when needed.
    bool append(const QString& outputFile, int format, bool appendToExisting, int itemNumber,
                bool startsWithHeader, const QString& rowText);
    // Forces what was appended to disk.
    bool sync();
    // Closes and deletes the open journal, once its rows are in the output file.
    bool discard();
    const QString& path() const { return m_path; }

    static Contents read(const QString& journalPath);

    // The ending of every journal's file name.
    static const QString& fileSuffix();

private:
    QFile m_file;
    QString m_path;
    bool m_folderSynced = false;
};
