#pragma once

#include <QPixmap>
#include <QSize>
#include <QString>

// Pictures for the grid's first column, all of one size so that the titles line up.
namespace Thumbnail {

// The picture at path scaled down (never up) into size and centred on a transparent square;
// a null pixmap when the file is missing or is not a picture.
QPixmap load(const QString& path, const QSize& size);
// What a row whose picture failed shows instead: a framed empty picture.
QPixmap placeholder(const QSize& size);

} // namespace Thumbnail
