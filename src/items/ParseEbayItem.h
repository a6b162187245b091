#pragma once

#include "items/ParsedItem.h"

#include <QString>

#include <optional>

// The address of the item's picture on a cleaned eBay item page; empty when the page shows none.
QString ebayPictureAddress(const QString& pageText);

// The picture's file name: the last segment of its address.
QString ebayPictureFileName(const QString& pictureAddress);

// Whether the cleaned page is an item page (it carries the title heading, the description or the
// purchase box): a page without any is a page of another kind.
bool isEbayItemPage(const QString& pageText);

// The item's title as the page shows it; empty when the page has none.
QString ebayItemTitle(const QString& pageText);

// Cuts one cleaned eBay item page into its grid row and record; picturePath is the local path the
// record names. Nothing when the page has no title: no listing can be made of it.
std::optional<ParsedItem> parseEbayItemPage(const QString& pageText, const QString& picturePath);
