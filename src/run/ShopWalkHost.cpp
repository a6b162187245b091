#include "run/ShopWalkHost.h"

#include "base/KillPoint.h"
#include "base/StopSignal.h"
#include "crawl/ItemKey.h"
#include "crawl/MarketplaceDescription.h"
#include "formats/ItemRecord.h"
#include "formats/OutputFormats.h"
#include "formats/RowWriter.h"
#include "formats/StoreOutput.h"
#include "items/LoginPageSigns.h"
#include "run/Messages.h"
#include "run/RunState.h"
#include "run/SettingsKeys.h"
#include "run/SettingsStore.h"
#include "run/WindowInterface.h"
#include "run/WrittenItemSet.h"
#include "web/InterruptiblePause.h"
#include "web/PageFetcher.h"

#include <QDir>
#include <QElapsedTimer>

#include <cmath>
#include <utility>

ShopWalkHost::ShopWalkHost(const RunSetup& setup, RunCounters& counters, WindowInterface& window,
                           SettingsStore& settings, PageFetcher& fetcher, RowWriter& writer,
                           const AppPaths& paths, StopSignal& stop)
    : m_setup(setup), m_counters(counters), m_window(window), m_settings(settings), m_fetcher(fetcher),
      m_writer(writer), m_paths(paths), m_stop(stop) {}

ShopWalkInput ShopWalkHost::walkInput(int pauseMs) {
    m_platform = m_writer.target().platform;
    m_pictureFolder = m_paths.pictureFolder(m_setup.outputBaseName);
    const QString& keyQuery = describeMarketplace(m_platform).itemKeyQuery;
    return {m_setup.shopUrl, *this, *this, *this, m_failure, m_stop, true, pauseMs, keyQuery};
}

void ShopWalkHost::startRun(WrittenItemSet* writtenItems) {
    m_writtenItems = writtenItems;
    m_failure.clear();
    m_halted = false;
    m_itemAwaitingOutput = 0;
    m_unreadListPage.clear();
    m_unreadListPageReason.clear();
    m_picturesNotSaved = 0;
    m_gridRows = 0;
    m_lastPageAddress.clear();
    m_lastPageFailure = FetchFailure::None;
    m_lastPauseMs = -1;
    m_shopPageAddress.clear();
    m_shopPage.clear();
}

void ShopWalkHost::failWalk(const QString& reason) {
    if (m_failure.isEmpty())
        m_failure = reason;
}

QString ShopWalkHost::fetchPage(const QString& address) {
    return readItemPage(m_fetcher.fetchText(address, false));
}

QString ShopWalkHost::fetchPageUtf8(const QString& address) {
    return readItemPage(m_fetcher.fetchText(address, true));
}

QString ShopWalkHost::readItemPage(const FetchedPage& page) {
    const FetchReport& fetched = page.report;
    emit m_fetchReports.fetched(QTime::currentTime(), fetched);
    m_lastPageAddress = fetched.address;
    m_lastPageFailure = fetched.failure;
    // Only a whole answer's status and body are the site's word (a transfer cut short may have
    // had its headers).
    const bool answered = fetched.failure == FetchFailure::None || fetched.failure == FetchFailure::Network;
    if (m_stop.isRequested() || !answered)
        return page.text;
    const bool demandsLogin = fetched.status == 401 || fetched.status == 403 || fetched.status == 429;
    if (demandsLogin || (!page.text.isEmpty() && LoginPageSigns::anywhere(m_platform, page.text))) {
        if (m_failure.isEmpty())
            m_failure = Messages::kLoginRequired;
        return {};
    }
    return page.text;
}

ShopPageCheck::Finding ShopWalkHost::checkShopPage(Platform platform) {
    ShopPageCheck::Finding found =
        ShopPageCheck::fetchAndClassify(m_fetcher, m_setup.shopUrl, platform, m_stop);
    emit m_fetchReports.fetched(QTime::currentTime(), found.fetched);
    m_lastPageAddress = found.fetched.address;
    m_lastPageFailure = found.fetched.failure;
    if (found.answered) {
        m_shopPageAddress = m_setup.shopUrl;
        m_shopPage = std::exchange(found.page, QString());
    }
    return found;
}

QString ShopWalkHost::fetchWalkPage(const QString& address, Encoding encoding) {
    if (!m_shopPageAddress.isEmpty() && address == m_shopPageAddress) {
        const QString text = std::exchange(m_shopPage, QString());
        m_shopPageAddress.clear();
        return text;
    }
    const FetchedPage page = m_fetcher.fetchText(address, encoding == Encoding::Utf8);
    const FetchReport& fetched = page.report;
    emit m_fetchReports.fetched(QTime::currentTime(), fetched);
    m_lastPageAddress = fetched.address;
    m_lastPageFailure = fetched.failure;
    const QString& text = page.text;
    if (fetched.failure == FetchFailure::Stopped || m_stop.isRequested() || !m_failure.isEmpty())
        return text;
    if (fetched.ok()) {
        // A login or verification page sent with 200 is a demand all the same.
        if (LoginPageSigns::anywhere(m_platform, text)) {
            m_failure = Messages::kLoginRequired;
            return {};
        }
        if (text.isEmpty())
            noteUnreadListPage(address, QStringLiteral("HTTP 200"));
        return text;
    }
    // Only a whole answer's status is the site's word.
    const bool answered = fetched.failure == FetchFailure::None || fetched.failure == FetchFailure::Network;
    switch (answered ? fetched.status : 0) {
    case 404:
    case 410:
        // The site has no such page: its list ends here, as at an empty page.
        noteUnreadListPage(address, fetchFailureReason(fetched.failure, fetched.status, fetched.error));
        break;
    case 401:
    case 403:
    case 429:
        m_failure = Messages::kLoginRequired;
        break;
    default:
        m_failure = Messages::networkFailed(
            address, fetchFailureReason(fetched.failure, fetched.status, fetched.error));
    }
    return text;
}

void ShopWalkHost::noteUnreadListPage(const QString& address, const QString& reason) {
    if (!m_unreadListPage.isEmpty())
        return;
    m_unreadListPage = address;
    m_unreadListPageReason = reason;
}

double ShopWalkHost::pauseScaleFromEnvironment() {
    bool ok = false;
    const double scale = qEnvironmentVariable("KESTRUNE_PAUSE_SCALE").toDouble(&ok);
    return ok && scale >= 0 && scale <= 1 ? scale : 1.0;
}

bool ShopWalkHost::stopRequested() {
    return m_halted || m_stop.isRequested();
}

void ShopWalkHost::pause(int milliseconds) {
    m_lastPauseMs = static_cast<int>(std::lround(milliseconds * m_pauseScale));
    QElapsedTimer clock;
    clock.start();
    interruptiblePause(
        m_lastPauseMs, [this] { return m_halted; }, &m_stop);
    m_pausedMs += clock.elapsed();
}

QString ShopWalkHost::downloadPicture(const QString& address, const QString& fileName) {
    const FetchedPicture picture = m_fetcher.downloadPicture(address, fileName, m_pictureFolder);
    if (picture.report)
        emit m_fetchReports.fetched(QTime::currentTime(), *picture.report);
    if (!picture.saved && !address.isEmpty() && !m_stop.isRequested())
        ++m_picturesNotSaved;
    return QDir::toNativeSeparators(m_pictureFolder + u'/' + picture.name);
}

bool ShopWalkHost::writeBreakPoint(const QString& key, const QString& value) {
    return m_settings.writeValue(SettingsKeys::kSection, key, value);
}

bool ShopWalkHost::isItemWritten(const QString& key) const {
    return m_writtenItems && m_writtenItems->contains(key);
}

bool ShopWalkHost::takeItem(const ReachedItem& item) {
    // An item handed without its key is keyed here, by the marketplace the rows are written for.
    const QString key = !item.key.isEmpty()
                            ? item.key
                            : itemKey(describeMarketplace(m_writer.target().platform).itemKeyQuery,
                                      item.address, item.number);
    RunCounters& tally = m_counters;
    tally.reach(key, item.number);
    switch (item.fate) {
    case ReachedItem::Fate::CutShort:
        return true;
    case ReachedItem::Fate::AlreadyWritten:
        tally.settle(key, ItemTally::Fate::AlreadyInFile);
        break;
    case ReachedItem::Fate::Dropped:
    case ReachedItem::Fate::Unread: {
        // Nothing was fetched since the item page: its fetch tells why it came empty.
        DropReason reason = item.dropReason;
        if (reason == DropReason::PageUnreadable && !item.address.isEmpty() &&
            m_lastPageAddress == item.address) {
            if (m_lastPageFailure == FetchFailure::TooLarge)
                reason = DropReason::TooLarge;
            else if (m_lastPageFailure == FetchFailure::TimedOut)
                reason = DropReason::TimedOut;
        }
        if (tally.settle(key, ItemTally::Fate::Dropped))
            m_window.setStatusText(Messages::itemDropped(reason) +
                                   (item.address.isEmpty() ? key : item.address));
        break;
    }
    case ReachedItem::Fate::Parsed:
        if (m_stop.isRequested())
            return false;
        writeItem(*item.parsed, item.number, key);
        break;
    }
    if (item.fate != ReachedItem::Fate::Unread && item.movesBreakPoint)
        recordItemReached(item.number);
    return true;
}

void ShopWalkHost::writeItem(const ParsedItem& item, int itemNumber, const QString& key) {
    // The output may hold an item the walk could not ask about (a cell without an address).
    if (m_writtenItems && m_writtenItems->contains(key)) {
        m_counters.settle(key, ItemTally::Fate::AlreadyInFile);
        return;
    }
    const ItemRecord& record = item.record;
    m_writer.appendRecord(record, itemNumber, key);
    KillPoint::reached(KillPoint::kRowJournaled);
    // The page address rides after the 31 cells, for the window's double click.
    m_window.addGridRow(QStringLiteral("QXV") + QString::number(m_gridRows++),
                        record.pageAddress.isEmpty() ? item.gridCells
                                                     : item.gridCells + QStringList{record.pageAddress});
    m_counters.settle(key, ItemTally::Fate::Written);
    // A store fetches pictures itself: an item without an address for it goes there bare.
    if (OutputFormats::describe(m_writer.target().format).storeFile &&
        !StoreOutput::hasPictureAddress(record)) {
        m_counters.lacksPictureAddress(key);
        m_window.setStatusText(Messages::kItemWithoutPictureAddress +
                               (record.pageAddress.isEmpty() ? key : record.pageAddress));
    }
    if (m_writtenItems)
        m_writtenItems->add(key);
}

void ShopWalkHost::recordItemReached(int itemNumber) {
    Status durable = m_writer.syncJournal();
    // The keys go to disk after their rows: a key without its row would skip the item for good.
    if (durable && m_writtenItems)
        durable = m_writtenItems->commit();
    if (durable) {
        writeBreakPoint(SettingsKeys::kBreakPointNum, QString::number(itemNumber));
        return;
    }
    // The row is only in memory: the walk ends, and the breakpoint passes the row only once the
    // run's end has written it to the output file.
    ++m_messagesShown;
    m_window.showMessage(Messages::kJournalFailed.arg(durable.message()));
    m_halted = true;
    m_itemAwaitingOutput = itemNumber;
}

void ShopWalkHost::setStatusText(const QString& text) {
    m_window.setStatusText(text);
}

void ShopWalkHost::showMessage(const QString& text) {
    ++m_messagesShown;
    m_window.showMessage(text);
}

void ShopWalkHost::reportShopTotal(int total) {
    m_counters.setItemTotal(total);
}
