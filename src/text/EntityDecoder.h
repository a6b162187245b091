#pragma once

#include <QString>

// The 37 named entities of titles and descriptions, decoded by plain replacements in a fixed
// order (not a general HTML decoder: "&amp;nbsp;" is decoded twice on purpose).
QString decodeNamedEntities(const QString& zstr);

// Decimal and hexadecimal character references ("&#39;", "&#x4e2d;") decoded; a reference to no
// character (a surrogate, zero, past U+10FFFF) or without its semicolon stays as written.
QString decodeNumericReferences(const QString& text);
