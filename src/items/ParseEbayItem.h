#pragma once

#include "items/ParsedItem.h"

#include <QString>

// The address of the item's picture on a cleaned eBay item page; empty when the page shows none.
QString ebayPictureAddress(const QString& pageText);

// The picture's file name: the last segment of its address.
QString ebayPictureFileName(const QString& pictureAddress);

// Cuts one cleaned eBay item page into its grid row and record; picturePath is the local path the
// record names.
ParsedItem parseEbayItemPage(const QString& pageText, const QString& picturePath);
