#include "formats/CsvReader.h"

#include "base/TextDecoder.h"

bool CsvReader::open(const QString& path) {
    m_file.close();
    m_columns.clear();
    m_records.start(nullptr, TextDecoder());
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::ReadOnly))
        return false;

    // Only a byte-order mark overrides GBK: a scan for valid UTF-8 would cost a pass over the file.
    TextDecoder decoder;
    const QByteArray start = m_file.peek(3);
    if (start.startsWith("\xEF\xBB\xBF")) {
        m_file.skip(3);
        decoder = TextDecoder(QStringConverter::Utf8);
    } else if (start.startsWith("\xFF\xFE")) {
        m_file.skip(2);
        decoder = TextDecoder(QStringConverter::Utf16LE);
    } else if (start.startsWith("\xFE\xFF")) {
        m_file.skip(2);
        decoder = TextDecoder(QStringConverter::Utf16BE);
    } else {
        decoder = TextDecoder::gbk();
    }
    if (!decoder.isValid()) {
        m_file.close();
        return false;
    }
    m_records.start(&m_file, std::move(decoder));
    if (!m_records.readRecord(&m_columns))
        m_columns.clear();
    return true;
}

bool CsvReader::readRecord(QStringList* fields) {
    if (!m_file.isOpen()) {
        fields->clear();
        return false;
    }
    return m_records.readRecord(fields);
}
