#pragma once

#include "formats/Taobao5Record.h"

#include <QByteArray>
#include <QString>

// The pictures that travel with a current-layout Taobao Assistant file: NAME.tbi files in the
// folder named after the file, named in the item's picture field. Names are the MD5 of the
// picture's bytes, so a picture stored twice is one file and names never collide across runs.
namespace Taobao5Pictures {

// Stores the picture as NAME.tbi beside the output file; the name, or empty when the picture
// cannot be read or written.
QString storeFile(const QString& picturePath, const QString& outputPath);
QString storeBytes(const QByteArray& bytes, const QString& outputPath);
// Points the item at its stored picture: "NAME:1:0:|;" with picture status "2;" (a file).
void attach(Taobao5Record* item, const QString& name);

} // namespace Taobao5Pictures
