#pragma once

#include "run/WindowInterface.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// A window for tests: records what the core shows and answers questions from a queue.
class FakeWindow : public WindowInterface {
public:
    struct Row {
        QString key;
        QStringList cells;
    };

    Platform platform = Platform::PaiPai;
    FileFormat format = FileFormat::TaobaoAssistant;
    QString address;
    bool running = false;
    QStringList statusTexts;
    QList<Row> rows;
    QStringList messages;
    QStringList questions;
    QList<bool> answers; // answers to askYesNo in order; "No" when empty
    // Runs after each status text and grid row: lets a test press stop in the middle of a crawl.
    std::function<void()> onUpdate;

    Platform selectedPlatform() const override { return platform; }
    FileFormat selectedFormat() const override { return format; }
    void selectPlatform(Platform chosen) override { platform = chosen; }
    void selectFormat(FileFormat chosen) override { format = chosen; }
    QString addressText() const override { return address; }
    void setAddressText(const QString& text) override { address = text; }
    void setRunning(bool value) override { running = value; }
    void setStatusText(const QString& text) override {
        statusTexts.append(text);
        if (onUpdate)
            onUpdate();
    }
    void clearGrid() override { rows.clear(); }
    int gridRowCount() const override { return static_cast<int>(rows.size()); }
    void addGridRow(const QString& key, const QStringList& cells) override {
        rows.append({key, cells});
        if (onUpdate)
            onUpdate();
    }
    void showMessage(const QString& text) override { messages.append(text); }
    bool askYesNo(const QString& text) override {
        questions.append(text);
        return answers.isEmpty() ? false : answers.takeFirst();
    }
};
