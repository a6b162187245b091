#include "formats/QuotedRecordReader.h"

namespace {

constexpr qint64 kBlockSize = 256 * 1024;

} // namespace

void QuotedRecordReader::start(QIODevice* device, TextDecoder decoder) {
    m_device = device;
    m_decoder = std::move(decoder);
    m_buffer.clear();
    m_pos = 0;
    m_deviceDone = device == nullptr;
    m_line = 1;
    m_error.clear();
}

bool QuotedRecordReader::fill() {
    if (m_deviceDone)
        return false;
    if (m_pos > 0) {
        m_buffer.remove(0, m_pos);
        m_pos = 0;
    }
    const QByteArray bytes = m_device->read(kBlockSize);
    if (bytes.isEmpty()) {
        m_deviceDone = true;
        // A character cut off by the end of the data comes out as a replacement character.
        const QString rest = m_decoder.finish();
        m_buffer.append(rest);
        return !rest.isEmpty();
    }
    // Decoded straight into the buffer: a decoded copy appended would cost a pass over every byte.
    const qsizetype kept = m_buffer.size();
    m_buffer.resize(kept + m_decoder.requiredSpace(bytes.size()));
    const QChar* end = m_decoder.appendToBuffer(m_buffer.data() + kept, bytes);
    m_buffer.truncate(end - m_buffer.constData());
    return true;
}

bool QuotedRecordReader::ensure() {
    while (m_pos >= m_buffer.size()) {
        if (!fill())
            return false;
    }
    return true;
}

bool QuotedRecordReader::readRawLine(QString* line, qsizetype maxLength) {
    line->clear();
    if (!ensure())
        return false;
    for (;;) {
        const QChar* data = m_buffer.constData();
        qsizetype i = m_pos;
        const qsizetype end = m_buffer.size();
        while (i < end && data[i] != u'\n' && data[i] != u'\r')
            ++i;
        line->append(QStringView(m_buffer).sliced(m_pos, i - m_pos));
        m_pos = i;
        if (line->size() > maxLength)
            return false;
        if (i < end)
            break;
        if (!ensure())
            return true; // last line without a line break
    }
    const QChar lineBreak = m_buffer.at(m_pos++);
    ++m_line;
    if (lineBreak == u'\r' && ensure() && m_buffer.at(m_pos) == u'\n')
        ++m_pos;
    return true;
}

bool QuotedRecordReader::readRecord(QStringList* fields) {
    fields->clear();
    if (!m_error.isEmpty())
        return false;
    for (;;) {
        if (!ensure())
            return false;
        const QChar c = m_buffer.at(m_pos);
        if (c != u'\n' && c != u'\r')
            break;
        ++m_pos;
        if (c == u'\n' || !ensure() || m_buffer.at(m_pos) != u'\n')
            ++m_line;
    }

    const qint64 recordLine = m_line;
    qint64 quoteLine = m_line;
    qsizetype recordSize = 0;
    QString value;
    bool fieldStart = true;
    bool inQuotes = false;
    // The record so far, separators included, against the limit.
    const auto tooLong = [&](qsizetype added) {
        recordSize += added;
        if (recordSize <= kRecordLimit)
            return false;
        m_error = inQuotes ? QStringLiteral("第%1行开始的引号在1MB之内没有闭合").arg(quoteLine)
                           : QStringLiteral("第%1行的记录超过1MB").arg(recordLine);
        fields->clear();
        return true;
    };
    for (;;) {
        if (!ensure()) {
            fields->append(value);
            return true;
        }
        if (inQuotes) {
            const qsizetype quote = m_buffer.indexOf(u'"', m_pos);
            const QStringView part =
                QStringView(m_buffer).sliced(m_pos, (quote < 0 ? m_buffer.size() : quote) - m_pos);
            if (tooLong(part.size() + 1))
                return false;
            m_line += part.count(u'\n');
            value.append(part);
            if (quote < 0) {
                m_pos = m_buffer.size();
                continue;
            }
            m_pos = quote + 1;
            if (ensure() && m_buffer.at(m_pos) == u'"') {
                value.append(u'"');
                ++m_pos;
            } else {
                inQuotes = false;
            }
            continue;
        }

        // A run of ordinary characters in one step: descriptions are long.
        const QChar* data = m_buffer.constData();
        const qsizetype end = m_buffer.size();
        qsizetype i = m_pos;
        while (i < end) {
            const char16_t c = data[i].unicode();
            if (c == m_separator || c == u'\n' || c == u'\r' || c == u'"')
                break;
            ++i;
        }
        if (i > m_pos) {
            if (tooLong(i - m_pos))
                return false;
            value.append(QStringView(m_buffer).sliced(m_pos, i - m_pos));
            fieldStart = false;
            m_pos = i;
        }
        if (i == end)
            continue;

        const char16_t c = data[i].unicode();
        ++m_pos;
        if (tooLong(1))
            return false;
        if (c == m_separator) {
            fields->append(value);
            value = QString();
            fieldStart = true;
        } else if (c == u'"') {
            // Only a quote that opens a field quotes; elsewhere it is kept as it stands.
            if (fieldStart) {
                inQuotes = true;
                quoteLine = m_line;
            } else
                value.append(u'"');
            fieldStart = false;
        } else {
            if (c == u'\r' && ensure() && m_buffer.at(m_pos) == u'\n')
                ++m_pos;
            ++m_line;
            fields->append(value);
            return true;
        }
    }
}
