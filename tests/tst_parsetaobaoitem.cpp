#include "items/ParseTaobaoItem.h"
#include "support/TestMain.h"

#include "items/ItemPageSource.h"
#include "support/FixtureWebServer.h"
#include "support/TestPaths.h"
#include "web/PageFetcher.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString kItemAddress = u"http://item.taobao.com/item.htm?id="_s;
const QString kPictureAddress = u"http://img01.taobaocdn.com/bao/uploaded/i1/T1a%1XXXXXXXX.jpg"_s;
const QString kDescriptionAddress = u"http://dsc.taobaocdn.com/i1/%1/desc.js?t=1236268800"_s;
const QString kPicture = u"/data/Taobao_12345678/pic.jpg"_s;
const QString kNone = u"00.000000"_s;

// What one item page gives; the defaults are what a page that gives nothing yields, and the
// constant fields are filled in by values().
struct Expected {
    QString title;
    QString category;
    QString condition = u"8"_s;
    QString saleType = u"a"_s;
    QString price;
    QString increment = kNone;
    QString freightPayer = u"1"_s;
    QString postFee = kNone;
    QString emsFee = kNone;
    QString expressFee = kNone;
    QString invoice = u"0"_s;
    QString warranty = u"0"_s;
    QString description;

    QStringList values(const QString& picturePath) const {
        const QString none;
        return QStringList() << title << category << u"0"_s << condition << none << none << saleType << price
                             << increment << u"10"_s << u"7"_s << freightPayer << postFee << emsFee
                             << expressFee << u"0"_s << u"1"_s << invoice << warranty << u"1"_s << u"0"_s
                             << u"0"_s << u"1980-01-01 00:00:00"_s << none << description << picturePath
                             << none << u"0"_s << u"0"_s << u"0"_s << u"0"_s;
    }
};

// The walk's side of a parse: pages from the fixture web, and a stop the test sets.
struct FixtureSource : ItemPageSource {
    PageFetcher fetcher;
    bool stop = false;
    QString fetchPage(const QString& address) override { return fetcher.fetchPage(address); }
    bool stopRequested() override { return stop; }
};

} // namespace

Q_DECLARE_METATYPE(Expected)

class TestParseTaobaoItem : public QObject {
    Q_OBJECT

private:
    FixtureWebServer m_server{fixturePath(u"web"_s)};

private slots:
    void initTestCase() {
        QVERIFY(m_server.start());
        m_server.useAsProxy();
    }

    void fixturePages_data() {
        QTest::addColumn<int>("itemId");
        QTest::addColumn<QString>("pictureQuery");
        QTest::addColumn<Expected>("expected");

        QTest::newRow("seller pays, title with link and nbsp, entity-rich description")
            << 1001 << QString()
            << Expected{.title = u"2009春装新款韩版修身连衣裙 "_s,
                        .category = u"50010850"_s,
                        .condition = u"5"_s,
                        .saleType = u"b"_s,
                        .price = u"128.000000"_s,
                        .freightPayer = u"2"_s,
                        .invoice = u"1"_s,
                        .warranty = u"1"_s,
                        .description =
                            u"<p style='font-size:14px'>&lt;纯棉面料&gt;&nbsp;&amp;&nbsp;&quot;舒适透气"
                            u"&quot;</p><p>尺码: S，M，L，XL &copy; 2009 &yen;128 &#8482;</p>"_s};
        QTest::newRow("used auction, fees listed after the freight label")
            << 1002 << QString()
            << Expected{.title = u"二手 佳能 EOS 400D 单反相机"_s,
                        .category = u"50003773"_s,
                        .condition = u"6"_s,
                        .price = u"1280.000000"_s,
                        .increment = u"5.000000"_s,
                        .postFee = u"10.000000"_s,
                        .emsFee = u"25.000000"_s,
                        .expressFee = u"15.000000"_s,
                        .description = u"<p>机身成色新， 快门约 8000 次.</p>"_s};
        QTest::newRow("freight table, EMS row after the table, other condition")
            << 1003 << QString()
            << Expected{.title = u"Nokia 5800 手机保护壳"_s,
                        .category = u"50008869"_s,
                        .saleType = u"b"_s,
                        .price = u"35.500000"_s,
                        .postFee = u"8.000000"_s,
                        .emsFee = u"30.000000"_s,
                        .expressFee = u"12.000000"_s,
                        .invoice = u"1"_s,
                        .description = u"<div>硅胶材质，防滑耐磨</div>"_s};
        QTest::newRow("no freight at all, no condition, no description, picture query dropped")
            << 1004 << u"?v=2"_s
            << Expected{.title = u"森海塞尔 MX500 耳机"_s,
                        .category = u"50005050"_s,
                        .saleType = u"b"_s,
                        .price = u"99.000000"_s,
                        .description = QString()};
        QTest::newRow("missing price is zero, an EMS fee that is no number stays empty")
            << 1006 << QString()
            << Expected{.title = u"USB 数据线 1.5米"_s,
                        .category = u"50008870"_s,
                        .condition = u"5"_s,
                        .saleType = u"b"_s,
                        .price = u"0.000000"_s,
                        .postFee = u"6.000000"_s,
                        .emsFee = QString(),
                        .expressFee = u"10.000000"_s,
                        .warranty = u"1"_s,
                        .description = u"<p>长度 1.5 米</p>"_s};
        QTest::newRow("empty price kept empty, fixed price without spaces is an auction")
            << 1007 << QString()
            << Expected{.title = u"手工编织围巾"_s,
                        .category = u"50010404"_s,
                        .condition = u"5"_s,
                        .price = QString(),
                        .increment = u"1.000000"_s,
                        .freightPayer = u"2"_s,
                        .invoice = u"1"_s,
                        .warranty = u"1"_s,
                        .description = u"<p>纯手工</p>"_s};
        QTest::newRow("only a courier fee listed, entity left in the title")
            << 1008 << QString()
            << Expected{.title = u"Levi&#39;s 501 经典直筒牛仔裤"_s,
                        .category = u"50010167"_s,
                        .condition = u"5"_s,
                        .saleType = u"b"_s,
                        .price = u"399.000000"_s,
                        .expressFee = u"20.000000"_s,
                        .invoice = u"1"_s,
                        .warranty = u"1"_s,
                        .description = u"<p>美国原产</p>"_s};
    }

    void fixturePages() {
        QFETCH(int, itemId);
        QFETCH(QString, pictureQuery);
        QFETCH(Expected, expected);

        FixtureSource source;
        const QString page = source.fetchPage(kItemAddress + QString::number(itemId));
        QVERIFY(!page.isEmpty());
        m_server.clearRequestedAddresses();
        const std::optional<ParsedItem> item = parseTaobaoItemPage(page, kPicture, source);

        QVERIFY(item);
        const QStringList values = expected.values(kPicture);
        QCOMPARE(item->gridCells, values);
        QCOMPARE(item->record.values(), values);
        // The picture is saved by the last segment of its address, without the query.
        QCOMPARE(safePictureFileName(taobaoPictureFileName(kPictureAddress.arg(itemId) + pictureQuery)),
                 u"T1a%1XXXXXXXX.jpg"_s.arg(itemId));
        // The description script is the only page the parser asks for.
        const QStringList requests =
            expected.description.isEmpty() ? QStringList() : QStringList{kDescriptionAddress.arg(itemId)};
        QCOMPARE(m_server.requestedAddresses(), requests);
    }

    void pageWithoutTitleGivesNothing() {
        FixtureSource source;
        const QString page = source.fetchPage(kItemAddress + u"1005"_s);
        QVERIFY(!page.isEmpty());
        QVERIFY(!parseTaobaoItemPage(page, kPicture, source));
    }

    // Pages built here to reach the corners the fixture shops do not: each row names one field
    // (by its position in the record) and what a failing or odd cut leaves in it.
    void oddPages_data() {
        QTest::addColumn<QString>("page");
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("expected");

        const QString title = u"<input type='hidden' name='title' value='T' />"_s;
        const QString shipping = u"<li id='ShippingCost'  class='freight delivery clearfix'>"_s;
        QTest::newRow("page that begins with its path marker loses every later copy of it")
            << u"<div id='ListPathLinks'><input type='hidden' name='title' value='A<div id='ListPathLinks'>B' />"_s
            << 0 << u"AB"_s;
        QTest::newRow("price without its end marker keeps the rest of the page")
            << title + u"<strong id='J_StrPrice' >12.5元"_s << 7 << u"12.5元"_s;
        QTest::newRow("increment without yuan keeps the rest of the page")
            << title + u"<span>加价幅度：</span>2</li>"_s << 8 << u"2</li>"_s;
        QTest::newRow("condition without end marker") << title + u"宝贝类型：全新<br/>"_s << 3 << u"8"_s;
        QTest::newRow("no item-details tab leaves the category empty") << title << 1 << QString();
        QTest::newRow("category link without .htm")
            << title +
                   u"<a href='http://list.taobao.com/browse/cat-777'>x</a></li><li class='B'>宝贝详情</li>"_s
            << 1 << u"777"_s;
        QTest::newRow("sale type outside the price list")
            << title + u"<ul id='PriceInfo'></ul>一 口 价："_s << 6 << u"a"_s;
        QTest::newRow("invoice other than yes")
            << title + u"<li id='IfHaveInvoice' class='HalfLine'><span>发票:</span>有 </li>"_s << 17
            << u"0"_s;
        QTest::newRow("last shipping entry wins")
            << title + shipping + u"卖家承担运费</li>"_s + shipping + u"运　　费：平邮: 3元</li>"_s << 12
            << u"3.000000"_s;
        QTest::newRow("shipping entry matched case-insensitively")
            << title + u"<LI ID='SHIPPINGCOST'  CLASS='FREIGHT DELIVERY CLEARFIX'>卖家承担运费</LI>"_s << 11
            << u"2"_s;
        QTest::newRow("shipping entry does not run across a line break")
            << title + shipping + u"卖家承担运费\n</li>"_s << 11 << u"1"_s;
        QTest::newRow("freight table row without yuan keeps the table")
            << title + u"<li id='FreightList'><td>平邮</td><td>免费</td>"_s << 12
            << u"<li id='FreightList'><td>平邮</td><td>免费</td>"_s;
        QTest::newRow("description script on another host is not fetched")
            << title + u"<script type='text/javascript' src='http://a.tbcdn.cn/d.js'></script>"_s << 24
            << QString();
    }

    void oddPages() {
        QFETCH(QString, page);
        QFETCH(int, field);
        QFETCH(QString, expected);

        FixtureSource source;
        const std::optional<ParsedItem> item = parseTaobaoItemPage(page, kPicture, source);
        QVERIFY(item);
        QCOMPARE(item->gridCells.at(field), expected);
    }

    void stopDuringShippingSearchFinishesTheItem() {
        FixtureSource source;
        source.stop = true;
        const std::optional<ParsedItem> item = parseTaobaoItemPage(
            u"<input type='hidden' name='title' value='T' />"
            u"<li id='ShippingCost'  class='freight delivery clearfix'>卖家承担运费</li>"_s,
            kPicture, source);
        QVERIFY(item);
        // The entry was never taken, so the freight falls through to the table case.
        QCOMPARE(item->gridCells.at(11), u"1"_s);
        QCOMPARE(item->gridCells.at(12), kNone);
    }
};

KESTRUNE_TEST_GUILESS_MAIN(TestParseTaobaoItem)
#include "tst_parsetaobaoitem.moc"
