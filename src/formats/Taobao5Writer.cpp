#include "formats/Taobao5Writer.h"

#include "formats/AssistantFormat.h"
#include "formats/Taobao5Mapping.h"
#include "formats/Taobao5Reader.h"

#include <QFile>
#include <QStringEncoder>

namespace {

constexpr qsizetype kPendingLimit = 512 * 1024;
const QByteArray kMark("\xFF\xFE");
const QByteArray kLineFeed("\n\0", 2);

bool isFee(Taobao5Field field) {
    return field == Taobao5Field::PostFee || field == Taobao5Field::EmsFee ||
           field == Taobao5Field::ExpressFee;
}

void appendQuoted(QString* out, const QString& value) {
    out->append(u'"');
    if (value.contains(u'"'))
        out->append(QString(value).replace(QStringLiteral("\""), QStringLiteral("\"\"")));
    else
        out->append(value);
    out->append(u'"');
}

} // namespace

QString Taobao5Writer::rowText(const Taobao5Record& item) {
    QString line;
    for (int i = 0; i < Taobao5Layout::kFieldCount; ++i) {
        const auto field = static_cast<Taobao5Field>(i);
        if (i > 0)
            line.append(u'\t');
        const QString& value = item[field];
        if (Taobao5Layout::isText(field)) {
            appendQuoted(&line, value);
            continue;
        }
        const QString number = isFee(field) ? Taobao5Mapping::fee(value) : Taobao5Mapping::plainNumber(value);
        // What is no number at all still must not break the row: it goes in quotes.
        if (number.isEmpty() || AssistantFormat::isPlainNumber(number))
            line.append(number);
        else
            appendQuoted(&line, number);
    }
    line.append(u'\n');
    return line;
}

bool Taobao5Writer::canAppendTo(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || !file.peek(2).startsWith(kMark))
        return false;
    Taobao5Reader reader;
    return reader.open(&file) && reader.encoding() == TextEncoding::Utf16LE;
}

void Taobao5Writer::writeHeaderIfNew() {
    if (m_device->size() == 0) {
        if (m_device->write(kMark) != kMark.size())
            m_failed = true;
        write(Taobao5Layout::headerText());
        return;
    }
    // A run that died mid-write may have left its last row without the line end.
    if (m_device->isSequential() || m_device->size() < 2)
        return;
    QFile* file = qobject_cast<QFile*>(m_device);
    if (file == nullptr)
        return;
    QFile reading(file->fileName());
    if (reading.open(QIODevice::ReadOnly) && reading.seek(reading.size() - 2) && reading.read(2) != kLineFeed)
        write(QStringLiteral("\n"));
}

void Taobao5Writer::writeRecord(const Taobao5Record& item) {
    write(rowText(item));
}

void Taobao5Writer::write(const QString& text) {
    m_pending.append(text);
    if (m_pending.size() >= kPendingLimit)
        flushPending();
}

void Taobao5Writer::flushPending() {
    if (m_pending.isEmpty())
        return;
    QStringEncoder encoder(QStringConverter::Utf16LE);
    const QByteArray bytes = encoder.encode(m_pending);
    if (m_device->write(bytes) != bytes.size())
        m_failed = true;
    m_pending.clear();
}

bool Taobao5Writer::finish() {
    flushPending();
    return !m_failed;
}
