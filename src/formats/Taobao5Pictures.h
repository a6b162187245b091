#pragma once

#include "formats/Taobao5Record.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// The pictures that travel with a current-layout Taobao Assistant file: NAME.tbi files in the
// folder named after the file, named in the item's picture field. Names are the MD5 of the
// picture's bytes, so a picture stored twice is one file and names never collide across runs.
namespace Taobao5Pictures {

// The largest picture file a source may name.
constexpr qint64 kPictureFileLimit = 64LL * 1024 * 1024;

// Stores the picture as NAME.tbi beside the output file; the name, or empty when the picture
// cannot be read or written. Only a regular file of at most kPictureFileLimit bytes that starts as
// a picture is read: a source may name any file (/etc/passwd, /dev/zero, a FIFO). created, when
// given, receives the folder and the file when this call made them, so that a write that fails can
// take them back; problem, why nothing was stored (empty for an empty path).
QString storeFile(const QString& picturePath, const QString& outputPath, QStringList* created = nullptr,
                  QString* problem = nullptr);
QString storeBytes(const QByteArray& bytes, const QString& outputPath, QStringList* created = nullptr);
// Points the item at its stored picture: "NAME:1:0:|;" with picture status "2;" (a file).
void attach(Taobao5Record* item, const QString& name);

} // namespace Taobao5Pictures
