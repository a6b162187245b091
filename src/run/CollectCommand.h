#pragma once

#include "base/Marketplace.h"
#include "base/Status.h"
#include "crawl/ItemTally.h"
#include "crawl/WalkEnd.h"
#include "run/RunState.h"
#include "run/ShopWalkHost.h"
#include "run/WrittenItemSet.h"

#include <QString>

#include <functional>

class AppPaths;
class PageFetcher;
class RowWriter;
class SettingsStore;
class StopSignal;
class WindowInterface;

// The collect command (cmd_go): checks the address and the shop page, starts the run, hands the
// shop's walk its parts, and once the walk has returned writes the rows, moves the breakpoint and
// shows the ending. It owns the run's state, the written-item list and the walk's host, and talks to
// whatever window it was given, so the window, the command line and the tests run the very same
// command. A stop reaches the walk only through the stop signal it was given.
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

    // What the command works with: the program folder's services, owned by whoever runs the
    // command (the engine's worker, or a test) and outliving it.
    struct Services {
        WindowInterface& window;
        const AppPaths& paths;
        SettingsStore& settings;
        PageFetcher& fetcher;
        RowWriter& writer;
        StopSignal& stop; // the run's stop request, thread-safe
    };

    explicit CollectCommand(Services services, Crawlers crawlers = Crawlers::standard());
    CollectCommand(const CollectCommand&) = delete;
    CollectCommand& operator=(const CollectCommand&) = delete;

    // Runs one whole extraction for the address in the window; returns when the crawler has.
    void collect();
    // A breakpoint start-up loaded: the next run of its shop continues it, and uses it up.
    void setResumePoint(const ResumePoint& resume) { m_state.setResume(resume); }

    // What the run works on and how far it got, and the walk's pauses, to read.
    const RunState& state() const { return m_state; }
    const ShopWalkHost& host() const { return m_host; }
    // Tests shorten the politeness pauses with a factor below 1.
    void setPauseScale(double scale) { m_host.setPauseScale(scale); }

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

    WindowInterface& m_window;
    const AppPaths& m_paths;
    SettingsStore& m_settings;
    RowWriter& m_writer;
    StopSignal& m_stop;
    RunState m_state;
    // The items the current run's output file holds; aimed at the file as the run starts.
    WrittenItemSet m_writtenItems;
    ShopWalkHost m_host;
    Crawlers m_crawlers;
    std::function<Status()> m_flush;
    RunSummary m_lastRun;
    bool m_flushFailureReported = false;
    int m_rowsAtStart = 0; // item rows the output file held as the run started (a resumed run's)
};
