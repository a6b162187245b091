#include "run/WrittenItemSet.h"

#include "base/System.h"
#include "crawl/ItemKey.h"
#include "text/TextFileIo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <array>

namespace {

// The first line of every list this program writes; a list without it is an earlier version's.
constexpr QByteArrayView kVersionName = "KESTRUNE-ITEMS ";
constexpr QByteArrayView kVersionLine = "KESTRUNE-ITEMS 2";
// Check lines begin with it; keys never hold one.
constexpr char kCheckMark = '\t';
constexpr quint32 kCrcStart = 0xFFFFFFFFu;

// CRC-32 (the polynomial of zip and PNG), carried from line to line.
quint32 crcUpdate(quint32 state, QByteArrayView bytes) {
    static const auto table = [] {
        std::array<quint32, 256> entries{};
        for (quint32 i = 0; i < 256; ++i) {
            quint32 value = i;
            for (int bit = 0; bit < 8; ++bit)
                value = (value & 1u) ? (value >> 1) ^ 0xEDB88320u : value >> 1;
            entries[i] = value;
        }
        return entries;
    }();
    for (const char byte : bytes)
        state = table[(state ^ static_cast<quint8>(byte)) & 0xFFu] ^ (state >> 8);
    return state;
}

QByteArray checkLine(int keyLines, quint32 state) {
    return kCheckMark + QByteArray::number(keyLines) + kCheckMark +
           QByteArray::number(~state, 16).rightJustified(8, '0') + '\n';
}

} // namespace

QString WrittenItemSet::pathFor(const QString& outputFile) {
    const QFileInfo info(outputFile);
    return QDir::toNativeSeparators(info.dir().filePath(u'.' + info.fileName() + QStringLiteral(".items")));
}

WrittenItemSet::Reading WrittenItemSet::read(QByteArrayView bytes) {
    Reading reading;
    // Only lines with their line end were written whole.
    const qsizetype end = bytes.lastIndexOf('\n') + 1;
    reading.needsRewrite = end < bytes.size();
    const bool checked = bytes.startsWith(kVersionLine) && bytes.size() > kVersionLine.size() &&
                         bytes.at(kVersionLine.size()) == '\n';
    // An earlier version's list is keys alone, and is written anew in this version's form.
    reading.condition = checked ? Condition::Checked : Condition::Unchecked;
    if (!checked)
        reading.needsRewrite = true;
    const auto damaged = [&reading] {
        reading.condition = Condition::Damaged;
        reading.keys.clear();
        reading.needsRewrite = true;
        return reading;
    };

    // A later version's list is none this version can vouch for.
    if (!checked && bytes.startsWith(kVersionName))
        return damaged();

    qsizetype pos = checked ? kVersionLine.size() + 1 : 0;
    int keyLines = 0;
    quint32 state = kCrcStart;
    QStringList pending;
    while (pos < end) {
        const qsizetype lineEnd = bytes.indexOf('\n', pos);
        const QByteArrayView line = bytes.sliced(pos, lineEnd - pos);
        const QByteArrayView withEnd = bytes.sliced(pos, lineEnd + 1 - pos);
        pos = lineEnd + 1;
        if (!checked) {
            // A check line has no place among keys alone.
            if (line.startsWith(kCheckMark))
                return damaged();
            if (!line.isEmpty())
                reading.keys.append(QString::fromUtf8(line));
            continue;
        }
        if (line.startsWith(kCheckMark)) {
            if (line != QByteArrayView(checkLine(keyLines, state)).chopped(1))
                return damaged();
            reading.keys += pending;
            pending.clear();
            continue;
        }
        if (line.isEmpty())
            return damaged();
        ++keyLines;
        state = crcUpdate(state, withEnd);
        pending.append(QString::fromUtf8(line));
    }
    // Keys no check line vouches for: a commit a kill tore.
    if (!pending.isEmpty())
        reading.needsRewrite = true;
    return reading;
}

Status WrittenItemSet::load() {
    m_keys.clear();
    m_order.clear();
    m_uncommitted.clear();
    m_condition = Condition::Missing;
    m_needsRewrite = true;
    m_linesOnDisk = 0;
    m_crc = kCrcStart;
    QFile file(m_path);
    if (!file.exists())
        return Status::success();
    QString problem;
    if (!System::openRegularFile(file, false, &problem))
        return Status::failure(problem);
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return Status::failure(file.errorString());
    const Reading reading = read(bytes);
    m_condition = reading.condition;
    m_needsRewrite = reading.needsRewrite;
    for (const QString& key : reading.keys) {
        if (!m_keys.contains(key))
            m_order.append(key);
        m_keys.insert(key);
    }
    if (!m_needsRewrite) {
        // The next commit continues the file: its check lines carry on from the keys it holds.
        for (const QString& key : reading.keys)
            m_crc = crcUpdate(m_crc, QByteArray(key.toUtf8() + '\n'));
        m_linesOnDisk = static_cast<int>(reading.keys.size());
    }
    return Status::success();
}

Status WrittenItemSet::reset() {
    m_keys.clear();
    m_order.clear();
    m_condition = Condition::Missing;
    return remove();
}

Status WrittenItemSet::remove() {
    m_uncommitted.clear();
    m_needsRewrite = true;
    m_linesOnDisk = 0;
    m_crc = kCrcStart;
    QFile file(m_path);
    if (!file.exists() || file.remove())
        return Status::success();
    return Status::failure(file.errorString());
}

bool WrittenItemSet::contains(const QString& key) const {
    return m_keys.contains(oneLineKey(key));
}

void WrittenItemSet::add(const QString& key) {
    const QString line = oneLineKey(key);
    if (m_keys.contains(line))
        return;
    m_keys.insert(line);
    m_order.append(line);
    m_uncommitted.append(line);
}

Status WrittenItemSet::rewrite() {
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly))
        return Status::failure(file.errorString());
    QByteArray bytes = kVersionLine.toByteArray() + '\n';
    quint32 state = kCrcStart;
    // In the order the rows were written: recovery keeps the keys of the rows before a batch by
    // their count.
    const QStringList& keys = m_order;
    for (const QString& key : keys) {
        const QByteArray line = key.toUtf8() + '\n';
        state = crcUpdate(state, line);
        bytes += line;
    }
    bytes += checkLine(static_cast<int>(keys.size()), state);
    if (file.write(bytes) != bytes.size() || !System::commitDurably(file))
        return Status::failure(file.errorString());
    m_crc = state;
    m_linesOnDisk = static_cast<int>(keys.size());
    m_needsRewrite = false;
    m_condition = Condition::Checked;
    return Status::success();
}

Status WrittenItemSet::commit() {
    if (m_uncommitted.isEmpty())
        return Status::success();
    if (m_needsRewrite || !QFileInfo::exists(m_path)) {
        const Status written = rewrite();
        if (written)
            m_uncommitted.clear();
        return written;
    }
    QFile file(m_path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return Status::failure(file.errorString());
    QByteArray bytes;
    quint32 state = m_crc;
    int lines = m_linesOnDisk;
    for (const QString& key : std::as_const(m_uncommitted)) {
        const QByteArray line = key.toUtf8() + '\n';
        state = crcUpdate(state, line);
        bytes += line;
        ++lines;
    }
    bytes += checkLine(lines, state);
    if (file.write(bytes) != bytes.size() || !System::syncFile(file)) {
        // Whatever part reached the file is no commit: the next one writes the list anew.
        m_needsRewrite = true;
        return Status::failure(file.errorString());
    }
    m_crc = state;
    m_linesOnDisk = lines;
    m_uncommitted.clear();
    return Status::success();
}

Status WrittenItemSet::keepFirst(int count, const QStringList& recovered, QStringList* forgotten) {
    QStringList ordered;
    QFile file(m_path);
    const bool existed = file.exists();
    if (existed) {
        QString problem;
        if (!System::openRegularFile(file, false, &problem))
            return Status::failure(problem);
        ordered = read(file.readAll()).keys;
        if (file.error() != QFileDevice::NoError)
            return Status::failure(file.errorString());
        file.close();
    }
    m_keys.clear();
    m_order.clear();
    m_uncommitted.clear();
    const auto keep = [this](const QString& key) {
        const QString line = oneLineKey(key);
        if (m_keys.contains(line))
            return;
        m_keys.insert(line);
        m_order.append(line);
    };
    for (qsizetype i = 0; i < ordered.size() && i < count; ++i)
        keep(ordered.at(i));
    for (const QString& key : recovered)
        keep(key);
    if (forgotten) {
        forgotten->clear();
        for (qsizetype i = count; i < ordered.size(); ++i) {
            if (!m_keys.contains(ordered.at(i)))
                forgotten->append(ordered.at(i));
        }
    }
    if (m_order.isEmpty() && !existed)
        return Status::success();
    return rewrite();
}
