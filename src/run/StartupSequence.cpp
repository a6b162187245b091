#include "run/StartupSequence.h"

#include "base/MarketplaceCodes.h"
#include "formats/OutputFormats.h"
#include "run/AppPaths.h"
#include "run/JournalRecovery.h"
#include "run/Messages.h"
#include "run/ResumeCheck.h"
#include "run/SettingsKeys.h"
#include "run/SettingsStore.h"
#include "run/WindowInterface.h"
#include "run/WrittenItemSet.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace {

// A stored code as written, or -1 (hand-edited or damaged files name no marketplace).
int storedCode(const QString& text) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok ? value : -1;
}

} // namespace

StartupSequence::StartupSequence(WindowInterface& window, const AppPaths& paths, SettingsStore& settings)
    : m_window(window), m_paths(paths), m_settings(settings) {}

bool StartupSequence::acceptUsageNotice() {
    return m_window.askYesNo(Messages::kUsageNotice);
}

void StartupSequence::recoverInterruptedOutput() {
    QString message;
    recoverJournals(m_paths, m_settings, &message);
    if (!message.isEmpty())
        m_window.showMessage(message);
}

StartupSequence::ResumeResult StartupSequence::checkBreakPoint() {
    const SettingsStore& settings = m_settings;
    if (settings.readValue(SettingsKeys::kSection, SettingsKeys::kBreakPoint) != u"1")
        return ResumeResult::NoBreakPoint;

    // An empty name, or one that reaches outside the program's folder, names no output file.
    const QString fileName = settings.readValue(SettingsKeys::kSection, SettingsKeys::kBreakPointFileName);
    const bool plainName = !fileName.isEmpty() && !fileName.contains(u'/') && !fileName.contains(u'\\') &&
                           fileName != u"." && fileName != u"..";
    if (!plainName || !QFileInfo(m_paths.inProgramDir(fileName)).isFile()) {
        m_window.showMessage(Messages::kBreakPointFileMissing);
        return ResumeResult::FileMissing;
    }
    return ResumeResult::Loaded;
}

// What the breakpoint section says, read once.
struct StartupSequence::Recorded {
    QString address;
    QString fileName;
    std::optional<int> itemNumber;    // empty when unreadable
    std::optional<Platform> platform; // empty when absent or out of range
    bool hasPlatform = false;
    std::optional<FileFormat> format; // empty when unreadable (only read with a platform)
};

std::optional<int> StartupSequence::readItemNumber(const QString& text) {
    // Plain decimal digits only: a sign, a fraction, a NUL or an undecodable byte make the number
    // one the run cannot have written, and nine digits are more items than any shop holds.
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,9}$"));
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return 0;
    if (!digits.match(trimmed).hasMatch())
        return std::nullopt;
    return trimmed.toInt();
}

StartupSequence::ResumeResult StartupSequence::load(const Recorded& recorded, bool continueIt) {
    WindowInterface& window = m_window;

    m_resume = continueIt ? ResumePoint{recorded.address, recorded.itemNumber.value_or(0)} : ResumePoint{};
    if (recorded.address.isEmpty()) {
        window.showMessage(Messages::kResumeAddressLost);
        return ResumeResult::AddressMissing;
    }

    if (recorded.platform)
        window.selectPlatform(*recorded.platform);
    if (recorded.hasPlatform && recorded.format)
        window.selectFormat(*recorded.format);
    window.setAddressText(recorded.address);
    window.setStatusText(Messages::kResumeLoaded);
    return continueIt ? ResumeResult::Loaded : ResumeResult::FreshRun;
}

StartupSequence::ResumeResult StartupSequence::offer(bool ask) {
    const ResumeResult found = checkBreakPoint();
    if (found != ResumeResult::Loaded)
        return found;

    const SettingsStore& settings = m_settings;
    const auto read = [&settings](const QString& key) {
        return settings.readValue(SettingsKeys::kSection, key);
    };
    Recorded recorded;
    recorded.address = read(SettingsKeys::kBreakPointUrl);
    recorded.fileName = read(SettingsKeys::kBreakPointFileName);
    recorded.itemNumber = readItemNumber(read(SettingsKeys::kBreakPointNum));
    const QString platformText = read(SettingsKeys::kBreakPointSO);
    recorded.hasPlatform = !platformText.isEmpty();
    if (recorded.hasPlatform) {
        recorded.platform = MarketplaceCodes::platformFromIndex(storedCode(platformText));
        // Appending in another layout than the file's would ruin it: no guessing.
        recorded.format = OutputFormats::fromOutputIndex(storedCode(read(SettingsKeys::kBreakPointOption)));
        if (!recorded.format) {
            m_window.showMessage(Messages::kBreakPointFormatUnreadable);
            return ResumeResult::FormatUnreadable;
        }
    }

    WindowInterface& window = m_window;
    if (!recorded.itemNumber) {
        // Continuing from a number we cannot read could skip items or double them; starting the
        // shop again replaces its file, so the user decides.
        if (!window.askYesNo(Messages::breakPointNumberUnreadable(recorded.fileName)))
            return ResumeResult::Declined;
        return load(recorded, false);
    }
    // A resume passes over the items the written-item list names: one that cannot say what the
    // file holds would write items twice or lose them, so only a fresh run is offered.
    const QString outputPath = m_paths.inProgramDir(recorded.fileName);
    WrittenItemSet items(WrittenItemSet::pathFor(outputPath));
    if (ResumeCheck::check(items, outputPath, recorded.format.value_or(window.selectedFormat())) !=
        ResumeCheck::Verdict::Trusted) {
        if (!window.askYesNo(Messages::writtenItemsUntrustedStartAgain(recorded.fileName)))
            return ResumeResult::Declined;
        return load(recorded, false);
    }
    if (ask && !window.askYesNo(Messages::resumeOffer(recorded.address, *recorded.itemNumber)))
        return ResumeResult::Declined;
    return load(recorded, true);
}

StartupSequence::ResumeResult StartupSequence::offerResume() {
    return offer(true);
}

StartupSequence::ResumeResult StartupSequence::loadBreakPoint() {
    return offer(false);
}
