#include "app/StartupSequence.h"

#include "app/ExtractionSession.h"
#include "app/JournalRecovery.h"
#include "app/Messages.h"
#include "app/SettingsKeys.h"
#include "app/WindowInterface.h"

#include <QFileInfo>

namespace {

// Codes outside 0..2 (hand-edited or damaged files) are not restored.
int codeOrMinusOne(const QString& text) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok && value >= 0 && value <= 2 ? value : -1;
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
        const int platform = codeOrMinusOne(platformText);
        if (platform >= 0)
            window.selectPlatform(platform);
        const int format =
            codeOrMinusOne(settings.ReadIniValue(SettingsKeys::kSection, SettingsKeys::kBreakPointOption));
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
