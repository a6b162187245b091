#include "formats/TaobaoLineReader.h"

#include "base/Utf16Words.h"
#include "formats/SourceEncoding.h"

#include <QtEndian>

bool TaobaoLineReader::open(const QString& path) {
    m_file.close();
    m_text.clear();
    m_pos = 0;
    m_lineNumber = 0;
    m_tooLong = false;
    m_searchedTo = 0;
    m_tabs.clear();
    m_lineTabs.clear();
    m_odd.clear();
    m_lineOdd = false;
    m_done = true;
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::ReadOnly))
        return false;
    const SourceEncoding::Sniffed sniffed = SourceEncoding::sniff(m_file);
    m_file.skip(sniffed.markLength);
    m_utf16Le = sniffed.encoding == TextEncoding::Utf16LE;
    if (!m_utf16Le)
        m_decoder = SourceEncoding::decoderFor(sniffed.encoding);
    m_text.reserve(kBlockBytes);
    m_done = false;
    return true;
}

qsizetype TaobaoLineReader::findLineEnd() {
    const char16_t* const units = reinterpret_cast<const char16_t*>(m_text.constData());
    const qsizetype size = m_text.size();
    const auto isLineEnd = [](char16_t c) { return c == u'\n' || c == u'\r'; };
    qsizetype i = qMax(m_pos, m_searchedTo);
    // A CR that ended the text last time is searched past again: its line's TABs are known.
    while (!m_tabs.isEmpty() && m_tabs.back() >= i)
        m_tabs.pop_back();
    while (!m_odd.isEmpty() && m_odd.back() >= i)
        m_odd.pop_back();
    const auto noteOdd = [this](qsizetype block, uint marks) {
        if (marks != 0)
            m_odd.append(block + Utf16Words::first(marks));
    };
    // Eight at a time for the units up to CR; TABs between the fields are among them. Text
    // without any of them, or U+FFFD, is passed over 32 at a time.
    for (; i + Utf16Words::kBlock <= size; i += Utf16Words::kBlock) {
        while (i + Utf16Words::kWide <= size && Utf16Words::noneAtMostNorEqual(units + i, u'\r', 0xFFFD))
            i += Utf16Words::kWide;
        if (i + Utf16Words::kBlock > size)
            break;
        const uint odd = Utf16Words::equalEither(units + i, u'\0', 0xFFFD);
        for (uint marks = Utf16Words::atMost(units + i, u'\r'); marks != 0;) {
            const int k = Utf16Words::first(marks);
            if (isLineEnd(units[i + k])) {
                noteOdd(i, odd & ((1U << (2 * k)) - 1U)); // the units after the end are the next line's
                return i + k;
            }
            if (units[i + k] == u'\t')
                m_tabs.append(i + k);
            marks &= ~(3U << (2 * k));
        }
        noteOdd(i, odd);
    }
    for (; i < size; ++i) {
        if (isLineEnd(units[i]))
            return i;
        if (units[i] == u'\t')
            m_tabs.append(i);
        if (units[i] == u'\0' || units[i] == 0xFFFD)
            m_odd.append(i);
    }
    m_searchedTo = size;
    return -1;
}

bool TaobaoLineReader::readLine(QStringView* line, qsizetype maxLength) {
    if (m_tooLong)
        return false;
    const auto refuse = [this] {
        m_tooLong = true;
        ++m_lineNumber;
        return false;
    };
    for (;;) {
        const qsizetype end = findLineEnd();
        const bool cr = end >= 0 && m_text.at(end) == u'\r';
        // A CR that ends the text read so far may be the first half of a CR LF.
        const bool endKnown = end >= 0 && (!cr || end + 1 < m_text.size() || m_done);
        if (endKnown) {
            if (end - m_pos > maxLength)
                return refuse();
            *line = QStringView(m_text).sliced(m_pos, end - m_pos);
            takeTabs();
            ++m_lineNumber;
            m_pos = end + 1;
            if (cr && m_pos < m_text.size() && m_text.at(m_pos) == u'\n')
                ++m_pos;
            return true;
        }
        if (m_text.size() - m_pos > maxLength)
            return refuse();
        if (fill())
            continue;
        if (end >= 0)
            continue; // the CR is the last character: a line end of its own
        if (m_pos >= m_text.size())
            return false;
        // The last line, without a line end.
        *line = QStringView(m_text).sliced(m_pos);
        takeTabs();
        ++m_lineNumber;
        m_pos = m_text.size();
        return true;
    }
}

void TaobaoLineReader::takeTabs() {
    m_lineTabs.clear();
    for (qsizetype tab : std::as_const(m_tabs))
        m_lineTabs.append(tab - m_pos);
    m_tabs.clear();
    m_lineOdd = !m_odd.isEmpty();
    m_odd.clear();
}

bool TaobaoLineReader::fill() {
    if (m_done)
        return false;
    if (m_pos > 0) {
        m_searchedTo = qMax<qsizetype>(0, m_searchedTo - m_pos);
        for (qsizetype& tab : m_tabs)
            tab -= m_pos;
        for (qsizetype& odd : m_odd)
            odd -= m_pos;
        m_text.remove(0, m_pos);
        m_pos = 0;
    }
    const qsizetype kept = m_text.size();
    if (m_utf16Le) {
        // The file's bytes are the text's code units: read straight into it.
        m_text.resize(kept + kBlockBytes / 2 + 1);
        char* const into = reinterpret_cast<char*>(m_text.data() + kept);
        qint64 got = qMax<qint64>(0, m_file.read(into, kBlockBytes));
        if (got % 2 != 0 && m_file.read(into + got, 1) == 1)
            ++got;
        qsizetype units = qsizetype(got / 2);
        qFromLittleEndian<char16_t>(into, units, into);
        // A last byte alone is no character.
        if (got % 2 != 0)
            m_text[kept + units++] = QChar::ReplacementCharacter;
        m_text.truncate(kept + units);
        m_done = got == 0;
        return !m_done;
    }
    m_bytes.resize(kBlockBytes);
    const qint64 got = m_file.read(m_bytes.data(), kBlockBytes);
    if (got <= 0) {
        m_done = true;
        // A character cut off by the end of the file comes out as a replacement character.
        const QString rest = m_decoder.finish();
        m_text.append(rest);
        return !rest.isEmpty();
    }
    m_text.resize(kept + m_decoder.requiredSpace(got));
    const QChar* end =
        m_decoder.appendToBuffer(m_text.data() + kept, QByteArrayView(m_bytes.constData(), got));
    m_text.truncate(end - m_text.constData());
    return true;
}
