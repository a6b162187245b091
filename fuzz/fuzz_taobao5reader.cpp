// A conversion source of any bytes: the kind of file is told, a current-layout Taobao file is read
// to its end, and the same bytes are read as comma- and TAB-separated quoted records.
#include "FuzzSupport.h"

#include "formats/QuotedRecordReader.h"
#include "formats/SourceFormatDetector.h"
#include "formats/Taobao5Reader.h"

#include <QBuffer>

namespace {

void readQuotedRecords(const QByteArray& bytes, QChar separator, QStringConverter::Encoding encoding) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QuotedRecordReader reader(separator);
    reader.start(&buffer, TextDecoder(encoding));
    QString line;
    reader.readRawLine(&line, 4096);
    QStringList fields;
    while (reader.readRecord(&fields)) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = FuzzSupport::asBytes(data, size);
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    const SourceDetection detection = SourceFormatDetector::detect(buffer);
    if (detection.file)
        SourceFormatDetector::mismatchMessage(FileFormat::TaobaoAssistant5, *detection.file);

    Taobao5Reader reader;
    if (reader.open(&buffer)) {
        Taobao5Record record;
        while (reader.readRecord(&record)) {
        }
    }
    readQuotedRecords(bytes, u',', QStringConverter::Utf8);
    readQuotedRecords(bytes, u'\t', QStringConverter::Utf16LE);
    return 0;
}
