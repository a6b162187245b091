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
#include "formats/OutputFormats.h"
#include "formats/RowWriter.h"
#include "formats/StoreOutput.h"
#include "items/LoginPageSigns.h"
#include "web/InterruptiblePause.h"
#include "web/PageFetcher.h"

#include <QDir>
#include <QElapsedTimer>

#include <cmath>
#include <utility>

QString CollectContext::shopAddress() const {
    return state.setup.shopUrl;
}

QString CollectContext::fetchPage(const QString& address) {
    return unlessLoginDemanded(fetcher.fetchPage(address));
}

QString CollectContext::fetchPageUtf8(const QString& address) {
    return unlessLoginDemanded(fetcher.fetchPageUtf8(address));
}

namespace {

bool demandsLogin(int status) {
    return status == 401 || status == 403 || status == 429;
}

// Whether the fetch came to its end with the site's answer: only a whole answer's status and body
// are the site's word (a transfer cut short may have had its headers).
bool answered(const FetchReport& fetched) {
    return fetched.failure == FetchFailure::None || fetched.failure == FetchFailure::Network;
}

} // namespace

QString CollectContext::unlessLoginDemanded(const QString& text) {
    const FetchReport& fetched = fetcher.lastPage();
    if (downloadsCut() || !answered(fetched))
        return text;
    if (demandsLogin(fetched.status) ||
        (!text.isEmpty() && LoginPageSigns::anywhere(writer.target().platform, text))) {
        if (walkFailure.isEmpty())
            walkFailure = Messages::kLoginRequired;
        return {};
    }
    return text;
}

void CollectContext::keepShopPage(const QString& address, const QString& text) {
    m_shopPageAddress = address;
    m_shopPage = text;
}

void CollectContext::forgetShopPage() {
    m_shopPageAddress.clear();
    m_shopPage.clear();
}

QString CollectContext::fetchWalkPage(const QString& address, PageEncoding encoding) {
    if (!m_shopPageAddress.isEmpty() && address == m_shopPageAddress) {
        const QString text = std::exchange(m_shopPage, QString());
        m_shopPageAddress.clear();
        return text;
    }
    const QString text =
        encoding == PageEncoding::Utf8 ? fetcher.fetchPageUtf8(address) : fetcher.fetchPage(address);
    const FetchReport& fetched = fetcher.lastPage();
    if (fetched.failure == FetchFailure::Stopped || downloadsCut() || !walkFailure.isEmpty())
        return text;
    if (fetched.ok()) {
        // A login or verification page sent with 200 is a demand all the same.
        if (LoginPageSigns::anywhere(writer.target().platform, text)) {
            walkFailure = Messages::kLoginRequired;
            return {};
        }
        if (text.isEmpty())
            noteUnreadListPage(address, QStringLiteral("HTTP 200"));
        return text;
    }
    switch (answered(fetched) ? fetched.status : 0) {
    case 404:
    case 410:
        // The site has no such page: its list ends here, as at an empty page.
        noteUnreadListPage(address, fetchFailureReason(fetched.failure, fetched.status, fetched.error));
        break;
    case 401:
    case 403:
    case 429:
        walkFailure = Messages::kLoginRequired;
        break;
    default:
        walkFailure = Messages::networkFailed(
            address, fetchFailureReason(fetched.failure, fetched.status, fetched.error));
    }
    return text;
}

void CollectContext::noteUnreadListPage(const QString& address, const QString& reason) {
    if (!unreadListPage.isEmpty())
        return;
    unreadListPage = address;
    unreadListPageReason = reason;
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
    interruptiblePause(
        itemPauseMs,
        [this] {
            window.processEvents();
            return state.stopRequested;
        },
        stopSignal);
    pausedMs += clock.elapsed();
}

QString CollectContext::downloadPicture(const QString& address, const QString& fileName) {
    QString stored;
    if (!fetcher.downloadPicture(address, fileName, paths.pictureFolder(state.setup.outputBaseName),
                                 &stored) &&
        !address.isEmpty() && !downloadsCut())
        ++picturesNotSaved;
    return stored.isEmpty() ? fileName : stored;
}

QString CollectContext::picturePath(const QString& fileName) const {
    return QDir::toNativeSeparators(paths.pictureFolder(state.setup.outputBaseName) + u'/' +
                                    safePictureFileName(fileName));
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

void CollectContext::itemDropped(DropReason reason) {
    // An item whose page asked for a login is left to the resumed run, not dropped.
    if (walkFailed())
        return;
    // Right after the item page's fetch, the fetch tells why it came empty.
    const FetchReport& fetched = fetcher.lastPage();
    if (reason == DropReason::PageUnreadable && !m_itemAddress.isEmpty() &&
        fetched.address == m_itemAddress) {
        if (fetched.failure == FetchFailure::TooLarge)
            reason = DropReason::TooLarge;
        else if (fetched.failure == FetchFailure::TimedOut)
            reason = DropReason::TimedOut;
    }
    if (!state.counters.items.settle(m_itemKey, ItemTally::Fate::Dropped))
        return;
    window.setStatusText(Messages::itemDropped(reason) +
                         (m_itemAddress.isEmpty() ? m_itemKey : m_itemAddress));
}

bool CollectContext::writeBreakPoint(const QString& key, const QString& value) {
    return settings.writeValue(SettingsKeys::kSection, key, value);
}

bool CollectContext::recordsBreakPoints() const {
    return state.setup.recordsBreakPoint;
}

bool CollectContext::isItemWritten(const QString& itemAddress) const {
    return writtenItems &&
           writtenItems->contains(WrittenItemSet::keyFor(writer.target().platform, itemAddress));
}

void CollectContext::beginItem(const QString& itemAddress, int itemNumber) {
    m_itemAddress = itemAddress;
    m_itemKey = itemAddress.isEmpty() ? u'#' + QString::number(itemNumber)
                                      : WrittenItemSet::keyFor(writer.target().platform, itemAddress);
    state.counters.collectedCount = itemNumber;
    state.counters.items.found(m_itemKey);
}

void CollectContext::passOverItem() {
    state.counters.items.settle(m_itemKey, ItemTally::Fate::AlreadyInFile);
}

bool CollectContext::emitItem(const QStringList& gridCells, const ItemRecord& record, int itemNumber) {
    if (downloadsCut())
        return false;
    // An item emitted without beginItem (a caller of its own) stands for itself by its number.
    const QString key = m_itemKey.isEmpty() ? u'#' + QString::number(itemNumber) : m_itemKey;
    m_itemKey.clear();
    m_itemAddress.clear();
    if (writtenItems && writtenItems->contains(key)) {
        state.counters.items.settle(key, ItemTally::Fate::AlreadyInFile);
        return true;
    }
    // The page address rides after the 31 cells, for the window's double click.
    addNextGridRow(window,
                   record.pageAddress.isEmpty() ? gridCells : gridCells + QStringList{record.pageAddress});
    writer.appendRecord(record, itemNumber, key);
    KillPoint::reached(KillPoint::kRowJournaled);
    state.counters.items.settle(key, ItemTally::Fate::Written);
    // A store fetches pictures itself: an item without an address for it goes there bare.
    if (OutputFormats::describe(writer.target().format).storeFile &&
        !StoreOutput::hasPictureAddress(record)) {
        state.counters.items.lacksPictureAddress(key);
        window.setStatusText(Messages::kItemWithoutPictureAddress +
                             (record.pageAddress.isEmpty() ? key : record.pageAddress));
    }
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

void CollectContext::reportShopTotal(int total) {
    state.counters.itemTotal = total;
}

void CollectContext::reportListsRead() {
    state.counters.listsRead = true;
}

void CollectContext::stop() {
    if (stopCommand)
        stopCommand();
    else
        state.stopRequested = true;
}
