#pragma once

#include "app/CollectContext.h"
#include "app/RunState.h"
#include "app/SettingsKeys.h"
#include "app/SettingsStore.h"
#include "app/WindowInterface.h"
#include "formats/ItemRecord.h"

#include <QStringList>

// Puts one item on the grid and into the buffer (a header line first), as a parser and the row
// writer would, without the real formats.
inline void emitTestRow(CollectContext& ctx, const QString& title) {
    QStringList cells(ItemRecord::kFieldCount, QStringLiteral("0"));
    cells[0] = title;
    ShowGridRow(ctx.window, cells);
    if (!ctx.state.headerWritten)
        ctx.state.outputBuffer += QStringLiteral("header\n");
    ctx.state.outputBuffer += title + u'\n';
    ctx.state.headerWritten = true;
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
            ok = settings.WriteIniValue(SettingsKeys::kSection, names.at(i), values.at(i)) && ok;
    }
    return ok;
}
