#include "formats/SourceEncoding.h"

#include <optional>

namespace SourceEncoding {

namespace {

constexpr qint64 kScanBlock = 1024 * 1024;
constexpr qint64 kPeekLimit = 64 * 1024;

std::optional<Sniffed> byFirstBytes(QByteArrayView start) {
    if (start.startsWith("\xEF\xBB\xBF"))
        return Sniffed{TextEncoding::Utf8, 3};
    if (start.startsWith("\xFF\xFE"))
        return Sniffed{TextEncoding::Utf16LE, 2};
    if (start.startsWith("\xFE\xFF"))
        return Sniffed{TextEncoding::Utf16BE, 2};
    // Some tools leave the mark out; text never holds NUL, so zero bytes in every other place
    // of the first characters tell UTF-16 and its byte order.
    if (start.size() >= 4) {
        const auto zeroAt = [&start](qsizetype i) { return start[i] == '\0'; };
        if (!zeroAt(0) && zeroAt(1) && !zeroAt(2) && zeroAt(3))
            return Sniffed{TextEncoding::Utf16LE, 0};
        if (zeroAt(0) && !zeroAt(1) && zeroAt(2) && !zeroAt(3))
            return Sniffed{TextEncoding::Utf16BE, 0};
    }
    return std::nullopt;
}

// Bytes at the end that start a multi-byte sequence without finishing it.
qsizetype unfinishedTail(QByteArrayView bytes) {
    for (qsizetype back = 1; back <= qMin<qsizetype>(4, bytes.size()); ++back) {
        const auto byte = static_cast<unsigned char>(bytes[bytes.size() - back]);
        if ((byte & 0xC0) == 0x80)
            continue; // continuation byte
        const int length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
        return length > back ? back : 0;
    }
    return 0;
}

bool isValidUtf8(QByteArrayView bytes) {
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString ignored = utf8.decode(bytes);
    Q_UNUSED(ignored);
    return !utf8.hasError();
}

} // namespace

Sniffed sniff(QByteArrayView bytes) {
    if (const auto marked = byFirstBytes(bytes.first(qMin<qsizetype>(4, bytes.size()))))
        return *marked;
    return {isValidUtf8(bytes) ? TextEncoding::Utf8 : TextEncoding::Gbk, 0};
}

Sniffed sniff(QIODevice& device) {
    if (const auto marked = byFirstBytes(device.peek(4)))
        return *marked;
    if (device.isSequential()) {
        const QByteArray start = device.peek(kPeekLimit);
        // The peek may end inside a character that the next bytes finish.
        const qsizetype cut = start.size() == kPeekLimit ? unfinishedTail(start) : 0;
        return sniff(QByteArrayView(start).chopped(cut));
    }

    // Blocks are checked whole; a character cut by a block's end is carried into the next block.
    const qint64 start = device.pos();
    bool valid = true;
    QByteArray carried;
    for (;;) {
        QByteArray block = carried + device.read(kScanBlock);
        if (block.size() == carried.size()) {
            valid = carried.isEmpty();
            break;
        }
        const qsizetype tail = unfinishedTail(block);
        carried = block.right(tail);
        block.chop(tail);
        if (!isValidUtf8(block)) {
            valid = false;
            break;
        }
    }
    device.seek(start);
    return {valid ? TextEncoding::Utf8 : TextEncoding::Gbk, 0};
}

QStringDecoder decoderFor(TextEncoding encoding) {
    switch (encoding) {
    case TextEncoding::Utf16LE:
        return QStringDecoder(QStringConverter::Utf16LE);
    case TextEncoding::Utf16BE:
        return QStringDecoder(QStringConverter::Utf16BE);
    case TextEncoding::Utf8:
        return QStringDecoder(QStringConverter::Utf8);
    case TextEncoding::Gbk:
        break;
    }
    return QStringDecoder("GBK");
}

} // namespace SourceEncoding
