#include "crawl/ItemLoop.h"

bool ItemLoop::repeatsItsList(const QStringList& addresses) const {
    for (const QString& address : addresses) {
        // A cell without a readable address cannot be told from a new one.
        if (address.isEmpty() || !m_listAddresses.contains(address))
            return false;
    }
    return !addresses.isEmpty();
}

ListPageEnd ItemLoop::walkPage(int cellCount, const Rules& rules) {
    // The item cells and their addresses, read once for the repeat check and the walk.
    QList<int> itemCells;
    QStringList addresses;
    for (int cell = 0; cell < cellCount; ++cell) {
        if (rules.isPlaceholder && rules.isPlaceholder(cell))
            continue;
        itemCells.append(cell);
        addresses.append(rules.itemAddress ? rules.itemAddress(cell) : QString());
    }
    // Checked before any cell is counted, so the repeated page changes no item's number.
    if (repeatsItsList(addresses))
        return ListPageEnd::Repeated;
    for (qsizetype i = 0; i < itemCells.size(); ++i) {
        if (m_walk.pages.stopRequested() || m_walk.pages.walkFailed())
            return ListPageEnd::Stopped;
        const int cell = itemCells.at(i);
        const QString& address = addresses.at(i);
        const int itemNumber = ++m_reached;
        m_walk.items.beginItem(address, itemNumber);
        if (!address.isEmpty())
            m_listAddresses.insert(address);
        // An item the output already holds (listed again under another category, or written
        // before a resume, wherever the site has moved it since) keeps its number and moves the
        // breakpoint, but is neither fetched nor written, and no pause is owed for it.
        if (!address.isEmpty() && m_walk.items.isItemWritten(address)) {
            m_walk.items.passOverItem();
            if (rules.recordBreakPoints)
                m_walk.items.recordItemReached(itemNumber);
            m_walk.progress.setStatusText(rules.progressStatus(itemNumber));
            continue;
        }

        const ItemOutcome outcome = rules.collect(cell, itemNumber);
        // A page that asked for a login instead of the item leaves the item, like one a stop cut
        // short, to the resumed run: neither dropped nor reached.
        if (m_walk.pages.walkFailed())
            return ListPageEnd::Stopped;
        if (outcome != ItemOutcome::Emitted) {
            // An item cut short by a stop is neither written nor counted as reached, so a resume
            // fetches it again.
            if (m_walk.pages.downloadsCut()) {
                if (outcome == ItemOutcome::NotEmitted)
                    return ListPageEnd::Stopped;
            } else {
                // Unless its walk named a reason already (a cell without an address has none).
                m_walk.items.itemDropped(DropReason::PageUnreadable);
            }
        }
        if (outcome != ItemOutcome::PageUnread) {
            if (rules.recordBreakPoints)
                m_walk.items.recordItemReached(itemNumber);
            m_walk.progress.setStatusText(rules.progressStatus(itemNumber));
        }
        m_walk.pages.pause(rules.pauseMs);
    }
    return itemCells.isEmpty() ? ListPageEnd::NoItemCell : ListPageEnd::ItemCells;
}

bool ItemLoop::readToEnd() {
    return !m_walk.pages.stopRequested() && !m_walk.pages.walkFailed();
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
    if (m_walk.pages.walkFailed()) {
        end.kind = WalkEnd::Kind::Failed;
        end.reason = m_walk.pages.failure();
    } else if (m_walk.pages.stopRequested() || reason.isEmpty()) {
        end.kind = WalkEnd::Kind::Stopped;
    } else {
        end.kind = WalkEnd::Kind::Failed;
        end.reason = reason;
    }
    return end;
}
