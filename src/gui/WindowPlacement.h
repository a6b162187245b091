#pragma once

#include <QRect>
#include <QString>

#include <optional>

class QWidget;
class SettingsStore;

// The window's size and position from one start to the next, in a section of the settings file
// of its own, beside the breakpoint.
struct WindowPlacement {
    static const QString kSection;

    QRect geometry; // position and size of the window when not maximised
    bool maximized = false;

    static WindowPlacement of(const QWidget& window);
    // Nothing when no placement was saved or it is damaged.
    static std::optional<WindowPlacement> read(const SettingsStore& settings);
    bool write(SettingsStore& settings) const;
    // Sizes the window (never below its minimum) and moves it there when that spot is still on
    // one of the screens; a placement from a screen since removed keeps the size only.
    void applyTo(QWidget& window) const;
};
