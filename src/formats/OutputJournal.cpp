#include "formats/OutputJournal.h"

#include "base/System.h"
#include "formats/OutputBatch.h"
#include "formats/OutputFormats.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

const QByteArray kMagic = QByteArrayLiteral("KESTRUNE-JOURNAL\t2\t");
const QByteArray kMagicVersion1 = QByteArrayLiteral("KESTRUNE-JOURNAL\t1\t");
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
            const QByteArray first =
                kMagic + (appendToExisting ? "1" : "0") + '\t' +
                QByteArray::number(outputLengthKeptByBatch(outputFile, format, appendToExisting)) + '\n';
            if (!writeChecked(first))
                return false;
        }
    }
    const QByteArray fields = "R\t" + QByteArray::number(itemNumber) + '\t' +
                              QByteArray::number(OutputFormats::describe(format).outputIndex) + '\t' +
                              (startsWithHeader ? '1' : '0') + '\t';
    const QByteArray piece = escaped(rowText).toUtf8();
    QByteArray lines = fields + checkValue(fields + piece) + '\t' + piece + '\n';
    if (!itemKey.isEmpty()) {
        const QByteArray key = escaped(itemKey).toUtf8();
        lines += "K\t" + checkValue("K\t" + key) + '\t' + key + '\n';
    }
    // Handed to the system at once, row and key in one write: a killed process loses nothing
    // that was appended.
    return writeChecked(lines);
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

OutputJournal::Contents OutputJournal::read(const QString& journalPath) {
    Contents contents;
    QFile file(journalPath);
    if (!file.open(QIODevice::ReadOnly))
        return contents;
    const QByteArray bytes = file.readAll();
    qsizetype start = bytes.indexOf('\n');
    if (start < 0)
        return contents;
    const QByteArray first = bytes.left(start);
    QList<QByteArray> header;
    if (first.startsWith(kMagic)) {
        header = first.mid(kMagic.size()).split('\t');
        bool lengthOk = false;
        if (header.size() != 2 || (contents.keptOutputLength = header[1].toLongLong(&lengthOk)) < 0 ||
            !lengthOk)
            return Contents();
    } else if (first.startsWith(kMagicVersion1)) {
        header = {first.mid(kMagicVersion1.size())};
    }
    if (header.isEmpty() || (header[0] != "0" && header[0] != "1"))
        return Contents();
    contents.valid = true;
    contents.appendToExisting = header[0] == "1";
    ++start;

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
            // Whatever follows a damaged line cannot be trusted either.
            contents.droppedLines =
                static_cast<int>(bytes.mid(start).count('\n')) + (bytes.endsWith('\n') ? 0 : 1);
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
    return contents;
}

const QString& OutputJournal::fileSuffix() {
    return kSuffix;
}
