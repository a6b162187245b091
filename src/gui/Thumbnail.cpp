#include "gui/Thumbnail.h"

#include <QImage>
#include <QImageReader>
#include <QPainter>

namespace Thumbnail {

QPixmap load(const QString& path, const QSize& size) {
    if (path.isEmpty() || size.isEmpty())
        return {};
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QSize original = reader.size();
    if (original.isValid()) {
        // The decoder scales while reading (JPEG decodes at a fraction), so a large picture never
        // lands in memory whole.
        if (original.width() > size.width() || original.height() > size.height())
            reader.setScaledSize(original.scaled(size, Qt::KeepAspectRatio));
    }
    QImage image = reader.read();
    if (image.isNull())
        return {};
    if (image.width() > size.width() || image.height() > size.height())
        image = image.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation);

    QImage square(size, QImage::Format_ARGB32_Premultiplied);
    square.fill(Qt::transparent);
    QPainter painter(&square);
    painter.drawImage((size.width() - image.width()) / 2, (size.height() - image.height()) / 2, image);
    painter.end();
    return QPixmap::fromImage(square);
}

QPixmap placeholder(const QSize& size) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF frame = QRectF(QPointF(0, 0), QSizeF(size)).adjusted(2.5, 2.5, -2.5, -2.5);
    painter.setPen(QPen(QColor(0xA0, 0xA0, 0xA0), 1.0));
    painter.setBrush(QColor(0xF0, 0xF0, 0xF0));
    painter.drawRect(frame);
    // A mountain and a sun, the usual sign of a picture that is not there.
    const qreal w = frame.width();
    const qreal h = frame.height();
    QPolygonF mountain;
    mountain << QPointF(frame.left() + w * 0.12, frame.bottom() - h * 0.15)
             << QPointF(frame.left() + w * 0.42, frame.top() + h * 0.40)
             << QPointF(frame.left() + w * 0.62, frame.bottom() - h * 0.35)
             << QPointF(frame.left() + w * 0.72, frame.top() + h * 0.55)
             << QPointF(frame.right() - w * 0.12, frame.bottom() - h * 0.15);
    painter.setBrush(QColor(0xC8, 0xC8, 0xC8));
    painter.setPen(Qt::NoPen);
    painter.drawPolygon(mountain);
    painter.drawEllipse(QPointF(frame.right() - w * 0.28, frame.top() + h * 0.28), w * 0.09, w * 0.09);
    painter.end();
    return QPixmap::fromImage(image);
}

} // namespace Thumbnail
