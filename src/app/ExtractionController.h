#pragma once

#include "base/Status.h"

#include <functional>

class ExtractionSession;
struct CollectContext;

// The collect command (cmd_go) and the stop command (Cmd_stop). They work on the session's run
// state and talk to whatever window the session was built around, so the window, the command
// line and the tests run the very same commands.
class ExtractionController {
public:
    using Crawler = std::function<void(CollectContext&)>;

    // One crawler per platform (Option1 index order); tests put their own in.
    struct Crawlers {
        Crawler paipai;
        Crawler ebay;
        Crawler taobao;

        static Crawlers standard();
    };

    explicit ExtractionController(ExtractionSession& session, Crawlers crawlers = Crawlers::standard());

    // Runs one whole extraction for the address in the window; returns when the crawler has.
    void collect();
    // Ends the extraction and writes the buffered output. Safe to run several times.
    void stop();

    // How the last collect went, for the command line's exit status.
    struct RunSummary {
        bool started = false;       // the address was accepted and the crawler ran
        bool crawlFailed = false;   // an exception escaped from the crawler
        bool outputPending = false; // output is still buffered after the last stop
    };
    const RunSummary& lastRun() const { return m_lastRun; }

    // Replaces the output writer's flush (tests observe or fail it).
    void setFlushFunction(std::function<Status()> flush) { m_flush = std::move(flush); }

private:
    // Stop without telling the user about a failed write; returns whether the buffer was written.
    bool stopQuietly();
    void applyResumePoint();
    // A resumed run in the current Taobao layout adds rows only to a file of that layout; any
    // other file is refused before it is touched.
    bool canContinueOutput() const;
    void writeBreakPoint(const QString& key, const QString& value);

    ExtractionSession& m_session;
    Crawlers m_crawlers;
    std::function<Status()> m_flush;
    RunSummary m_lastRun;
    bool m_flushFailureReported = false;
};
