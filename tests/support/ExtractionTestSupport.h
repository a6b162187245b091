#pragma once

#include "crawl/WalkEnd.h"
#include "formats/AssistantFormat.h"
#include "formats/ItemRecord.h"
#include "formats/RowWriter.h"
#include "run/RunState.h"
#include "run/SettingsKeys.h"
#include "run/SettingsStore.h"
#include "run/ShopWalkHost.h"
#include "run/WindowInterface.h"

#include <QStringList>

// A record standing for the item titled title: every other field "0".
inline ItemRecord testRecord(const QString& title) {
    QStringList values(ItemRecord::kFieldCount, QStringLiteral("0"));
    values[0] = title;
    return ItemRecord::fromValues(values);
}

// One item as a walk hands it to the run: numbered number, at address (none: it stands for itself
// by its number); the breakpoint moves past it when movesBreakPoint. False when a stop came first.
inline bool handItem(ShopWalkHost& ctx, ReachedItem item, int number, const QString& address = QString(),
                     bool movesBreakPoint = false) {
    item.number = number;
    item.address = address;
    item.movesBreakPoint = movesBreakPoint;
    return ctx.takeItem(item);
}

// The item parsed into record, shown on the grid as cells (the record's values when none).
inline ReachedItem parsedTestItem(const ItemRecord& record, const QStringList& cells = QStringList()) {
    return ReachedItem::parsedItem({cells.isEmpty() ? record.values() : cells, record});
}

// Puts one item on the grid and into the row writer's buffer, as a walk would: an item of its own,
// numbered after every item emitted so far.
inline void emitTestRow(ShopWalkHost& ctx, const QString& title) {
    static int itemNumber = 0;
    const ItemRecord record = testRecord(title);
    handItem(ctx, parsedTestItem(record), ++itemNumber);
}

// What a test crawl that reads no shop lists to their end hands back.
inline WalkEnd testWalkEnd() {
    WalkEnd end;
    end.kind = WalkEnd::Kind::Stopped;
    return end;
}

// What the row writer buffers for the items titled titles in the Taobao Assistant format (the
// fake window's choice unless a test selects another), or in another of the older layouts.
inline QString testOutput(const QStringList& titles, FileFormat format = FileFormat::TaobaoAssistant) {
    const AssistantLayout& layout = AssistantFormat::forFormat(format);
    QString output = layout.headerLine();
    for (const QString& title : titles)
        layout.appendRow(&output, layout.recordValues(testRecord(title), Platform::PaiPai));
    return output;
}

// Writes the breakpoint section from values in the order BreakPoint, BreakPointFileName,
// BreakPointUrl, BreakPointNum, BreakPointSO, BreakPointOption; "-" leaves a key out.
inline bool writeBreakPointKeys(SettingsStore& settings, const QStringList& values) {
    static const QStringList names{SettingsKeys::kBreakPoint,    SettingsKeys::kBreakPointFileName,
                                   SettingsKeys::kBreakPointUrl, SettingsKeys::kBreakPointNum,
                                   SettingsKeys::kBreakPointSO,  SettingsKeys::kBreakPointOption};
    bool ok = true;
    for (int i = 0; i < values.size() && i < names.size(); ++i) {
        if (values.at(i) != u"-")
            ok = settings.writeValue(SettingsKeys::kSection, names.at(i), values.at(i)) && ok;
    }
    return ok;
}
