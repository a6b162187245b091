#include "app/StartupSequence.h"

#include "app/ExtractionSession.h"
#include "app/JournalRecovery.h"
#include "app/Messages.h"
#include "app/SettingsKeys.h"
#include "app/WindowInterface.h"
#include "base/MarketplaceCodes.h"

#include <QFileInfo>

namespace {

// Codes of no platform or format (hand-edited or damaged files) are not restored.
int platformCodeOrMinusOne(const QString& text) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok && MarketplaceCodes::platformFromIndex(value) ? value : -1;
}

int formatCodeOrMinusOne(const QString& text) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok && MarketplaceCodes::outputFormatFromIndex(value) ? value : -1;
}

} // namespace

StartupSequence::StartupSequence(ExtractionSession& session) : m_session(session) {}

bool StartupSequence::acceptUsageNotice() {
    return m_session.window().askYesNo(Messages::kUsageNotice);
}

void StartupSequence::applyRunStateDefaults() {
    RunState& state = m_session.state();
    state.resumeItemNumber = 0;
    state.stopRequested = true;
    state.outputExtension = QStringLiteral(".csv");
    state.outputBaseName = QStringLiteral("Temp");
}

void StartupSequence::recoverInterruptedOutput() {
    QString message;
    RecoverJournals(m_session.paths(), m_session.settings(), &message);
    if (!message.isEmpty())
        m_session.window().showMessage(message);
}

StartupSequence::ResumeResult StartupSequence::checkBreakPoint() {
    const SettingsStore& settings = m_session.settings();
    if (settings.ReadIniValue(SettingsKeys::kSection, SettingsKeys::kBreakPoint) != u"1")
        return ResumeResult::NoBreakPoint;

    // An empty name, or one that reaches outside the program's folder, names no output file.
    const QString fileName = settings.ReadIniValue(SettingsKeys::kSection, SettingsKeys::kBreakPointFileName);
    const bool plainName = !fileName.isEmpty() && !fileName.contains(u'/') && !fileName.contains(u'\\') &&
                           fileName != u"." && fileName != u"..";
    if (!plainName || !QFileInfo(m_session.paths().inProgramDir(fileName)).isFile()) {
        m_session.window().showMessage(Messages::kBreakPointFileMissing);
        return ResumeResult::FileMissing;
    }
    return ResumeResult::Loaded;
}

StartupSequence::ResumeResult StartupSequence::load() {
    const SettingsStore& settings = m_session.settings();
    RunState& state = m_session.state();
    WindowInterface& window = m_session.window();

    state.resumeShopUrl = settings.ReadIniValue(SettingsKeys::kSection, SettingsKeys::kBreakPointUrl);
    bool ok = false;
    const int number =
        settings.ReadIniValue(SettingsKeys::kSection, SettingsKeys::kBreakPointNum).trimmed().toInt(&ok);
    state.resumeItemNumber = ok && number > 0 ? number : 0;

    if (state.resumeShopUrl.isEmpty()) {
        window.showMessage(Messages::kResumeAddressLost);
        return ResumeResult::AddressMissing;
    }

    state.autoSave = 1;
    const QString platformText = settings.ReadIniValue(SettingsKeys::kSection, SettingsKeys::kBreakPointSO);
    if (!platformText.isEmpty()) {
        const int platform = platformCodeOrMinusOne(platformText);
        if (platform >= 0)
            window.selectPlatform(platform);
        const int format = formatCodeOrMinusOne(
            settings.ReadIniValue(SettingsKeys::kSection, SettingsKeys::kBreakPointOption));
        if (format >= 0)
            window.selectFormat(format);
    }
    window.setAddressText(state.resumeShopUrl);
    return ResumeResult::Loaded;
}

StartupSequence::ResumeResult StartupSequence::offerResume() {
    const ResumeResult found = checkBreakPoint();
    if (found != ResumeResult::Loaded)
        return found;
    if (!m_session.window().askYesNo(Messages::kResumeOffer))
        return ResumeResult::Declined;
    return load();
}

StartupSequence::ResumeResult StartupSequence::loadBreakPoint() {
    const ResumeResult found = checkBreakPoint();
    if (found != ResumeResult::Loaded)
        return found;
    return load();
}
