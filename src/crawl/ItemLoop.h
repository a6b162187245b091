#pragma once

#include <QString>

#include <functional>

class CrawlHost;

// What became of the item of one list cell.
enum class ItemOutcome {
    Emitted,    // on the grid and with the row writer
    NotEmitted, // counted but not written: unreadable cell or page, page without a title
    PageUnread, // nothing to parse, and nothing to record or report either (PaiPai's empty page)
};

// The one walk over the item cells of the list pages that the three shop walks share: count the
// cell, honour the resume number, fetch, parse and emit (the walk's collect step), record the
// breakpoint, report, pause. The walks differ only in the rules they give.
class ItemLoop {
public:
    struct Rules {
        int pauseMs = 500;
        bool recordBreakPoints = true;
        // A placeholder cell that stands for no item: neither counted nor fetched.
        std::function<bool(int cell)> isPlaceholder;
        // The item page's address in one cell (empty when unreadable): an item the output
        // already holds is passed over.
        std::function<QString(int cell)> itemAddress;
        // Fetches, parses and emits the item of one cell.
        std::function<ItemOutcome(int cell, int itemNumber)> collect;
        // The status line once the item numbered itemNumber is done.
        std::function<QString(int itemNumber)> progressStatus;
    };

    explicit ItemLoop(CrawlHost& host) : m_host(host) {}

    // The items the shop reports, for the progress reports.
    void setTotal(int total) { m_total = total; }
    int total() const { return m_total; }
    // Cells counted so far, those passed over on a resume included.
    int reached() const { return m_reached; }

    // Walks the cellCount cells of one list page; false when the walk must end (a stop, or an
    // item that a stop cut short).
    bool walkPage(int cellCount, const Rules& rules);

private:
    CrawlHost& m_host;
    int m_total = 0;
    int m_reached = 0;
};
