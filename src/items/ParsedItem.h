#pragma once

#include "formats/ItemRecord.h"

#include <QStringList>

// One item as the grid shows it and as the row writer receives it. The two differ where the grid
// shows a number formatted that the record keeps as cut.
struct ParsedItem {
    QStringList gridCells;
    ItemRecord record;
};
