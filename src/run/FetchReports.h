#pragma once

#include "web/PageFetcher.h"

#include <QObject>
#include <QTime>

Q_DECLARE_METATYPE(FetchReport)

// The pages and pictures a run fetched, each sent as a value once its fetch has ended, for
// whoever keeps the run's log: the engine words them (RunLog::fetchLine) on the thread that shows
// them, so the walk's thread spends nothing on the log.
class FetchReports : public QObject {
    Q_OBJECT

signals:
    void fetched(const QTime& at, const FetchReport& report);
};
