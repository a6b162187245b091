#pragma once

#include "app/AppPaths.h"
#include "crawl/CrawlHost.h"

#include <QString>
#include <QStringList>

#include <functional>

struct RunState;
class WindowInterface;
class SettingsStore;
class PageFetcher;
class RowWriter;
class StopSignal;
class WrittenItemSet;
struct ItemRecord;

// What a shop walk works with during a real run: the run state, the window, the settings file,
// the fetcher and the row writer. Built by ExtractionSession; tests may build their own with fakes.
struct CollectContext : CrawlHost {
    CollectContext(RunState& state, WindowInterface& window, SettingsStore& settings, PageFetcher& fetcher,
                   RowWriter& writer, const AppPaths& paths)
        : state(state), window(window), settings(settings), fetcher(fetcher), writer(writer), paths(paths) {}

    RunState& state;
    WindowInterface& window;
    SettingsStore& settings;
    PageFetcher& fetcher;
    RowWriter& writer;
    const AppPaths& paths;
    // Tests shorten the politeness pauses with a factor below 1; tests of the program itself set
    // it with the environment variable KESTRUNE_PAUSE_SCALE.
    double pauseScale = pauseScaleFromEnvironment();
    // The stop command (Cmd_stop) that walks run at the end of their walk; set by the controller.
    std::function<void()> stopCommand;
    // The thread-safe stop request of the run, when there is one; it cuts a pause short.
    StopSignal* stopSignal = nullptr;

    // Runs the stop command (or just raises the stop flag when no controller is attached).
    void stop();
    // Writes a key of the breakpoint section.
    bool writeBreakPoint(const QString& key, const QString& value);

    QString shopAddress() const override;
    QString fetchPage(const QString& address) override;
    QString fetchPageUtf8(const QString& address) override;
    // A page the site answered, or said it has not (404, 410: a list that ends there), is the
    // walk's to read. Anything else fails the run once (walkFailure): a login or verification
    // demand (401, 403, 429, or such a page sent with 200), or, naming the address, no answer at
    // all, a time-out, a refused redirect or a server's or proxy's error.
    QString fetchWalkPage(const QString& address, PageEncoding encoding) override;
    bool walkFailed() const override { return !walkFailure.isEmpty(); }
    // The first list page that the site said it has not (404, 410) or that came empty, with the
    // reason: a walk that found fewer items than the shop states after one is not complete.
    // Empty while every list page came.
    QString unreadListPage;
    QString unreadListPageReason;
    // The shop page as the check before the walk read it: the walk's fetch of that address takes
    // it instead of asking the site again (once). A run forgets it as it starts.
    void keepShopPage(const QString& address, const QString& text);
    void forgetShopPage();
    // Why the walk could not go on (Messages::networkFailed); empty while it can.
    QString walkFailure;
    static double pauseScaleFromEnvironment();

    // The window's turn to run its events; a stop pressed meanwhile is seen here.
    bool stopRequested() override;
    QString downloadPicture(const QString& address, const QString& fileName) override;
    // Pictures of this run that could not be saved (failed, not a picture, not written).
    int picturesNotSaved = 0;
    QString picturePath(const QString& fileName) const override;
    // Pauses for milliseconds times pauseScale, running the window's events.
    void pause(int milliseconds) override;
    // For the time-left estimate: the pause last asked for (scaled; -1 before the first) and the
    // time spent pausing so far.
    int itemPauseMs = -1;
    qint64 pausedMs = 0;
    bool downloadsCut() const override;
    bool recordsBreakPoints() const override;
    bool emitItem(const QStringList& gridCells, const ItemRecord& record, int itemNumber) override;
    // Rows of items up to itemNumber are made durable, then BreakPointNum is written. When the
    // journal failed, the user is told, the run stops, and BreakPointNum moves only if the stop
    // wrote the rows to the output file.
    void recordItemReached(int itemNumber) override;
    // Logged on the status line, naming the item's address and the reason, once per item.
    void itemDropped(DropReason reason) override;
    void markShopComplete() override;
    void finish() override;
    void setStatusText(const QString& text) override;
    void showMessage(const QString& text) override;
    void reportShopTotal(int total) override;
    void reportListsRead() override;

    // Each item once per shop: the items the output file already holds, set by the collect
    // command for its run (null outside a run).
    WrittenItemSet* writtenItems = nullptr;
    // Asked by the item loop before it fetches an item page: true when the output already holds
    // the item, which is then counted as reached but neither fetched, written nor paused for.
    bool isItemWritten(const QString& itemAddress) const override;
    // The item is found (counted once however many lists name it) and the next calls are its; a
    // cell without an address stands for its item by its number, which stays the same from run to
    // run of a shop.
    void beginItem(const QString& itemAddress, int itemNumber) override;
    void passOverItem() override;

private:
    // Fails the run when the last fetch was a login or verification demand, by its status or by
    // the page's content; the page's text is then no page to read (empty).
    QString unlessLoginDemanded(const QString& text);
    void noteUnreadListPage(const QString& address, const QString& reason);

    // The item beginItem named, until the next.
    QString m_itemAddress;
    QString m_itemKey;
    QString m_shopPageAddress;
    QString m_shopPage;
};
