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

// Well-formed multi-byte UTF-8 characters and bytes that fit no UTF-8 character.
struct Utf8Tally {
    qint64 characters = 0;
    qint64 strays = 0;

    void add(QByteArrayView bytes) {
        const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
        const qsizetype size = bytes.size();
        for (qsizetype i = 0; i < size;) {
            const unsigned char lead = data[i];
            if (lead < 0x80) {
                ++i;
                continue;
            }
            const int length = lead >= 0xC2 && lead <= 0xDF   ? 2
                               : lead >= 0xE0 && lead <= 0xEF ? 3
                               : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                              : 0;
            bool wellFormed = length > 0 && i + length <= size;
            for (int k = 1; wellFormed && k < length; ++k)
                wellFormed = (data[i + k] & 0xC0) == 0x80;
            // Overlong forms and surrogates are no characters either.
            if (wellFormed && length == 3)
                wellFormed = !(lead == 0xE0 && data[i + 1] < 0xA0) && !(lead == 0xED && data[i + 1] >= 0xA0);
            if (wellFormed && length == 4)
                wellFormed = !(lead == 0xF0 && data[i + 1] < 0x90) && !(lead == 0xF4 && data[i + 1] >= 0x90);
            if (wellFormed) {
                ++characters;
                i += length;
            } else {
                ++strays;
                ++i;
            }
        }
    }

    // GBK text only now and then forms a UTF-8 character by chance, far fewer than its stray bytes;
    // UTF-8 with a few damaged bytes has many times more characters than strays. Such a file stays
    // UTF-8, its damaged bytes become U+FFFD, rather than all its text turning into other
    // characters.
    bool isUtf8() const { return strays == 0 || characters >= kCharactersPerStray * strays; }

    static constexpr qint64 kCharactersPerStray = 8;
};

} // namespace

Sniffed sniff(QByteArrayView bytes) {
    if (const auto marked = byFirstBytes(bytes.first(qMin<qsizetype>(4, bytes.size()))))
        return *marked;
    Utf8Tally tally;
    tally.add(bytes);
    return {tally.isUtf8() ? TextEncoding::Utf8 : TextEncoding::Gbk, 0};
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

    // The whole file is counted; a character cut by a block's end is carried into the next block.
    const qint64 start = device.pos();
    Utf8Tally tally;
    QByteArray carried;
    for (;;) {
        QByteArray block = carried + device.read(kScanBlock);
        if (block.size() == carried.size()) {
            tally.add(carried);
            break;
        }
        const qsizetype tail = unfinishedTail(block);
        carried = block.right(tail);
        block.chop(tail);
        tally.add(block);
    }
    device.seek(start);
    return {tally.isUtf8() ? TextEncoding::Utf8 : TextEncoding::Gbk, 0};
}

TextDecoder decoderFor(TextEncoding encoding) {
    switch (encoding) {
    case TextEncoding::Utf16LE:
        return TextDecoder(QStringConverter::Utf16LE);
    case TextEncoding::Utf16BE:
        return TextDecoder(QStringConverter::Utf16BE);
    case TextEncoding::Utf8:
        return TextDecoder(QStringConverter::Utf8);
    case TextEncoding::Gbk:
        break;
    }
    return TextDecoder::gbk();
}

} // namespace SourceEncoding
