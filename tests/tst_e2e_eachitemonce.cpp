#include "formats/QuotedRecordReader.h"
#include "support/EndToEndSupport.h"
#include "support/FixtureWebServer.h"
#include "support/TestMain.h"
#include "support/TestSystem.h"

#include <QBuffer>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

#include <algorithm>

using namespace Qt::StringLiterals;

// Every Taobao fixture shop, in every format, writes each of its items once: straight through,
// after a stop and a resume, after a kill and a resume, and after a kill whose list of written
// items was then deleted or damaged (a resume that cannot trust it refuses, and the shop is
// extracted again from its start). A shop whose lists change between a stop and the resume has
// each item of both runs once. Each row names its item's picture
// ("T1a" + item number), so a picture named twice is an item written twice. The file has one
// header line, and what the run says of it is what it holds: "共N个宝贝" is its rows, and the items
// found are its rows and those the run could not collect.
class TestE2eEachItemOnce : public QObject {
    Q_OBJECT

public:
    // How the first run ends before the resume: not at all, by a stop or a kill once the second
    // item page is asked for, or killed by the program itself the moment the first row is in the
    // journal while its key and the breakpoint are not yet on disk.
    enum class Ending { Straight, Stopped, Killed, KilledAfterRow, ListDeleted, ListDamaged };
    Q_ENUM(Ending)

private:
    FixtureWebServer m_server{fixturePath(u"web"_s)};

    static QStringList picturesNamedTwice(const QString& text) {
        static const QRegularExpression picture(u"T1a\\d+X+\\.jpg"_s);
        QHash<QString, int> seen;
        for (const QRegularExpressionMatch& match : picture.globalMatch(text))
            ++seen[match.captured(0)];
        QStringList twice;
        for (auto it = seen.cbegin(); it != seen.cend(); ++it)
            if (it.value() > 1)
                twice << it.key();
        return twice;
    }

    static void addShopRows() {
        QTest::addColumn<QString>("platform");
        QTest::addColumn<QString>("shop");
        QTest::addColumn<QString>("format");
        QTest::addColumn<Ending>("ending");
        const std::pair<const char*, Ending> endings[] = {{"straight", Ending::Straight},
                                                          {"stopped", Ending::Stopped},
                                                          {"killed", Ending::Killed},
                                                          {"killed after a row", Ending::KilledAfterRow}};
        for (const char* shop :
             {"11112222", "12345678", "22223333", "33334444", "77771111", "77772222", "77773333"})
            for (const char* format : {"taobao", "paipai", "ebay"})
                for (const auto& [name, ending] : endings)
                    QTest::addRow("%s %s %s", shop, format, name)
                        << u"taobao"_s << QString::fromLatin1(shop) << QString::fromLatin1(format) << ending;
        // The store files go through the same run machinery; one shop of several pages is enough.
        for (const char* format : {"shopify", "woocommerce"})
            for (const auto& [name, ending] : endings)
                QTest::addRow("12345678 %s %s", format, name)
                    << u"taobao"_s << u"12345678"_s << QString::fromLatin1(format) << ending;
        // The side file's damage does not depend on the shop: two shops are enough.
        for (const char* shop : {"11112222", "77771111"})
            for (const char* format : {"taobao", "ebay"})
                for (const auto& [name, ending] : {std::pair{"list deleted", Ending::ListDeleted},
                                                   std::pair{"list damaged", Ending::ListDamaged}})
                    QTest::addRow("%s %s killed, %s", shop, format, name)
                        << u"taobao"_s << QString::fromLatin1(shop) << QString::fromLatin1(format) << ending;
        // The other marketplaces' shops, with their empty and untitled item pages, in their own
        // formats: straight through, and killed the moment the first row is journaled.
        const std::pair<const char*, const char*> others[] = {
            {"paipai", "20090301"}, {"ebay", "QingShiXuan"}, {"ebay", "meihuaju"}};
        for (const auto& [platform, shop] : others)
            for (const auto& [name, ending] : {endings[0], endings[3]})
                QTest::addRow("%s %s %s", platform, shop, name)
                    << QString::fromLatin1(platform) << QString::fromLatin1(shop)
                    << QString::fromLatin1(platform) << ending;
    }

    // What a person or a careless copy does to the list between the kill and the resume.
    static void spoilList(const QString& path, Ending ending) {
        if (ending == Ending::ListDeleted) {
            QFile::remove(path);
            return;
        }
        // The last character of the last key changed, as a bad sector or an editor would.
        QByteArray bytes = fileBytes(path);
        const qsizetype at = bytes.lastIndexOf("\n\t") - 1;
        if (at < 0)
            return;
        bytes[at] = bytes.at(at) == '9' ? '8' : '9';
        putFileBytes(path, bytes);
    }

    static QString addressOf(const QString& platform, const QString& shop) {
        if (platform == u"paipai")
            return u"http://shop.paipai.com/%1/"_s.arg(shop);
        if (platform == u"ebay")
            return u"http://stores.ebay.com.cn/%1"_s.arg(shop);
        return u"http://shop%1.taobao.com/"_s.arg(shop);
    }

    static QString baseNameOf(const QString& platform, const QString& shop) {
        if (platform == u"paipai")
            return u"PaiPai_"_s + shop;
        if (platform == u"ebay")
            return u"eBay_"_s + shop.toLower();
        return u"Taobao_"_s + shop;
    }

    // The file's lines other than its header, and how often the header line (its first) occurs. A
    // store file's records may span lines (a description's line breaks): one record, one line.
    static QStringList rowsOf(const QString& text, const QString& format, int* headers) {
        QStringList lines;
        if (isStoreFormat(format)) {
            QByteArray bytes = text.toUtf8();
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::ReadOnly);
            QuotedRecordReader reader{QChar(u',')};
            reader.start(&buffer, TextDecoder(QStringConverter::Utf8));
            QStringList record;
            while (reader.readRecord(&record))
                lines.append(record.join(QChar(0x1f)));
        } else {
            lines = text.split(u"\r\n"_s, Qt::SkipEmptyParts);
        }
        *headers = lines.isEmpty() ? 0 : int(lines.count(lines.first()));
        if (!lines.isEmpty())
            lines.removeAll(QString(lines.first()));
        return lines;
    }

    // The counts of a complete run's ending, -1 where it names none.
    static int countIn(const QString& err, const QString& pattern) {
        const QRegularExpressionMatch match = QRegularExpression(pattern).match(err);
        return match.hasMatch() ? match.captured(1).toInt() : -1;
    }

    static void checkCounts(const QString& text, const QString& format, const QString& err) {
        int headers = 0;
        const QStringList rows = rowsOf(text, format, &headers);
        QCOMPARE(headers, 1);
        const int inFile = countIn(err, u"全部采集完成：共(\\d+)个宝贝"_s);
        QVERIFY2(inFile >= 0, qPrintable(err));
        QCOMPARE(inFile, int(rows.size()));
        const int dropped = std::max(0, countIn(err, u"；(\\d+)个宝贝未能采集（见日志）"_s));
        const int found = countIn(err, u"实际找到(\\d+)个"_s);
        if (found >= 0)
            QCOMPARE(found, inFile + dropped);
    }

    // A run asks for its shop page once (the page the check read is the page the walk reads) and for
    // each item page at most once, however many of the shop's lists name the item.
    static void checkFetchedOnce(const QStringList& requested, const QString& shopAddress) {
        static const QRegularExpression itemPage(
            u"^http://(item\\.taobao\\.com|auction1\\.paipai\\.com|cgi\\.ebay\\.com\\.cn)/"_s);
        QHash<QString, int> times;
        for (const QString& address : requested.filter(itemPage))
            ++times[address];
        QStringList twice;
        for (auto it = times.cbegin(); it != times.cend(); ++it)
            if (it.value() > 1)
                twice << it.key();
        QVERIFY2(twice.isEmpty(), qPrintable(twice.join(u' ')));
        QVERIFY(!times.isEmpty());
        const QString shopPage = FixtureWebServer::canonicalAddress(shopAddress);
        const auto isShopPage = [&](const QString& address) {
            return address.compare(shopPage, Qt::CaseInsensitive) == 0;
        };
        QCOMPARE(std::count_if(requested.cbegin(), requested.cend(), isShopPage), 1);
    }

    void extract(const QString& platform, const QString& shop, const QString& format, Ending ending,
                 QString* text, QString* err) {
        ExtractRun run;
        m_server.clearRequestedAddresses();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        // The pauses only slow the test down: what is written does not depend on them.
        environment.insert(u"KESTRUNE_PAUSE_SCALE"_s, u"0.1"_s);
        QProcessEnvironment firstRun = environment;
        if (ending == Ending::KilledAfterRow)
            firstRun.insert(u"KESTRUNE_KILL_AT"_s, u"row-journaled"_s);
        run.process.setProcessEnvironment(firstRun);
        run.start({u"--platform"_s, platform, u"--format"_s, format}, addressOf(platform, shop));
        const bool listSpoiled = ending == Ending::ListDeleted || ending == Ending::ListDamaged;
        const bool killed = ending == Ending::Killed || listSpoiled;
        if (ending == Ending::Stopped || killed) {
            static const QRegularExpression itemPage(u"^http://item\\.taobao\\.com/"_s);
            QTRY_VERIFY_WITH_TIMEOUT(m_server.requestedAddresses().filter(itemPage).size() >= 2, 60000);
            if (ending == Ending::Stopped)
                QVERIFY(TestSystem::interrupt(run.process));
            else
                run.process.kill();
        }
        int code = 0;
        if (ending == Ending::Straight) {
            code = run.finish();
            checkFetchedOnce(m_server.requestedAddresses(), addressOf(platform, shop));
        } else {
            run.finish();
            // The first run may have reached the end before the signal did: nothing to resume.
            *err = QString::fromUtf8(run.process.readAllStandardError());
            if (!fileBytes(run.file(u"Kestrune.ini"_s)).contains("\nBreakPoint=1"))
                return storeText(run, platform, shop, format, text);
            run.process.setProcessEnvironment(environment);
            if (listSpoiled)
                spoilList(
                    run.file(u'.' + outputName(baseNameOf(platform, shop), platform, format) + u".items"_s),
                    ending);
            run.start({u"--resume"_s});
            code = run.finish();
            // A list that no longer says what the file holds (a deleted one is made again from
            // the journal's keys, and may) refuses the resume, and the shop starts again.
            if (listSpoiled && code != 0) {
                QCOMPARE(code, 1);
                const QString refusal = QString::fromUtf8(run.process.readAllStandardError());
                QVERIFY2(refusal.contains(u"采集断点的已采集宝贝记录缺失、损坏或与文件"_s),
                         qPrintable(refusal));
                QVERIFY2(refusal.contains(u"instead of --resume"_s), qPrintable(refusal));
                run.start({u"--platform"_s, platform, u"--format"_s, format}, addressOf(platform, shop));
                code = run.finish();
            }
        }
        QCOMPARE(code, 0);
        *err = QString::fromUtf8(run.process.readAllStandardError());
        storeText(run, platform, shop, format, text);
        // A second run that is not the resumed one replaces the file.
        if (ending == Ending::Straight) {
            run.start({u"--platform"_s, platform, u"--format"_s, format}, addressOf(platform, shop));
            QCOMPARE(run.finish(), 0);
            *err = QString::fromUtf8(run.process.readAllStandardError());
            storeText(run, platform, shop, format, text);
        }
    }

    static void storeText(const ExtractRun& run, const QString& platform, const QString& shop,
                          const QString& format, QString* text) {
        *text = decodeOutput(fileBytes(run.file(outputName(baseNameOf(platform, shop), platform, format))),
                             format);
    }

private slots:
    void initTestCase() {
        QVERIFY(QFile::exists(kestruneBinary()));
        QVERIFY(m_server.start());
        m_server.useAsProxy();
    }

    void cleanup() {
        m_server.setOverlayFolder(QString());
        m_server.clearBehaviours();
    }

    void eachItemOnce_data() { addShopRows(); }
    void eachItemOnce() {
        QFETCH(QString, platform);
        QFETCH(QString, shop);
        QFETCH(QString, format);
        QFETCH(Ending, ending);
        if (ending == Ending::Stopped)
            SKIP_WITHOUT(Interrupt);
        QString text;
        QString err;
        extract(platform, shop, format, ending, &text, &err);
        const QStringList twice = picturesNamedTwice(text);
        QVERIFY2(twice.isEmpty(), qPrintable(twice.join(u' ')));
        // Rows of other marketplaces name no such pictures: each row, as a whole, once.
        int headers = 0;
        const QStringList rows = rowsOf(text, format, &headers);
        QCOMPARE(QSet<QString>(rows.cbegin(), rows.cend()).size(), rows.size());
        checkCounts(text, format, err);
    }

    // Between the stop and the resume the shop lists two new items first, or removes its second
    // item: the resume fetches every item its lists name now that the file does not hold, and the
    // file holds each item of both runs once.
    void listChangedBeforeTheResume_data() {
        QTest::addColumn<QString>("shop");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QList<int>>("first"); // the items the lists name at the first run
        QTest::addColumn<QList<int>>("later"); // and at the resume
        for (const char* format : {"taobao", "paipai"}) {
            QTest::addRow("two new items first, %s", format)
                << u"66661111"_s << QString::fromLatin1(format) << QList<int>{3101, 3102, 3103, 3104}
                << QList<int>{3105, 3106, 3101, 3102, 3103, 3104};
            QTest::addRow("second item removed, %s", format)
                << u"66662222"_s << QString::fromLatin1(format) << QList<int>{3111, 3112, 3113, 3114}
                << QList<int>{3111, 3113, 3114};
        }
    }

    void listChangedBeforeTheResume() {
        SKIP_WITHOUT(Interrupt);
        QFETCH(QString, shop);
        QFETCH(QString, format);
        QFETCH(QList<int>, first);
        QFETCH(QList<int>, later);
        const auto itemAddress = [](int id) { return u"http://item.taobao.com/item.htm?id=%1"_s.arg(id); };
        static const QRegularExpression itemPage(u"^http://item\\.taobao\\.com/item\\.htm\\?id=(\\d+)"_s);
        static const QRegularExpression picture(u"T1a(\\d+)X+\\.jpg"_s);
        const auto idsIn = [](const QStringList& texts, const QRegularExpression& pattern) {
            QList<int> ids;
            for (const QString& text : texts)
                for (const QRegularExpressionMatch& match : pattern.globalMatch(text))
                    ids << match.captured(1).toInt();
            return ids;
        };

        ExtractRun run;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"KESTRUNE_PAUSE_SCALE"_s, u"0.1"_s);
        run.process.setProcessEnvironment(environment);
        // The second item's page comes slowly, so the stop arrives while it does.
        m_server.setSlowBody(itemAddress(first.at(1)), 5, 200);
        m_server.clearRequestedAddresses();
        run.start({u"--platform"_s, u"taobao"_s, u"--format"_s, format},
                  u"http://shop%1.taobao.com/"_s.arg(shop));
        QTRY_VERIFY_WITH_TIMEOUT(m_server.requestedAddresses().contains(itemAddress(first.at(1))), 60000);
        QVERIFY(TestSystem::interrupt(run.process));
        QCOMPARE(run.finish(), 0);
        QVERIFY(fileBytes(run.file(u"Kestrune.ini"_s)).contains("\nBreakPoint=1"));
        const QString output = run.file(outputName(u"Taobao_"_s + shop, u"taobao"_s, format));
        const QList<int> before = idsIn({decodeOutput(fileBytes(output), format)}, picture);
        QVERIFY(!before.isEmpty());
        QVERIFY(before.size() < first.size());

        m_server.clearBehaviours();
        m_server.setOverlayFolder(fixturePath(u"web-later"_s));
        m_server.clearRequestedAddresses();
        run.start({u"--resume"_s});
        QCOMPARE(run.finish(), 0);
        const QString err = QString::fromUtf8(run.process.readAllStandardError());
        const QString text = decodeOutput(fileBytes(output), format);

        // Only the items the file did not hold were fetched, each once.
        QList<int> expectedFetched;
        for (int id : later)
            if (!before.contains(id))
                expectedFetched << id;
        QCOMPARE(idsIn(m_server.requestedAddresses(), itemPage), expectedFetched);
        // Each item of both runs once; what the first run wrote stays.
        QList<int> expectedInFile = before;
        for (int id : expectedFetched)
            expectedInFile << id;
        QList<int> inFile = idsIn({text}, picture);
        std::sort(inFile.begin(), inFile.end());
        std::sort(expectedInFile.begin(), expectedInFile.end());
        QCOMPARE(inFile, expectedInFile);
        checkCounts(text, format, err);
    }
};

KESTRUNE_TEST_GUILESS_MAIN(TestE2eEachItemOnce)
#include "tst_e2e_eachitemonce.moc"
