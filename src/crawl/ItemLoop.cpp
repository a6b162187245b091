#include "crawl/ItemLoop.h"

#include "crawl/CrawlHost.h"

bool ItemLoop::walkPage(int cellCount, const Rules& rules) {
    int yielded = 0;
    for (int cell = 0; cell < cellCount; ++cell) {
        if (m_host.stopRequested())
            return false;
        if (rules.isPlaceholder && rules.isPlaceholder(cell))
            continue;
        const int itemNumber = ++m_reached;
        m_host.reportProgress(m_reached, m_total);
        // Items a resumed run already wrote cost no download.
        if (itemNumber <= m_host.resumeItemNumber())
            continue;
        // Nor does an item the output already holds (listed again under another category, or
        // written before a resume): it keeps its number and moves the breakpoint, but is neither
        // fetched nor written, and no pause is owed for it.
        const QString address = rules.itemAddress ? rules.itemAddress(cell) : QString();
        if (!address.isEmpty()) {
            if (m_host.isItemWritten(address)) {
                if (rules.recordBreakPoints)
                    m_host.recordItemReached(itemNumber);
                m_host.setStatusText(rules.progressStatus(itemNumber));
                continue;
            }
            m_host.beginItem(address);
        }

        const ItemOutcome outcome = rules.collect(cell, itemNumber);
        if (outcome == ItemOutcome::Emitted)
            ++yielded;
        if (outcome != ItemOutcome::PageUnread) {
            // An item cut short by a stop is neither written nor counted as reached, so a resume
            // fetches it again.
            if (outcome != ItemOutcome::Emitted && m_host.downloadsCut())
                return false;
            if (rules.recordBreakPoints)
                m_host.recordItemReached(itemNumber);
            m_host.setStatusText(rules.progressStatus(itemNumber));
        }
        m_host.pause(rules.pauseMs);
    }
    // A list page that yielded no item (yielded == 0): a rule ending the walk there goes here.
    static_cast<void>(yielded);
    return true;
}
