#pragma once

#include <QMetaType>
#include <QtGlobal>

// Where a run stands: the items the walk has reached (those a resume skips included) out of the
// total the shop states, and the time left as far as it can be told.
struct RunProgress {
    int done = 0;
    int total = 0;                // 0 while the shop's total is not known
    qint64 millisecondsLeft = -1; // -1 while it cannot be told

    bool totalKnown() const { return total > 0; }
    // 0 to 100; a walk that counts more items than the shop stated stays at 100.
    int percent() const {
        return totalKnown() ? static_cast<int>(qBound(0LL, done * 100LL / total, 100LL)) : 0;
    }
};
Q_DECLARE_METATYPE(RunProgress)
