#include "app/WrittenItemSet.h"
#include "support/WebTestSupport.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

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
        QCOMPARE(WrittenItemSet::keyFor(platform, address), key);
    }

    // What the file holds when a run starts, and which keys that run then knows.
    void loadWhatAnEarlierRunKept_data() {
        QTest::addColumn<QByteArray>("file"); // null: no file
        QTest::addColumn<QStringList>("keys");
        QTest::addColumn<QByteArray>("fileAfterLoad");

        addRow("no file", QByteArray(), QStringList(), QByteArray());
        addRow("whole lines", "1001\n1002\n"_ba, QStringList{u"1001"_s, u"1002"_s}, "1001\n1002\n"_ba);
        // A kill in the middle of an append leaves part of a key: it is no key, and goes.
        addRow("torn last line", "1001\n10"_ba, QStringList{u"1001"_s}, "1001\n"_ba);
        addRow("only a torn line", "10"_ba, QStringList(), ""_ba);
        addRow("empty lines", "\n1001\n\n"_ba, QStringList{u"1001"_s}, "\n1001\n\n"_ba);
        addRow("chinese key", "http://x/宝贝\n"_ba, QStringList{u"http://x/宝贝"_s}, "http://x/宝贝\n"_ba);
    }

    void loadWhatAnEarlierRunKept() {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, keys);
        QFETCH(QByteArray, fileAfterLoad);

        QTemporaryDir dir;
        const QString path = WrittenItemSet::pathFor(dir.filePath(u"Taobao_1.csv"_s));
        putFileBytes(path, file);
        WrittenItemSet items(path);
        QVERIFY(items.load().ok());
        QCOMPARE(items.size(), keys.size());
        for (const QString& key : keys)
            QVERIFY2(items.contains(key), qPrintable(key));
        QCOMPARE(fileBytes(path), fileAfterLoad);

        // What comes next lands on a line of its own and reads back.
        items.add(u"new"_s);
        QVERIFY(items.commit().ok());
        WrittenItemSet again(path);
        QVERIFY(again.load().ok());
        QCOMPARE(again.size(), keys.size() + 1);
        QVERIFY(again.contains(u"new"_s));
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
        QCOMPARE(fileBytes(path), "a\n"_ba);
        items.add(u"b"_s);
        QVERIFY(items.commit().ok());
        QCOMPARE(fileBytes(path), "a\nb\n"_ba);

        QVERIFY(items.remove().ok());
        QVERIFY(!QFile::exists(path));
        QCOMPARE(items.size(), 2);

        putFileBytes(path, "x\n");
        QVERIFY(items.reset().ok());
        QVERIFY(!QFile::exists(path));
        QCOMPARE(items.size(), 0);
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

QTEST_GUILESS_MAIN(TestWrittenItemSet)
#include "tst_writtenitemset.moc"
