#include "text/TextHelpers.h"

#include "base/StepError.h"
#include "text/Cut.h"

#include <QRegularExpression>
#include <QStringDecoder>

namespace {

// Shared by the three extractors: every copy of the text up to and including the first marker is
// removed, and the value is what precedes the next apostrophe.
QString extractValue(const QString& fragment, const QString& marker) {
    const QString rest = Cut::afterDroppingLead(fragment, marker);
    const qsizetype end = rest.indexOf(u'\'');
    if (end < 0)
        throw StepError(QStringLiteral("no closing apostrophe after ") + marker);
    return rest.left(end);
}

QString extractPicture(const QString& fragment, int mode, const QString& thumbnailSuffix) {
    if (mode == 0)
        return extractValue(fragment, QStringLiteral("href='"));
    QString value = extractValue(fragment, QStringLiteral("src='"));
    return value.replace(thumbnailSuffix, QStringLiteral(".jpg"));
}

} // namespace

QString cleanPageText(const QString& text) {
    QString result = text;
    result.replace(QStringLiteral("  "), QString());
    result.replace(u'"', u'\'');
    // TAB, CR and LF go, and with them every other control character: a page must not reach a
    // terminal with escape sequences or an output file with NUL bytes.
    result.removeIf([](QChar c) {
        const char16_t unit = c.unicode();
        return unit < 0x20 || (unit >= 0x7F && unit <= 0x9F);
    });
    return result;
}

QString cleanFieldText(const QString& text) {
    QString result = cleanPageText(text);
    result.replace(u',', QChar(0xFF0C));
    return result;
}

QString quoted(const QString& text) {
    return u'"' + text + u'"';
}

QString stripTags(const QString& text) {
    // PCRE's "." matches a carriage return; a tag must not reach across either kind of line break.
    static const QRegularExpression anyTag(QStringLiteral("(<[^\\r\\n]*?>)"),
                                           QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression closingTag(QStringLiteral("(</[^\\r\\n]*?>)"),
                                               QRegularExpression::CaseInsensitiveOption);
    QString result = text;
    result.replace(anyTag, QString());
    result.replace(closingTag, QString());
    return result;
}

QString extractHref(const QString& fragment) {
    return extractValue(fragment, QStringLiteral("href='"));
}

QString extractLinkOrPictureSum(const QString& fragment, int mode) {
    return extractPicture(fragment, mode, QStringLiteral(".jpg_sum.jpg"));
}

QString extractLinkOrPictureMedium(const QString& fragment, int mode) {
    return extractPicture(fragment, mode, QStringLiteral(".jpg_m.jpg"));
}

QString decodeUtf8(const QByteArray& bytes) {
    const qsizetype zero = bytes.indexOf('\0');
    const QByteArray text = zero < 0 ? bytes : bytes.left(zero);
    // A leading byte-order mark stays in the text as U+FEFF, as the system conversion leaves it.
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
    return decoder.decode(text);
}
