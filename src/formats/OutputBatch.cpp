#include "formats/OutputBatch.h"

#include "base/System.h"
#include "formats/AssistantFormat.h"
#include "formats/OutputFormats.h"
#include "formats/StoreOutput.h"
#include "formats/Taobao5Layout.h"
#include "formats/Taobao5Output.h"
#include "text/PictureFile.h"
#include "text/TextFileIo.h"

#include <QFile>
#include <QFileInfo>
#include <QStringEncoder>

#include <algorithm>

namespace {

const QString kCrLf = QStringLiteral("\r\n");
const QByteArray kUtf16Mark("\xFF\xFE");

QByteArray utf16(const QString& text) {
    QStringEncoder encoder(QStringConverter::Utf16LE);
    return encoder.encode(text);
}

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

Status writeOutputBatch(const QString& path, FileFormat format, const QString& batch, bool appendToExisting) {
    switch (format) {
    case FileFormat::TaobaoAssistant5:
        return Taobao5Output::writeBatch(path, batch, appendToExisting);
    case FileFormat::Shopify:
    case FileFormat::WooCommerce:
        return StoreOutput::writeBatch(path, format, batch, appendToExisting);
    case FileFormat::TaobaoAssistant: {
        const QString unicode = QStringLiteral("unicode");
        if (!appendToExisting || QFileInfo(path).size() == 0)
            return writeTextFile(path, batch, unicode);
        return appendToTextFile(path, withoutHeader(batch), unicode);
    }
    case FileFormat::PaiPaiAssistant:
    case FileFormat::EbayAssistant:
        break;
    }

    // An empty file has no header yet for the rows to go under.
    if (!appendToExisting || QFileInfo(path).size() == 0)
        return replaceFileContent(path, encodeGbk(batch + kCrLf));

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
    content += encodeGbk(withoutHeader(batch) + kCrLf);
    return replaceFileContent(path, content);
}

qint64 outputLengthKeptByBatch(const QString& path, FileFormat format, bool appendToExisting) {
    QFile existing(path);
    const qint64 size = existing.size();
    switch (format) {
    case FileFormat::TaobaoAssistant5:
        return Taobao5Output::lengthKeptByBatch(path, appendToExisting);
    case FileFormat::Shopify:
    case FileFormat::WooCommerce:
        return StoreOutput::lengthKeptByBatch(path, appendToExisting);
    case FileFormat::TaobaoAssistant:
        return appendToExisting ? size : 0;
    case FileFormat::PaiPaiAssistant:
    case FileFormat::EbayAssistant:
        break;
    }
    if (!appendToExisting || size == 0 || !existing.open(QIODevice::ReadOnly))
        return 0;
    // The closing CR LF of the earlier batch gives way to the rows (see writeOutputBatch).
    existing.seek(std::max<qint64>(0, size - 4));
    return existing.readAll().endsWith("\r\n\r\n") ? size - 2 : size;
}

QString headerLineOf(FileFormat format) {
    if (OutputFormats::describe(format).storeFile)
        return StoreOutput::header(format);
    if (format == FileFormat::TaobaoAssistant5)
        return Taobao5Output::header();
    return AssistantFormat::forFormat(format).headerLine();
}

QByteArray ownOutputStart(FileFormat format) {
    switch (format) {
    case FileFormat::TaobaoAssistant5:
        return kUtf16Mark + utf16(Taobao5Layout::headerText());
    case FileFormat::TaobaoAssistant:
        return kUtf16Mark + utf16(AssistantFormat::taobao().headerLine());
    // No byte-order mark: a store's importer would take it for part of the first column's name.
    case FileFormat::Shopify:
    case FileFormat::WooCommerce:
        return StoreOutput::header(format).toUtf8();
    case FileFormat::PaiPaiAssistant:
    case FileFormat::EbayAssistant:
        break;
    }
    return encodeGbk(AssistantFormat::forFormat(format).headerLine());
}

bool startsAsOwnOutput(const QString& path, FileFormat format) {
    const QByteArray start = ownOutputStart(format);
    QFile file(path);
    return openRegularFile(file) && file.read(start.size()) == start;
}

Status cutOutputBack(const QString& path, qint64 length) {
    QFile file(path);
    if (!file.exists() || file.size() <= length)
        return Status::success();
    if (!file.open(QIODevice::ReadWrite) || !file.resize(length) || !System::syncFile(file))
        return Status::failure(file.errorString());
    return Status::success();
}
