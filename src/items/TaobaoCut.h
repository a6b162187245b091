#pragma once

#include <QString>

// The item page cuts of the Taobao parser. They drop the leading text by deleting every copy of
// it from the page, not just the first one: a page that begins with its own marker loses every
// later copy of that marker too, and the record must come out the same way.
namespace TaobaoCut {

// text without every occurrence of the text up to and including the first marker.
QString after(const QString& text, const QString& marker);
// text without every occurrence of the text before the first marker, so it begins with it.
QString from(const QString& text, const QString& marker);
// text without every occurrence of its first leadingLength characters.
QString dropLeading(const QString& text, qsizetype leadingLength);

} // namespace TaobaoCut
