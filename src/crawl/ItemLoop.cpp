#include "crawl/ItemLoop.h"

#include "crawl/CrawlHost.h"

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
        if (m_host.stopRequested() || m_host.walkFailed())
            return ListPageEnd::Stopped;
        const int cell = itemCells.at(i);
        const QString& address = addresses.at(i);
        const int itemNumber = ++m_reached;
        m_host.beginItem(address, itemNumber);
        if (!address.isEmpty())
            m_listAddresses.insert(address);
        // An item the output already holds (listed again under another category, or written
        // before a resume, wherever the site has moved it since) keeps its number and moves the
        // breakpoint, but is neither fetched nor written, and no pause is owed for it.
        if (!address.isEmpty() && m_host.isItemWritten(address)) {
            m_host.passOverItem();
            if (rules.recordBreakPoints)
                m_host.recordItemReached(itemNumber);
            m_host.setStatusText(rules.progressStatus(itemNumber));
            continue;
        }

        const ItemOutcome outcome = rules.collect(cell, itemNumber);
        // A page that asked for a login instead of the item leaves the item, like one a stop cut
        // short, to the resumed run: neither dropped nor reached.
        if (m_host.walkFailed())
            return ListPageEnd::Stopped;
        if (outcome != ItemOutcome::Emitted) {
            // An item cut short by a stop is neither written nor counted as reached, so a resume
            // fetches it again.
            if (m_host.downloadsCut()) {
                if (outcome == ItemOutcome::NotEmitted)
                    return ListPageEnd::Stopped;
            } else {
                // Unless its walk named a reason already (a cell without an address has none).
                m_host.itemDropped(DropReason::PageUnreadable);
            }
        }
        if (outcome != ItemOutcome::PageUnread) {
            if (rules.recordBreakPoints)
                m_host.recordItemReached(itemNumber);
            m_host.setStatusText(rules.progressStatus(itemNumber));
        }
        m_host.pause(rules.pauseMs);
    }
    return itemCells.isEmpty() ? ListPageEnd::NoItemCell : ListPageEnd::ItemCells;
}

bool ItemLoop::readToEnd() {
    return !m_host.stopRequested() && !m_host.walkFailed();
}

void ItemLoop::endWalk(const QString& completion) {
    const bool complete = readToEnd();
    if (complete)
        m_host.reportListsRead();
    // The walk alone calls the shop complete only when its lists held all the shop stated; the
    // run decides for a shop whose lists ended early.
    if (complete && m_total <= m_reached)
        m_host.markShopComplete();
    m_host.finish();
    if (complete)
        m_host.setStatusText(completion);
}
