#pragma once

#include "base/StopSignal.h"
#include "formats/FormatConverter.h"

#include <QObject>
#include <QString>

#include <memory>

class QThread;

// What the conversion panel hands to a conversion: the request and the store targets' address of
// pictures known only as files.
struct ConversionRequest {
    FormatConverter::Request request;
    QString imageBaseUrl;
};

Q_DECLARE_METATYPE(FormatConverter::Result)

// Runs conversions on a worker thread of its own, beside a running extraction, so a large file
// never holds up the window. What it tells arrives as queued signals carrying values. Usage:
//     ConversionJob job;
//     connect(&job, &ConversionJob::finished, ...);
//     job.start(request);   // returns at once
//     job.requestStop();    // from any thread; the save path stays as it was
class ConversionJob : public QObject {
    Q_OBJECT

public:
    explicit ConversionJob(QObject* parent = nullptr);
    ~ConversionJob() override;

    // False from start until finished has been delivered.
    bool isIdle() const { return !m_busy; }
    // Starts one conversion; ignored while another is under way.
    void start(const ConversionRequest& request);
    // Thread-safe.
    void requestStop();

    // The least time between two progress reports: a fast source would flood the window's queue.
    static constexpr int kProgressIntervalMs = 100;

signals:
    void started();
    // The items converted so far, now and then and once at the end.
    void progressed(int converted);
    // A line for the log: what of the conversion did not come through whole. Before finished.
    void lineLogged(const QString& line);
    void finished(const FormatConverter::Result& result);

private:
    class Worker;

    StopSignal m_stop;
    std::unique_ptr<Worker> m_worker;
    QThread* m_thread = nullptr;
    bool m_busy = false;
};
