#pragma once

#include "base/Status.h"
#include "base/StopSignal.h"
#include "run/CollectCommand.h"
#include "run/RunProgress.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class QThread;
class RowWriter;
class SettingsStore;

// How an engine runs every extraction it is given.
struct RunEngineOptions {
    QString programDir;
    CollectCommand::Crawlers crawlers = CollectCommand::Crawlers::standard();
    // The program folder's settings store, kept by whoever made the engine and shared with its
    // runs; none: the engine keeps its own. It must outlive the engine.
    SettingsStore* settings = nullptr;
    // Scales the walks' pauses; none: as the environment says.
    std::optional<double> pauseScale;
    // Writes the buffered rows in place of the row writer's own flush; runs on the run's thread.
    std::function<Status(RowWriter&)> flush;
};

// What cmd_go hands to a run: the window's choices at the moment it was pressed, and the
// breakpoint loaded at start-up (resumeShopUrl empty when there is none).
struct RunRequest {
    Platform platform = Platform::PaiPai;            // Option1
    FileFormat format = FileFormat::TaobaoAssistant; // Option5
    QString address;
    QString resumeShopUrl;
    int resumeItemNumber = 0;
};

// How a run ended, for the window and the command line.
struct RunOutcome {
    CollectCommand::RunSummary summary;
    int rows = 0;         // grid rows the run added
    int droppedItems = 0; // items whose pages could not be read
    QString outputFile;   // the file the run wrote to
};
Q_DECLARE_METATYPE(RunOutcome)

// Runs extractions on a worker thread of its own with the very controller the tests drive
// directly. Everything the run shows arrives as queued signals carrying values, so the window
// (or the command line's event loop) never waits for the crawl and a message box never pauses
// it. Usage:
//     RunEngine engine(programDir);
//     connect(&engine, &RunEngine::rowAdded, ...);
//     engine.start(request);      // returns at once
//     engine.requestStop();       // from any thread; the run ends within a moment
class RunEngine : public QObject {
    Q_OBJECT

public:
    explicit RunEngine(RunEngineOptions options, QObject* parent = nullptr);
    explicit RunEngine(const QString& programDir,
                       CollectCommand::Crawlers crawlers = CollectCommand::Crawlers::standard(),
                       QObject* parent = nullptr);
    ~RunEngine() override;

    // False while a run is under way (from start until finished has been delivered).
    bool isIdle() const { return !m_busy; }
    // Starts one run; ignored while another is under way.
    void start(const RunRequest& request);
    // Thread-safe. Cuts a pause short and aborts a download in progress.
    void requestStop();

signals:
    void runningChanged(bool running);
    void statusChanged(const QString& text);
    void gridCleared();
    void rowAdded(const QString& key, const QStringList& cells);
    void messageRaised(const QString& text);
    // Whenever the items reached or the shop's total change.
    void progressChanged(const RunProgress& progress);
    // One line of the run's log (RunLog): each page and picture fetched, each status and message.
    void logged(const QString& line);
    void finished(const RunOutcome& outcome);

private:
    class Worker;

    void onFinished(const RunOutcome& outcome);

    StopSignal m_stop;
    std::unique_ptr<Worker> m_worker;
    QThread* m_thread = nullptr;
    bool m_busy = false;
};
