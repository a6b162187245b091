#include "gui/WindowPlacement.h"

#include "run/SettingsStore.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <array>

namespace {

const QString kLeft = QStringLiteral("Left");
const QString kTop = QStringLiteral("Top");
const QString kWidth = QStringLiteral("Width");
const QString kHeight = QStringLiteral("Height");
const QString kMaximized = QStringLiteral("Maximized");

// Enough of the title bar's height to catch the window by.
constexpr int kVisibleMargin = 40;

std::optional<int> readNumber(const SettingsStore& settings, const QString& key) {
    bool ok = false;
    const int value = settings.readValue(WindowPlacement::kSection, key).trimmed().toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

} // namespace

const QString WindowPlacement::kSection = QStringLiteral("窗口位置");
const QString WindowPlacement::kGeometryKey = QStringLiteral("Geometry");

bool WindowPlacement::save(const QWidget& window, SettingsStore& settings) {
    const QString record = QString::fromLatin1(window.saveGeometry().toBase64());
    const bool saved = settings.writeValue(kSection, kGeometryKey, record);
    return of(window).write(settings) && saved;
}

bool WindowPlacement::restore(QWidget& window, const SettingsStore& settings) {
    const QByteArray record =
        QByteArray::fromBase64(settings.readValue(kSection, kGeometryKey).trimmed().toLatin1());
    if (!record.isEmpty() && window.restoreGeometry(record)) {
        clampToScreen(window);
        return true;
    }
    const std::optional<WindowPlacement> placement = read(settings);
    if (!placement)
        return false;
    placement->applyTo(window);
    if (placement->maximized)
        window.setWindowState(window.windowState() | Qt::WindowMaximized);
    return true;
}

void WindowPlacement::clampToScreen(QWidget& window) {
    if (window.isMaximized() || window.isFullScreen())
        return;
    const QScreen* screen = QGuiApplication::screenAt(window.frameGeometry().center());
    if (!screen)
        screen = window.screen();
    if (!screen)
        return;
    const QRect available = screen->availableGeometry();
    // Known once the window has been shown; until then Qt places the frame at pos() all the same.
    const QRect frame = window.frameGeometry();
    const QMargins margins(window.geometry().left() - frame.left(), window.geometry().top() - frame.top(),
                           frame.right() - window.geometry().right(),
                           frame.bottom() - window.geometry().bottom());
    const QSize minimum = window.minimumSizeHint().expandedTo(window.minimumSize());
    const QSize size = window.size().boundedTo(available.size().shrunkBy(margins)).expandedTo(minimum);
    if (size != window.size())
        window.resize(size);
    const QSize outer = size.grownBy(margins);
    const QPoint at(qBound(available.left(), window.pos().x(),
                           qMax(available.left(), available.right() + 1 - outer.width())),
                    qBound(available.top(), window.pos().y(),
                           qMax(available.top(), available.bottom() + 1 - outer.height())));
    if (at != window.pos())
        window.move(at);
}

WindowPlacement WindowPlacement::of(const QWidget& window) {
    WindowPlacement placement;
    placement.maximized = window.isMaximized();
    // Position with the frame, as move() takes it; size without, as resize() takes it.
    placement.geometry = QRect(window.pos(), window.size());
    if (placement.maximized && !window.normalGeometry().isEmpty())
        placement.geometry = window.normalGeometry();
    return placement;
}

std::optional<WindowPlacement> WindowPlacement::read(const SettingsStore& settings) {
    const auto left = readNumber(settings, kLeft);
    const auto top = readNumber(settings, kTop);
    const auto width = readNumber(settings, kWidth);
    const auto height = readNumber(settings, kHeight);
    if (!left || !top || !width || !height || *width <= 0 || *height <= 0)
        return std::nullopt;
    WindowPlacement placement;
    placement.geometry = QRect(*left, *top, *width, *height);
    placement.maximized = readNumber(settings, kMaximized).value_or(0) == 1;
    return placement;
}

bool WindowPlacement::write(SettingsStore& settings) const {
    const std::array<std::pair<const QString&, int>, 5> values{{{kLeft, geometry.x()},
                                                                {kTop, geometry.y()},
                                                                {kWidth, geometry.width()},
                                                                {kHeight, geometry.height()},
                                                                {kMaximized, maximized ? 1 : 0}}};
    bool written = true;
    for (const auto& [key, value] : values)
        written = settings.writeValue(kSection, key, QString::number(value)) && written;
    return written;
}

void WindowPlacement::applyTo(QWidget& window) const {
    const QSize minimum = window.minimumSizeHint().expandedTo(window.minimumSize());
    QSize size = geometry.size().expandedTo(minimum);
    bool onScreen = false;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect available = screen->availableGeometry();
        const QRect grip(geometry.topLeft(), QSize(qMin(size.width(), kVisibleMargin * 4), kVisibleMargin));
        if (available.intersects(grip)) {
            onScreen = true;
            size = size.boundedTo(available.size()).expandedTo(minimum);
            break;
        }
    }
    window.resize(size);
    if (onScreen)
        window.move(geometry.topLeft());
}
