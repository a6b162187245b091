#include "formats/GbkFileWriter.h"

#include "formats/AssistantFormat.h"
#include "web/TextFileIo.h"

namespace {

// Large enough that encoding and writing cost per block is negligible, small enough to stay a
// minor part of the memory of a big conversion.
constexpr qsizetype kBlockCharacters = 256 * 1024;

} // namespace

GbkFileWriter::GbkFileWriter(const QString& path) : m_file(path) {
    // A folder that only lets the existing file be rewritten still gets its output.
    m_file.setDirectWriteFallback(true);
}

bool GbkFileWriter::open() {
    m_failed = !m_file.open(QIODevice::WriteOnly);
    if (!m_failed)
        m_pending.reserve(kBlockCharacters + kBlockCharacters / 4);
    return !m_failed;
}

void GbkFileWriter::write(QStringView text) {
    m_pending.append(text);
    if (m_pending.size() >= kBlockCharacters)
        flushPending();
}

void GbkFileWriter::writeRow(const AssistantLayout& layout, const QStringList& values) {
    layout.appendRow(&m_pending, values);
    if (m_pending.size() >= kBlockCharacters)
        flushPending();
}

bool GbkFileWriter::commit() {
    if (!m_file.isOpen())
        return false;
    flushPending();
    if (m_failed) {
        m_file.cancelWriting();
        m_file.commit();
        return false;
    }
    return m_file.commit();
}

void GbkFileWriter::flushPending() {
    if (m_pending.isEmpty() || m_failed) {
        m_pending.truncate(0);
        return;
    }
    const QByteArray bytes = EncodeGbk(m_pending);
    if (m_file.write(bytes) != bytes.size())
        m_failed = true;
    m_pending.truncate(0);
}
