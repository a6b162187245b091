#include "app/CollectContext.h"

#include "app/Messages.h"
#include "app/RunState.h"
#include "app/SettingsKeys.h"
#include "app/SettingsStore.h"
#include "app/WindowInterface.h"
#include "app/WrittenItemSet.h"
#include "base/KillPoint.h"
#include "base/StopSignal.h"
#include "formats/ItemRecord.h"
#include "formats/RowWriter.h"
#include "web/PageFetcher.h"
#include "web/PauseWithEvents.h"

#include <QDir>
#include <QElapsedTimer>

#include <cmath>

QString CollectContext::shopAddress() const {
    return state.shopUrl;
}

QString CollectContext::fetchPage(const QString& address) {
    return fetcher.FetchPage(address);
}

QString CollectContext::fetchPageUtf8(const QString& address) {
    return fetcher.FetchPageUtf8(address);
}

double CollectContext::pauseScaleFromEnvironment() {
    bool ok = false;
    const double scale = qEnvironmentVariable("KESTRUNE_PAUSE_SCALE").toDouble(&ok);
    return ok && scale >= 0 && scale <= 1 ? scale : 1.0;
}

bool CollectContext::stopRequested() {
    window.processEvents();
    return state.stopRequested;
}

void CollectContext::pause(int milliseconds) {
    itemPauseMs = static_cast<int>(std::lround(milliseconds * pauseScale));
    QElapsedTimer clock;
    clock.start();
    PauseWithEvents(
        itemPauseMs,
        [this] {
            window.processEvents();
            return state.stopRequested;
        },
        stopSignal);
    pausedMs += clock.elapsed();
}

bool CollectContext::downloadPicture(const QString& address, const QString& fileName) {
    return fetcher.DownloadPicture(address, fileName, paths.pictureFolder(state.outputBaseName));
}

QString CollectContext::picturePath(const QString& fileName) const {
    return QDir::toNativeSeparators(paths.pictureFolder(state.outputBaseName) + u'/' +
                                    SafePictureFileName(fileName));
}

void CollectContext::recordItemReached(int itemNumber) {
    Status durable = writer.syncJournal();
    // The keys go to disk after their rows: a key without its row would skip the item for good.
    if (durable && writtenItems)
        durable = writtenItems->commit();
    if (durable) {
        writeBreakPoint(SettingsKeys::kBreakPointNum, QString::number(itemNumber));
        return;
    }
    // The row is only in memory: the run stops, and the breakpoint passes the row only once the
    // stop has written it to the output file.
    window.showMessage(Messages::kJournalFailed.arg(durable.message()));
    stop();
    if (!writer.hasPendingOutput()) {
        if (writtenItems)
            writtenItems->commit();
        writeBreakPoint(SettingsKeys::kBreakPointNum, QString::number(itemNumber));
    }
}

void CollectContext::itemDropped(const QString& address) {
    ++droppedItems;
    window.setStatusText(Messages::kItemDropped + address);
}

bool CollectContext::writeBreakPoint(const QString& key, const QString& value) {
    return settings.WriteIniValue(SettingsKeys::kSection, key, value);
}

int CollectContext::resumeItemNumber() const {
    return state.resumeItemNumber;
}

bool CollectContext::recordsBreakPoints() const {
    return state.autoSave == 1;
}

bool CollectContext::isItemWritten(const QString& itemAddress) const {
    return writtenItems &&
           writtenItems->contains(WrittenItemSet::keyFor(writer.target().platform, itemAddress));
}

void CollectContext::beginItem(const QString& itemAddress) {
    currentItemKey = WrittenItemSet::keyFor(writer.target().platform, itemAddress);
}

bool CollectContext::emitItem(const QStringList& gridCells, const ItemRecord& record, int itemNumber) {
    if (downloadsCut())
        return false;
    // Cell numbers stay the same from run to run of a shop, so they stand for an item whose
    // address the walk did not name.
    const QString key = currentItemKey.isEmpty() ? u'#' + QString::number(itemNumber) : currentItemKey;
    currentItemKey.clear();
    if (writtenItems && writtenItems->contains(key))
        return true;
    ShowGridRow(window, gridCells);
    writer.EmitItemRecord(record, itemNumber, key);
    KillPoint::reached(KillPoint::kRowJournaled);
    ++emittedItems;
    if (writtenItems)
        writtenItems->add(key);
    return true;
}

bool CollectContext::downloadsCut() const {
    return stopSignal && stopSignal->isRequested();
}

void CollectContext::markShopComplete() {
    writeBreakPoint(SettingsKeys::kBreakPoint, QStringLiteral("0"));
}

void CollectContext::finish() {
    stop();
}

void CollectContext::setStatusText(const QString& text) {
    window.setStatusText(text);
}

void CollectContext::showMessage(const QString& text) {
    window.showMessage(text);
}

void CollectContext::reportProgress(int done, int total) {
    state.collectedCount = done;
    state.itemTotal = total;
}

void CollectContext::reportListPages(int pages) {
    state.pageCount = pages;
}

void CollectContext::stop() {
    if (stopCommand)
        stopCommand();
    else
        state.stopRequested = true;
}
