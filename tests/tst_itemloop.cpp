#include "base/StopSignal.h"
#include "crawl/ItemLoop.h"
#include "support/TestMain.h"

#include <QSet>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// A run that only counts: items written, a stop after some items, and a failed page.
class CountingHost : public PageSource, public ItemSink, public WalkProgress {
public:
    QSet<QString> written;
    int stopAfterCollected = -1; // a stop once this many items were collected
    int collected = 0;
    QString failure; // the walk's failure: set, the walk has failed
    StopSignal stop;
    QStringList statuses;
    bool cutOnCollect = false; // a stop cuts the downloads short as the first item is collected
    QStringList fates;         // each item's fate as the sink was given it

    QString fetchPage(const QString&) override { return {}; }
    bool stopRequested() override { return stopAfterCollected >= 0 && collected >= stopAfterCollected; }
    QString fetchPageUtf8(const QString&) override { return {}; }
    QString fetchWalkPage(const QString&, Encoding) override { return {}; }
    QString downloadPicture(const QString&, const QString& fileName) override { return fileName; }
    void pause(int) override {}
    bool isItemWritten(const QString& key) const override { return written.contains(key); }
    bool takeItem(const ReachedItem& item) override {
        static const QStringList fateNames{u"parsed"_s, u"dropped"_s, u"unread"_s, u"already"_s, u"cut"_s};
        fates.append(fateNames.at(int(item.fate)));
        current = item.address.isEmpty() ? u'#' + QString::number(item.number) : item.address;
        tally.found(current);
        if (item.fate == ReachedItem::Fate::AlreadyWritten)
            tally.settle(current, ItemTally::Fate::AlreadyInFile);
        else if (item.fate == ReachedItem::Fate::Parsed)
            tally.settle(current, ItemTally::Fate::Written);
        else if (item.fate != ReachedItem::Fate::CutShort)
            tally.settle(current, ItemTally::Fate::Dropped);
        return true;
    }
    void setStatusText(const QString& text) override { statuses.append(text); }
    void showMessage(const QString&) override {}
    void reportShopTotal(int) override {}

    ShopWalkInput input{QString(), *this, *this, *this, failure, stop, false, 0, QString()};
    ItemTally tally;
    QString current;
};

// One list page as the walks give it to the loop: a cell is an item address, "-" a placeholder,
// "" a cell whose address cannot be read.
ListPageEnd walk(ItemLoop& loop, CountingHost& host, const QStringList& cells) {
    ItemLoop::Rules rules;
    rules.itemAddress = [&](int cell) -> std::optional<QString> {
        if (cells.at(cell) == u"-")
            return std::nullopt;
        return cells.at(cell);
    };
    // "x!" is an item that is not written, "x?" one whose page did not come.
    rules.collect = [&](int cell) {
        ++host.collected;
        if (host.cutOnCollect)
            host.stop.request();
        if (cells.at(cell).endsWith(u'!'))
            return ReachedItem::dropped(DropReason::PageUnreadable);
        if (cells.at(cell).endsWith(u'?'))
            return ReachedItem::withFate(ReachedItem::Fate::Unread);
        return ReachedItem::parsedItem({});
    };
    rules.progressStatus = [](int itemNumber) { return QString::number(itemNumber); };
    return loop.walkPage(int(cells.size()), rules);
}

} // namespace

Q_DECLARE_METATYPE(ListPageEnd)
Q_DECLARE_METATYPE(WalkEnd::Kind)

class TestItemLoop : public QObject {
    Q_OBJECT

private slots:
    // A list ends at a page without an item cell: cells count, not the items written.
    void pageEnd_data() {
        QTest::addColumn<QStringList>("cells");
        QTest::addColumn<QStringList>("written");
        QTest::addColumn<int>("stopAfter");
        QTest::addColumn<ListPageEnd>("end");
        QTest::addColumn<int>("collected");

        const QStringList three{u"a"_s, u"b"_s, u"c"_s};
        QTest::newRow("items") << three << QStringList() << -1 << ListPageEnd::ItemCells << 3;
        QTest::newRow("no cell at all")
            << QStringList() << QStringList() << -1 << ListPageEnd::NoItemCell << 0;
        QTest::newRow("placeholders only")
            << QStringList{u"-"_s, u"-"_s} << QStringList() << -1 << ListPageEnd::NoItemCell << 0;
        QTest::newRow("every cell already written") << three << three << -1 << ListPageEnd::ItemCells << 0;
        // A resume knows its items by their keys: two new items listed first move the written
        // ones down, and only the new ones are fetched.
        QTest::newRow("new items before the written ones")
            << QStringList{u"n1"_s, u"n2"_s, u"a"_s, u"b"_s} << QStringList{u"a"_s, u"b"_s} << -1
            << ListPageEnd::ItemCells << 2;
        QTest::newRow("a written item gone") << QStringList{u"a"_s, u"c"_s} << QStringList{u"a"_s, u"b"_s}
                                             << -1 << ListPageEnd::ItemCells << 1;
        QTest::newRow("only an unreadable cell")
            << QStringList{u"-"_s, QString()} << QStringList() << -1 << ListPageEnd::ItemCells << 1;
        QTest::newRow("stopped on the way") << three << QStringList() << 1 << ListPageEnd::Stopped << 1;
    }

    void pageEnd() {
        QFETCH(QStringList, cells);
        QFETCH(QStringList, written);
        QFETCH(int, stopAfter);
        QFETCH(ListPageEnd, end);
        QFETCH(int, collected);

        CountingHost host;
        host.written = QSet<QString>(written.begin(), written.end());
        host.stopAfterCollected = stopAfter;
        ItemLoop loop(host.input);
        QCOMPARE(walk(loop, host, cells), end);
        QCOMPARE(host.collected, collected);
    }

    // A page naming only items its list named already is a site repeating its last page: the list
    // ends there, before any of its cells is counted. A new list may name them again.
    void repeatedPage_data() {
        QTest::addColumn<QList<QStringList>>("pages"); // {"|"}: a new list begins
        QTest::addColumn<QList<ListPageEnd>>("ends");
        QTest::addColumn<int>("reached");

        using End = ListPageEnd;
        const QStringList ab{u"a"_s, u"b"_s};
        QTest::newRow("last page again") << QList<QStringList>{ab, {u"c"_s}, {u"c"_s}}
                                         << QList<End>{End::ItemCells, End::ItemCells, End::Repeated} << 3;
        QTest::newRow("first page again, placeholders aside")
            << QList<QStringList>{ab, {u"-"_s, u"b"_s, u"a"_s}} << QList<End>{End::ItemCells, End::Repeated}
            << 2;
        QTest::newRow("partly new") << QList<QStringList>{ab, {u"b"_s, u"c"_s}}
                                    << QList<End>{End::ItemCells, End::ItemCells} << 4;
        QTest::newRow("an unreadable cell may be new")
            << QList<QStringList>{{u"a"_s, QString()}, {u"a"_s, QString()}}
            << QList<End>{End::ItemCells, End::ItemCells} << 4;
        QTest::newRow("another list names the same items")
            << QList<QStringList>{ab, {u"|"_s}, ab} << QList<End>{End::ItemCells, End::ItemCells} << 4;
    }

    void repeatedPage() {
        QFETCH(QList<QStringList>, pages);
        QFETCH(QList<ListPageEnd>, ends);
        QFETCH(int, reached);

        CountingHost host;
        ItemLoop loop(host.input);
        QList<ListPageEnd> actual;
        for (const QStringList& page : pages) {
            if (page == QStringList{u"|"_s})
                loop.startList();
            else
                actual.append(walk(loop, host, page));
        }
        QCOMPARE(actual, ends);
        QCOMPARE(loop.reached(), reached);
    }

    // The walk's ending: items found each once, completion only for a walk read to its end.
    void endWalk_data() {
        QTest::addColumn<QList<QStringList>>("pages");
        QTest::addColumn<int>("total");
        QTest::addColumn<bool>("failed");
        QTest::addColumn<int>("found");
        QTest::addColumn<WalkEnd::Kind>("kind");
        QTest::addColumn<bool>("allStatedReached");

        const QList<QStringList> twoLists{{u"a"_s, u"b"_s}, {u"b"_s, u"c"_s, QString(), u"-"_s}};
        QTest::newRow("as stated") << twoLists << 5 << false << 4 << WalkEnd::Kind::Complete << true;
        // Two items named by both lists and the unreadable cell: 4 found, 5 cells.
        QTest::newRow("stated far more")
            << twoLists << 2000000000 << false << 4 << WalkEnd::Kind::Complete << false;
        QTest::newRow("a page did not come") << twoLists << 5 << true << 4 << WalkEnd::Kind::Failed << true;
    }

    void endWalk() {
        QFETCH(QList<QStringList>, pages);
        QFETCH(int, total);
        QFETCH(bool, failed);
        QFETCH(int, found);
        QFETCH(WalkEnd::Kind, kind);
        QFETCH(bool, allStatedReached);

        CountingHost host;
        ItemLoop loop(host.input);
        loop.setTotal(total);
        for (const QStringList& page : pages)
            walk(loop, host, page);
        if (failed)
            host.failure = u"failed"_s;
        const WalkEnd end = loop.endWalk(u"done"_s);
        QCOMPARE(end.kind, kind);
        QCOMPARE(end.listsRead(), kind == WalkEnd::Kind::Complete);
        QCOMPARE(end.reason, failed ? u"failed"_s : QString());
        QCOMPARE(end.lastStatus, kind == WalkEnd::Kind::Complete ? u"done"_s : QString());
        QCOMPARE(end.stated, total);
        QCOMPARE(end.reached >= end.stated, allStatedReached);
        QCOMPARE(host.tally.counts().found, found);
        // The loop only hands the ending back: the run shows it.
        QVERIFY(!host.statuses.contains(u"done"_s));
    }

    // Each item counts once, with its best fate: at the end found = written + already + dropped.
    void counts_data() {
        QTest::addColumn<QList<QStringList>>("pages");
        QTest::addColumn<QStringList>("written");
        QTest::addColumn<QList<int>>("expected"); // found, written, already in the file, dropped

        const QStringList ab{u"a"_s, u"b"_s};
        QTest::newRow("straight") << QList<QStringList>{ab, {u"c"_s}} << QStringList()
                                  << QList<int>{3, 3, 0, 0};
        QTest::newRow("named by two lists")
            << QList<QStringList>{ab, {u"b"_s, u"c"_s}} << QStringList() << QList<int>{3, 3, 0, 0};
        QTest::newRow("resumed") << QList<QStringList>{ab, {u"c"_s}} << ab << QList<int>{3, 1, 2, 0};
        QTest::newRow("resumed, two new items first")
            << QList<QStringList>{{u"n1"_s, u"n2"_s, u"a"_s}, {u"b"_s, u"c"_s}} << ab
            << QList<int>{5, 3, 2, 0};
        QTest::newRow("resumed, a written item gone")
            << QList<QStringList>{{u"a"_s, u"c"_s}} << ab << QList<int>{2, 1, 1, 0};
        QTest::newRow("already in the file")
            << QList<QStringList>{ab} << QStringList{u"b"_s} << QList<int>{2, 1, 1, 0};
        QTest::newRow("dropped: not written, page unread")
            << QList<QStringList>{{u"a!"_s, u"b?"_s, u"c"_s}} << QStringList() << QList<int>{3, 1, 0, 2};
        QTest::newRow("dropped under one list, written under another")
            << QList<QStringList>{{u"a!"_s}, {u"a"_s}} << QStringList() << QList<int>{2, 1, 0, 1};
    }

    void counts() {
        QFETCH(QList<QStringList>, pages);
        QFETCH(QStringList, written);
        QFETCH(QList<int>, expected);

        CountingHost host;
        host.written = QSet<QString>(written.begin(), written.end());
        ItemLoop loop(host.input);
        for (const QStringList& page : pages) {
            loop.startList();
            walk(loop, host, page);
        }
        const ItemTally::Counts& c = host.tally.counts();
        QCOMPARE((QList<int>{c.found, c.written, c.alreadyInFile, c.dropped}), expected);
    }

    // The loop hands the sink each item once, with its fate; a stop that cut the downloads short
    // leaves an item that was not parsed found only, and ends the page unless its page was unread.
    void handedOver_data() {
        QTest::addColumn<QStringList>("cells");
        QTest::addColumn<QStringList>("written");
        QTest::addColumn<bool>("cut");
        QTest::addColumn<QStringList>("fates");
        QTest::addColumn<ListPageEnd>("end");

        QTest::newRow("each fate") << QStringList{u"a"_s, u"b!"_s, u"c?"_s, u"d"_s} << QStringList{u"d"_s}
                                   << false
                                   << QStringList{u"parsed"_s, u"dropped"_s, u"unread"_s, u"already"_s}
                                   << ListPageEnd::ItemCells;
        QTest::newRow("cut short before it was parsed")
            << QStringList{u"a!"_s, u"b"_s} << QStringList() << true << QStringList{u"cut"_s}
            << ListPageEnd::Stopped;
        QTest::newRow("cut short, its page unread")
            << QStringList{u"a?"_s, u"b"_s} << QStringList() << true << QStringList{u"cut"_s, u"parsed"_s}
            << ListPageEnd::ItemCells;
        QTest::newRow("parsed: the sink tells") << QStringList{u"a"_s} << QStringList() << true
                                                << QStringList{u"parsed"_s} << ListPageEnd::ItemCells;
    }

    void handedOver() {
        QFETCH(QStringList, cells);
        QFETCH(QStringList, written);
        QFETCH(bool, cut);
        QFETCH(QStringList, fates);
        QFETCH(ListPageEnd, end);

        CountingHost host;
        host.written = QSet<QString>(written.begin(), written.end());
        host.cutOnCollect = cut;
        ItemLoop loop(host.input);
        QCOMPARE(walk(loop, host, cells), end);
        QCOMPARE(host.fates, fates);
    }

    // A stop that comes once the lists are read still keeps the walk from saying it completed.
    void stoppedWalkShowsNoCompletion() {
        CountingHost host;
        ItemLoop loop(host.input);
        loop.setTotal(1);
        walk(loop, host, {u"a"_s});
        host.stopAfterCollected = 1;
        const WalkEnd end = loop.endWalk(u"done"_s);
        QCOMPARE(end.kind, WalkEnd::Kind::Stopped);
        QVERIFY(end.lastStatus.isEmpty());
        QVERIFY(!end.listsRead());
    }
};

KESTRUNE_TEST_GUILESS_MAIN(TestItemLoop)
#include "tst_itemloop.moc"
