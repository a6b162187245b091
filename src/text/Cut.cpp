#include "text/Cut.h"

#include "base/StepError.h"

#include <algorithm>

namespace Cut {

namespace {
qsizetype find(const QString& text, const QString& marker) {
    if (marker.isEmpty())
        return -1;
    return text.indexOf(marker, 0, Qt::CaseSensitive);
}

[[noreturn]] void missing(const QString& marker) {
    throw StepError(QStringLiteral("marker not found: ") + marker);
}
} // namespace

QString after(const QString& text, const QString& marker) {
    const qsizetype at = find(text, marker);
    if (at < 0)
        missing(marker);
    return text.mid(at + marker.size());
}

QString before(const QString& text, const QString& marker) {
    const qsizetype at = find(text, marker);
    if (at < 0)
        missing(marker);
    return text.left(at);
}

QString from(const QString& text, const QString& marker) {
    const qsizetype at = find(text, marker);
    if (at < 0)
        missing(marker);
    return text.mid(at);
}

QString dropLead(const QString& text, qsizetype leadLength) {
    if (leadLength <= 0)
        return text;
    const QString lead = text.left(leadLength);
    // The first copy sits at the start; the rest of the single left-to-right pass follows it.
    QString rest = text.mid(leadLength);
    rest.remove(lead, Qt::CaseSensitive);
    return rest;
}

QString afterDroppingLead(const QString& text, const QString& marker) {
    const qsizetype at = find(text, marker);
    if (at < 0)
        missing(marker);
    return dropLead(text, at + marker.size());
}

QString fromDroppingLead(const QString& text, const QString& marker) {
    const qsizetype at = find(text, marker);
    if (at < 0)
        missing(marker);
    return dropLead(text, at);
}

QString reverse(const QString& text) {
    QString result = text;
    std::reverse(result.begin(), result.end());
    return result;
}

QString remove(const QString& text, const QString& piece) {
    if (piece.isEmpty())
        return text;
    QString result = text;
    result.remove(piece, Qt::CaseSensitive);
    return result;
}

QString left(const QString& text, qsizetype n) {
    return text.left(std::max<qsizetype>(n, 0));
}

QString right(const QString& text, qsizetype n) {
    return text.right(std::max<qsizetype>(n, 0));
}

QString trimSpaces(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin) == u' ')
        ++begin;
    while (end > begin && text.at(end - 1) == u' ')
        --end;
    return text.mid(begin, end - begin);
}

QString afterLast(const QString& text, const QString& marker) {
    return reverse(before(reverse(text), reverse(marker)));
}

bool contains(const QString& text, const QString& marker) {
    return find(text, marker) >= 0;
}

} // namespace Cut
