#pragma once

#include "crawl/ItemSink.h"
#include "crawl/PageSource.h"
#include "crawl/ShopWalk.h"
#include "crawl/WalkProgress.h"
#include "run/AppPaths.h"
#include "run/FetchReports.h"
#include "run/ShopPageCheck.h"

#include <QString>
#include <QStringList>

class RunCounters;
struct RunSetup;
class WindowInterface;
class SettingsStore;
class PageFetcher;
class RowWriter;
class StopSignal;
class WrittenItemSet;
struct ItemRecord;

// The run as a shop walk sees it: the page source (the fetcher, the picture folder, the pause),
// the item sink (the written-item list, the grid, the row writer, the breakpoint after each item)
// and the progress (the window). Each page and picture fetched goes out as a report
// (fetchReports) for the run's log. The collect command owns it, starts it for each run and reads
// what the walk left behind once the walk has returned.
class ShopWalkHost final : public PageSource, public ItemSink, public WalkProgress {
public:
    // setup: what the run works on, read; counters: how far the walk got, written here alone.
    ShopWalkHost(const RunSetup& setup, RunCounters& counters, WindowInterface& window,
                 SettingsStore& settings, PageFetcher& fetcher, RowWriter& writer, const AppPaths& paths,
                 StopSignal& stop);

    // The parts a walk of this run works with. The run's marketplace (the row writer's) and its
    // picture folder (named as the output) are fixed from here on.
    ShopWalkInput walkInput(int pauseMs);

    // A new run, whose items the output file holds in writtenItems: everything the last run
    // left behind is forgotten.
    void startRun(WrittenItemSet* writtenItems);
    // The run is over: its item list is the collect command's again.
    void endRun() { m_writtenItems = nullptr; }
    // Tests shorten the politeness pauses with a factor below 1; tests of the program itself set
    // it with the environment variable KESTRUNE_PAUSE_SCALE.
    void setPauseScale(double scale) { m_pauseScale = scale; }
    static double pauseScaleFromEnvironment();
    // Fetches the run's shop page and tells what it is. The page that was checked is the page the
    // walk reads: its fetch of that address takes it instead of asking the site again (once).
    ShopPageCheck::Finding checkShopPage(Platform platform);

    // The first list page that the site said it has not (404, 410) or that came empty, with the
    // reason: a walk that found fewer items than the shop states after one is not complete.
    // Empty while every list page came.
    const QString& unreadListPage() const { return m_unreadListPage; }
    const QString& unreadListPageReason() const { return m_unreadListPageReason; }
    // Fails the walk for this reason, unless it failed already.
    void failWalk(const QString& reason);
    // Why the walk cannot go on; empty while it can.
    const QString& failure() const { return m_failure; }
    bool walkFailed() const { return !m_failure.isEmpty(); }
    // Each page and picture fetched, once its fetch has ended.
    const FetchReports& fetchReports() const { return m_fetchReports; }
    // Messages the walk (and its host) showed: a walk that had to tell the user something did not
    // end complete.
    int messagesShown() const { return m_messagesShown; }
    // Pictures of this run that could not be saved (failed, not a picture, not written).
    int picturesNotSaved() const { return m_picturesNotSaved; }
    // The item whose breakpoint waits for its row to reach the output file (the journal failed
    // and the walk was halted); 0 when none.
    int itemAwaitingOutput() const { return m_itemAwaitingOutput; }
    // For the time-left estimate: the pause last asked for (scaled; -1 before the first) and the
    // time spent pausing so far.
    int lastPauseMs() const { return m_lastPauseMs; }
    qint64 pausedMs() const { return m_pausedMs; }

    // Writes a key of the breakpoint section.
    bool writeBreakPoint(const QString& key, const QString& value);

    // PageSource
    QString fetchPage(const QString& address) override;
    QString fetchPageUtf8(const QString& address) override;
    // A page the site answered, or said it has not (404, 410: a list that ends there), is the
    // walk's to read. Anything else fails the walk once: a login or verification demand (401,
    // 403, 429, or such a page sent with 200), or, naming the address, no answer at all, a
    // time-out, a refused redirect or a server's or proxy's error.
    QString fetchWalkPage(const QString& address, Encoding encoding) override;
    // The user's stop, or a halt of the run's own (the journal failed).
    bool stopRequested() override;
    QString downloadPicture(const QString& address, const QString& fileName) override;
    // Pauses for milliseconds times the pause scale; a stop cuts it short.
    void pause(int milliseconds) override;

    // ItemSink
    bool isItemWritten(const QString& key) const override;
    // A dropped item is named on the status line with the reason, once per item. When the journal
    // fails as the breakpoint moves, the user is told and the walk is halted; BreakPointNum waits
    // for the rows to reach the output file (itemAwaitingOutput).
    bool takeItem(const ReachedItem& item) override;

    // WalkProgress
    void setStatusText(const QString& text) override;
    void showMessage(const QString& text) override;
    void reportShopTotal(int total) override;

private:
    // Reports an item page's fetch; fails the walk when the site demanded a login or
    // verification, by the status or by the page's content, and the text is then no page to read
    // (empty).
    QString readItemPage(const FetchedPage& page);
    // The grid row, the row writer, the count and the written-item list.
    void writeItem(const ParsedItem& item, int itemNumber, const QString& key);
    // Rows of items up to itemNumber are made durable, then BreakPointNum is written.
    void recordItemReached(int itemNumber);
    void noteUnreadListPage(const QString& address, const QString& reason);

    const RunSetup& m_setup;
    RunCounters& m_counters;
    WindowInterface& m_window;
    SettingsStore& m_settings;
    PageFetcher& m_fetcher;
    RowWriter& m_writer;
    const AppPaths& m_paths;
    StopSignal& m_stop;
    WrittenItemSet* m_writtenItems = nullptr;
    double m_pauseScale = pauseScaleFromEnvironment();
    FetchReports m_fetchReports;
    // Fixed as the walk starts (walkInput).
    Platform m_platform = Platform::Taobao;
    QString m_pictureFolder;

    QString m_failure;
    bool m_halted = false;
    int m_itemAwaitingOutput = 0;
    QString m_unreadListPage;
    QString m_unreadListPageReason;
    int m_picturesNotSaved = 0;
    int m_gridRows = 0; // rows this run put on the grid
    int m_messagesShown = 0;
    // The last page fetched, and why it failed: what a dropped item's page came as.
    QString m_lastPageAddress;
    FetchFailure m_lastPageFailure = FetchFailure::None;
    int m_lastPauseMs = -1;
    qint64 m_pausedMs = 0;
    QString m_shopPageAddress;
    QString m_shopPage;
};
