#include "run/ProgressText.h"

#include <QStringList>

namespace ProgressText {

namespace {

bool isWide(char32_t c) {
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0x303E) || (c >= 0x3041 && c <= 0x33FF) ||
           (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xA000 && c <= 0xA4CF) ||
           (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) ||
           (c >= 0xFF00 && c <= 0xFF60) || (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
}

// The longest start of text that takes at most `cells` cells.
QString fitted(const QString& text, int cells) {
    QString kept;
    int used = 0;
    for (const char32_t c : text.toUcs4()) {
        const int width = isWide(c) ? 2 : 1;
        if (used + width > cells)
            break;
        used += width;
        kept += QString::fromUcs4(&c, 1);
    }
    return kept;
}

} // namespace

QString count(const RunProgress& progress) {
    if (!progress.totalKnown())
        return QStringLiteral("已采集 %1 个宝贝").arg(progress.done);
    return QStringLiteral("已采集 %1 / 共 %2 个宝贝").arg(progress.done).arg(progress.total);
}

QString timeLeft(const RunProgress& progress) {
    if (!progress.totalKnown())
        return {};
    if (progress.millisecondsLeft < 0)
        return QStringLiteral("正在估算剩余时间");
    // Whole seconds, rounded up: "0秒" only when nothing is left.
    const qint64 seconds = (progress.millisecondsLeft + 999) / 1000;
    QString text;
    if (seconds >= 3600)
        text = QStringLiteral("%1小时%2分")
                   .arg(seconds / 3600)
                   .arg(seconds % 3600 / 60, 2, 10, QLatin1Char('0'));
    else if (seconds >= 60)
        text = QStringLiteral("%1分%2秒").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
    else
        text = QStringLiteral("%1秒").arg(seconds);
    return QStringLiteral("剩余约") + text;
}

namespace {

QStringList countAndBar(const RunProgress& progress, int barWidth) {
    QStringList parts{count(progress)};
    if (progress.totalKnown()) {
        const int filled = progress.percent() * barWidth / 100;
        parts.append(u'[' + QString(filled, u'#') + QString(barWidth - filled, u'-') + u']');
        parts.append(QString::number(progress.percent()) + u'%');
    }
    return parts;
}

} // namespace

QString terminalEndLine(const RunProgress& progress, int columns, int barWidth) {
    return fitted(countAndBar(progress, barWidth).join(u' '), columns);
}

QString terminalLine(const RunProgress& progress, const QString& status, int columns, int barWidth) {
    QStringList parts = countAndBar(progress, barWidth);
    const QString left = timeLeft(progress);
    if (!left.isEmpty())
        parts.append(left);
    QString line = parts.join(u' ');
    if (!status.isEmpty())
        line += QStringLiteral("  ") + status;
    return fitted(line, columns);
}

int terminalWidth(const QString& text) {
    int cells = 0;
    for (const char32_t c : text.toUcs4())
        cells += isWide(c) ? 2 : 1;
    return cells;
}

} // namespace ProgressText
