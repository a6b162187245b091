#pragma once

#include "base/Marketplace.h"

#include <QString>
#include <QStringList>

// What the commands, crawlers and parsers need from the window. The real window, the command
// line and the tests each implement it, so the same core runs under all three.
class WindowInterface {
public:
    virtual ~WindowInterface() = default;

    // The shop's marketplace (Option1) and the output format (Option5).
    virtual Platform selectedPlatform() const = 0;
    virtual FileFormat selectedFormat() const = 0;
    virtual void selectPlatform(Platform platform) = 0;
    virtual void selectFormat(FileFormat format) = 0;

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
};
