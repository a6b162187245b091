#include "formats/OutputBatch.h"

#include "base/PlatformConstants.h"
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

Status WriteOutputBatch(const QString& path, int option5Index, const QString& batch, bool appendToExisting) {
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
