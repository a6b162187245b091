#include "app/ExtractionController.h"

#include "app/CollectContext.h"
#include "app/ExtractionSession.h"
#include "app/Messages.h"
#include "app/SettingsKeys.h"
#include "app/ShopAddress.h"
#include "app/WindowInterface.h"
#include "base/MarketplaceCodes.h"
#include "base/PlatformConstants.h"
#include "crawl/CollectEbayShop.h"
#include "crawl/CollectPaiPaiShop.h"
#include "crawl/CollectTaobaoShop.h"
#include "formats/Taobao5Output.h"

#include <exception>

ExtractionController::Crawlers ExtractionController::Crawlers::standard() {
    return {CollectPaiPaiShop, CollectEbayShop, CollectTaobaoShop};
}

ExtractionController::ExtractionController(ExtractionSession& session, Crawlers crawlers)
    : m_session(session), m_crawlers(std::move(crawlers)) {
    m_flush = [this] { return m_session.writer().FlushOutputBuffer(); };
    m_session.context().stopCommand = [this] { stop(); };
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
    state.shopUrl = window.addressText();
    state.autoSave = 1;

    if (state.shopUrl.isEmpty()) {
        stop();
        window.showMessage(Messages::kAddressEmpty);
        return;
    }

    state.shopUrl = state.shopUrl.toLower();

    const std::optional<FileFormat> chosenFormat =
        MarketplaceCodes::outputFormatFromIndex(window.selectedFormat());
    const FileFormat format = chosenFormat.value_or(FileFormat::EbayAssistant);
    if (state.autoSave == 1) {
        writeBreakPoint(SettingsKeys::kBreakPoint, QStringLiteral("1"));
        writeBreakPoint(SettingsKeys::kBreakPointUrl, state.shopUrl);
        // No button chosen records 2, as the window always did.
        writeBreakPoint(SettingsKeys::kBreakPointOption,
                        QString::number(chosenFormat ? MarketplaceCodes::outputFormatIndex(*chosenFormat)
                                                     : int(PlatformConstants::PaiPaiAssistant)));
    }

    int platform = window.selectedPlatform();
    if (platform != PlatformConstants::PaiPai && platform != PlatformConstants::Ebay)
        platform = PlatformConstants::Taobao;
    if (!ShopAddress::IsAcceptedFor(platform, state.shopUrl)) {
        stop();
        window.showMessage(ShopAddress::RejectionMessage(platform));
        return;
    }
    state.outputBaseName =
        ShopAddress::OutputBaseName(platform, state.shopUrl) + ShopAddress::FormatNameSuffix(format);
    writer.setTarget({format, MarketplaceCodes::platformFromIndex(platform).value_or(Platform::Taobao),
                      m_session.paths().outputFile(state.outputBaseName, state.outputExtension)});

    if (state.autoSave == 1) {
        writeBreakPoint(SettingsKeys::kBreakPointSO, QString::number(platform));
        writeBreakPoint(SettingsKeys::kBreakPointFileName, state.outputFileName());
    }

    applyResumePoint();
    if (!canContinueOutput()) {
        stop();
        window.showMessage(Taobao5Output::notContinuableMessage(writer.target().outputPath));
        return;
    }
    m_lastRun.started = true;

    const Crawler& crawler = platform == PlatformConstants::PaiPai ? m_crawlers.paipai
                             : platform == PlatformConstants::Ebay ? m_crawlers.ebay
                                                                   : m_crawlers.taobao;
    bool failed = false;
    try {
        if (crawler)
            crawler(m_session.context());
    } catch (...) {
        failed = true;
    }

    if (failed) {
        m_lastRun.crawlFailed = true;
        const bool written = stopQuietly();
        window.showMessage(written ? Messages::kCrawlFailed : Messages::kCrawlFailedNotSaved);
    } else if (!state.stopRequested) {
        // Every crawler ends with the stop command; one that did not must not leave the window locked.
        stop();
    }
    m_lastRun.outputPending = writer.hasPendingOutput();
}

// The loaded breakpoint belongs to one shop: only a run of that shop continues from it, and
// only once; any other run starts from item 1.
void ExtractionController::applyResumePoint() {
    RunState& state = m_session.state();
    const bool resumed = !state.resumeShopUrl.isEmpty() && state.shopUrl == state.resumeShopUrl.toLower();
    if (!resumed)
        state.resumeItemNumber = 0;
    state.resumeShopUrl.clear();
    m_session.writer().setAppendToExisting(resumed);
}

bool ExtractionController::canContinueOutput() const {
    const RowWriter& writer = m_session.writer();
    return writer.target().format != FileFormat::TaobaoAssistant5 || !writer.appendsToExisting() ||
           Taobao5Output::canContinue(writer.target().outputPath);
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

void ExtractionController::stop() {
    // The user's stop and the crawler's closing stop may both fail to write; one message is enough.
    if (!stopQuietly() && !m_flushFailureReported) {
        m_flushFailureReported = true;
        m_session.window().showMessage(Messages::kFlushFailed);
    }
    m_lastRun.outputPending = m_session.writer().hasPendingOutput();
}
