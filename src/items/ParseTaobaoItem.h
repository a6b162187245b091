#pragma once

#include "items/ParsedItem.h"

#include <QString>

#include <optional>

class ItemPageSource;

// The picture's file name: the last segment of its address.
QString taobaoPictureFileName(const QString& pictureAddress);

// Whether the cleaned page is an item's (it carries the title field or the item's number): a page
// without either is a page of another kind.
bool isTaobaoItemPage(const QString& pageText);

// Cuts one cleaned, non-empty Taobao item page into its record; picturePath is the local path the
// record names. The description lives in a script on the description host, which is fetched
// through source; a stop noticed while the shipping entries are searched ends the search with
// what it has. Nothing when the page has no title (the description is fetched all the same).
std::optional<ParsedItem> parseTaobaoItemPage(QString pageText, const QString& picturePath,
                                              ItemPageSource& source);
