#include "run/CollectCommand.h"

#include "base/MarketplaceCodes.h"
#include "base/StopSignal.h"
#include "crawl/MarketplaceDescription.h"
#include "crawl/ShopSummary.h"
#include "crawl/WalkEnd.h"
#include "formats/OutputBatch.h"
#include "formats/OutputFormats.h"
#include "formats/RowWriter.h"
#include "formats/Taobao5Output.h"
#include "run/Messages.h"
#include "run/ResumeCheck.h"
#include "run/SettingsKeys.h"
#include "run/SettingsStore.h"
#include "run/ShopAddress.h"
#include "run/ShopPageCheck.h"
#include "run/ShopWalkHost.h"
#include "run/WindowInterface.h"
#include "run/WrittenItemSet.h"

#include <QDir>
#include <QFileInfo>

#include <exception>

CollectCommand::Crawlers CollectCommand::Crawlers::standard() {
    // The marketplace's own walk, with the marketplace's own pause.
    const auto walk = [](Platform platform) {
        return [platform](ShopWalkHost& host) {
            const MarketplaceDescription& marketplace = describeMarketplace(platform);
            return marketplace.walk(host.walkInput(marketplace.pauseMs));
        };
    };
    return {walk(Platform::PaiPai), walk(Platform::Ebay), walk(Platform::Taobao),
            [](ShopWalkHost& ctx, Platform platform) {
                const ShopPageCheck::Finding found = ctx.checkShopPage(platform);
                const bool refused = found.verdict != ShopPageCheck::Verdict::Shop &&
                                     found.verdict != ShopPageCheck::Verdict::Stopped;
                return refused ? Status::failure(found.message) : Status::success();
            }};
}

CollectCommand::CollectCommand(Services services, Crawlers crawlers)
    : m_window(services.window), m_paths(services.paths), m_settings(services.settings),
      m_writer(services.writer), m_stop(services.stop),
      m_host(m_state.setup(), m_state.counters(), m_window, services.settings, services.fetcher,
             services.writer, services.paths, services.stop),
      m_crawlers(std::move(crawlers)) {
    m_flush = [this] { return m_writer.flush(); };
}

void CollectCommand::writeBreakPoint(const QString& key, const QString& value) {
    // A failed settings write must not hold up the extraction.
    m_settings.writeValue(SettingsKeys::kSection, key, value);
}

void CollectCommand::collect() {
    WindowInterface& window = m_window;
    // One extraction at a time, even if a second collect arrives nested inside a crawl.
    if (m_state.isRunning())
        return;
    m_lastRun = {};
    m_flushFailureReported = false;
    m_state.counters().clear();

    // Output an earlier stop could not write belongs to its own file: write it before this run
    // reuses the buffer, and do not start while it cannot be written.
    RowWriter& writer = m_writer;
    if (writer.hasPendingOutput() && !m_flush().ok()) {
        m_lastRun.outputPending = true;
        window.showMessage(Messages::kFlushFailed);
        return;
    }

    writer.setAppendToExisting(false);
    window.clearGrid();
    m_host.startRun(&m_writtenItems);
    m_state.setRunning(true);
    window.setRunning(true);
    RunSetup setup = m_state.setup();
    setup.shopUrl = ShopAddress::normalize(window.addressText());
    m_state.setSetup(setup);

    const Platform platform = window.selectedPlatform();
    if (refuseAddress(platform))
        return;

    const FileFormat format = window.selectedFormat();
    setup.outputBaseName =
        ShopAddress::outputBaseName(platform, setup.shopUrl) + ShopAddress::formatSuffix(platform, format);
    m_state.setSetup(setup);
    const QString outputPath = m_paths.outputFile(setup.outputBaseName, RunSetup::outputExtension());
    writer.setTarget({format, platform, outputPath});

    const bool resumed = continuesBreakPoint();
    if (refuseResumedFile(resumed, format) || refuseUntrustedList(resumed, format) ||
        refuseShopPage(platform))
        return;

    takeResumePoint(resumed);
    recordRunStart(platform, format, resumed);
    m_lastRun.started = true;

    const Crawler& crawler = platform == Platform::PaiPai ? m_crawlers.paipai
                             : platform == Platform::Ebay ? m_crawlers.ebay
                                                          : m_crawlers.taobao;
    const int messagesBefore = m_host.messagesShown();
    bool threw = false;
    WalkEnd end;
    try {
        if (crawler)
            end = crawler(m_host);
    } catch (...) {
        threw = true;
    }
    finishRun(threw, end, messagesBefore);
}

bool CollectCommand::refuseAddress(Platform platform) {
    const QString& shopUrl = m_state.setup().shopUrl;
    QString message;
    if (shopUrl.isEmpty()) {
        message = Messages::kAddressEmpty;
    } else if (!ShopAddress::isAcceptedFor(platform, shopUrl)) {
        const std::optional<Platform> addressPlatform = ShopAddress::platformOfAddress(shopUrl);
        message = addressPlatform ? ShopAddress::otherPlatformMessage(*addressPlatform)
                                  : ShopAddress::rejectionMessage(platform);
    } else {
        return false;
    }
    stop();
    m_window.showMessage(message);
    return true;
}

// A resumed run appends: only to a file of its own layout, so one file never mixes two.
bool CollectCommand::refuseResumedFile(bool resumed, FileFormat format) {
    const QString path = m_writer.target().outputPath;
    const QFileInfo file(path);
    if (!resumed || !file.exists() || file.size() == 0)
        return false;
    // Only the very bytes this program writes: a copy re-saved in another encoding, or with its
    // columns changed by hand, would take the new rows under the wrong names.
    if (startsAsOwnOutput(path, format))
        return false;
    stop();
    m_lastRun.failed = true;
    m_window.showMessage(
        format == FileFormat::TaobaoAssistant5
            ? Taobao5Output::notContinuableMessage(path)
            : Messages::outputOfAnotherFormat(file.fileName(), OutputFormats::describe(format).caption));
    return true;
}

// A resume passes over the items the list names, so the list must say what the file holds. Start-up
// offers a fresh run for such a list; a run that meets one anyway is refused.
bool CollectCommand::refuseUntrustedList(bool resumed, FileFormat format) {
    const QString path = m_writer.target().outputPath;
    WrittenItemSet& items = m_writtenItems;
    items = WrittenItemSet(WrittenItemSet::pathFor(path));
    if (!resumed || ResumeCheck::check(items, path, format) == ResumeCheck::Verdict::Trusted)
        return false;
    stop();
    m_lastRun.failed = true;
    m_window.showMessage(Messages::writtenItemsUntrustedRefused(QFileInfo(path).fileName()));
    return true;
}

bool CollectCommand::refuseShopPage(Platform platform) {
    if (!m_crawlers.shopCheck)
        return false;
    const Status page = m_crawlers.shopCheck(m_host, platform);
    if (page.ok() && !m_stop.isRequested() && m_state.isRunning())
        return false;
    stop();
    if (!page.ok()) {
        m_lastRun.failed = true;
        m_lastRun.endingText = page.message();
        m_window.setStatusText(page.message());
        m_window.showMessage(page.message());
    }
    return true;
}

// The breakpoint keys describe one run: written together once it starts, so that a refused
// address never pairs one shop's address with another's item number.
void CollectCommand::recordRunStart(Platform platform, FileFormat format, bool resumed) {
    WrittenItemSet& items = m_writtenItems;
    // A resumed run's list was loaded by its check.
    if (!resumed)
        items.reset();
    m_rowsAtStart = items.size();
    m_writer.setItemKeysInFile(items.size());
    writeBreakPoint(SettingsKeys::kBreakPoint, QStringLiteral("1"));
    writeBreakPoint(SettingsKeys::kBreakPointUrl, m_state.setup().shopUrl);
    writeBreakPoint(SettingsKeys::kBreakPointOption,
                    QString::number(OutputFormats::describe(format).outputIndex));
    writeBreakPoint(SettingsKeys::kBreakPointSO, QString::number(MarketplaceCodes::platformIndex(platform)));
    writeBreakPoint(SettingsKeys::kBreakPointFileName, m_state.setup().outputFileName());
    if (!resumed)
        writeBreakPoint(SettingsKeys::kBreakPointNum, QStringLiteral("0"));
}

void CollectCommand::finishRun(bool crawlThrew, const WalkEnd& end, int messagesBefore) {
    WindowInterface& window = m_window;
    RowWriter& writer = m_writer;
    ShopWalkHost& ctx = m_host;
    const RunCounters& counters = m_state.counters();

    if (crawlThrew) {
        m_lastRun.crawlFailed = true;
        const bool written = stopQuietly();
        window.showMessage(written ? Messages::kCrawlFailed : Messages::kCrawlFailedNotSaved);
    } else {
        stop();
    }
    m_lastRun.outputPending = writer.hasPendingOutput();
    WrittenItemSet& items = m_writtenItems;
    // Keys of rows that reached the output file (the stop wrote them) are kept for a resume.
    if (!m_lastRun.outputPending) {
        items.commit();
        // A journal that failed held the breakpoint back until the rows were in the file.
        if (ctx.itemAwaitingOutput() > 0)
            writeBreakPoint(SettingsKeys::kBreakPointNum, QString::number(ctx.itemAwaitingOutput()));
    }
    ctx.endRun();
    // The walk's last status line comes once the rows are written.
    if (!crawlThrew && !end.lastStatus.isEmpty())
        window.setStatusText(end.lastStatus);

    const bool userStopped = m_stop.isRequested();
    const bool toldUser = m_host.messagesShown() > messagesBefore;
    const ItemTally::Counts& counts = counters.counts();
    m_lastRun.counts = counts;
    // Rows still buffered after a failed write are not in the file.
    m_lastRun.itemsInFile = m_rowsAtStart + (m_lastRun.outputPending ? 0 : counts.written);
    // What the ending adds of the items: those dropped, those without a picture address.
    QString itemNotes = counts.dropped > 0 ? Messages::itemsNotCollected(counts.dropped) : QString();
    if (counts.withoutPictureAddress > 0)
        itemNotes += Messages::itemsWithoutPictureAddress(counts.withoutPictureAddress);
    // Lists that ended at a page the site did not give, short of what the shop states, may hold
    // more: the run fails on that page and stays resumable.
    if (!ctx.unreadListPage().isEmpty() && counts.found < counters.itemTotal())
        ctx.failWalk(Messages::networkFailed(ctx.unreadListPage(), ctx.unreadListPageReason()));
    // The walk's own texts came before this point: the ending is the last word.
    if (userStopped && !crawlThrew) {
        m_lastRun.ending = Ending::Stopped;
        m_lastRun.endingText = Messages::runStopped(m_lastRun.itemsInFile) + itemNotes;
    } else if (ctx.walkFailed() && !crawlThrew) {
        // A page the walk needed did not come: the lists were not read to their end.
        m_lastRun.ending = Ending::Failed;
        m_lastRun.endingText = ctx.failure();
        window.showMessage(ctx.failure());
    } else if (crawlThrew || toldUser || m_lastRun.outputPending) {
        m_lastRun.ending = Ending::Failed;
    } else {
        // Walked to its end: whatever the shop said its total was, its lists have been read.
        m_lastRun.ending = Ending::Complete;
        m_lastRun.endingText = Messages::runComplete(m_lastRun.itemsInFile,
                                                     QDir::toNativeSeparators(writer.target().outputPath));
        if (end.listsRead() && counts.found != counters.itemTotal())
            m_lastRun.endingText += u'；' + statedAndFoundText(counters.itemTotal(), counts.found);
        m_lastRun.endingText += itemNotes;
    }
    m_lastRun.failed = m_lastRun.ending == Ending::Failed;
    if (ctx.picturesNotSaved() > 0 && !m_lastRun.endingText.isEmpty())
        m_lastRun.endingText += Messages::picturesNotSaved(ctx.picturesNotSaved());

    if (m_lastRun.ending == Ending::Complete) {
        writeBreakPoint(SettingsKeys::kBreakPoint, QStringLiteral("0"));
        items.remove();
    } else {
        // A walk may have called itself done; a run that did not end complete stays resumable.
        writeBreakPoint(SettingsKeys::kBreakPoint, QStringLiteral("1"));
    }
    if (!m_lastRun.endingText.isEmpty())
        window.setStatusText(m_lastRun.endingText);
}

bool CollectCommand::continuesBreakPoint() const {
    const ResumePoint& resume = m_state.resume();
    return !resume.isEmpty() && m_state.setup().shopUrl == ShopAddress::normalize(resume.shopUrl);
}

void CollectCommand::takeResumePoint(bool resumed) {
    RunSetup setup = m_state.setup();
    setup.resumedFrom = resumed ? m_state.resume().itemNumber : 0;
    m_state.setSetup(setup);
    // Used up: the next run starts afresh unless another is loaded.
    m_state.setResume({});
    m_writer.setAppendToExisting(resumed);
}

bool CollectCommand::stopQuietly() {
    m_state.setRunning(false);
    m_window.setRunning(false);
    if (!m_writer.hasPendingOutput())
        return true;
    // On failure the writer keeps its pending output, so the next stop tries again.
    return m_flush().ok();
}

void CollectCommand::stop() {
    // A refused start and the run's end may both fail to write; one message is enough.
    if (!stopQuietly() && !m_flushFailureReported) {
        m_flushFailureReported = true;
        m_window.showMessage(Messages::kFlushFailed);
    }
    m_lastRun.outputPending = m_writer.hasPendingOutput();
}
