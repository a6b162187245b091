#pragma once

#include "app/AppPaths.h"

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

// Everything a crawler or item parser works with. Built by ExtractionSession; tests may build
// their own with fakes.
struct CollectContext {
    RunState& state;
    WindowInterface& window;
    SettingsStore& settings;
    PageFetcher& fetcher;
    RowWriter& writer;
    const AppPaths& paths;
    // Tests shorten the politeness pauses with a factor below 1.
    double pauseScale = 1.0;
    // The stop command (Cmd_stop) that crawlers run at the end of their walk; set by the controller.
    std::function<void()> stopCommand;
    // The thread-safe stop request of the run, when there is one; it cuts a pause short.
    StopSignal* stopSignal = nullptr;

    // Runs the stop command (or just raises the stop flag when no controller is attached).
    void stop();

    // PauseWithEvents for ms milliseconds (times pauseScale).
    void pause(int milliseconds);
    // For the time-left estimate: the pause last asked for (scaled; -1 before the first) and the
    // time spent pausing so far.
    int itemPauseMs = -1;
    qint64 pausedMs = 0;
    // DownloadPicture into the current run's picture folder.
    bool downloadPicture(const QString& address, const QString& fileName);
    // Where downloadPicture stores fileName (cleaned the same way), as the output names it.
    QString picturePath(const QString& fileName) const;
    // Rows of items up to itemNumber are made durable, then BreakPointNum is written. When the
    // journal failed, the user is told, the run stops, and BreakPointNum moves only if the stop
    // wrote the rows to the output file.
    void recordItemReached(int itemNumber);
    // An item whose page could not be read (too large, timed out, failed): logged on the status
    // line and counted in droppedItems, not among the items collected.
    void itemDropped(const QString& address);
    int droppedItems = 0;
    // Writes a key of the breakpoint section.
    bool writeBreakPoint(const QString& key, const QString& value);
    // Adds the grid row and hands the record to the row writer, unless a stop cut the item's
    // downloads short (see downloadsCut); false then.
    bool emitItem(const QStringList& gridCells, const ItemRecord& record);
    // A stop asked for from another thread aborts the downloads in progress. An item whose pages
    // may be cut short is neither emitted nor counted as reached, so a resume fetches it again.
    bool downloadsCut() const;
    // Items emitted so far in this session.
    int emittedItems = 0;
    // The shared resume rule: an item at or below the recorded number is already on disk.
    bool isAlreadyCollected(int itemNumber) const;

    // Each item once per shop: the items the output file already holds, set by the collect
    // command for its run (null outside a run).
    WrittenItemSet* writtenItems = nullptr;
    // Asked by the item loop before it fetches an item page: true when the output already holds
    // the item, which is then counted as reached but neither fetched, written nor paused for.
    bool isItemWritten(const QString& itemAddress) const;
    // Names the item the next emitItem belongs to; without it the item's cell number stands for it.
    void beginItem(const QString& itemAddress);
    // The key beginItem set, until emitItem takes it.
    QString currentItemKey = {};
};
