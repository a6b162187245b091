#pragma once

#include <QRect>
#include <QString>

#include <optional>

class QWidget;
class SettingsStore;

// The window's size and position from one start to the next, in a section of the settings file
// of its own, beside the breakpoint. Qt's own geometry record carries it (the frame's position, the
// size without the frame, the screen, maximised or not), so a restored window opens exactly where
// it was closed, frame and all; the plain keys beside it are for a person reading the file, and are
// read only when the record is missing (a file from before it was kept).
struct WindowPlacement {
    static const QString kSection;
    static const QString kGeometryKey;

    QRect geometry; // position (with the frame) and size (without) when not maximised
    bool maximized = false;

    static WindowPlacement of(const QWidget& window);
    // The plain keys; nothing when they are missing or damaged.
    static std::optional<WindowPlacement> read(const SettingsStore& settings);
    // Both Qt's record and the plain keys.
    static bool save(const QWidget& window, SettingsStore& settings);
    // The saved placement put back and kept within the screen; false when none was saved.
    static bool restore(QWidget& window, const SettingsStore& settings);
    // Moves and, when it must, shrinks a window that is not maximised so that all of it, frame
    // included, lies on the available part of its screen.
    static void clampToScreen(QWidget& window);

    bool write(SettingsStore& settings) const;
    // Sizes the window (never below its minimum) and moves it there when that spot is still on
    // one of the screens; a placement from a screen since removed keeps the size only.
    void applyTo(QWidget& window) const;
};
