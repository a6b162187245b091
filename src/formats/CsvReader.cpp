#include "formats/CsvReader.h"

namespace {

constexpr qint64 kChunkSize = 64 * 1024;

} // namespace

bool CsvReader::open(const QString& path) {
    m_file.close();
    m_columns.clear();
    m_buffer.clear();
    m_pos = 0;
    m_atEnd = false;
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::ReadOnly))
        return false;

    const QByteArray start = m_file.peek(3);
    if (start.startsWith("\xEF\xBB\xBF")) {
        m_file.skip(3);
        m_decoder = QStringDecoder(QStringConverter::Utf8);
    } else if (start.startsWith("\xFF\xFE")) {
        m_file.skip(2);
        m_decoder = QStringDecoder(QStringConverter::Utf16LE);
    } else if (start.startsWith("\xFE\xFF")) {
        m_file.skip(2);
        m_decoder = QStringDecoder(QStringConverter::Utf16BE);
    } else {
        m_decoder = QStringDecoder("GBK");
    }
    if (!m_decoder.isValid()) {
        m_file.close();
        return false;
    }
    if (!readLine(&m_columns))
        m_columns.clear();
    return true;
}

bool CsvReader::readRecord(QStringList* fields) {
    if (!m_file.isOpen())
        return false;
    return readLine(fields);
}

bool CsvReader::ensureAvailable(qsizetype count) {
    while (m_pos + count > m_buffer.size()) {
        if (m_atEnd)
            return false;
        if (m_pos > 0) {
            m_buffer.remove(0, m_pos);
            m_pos = 0;
        }
        const QByteArray bytes = m_file.read(kChunkSize);
        if (bytes.isEmpty()) {
            m_atEnd = true;
            m_buffer.append(m_decoder.decode(QByteArrayView()));
        } else {
            m_buffer.append(m_decoder.decode(bytes));
        }
    }
    return true;
}

bool CsvReader::readLine(QStringList* fields) {
    fields->clear();
    // Blank lines are not records.
    for (;;) {
        if (!ensureAvailable(1))
            return false;
        const QChar c = m_buffer.at(m_pos);
        if (c != u'\n' && c != u'\r')
            break;
        ++m_pos;
    }

    QString value;
    bool fieldStarted = false;
    bool inQuotes = false;
    while (ensureAvailable(1)) {
        const QChar c = m_buffer.at(m_pos++);
        if (inQuotes) {
            if (c != u'"') {
                value.append(c);
            } else if (ensureAvailable(1) && m_buffer.at(m_pos) == u'"') {
                value.append(c);
                ++m_pos;
            } else {
                inQuotes = false;
            }
            continue;
        }
        switch (c.unicode()) {
        case u',':
            fields->append(value);
            value.clear();
            fieldStarted = false;
            continue;
        case u'\r':
            if (ensureAvailable(1) && m_buffer.at(m_pos) == u'\n')
                ++m_pos;
            [[fallthrough]];
        case u'\n':
            fields->append(value);
            return true;
        case u'"':
            if (!fieldStarted) {
                inQuotes = true;
                fieldStarted = true;
                continue;
            }
            break;
        default:
            break;
        }
        // Text after a closing quote, or a quote inside an unquoted field, is kept as it stands.
        value.append(c);
        fieldStarted = true;
    }
    fields->append(value);
    return true;
}
