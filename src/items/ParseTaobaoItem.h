#pragma once

#include <QString>

struct CollectContext;

// Turns one cleaned Taobao item page into one record: downloads the picture and the description
// script, adds the grid row and hands the record to the row writer. pageText is shortened in
// place. An empty page or a page without a title adds nothing. categoryName is not used: the
// shop's own category is always written as 0.
void ParseTaobaoItem(CollectContext& ctx, QString& pageText, const QString& pictureAddress,
                     const QString& categoryName);
