#include "crawl/PaiPaiShopWalk.h"
#include "run/CollectCommand.h"
#include "run/Messages.h"
#include "run/SettingsKeys.h"
#include "support/CrawlTestSupport.h"
#include "support/FixtureWebServer.h"
#include "support/TestMain.h"
#include "support/TestPaths.h"
#include "text/TextFileIo.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString kShopA = u"http://shop.paipai.com/20090301/"_s;
const QString kShopB = u"http://shop.paipai.com/20090302"_s;
const QString kItemHost = u"http://auction1.paipai.com/"_s;
const QString kB1 = u"7B2F9C4B0000000000000000000B0001"_s;
const QString kB2 = u"7B2F9C4B0000000000000000000B0002"_s;

struct PaiPaiShopRun : ShopRun {
    explicit PaiPaiShopRun(const QString& shopUrl, const QString& programDir = QString())
        : ShopRun(shopUrl, u"PaiPai_"_s + QString(shopUrl).remove(u"http://shop.paipai.com/"_s).remove(u'/'),
                  programDir) {}
    void run() { walk(walkPaiPaiShop, 500); }
};

QString summary(const QString& total, int pages) {
    return u"该店铺中共有商品"_s + total + u"个，共分"_s + QString::number(pages) + u"页显示，"_s;
}

} // namespace

class TestPaiPaiShopWalk : public QObject {
    Q_OBJECT

private:
    FixtureWebServer m_server{fixturePath(u"web"_s)};

private slots:
    void initTestCase() {
        QVERIFY(m_server.start());
        m_server.useAsProxy();
    }

    void init() { m_server.clearRequestedAddresses(); }

    void pageCount_data() {
        QTest::addColumn<double>("total");
        QTest::addColumn<int>("pages");
        QTest::newRow("0") << 0.0 << 1;
        QTest::newRow("20, half rounds down to even") << 20.0 << 1;
        QTest::newRow("30") << 30.0 << 2;
        QTest::newRow("60, half rounds up to even") << 60.0 << 3;
        QTest::newRow("79") << 79.0 << 3;
        QTest::newRow("100, half rounds down to even") << 100.0 << 3;
    }

    void pageCount() {
        QFETCH(double, total);
        QFETCH(int, pages);
        QCOMPARE(paiPaiListPageCount(total), pages);
    }

    void walksEveryListPage() {
        PaiPaiShopRun shop(kShopA);
        shop.run();

        // Page 1 holds 19 pieces (items at 1 and 10); page 2 an empty item page and a group cut short.
        const QString item = kItemHost + u"6A1E8B3A0000000000000000000A000"_s;
        const QString image = u"http://image.paipai.com/cgi-bin/showimg?uin=20090301&filename=20090301A000"_s;
        const QStringList expected{
            kShopA,
            kShopA + u"1000-1-2/itemlist.js"_s,
            item + u"1"_s,
            image + u"1.jpg&type=1"_s,
            item + u"2"_s,
            image + u"2.jpg&type=1"_s,
            kShopA + u"1000-2-2/itemlist.js"_s,
            item + u"3"_s, // untitled in the list: no picture fetched
            item + u"4"_s,
            item + u"5"_s,
        };
        QCOMPARE(m_server.requestedAddresses(), expected);

        QCOMPARE(rowTitles(shop.window),
                 (QStringList{u"诺基亚N73 全新行货 送2G卡"_s, u"二手索尼爱立信K750c"_s}));
        // The list values reach the parser by position: sale type, price and picture of piece 10's group.
        const QStringList second = shop.window.rows.at(1).cells;
        QCOMPARE(second.at(6), u"a"_s);
        QCOMPARE(second.at(7), u"35.500000"_s);
        QCOMPARE(second.at(8), u"2.000000"_s); // the grid shows the increment formatted
        QVERIFY(second.at(25).endsWith(QDir::toNativeSeparators(u"PaiPai_20090301/20090301A0002.jpg"_s)));

        const QString s = summary(u"21"_s, 2);
        const QStringList statuses{
            u"载入拍拍店铺信息......"_s,
            s + u"准备分页采集商品信息......"_s,
            s + u"正在采集第1页内容......"_s,
            s + u"已采集商品1个，正在采集第1页内容......"_s,
            s + u"已采集商品2个，正在采集第1页内容......"_s,
            s + u"正在采集第2页内容......"_s,
            // item 3 has no title in the list: dropped with its reason
            u"宝贝未能采集（页面没有宝贝标题），已跳过："_s + item + u"3"_s,
            s + u"已采集商品3个，正在采集第2页内容......"_s,
            // item 4 came back empty: logged as dropped, no progress status, no breakpoint
            u"宝贝未能采集（页面无法读取），已跳过："_s + item + u"4"_s,
            // item 5's group is cut short: its page came, but there is nothing to parse it with
            u"宝贝未能采集（页面无法读取），已跳过："_s + item + u"5"_s,
            s + u"已采集商品5个，正在采集第2页内容......"_s,
            s + u"全部采集完成......"_s,
        };
        QCOMPARE(shop.window.statusTexts, statuses);

        QCOMPARE(shop.session.state().counters().collectedCount(), 5);
        const ItemTally::Counts& counts = shop.session.state().counters().counts();
        QCOMPARE((QList<int>{counts.found, counts.written, counts.alreadyInFile, counts.dropped}),
                 (QList<int>{5, 2, 0, 3}));
        // The short group still moves the breakpoint; 5 of 21 items is no complete run.
        QCOMPARE(shop.breakPoint(SettingsKeys::kBreakPointNum), u"5"_s);
        QCOMPARE(shop.breakPoint(SettingsKeys::kBreakPoint), QString());
        QCOMPARE(shop.stops, 1);
        QVERIFY(shop.window.messages.isEmpty());

        const QDir pictures(shop.dir.path() + u"/PaiPai_20090301"_s);
        QCOMPARE(pictures.entryList(QDir::Files),
                 (QStringList{u"20090301A0001.jpg"_s, u"20090301A0002.jpg"_s}));
    }

    // The site's verification page (GBK, status 200) as a list script or as an item page ends the
    // walk failed: the items before it are written, the one it stood for is neither written nor
    // dropped, and the breakpoint stays before it.
    void verificationPageMidWalk_data() {
        QTest::addColumn<QString>("page");
        QTest::addColumn<int>("rowsBefore");
        QTest::newRow("list script") << kShopA + u"1000-2-2/itemlist.js"_s << 2;
        QTest::newRow("item page") << kItemHost + u"6A1E8B3A0000000000000000000A0002"_s << 1;
    }

    void verificationPageMidWalk() {
        QFETCH(QString, page);
        QFETCH(int, rowsBefore);
        QFile verification(fixturePath(u"web/shop.paipai.com/20090305/index.html"_s));
        QVERIFY(verification.open(QIODevice::ReadOnly));
        m_server.setContent(page, verification.readAll());
        PaiPaiShopRun shop(kShopA);
        shop.run();
        m_server.clearBehaviours();

        QCOMPARE(shop.session.context().failure(), Messages::kLoginRequired);
        QCOMPARE(shop.end.kind, WalkEnd::Kind::Failed);
        QCOMPARE(shop.window.rows.size(), rowsBefore);
        QCOMPARE(shop.session.state().counters().counts().dropped, 0);
        QCOMPARE(shop.breakPoint(SettingsKeys::kBreakPointNum), QString::number(rowsBefore));
        QVERIFY(!shop.window.statusTexts.contains(summary(u"21"_s, 2) + u"全部采集完成......"_s));
    }

    void shopWithoutTrailingSlashOrUtype() {
        PaiPaiShopRun shop(kShopB);
        shop.run();
        const QStringList requested = m_server.requestedAddresses();
        QCOMPARE(requested.value(0), kShopB);
        QCOMPARE(requested.value(1), kShopB + u"/0-1-/itemlist.js"_s);
        QCOMPARE(rowTitles(shop.window),
                 (QStringList{u"羊毛围巾 红色"_s, u"和田玉挂件"_s, u"北京烤鸭礼盒"_s}));
        QCOMPARE(shop.end.kind, WalkEnd::Kind::Complete);
        QCOMPARE(shop.breakPoint(SettingsKeys::kBreakPointNum), u"3"_s);

        // An unsafe picture name is never requested; a name with a query is stored without it.
        QVERIFY(!requested.join(u'\n').contains(u"20090302B0002.jpg"_s));
        QVERIFY(requested.contains(
            u"http://image.paipai.com/cgi-bin/showimg?uin=20090302&filename=20090302B0003.jpg?v=2&type=1"_s));
        const QDir pictures(shop.dir.path() + u"/PaiPai_20090302"_s);
        QCOMPARE(pictures.entryList(QDir::Files),
                 (QStringList{u"20090302B0001.jpg"_s, u"20090302B0003.jpg"_s}));
        // The record names the folder joined with the cleaned name, empty for a refused one.
        const QString folder = QDir::toNativeSeparators(shop.dir.path() + u"/PaiPai_20090302/"_s);
        QCOMPARE(shop.window.rows.at(1).cells.at(25), folder);
        QCOMPARE(shop.window.rows.at(2).cells.at(25), folder + u"20090302B0003.jpg"_s);
    }

    void missingTotalEndsTheRun_data() {
        QTest::addColumn<QString>("address");
        QTest::newRow("no total on the page") << u"http://shop.paipai.com/20090303/"_s;
        // Would overflow the page count.
        QTest::newRow("total beyond an int") << u"http://shop.paipai.com/20090309/"_s;
    }

    void missingTotalEndsTheRun() {
        QFETCH(QString, address);
        m_server.setContent(u"http://shop.paipai.com/20090309/"_s,
                            encodeGbk(u"<div id=\"shopMenuMain\">商品数量：99999999999</div>"_s));
        PaiPaiShopRun shop(address);
        shop.run();
        QCOMPARE(shop.window.messages, QStringList{u"提取店铺商品总数失败，程序中止！"_s});
        QCOMPARE(shop.window.statusTexts, QStringList{u"载入拍拍店铺信息......"_s});
        QCOMPARE(m_server.requestedAddresses(), QStringList{address});
        QCOMPARE(shop.end.kind, WalkEnd::Kind::Failed);
        QCOMPARE(shop.end.reason, u"提取店铺商品总数失败，程序中止！"_s);
        QCOMPARE(shop.breakPoint(SettingsKeys::kBreakPoint), QString());
    }

    void emptyShopFetchesOneListScript() {
        PaiPaiShopRun shop(u"http://shop.paipai.com/20090304/"_s);
        shop.run();
        QCOMPARE(m_server.requestedAddresses(),
                 (QStringList{u"http://shop.paipai.com/20090304/"_s,
                              u"http://shop.paipai.com/20090304/0-1-0/itemlist.js"_s}));
        QVERIFY(shop.window.rows.isEmpty());
        QCOMPARE(shop.end.lastStatus, summary(u"0"_s, 1) + u"全部采集完成......"_s);
        QCOMPARE(shop.end.kind, WalkEnd::Kind::Complete);
    }

    void stopAtPageEndFetchesNoFurtherPage() {
        PaiPaiShopRun shop(kShopA);
        // Stop as the last item of page 1 reaches the grid.
        shop.window.onUpdate = [&] {
            if (shop.window.rows.size() == 2)
                shop.session.stopSignal().request();
        };
        shop.run();
        QVERIFY(!m_server.requestedAddresses().contains(kShopA + u"1000-2-2/itemlist.js"_s));
        QCOMPARE(shop.session.state().counters().collectedCount(), 2);
        QCOMPARE(shop.breakPoint(SettingsKeys::kBreakPointNum), u"2"_s);
        // A stopped walk does not say it completed: its last word is where it got to.
        QCOMPARE(shop.window.statusTexts.last(),
                 summary(u"21"_s, 2) + u"已采集商品2个，正在采集第1页内容......"_s);
        QCOMPARE(shop.end.kind, WalkEnd::Kind::Stopped);
        QVERIFY(shop.end.lastStatus.isEmpty());
    }

    void stopMidPageThenResumeLosesNothing_data() {
        QTest::addColumn<FileFormat>("format");
        QTest::addColumn<QString>("suffix");
        QTest::newRow("Taobao Assistant") << FileFormat::TaobaoAssistant << u"_Taobao"_s;
        QTest::newRow("eBay Assistant") << FileFormat::EbayAssistant << u"_eBay"_s;
        QTest::newRow("PaiPai Assistant") << FileFormat::PaiPaiAssistant << QString();
    }

    void stopMidPageThenResumeLosesNothing() {
        QFETCH(FileFormat, format);
        QFETCH(QString, suffix);
        QTemporaryDir dir;
        // Runs the collect command as the window does, resumed from the stored breakpoint when asked.
        const auto collect = [&](PaiPaiShopRun& shop, bool resume) {
            shop.window.address = kShopB;
            shop.window.format = format;
            CollectCommand controller(shop.session.services());
            controller.setPauseScale(0.001);
            if (resume)
                controller.setResumePoint({kShopB, shop.breakPoint(SettingsKeys::kBreakPointNum).toInt()});
            // The user presses stop as the first item reaches the grid.
            shop.window.onUpdate = [&] {
                if (!resume && !shop.window.rows.isEmpty())
                    shop.session.stopSignal().request();
            };
            controller.collect();
        };

        PaiPaiShopRun first(kShopB, dir.path());
        collect(first, false);
        QCOMPARE(first.window.rows.size(), 1);
        QVERIFY(!m_server.requestedAddresses().contains(kItemHost + kB2));
        QCOMPARE(first.breakPoint(SettingsKeys::kBreakPointNum), u"1"_s);
        QCOMPARE(first.breakPoint(SettingsKeys::kBreakPoint), u"1"_s);

        m_server.clearRequestedAddresses();
        PaiPaiShopRun resumed(kShopB, dir.path());
        collect(resumed, true);
        QVERIFY(!m_server.requestedAddresses().contains(kItemHost + kB1));
        QCOMPARE(resumed.window.rows.size(), 2);
        QCOMPARE(resumed.breakPoint(SettingsKeys::kBreakPoint), u"0"_s);

        // Every item is in the output file exactly once, in shop order, under one header line.
        QFile output(dir.filePath(u"PaiPai_20090302"_s + suffix + u".csv"_s));
        QVERIFY(output.open(QIODevice::ReadOnly));
        const QByteArray bytes = output.readAll();
        const QString text = format == FileFormat::TaobaoAssistant
                                 ? QStringDecoder(QStringDecoder::Utf16)(bytes)
                                 : decodeGbk(bytes);
        qsizetype last = -1;
        for (const QString& title : {u"羊毛围巾 红色"_s, u"和田玉挂件"_s, u"北京烤鸭礼盒"_s}) {
            QCOMPARE(text.count(title), 1);
            QVERIFY(text.indexOf(title) > last);
            last = text.indexOf(title);
        }
        if (format != FileFormat::TaobaoAssistant)
            QCOMPARE(text.count(u"\r\n"_s), 1 + 3 + 1); // header, three rows, the closing line break
    }
};

KESTRUNE_TEST_GUILESS_MAIN(TestPaiPaiShopWalk)
#include "tst_paipaishopwalk.moc"
