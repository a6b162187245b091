#pragma once

#include <QByteArray>
#include <QStringView>

// Code page 936 (GBK) written straight into a byte buffer, the same bytes on every system; one
// '?' for each code point it cannot hold. A caller that keeps the buffer reuses its memory.

// The GBK form of text appended to *out.
void appendGbk(QByteArray* out, QStringView text);

// The GBK form of text cleaned as the converter cleans a field (pairs of spaces removed, '"' made
// '\'', TAB, CR and LF removed, ',' made the full-width comma), appended to *out in one pass.
// With pairedQuotes, text is the inside of a quoted field: each doubled quote stands for one
// quote (one '\''); a quote that is not doubled makes it append nothing and return false.
bool appendCleanGbk(QByteArray* out, QStringView text, bool pairedQuotes);
