#pragma once

#include <QString>

// What a parser may ask of the walk that gave it the page: a page the item page points to (the
// description script of a Taobao item) and whether the user asked to stop meanwhile.
class ItemPageSource {
public:
    virtual ~ItemPageSource() = default;

    // Fetched and decoded as the item page was (GBK, cleaned); empty on any failure.
    virtual QString fetchPage(const QString& address) = 0;
    // The walk's turn to notice a stop.
    virtual bool stopRequested() = 0;
};
