#include "formats/GbkFileWriter.h"

#include "base/System.h"
#include "formats/AssistantFormat.h"
#include "formats/ConversionMapping.h"
#include "text/GbkText.h"
#include "text/TextFileIo.h"

#include <cerrno>

namespace {

// Large enough that writing cost per block is negligible, small enough to stay a minor part of
// the memory of a big conversion.
constexpr qsizetype kBlockBytes = 512 * 1024;

// AssistantFormat::isPlainNumber of encoded text: digits, the point and the minus sign are single
// bytes in GBK, and no byte of a two-byte character is one of them. Almost every value fails at
// its first byte; only one that may be a number is looked at whole.
bool isPlainNumber(const char* text, qsizetype size) {
    if (size == 0 || !((text[0] >= '0' && text[0] <= '9') || text[0] == '-' || text[0] == '.'))
        return false;
    return AssistantFormat::isPlainNumber(QString::fromLatin1(text, size));
}

} // namespace

GbkFileWriter::GbkFileWriter(const QString& path) : m_file(path) {}

bool GbkFileWriter::open() {
    // No direct-write fallback: writing over the target in place would leave it half-written
    // when the conversion fails or is killed.
    if (!isRegularFileOrNewName(m_file.fileName())) {
        m_error = kNotRegularFileReason;
        m_failed = true;
        return false;
    }
    m_failed = !m_file.open(QIODevice::WriteOnly);
    if (m_failed)
        m_error = m_file.errorString();
    else
        m_bytes.reserve(kBlockBytes + kBlockBytes / 4);
    return !m_failed;
}

void GbkFileWriter::write(QStringView text) {
    appendGbk(&m_bytes, text);
    if (m_bytes.size() >= kBlockBytes)
        flushPending();
}

void GbkFileWriter::writeRow(const AssistantLayout& layout, const QStringList& values) {
    layout.appendPlainRow(&m_row, values);
    encodeRow();
}

void GbkFileWriter::writeRow(const AssistantLayout& layout, const QStringList& values, qsizetype column,
                             QStringView quoted, SourceValue use) {
    for (qsizetype i = 0; i < values.size(); ++i) {
        if (i > 0)
            m_row.append(layout.separator);
        if (i != column) {
            layout.appendPlainValue(&m_row, i, values.at(i));
            continue;
        }
        appendGbk(&m_bytes, m_row);
        m_row.truncate(0);
        if (encodeFromSource(layout, column, quoted, use))
            continue;
        QString plain = AssistantFormat::unquoted(quoted);
        if (use == SourceValue::Cleaned) {
            QString cleaned;
            ConversionMapping::appendCleanField(&cleaned, plain);
            plain = cleaned;
        }
        layout.appendPlainValue(&m_row, i, plain);
    }
    m_row.append(layout.lineEnd);
    encodeRow();
}

bool GbkFileWriter::encodeFromSource(const AssistantLayout& layout, qsizetype column, QStringView quoted,
                                     SourceValue use) {
    const LayoutColumn& target = layout.columns.at(column);
    // Only a quoted text column of a comma layout: a TAB layout mends its values after quoting.
    if (target.source == ColumnSource::Constant || !target.text || layout.separator == u'\t')
        return false;
    const bool enclosed = quoted.size() >= 2 && quoted.front() == u'"' && quoted.back() == u'"';
    const QStringView inner = enclosed ? quoted.sliced(1, quoted.size() - 2) : quoted;
    if (use == SourceValue::Plain) {
        // A well-formed quoted field is already what the column writes for its plain value,
        // unless that value is a number, which is written bare.
        if (!AssistantFormat::isWellFormedQuotedField(quoted) || AssistantFormat::isPlainNumber(inner))
            return false;
        appendGbk(&m_bytes, quoted);
        return true;
    }
    // The cleaned value holds no quote, comma or line break: it is quoted unless it is a number.
    const qsizetype start = m_bytes.size();
    m_bytes.append('"');
    if (!appendCleanGbk(&m_bytes, inner, enclosed))
        appendCleanGbk(&m_bytes, inner, false); // not one quoted field: the enclosing quotes go only
    if (isPlainNumber(m_bytes.constData() + start + 1, m_bytes.size() - start - 1))
        m_bytes.remove(start, 1);
    else
        m_bytes.append('"');
    return true;
}

void GbkFileWriter::encodeRow() {
    appendGbk(&m_bytes, m_row);
    m_row.truncate(0);
    if (m_bytes.size() >= kBlockBytes)
        flushPending();
}

bool GbkFileWriter::commit() {
    if (!m_file.isOpen())
        return false;
    flushPending();
    if (m_failed) {
        discard();
        return false;
    }
    if (!m_file.commit()) {
        m_error = m_file.errorString();
        return false;
    }
    return true;
}

void GbkFileWriter::discard() {
    if (!m_file.isOpen())
        return;
    m_bytes.truncate(0);
    m_file.cancelWriting();
    m_file.commit();
}

void GbkFileWriter::flushPending() {
    if (m_bytes.isEmpty() || m_failed) {
        m_bytes.truncate(0);
        return;
    }
    const qint64 offset = m_file.pos();
    // QFile reports a short write (full disk, size limit) without a reason; errno has it.
    errno = 0;
    if (m_file.write(m_bytes) != m_bytes.size()) {
        m_failed = true;
        m_error = errno != 0 ? qt_error_string(errno) : m_file.errorString();
    } else {
        // The commit waits for the whole file to reach the disk; written block by block while
        // the conversion goes on, little of it is left by then.
        System::startWriteback(m_file, offset, m_bytes.size());
    }
    m_bytes.truncate(0);
}
