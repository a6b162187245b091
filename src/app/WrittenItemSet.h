#pragma once

#include "base/Marketplace.h"
#include "base/Status.h"

#include <QSet>
#include <QString>
#include <QStringList>

// The items a shop's output file already holds, so that an item reached twice (a category and
// the whole-shop list, or a resumed run) is written once. Kept beside the output file as
// ".<output file>.items", one key per line, each line appended and forced to disk once its row
// is durable; a run that ends complete removes it. A line torn by a kill is not a key.
//
//     WrittenItemSet items(WrittenItemSet::pathFor(outputFile));
//     items.load();                        // a resumed run; a fresh one calls reset()
//     if (!items.contains(key)) { ...write the row...; items.add(key); }
//     items.commit();                      // once the rows are on disk
class WrittenItemSet {
public:
    WrittenItemSet() = default;
    explicit WrittenItemSet(const QString& path) : m_path(path) {}

    static QString pathFor(const QString& outputFile);

    // What identifies an item of the platform: Taobao the value of id=, PaiPai the item code,
    // eBay the item number; otherwise the whole address.
    static QString keyFor(Platform platform, const QString& itemAddress);

    const QString& path() const { return m_path; }
    // Reads the keys an earlier run kept; a missing file is an empty set.
    Status load();
    // Forgets every key and removes the file (a run that starts the output afresh).
    Status reset();
    // Removes the file once the output is complete; the keys stay known to this run.
    Status remove();

    bool contains(const QString& key) const { return m_keys.contains(key); }
    int size() const { return static_cast<int>(m_keys.size()); }
    // Known at once; kept on disk by the next commit.
    void add(const QString& key);
    bool hasUncommitted() const { return !m_uncommitted.isEmpty(); }
    // Appends the keys added since the last commit and forces them to disk.
    Status commit();
    // Recovery of a batch: the list keeps its first count keys (those of rows in the file before
    // the batch), then names the keys of the rows recovered; every other key it held (rows that
    // were lost) is forgotten, so a resumed run fetches those items again. Replaces the file
    // durably; forgotten receives the keys dropped.
    Status keepFirst(int count, const QStringList& recovered, QStringList* forgotten);

private:
    QString m_path;
    QSet<QString> m_keys;
    QStringList m_uncommitted;
};
