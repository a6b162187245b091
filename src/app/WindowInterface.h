#pragma once

#include <QString>
#include <QStringList>

// What the commands, crawlers and parsers need from the window. The real window, the command
// line and the tests each implement it, so the same core runs under all three.
class WindowInterface {
public:
    virtual ~WindowInterface() = default;

    // Option1: 0 PaiPai, 1 eBay, 2 Taobao. Option5: 0 Taobao Assistant, 1 eBay Assistant, 2 PaiPai Assistant,
    // 3 the current Taobao Assistant layout.
    virtual int selectedPlatform() const = 0;
    virtual int selectedFormat() const = 0;
    virtual void selectPlatform(int index) = 0;
    virtual void selectFormat(int index) = 0;

    virtual QString addressText() const = 0; // txt_set_dz
    virtual void setAddressText(const QString& text) = 0;

    // Running: address and platform locked, Cmd_stop shown, busy cursor. Idle: the reverse.
    virtual void setRunning(bool running) = 0;

    virtual void setStatusText(const QString& text) = 0; // lb_stat_txt

    virtual void clearGrid() = 0;
    virtual int gridRowCount() const = 0;
    // key "QXV" + row count; cells[0] is the row text, cells[1..30] the sub-items.
    virtual void addGridRow(const QString& key, const QStringList& cells) = 0;

    virtual void showMessage(const QString& text) = 0; // OK-only box titled "Kestrune"
    virtual bool askYesNo(const QString& text) = 0;    // Yes/No box titled "Kestrune"

    // The crawl's turn to notice a stop: the engine's worker turns a requested stop into the
    // stop command here; tests press stop from here.
    virtual void processEvents() = 0;
};

// Adds one grid row keyed "QXV" + the current row count: cells[0] is the row text, the rest
// the sub-items. Parsers pass the record's values or, where the grid shows a formatted number,
// their own cells.
inline void ShowGridRow(WindowInterface& window, const QStringList& cells) {
    window.addGridRow(QStringLiteral("QXV") + QString::number(window.gridRowCount()), cells);
}
