#include "items/TaobaoCut.h"

#include "web/StepError.h"

namespace TaobaoCut {

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

QString dropLeading(const QString& text, qsizetype leadingLength) {
    if (leadingLength <= 0)
        return text;
    const QString leading = text.left(leadingLength);
    // The first copy sits at the start; the rest of the single left-to-right pass follows it.
    QString rest = text.mid(leadingLength);
    rest.remove(leading, Qt::CaseSensitive);
    return rest;
}

QString after(const QString& text, const QString& marker) {
    const qsizetype at = find(text, marker);
    if (at < 0)
        missing(marker);
    return dropLeading(text, at + marker.size());
}

QString from(const QString& text, const QString& marker) {
    const qsizetype at = find(text, marker);
    if (at < 0)
        missing(marker);
    return dropLeading(text, at);
}

} // namespace TaobaoCut
