#include "commandline/ConsoleOutput.h"

#include "run/Messages.h"
#include "run/ProgressText.h"

ConsoleOutput::ConsoleOutput(bool interactive, std::FILE* errorStream, std::FILE* inputStream)
    : m_err(errorStream), m_in(inputStream), m_interactive(interactive) {}

namespace {

// One line, whatever line breaks the text itself holds.
QString oneLine(const QString& text) {
    QString line = text;
    line.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    line.replace(u'\n', u' ');
    line.replace(u'\r', u' ');
    return line;
}

// Back to the start of the line, and the line cleared.
constexpr char kClearLine[] = "\r\x1b[K";

} // namespace

void ConsoleOutput::write(const QByteArray& bytes) {
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), m_err);
    std::fflush(m_err);
}

void ConsoleOutput::writeLine(const QString& text) {
    const QString line = oneLine(text);
    if (line == m_lastLine)
        return;
    m_lastLine = line;
    // A line of its own goes above the progress line, which is drawn again below it.
    const bool redraw = m_lineShown;
    write((redraw ? QByteArray(kClearLine) : QByteArray()) + line.toUtf8() + '\n');
    m_lineShown = false;
    if (redraw)
        drawProgressLine();
}

void ConsoleOutput::drawProgressLine() {
    // The last cell stays free: a line that fills the terminal would wrap before \r comes back.
    const QString line = ProgressText::terminalLine(m_progress, m_status, m_columns - 1);
    write(kClearLine + line.toUtf8());
    m_lineShown = true;
}

void ConsoleOutput::setStatusText(const QString& text) {
    if (!onTerminal()) {
        writeLine(text);
        return;
    }
    m_status = oneLine(text);
    drawProgressLine();
}

void ConsoleOutput::setProgress(const RunProgress& progress) {
    m_progress = progress;
    if (onTerminal())
        drawProgressLine();
}

void ConsoleOutput::finishProgressLine() {
    if (!m_lineShown)
        return;
    write(kClearLine + ProgressText::terminalEndLine(m_progress, m_columns - 1).toUtf8() + '\n');
    m_lineShown = false;
    if (!m_status.isEmpty())
        writeLine(m_status);
}

void ConsoleOutput::addGridRow(const QString&, const QStringList&) {
    ++m_rows;
}

void ConsoleOutput::showMessage(const QString& text) {
    ++m_messages;
    writeLine(text);
}

bool ConsoleOutput::acceptUsageNotice() {
    if (!m_interactive) {
        writeLine(
            QStringLiteral("kestrune: the usage notice must be accepted; run on a terminal or pass --agree"));
        return false;
    }
    return askYesNo(Messages::kUsageNotice);
}

bool ConsoleOutput::askYesNo(const QString& text) {
    // A question asked again is asked again.
    m_lastLine.clear();
    writeLine(text);
    if (!m_interactive)
        return false;
    for (;;) {
        write(QStringLiteral("[y/n] ").toUtf8());
        char buffer[256];
        if (!std::fgets(buffer, sizeof buffer, m_in))
            return false;
        const QString answer = QString::fromUtf8(buffer).trimmed().toLower();
        if (answer == u"y" || answer == u"yes" || answer == u"是")
            return true;
        if (answer == u"n" || answer == u"no" || answer == u"否" || answer.isEmpty())
            return false;
    }
}
