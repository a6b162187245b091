#include "run/RunEngine.h"

#include "formats/RowWriter.h"
#include "run/AppPaths.h"
#include "run/FetchReports.h"
#include "run/RunLog.h"
#include "run/SettingsStore.h"
#include "run/TimeLeftEstimate.h"
#include "run/WindowInterface.h"
#include "web/PageFetcher.h"

#include <QElapsedTimer>
#include <QThread>
#include <QTime>

// The window as a run on the worker sees it: the choices are the request's, and everything shown
// becomes a signal of the engine. A requested stop reaches the walk through the engine's stop
// signal. The worker owns the run's services and hands them to the collect command it runs.
class RunEngine::Worker : public QObject, public WindowInterface {
public:
    Worker(RunEngine& engine, RunEngineOptions options)
        : m_engine(engine), m_paths(options.programDir),
          m_ownSettings(options.settings ? nullptr : std::make_unique<SettingsStore>(m_paths.settingsFile())),
          m_settings(options.settings ? *options.settings : *m_ownSettings), m_fetcher({}, &engine.m_stop),
          m_controller({*this, m_paths, m_settings, m_fetcher, m_writer, engine.m_stop},
                       std::move(options.crawlers)) {
        if (options.pauseScale)
            m_controller.setPauseScale(*options.pauseScale);
        if (options.flush)
            m_controller.setFlushFunction(
                [this, flush = std::move(options.flush)] { return flush(m_writer); });
        // Worded where the log is shown, in the order the run sent it all.
        QObject::connect(&m_controller.host().fetchReports(), &FetchReports::fetched, &m_engine,
                         [&engine](const QTime& at, const FetchReport& report) {
                             emit engine.logged(RunLog::fetchLine(at, report));
                         });
    }

    void run(const RunRequest& request) {
        m_request = request;
        m_rows = 0;
        if (!request.resumeShopUrl.isEmpty())
            m_controller.setResumePoint({request.resumeShopUrl, request.resumeItemNumber});
        startProgress();
        m_controller.collect();
        RunOutcome outcome;
        outcome.summary = m_controller.lastRun();
        m_complete = outcome.summary.ending == CollectCommand::Ending::Complete;
        reportProgress();
        outcome.droppedItems = outcome.summary.counts.dropped;
        outcome.rows = m_rows;
        outcome.outputFile =
            m_paths.outputFile(m_controller.state().setup().outputBaseName, RunSetup::outputExtension());
        if (outcome.summary.started)
            log(RunLog::Kind::Summary,
                RunLog::summaryText(outcome.summary.itemsInFile, outcome.summary.counts.dropped));
        emit m_engine.finished(outcome);
    }

    // Network objects belong to the thread that made them; they go before the thread does.
    void releaseThreadResources() { m_fetcher.releaseConnections(); }

    Platform selectedPlatform() const override { return m_request.platform; }
    FileFormat selectedFormat() const override { return m_request.format; }
    void selectPlatform(Platform platform) override { m_request.platform = platform; }
    void selectFormat(FileFormat format) override { m_request.format = format; }
    QString addressText() const override { return m_request.address; }
    void setAddressText(const QString& text) override { m_request.address = text; }
    void setRunning(bool running) override { emit m_engine.runningChanged(running); }
    void setStatusText(const QString& text) override {
        emit m_engine.statusChanged(text);
        log(RunLog::Kind::Status, text);
        reportProgress();
    }
    void clearGrid() override {
        m_rows = 0;
        emit m_engine.gridCleared();
    }
    int gridRowCount() const override { return m_rows; }
    void addGridRow(const QString& key, const QStringList& cells) override {
        ++m_rows;
        emit m_engine.rowAdded(key, cells);
        reportProgress();
    }
    void showMessage(const QString& text) override {
        emit m_engine.messageRaised(text);
        log(RunLog::Kind::Message, text);
    }
    // Nothing is asked during a run.
    bool askYesNo(const QString&) override { return false; }

private:
    void log(RunLog::Kind kind, const QString& text) {
        emit m_engine.logged(RunLog::line(QTime::currentTime(), kind, text));
    }

    // A run knows no total until its walk has read the shop's, and has reached no item (the collect
    // command clears the counters and the host its last pause as the run starts).
    void startProgress() {
        m_progress = {};
        m_complete = false;
        m_clock.start();
        m_estimate.start(0, m_controller.host().pausedMs());
    }

    // The walk's counters, read whenever it shows something; a report goes out when they moved.
    // Done is the items found, each once; the total grows to them when the shop stated fewer, and
    // a complete run is all done even when its lists held fewer than the shop stated.
    void reportProgress() {
        const RunCounters& counters = m_controller.state().counters();
        const ShopWalkHost& ctx = m_controller.host();
        const int done = counters.counts().found;
        const int total = m_complete ? done : counters.progressTotal();
        if (ctx.lastPauseMs() >= 0)
            m_estimate.setPauseMs(ctx.lastPauseMs());
        m_estimate.reached(done, m_clock.elapsed(), ctx.pausedMs());
        if (done == m_progress.done && total == m_progress.total)
            return;
        m_progress = {done, total, m_complete ? 0 : m_estimate.millisecondsLeft(done, total)};
        emit m_engine.progressChanged(m_progress);
    }

    RunEngine& m_engine;
    AppPaths m_paths;
    std::unique_ptr<SettingsStore> m_ownSettings;
    SettingsStore& m_settings; // the folder's one store, shared or the worker's own
    PageFetcher m_fetcher;
    RowWriter m_writer;
    CollectCommand m_controller;
    RunRequest m_request;
    int m_rows = 0;
    RunProgress m_progress;
    bool m_complete = false; // the run ended complete: its progress is whole
    TimeLeftEstimate m_estimate;
    QElapsedTimer m_clock;
};

RunEngine::RunEngine(const QString& programDir, CollectCommand::Crawlers crawlers, QObject* parent)
    : RunEngine(RunEngineOptions{programDir, std::move(crawlers), nullptr, std::nullopt, {}}, parent) {}

RunEngine::RunEngine(RunEngineOptions options, QObject* parent)
    : QObject(parent), m_worker(std::make_unique<Worker>(*this, std::move(options))),
      m_thread(new QThread(this)) {
    qRegisterMetaType<RunOutcome>();
    qRegisterMetaType<RunProgress>();
    qRegisterMetaType<FetchReport>();
    m_thread->setObjectName(QStringLiteral("extraction"));
    m_worker->moveToThread(m_thread);
    connect(this, &RunEngine::finished, this, &RunEngine::onFinished);
    m_thread->start();
}

RunEngine::~RunEngine() {
    requestStop();
    QMetaObject::invokeMethod(
        m_worker.get(), [this] { m_worker->releaseThreadResources(); }, Qt::BlockingQueuedConnection);
    m_thread->quit();
    m_thread->wait();
}

void RunEngine::start(const RunRequest& request) {
    if (m_busy)
        return;
    m_busy = true;
    m_stop.reset();
    QMetaObject::invokeMethod(m_worker.get(), [this, request] { m_worker->run(request); });
}

void RunEngine::requestStop() {
    m_stop.request();
}

void RunEngine::onFinished(const RunOutcome&) {
    m_busy = false;
}
