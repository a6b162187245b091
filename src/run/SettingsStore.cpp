#include "run/SettingsStore.h"

#include "text/TextFileIo.h"

#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QMutexLocker>
#include <QStringDecoder>
#include <QStringEncoder>

#include <optional>

namespace {

// What the profile functions hand back through their 1024-byte buffer, terminator included.
constexpr qsizetype kMaxValueBytes = 1023;

// Files written by other tools may carry a byte-order mark; they are read and written back in
// their own encoding so that nothing else in them changes.
enum class IniEncoding { Gbk, Utf8, Utf16Le, Utf16Be };

struct IniLine {
    QString text;   // without its line end
    QString ending; // "\r\n", "\n" or empty for a last line without one
    QByteArray raw; // the bytes as read, written back unchanged unless the line is edited
    bool edited = false;
};

struct IniFile {
    IniEncoding encoding = IniEncoding::Gbk;
    QList<IniLine> lines;
    QString lineEnd = QStringLiteral("\r\n");
};

QByteArray markOf(IniEncoding encoding) {
    switch (encoding) {
    case IniEncoding::Utf8:
        return QByteArray("\xEF\xBB\xBF", 3);
    case IniEncoding::Utf16Le:
        return QByteArray("\xFF\xFE", 2);
    case IniEncoding::Utf16Be:
        return QByteArray("\xFE\xFF", 2);
    case IniEncoding::Gbk:
        break;
    }
    return {};
}

QByteArray encodeIn(IniEncoding encoding, const QString& text) {
    switch (encoding) {
    case IniEncoding::Utf8:
        return text.toUtf8();
    case IniEncoding::Utf16Le:
        return QStringEncoder(QStringConverter::Utf16LE).encode(text);
    case IniEncoding::Utf16Be:
        return QStringEncoder(QStringConverter::Utf16BE).encode(text);
    case IniEncoding::Gbk:
        break;
    }
    return encodeGbk(text);
}

QString decodeIn(IniEncoding encoding, const QByteArray& bytes) {
    switch (encoding) {
    case IniEncoding::Utf8:
        return QString::fromUtf8(bytes);
    case IniEncoding::Utf16Le:
        return QStringDecoder(QStringConverter::Utf16LE).decode(bytes);
    case IniEncoding::Utf16Be:
        return QStringDecoder(QStringConverter::Utf16BE).decode(bytes);
    case IniEncoding::Gbk:
        break;
    }
    return decodeGbk(bytes);
}

IniEncoding detectEncoding(const QByteArray& bytes) {
    for (IniEncoding encoding : {IniEncoding::Utf8, IniEncoding::Utf16Le, IniEncoding::Utf16Be}) {
        if (bytes.startsWith(markOf(encoding)))
            return encoding;
    }
    return IniEncoding::Gbk;
}

IniFile parse(const QByteArray& bytes) {
    IniFile file;
    file.encoding = detectEncoding(bytes);
    const QString content = decodeIn(file.encoding, bytes.mid(markOf(file.encoding).size()));
    const bool byteEncoding = file.encoding == IniEncoding::Gbk || file.encoding == IniEncoding::Utf8;
    const qsizetype firstBreak = content.indexOf(u'\n');
    if (firstBreak >= 0 && (firstBreak == 0 || content.at(firstBreak - 1) != u'\r'))
        file.lineEnd = QStringLiteral("\n");

    // Lines are split on the bytes where that is safe (no GBK or UTF-8 trail byte is a CR or LF),
    // so that untouched lines go back to disk exactly as they came, even undecodable ones.
    qsizetype textStart = 0;
    qsizetype byteStart = markOf(file.encoding).size();
    while (textStart < content.size()) {
        IniLine line;
        qsizetype textEnd = content.indexOf(u'\n', textStart);
        if (textEnd < 0) {
            textEnd = content.size();
        } else {
            line.ending = QStringLiteral("\n");
        }
        line.text = content.mid(textStart, textEnd - textStart);
        if (!line.ending.isEmpty() && line.text.endsWith(u'\r')) {
            line.text.chop(1);
            line.ending = QStringLiteral("\r\n");
        }
        textStart = textEnd + (line.ending.isEmpty() ? 0 : 1);
        if (byteEncoding) {
            qsizetype byteEnd = bytes.indexOf('\n', byteStart);
            byteEnd = byteEnd < 0 ? bytes.size() : byteEnd + 1;
            line.raw = bytes.mid(byteStart, byteEnd - byteStart);
            byteStart = byteEnd;
        } else {
            line.edited = true; // UTF-16 round-trips exactly, so the line is simply encoded again
        }
        file.lines.append(line);
    }
    return file;
}

QByteArray serialize(const IniFile& file) {
    QByteArray bytes = markOf(file.encoding);
    for (const IniLine& line : file.lines)
        bytes += line.edited ? encodeIn(file.encoding, line.text + line.ending) : line.raw;
    return bytes;
}

bool isComment(const QString& trimmed) {
    return trimmed.startsWith(u';');
}

std::optional<QString> sectionName(const QString& text) {
    const QString trimmed = text.trimmed();
    if (!trimmed.startsWith(u'['))
        return std::nullopt;
    qsizetype close = trimmed.indexOf(u']');
    if (close < 0)
        close = trimmed.size();
    return trimmed.mid(1, close - 1).trimmed();
}

bool sameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

struct KeyLine {
    QString key;
    QString value;
};

std::optional<KeyLine> keyLine(const QString& text) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty() || isComment(trimmed))
        return std::nullopt;
    const qsizetype equals = trimmed.indexOf(u'=');
    if (equals < 0)
        return std::nullopt;
    return KeyLine{trimmed.left(equals).trimmed(), trimmed.mid(equals + 1).trimmed()};
}

// Index of the section's header line, or -1.
qsizetype findSection(const IniFile& file, const QString& section) {
    for (qsizetype i = 0; i < file.lines.size(); ++i) {
        const auto name = sectionName(file.lines.at(i).text);
        if (name && sameName(*name, section))
            return i;
    }
    return -1;
}

// One past the last line that belongs to the section starting at header.
qsizetype sectionEnd(const IniFile& file, qsizetype header) {
    qsizetype i = header + 1;
    while (i < file.lines.size() && !sectionName(file.lines.at(i).text))
        ++i;
    return i;
}

qsizetype findKey(const IniFile& file, qsizetype header, const QString& key) {
    const qsizetype end = sectionEnd(file, header);
    for (qsizetype i = header + 1; i < end; ++i) {
        const auto entry = keyLine(file.lines.at(i).text);
        if (entry && sameName(entry->key, key))
            return i;
    }
    return -1;
}

QString unquoted(const QString& value) {
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
        value.back() == value.front())
        return value.mid(1, value.size() - 2);
    return value;
}

// The longest start of value whose GBK form fits the limit, never splitting a character.
QString limitedToBytes(const QString& value, qsizetype limit) {
    if (value.size() * 2 <= limit)
        return value;
    qsizetype bytes = 0;
    qsizetype i = 0;
    while (i < value.size()) {
        const qsizetype width = (value.at(i).isHighSurrogate() && i + 1 < value.size()) ? 2 : 1;
        const qsizetype size = encodeGbk(value.mid(i, width)).size();
        if (bytes + size > limit)
            break;
        bytes += size;
        i += width;
    }
    return value.left(i);
}

bool holdsLineBreakOrZero(const QString& text) {
    return text.contains(u'\r') || text.contains(u'\n') || text.contains(QChar(0));
}

IniLine newLine(const QString& text, const QString& ending) {
    IniLine line;
    line.text = text;
    line.ending = ending;
    line.edited = true;
    return line;
}

} // namespace

SettingsStore::SettingsStore(const QString& iniPath) : m_path(iniPath) {}

QString SettingsStore::readValue(const QString& section, const QString& key) const {
    const QMutexLocker lock(&m_mutex);
    const QString wantedKey = key.trimmed();
    const QString wantedSection = section.trimmed();
    if (wantedKey.isEmpty() || wantedSection.isEmpty())
        return {};
    QFile source(m_path);
    if (!source.open(QIODevice::ReadOnly))
        return {};
    const IniFile file = parse(source.readAll());
    // Sections may be repeated; as with the profile functions, the first one holding the key wins.
    for (qsizetype header = 0; header < file.lines.size(); ++header) {
        const auto name = sectionName(file.lines.at(header).text);
        if (!name || !sameName(*name, wantedSection))
            continue;
        const qsizetype at = findKey(file, header, wantedKey);
        if (at >= 0)
            return limitedToBytes(unquoted(keyLine(file.lines.at(at).text)->value), kMaxValueBytes);
    }
    return {};
}

bool SettingsStore::writeValue(const QString& section, const QString& key, const QString& value) {
    const QMutexLocker lock(&m_mutex);
    const QString name = section.trimmed();
    const QString keyName = key.trimmed();
    if (name.isEmpty() || keyName.isEmpty() || value.trimmed().isEmpty())
        return false;
    // Anything that would not read back as this one key in this one section is refused, so no
    // caller can plant other keys or sections in the file.
    if (holdsLineBreakOrZero(name) || holdsLineBreakOrZero(keyName) || holdsLineBreakOrZero(value))
        return false;
    if (name.contains(u']') || keyName.contains(u'=') || keyName.startsWith(u'[') || isComment(keyName))
        return false;

    IniFile file;
    if (QFileInfo::exists(m_path)) {
        QFile source(m_path);
        if (!source.open(QIODevice::ReadOnly))
            return false;
        file = parse(source.readAll());
    }

    const qsizetype header = findSection(file, name);
    if (header >= 0) {
        const qsizetype at = findKey(file, header, keyName);
        if (at >= 0) {
            IniLine& line = file.lines[at];
            line.text = keyLine(line.text)->key + u'=' + value;
            line.edited = true;
        } else {
            // After the section's last non-blank line, so a blank line before the next section stays.
            qsizetype insertAt = sectionEnd(file, header);
            while (insertAt > header + 1 && file.lines.at(insertAt - 1).text.trimmed().isEmpty())
                --insertAt;
            IniLine& previous = file.lines[insertAt - 1];
            if (previous.ending.isEmpty()) {
                previous.ending = file.lineEnd;
                previous.raw += encodeIn(file.encoding, file.lineEnd);
            }
            file.lines.insert(insertAt, newLine(keyName + u'=' + value, file.lineEnd));
        }
    } else {
        if (!file.lines.isEmpty() && file.lines.last().ending.isEmpty()) {
            IniLine& last = file.lines.last();
            last.ending = file.lineEnd;
            last.raw += encodeIn(file.encoding, file.lineEnd);
        }
        file.lines.append(newLine(u'[' + name + u']', file.lineEnd));
        file.lines.append(newLine(keyName + u'=' + value, file.lineEnd));
    }
    return replaceFileContent(m_path, serialize(file)).ok();
}
