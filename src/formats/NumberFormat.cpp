#include "formats/NumberFormat.h"

#include "base/StepError.h"

#include <QByteArray>

#include <charconv>
#include <cmath>
#include <optional>

namespace NumberFormat {

namespace {

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// The text between the surrounding spaces when it follows the grammar, else nothing.
std::optional<QString> numericCore(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == u' ')
        ++begin;
    while (end > begin && text[end - 1] == u' ')
        --end;
    qsizetype i = begin;
    if (i < end && (text[i] == u'+' || text[i] == u'-'))
        ++i;
    int mantissaDigits = 0;
    while (i < end && isDigit(text[i])) {
        ++i;
        ++mantissaDigits;
    }
    if (i < end && text[i] == u'.') {
        ++i;
        while (i < end && isDigit(text[i])) {
            ++i;
            ++mantissaDigits;
        }
    }
    if (mantissaDigits == 0)
        return std::nullopt;
    if (i < end && (text[i] == u'e' || text[i] == u'E')) {
        ++i;
        if (i < end && (text[i] == u'+' || text[i] == u'-'))
            ++i;
        int exponentDigits = 0;
        while (i < end && isDigit(text[i])) {
            ++i;
            ++exponentDigits;
        }
        if (exponentDigits == 0)
            return std::nullopt;
    }
    if (i != end)
        return std::nullopt;
    return text.mid(begin, end - begin);
}

// Whether a number too far from 1 for a double is tiny (rounds to zero) rather than huge: its
// decimal exponent, taken from the first non-zero digit, is negative.
bool isTinyMagnitude(const QByteArray& core) {
    qsizetype i = 0;
    if (i < core.size() && (core[i] == '+' || core[i] == '-'))
        ++i;
    long long position = 0; // decimal exponent of the first non-zero digit, before the exponent part
    bool seenNonZero = false;
    bool afterPoint = false;
    long long integerDigits = 0;
    long long leadingFractionZeros = 0;
    for (; i < core.size() && core[i] != 'e' && core[i] != 'E'; ++i) {
        if (core[i] == '.') {
            afterPoint = true;
            continue;
        }
        if (!seenNonZero && core[i] == '0') {
            if (afterPoint)
                ++leadingFractionZeros;
            continue;
        }
        if (!seenNonZero) {
            seenNonZero = true;
            if (afterPoint)
                position = -(leadingFractionZeros + 1);
        }
        if (!afterPoint)
            ++integerDigits;
    }
    if (!seenNonZero)
        return true;
    if (integerDigits > 0)
        position = integerDigits - 1;
    long long exponent = 0;
    if (i < core.size()) {
        const QByteArray digits = core.mid(i + 1);
        bool ok = false;
        exponent = digits.toLongLong(&ok);
        if (!ok)
            return digits.startsWith('-');
    }
    return position + exponent < 0;
}

} // namespace

bool isNumeric(const QString& text) {
    return numericCore(text).has_value();
}

QString sixDecimals(const QString& text) {
    const std::optional<QString> core = numericCore(text);
    if (!core)
        throw StepError(QStringLiteral("not a number: ") + text);
    QByteArray latin = core->toLatin1();
    // from_chars takes no leading plus sign.
    const char* first = latin.constData() + (latin.startsWith('+') ? 1 : 0);
    const char* last = latin.constData() + latin.size();
    double value = 0.0;
    const auto [ptr, error] = std::from_chars(first, last, value, std::chars_format::general);
    if (error == std::errc::result_out_of_range) {
        if (!isTinyMagnitude(latin))
            throw StepError(QStringLiteral("number out of range: ") + text);
        value = 0.0;
    } else if (error != std::errc() || ptr != last) {
        throw StepError(QStringLiteral("not a number: ") + text);
    }
    return sixDecimals(value);
}

QString sixDecimals(double value) {
    if (!std::isfinite(value))
        throw StepError(QStringLiteral("not a finite number"));
    QString result = QString::number(value, 'f', 6);
    // A value that rounds to zero is written without a sign.
    if (result == QLatin1String("-0.000000"))
        result.remove(0, 1);
    return result;
}

QString zero() {
    return QStringLiteral("0.000000");
}

QString zeroDefault() {
    return QStringLiteral("0") + zero();
}

int wholeNumber(const QString& text) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok)
        throw StepError(QStringLiteral("not a whole number: ") + text);
    return value;
}

} // namespace NumberFormat
