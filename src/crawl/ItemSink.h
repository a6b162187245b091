#pragma once

#include "crawl/ItemTally.h"
#include "items/ParsedItem.h"

#include <QString>

#include <optional>

// One list cell's item as a walk hands it to its sink, once it knows what became of it: the walk's
// collect step says what the page gave (parsed, dropped for a reason, unread), the item loop adds
// the item's number and address and whether a stop or a failed walk cut it short.
struct ReachedItem {
    enum class Fate {
        Parsed,         // to be written: parsed holds it
        Dropped,        // will not be written, for dropReason
        Unread,         // dropped as unreadable, but neither recorded nor reported (PaiPai's empty page)
        AlreadyWritten, // the output holds it: neither fetched nor written
        CutShort,       // a stop or a failed walk cut it short: found and nothing else
    };

    static ReachedItem withFate(Fate fate, DropReason reason = DropReason::PageUnreadable) {
        ReachedItem item;
        item.fate = fate;
        item.dropReason = reason;
        return item;
    }
    static ReachedItem dropped(DropReason reason) { return withFate(Fate::Dropped, reason); }
    static ReachedItem parsedItem(ParsedItem parsed) {
        ReachedItem item;
        item.fate = Fate::Parsed;
        item.parsed = std::move(parsed);
        return item;
    }

    Fate fate = Fate::CutShort;
    DropReason dropReason = DropReason::PageUnreadable;
    std::optional<ParsedItem> parsed;
    int number = 0;  // the item's place in the shop's lists
    QString address; // the item page's; empty when the cell named none readable
    // What identifies the item (itemKey), made once by the item loop; an item handed without
    // one is keyed by the sink.
    QString key;
    bool movesBreakPoint = true; // whether the breakpoint moves past it
};

// Where a shop walk hands the items of its list cells: one call per item, once its fate is known.
class ItemSink {
public:
    virtual ~ItemSink() = default;

    // Whether the output already holds the item of this key (itemKey; asked before its page is
    // fetched); such an item is counted but neither fetched, written nor paused for.
    virtual bool isItemWritten(const QString& key) const = 0;
    // Counts the item found (once, however many lists name it) and settles its fate: a parsed one
    // goes to the grid and the row writer, a dropped one is named on the status line. Then, unless
    // it was cut short or unread, the rows up to it are made durable and the breakpoint moves past
    // it. False when a stop came before a parsed item could be written: it is then found only.
    virtual bool takeItem(const ReachedItem& item) = 0;
};
