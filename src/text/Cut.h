#pragma once

#include <QString>

// Cutting text by exact, case-sensitive markers. A cut whose marker is absent throws StepError.
namespace Cut {

// Everything after the first occurrence of marker.
QString after(const QString& text, const QString& marker);
// The item pages' reading of "after": every copy of the text up to and including the first marker
// is deleted, not just the first one, so a page that begins with its marker loses every later copy.
QString afterDroppingLead(const QString& text, const QString& marker);
// The same reading of "from": every copy of the text before the first marker is deleted.
QString fromDroppingLead(const QString& text, const QString& marker);
// text without every occurrence of its first leadLength characters.
QString dropLead(const QString& text, qsizetype leadLength);
// Everything before the first occurrence of marker.
QString before(const QString& text, const QString& marker);
// From the first occurrence of marker on, marker included.
QString from(const QString& text, const QString& marker);
// The characters in reverse order (UTF-16 code units, as the markers are).
QString reverse(const QString& text);
// text with every occurrence of piece deleted in one left-to-right pass.
QString remove(const QString& text, const QString& piece);
// The first n characters; all of text when shorter.
QString left(const QString& text, qsizetype n);
// The last n characters; all of text when shorter.
QString right(const QString& text, qsizetype n);
// Spaces (only U+0020) dropped at both ends.
QString trimSpaces(const QString& text);
// The text after the last occurrence of marker (reverse, before, reverse back).
QString afterLast(const QString& text, const QString& marker);
// Exact, case-sensitive containment.
bool contains(const QString& text, const QString& marker);

} // namespace Cut
