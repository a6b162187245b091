#include "app/WrittenItemSet.h"

#include "base/System.h"
#include "web/TextFileIo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>
#include <QUrlQuery>

namespace {

// The value of the first query item named name (any case), or empty.
QString queryValue(const QUrl& url, const QString& name) {
    const QList<std::pair<QString, QString>> items = QUrlQuery(url).queryItems(QUrl::FullyDecoded);
    for (const auto& [key, value] : items) {
        if (key.compare(name, Qt::CaseInsensitive) == 0 && !value.isEmpty())
            return value;
    }
    return {};
}

// Keys are one per line: a line break inside one would make two.
QString oneLine(QString key) {
    key.replace(u'\n', u' ');
    key.replace(u'\r', u' ');
    return key;
}

} // namespace

QString WrittenItemSet::pathFor(const QString& outputFile) {
    const QFileInfo info(outputFile);
    return QDir::toNativeSeparators(info.dir().filePath(u'.' + info.fileName() + QStringLiteral(".items")));
}

QString WrittenItemSet::keyFor(Platform platform, const QString& itemAddress) {
    const QString address = itemAddress.trimmed();
    const QUrl url(address);
    QString key;
    switch (platform) {
    case Platform::Taobao:
        key = queryValue(url, QStringLiteral("id"));
        break;
    case Platform::PaiPai: {
        const QString path = url.path();
        key = path.mid(path.lastIndexOf(u'/') + 1);
        break;
    }
    case Platform::Ebay:
        key = queryValue(url, QStringLiteral("item"));
        break;
    }
    return oneLine(key.isEmpty() ? address : key);
}

Status WrittenItemSet::load() {
    m_keys.clear();
    m_uncommitted.clear();
    QFile file(m_path);
    if (!file.exists())
        return Status::success();
    if (!file.open(QIODevice::ReadOnly))
        return Status::failure(file.errorString());
    const QByteArray bytes = file.readAll();
    // Only lines with their line end were written whole.
    const qsizetype end = bytes.lastIndexOf('\n') + 1;
    for (const QByteArray& line : bytes.left(end).split('\n')) {
        if (!line.isEmpty())
            m_keys.insert(QString::fromUtf8(line));
    }
    file.close();
    // The next append starts on a line of its own.
    if (end < bytes.size() && !QFile::resize(m_path, end))
        return Status::failure(file.errorString());
    return Status::success();
}

Status WrittenItemSet::reset() {
    m_keys.clear();
    m_uncommitted.clear();
    return remove();
}

Status WrittenItemSet::remove() {
    m_uncommitted.clear();
    QFile file(m_path);
    if (!file.exists() || file.remove())
        return Status::success();
    return Status::failure(file.errorString());
}

void WrittenItemSet::add(const QString& key) {
    const QString line = oneLine(key);
    if (m_keys.contains(line))
        return;
    m_keys.insert(line);
    m_uncommitted.append(line);
}

Status WrittenItemSet::commit() {
    if (m_uncommitted.isEmpty())
        return Status::success();
    QFile file(m_path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return Status::failure(file.errorString());
    QByteArray bytes;
    for (const QString& key : std::as_const(m_uncommitted))
        bytes += key.toUtf8() + '\n';
    if (file.write(bytes) != bytes.size() || !System::syncFile(file))
        return Status::failure(file.errorString());
    m_uncommitted.clear();
    return Status::success();
}

Status WrittenItemSet::keepFirst(int count, const QStringList& recovered, QStringList* forgotten) {
    m_keys.clear();
    m_uncommitted.clear();
    QStringList ordered;
    QFile file(m_path);
    if (file.exists()) {
        if (!file.open(QIODevice::ReadOnly))
            return Status::failure(file.errorString());
        const QByteArray bytes = file.readAll();
        // Only lines with their line end were written whole.
        for (const QByteArray& line : bytes.left(bytes.lastIndexOf('\n') + 1).split('\n')) {
            const QString key = QString::fromUtf8(line);
            if (!line.isEmpty() && !m_keys.contains(key)) {
                m_keys.insert(key);
                ordered.append(key);
            }
        }
    }
    m_keys.clear();
    QByteArray kept;
    const auto keep = [&](const QString& key) {
        const QString line = oneLine(key);
        if (m_keys.contains(line))
            return;
        m_keys.insert(line);
        kept += line.toUtf8() + '\n';
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
    if (kept.isEmpty() && !file.exists())
        return Status::success();
    return replaceFileContent(m_path, kept);
}
