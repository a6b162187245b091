#include "crawl/ItemTally.h"

int* ItemTally::counterOf(Fate fate) {
    switch (fate) {
    case Fate::Pending:
        return nullptr;
    case Fate::Dropped:
        return &m_counts.dropped;
    case Fate::AlreadyInFile:
        return &m_counts.alreadyInFile;
    case Fate::Written:
        return &m_counts.written;
    }
    return nullptr;
}

void ItemTally::found(const QString& key) {
    if (m_fates.contains(key))
        return;
    m_fates.insert(key, Fate::Pending);
    ++m_counts.found;
}

bool ItemTally::settle(const QString& key, Fate fate) {
    found(key);
    Fate& current = m_fates[key];
    if (fate <= current)
        return false;
    if (int* before = counterOf(current))
        --*before;
    if (int* after = counterOf(fate))
        ++*after;
    current = fate;
    return true;
}

void ItemTally::lacksPictureAddress(const QString& key) {
    if (!m_withoutPictureAddress.contains(key)) {
        m_withoutPictureAddress.insert(key);
        ++m_counts.withoutPictureAddress;
    }
}

void ItemTally::clear() {
    m_fates.clear();
    m_withoutPictureAddress.clear();
    m_counts = {};
}
