#pragma once

#include "run/RunProgress.h"
#include "run/WindowInterface.h"

#include <QString>

#include <cstdio>

// The command line's output: status and message texts go to standard error, one line each
// (a text is not repeated on the line after itself: a failure is both a message and the run's last
// status); questions are asked on the terminal. The grid is only counted. When standard error is a
// terminal (setTerminalColumns), the progress and the latest status share one line that is
// rewritten in place, and only messages get lines of their own, until the run ends: then the bar
// stays as the run left it and the last status follows on a line of its own.
class ConsoleOutput : public WindowInterface {
public:
    // interactive: questions are put to the user on the terminal; otherwise they are answered No.
    explicit ConsoleOutput(bool interactive, std::FILE* errorStream = stderr, std::FILE* inputStream = stdin);

    Platform selectedPlatform() const override { return m_platform; }
    FileFormat selectedFormat() const override { return m_format; }
    void selectPlatform(Platform platform) override { m_platform = platform; }
    void selectFormat(FileFormat format) override { m_format = format; }
    QString addressText() const override { return m_address; }
    void setAddressText(const QString& text) override { m_address = text; }
    void setRunning(bool running) override { m_running = running; }
    void setStatusText(const QString& text) override;
    void clearGrid() override { m_rows = 0; }
    int gridRowCount() const override { return m_rows; }
    void addGridRow(const QString& key, const QStringList& cells) override;
    void showMessage(const QString& text) override;
    bool askYesNo(const QString& text) override;

    // The usage notice: asked on a terminal; without one it is refused with a line saying why
    // (only --agree accepts it in advance).
    bool acceptUsageNotice();

    // Standard error is a terminal this many cells wide.
    void setTerminalColumns(int columns) { m_columns = columns; }
    // Shown on the rewritten line; nothing is written without a terminal.
    void setProgress(const RunProgress& progress);
    // Leaves the rewritten line with the count and bar the run reached, and gives the last status
    // a line of its own, so that what follows starts on a line of its own.
    void finishProgressLine();

    bool isRunning() const { return m_running; }
    int messageCount() const { return m_messages; }

private:
    void writeLine(const QString& text);
    void write(const QByteArray& bytes);
    void drawProgressLine();
    bool onTerminal() const { return m_columns > 0; }

    std::FILE* m_err;
    std::FILE* m_in;
    bool m_interactive;
    Platform m_platform = Platform::PaiPai;
    FileFormat m_format = FileFormat::TaobaoAssistant;
    QString m_address;
    bool m_running = false;
    int m_rows = 0;
    int m_messages = 0;
    int m_columns = 0;
    RunProgress m_progress;
    QString m_status;
    // The text of the last line of its own, not written twice in a row.
    QString m_lastLine;
    bool m_lineShown = false;
};
