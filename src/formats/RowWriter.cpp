#include "formats/RowWriter.h"

#include "app/AppPaths.h"
#include "base/PlatformConstants.h"
#include "app/RunState.h"
#include "app/WindowInterface.h"
#include "formats/AssistantFormat.h"
#include "web/TextFileIo.h"

#include <QFile>
#include <QFileInfo>

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// The batch without the header line it starts with (of whichever layout wrote it).
QString withoutHeader(const QString& batch) {
    for (const AssistantLayout* layout :
         {&AssistantFormat::taobao(), &AssistantFormat::paipai(), &AssistantFormat::ebay()}) {
        const QString header = layout->headerLine();
        if (batch.startsWith(header))
            return batch.mid(header.size());
    }
    return batch;
}

} // namespace

RowWriter::RowWriter(RunState& state, WindowInterface& window, const AppPaths& paths)
    : m_state(state), m_window(window), m_paths(paths) {}

void RowWriter::EmitItemRecord(const ItemRecord& record) {
    const int format = m_window.selectedFormat();
    const AssistantLayout& layout = AssistantFormat::forOption(format);
    m_state.fieldSeparator = QString(layout.separator);
    QString rowText;
    if (!m_state.headerWritten)
        rowText = layout.headerLine();
    layout.appendRow(&rowText, layout.recordValues(record, m_window.selectedPlatform()));
    // A journal that cannot be written costs durability only; the run goes on.
    m_journal.append(outputPath(), format, m_state.appendToExisting, m_state.collectedCount,
                     !m_state.headerWritten, rowText);
    m_state.outputBuffer += rowText;
    m_state.headerWritten = true;
}

Status RowWriter::writeBatch(const QString& path, int option5Index, const QString& batch,
                             bool appendToExisting) {
    if (option5Index == PlatformConstants::TaobaoAssistant)
        return AppendToTextFile(path, batch, QStringLiteral("unicode"));

    // An empty file has no header yet for the rows to go under.
    if (!appendToExisting || QFileInfo(path).size() == 0)
        return ReplaceFileContent(path, EncodeGbk(batch + kCrLf));

    QFile existing(path);
    if (!existing.open(QIODevice::ReadOnly))
        return Status::failure(existing.errorString());
    QByteArray content = existing.readAll();
    if (existing.error() != QFileDevice::NoError)
        return Status::failure(existing.errorString());
    existing.close();
    // The earlier flush closed its batch with an extra CR LF; the rows continue in its place so
    // the file reads as one batch.
    if (content.endsWith("\r\n\r\n"))
        content.chop(2);
    else if (!content.isEmpty() && !content.endsWith("\r\n"))
        content += "\r\n";
    content += EncodeGbk(withoutHeader(batch) + kCrLf);
    return ReplaceFileContent(path, content);
}

Status RowWriter::FlushOutputBuffer() {
    const Status status =
        writeBatch(outputPath(), m_window.selectedFormat(), m_state.outputBuffer, m_state.appendToExisting);
    if (!status)
        return status;
    m_state.outputBuffer.clear();
    m_state.headerWritten = false;
    m_state.appendToExisting = true;
    m_journal.discard();
    return status;
}

void RowWriter::syncJournal() {
    m_journal.sync();
}

QString RowWriter::outputPath() const {
    return m_paths.outputFile(m_state.outputBaseName, m_state.outputExtension);
}
