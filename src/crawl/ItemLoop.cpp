#include "crawl/ItemLoop.h"

#include "base/StopSignal.h"
#include "crawl/ItemKey.h"

#include <utility>

ListPageEnd ItemLoop::walkPage(int cellCount, const Rules& rules) {
    // The item cells and their addresses, read once for the repeat check and the walk.
    QList<int> itemCells;
    QStringList addresses;
    for (int cell = 0; cell < cellCount; ++cell) {
        const std::optional<QString> address = rules.itemAddress ? rules.itemAddress(cell) : QString();
        if (!address)
            continue;
        itemCells.append(cell);
        addresses.append(*address);
    }
    // A page naming only items its list named already is the site repeating its last page past
    // the end; it is told before any cell is counted, so it changes no item's number. A cell
    // without a readable address cannot be told from a new one.
    bool repeated = !addresses.isEmpty();
    for (const QString& address : std::as_const(addresses))
        repeated = repeated && !address.isEmpty() && m_listAddresses.contains(address);
    if (repeated)
        return ListPageEnd::Repeated;
    PageSource& pages = m_walk.pages;
    for (qsizetype i = 0; i < itemCells.size(); ++i) {
        if (pages.stopRequested() || !m_walk.failure.isEmpty())
            return ListPageEnd::Stopped;
        const QString& address = addresses.at(i);
        const int itemNumber = ++m_reached;
        if (!address.isEmpty())
            m_listAddresses.insert(address);
        QString key = itemKey(m_walk.itemKeyQuery, address, itemNumber);
        // An item the output already holds (listed again under another category, or written
        // before a resume, wherever the site has moved it since) keeps its number and moves the
        // breakpoint, but is neither fetched nor written, and no pause is owed for it.
        const bool written = !address.isEmpty() && m_walk.items.isItemWritten(key);
        ReachedItem item = written ? ReachedItem::withFate(ReachedItem::Fate::AlreadyWritten)
                                   : rules.collect(itemCells.at(i));
        item.number = itemNumber;
        item.address = address;
        item.key = std::move(key);
        item.movesBreakPoint = rules.recordBreakPoints;
        // An item cut short by a stop, or whose page (or description) asked for a login, is left
        // to the resumed run: neither written, dropped nor reached.
        const ReachedItem::Fate fate = item.fate;
        const bool cutShort = !m_walk.failure.isEmpty() ||
                              (fate != ReachedItem::Fate::Parsed && !written && m_walk.stop.isRequested());
        if (cutShort)
            item.fate = ReachedItem::Fate::CutShort;
        if (!m_walk.items.takeItem(item))
            return ListPageEnd::Stopped;
        if (!m_walk.failure.isEmpty() || (cutShort && fate != ReachedItem::Fate::Unread))
            return ListPageEnd::Stopped;
        if (fate != ReachedItem::Fate::Unread)
            m_walk.progress.setStatusText(rules.progressStatus(itemNumber));
        if (!written)
            pages.pause(rules.pauseMs);
    }
    return itemCells.isEmpty() ? ListPageEnd::NoItemCell : ListPageEnd::ItemCells;
}

bool ItemLoop::readToEnd() {
    return !m_walk.pages.stopRequested() && m_walk.failure.isEmpty();
}

WalkEnd ItemLoop::endWalk(const QString& completion) {
    if (!readToEnd())
        return endEarly();
    WalkEnd end;
    end.stated = m_total;
    end.reached = m_reached;
    end.lastStatus = completion;
    return end;
}

WalkEnd ItemLoop::endEarly(const QString& reason) const {
    WalkEnd end;
    end.stated = m_total;
    end.reached = m_reached;
    if (!m_walk.failure.isEmpty()) {
        end.kind = WalkEnd::Kind::Failed;
        end.reason = m_walk.failure;
    } else if (m_walk.pages.stopRequested() || reason.isEmpty()) {
        end.kind = WalkEnd::Kind::Stopped;
    } else {
        end.kind = WalkEnd::Kind::Failed;
        end.reason = reason;
    }
    return end;
}
