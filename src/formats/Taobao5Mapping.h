#pragma once

#include "formats/ItemRecord.h"
#include "formats/Taobao5Record.h"

#include <QList>
#include <QString>
#include <QStringView>

// Between a current-layout Taobao Assistant item and the 31-field item record that the extraction
// fills and the converter's mappings read. The record holds values the way an item of the older
// Taobao layout holds them (codes 5/8/6, "b"/"a", 2 for a seller who pays the freight), as
// plain values, so every mapping that takes a Taobao record takes a current-layout item unchanged.
namespace Taobao5Mapping {

// Postage templates leave garbage such as 2.97297e-39 in the fee fields: a fee that is not a
// plain decimal from 0 to 99999.99 is 0.
QString fee(QStringView text);
// A number as decimal text without exponent notation; empty stays empty and text that is not a
// number is returned as it stands (trimmed).
QString plainNumber(QStringView text);

struct PictureEntry {
    QString name;
    int position = -1;
    QString url;
};
// The entries of a picture field, "NAME:1:POSITION:|URL;" each.
QList<PictureEntry> pictureEntries(QStringView picture);
// The entry at position 0, else the first one listed; empty when there is none.
QString mainPictureName(QStringView picture);
// Where the pictures of a file live: the folder named after the file, beside it.
QString pictureFolder(const QString& csvPath);
// The main picture's file in the picture folder, when it exists; else empty.
QString localPicturePath(QStringView picture, const QString& csvPath);

// The record fields (bit ItemRecord::indexOf each) that an item of this layout carries; the others
// toItemRecord fills with the constants an extraction puts.
quint32 recordFields();

// csvPath locates the item's picture file.
ItemRecord toItemRecord(const Taobao5Record& item, const QString& csvPath);
// The inverse for the fields the record has; picture and picture_status stay empty: the writer
// fills them once it has stored the picture.
Taobao5Record fromItemRecord(const ItemRecord& record);

} // namespace Taobao5Mapping
