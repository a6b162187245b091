#pragma once

#include "run/WindowInterface.h"

// Passes everything on to the window it wraps and counts the messages shown: a crawl that had
// to tell the user something did not end complete.
class MessageCountingWindow : public WindowInterface {
public:
    explicit MessageCountingWindow(WindowInterface& window) : m_window(window) {}

    int messagesShown() const { return m_messages; }

    Platform selectedPlatform() const override { return m_window.selectedPlatform(); }
    FileFormat selectedFormat() const override { return m_window.selectedFormat(); }
    void selectPlatform(Platform platform) override { m_window.selectPlatform(platform); }
    void selectFormat(FileFormat format) override { m_window.selectFormat(format); }
    QString addressText() const override { return m_window.addressText(); }
    void setAddressText(const QString& text) override { m_window.setAddressText(text); }
    void setRunning(bool running) override { m_window.setRunning(running); }
    void setStatusText(const QString& text) override { m_window.setStatusText(text); }
    void clearGrid() override { m_window.clearGrid(); }
    int gridRowCount() const override { return m_window.gridRowCount(); }
    void addGridRow(const QString& key, const QStringList& cells) override {
        m_window.addGridRow(key, cells);
    }
    void showMessage(const QString& text) override {
        ++m_messages;
        m_window.showMessage(text);
    }
    bool askYesNo(const QString& text) override { return m_window.askYesNo(text); }

private:
    WindowInterface& m_window;
    int m_messages = 0;
};
