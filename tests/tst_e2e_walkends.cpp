#include "run/Messages.h"
#include "run/SettingsKeys.h"
#include "run/SettingsStore.h"
#include "support/TestMain.h"
#include "support/TestSystem.h"

#include "support/EndToEndSupport.h"
#include "support/FixtureWebServer.h"

#include <QTest>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

const QString kEndlessTaobao = u"http://shop88880001.taobao.com/"_s;
const QString kDroppingTaobao = u"http://shop88880002.taobao.com/"_s;
const QString kTaobaoItem = u"http://item.taobao.com/item.htm?id="_s;
const QString kPaiPaiItem = u"http://auction1.paipai.com/6A1E8B3A0000000000000000000A000"_s;
const QString kEbayItem = u"http://cgi.ebay.com.cn/ws/eBayISAPI.dll?ViewItem&item=33004000000%1&rd=1"_s;

// The pages a walk reads to find its items (shop, category and list pages), in the order asked
// for; the shop page once, as the page the run checked is the page the walk reads.
QStringList walkPages(const FixtureWebServer& server) {
    QStringList pages;
    for (const QString& address : server.requestedAddresses()) {
        if (address.startsWith(u"http://shop"_s) || address.startsWith(u"http://stores."_s))
            pages.append(address);
    }
    return pages;
}

} // namespace

// The real program on shops whose walks must end: a shop stating far more items than its lists
// hold, a list page that never comes, and a stop on the last item of a walk.
class TestE2eWalkEnds : public QObject {
    Q_OBJECT

private:
    FixtureWebServer m_server{fixturePath(u"web"_s)};

    static QString ini(const ExtractRun& run, const QString& key) {
        return SettingsStore(run.file(u"Kestrune.ini"_s)).readValue(SettingsKeys::kSection, key);
    }

    // The data rows of a PaiPai Assistant file.
    static int rowCount(const ExtractRun& run, const QString& name) {
        const QString text = decodeOutput(fileBytes(run.file(name)), u"paipai"_s);
        return std::max(0, int(text.split(u"\r\n"_s, Qt::SkipEmptyParts).size()) - 1);
    }

private slots:
    void initTestCase() {
        QVERIFY(QFile::exists(kestruneBinary()));
        QVERIFY(m_server.start());
        m_server.useAsProxy();
        qputenv("KESTRUNE_PAUSE_SCALE", "0.01");
    }

    void init() {
        m_server.clearBehaviours();
        m_server.clearRequestedAddresses();
    }

    // Each shop states 2000000000 items: the walk reads one page past each list's last item and
    // ends complete, naming what it found beside what the shop stated.
    void statedTotalFarAboveTheLists_data() {
        QTest::addColumn<QString>("platform");
        QTest::addColumn<QString>("shop");
        QTest::addColumn<QString>("output");
        QTest::addColumn<int>("found");
        QTest::addColumn<QStringList>("pages");

        const QString whole =
            u"http://shop.taobao.com/shop/view_shop.htm?shop_id=88880001&page_num=%1&query_type=all"_s;
        auto list = [](const QString& cat, int page) -> QString {
            return kEndlessTaobao + u"?page_num=%1&cat=%2&search=y"_s.arg(page).arg(cat);
        };
        // Both categories state the huge total too; the whole shop's first page holds only items
        // the categories gave, which does not end its list.
        QTest::newRow("Taobao: categories and whole shop")
            << u"taobao"_s << kEndlessTaobao << u"Taobao_88880001_PaiPai.csv"_s << 5
            << QStringList{kEndlessTaobao,  kEndlessTaobao + u"?cat=1&search=y"_s,
                           list(u"1"_s, 1), list(u"1"_s, 2),
                           list(u"1"_s, 3), kEndlessTaobao + u"?cat=2&search=y"_s,
                           list(u"2"_s, 1), list(u"2"_s, 2),
                           whole.arg(1),    whole.arg(2),
                           whole.arg(3)};
        const QString paipai = u"http://shop.paipai.com/20090306/"_s;
        QTest::newRow("PaiPai") << u"paipai"_s << paipai << u"PaiPai_20090306.csv"_s << 2
                                << QStringList{paipai, paipai + u"1000-1-2/itemlist.js"_s,
                                               paipai + u"1000-2-2/itemlist.js"_s,
                                               paipai + u"1000-3-2/itemlist.js"_s};
        const QString ebay = u"http://stores.ebay.com.cn/SongHe_W0QQfsubZ0QQsclZQ2d1QQtZkm"_s;
        QTest::newRow("eBay") << u"ebay"_s << u"http://stores.ebay.com.cn/songhe"_s
                              << u"eBay_songhe_PaiPai.csv"_s << 2
                              << QStringList{u"http://stores.ebay.com.cn/songhe"_s, ebay, ebay + u"QQpZ1"_s,
                                             ebay + u"QQpZ2"_s};
    }

    void statedTotalFarAboveTheLists() {
        QFETCH(QString, platform);
        QFETCH(QString, shop);
        QFETCH(QString, output);
        QFETCH(int, found);
        QFETCH(QStringList, pages);

        ExtractRun run;
        run.start({u"--platform"_s, platform, u"--format"_s, u"paipai"_s}, shop);
        QCOMPARE(run.finish(), 0);
        const QString err = QString::fromUtf8(run.process.readAllStandardError());
        QVERIFY2(err.contains(u"全部采集完成：共%1个宝贝，文件：%2；店铺标明2000000000个宝贝，实际找到%1个"_s
                                  .arg(found)
                                  .arg(QDir::toNativeSeparators(run.file(output)))),
                 qPrintable(err));
        QCOMPARE(walkPages(m_server), pages);
        QCOMPARE(rowCount(run, output), found);
        QCOMPARE(ini(run, SettingsKeys::kBreakPoint), u"0"_s);
    }

    // A list page that does not come ends the run as failed, naming why (and the page, when no
    // answer came); the rows before it are in the file and the run is resumable. An item page
    // that never comes is passed over and the run goes on.
    void pageThatDoesNotCome_data() {
        QTest::addColumn<QString>("shop");
        QTest::addColumn<QString>("page");
        QTest::addColumn<int>("status"); // 0: the connection is closed without an answer
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("failure");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("breakPoint");

        const QString dropped = kDroppingTaobao + u"?page_num=2&cat=7&search=y"_s;
        const QString small = u"http://shop11112222.taobao.com/"_s;
        const QString smallList = small + u"?page_num=1&cat=7&search=y"_s;
        QTest::newRow("second list page dropped (fixture)")
            << kDroppingTaobao << dropped << -1 << 1 << u"）："_s + dropped << 5 << u"1"_s;
        QTest::newRow("proxy error on the first list page")
            << small << smallList << 502 << 1 << u"）："_s + smallList << 0 << u"1"_s;
        QTest::newRow("verification demanded on a list page")
            << small << smallList << 429 << 1 << Messages::kLoginRequired << 0 << u"1"_s;
        QTest::newRow("an item page dropped")
            << small << kTaobaoItem + u"1003"_s << 0 << 0 << QString() << 6 << u"0"_s;
    }

    void pageThatDoesNotCome() {
        QFETCH(QString, shop);
        QFETCH(QString, page);
        QFETCH(int, status);
        QFETCH(int, exitCode);
        QFETCH(QString, failure);
        QFETCH(int, rows);
        QFETCH(QString, breakPoint);

        if (status == 0)
            m_server.setDropConnection(page);
        else if (status > 0)
            m_server.setStatus(page, status);
        ExtractRun run;
        run.start({u"--platform"_s, u"taobao"_s, u"--format"_s, u"paipai"_s}, shop);
        QCOMPARE(run.finish(), exitCode);
        const QString err = QString::fromUtf8(run.process.readAllStandardError());
        const QString out = QString::fromUtf8(run.process.readAllStandardOutput());
        const QString name = u"Taobao_"_s + shop.mid(11, 8) + u"_PaiPai.csv"_s;
        QCOMPARE(rowCount(run, name), rows);
        QCOMPARE(ini(run, SettingsKeys::kBreakPoint), breakPoint);
        QVERIFY2(out.contains(u"已写入%1个宝贝"_s.arg(rows)), qPrintable(out));
        if (failure.isEmpty()) {
            QVERIFY2(err.contains(Messages::itemDropped(DropReason::PageUnreadable) + page), qPrintable(err));
            QVERIFY2(out.contains(u"未能采集1个"_s), qPrintable(out));
            QVERIFY2(err.contains(u"全部采集完成：共6个宝贝"_s), qPrintable(err));
            QVERIFY2(err.contains(u"；1个宝贝未能采集（见日志）"_s), qPrintable(err));
            return;
        }
        if (failure.endsWith(page))
            QVERIFY2(err.contains(u"网络或代理连接失败（"_s), qPrintable(err));
        // The failure is the run's last word.
        QVERIFY2(err.trimmed().endsWith(failure), qPrintable(err));
        QVERIFY2(!err.contains(u"全部采集完成"_s), qPrintable(err));
        QCOMPARE(ini(run, SettingsKeys::kBreakPointNum), QString::number(rows));
        // Nothing is read after the page that did not come.
        QCOMPARE(walkPages(m_server).last(), page);
    }

    // Stopped while the walk's last item is on its way: the walk does not go on to say it
    // completed; the run's last word is the stop.
    void stopOnTheLastItem_data() {
        QTest::addColumn<QString>("platform");
        QTest::addColumn<QString>("shop");
        QTest::addColumn<QString>("lastItem");
        QTest::addColumn<int>("itemsBefore");

        QTest::newRow("Taobao") << u"taobao"_s << u"http://shop11112222.taobao.com/"_s
                                << kTaobaoItem + u"1008"_s << 6;
        QTest::newRow("PaiPai") << u"paipai"_s << u"http://shop.paipai.com/20090306/"_s
                                << kPaiPaiItem + u"2"_s << 1;
        QTest::newRow("eBay") << u"ebay"_s << u"http://stores.ebay.com.cn/songhe"_s << kEbayItem.arg(2) << 1;
    }

    void stopOnTheLastItem() {
        QFETCH(QString, platform);
        QFETCH(QString, shop);
        QFETCH(QString, lastItem);
        QFETCH(int, itemsBefore);
        SKIP_WITHOUT(Interrupt);

        m_server.setSlowBody(lastItem, 20, 200);
        ExtractRun run;
        run.start({u"--platform"_s, platform, u"--format"_s, u"paipai"_s}, shop);
        QTRY_VERIFY_WITH_TIMEOUT(m_server.requestedAddresses().contains(lastItem), 60000);
        QVERIFY(TestSystem::interrupt(run.process));
        QCOMPARE(run.finish(), 0);
        const QString err = QString::fromUtf8(run.process.readAllStandardError());
        QVERIFY2(!err.contains(u"全部采集完成"_s), qPrintable(err));
        const QStringList lines = err.split(u'\n', Qt::SkipEmptyParts);
        QVERIFY(!lines.isEmpty());
        // (The fixture PaiPai shop has no pictures: the ending counts the one it could not save.)
        QCOMPARE(lines.last().section(u'；', 0, 0), Messages::runStopped(itemsBefore));
        QCOMPARE(ini(run, SettingsKeys::kBreakPoint), u"1"_s);
    }
};

KESTRUNE_TEST_GUILESS_MAIN(TestE2eWalkEnds)
#include "tst_e2e_walkends.moc"
