#pragma once

#include "formats/Taobao5Record.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// The pictures that travel with a current-layout Taobao Assistant file: NAME.tbi files in the
// folder named after the file, named in the item's picture field. Names are the MD5 of the
// picture's bytes, so a picture stored twice is one file and names never collide across runs.
namespace Taobao5Pictures {

// Stores the picture as NAME.tbi beside the output file; the name, or empty when the picture
// cannot be read or written. created, when given, receives the folder and the file when this call
// made them, so that a write that fails can take them back.
QString storeFile(const QString& picturePath, const QString& outputPath, QStringList* created = nullptr);
QString storeBytes(const QByteArray& bytes, const QString& outputPath, QStringList* created = nullptr);
// Points the item at its stored picture: "NAME:1:0:|;" with picture status "2;" (a file).
void attach(Taobao5Record* item, const QString& name);

} // namespace Taobao5Pictures
