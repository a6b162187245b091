#include "formats/OutputJournal.h"

#include "base/System.h"
#include "formats/OutputBatch.h"
#include "formats/OutputFormats.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>

namespace {

const QByteArray kMagic = QByteArrayLiteral("KESTRUNE-JOURNAL\t3");
const QByteArray kMagicVersion2 = QByteArrayLiteral("KESTRUNE-JOURNAL\t2\t");
const QByteArray kMagicVersion1 = QByteArrayLiteral("KESTRUNE-JOURNAL\t1\t");
// The fields of a row line, the check value and the piece last.
constexpr qsizetype kRowFields = 10;
const QString kSuffix = QStringLiteral(".journal");

QString escaped(QString text) {
    text.replace(u'\\', QStringLiteral("\\\\"));
    text.replace(u'\t', QStringLiteral("\\t"));
    text.replace(u'\r', QStringLiteral("\\r"));
    text.replace(u'\n', QStringLiteral("\\n"));
    return text;
}

bool unescaped(const QString& text, QString* out) {
    out->clear();
    out->reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'\\') {
            *out += text[i];
            continue;
        }
        if (++i >= text.size())
            return false;
        switch (text[i].unicode()) {
        case u'\\':
            *out += u'\\';
            break;
        case u't':
            *out += u'\t';
            break;
        case u'r':
            *out += u'\r';
            break;
        case u'n':
            *out += u'\n';
            break;
        default:
            return false;
        }
    }
    return true;
}

// FNV-1a, enough to tell a complete line from one that the death of the program cut short or
// that a power loss left filled with zeros.
QByteArray checkValue(const QByteArray& bytes) {
    quint64 hash = 14695981039346656037ULL;
    for (char c : bytes) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ULL;
    }
    return QByteArray::number(hash, 16).rightJustified(16, '0');
}

bool syncFolderOf(const QString& path) {
    return System::syncFolder(QFileInfo(path).absolutePath());
}

} // namespace

QString OutputJournal::pathFor(const QString& outputFile) {
    const QFileInfo info(outputFile);
    return QDir::toNativeSeparators(info.dir().filePath(u'.' + info.fileName() + kSuffix));
}

bool OutputJournal::append(const QString& outputFile, FileFormat format, bool appendToExisting,
                           int itemNumber, bool startsWithHeader, const QString& rowText,
                           const QString& itemKey) {
    const QString journalPath = pathFor(outputFile);
    if (m_file.isOpen() && m_path != journalPath)
        m_file.close();
    if (!m_file.isOpen()) {
        m_path = journalPath;
        m_folderSynced = false;
        m_file.setFileName(journalPath);
        if (!m_file.open(QIODevice::WriteOnly | QIODevice::Append))
            return failed();
        if (m_file.size() == 0) {
            m_appendToExisting = appendToExisting;
            m_keptOutputLength = outputLengthKeptByBatch(outputFile, format, appendToExisting);
            if (!writeChecked(kMagic + '\n'))
                return false;
        }
    }
    const QByteArray fields = "R\t" + QByteArray::number(itemNumber) + '\t' +
                              QByteArray::number(OutputFormats::describe(format).outputIndex) + '\t' +
                              (startsWithHeader ? '1' : '0') + '\t' + (m_appendToExisting ? '1' : '0') +
                              '\t' + QByteArray::number(m_keptOutputLength) + '\t' +
                              QByteArray::number(m_keysInFile) + '\t' + escaped(itemKey).toUtf8() + '\t';
    const QByteArray piece = escaped(rowText).toUtf8();
    // Handed to the system at once, row and key in one line: a killed process loses nothing
    // that was appended, and a damaged line loses its row and its key together.
    return writeChecked(fields + checkValue(fields + piece) + '\t' + piece + '\n');
}

bool OutputJournal::writeChecked(const QByteArray& line) {
    if (m_file.write(line) != line.size() || !m_file.flush())
        return failed();
    return true;
}

bool OutputJournal::failed() {
    m_error = m_file.errorString();
    if (m_error.isEmpty())
        m_error = QString::fromLocal8Bit(std::strerror(errno));
    // Whatever of the line reached the file fails its check value, so a later append must not
    // follow it: recovery drops everything after a damaged line.
    m_file.close();
    return false;
}

bool OutputJournal::sync() {
    if (!m_file.isOpen())
        return true;
    if (!System::syncFile(m_file))
        return failed();
    // A new file's name must reach the disk too.
    if (!m_folderSynced)
        m_folderSynced = syncFolderOf(m_path);
    if (!m_folderSynced)
        m_error = QString::fromLocal8Bit(std::strerror(errno));
    return m_folderSynced;
}

bool OutputJournal::discard() {
    if (m_path.isEmpty())
        return true;
    m_file.close();
    const bool removed = removeDurably(m_path);
    m_path.clear();
    return removed;
}

bool OutputJournal::removeDurably(const QString& journalPath) {
    // The output's new content must be on disk under its name before its journal goes.
    syncFolderOf(journalPath);
    bool removed = QFile::remove(journalPath) || !QFile::exists(journalPath);
    // A journal that stays behind must not bring these rows back at the next start.
    if (!removed)
        removed = QFile::resize(journalPath, 0);
    return syncFolderOf(journalPath) && removed;
}

namespace {

// Journals of versions 1 and 2: a first line with the batch's mode, then row lines each followed
// by the line of its key; a damaged line ends what can be read.
void readEarlierVersion(const QByteArray& bytes, qsizetype start, OutputJournal::Contents& contents) {
    while (start < bytes.size()) {
        const qsizetype end = bytes.indexOf('\n', start);
        const QByteArray line = bytes.mid(start, end < 0 ? -1 : end - start);
        const QList<QByteArray> parts = line.split('\t');
        QString key;
        if (end >= 0 && contents.rows > 0 && parts.size() == 3 && parts[0] == "K" &&
            parts[1] == checkValue("K\t" + parts[2]) && unescaped(QString::fromUtf8(parts[2]), &key)) {
            contents.itemKeys.append(key);
            start = end + 1;
            continue;
        }
        bool itemOk = false;
        bool formatOk = false;
        QString piece;
        const bool intact = end >= 0 && parts.size() == 6 && parts[0] == "R" &&
                            (parts[3] == "0" || parts[3] == "1") &&
                            parts[4] == checkValue(parts[0] + '\t' + parts[1] + '\t' + parts[2] + '\t' +
                                                   parts[3] + '\t' + parts[5]) &&
                            unescaped(QString::fromUtf8(parts[5]), &piece);
        const int item = parts.size() == 6 ? parts[1].toInt(&itemOk) : 0;
        const int formatCode = parts.size() == 6 ? parts[2].toInt(&formatOk) : 0;
        if (!intact || !itemOk || !formatOk) {
            // Whatever follows a damaged line cannot be trusted either: each whole line from it on
            // is lost, but for keys (their rows went with the damage) and a last line the death of
            // the program tore.
            const QList<QByteArray> rest = bytes.mid(start).split('\n');
            contents.droppedLines = static_cast<int>(rest.size()) - (bytes.endsWith('\n') ? 1 : 0);
            for (qsizetype i = 0; i + 1 < rest.size(); ++i) {
                if (!rest[i].isEmpty() && !rest[i].startsWith("K\t"))
                    ++contents.damagedLines;
            }
            break;
        }
        // A code no format has was written the GBK way, as eBay's rows are.
        if (contents.rows == 0)
            contents.format = OutputFormats::fromOutputIndex(formatCode).value_or(FileFormat::EbayAssistant);
        contents.batch += piece;
        ++contents.rows;
        contents.highestItem = std::max(contents.highestItem, item);
        start = end + 1;
    }
}

struct RowLine {
    int item = 0;
    int formatCode = 0;
    bool startsWithHeader = false;
    bool appendToExisting = false;
    qint64 keptOutputLength = 0;
    int keysInFile = -1;
    QString key;
    QString piece;
};

// One line of this version, when it is whole and passes its check.
std::optional<RowLine> rowLine(const QByteArray& line) {
    const QList<QByteArray> parts = line.split('\t');
    if (parts.size() != kRowFields || parts[0] != "R")
        return std::nullopt;
    // The check value covers every other field, the piece last, as append wrote them.
    QByteArray checked;
    for (qsizetype i = 0; i < kRowFields - 2; ++i)
        checked += parts[i] + '\t';
    checked += parts[kRowFields - 1];
    if (parts[kRowFields - 2] != checkValue(checked))
        return std::nullopt;
    RowLine row;
    bool ok[4] = {};
    row.item = parts[1].toInt(&ok[0]);
    row.formatCode = parts[2].toInt(&ok[1]);
    row.keptOutputLength = parts[5].toLongLong(&ok[2]);
    row.keysInFile = parts[6].toInt(&ok[3]);
    const bool flags = (parts[3] == "0" || parts[3] == "1") && (parts[4] == "0" || parts[4] == "1");
    if (!ok[0] || !ok[1] || !ok[2] || !ok[3] || !flags || row.keptOutputLength < 0 || row.keysInFile < -1 ||
        !unescaped(QString::fromUtf8(parts[7]), &row.key) ||
        !unescaped(QString::fromUtf8(parts[kRowFields - 1]), &row.piece))
        return std::nullopt;
    row.startsWithHeader = parts[3] == "1";
    row.appendToExisting = parts[4] == "1";
    return row;
}

} // namespace

OutputJournal::Contents OutputJournal::read(const QString& journalPath) {
    Contents contents;
    QFile file(journalPath);
    if (!file.open(QIODevice::ReadOnly))
        return contents;
    const QByteArray bytes = file.readAll();
    const qsizetype firstEnd = bytes.indexOf('\n');
    const QByteArray first = bytes.left(firstEnd < 0 ? bytes.size() : firstEnd);
    for (const QByteArray& magic : {kMagicVersion2, kMagicVersion1}) {
        if (firstEnd < 0 || !first.startsWith(magic))
            continue;
        const QList<QByteArray> header = first.mid(magic.size()).split('\t');
        contents.version = magic == kMagicVersion2 ? 2 : 1;
        if (header.size() != contents.version || (header[0] != "0" && header[0] != "1"))
            return Contents();
        if (contents.version == 2) {
            bool lengthOk = false;
            contents.keptOutputLength = header[1].toLongLong(&lengthOk);
            if (!lengthOk || contents.keptOutputLength < 0)
                return Contents();
        }
        contents.valid = true;
        contents.appendToExisting = header[0] == "1";
        readEarlierVersion(bytes, firstEnd + 1, contents);
        return contents;
    }

    // Every line stands on its own: a damaged one (or a damaged first line) costs its own row.
    const QList<QByteArray> lines = bytes.split('\n');
    // The last piece has no line end: empty, or a line the death of the program tore.
    const qsizetype whole = lines.size() - 1;
    const bool firstIsOurs = firstEnd >= 0 && first == kMagic;
    bool batchKnown = false;
    for (qsizetype i = firstIsOurs ? 1 : 0; i < lines.size(); ++i) {
        const QByteArray& line = lines[i];
        if (line.isEmpty())
            continue;
        const std::optional<RowLine> row = i < whole ? rowLine(line) : std::nullopt;
        // Every row of one batch names the same batch; one that names another is damaged too.
        const bool sameBatch = row && (!batchKnown || (row->appendToExisting == contents.appendToExisting &&
                                                       row->keptOutputLength == contents.keptOutputLength &&
                                                       row->keysInFile == contents.keysInFile));
        if (!row || !sameBatch) {
            // A damaged version line costs no row.
            if (i == 0 && !row)
                continue;
            ++contents.droppedLines;
            if (i < whole)
                ++contents.damagedLines;
            continue;
        }
        if (!batchKnown) {
            batchKnown = true;
            contents.appendToExisting = row->appendToExisting;
            contents.keptOutputLength = row->keptOutputLength;
            contents.keysInFile = row->keysInFile;
            // A code no format has was written the GBK way, as eBay's rows are.
            contents.format =
                OutputFormats::fromOutputIndex(row->formatCode).value_or(FileFormat::EbayAssistant);
            // The header line went with a damaged first row: the batch still starts with it.
            if (!row->startsWithHeader)
                contents.batch = headerLineOf(contents.format);
        }
        contents.batch += row->piece;
        ++contents.rows;
        if (!row->key.isEmpty())
            contents.itemKeys.append(row->key);
        contents.highestItem = std::max(contents.highestItem, row->item);
    }
    contents.version = 3;
    contents.valid = firstIsOurs || batchKnown;
    if (contents.valid)
        return contents;
    // Nothing says it is ours; what looks like our rows is still told as lost.
    Contents unknown;
    for (qsizetype i = 0; i < whole; ++i) {
        if (lines[i].startsWith("R\t"))
            ++unknown.damagedLines;
    }
    unknown.droppedLines = unknown.damagedLines;
    return unknown;
}

const QString& OutputJournal::fileSuffix() {
    return kSuffix;
}
