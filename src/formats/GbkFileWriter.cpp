#include "formats/GbkFileWriter.h"

#include "base/System.h"
#include "formats/AssistantFormat.h"
#include "text/TextFileIo.h"

#include <cerrno>

namespace {

// Large enough that encoding and writing cost per block is negligible, small enough to stay a
// minor part of the memory of a big conversion.
constexpr qsizetype kBlockCharacters = 256 * 1024;

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
        m_pending.reserve(kBlockCharacters + kBlockCharacters / 4);
    return !m_failed;
}

void GbkFileWriter::write(QStringView text) {
    m_pending.append(text);
    if (m_pending.size() >= kBlockCharacters)
        flushPending();
}

void GbkFileWriter::writeRow(const AssistantLayout& layout, const QStringList& values) {
    layout.appendPlainRow(&m_pending, values);
    if (m_pending.size() >= kBlockCharacters)
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
    m_pending.truncate(0);
    m_file.cancelWriting();
    m_file.commit();
}

void GbkFileWriter::flushPending() {
    if (m_pending.isEmpty() || m_failed) {
        m_pending.truncate(0);
        return;
    }
    const QByteArray bytes = encodeGbk(m_pending);
    const qint64 offset = m_file.pos();
    // QFile reports a short write (full disk, size limit) without a reason; errno has it.
    errno = 0;
    if (m_file.write(bytes) != bytes.size()) {
        m_failed = true;
        m_error = errno != 0 ? qt_error_string(errno) : m_file.errorString();
    } else {
        // The commit waits for the whole file to reach the disk; written block by block while
        // the conversion goes on, little of it is left by then.
        System::startWriteback(m_file, offset, bytes.size());
    }
    m_pending.truncate(0);
}
