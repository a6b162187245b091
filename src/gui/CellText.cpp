#include "gui/CellText.h"

#include "web/EntityDecoder.h"
#include "web/TextHelpers.h"

namespace {

// Enough of a description to recognise it; the whole of it is in the output file.
constexpr qsizetype kDescriptionChars = 120;

QString decodeNumericEntities(const QString& text) {
    if (!text.contains(QStringLiteral("&#")))
        return text;
    QString result;
    result.reserve(text.size());
    qsizetype i = 0;
    while (i < text.size()) {
        const qsizetype start = text.indexOf(QStringLiteral("&#"), i);
        if (start < 0) {
            result += QStringView(text).mid(i);
            break;
        }
        result += QStringView(text).mid(i, start - i);
        const qsizetype end = text.indexOf(u';', start);
        const bool hex =
            start + 2 < text.size() && (text.at(start + 2) == u'x' || text.at(start + 2) == u'X');
        const qsizetype digitsAt = start + (hex ? 3 : 2);
        bool ok = false;
        const uint code = end > digitsAt && end - digitsAt <= 8
                              ? QStringView(text).mid(digitsAt, end - digitsAt).toUInt(&ok, hex ? 16 : 10)
                              : 0;
        // Only a real character is decoded: no NUL, no surrogate half, nothing past Unicode.
        if (ok && code > 0 && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF)) {
            const char32_t character = code;
            result += QString::fromUcs4(&character, 1);
            i = end + 1;
        } else {
            result += u'&';
            i = start + 1;
        }
    }
    return result;
}

QString foldedSpaces(const QString& text) {
    QString result = text;
    for (QChar& c : result) {
        if (c == u'\t' || c == u'\r' || c == u'\n' || c == QChar(0x00A0))
            c = u' ';
    }
    return result.simplified();
}

} // namespace

QString unquotedValue(const QString& value) {
    if (value.size() >= 2 && value.startsWith(u'"') && value.endsWith(u'"'))
        return value.mid(1, value.size() - 2);
    return value;
}

QString decodeHtmlEntities(const QString& text) {
    if (!text.contains(u'&'))
        return text;
    return decodeNumericEntities(decodeNamedEntities(text));
}

QString readableCellText(int column, const QString& value) {
    QString text = unquotedValue(value);
    if (column == GridColumn::kDescription) {
        // Tags first, so that a decoded "&lt;" is not taken for one.
        text = foldedSpaces(decodeHtmlEntities(stripTags(text)));
        if (text.size() > kDescriptionChars)
            text = text.left(kDescriptionChars) + QChar(0x2026);
        return text;
    }
    return foldedSpaces(decodeHtmlEntities(text));
}
