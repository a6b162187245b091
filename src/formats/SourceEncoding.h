#pragma once

#include "base/TextDecoder.h"

#include <QIODevice>
#include <QString>

// The encodings assistant files arrive in: what the assistants wrote, and what sellers' editors
// and spreadsheets re-save them as.
enum class TextEncoding { Utf16LE, Utf16BE, Utf8, Gbk };

namespace SourceEncoding {

struct Sniffed {
    TextEncoding encoding = TextEncoding::Gbk;
    int markLength = 0; // bytes of the byte-order mark to skip
};

// A byte-order mark decides (or, for UTF-16 written without one, the zero bytes of its first
// characters); without one, text that is UTF-8 is UTF-8, even with a few damaged bytes (many
// times more UTF-8 characters than bytes that fit none), and anything else GBK.
// A seekable device is checked to its end (a GBK file may hold only ASCII in its first lines) and
// put back where it was; a sequential one is judged by what can be peeked.
Sniffed sniff(QIODevice& device);
// As sniff(), for bytes already in memory.
Sniffed sniff(QByteArrayView bytes);
TextDecoder decoderFor(TextEncoding encoding);

} // namespace SourceEncoding
