#pragma once

#include "base/TextDecoder.h"
#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringView>
#include <QVarLengthArray>

// Reads an older-layout Taobao file line by line, as its assistant wrote it: one item per line,
// lines ending in CR LF (the assistant), CR alone (our converter) or LF (editors). The text is
// UTF-16 when the file starts with its byte-order mark, else what SourceEncoding finds.
// Memory holds one block of the file and the line being read, never the whole file, so a source
// of any size converts within a few times its longest line.
class TaobaoLineReader {
public:
    TaobaoLineReader() = default;
    TaobaoLineReader(const TaobaoLineReader&) = delete;
    TaobaoLineReader& operator=(const TaobaoLineReader&) = delete;

    // False when the file cannot be opened.
    bool open(const QString& path);
    // The next line without its line end, valid until the next call. False at the end of the
    // file, or at a line longer than maxLength characters (tooLong() then holds).
    bool readLine(QStringView* line, qsizetype maxLength);
    // The line last read (or the one found too long), counted from 1.
    qint64 lineNumber() const { return m_lineNumber; }
    // Where the TABs of the line last read stand, counted from its start: found by the same pass
    // that looks for the line's end, so the fields need no second search.
    const QVarLengthArray<qsizetype, 40>& tabs() const { return m_lineTabs; }
    bool tooLong() const { return m_tooLong; }
    // The line last read holds NUL or U+FFFD (a byte that was no text): found by the same pass.
    bool lineHoldsNulOrReplacement() const { return m_lineOdd; }

    // Bytes read from the file per step; a line longer than this is gathered over several.
    static constexpr qint64 kBlockBytes = 1024 * 1024;

private:
    // Drops the lines already handed out and appends the next block's text; false at the end of
    // the file.
    bool fill();
    // The position of the first LF or CR at or after m_pos, -1 when none is in the text read so
    // far. The text searched without finding one is not searched again when more is read.
    qsizetype findLineEnd();
    // Hands the TABs (and NUL or U+FFFD) found from m_pos on to the line that starts there.
    void takeTabs();

    QFile m_file;
    bool m_utf16Le = false; // copied straight into the text, no decoder pass
    TextDecoder m_decoder;
    QByteArray m_bytes;
    QString m_text;
    qsizetype m_pos = 0;
    bool m_done = true;
    qint64 m_lineNumber = 0;
    bool m_tooLong = false;
    qsizetype m_searchedTo = 0;
    QVarLengthArray<qsizetype, 40> m_tabs; // in m_text, from m_pos on, as far as searched
    QVarLengthArray<qsizetype, 40> m_lineTabs;
    QVarLengthArray<qsizetype, 4> m_odd; // NUL or U+FFFD, as m_tabs (the first of a block is enough)
    bool m_lineOdd = false;
};
