#include "app/ConsoleWindow.h"

#include "app/Messages.h"

#include <QCoreApplication>

ConsoleWindow::ConsoleWindow(bool interactive, std::FILE* errorStream, std::FILE* inputStream)
    : m_err(errorStream), m_in(inputStream), m_interactive(interactive) {}

void ConsoleWindow::writeLine(const QString& text) {
    // One line per text, whatever line breaks the text itself holds.
    QString line = text;
    line.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    line.replace(u'\n', u' ');
    line.replace(u'\r', u' ');
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), m_err);
    std::fflush(m_err);
}

void ConsoleWindow::setStatusText(const QString& text) {
    writeLine(text);
}

void ConsoleWindow::addGridRow(const QString&, const QStringList&) {
    ++m_rows;
}

void ConsoleWindow::showMessage(const QString& text) {
    ++m_messages;
    writeLine(text);
}

bool ConsoleWindow::acceptUsageNotice() {
    if (!m_interactive) {
        writeLine(
            QStringLiteral("kestrune: the usage notice must be accepted; run on a terminal or pass --agree"));
        return false;
    }
    return askYesNo(Messages::kUsageNotice);
}

bool ConsoleWindow::askYesNo(const QString& text) {
    writeLine(text);
    if (!m_interactive)
        return false;
    for (;;) {
        const QByteArray prompt = QStringLiteral("[y/n] ").toUtf8();
        std::fwrite(prompt.constData(), 1, static_cast<size_t>(prompt.size()), m_err);
        std::fflush(m_err);
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

void ConsoleWindow::processEvents() {
    QCoreApplication::processEvents();
    if (onProcessEvents)
        onProcessEvents();
}
