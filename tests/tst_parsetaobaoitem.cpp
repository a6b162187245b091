#include "app/CollectContext.h"
#include "app/ExtractionSession.h"
#include "app/RunState.h"
#include "items/ParseTaobaoItem.h"

#include "support/FakeWindow.h"
#include "support/FixtureWebServer.h"
#include "support/TestPaths.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

const QString kItemAddress = QStringLiteral("http://item.taobao.com/item.htm?id=");
const QString kPictureAddress =
    QStringLiteral("http://img01.taobaocdn.com/bao/uploaded/i1/T1a%1XXXXXXXX.jpg");
const QString kDescriptionAddress = QStringLiteral("http://dsc.taobaocdn.com/i1/%1/desc.js?t=1236268800");
const QString kFolder = QStringLiteral("Taobao_12345678");
const QString kNone = QStringLiteral("00.000000");

// The record of one item page; the constant fields are filled in here so each row of the table
// reads as what the page gave.
struct Expected {
    QString title;
    QString category;
    QString condition;
    QString saleType;
    QString price;
    QString increment;
    QString freightPayer;
    QString postFee;
    QString emsFee;
    QString expressFee;
    QString invoice;
    QString warranty;
    QString description;
    QString pictureName;

    QStringList values(const QString& pictureFolder) const {
        const QString q = QStringLiteral("\"");
        return {q + title + q,
                category,
                QStringLiteral("0"),
                condition,
                QStringLiteral("\"\""),
                QStringLiteral("\"\""),
                q + saleType + q,
                price,
                increment,
                QStringLiteral("10"),
                QStringLiteral("7"),
                freightPayer,
                postFee,
                emsFee,
                expressFee,
                QStringLiteral("0"),
                QStringLiteral("1"),
                invoice,
                warranty,
                QStringLiteral("1"),
                QStringLiteral("0"),
                QStringLiteral("0"),
                QStringLiteral("\"1980-01-01 00:00:00\""),
                QStringLiteral("\"\""),
                q + description + q,
                q + QDir::toNativeSeparators(pictureFolder + QStringLiteral("/") + pictureName) + q,
                QStringLiteral("\"\""),
                QStringLiteral("0"),
                QStringLiteral("0"),
                QStringLiteral("0"),
                QStringLiteral("0")};
    }
};

// One parser run with its own program folder, window and services.
struct Run {
    FakeWindow window;
    QTemporaryDir dir;
    std::unique_ptr<ExtractionSession> session;

    Run() {
        session = std::make_unique<ExtractionSession>(window, dir.path());
        session->state().outputBaseName = kFolder;
        session->state().stopRequested = false;
        window.format = 0;
    }
    QString pictureFolder() const { return session->paths().pictureFolder(kFolder); }
    void parse(QString page, const QString& picture = QString()) {
        ParseTaobaoItem(session->context(), page, picture, QStringLiteral("女装"));
    }
};

} // namespace

Q_DECLARE_METATYPE(Expected)

class TestParseTaobaoItem : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<FixtureWebServer> m_server;

private slots:
    void initTestCase() {
        m_server = std::make_unique<FixtureWebServer>(fixturePath(QStringLiteral("web")));
        QVERIFY(m_server->start());
        m_server->useAsProxy();
    }

    void fixturePages_data() {
        QTest::addColumn<int>("itemId");
        QTest::addColumn<QString>("pictureQuery");
        QTest::addColumn<Expected>("expected");

        QTest::newRow("seller pays, title with link and nbsp, entity-rich description")
            << 1001 << QString()
            << Expected{
                   QStringLiteral("2009春装新款韩版修身连衣裙 "),
                   QStringLiteral("50010850"),
                   QStringLiteral("5"),
                   QStringLiteral("b"),
                   QStringLiteral("128.000000"),
                   kNone,
                   QStringLiteral("2"),
                   kNone,
                   kNone,
                   kNone,
                   QStringLiteral("1"),
                   QStringLiteral("1"),
                   QStringLiteral(
                       "<p style='font-size:14px'>&lt;纯棉面料&gt;&nbsp;&amp;&nbsp;&quot;舒适透气&quot;</p>"
                       "<p>尺码: S，M，L，XL &copy; 2009 &yen;128 &#8482;</p>"),
                   QStringLiteral("T1a1001XXXXXXXX.jpg")};
        QTest::newRow("used auction, fees listed after the freight label")
            << 1002 << QString()
            << Expected{QStringLiteral("二手 佳能 EOS 400D 单反相机"),
                        QStringLiteral("50003773"),
                        QStringLiteral("6"),
                        QStringLiteral("a"),
                        QStringLiteral("1280.000000"),
                        QStringLiteral("5.000000"),
                        QStringLiteral("1"),
                        QStringLiteral("10.000000"),
                        QStringLiteral("25.000000"),
                        QStringLiteral("15.000000"),
                        QStringLiteral("0"),
                        QStringLiteral("0"),
                        QStringLiteral("<p>机身成色新， 快门约 8000 次.</p>"),
                        QStringLiteral("T1a1002XXXXXXXX.jpg")};
        QTest::newRow("freight table, EMS row after the table, other condition")
            << 1003 << QString()
            << Expected{QStringLiteral("Nokia 5800 手机保护壳"),
                        QStringLiteral("50008869"),
                        QStringLiteral("8"),
                        QStringLiteral("b"),
                        QStringLiteral("35.500000"),
                        kNone,
                        QStringLiteral("1"),
                        QStringLiteral("8.000000"),
                        QStringLiteral("30.000000"),
                        QStringLiteral("12.000000"),
                        QStringLiteral("1"),
                        QStringLiteral("0"),
                        QStringLiteral("<div>硅胶材质，防滑耐磨</div>"),
                        QStringLiteral("T1a1003XXXXXXXX.jpg")};
        QTest::newRow("no freight at all, no condition, no description, picture query dropped")
            << 1004 << QStringLiteral("?v=2")
            << Expected{QStringLiteral("森海塞尔 MX500 耳机"),
                        QStringLiteral("50005050"),
                        QStringLiteral("8"),
                        QStringLiteral("b"),
                        QStringLiteral("99.000000"),
                        kNone,
                        QStringLiteral("1"),
                        kNone,
                        kNone,
                        kNone,
                        QStringLiteral("0"),
                        QStringLiteral("0"),
                        QString(),
                        QStringLiteral("T1a1004XXXXXXXX.jpg")};
        QTest::newRow("missing price is zero, an EMS fee that is no number stays empty")
            << 1006 << QString()
            << Expected{QStringLiteral("USB 数据线 1.5米"),
                        QStringLiteral("50008870"),
                        QStringLiteral("5"),
                        QStringLiteral("b"),
                        QStringLiteral("0.000000"),
                        kNone,
                        QStringLiteral("1"),
                        QStringLiteral("6.000000"),
                        QString(),
                        QStringLiteral("10.000000"),
                        QStringLiteral("0"),
                        QStringLiteral("1"),
                        QStringLiteral("<p>长度 1.5 米</p>"),
                        QStringLiteral("T1a1006XXXXXXXX.jpg")};
        QTest::newRow("empty price kept empty, fixed price without spaces is an auction")
            << 1007 << QString()
            << Expected{QStringLiteral("手工编织围巾"),
                        QStringLiteral("50010404"),
                        QStringLiteral("5"),
                        QStringLiteral("a"),
                        QString(),
                        QStringLiteral("1.000000"),
                        QStringLiteral("2"),
                        kNone,
                        kNone,
                        kNone,
                        QStringLiteral("1"),
                        QStringLiteral("1"),
                        QStringLiteral("<p>纯手工</p>"),
                        QStringLiteral("T1a1007XXXXXXXX.jpg")};
        QTest::newRow("only a courier fee listed, entity left in the title")
            << 1008 << QString()
            << Expected{QStringLiteral("Levi&#39;s 501 经典直筒牛仔裤"),
                        QStringLiteral("50010167"),
                        QStringLiteral("5"),
                        QStringLiteral("b"),
                        QStringLiteral("399.000000"),
                        kNone,
                        QStringLiteral("1"),
                        kNone,
                        kNone,
                        QStringLiteral("20.000000"),
                        QStringLiteral("1"),
                        QStringLiteral("1"),
                        QStringLiteral("<p>美国原产</p>"),
                        QStringLiteral("T1a1008XXXXXXXX.jpg")};
    }

    void fixturePages() {
        QFETCH(int, itemId);
        QFETCH(QString, pictureQuery);
        QFETCH(Expected, expected);

        Run run;
        const QString page = run.session->fetcher().FetchPage(kItemAddress + QString::number(itemId));
        QVERIFY(!page.isEmpty());
        m_server->clearRequestedAddresses();
        run.parse(page, kPictureAddress.arg(itemId) + pictureQuery);

        const QStringList values = expected.values(run.pictureFolder());
        QCOMPARE(run.window.rows.size(), 1);
        QCOMPARE(run.window.rows.at(0).key, QStringLiteral("QXV0"));
        const QStringList cells = run.window.rows.at(0).cells;
        QCOMPARE(cells.size(), 31);
        for (int i = 0; i < 31; ++i)
            QCOMPARE(cells.at(i), values.at(i));

        // Taobao Assistant rows are the record as it stands, joined by tabs.
        QVERIFY(run.session->state().headerWritten);
        QVERIFY2(run.session->state().outputBuffer.endsWith(values.join(u'\t') + QStringLiteral("\r\n")),
                 qPrintable(run.session->state().outputBuffer));

        QVERIFY(QFile::exists(QDir(run.pictureFolder()).filePath(expected.pictureName)));
        QStringList requests{kPictureAddress.arg(itemId) + pictureQuery};
        if (!expected.description.isEmpty())
            requests.append(kDescriptionAddress.arg(itemId));
        QCOMPARE(m_server->requestedAddresses(), requests);
    }

    void pageWithoutTitleAddsNothingButKeepsThePicture() {
        Run run;
        const QString page = run.session->fetcher().FetchPage(kItemAddress + QStringLiteral("1005"));
        QVERIFY(!page.isEmpty());
        run.parse(page, kPictureAddress.arg(1005));
        QVERIFY(run.window.rows.isEmpty());
        QVERIFY(run.session->state().outputBuffer.isEmpty());
        QVERIFY(QFile::exists(QDir(run.pictureFolder()).filePath(QStringLiteral("T1a1005XXXXXXXX.jpg"))));
    }

    void emptyPageDownloadsNothing() {
        Run run;
        m_server->clearRequestedAddresses();
        run.parse(QString(), kPictureAddress.arg(1001));
        QVERIFY(run.window.rows.isEmpty());
        QVERIFY(m_server->requestedAddresses().isEmpty());
        QVERIFY(!QDir(run.pictureFolder()).exists());
    }

    void rowKeysFollowTheGrid() {
        Run run;
        for (int i = 0; i < 4; ++i)
            run.window.rows.append({QStringLiteral("QXV%1").arg(i), {}});
        const QString page = QStringLiteral("<input type='hidden' name='title' value='A' />");
        run.parse(page);
        run.parse(page);
        QCOMPARE(run.window.rows.at(4).key, QStringLiteral("QXV4"));
        QCOMPARE(run.window.rows.at(5).key, QStringLiteral("QXV5"));
    }

    // Pages built here to reach the corners the fixture shops do not: each row names one field
    // (by its position in the record) and what a failing or odd cut leaves in it.
    void oddPages_data() {
        QTest::addColumn<QString>("page");
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("expected");

        const QString title = QStringLiteral("<input type='hidden' name='title' value='T' />");
        QTest::newRow("page that begins with its path marker loses every later copy of it")
            << QStringLiteral("<div id='ListPathLinks'><input type='hidden' name='title' value='A<div "
                              "id='ListPathLinks'>B' />")
            << 0 << QStringLiteral("\"AB\"");
        QTest::newRow("price without its end marker keeps the rest of the page")
            << title + QStringLiteral("<strong id='J_StrPrice' >12.5元") << 7 << QStringLiteral("12.5元");
        QTest::newRow("increment without yuan keeps the rest of the page")
            << title + QStringLiteral("<span>加价幅度：</span>2</li>") << 8 << QStringLiteral("2</li>");
        QTest::newRow("condition without end marker")
            << title + QStringLiteral("宝贝类型：全新<br/>") << 3 << QStringLiteral("8");
        QTest::newRow("no item-details tab leaves the category empty") << title << 1 << QString();
        QTest::newRow("category link without .htm")
            << title + QStringLiteral("<a href='http://list.taobao.com/browse/cat-777'>x</a></li><li "
                                      "class='B'>宝贝详情</li>")
            << 1 << QStringLiteral("777");
        QTest::newRow("sale type outside the price list")
            << title + QStringLiteral("<ul id='PriceInfo'></ul>一 口 价：") << 6 << QStringLiteral("\"a\"");
        QTest::newRow("invoice other than yes")
            << title + QStringLiteral("<li id='IfHaveInvoice' class='HalfLine'><span>发票:</span>有 </li>")
            << 17 << QStringLiteral("0");
        QTest::newRow("last shipping entry wins")
            << title +
                   QStringLiteral(
                       "<li id='ShippingCost'  class='freight delivery clearfix'>卖家承担运费</li>"
                       "<li id='ShippingCost'  class='freight delivery clearfix'>运　　费：平邮: 3元</li>")
            << 12 << QStringLiteral("3.000000");
        QTest::newRow("shipping entry matched case-insensitively")
            << title + QStringLiteral(
                           "<LI ID='SHIPPINGCOST'  CLASS='FREIGHT DELIVERY CLEARFIX'>卖家承担运费</LI>")
            << 11 << QStringLiteral("2");
        QTest::newRow("shipping entry does not run across a line break")
            << title + QStringLiteral(
                           "<li id='ShippingCost'  class='freight delivery clearfix'>卖家承担运费\n</li>")
            << 11 << QStringLiteral("1");
        QTest::newRow("freight table row without yuan keeps the table")
            << title + QStringLiteral("<li id='FreightList'><td>平邮</td><td>免费</td>") << 12
            << QStringLiteral("<li id='FreightList'><td>平邮</td><td>免费</td>");
        QTest::newRow("description script on another host is not fetched")
            << title + QStringLiteral("<script type='text/javascript' src='http://a.tbcdn.cn/d.js'></script>")
            << 24 << QStringLiteral("\"\"");
    }

    void oddPages() {
        QFETCH(QString, page);
        QFETCH(int, field);
        QFETCH(QString, expected);

        Run run;
        run.parse(page);
        QCOMPARE(run.window.rows.size(), 1);
        QCOMPARE(run.window.rows.at(0).cells.at(field), expected);
    }

    void stopDuringShippingSearchFinishesTheItem() {
        Run run;
        const QString page =
            QStringLiteral("<input type='hidden' name='title' value='T' />"
                           "<li id='ShippingCost'  class='freight delivery clearfix'>卖家承担运费</li>");
        run.window.onProcessEvents = [&] { run.session->state().stopRequested = true; };
        run.parse(page);
        QCOMPARE(run.window.rows.size(), 1);
        // The entry was never taken, so the freight falls through to the table case.
        QCOMPARE(run.window.rows.at(0).cells.at(11), QStringLiteral("1"));
        QCOMPARE(run.window.rows.at(0).cells.at(12), kNone);
    }
};

QTEST_GUILESS_MAIN(TestParseTaobaoItem)
#include "tst_parsetaobaoitem.moc"
