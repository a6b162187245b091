#pragma once

#include <QString>

// The 37 named entities of titles and descriptions, decoded by plain replacements in a fixed
// order (not a general HTML decoder: "&amp;nbsp;" is decoded twice on purpose).
QString decodeNamedEntities(const QString& zstr);
