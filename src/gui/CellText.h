#pragma once

#include <QString>

// A grid cell as a person reads it: tags gone, entities decoded, line breaks and runs of spaces folded;
// prices with two decimals, other numbers without a zero fraction, a category path as "鞋包 › 女鞋", a
// description cut short.
QString readableCellText(int column, const QString& value);
// Named entities as the parsers decode them, then numeric ones (&#39; &#x4E2D;).
QString decodeHtmlEntities(const QString& text);
// A status as the window shows it: a category path named "鞋包\\\女鞋" reads "鞋包 › 女鞋".
QString readableStatusText(const QString& text);
