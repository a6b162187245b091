#include "gui/ElidedLabel.h"

#include <QPainter>
#include <QStyle>

namespace {

constexpr int kMinimumChars = 4;

} // namespace

QString ElidedLabel::oneLineText() const {
    QString line = text();
    line.replace(u'\n', u' ');
    line.replace(u'\r', u' ');
    return line;
}

QString ElidedLabel::shownText() const {
    return fontMetrics().elidedText(oneLineText(), Qt::ElideRight, contentsRect().width());
}

QSize ElidedLabel::minimumSizeHint() const {
    const QMargins margins = contentsMargins();
    return {fontMetrics().horizontalAdvance(QString(kMinimumChars, QChar(0x2026))) + margins.left() +
                margins.right(),
            QLabel::minimumSizeHint().height()};
}

QSize ElidedLabel::sizeHint() const {
    return {minimumSizeHint().width(), QLabel::sizeHint().height()};
}

void ElidedLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    style()->drawItemText(&painter, contentsRect(),
                          int(QStyle::visualAlignment(layoutDirection(), alignment())) | Qt::TextSingleLine,
                          palette(), isEnabled(), shownText(), foregroundRole());
}
