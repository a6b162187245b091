#pragma once

#include <QHash>
#include <QSet>
#include <QString>

// Why an item found in the shop's lists did not reach the output.
enum class DropReason {
    PageUnreadable, // the item page did not come, or came empty
    TooLarge,       // the item page was larger than a page may be
    TimedOut,       // the item page did not come in time
    NoTitle,        // an item page without the item's title
    OtherPage,      // a page of another kind where the item page should be
};

// The one count of a run's items: each item found in the lists once, whatever number of lists name
// it, and what became of it. An item's best fate counts: written beats already in the file, which
// beats dropped (an item dropped under one category and written under another is written). Once the
// lists are read, found = written + already in the file + dropped; an item a stop cut short is
// found and nothing else.
//
//     ItemTally tally;
//     tally.found(key);
//     tally.settle(key, ItemTally::Fate::Written);
class ItemTally {
public:
    enum class Fate { Pending, Dropped, AlreadyInFile, Written };

    struct Counts {
        int found = 0;
        int written = 0;
        int alreadyInFile = 0;
        int dropped = 0;
        // Items written to a store file without any picture address a store could fetch.
        int withoutPictureAddress = 0;
    };

    // Adds the item unless it was found before.
    void found(const QString& key);
    // Gives the item a fate, unless it has a better one already; false then.
    bool settle(const QString& key, Fate fate);
    // The item went to the output without a picture address; counted once.
    void lacksPictureAddress(const QString& key);
    Fate fateOf(const QString& key) const { return m_fates.value(key, Fate::Pending); }
    const Counts& counts() const { return m_counts; }
    void clear();

private:
    int* counterOf(Fate fate);

    QHash<QString, Fate> m_fates;
    QSet<QString> m_withoutPictureAddress;
    Counts m_counts;
};
