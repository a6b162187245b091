#pragma once

#include "base/Marketplace.h"
#include "base/Status.h"

#include <QByteArrayView>
#include <QSet>
#include <QString>
#include <QStringList>

// The items a shop's output file already holds, so that an item reached twice (a category and
// the whole-shop list, or a resumed run) is written once. Kept beside the output file as
// ".<output file>.items": a version line, one key per line, and after each commit a check line
// (a TAB, the number of keys so far, a TAB, the CRC-32 of every key line so far). Keys are
// appended and forced to disk once their rows are durable; a run that ends complete removes the
// file. Keys after the last check line were torn by a kill and are no keys.
//
//     WrittenItemSet items(WrittenItemSet::pathFor(outputFile));
//     items.load();                        // a resumed run; a fresh one calls reset()
//     if (!items.contains(key)) { ...write the row...; items.add(key); }
//     items.commit();                      // once the rows are on disk
class WrittenItemSet {
public:
    // What load() found.
    enum class Condition {
        Missing,   // no file: nothing kept
        Checked,   // a list with its check lines, read to its last whole commit
        Unchecked, // keys alone, as earlier versions kept them: only as good as the output agrees
        Damaged,   // a check that fails, or no list this program writes: no key of it is used
    };

    // What a list's bytes hold.
    struct Reading {
        Condition condition = Condition::Missing;
        QStringList keys;
        // The file is not as a next commit may simply append to (torn, unchecked, damaged).
        bool needsRewrite = false;
    };

    WrittenItemSet() = default;
    explicit WrittenItemSet(const QString& path) : m_path(path) {}

    static QString pathFor(const QString& outputFile);

    static Reading read(QByteArrayView bytes);

    const QString& path() const { return m_path; }
    // Reads the keys an earlier run kept. A missing file is an empty set; a damaged one is an
    // empty set too, and condition() says so. Fails only when the file cannot be read.
    Status load();
    Condition condition() const { return m_condition; }
    // Forgets every key and removes the file (a run that starts the output afresh).
    Status reset();
    // Removes the file once the output is complete; the keys stay known to this run.
    Status remove();

    // Asked as added: a key is kept on one line, without a TAB.
    bool contains(const QString& key) const;
    int size() const { return static_cast<int>(m_keys.size()); }
    // Known at once; kept on disk by the next commit.
    void add(const QString& key);
    bool hasUncommitted() const { return !m_uncommitted.isEmpty(); }
    // Puts the keys added since the last commit on disk with a new check line and forces them
    // there. A file that cannot simply be appended to is written anew, whole, in its place.
    Status commit();
    // Recovery of a batch: the list keeps its first count keys (those of rows in the file before
    // the batch), then names the keys of the rows recovered; every other key it held (rows that
    // were lost) is forgotten, so a resumed run fetches those items again. Replaces the file
    // durably; forgotten receives the keys dropped.
    Status keepFirst(int count, const QStringList& recovered, QStringList* forgotten);

private:
    Status rewrite();

    QString m_path;
    QSet<QString> m_keys;
    QStringList m_order; // m_keys as written
    QStringList m_uncommitted;
    Condition m_condition = Condition::Missing;
    // Key lines on disk and their CRC-32 state, for the next check line.
    int m_linesOnDisk = 0;
    quint32 m_crc = 0;
    bool m_needsRewrite = true;
};
