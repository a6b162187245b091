#include "app/ExtractionController.h"

#include "app/CollectContext.h"
#include "app/ExtractionSession.h"
#include "app/Messages.h"
#include "app/SettingsKeys.h"
#include "app/ShopAddress.h"
#include "app/ShopPageCheck.h"
#include "app/WindowInterface.h"
#include "app/WrittenItemSet.h"
#include "base/MarketplaceCodes.h"
#include "base/PlatformConstants.h"
#include "base/StopSignal.h"
#include "crawl/CollectEbayShop.h"
#include "crawl/CollectPaiPaiShop.h"
#include "crawl/CollectTaobaoShop.h"
#include "formats/SourceFormatDetector.h"
#include "formats/Taobao5Output.h"

#include <QDir>
#include <QFileInfo>

#include <exception>

ExtractionController::Crawlers ExtractionController::Crawlers::standard() {
    return {[](CollectContext& host) { CollectPaiPaiShop(host); },
            [](CollectContext& host) { CollectEbayShop(host); },
            [](CollectContext& host) { CollectTaobaoShop(host); },
            [](CollectContext& ctx, Platform platform) {
                const ShopPageCheck::Finding found = ShopPageCheck::fetchAndClassify(ctx, platform);
                const bool refused = found.verdict != ShopPageCheck::Verdict::Shop &&
                                     found.verdict != ShopPageCheck::Verdict::Stopped;
                return refused ? Status::failure(found.message) : Status::success();
            }};
}

ExtractionController::ExtractionController(ExtractionSession& session, Crawlers crawlers)
    : m_session(session), m_crawlers(std::move(crawlers)) {
    m_flush = [this] { return m_session.writer().FlushOutputBuffer(); };
    m_session.context().stopCommand = [this] { stopFromRun(); };
}

void ExtractionController::writeBreakPoint(const QString& key, const QString& value) {
    // A failed settings write must not hold up the extraction.
    m_session.settings().WriteIniValue(SettingsKeys::kSection, key, value);
}

void ExtractionController::collect() {
    RunState& state = m_session.state();
    WindowInterface& window = m_session.window();
    // One extraction at a time, even if a second collect arrives nested inside a crawl.
    if (state.isRunning())
        return;
    m_lastRun = {};
    m_flushFailureReported = false;
    m_userStopped = false;

    // Output an earlier stop could not write belongs to its own file: write it before this run
    // reuses the buffer, and do not start while it cannot be written.
    RowWriter& writer = m_session.writer();
    if (writer.hasPendingOutput() && !m_flush().ok()) {
        m_lastRun.outputPending = true;
        window.showMessage(Messages::kFlushFailed);
        return;
    }

    writer.setAppendToExisting(false);
    window.clearGrid();
    state.stopRequested = false;
    window.setRunning(true);
    state.shopUrl = ShopAddress::Normalize(window.addressText());
    state.autoSave = 1;

    int platform = window.selectedPlatform();
    if (platform != PlatformConstants::PaiPai && platform != PlatformConstants::Ebay)
        platform = PlatformConstants::Taobao;
    if (refuseAddress(platform))
        return;

    const std::optional<FileFormat> chosenFormat =
        MarketplaceCodes::outputFormatFromIndex(window.selectedFormat());
    const FileFormat format = chosenFormat.value_or(FileFormat::EbayAssistant);
    const Platform shopPlatform = MarketplaceCodes::platformFromIndex(platform).value_or(Platform::Taobao);
    state.outputBaseName = ShopAddress::OutputBaseName(platform, state.shopUrl) +
                           ShopAddress::FormatSuffix(shopPlatform, format);
    const QString outputPath = m_session.paths().outputFile(state.outputBaseName, state.outputExtension);
    writer.setTarget({format, shopPlatform, outputPath});

    const bool resumed = continuesBreakPoint();
    if (refuseResumedFile(resumed, format) || refuseShopPage(shopPlatform))
        return;

    takeResumePoint(resumed);
    // No button chosen records 2, as the window always did.
    recordRunStart(platform,
                   chosenFormat ? MarketplaceCodes::outputFormatIndex(*chosenFormat)
                                : int(PlatformConstants::PaiPaiAssistant),
                   resumed);
    m_lastRun.started = true;

    const Crawler& crawler = platform == PlatformConstants::PaiPai ? m_crawlers.paipai
                             : platform == PlatformConstants::Ebay ? m_crawlers.ebay
                                                                   : m_crawlers.taobao;
    const int messagesBefore = m_session.messagesShown();
    bool threw = false;
    try {
        if (crawler)
            crawler(m_session.context());
    } catch (...) {
        threw = true;
    }
    finishRun(threw, messagesBefore);
}

bool ExtractionController::refuseAddress(int platform) {
    const RunState& state = m_session.state();
    QString message;
    if (state.shopUrl.isEmpty()) {
        message = Messages::kAddressEmpty;
    } else if (!ShopAddress::IsAcceptedFor(platform, state.shopUrl)) {
        const int addressPlatform = ShopAddress::PlatformOfAddress(state.shopUrl);
        message = addressPlatform >= 0 ? ShopAddress::OtherPlatformMessage(addressPlatform)
                                       : ShopAddress::RejectionMessage(platform);
    } else {
        return false;
    }
    stop();
    m_session.window().showMessage(message);
    return true;
}

// A resumed run appends: only to a file of its own layout, so one file never mixes two.
bool ExtractionController::refuseResumedFile(bool resumed, FileFormat format) {
    const QString path = m_session.writer().target().outputPath;
    const QFileInfo file(path);
    if (!resumed || !file.exists() || file.size() == 0)
        return false;
    // The current Taobao layout has its own, closer test of a file it can go on with.
    if (format == FileFormat::TaobaoAssistant5) {
        if (Taobao5Output::canContinue(path))
            return false;
        stop();
        m_lastRun.failed = true;
        m_session.window().showMessage(Taobao5Output::notContinuableMessage(path));
        return true;
    }
    const std::optional<FileFormat> found = SourceFormatDetector::detect(path).file;
    if (found == format)
        return false;
    stop();
    m_lastRun.failed = true;
    m_session.window().showMessage(
        Messages::outputOfAnotherFormat(file.fileName(), MarketplaceCodes::assistantName(format)));
    return true;
}

bool ExtractionController::refuseShopPage(Platform platform) {
    if (!m_crawlers.shopCheck)
        return false;
    CollectContext& ctx = m_session.context();
    const Status page = m_crawlers.shopCheck(ctx, platform);
    if (page.ok() && !ctx.downloadsCut() && !m_session.state().stopRequested)
        return false;
    stop();
    if (!page.ok()) {
        m_lastRun.failed = true;
        m_lastRun.endingText = page.message();
        m_session.window().setStatusText(page.message());
        m_session.window().showMessage(page.message());
    }
    return true;
}

// The breakpoint keys describe one run: written together once it starts, so that a refused
// address never pairs one shop's address with another's item number.
void ExtractionController::recordRunStart(int platform, int format, bool resumed) {
    RunState& state = m_session.state();
    WrittenItemSet& items = m_session.writtenItems();
    items = WrittenItemSet(WrittenItemSet::pathFor(m_session.writer().target().outputPath));
    if (resumed)
        items.load();
    else
        items.reset();
    m_session.context().writtenItems = &items;
    if (state.autoSave != 1)
        return;
    writeBreakPoint(SettingsKeys::kBreakPoint, QStringLiteral("1"));
    writeBreakPoint(SettingsKeys::kBreakPointUrl, state.shopUrl);
    writeBreakPoint(SettingsKeys::kBreakPointOption, QString::number(format));
    writeBreakPoint(SettingsKeys::kBreakPointSO, QString::number(platform));
    writeBreakPoint(SettingsKeys::kBreakPointFileName, state.outputFileName());
    if (!resumed)
        writeBreakPoint(SettingsKeys::kBreakPointNum, QStringLiteral("0"));
}

void ExtractionController::finishRun(bool crawlThrew, int messagesBefore) {
    RunState& state = m_session.state();
    WindowInterface& window = m_session.window();
    RowWriter& writer = m_session.writer();
    CollectContext& ctx = m_session.context();

    if (crawlThrew) {
        m_lastRun.crawlFailed = true;
        const bool written = stopQuietly();
        window.showMessage(written ? Messages::kCrawlFailed : Messages::kCrawlFailedNotSaved);
    } else if (!state.stopRequested) {
        // Every crawler ends with the stop command; one that did not must not leave the window locked.
        stopFromRun();
    }
    m_lastRun.outputPending = writer.hasPendingOutput();
    WrittenItemSet& items = m_session.writtenItems();
    // Keys of rows that reached the output file (the stop wrote them) are kept for a resume.
    if (!m_lastRun.outputPending)
        items.commit();
    ctx.writtenItems = nullptr;

    const bool userStopped = m_userStopped || (ctx.stopSignal && ctx.stopSignal->isRequested());
    const bool toldUser = m_session.messagesShown() > messagesBefore;
    m_lastRun.itemsInFile = items.size();
    if (userStopped && !crawlThrew) {
        m_lastRun.ending = Ending::Stopped;
        m_lastRun.endingText = Messages::runStopped(items.size());
    } else if (crawlThrew || toldUser || m_lastRun.outputPending) {
        m_lastRun.ending = Ending::Failed;
    } else {
        // Walked to its end: whatever the shop said its total was, its lists have been read.
        m_lastRun.ending = Ending::Complete;
        m_lastRun.endingText =
            Messages::runComplete(items.size(), QDir::toNativeSeparators(writer.target().outputPath));
    }
    m_lastRun.failed = m_lastRun.ending == Ending::Failed;

    if (m_lastRun.ending == Ending::Complete) {
        writeBreakPoint(SettingsKeys::kBreakPoint, QStringLiteral("0"));
        items.remove();
    } else if (state.autoSave == 1) {
        // A walk may have called itself done; a run that did not end complete stays resumable.
        writeBreakPoint(SettingsKeys::kBreakPoint, QStringLiteral("1"));
    }
    if (!m_lastRun.endingText.isEmpty())
        window.setStatusText(m_lastRun.endingText);
}

bool ExtractionController::continuesBreakPoint() const {
    const RunState& state = m_session.state();
    return !state.resumeShopUrl.isEmpty() && state.shopUrl == ShopAddress::Normalize(state.resumeShopUrl);
}

void ExtractionController::takeResumePoint(bool resumed) {
    RunState& state = m_session.state();
    if (!resumed)
        state.resumeItemNumber = 0;
    state.resumeShopUrl.clear();
    m_session.writer().setAppendToExisting(resumed);
}

bool ExtractionController::stopQuietly() {
    RunState& state = m_session.state();
    state.stopRequested = true;
    m_session.window().setRunning(false);
    if (!m_session.writer().hasPendingOutput())
        return true;
    // On failure the writer keeps its pending output, so the next stop tries again.
    return m_flush().ok();
}

void ExtractionController::stopFromRun() {
    const bool userStopped = m_userStopped;
    stop();
    m_userStopped = userStopped;
}

void ExtractionController::stop() {
    if (m_session.state().isRunning())
        m_userStopped = true;
    // The user's stop and the crawler's closing stop may both fail to write; one message is enough.
    if (!stopQuietly() && !m_flushFailureReported) {
        m_flushFailureReported = true;
        m_session.window().showMessage(Messages::kFlushFailed);
    }
    m_lastRun.outputPending = m_session.writer().hasPendingOutput();
}
