#include "formats/Taobao5Reader.h"

namespace {

// Lines 1 to 3 are short; a "line" longer than this is binary data, not a header.
constexpr qsizetype kHeaderLineLimit = 64 * 1024;

bool allEmpty(const QStringList& fields) {
    for (const QString& field : fields) {
        if (!field.trimmed().isEmpty())
            return false;
    }
    return true;
}

} // namespace

bool Taobao5Reader::open(const QString& path) {
    m_file.close();
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::ReadOnly))
        return false;
    return open(&m_file);
}

bool Taobao5Reader::open(QIODevice* device) {
    m_fieldNames.clear();
    m_fieldOfColumn.clear();
    if (device == nullptr || !device->isReadable())
        return false;
    const SourceEncoding::Sniffed sniffed = SourceEncoding::sniff(*device);
    m_encoding = sniffed.encoding;
    device->skip(sniffed.markLength);
    m_records.start(device, SourceEncoding::decoderFor(m_encoding));

    QString line;
    if (!m_records.readRawLine(&line, kHeaderLineLimit) || !Taobao5Layout::isVersionLine(line))
        return false;
    if (!m_records.readRawLine(&line, kHeaderLineLimit) || !Taobao5Layout::isFieldNameLine(line))
        return false;
    while (line.endsWith(u'\r'))
        line.chop(1);
    for (QStringView name : QStringView(line).tokenize(u'\t')) {
        m_fieldNames.append(Taobao5Layout::headerName(name).toString());
        const auto field = Taobao5Layout::fieldByName(m_fieldNames.back());
        m_fieldOfColumn.append(field ? static_cast<int>(*field) : -1);
    }
    // The caption line: its text depends on the locale it was saved under, so it is not read.
    QString captions;
    m_records.readRawLine(&captions, kHeaderLineLimit);
    return true;
}

bool Taobao5Reader::readRecord(Taobao5Record* record) {
    do {
        if (m_fieldOfColumn.isEmpty() || !m_records.readRecord(&m_fields))
            return false;
    } while (allEmpty(m_fields));

    for (QString& value : record->values)
        value.clear();
    const qsizetype columns = qMin(m_fields.size(), m_fieldOfColumn.size());
    for (qsizetype column = 0; column < columns; ++column) {
        const int field = m_fieldOfColumn.at(column);
        // A name that appears twice keeps its first column's value unless that one is empty.
        if (field >= 0 && record->values[static_cast<std::size_t>(field)].isEmpty())
            record->values[static_cast<std::size_t>(field)] = std::move(m_fields[column]);
    }
    return true;
}
