#pragma once

#include "formats/Taobao5Layout.h"

#include <QString>

#include <array>

// One item of a current-layout Taobao Assistant file, its values as text, quotes removed. A field
// the file does not have is empty.
struct Taobao5Record {
    std::array<QString, Taobao5Layout::kFieldCount> values;

    const QString& operator[](Taobao5Field field) const { return values[static_cast<std::size_t>(field)]; }
    QString& operator[](Taobao5Field field) { return values[static_cast<std::size_t>(field)]; }
};
