#include "crawl/ItemKey.h"
#include "crawl/MarketplaceDescription.h"
#include "run/WrittenItemSet.h"
#include "support/TestMain.h"
#include "support/WebTestSupport.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

using Condition = WrittenItemSet::Condition;
Q_DECLARE_METATYPE(Condition)

class TestWrittenItemSet : public QObject {
    Q_OBJECT

private slots:
    void keyOfAnItem_data() {
        QTest::addColumn<Platform>("platform");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("key");

        addRow("taobao id", Platform::Taobao, u"http://item.taobao.com/item.htm?id=1001"_s, u"1001"_s);
        addRow("taobao id after other values", Platform::Taobao,
               u"http://item.taobao.com/auction/item_detail.htm?cat=5&id=2002&x=1"_s, u"2002"_s);
        addRow("taobao id in capitals", Platform::Taobao, u"http://item.taobao.com/item.htm?ID=7"_s, u"7"_s);
        addRow("taobao without id", Platform::Taobao, u" http://item.taobao.com/auction/3003.jhtml "_s,
               u"http://item.taobao.com/auction/3003.jhtml"_s);
        addRow("taobao empty id", Platform::Taobao, u"http://item.taobao.com/item.htm?id="_s,
               u"http://item.taobao.com/item.htm?id="_s);
        addRow("paipai item code", Platform::PaiPai,
               u"http://auction1.paipai.com/6A1E8B3A0000000000000000000A0001"_s,
               u"6A1E8B3A0000000000000000000A0001"_s);
        addRow("ebay item number", Platform::Ebay,
               u"http://cgi.ebay.com.cn/ws/eBayISAPI.dll?ViewItem&item=330010000001&rd=1"_s,
               u"330010000001"_s);
        addRow("ebay without number", Platform::Ebay, u"http://cgi.ebay.com.cn/ws/eBayISAPI.dll?ViewItem"_s,
               u"http://cgi.ebay.com.cn/ws/eBayISAPI.dll?ViewItem"_s);
        // A line break would make one key two lines of the file.
        addRow("line break in the address", Platform::Ebay, u"http://x/a\nb"_s, u"http://x/a b"_s);
    }

    void keyOfAnItem() {
        QFETCH(Platform, platform);
        QFETCH(QString, address);
        QFETCH(QString, key);
        QCOMPARE(itemKey(describeMarketplace(platform).itemKeyQuery, address, 1), key);
    }

    // What the file holds when a run starts, which keys that run then knows, and whether they
    // can be vouched for.
    void readWhatAnEarlierRunKept_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<Condition>("condition");
        QTest::addColumn<QStringList>("keys");

        const QByteArray version = "KESTRUNE-ITEMS 2\n";
        const QByteArray one = version + "1001\n\t1\ta8ab95b6\n";
        const QByteArray two = version + "1001\n1002\n\t2\t256cae37\n";
        const QStringList first{u"1001"_s};
        const QStringList both{u"1001"_s, u"1002"_s};
        addRow("checked", two, Condition::Checked, both);
        addRow("two commits", one + "1002\n\t2\t256cae37\n", Condition::Checked, both);
        addRow("nothing kept yet", version, Condition::Checked, QStringList());
        // A kill in the middle of a commit: its keys have no check line yet, and are no keys.
        addRow("commit torn after its keys", one + "1002\n", Condition::Checked, first);
        addRow("commit torn in a key", one + "10", Condition::Checked, first);
        addRow("commit torn in its check line", one + "1002\n\t2\t25", Condition::Checked, first);
        addRow("key changed by hand", version + "1001\n1003\n\t2\t256cae37\n", Condition::Damaged,
               QStringList());
        addRow("key removed by hand", version + "1001\n\t2\t256cae37\n", Condition::Damaged, QStringList());
        addRow("check value changed", version + "1001\n1002\n\t2\t256cae38\n", Condition::Damaged,
               QStringList());
        addRow("check value in capitals", version + "1001\n1002\n\t2\t256CAE37\n", Condition::Damaged,
               QStringList());
        addRow("empty line", version + "1001\n\n\t1\ta8ab95b6\n", Condition::Damaged, QStringList());
        addRow("line ends changed to CR LF", QByteArray(two).replace("\n", "\r\n"), Condition::Damaged,
               QStringList());
        addRow("later version", "KESTRUNE-ITEMS 3\n1001\n"_ba, Condition::Damaged, QStringList());
        // An earlier version kept keys alone; a kill could tear its last line.
        addRow("keys alone", "1001\n1002\n"_ba, Condition::Unchecked, both);
        addRow("keys alone, torn last line", "1001\n10"_ba, Condition::Unchecked, first);
        addRow("keys alone, empty lines", "\n1001\n\n"_ba, Condition::Unchecked, first);
        addRow("keys alone, chinese", "http://x/宝贝\n"_ba, Condition::Unchecked,
               QStringList{u"http://x/宝贝"_s});
        addRow("empty file", ""_ba, Condition::Unchecked, QStringList());
        addRow("keys alone with a check line", "1001\n\t1\ta8ab95b6\n"_ba, Condition::Damaged, QStringList());
    }

    void readWhatAnEarlierRunKept() {
        QFETCH(QByteArray, file);
        QFETCH(Condition, condition);
        QFETCH(QStringList, keys);

        const WrittenItemSet::Reading reading = WrittenItemSet::read(file);
        QCOMPARE(reading.condition, condition);
        QCOMPARE(reading.keys, keys);

        // Loaded from disk, the next commit leaves a list that reads whole with one key more,
        // whatever state the file was in; loading never changes the file.
        QTemporaryDir dir;
        const QString path = WrittenItemSet::pathFor(dir.filePath(u"Taobao_1.csv"_s));
        putFileBytes(path, file);
        WrittenItemSet items(path);
        QVERIFY(items.load().ok());
        QCOMPARE(items.condition(), condition);
        QCOMPARE(items.size(), keys.size());
        QCOMPARE(fileBytes(path), file);
        items.add(u"new"_s);
        QVERIFY(items.commit().ok());
        const WrittenItemSet::Reading after = WrittenItemSet::read(fileBytes(path));
        QCOMPARE(after.condition, Condition::Checked);
        QCOMPARE(after.keys.size(), keys.size() + 1);
        QVERIFY(after.keys.contains(u"new"_s));
        for (const QString& key : keys)
            QVERIFY2(after.keys.contains(key), qPrintable(key));
    }

    // Keys are known at once but reach the file only at a commit; a reset or a complete run
    // removes the file.
    void lifeOfTheFile() {
        QTemporaryDir dir;
        const QString output = dir.filePath(u"PaiPai_9.csv"_s);
        const QString path = WrittenItemSet::pathFor(output);
        QCOMPARE(path, QDir::toNativeSeparators(dir.filePath(u".PaiPai_9.csv.items"_s)));

        WrittenItemSet items(path);
        items.add(u"a"_s);
        items.add(u"a"_s);
        QVERIFY(items.contains(u"a"_s));
        QVERIFY(items.hasUncommitted());
        QVERIFY(!QFile::exists(path));
        QVERIFY(items.commit().ok());
        QVERIFY(!items.hasUncommitted());
        QCOMPARE(fileBytes(path), "KESTRUNE-ITEMS 2\na\n\t1\tddeaa107\n"_ba);
        items.add(u"b"_s);
        QVERIFY(items.commit().ok());
        QCOMPARE(fileBytes(path), "KESTRUNE-ITEMS 2\na\n\t1\tddeaa107\nb\n\t2\t18572a97\n"_ba);

        // A later run continues the file where it stands.
        WrittenItemSet later(path);
        QVERIFY(later.load().ok());
        later.add(u"c"_s);
        QVERIFY(later.commit().ok());
        QCOMPARE(WrittenItemSet::read(fileBytes(path)).keys, (QStringList{u"a"_s, u"b"_s, u"c"_s}));

        QVERIFY(items.remove().ok());
        QVERIFY(!QFile::exists(path));
        QCOMPARE(items.size(), 2);

        putFileBytes(path, "x\n");
        QVERIFY(items.reset().ok());
        QVERIFY(!QFile::exists(path));
        QCOMPARE(items.size(), 0);
    }

    // A TAB marks a check line: a key never holds one.
    void keyWithATab() {
        QTemporaryDir dir;
        const QString path = WrittenItemSet::pathFor(dir.filePath(u"Taobao_1.csv"_s));
        WrittenItemSet items(path);
        items.add(u"\t1\tddeaa107"_s);
        QVERIFY(items.commit().ok());
        const WrittenItemSet::Reading reading = WrittenItemSet::read(fileBytes(path));
        QCOMPARE(reading.condition, Condition::Checked);
        QCOMPARE(reading.keys, QStringList{u" 1 ddeaa107"_s});
    }

    void commitFailsWhereNoFileCanBeMade() {
        QTemporaryDir dir;
        WrittenItemSet items(dir.filePath(u"missing/.x.csv.items"_s));
        items.add(u"a"_s);
        QVERIFY(!items.commit().ok());
        // Still to be written by the next commit.
        QVERIFY(items.hasUncommitted());
    }
};

KESTRUNE_TEST_GUILESS_MAIN(TestWrittenItemSet)
#include "tst_writtenitemset.moc"
