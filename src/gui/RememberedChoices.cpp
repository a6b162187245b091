#include "gui/RememberedChoices.h"

#include "base/MarketplaceCodes.h"
#include "formats/OutputFormats.h"
#include "run/SettingsStore.h"

#include <QCryptographicHash>

namespace {

const QString kPlatform = QStringLiteral("Platform");
const QString kFormat = QStringLiteral("Format");
const QString kAddress = QStringLiteral("Address");
const QString kNotice = QStringLiteral("AcceptedNotice");

// The notice is kept by a digest of its text: a changed text is a notice not yet accepted.
QString noticeDigest(const QString& notice) {
    return QString::fromLatin1(QCryptographicHash::hash(notice.toUtf8(), QCryptographicHash::Sha256).toHex());
}

} // namespace

const QString RememberedChoices::kSection = QStringLiteral("上次选择");

RememberedChoices RememberedChoices::read(const SettingsStore& settings) {
    RememberedChoices choices;
    choices.platform = MarketplaceCodes::platformFromWord(settings.readValue(kSection, kPlatform).trimmed());
    choices.format = OutputFormats::fromWord(settings.readValue(kSection, kFormat).trimmed());
    choices.address = settings.readValue(kSection, kAddress).trimmed();
    return choices;
}

bool RememberedChoices::write(SettingsStore& settings) const {
    bool written = true;
    if (platform)
        written =
            settings.writeValue(kSection, kPlatform, MarketplaceCodes::platformWord(*platform)) && written;
    if (format)
        written = settings.writeValue(kSection, kFormat, OutputFormats::describe(*format).word) && written;
    // The settings file holds no blank value: an emptied address box keeps the last address.
    if (!address.trimmed().isEmpty())
        written = settings.writeValue(kSection, kAddress, address.trimmed()) && written;
    return written;
}

bool RememberedChoices::noticeAccepted(const SettingsStore& settings, const QString& notice) {
    return settings.readValue(kSection, kNotice).trimmed() == noticeDigest(notice);
}

bool RememberedChoices::recordNoticeAccepted(SettingsStore& settings, const QString& notice) {
    return settings.writeValue(kSection, kNotice, noticeDigest(notice));
}
