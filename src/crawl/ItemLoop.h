#pragma once

#include "crawl/ShopWalk.h"

#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// What a walk knows of an item beyond its page: the shop's name and the names of the shop
// category whose list named the item, a parent's name first. Empty where the shop's pages give
// none, or for an item of the all-items list.
struct ItemListing {
    QString shopName;
    QStringList categoryNames;
};

// How the walk over one list page ended.
enum class ListPageEnd {
    ItemCells,  // the page held item cells: its list may go on
    NoItemCell, // nothing but placeholders, or nothing at all: its list has ended
    Repeated,   // every cell named an item its list had named already: a site repeating its
                // last page past the end, so the list has ended
    Stopped,    // a stop, an item a stop cut short, or a failed walk: the whole walk ends
};

// The one walk over the item cells of the list pages that the three shop walks share: number the
// cell, pass over an item the output holds, fetch and parse it (the walk's collect step), hand it to
// the item sink, report, pause. The walks differ only in the rules they give.
class ItemLoop {
public:
    struct Rules {
        int pauseMs = 0;
        bool recordBreakPoints = true;
        // The item page's address in one cell (empty when unreadable): an item the output
        // already holds is passed over. None for a placeholder cell that stands for no item: it is
        // neither counted nor fetched.
        std::function<std::optional<QString>(int cell)> itemAddress;
        // Fetches and parses the item of one cell: what its page gave.
        std::function<ReachedItem(int cell)> collect;
        // The status line once the item numbered itemNumber is done.
        std::function<QString(int itemNumber)> progressStatus;
    };

    explicit ItemLoop(const ShopWalkInput& walk) : m_walk(walk) {}

    // The items the shop reports, for the progress reports.
    void setTotal(int total) { m_total = total; }
    int total() const { return m_total; }
    // Cells counted so far, those passed over on a resume included.
    int reached() const { return m_reached; }

    // A new list begins (a category's, the whole shop's): its pages are told apart from the
    // previous list's.
    void startList() { m_listAddresses.clear(); }

    // Walks the cellCount cells of one list page. A page of no item cell ends its list, even
    // though the shop states more items: a page whose cells were all passed over (resumed or
    // already written) does not.
    ListPageEnd walkPage(int cellCount, const Rules& rules);

    // Whether the walk read its lists to their end: no stop, and every list page came.
    bool readToEnd();
    // How the walk ended: complete (showing completion once the rows are written) only when read
    // to its end; stopped or failed otherwise.
    WalkEnd endWalk(const QString& completion);
    // The walk ended before its lists: failed when a page it needed did not come, stopped when a
    // stop came, otherwise failed for reason.
    WalkEnd endEarly(const QString& reason = {}) const;

private:
    const ShopWalkInput& m_walk;
    int m_total = 0;
    int m_reached = 0;
    QSet<QString> m_listAddresses;
};
