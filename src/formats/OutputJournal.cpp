#include "formats/OutputJournal.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

#include <fcntl.h>
#include <unistd.h>

namespace {

const QByteArray kMagic = QByteArrayLiteral("KESTRUNE-JOURNAL\t1\t");
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
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

} // namespace

QString OutputJournal::pathFor(const QString& outputFile) {
    const QFileInfo info(outputFile);
    return QDir::toNativeSeparators(info.dir().filePath(u'.' + info.fileName() + kSuffix));
}

bool OutputJournal::append(const QString& outputFile, int format, bool appendToExisting, int itemNumber,
                           bool startsWithHeader, const QString& rowText) {
    const QString journalPath = pathFor(outputFile);
    if (m_file.isOpen() && m_path != journalPath)
        m_file.close();
    if (!m_file.isOpen()) {
        m_path = journalPath;
        m_folderSynced = false;
        m_file.setFileName(journalPath);
        if (!m_file.open(QIODevice::WriteOnly | QIODevice::Append))
            return false;
        if (m_file.size() == 0 && m_file.write(kMagic + (appendToExisting ? "1" : "0") + '\n') < 0)
            return false;
    }
    const QByteArray fields = "R\t" + QByteArray::number(itemNumber) + '\t' + QByteArray::number(format) +
                              '\t' + (startsWithHeader ? '1' : '0') + '\t';
    const QByteArray piece = escaped(rowText).toUtf8();
    const QByteArray line = fields + checkValue(fields + piece) + '\t' + piece + '\n';
    // Handed to the system at once: a killed process loses nothing that was appended.
    return m_file.write(line) == line.size() && m_file.flush();
}

bool OutputJournal::sync() {
    if (!m_file.isOpen())
        return true;
    if (!m_file.flush() || ::fsync(m_file.handle()) != 0)
        return false;
    // A new file's name must reach the disk too.
    if (!m_folderSynced)
        m_folderSynced = syncFolderOf(m_path);
    return m_folderSynced;
}

bool OutputJournal::discard() {
    if (m_path.isEmpty())
        return true;
    m_file.close();
    bool removed = QFile::remove(m_path) || !QFile::exists(m_path);
    // A journal that stays behind must not bring these rows back at the next start.
    if (!removed)
        removed = QFile::resize(m_path, 0);
    m_path.clear();
    return removed;
}

OutputJournal::Contents OutputJournal::read(const QString& journalPath) {
    Contents contents;
    QFile file(journalPath);
    if (!file.open(QIODevice::ReadOnly))
        return contents;
    const QByteArray bytes = file.readAll();
    qsizetype start = bytes.indexOf('\n');
    if (start < 0 || !bytes.startsWith(kMagic) || start != kMagic.size() + 1)
        return contents;
    const char mode = bytes.at(kMagic.size());
    if (mode != '0' && mode != '1')
        return contents;
    contents.valid = true;
    contents.appendToExisting = mode == '1';
    ++start;

    while (start < bytes.size()) {
        const qsizetype end = bytes.indexOf('\n', start);
        const QByteArray line = bytes.mid(start, end < 0 ? -1 : end - start);
        const QList<QByteArray> parts = line.split('\t');
        bool itemOk = false;
        bool formatOk = false;
        QString piece;
        const bool intact = end >= 0 && parts.size() == 6 && parts[0] == "R" &&
                            (parts[3] == "0" || parts[3] == "1") &&
                            parts[4] == checkValue(parts[0] + '\t' + parts[1] + '\t' + parts[2] + '\t' +
                                                   parts[3] + '\t' + parts[5]) &&
                            unescaped(QString::fromUtf8(parts[5]), &piece);
        const int item = parts.size() == 6 ? parts[1].toInt(&itemOk) : 0;
        const int format = parts.size() == 6 ? parts[2].toInt(&formatOk) : 0;
        if (!intact || !itemOk || !formatOk) {
            // Whatever follows a damaged line cannot be trusted either.
            contents.droppedLines =
                static_cast<int>(bytes.mid(start).count('\n')) + (bytes.endsWith('\n') ? 0 : 1);
            break;
        }
        if (contents.rows == 0)
            contents.format = format;
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
