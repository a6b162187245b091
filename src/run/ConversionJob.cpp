#include "run/ConversionJob.h"

#include <QElapsedTimer>
#include <QThread>

class ConversionJob::Worker : public QObject {
public:
    explicit Worker(ConversionJob& job) : m_job(job) {}

    void run(const ConversionRequest& request) {
        FormatConverter converter;
        converter.setImageBaseUrl(request.imageBaseUrl);
        converter.setStopSignal(&m_job.m_stop);
        converter.setWarningSink([this](const QString& line) { emit m_job.lineLogged(line); });
        QElapsedTimer sinceReport;
        sinceReport.start();
        converter.setProgress([this, &sinceReport](int converted) {
            if (sinceReport.elapsed() < kProgressIntervalMs)
                return;
            sinceReport.restart();
            emit m_job.progressed(converted);
        });
        const FormatConverter::Result result = converter.run(request.request);
        emit m_job.progressed(result.convertedCount);
        emit m_job.finished(result);
    }

private:
    ConversionJob& m_job;
};

ConversionJob::ConversionJob(QObject* parent)
    : QObject(parent), m_worker(std::make_unique<Worker>(*this)), m_thread(new QThread(this)) {
    qRegisterMetaType<FormatConverter::Result>();
    m_thread->setObjectName(QStringLiteral("conversion"));
    m_worker->moveToThread(m_thread);
    // This object lives on the starting thread: the busy flag is cleared there, in order.
    connect(this, &ConversionJob::finished, this, [this] { m_busy = false; });
    m_thread->start();
}

ConversionJob::~ConversionJob() {
    requestStop();
    m_thread->quit();
    m_thread->wait();
}

void ConversionJob::start(const ConversionRequest& request) {
    if (m_busy)
        return;
    m_busy = true;
    m_stop.reset();
    emit started();
    QMetaObject::invokeMethod(m_worker.get(), [this, request] { m_worker->run(request); });
}

void ConversionJob::requestStop() {
    m_stop.request();
}
