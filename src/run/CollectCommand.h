#pragma once

#include "base/Marketplace.h"
#include "base/Status.h"
#include "crawl/ItemTally.h"
#include "crawl/WalkEnd.h"

#include <QString>

#include <functional>

class ExtractionSession;
class ShopWalkHost;

// The collect command (cmd_go): checks the address and the shop page, starts the run, hands the
// shop's walk its parts, and once the walk has returned writes the rows, moves the breakpoint and
// shows the ending. It works on the session's run state and talks to whatever window the session
// was built around, so the window, the command line and the tests run the very same command. A stop
// reaches the walk only through the session's stop signal.
class CollectCommand {
public:
    using Crawler = std::function<WalkEnd(ShopWalkHost&)>;
    // Looks at the shop page before anything is recorded; a failure names what is wrong.
    using ShopCheck = std::function<Status(ShopWalkHost&, Platform)>;

    // One crawler per platform; tests put their own in.
    struct Crawlers {
        Crawler paipai;
        Crawler ebay;
        Crawler taobao;
        ShopCheck shopCheck = {};

        static Crawlers standard();
    };

    explicit CollectCommand(ExtractionSession& session, Crawlers crawlers = Crawlers::standard());

    // Runs one whole extraction for the address in the window; returns when the crawler has.
    void collect();

    enum class Ending {
        NotStarted, // address refused, or the shop page was not a shop
        Complete,   // walked to its end: the breakpoint is cleared
        Stopped,    // the user stopped it: resumable
        Failed,     // something went wrong on the way: resumable, and the user was told
    };

    // How the last collect went, for the window's status line and the command line's exit status.
    struct RunSummary {
        bool started = false;       // the address was accepted and the crawler ran
        bool crawlFailed = false;   // an exception escaped from the crawler
        bool outputPending = false; // output is still buffered after the last stop
        bool failed = false;        // the run could not do its work (a message says why)
        Ending ending = Ending::NotStarted;
        int itemsInFile = 0;        // item rows the output file holds
        ItemTally::Counts counts{}; // the run's items: found, written, already in the file, dropped
        QString endingText;         // the status line the run ended with
    };
    const RunSummary& lastRun() const { return m_lastRun; }

    // Replaces the output writer's flush (tests observe or fail it).
    void setFlushFunction(std::function<Status()> flush) { m_flush = std::move(flush); }

private:
    // Ends the run and writes the buffered output, telling the user once when it cannot.
    void stop();
    // Stop without telling the user about a failed write; returns whether the buffer was written.
    bool stopQuietly();
    // Whether this run is of the shop whose breakpoint was loaded.
    bool continuesBreakPoint() const;
    // Uses the loaded breakpoint up: a resumed run appends, any other starts from item 1.
    void takeResumePoint(bool resumed);
    void writeBreakPoint(const QString& key, const QString& value);
    // Refuses (with a message) before anything is written when the run cannot start.
    bool refuseAddress(Platform platform);
    bool refuseResumedFile(bool resumed, FileFormat format);
    bool refuseUntrustedList(bool resumed, FileFormat format);
    bool refuseShopPage(Platform platform);
    void recordRunStart(Platform platform, FileFormat format, bool resumed);
    void finishRun(bool crawlThrew, const WalkEnd& end, int messagesBefore);

    ExtractionSession& m_session;
    Crawlers m_crawlers;
    std::function<Status()> m_flush;
    RunSummary m_lastRun;
    bool m_flushFailureReported = false;
    int m_rowsAtStart = 0; // item rows the output file held as the run started (a resumed run's)
};
