#pragma once

#include "text/Cut.h"

#include <QString>

// The item pages of all three sites read "after" and "from" by deleting every copy of the text
// they drop, not just the first one; the shop walks use the plain reading of web/Cut.h.
namespace ItemPageCut {

inline QString after(const QString& text, const QString& marker) {
    return Cut::afterDroppingLead(text, marker);
}

inline QString from(const QString& text, const QString& marker) {
    return Cut::fromDroppingLead(text, marker);
}

} // namespace ItemPageCut
