#include "app/CollectContext.h"
#include "app/ExtractionController.h"
#include "app/ExtractionSession.h"
#include "app/PlatformConstants.h"
#include "app/RunState.h"
#include "app/SettingsKeys.h"
#include "app/SettingsStore.h"
#include "crawl/CollectTaobaoShop.h"
#include "formats/RowWriter.h"
#include "web/TextFileIo.h"

#include "support/FakeWindow.h"
#include "support/FixtureWebServer.h"
#include "support/TestPaths.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

const QString kLayout1 = QStringLiteral("http://shop12345678.taobao.com/");
const QString kLayout2 = QStringLiteral("http://shop22223333.taobao.com/");
const QString kLayout3 = QStringLiteral("http://shop33334444.taobao.com/");
const QString kItem = QStringLiteral("http://item.taobao.com/item.htm?id=");
const QString kBackslashes = QStringLiteral("\\\\\\");

QString item(int id) {
    return kItem + QString::number(id);
}

QStringList items(std::initializer_list<int> ids) {
    QStringList result;
    for (int id : ids)
        result.append(item(id));
    return result;
}

QStringList itemRange(int first, int last) {
    QStringList result;
    for (int id = first; id <= last; ++id)
        result.append(item(id));
    return result;
}

// Shop and item pages in the order they were asked for; pictures and descriptions left out.
QStringList pagesRequested(const FixtureWebServer& server) {
    QStringList pages;
    for (const QString& address : server.requestedAddresses()) {
        if (!address.startsWith(QStringLiteral("http://img01.")) &&
            !address.startsWith(QStringLiteral("http://dsc.")))
            pages.append(address);
    }
    return pages;
}

// One crawl as the collect command would start it, with a stop command that writes the output
// the way the window's does.
struct Crawl {
    FakeWindow window;
    QTemporaryDir dir;
    std::unique_ptr<ExtractionSession> session;
    int stopCommands = 0;

    explicit Crawl(const QString& shopUrl, int format = PlatformConstants::TaobaoAssistant) {
        session = std::make_unique<ExtractionSession>(window, dir.path());
        RunState& state = session->state();
        state.shopUrl = shopUrl;
        state.outputBaseName =
            QStringLiteral("Taobao_") + shopUrl.section(u'.', 0, 0).remove(QStringLiteral("http://shop"));
        state.stopRequested = false;
        state.autoSave = 1;
        window.platform = PlatformConstants::Taobao;
        window.format = format;
        session->context().pauseScale = 0.001;
        session->context().stopCommand = [this] { stop(); };
        write(SettingsKeys::kBreakPoint, QStringLiteral("1"));
    }

    void stop() {
        ++stopCommands;
        RunState& state = session->state();
        state.stopRequested = true;
        if (state.headerWritten)
            session->writer().FlushOutputBuffer();
    }
    void run() { CollectTaobaoShop(session->context()); }

    QString ini(const QString& key) const {
        return session->settings().ReadIniValue(SettingsKeys::kSection, key);
    }
    void write(const QString& key, const QString& value) {
        session->settings().WriteIniValue(SettingsKeys::kSection, key, value);
    }
    QStringList titles() const {
        QStringList result;
        for (const FakeWindow::Row& row : window.rows)
            result.append(row.cells.value(0));
        return result;
    }
    QString outputFile() const {
        return session->paths().outputFile(session->state().outputBaseName, session->state().outputExtension);
    }
};

const QString kDress = QStringLiteral("\"2009春装新款韩版修身连衣裙 \"");
const QString kCamera = QStringLiteral("\"二手 佳能 EOS 400D 单反相机\"");
const QString kCase = QStringLiteral("\"Nokia 5800 手机保护壳\"");
const QString kEarphones = QStringLiteral("\"森海塞尔 MX500 耳机\"");
const QString kCable = QStringLiteral("\"USB 数据线 1.5米\"");
const QString kScarf = QStringLiteral("\"手工编织围巾\"");
const QString kJeans = QStringLiteral("\"Levi&#39;s 501 经典直筒牛仔裤\"");

// A page as the site would send it, for shops the tests put together on the spot.
QByteArray gbkPage(const QString& body) {
    return EncodeGbk(QStringLiteral("<html><body>\r\n") + body + QStringLiteral("\r\n</body></html>\r\n"));
}

QString layout1Home(const QString& total, const QString& entries) {
    return QStringLiteral("<ul><li><span>宝贝数:</span>") + total +
           QStringLiteral("</li></ul>\r\n<div id=\"ItemCategoriesContent\" >\r\n\t<ul>\r\n") + entries +
           QStringLiteral("\t</ul>\r\n</div>");
}

} // namespace

class TestCollectTaobaoShop : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<FixtureWebServer> m_server;

private slots:
    void initTestCase() {
        m_server = std::make_unique<FixtureWebServer>(fixturePath(QStringLiteral("web")));
        QVERIFY(m_server->start());
        m_server->useAsProxy();
    }

    void init() {
        m_server->clearBehaviours();
        m_server->clearRequestedAddresses();
    }

    void pagesInOrder_data() {
        QTest::addColumn<QString>("shop");
        QTest::addColumn<QStringList>("pages");

        QTest::newRow("layout 1: categories, heading, leftover, whole shop")
            << kLayout1
            << (QStringList{kLayout1, kLayout1 + QStringLiteral("?cat=101&search=y"),
                            kLayout1 + QStringLiteral("?page_num=1&cat=101&search=y")} +
                items({1001, 1002}) + QStringList{kLayout1 + QStringLiteral("?page_num=2&cat=101&search=y")} +
                items({1003}) +
                QStringList{kLayout1 + QStringLiteral("?cat=102&search=y"),
                            kLayout1 + QStringLiteral("?page_num=1&cat=102&search=y")} +
                items({1004, 1005}) +
                QStringList{kLayout1 + QStringLiteral("?cat=103&search=y"),
                            kLayout1 + QStringLiteral("?page_num=1&cat=103&search=y")} +
                items({1006}) +
                QStringList{kLayout1 + QStringLiteral("?cat=0&search=y"),
                            kLayout1 + QStringLiteral("?page_num=1&cat=0&search=y")} +
                items({1007}) +
                QStringList{QStringLiteral(
                    "http://shop.taobao.com/shop/view_shop.htm?shop_id=12345678&page_num=1&query_type=all")} +
                items({1001, 1002, 1003, 1008}));

        const QString list2 = kLayout2 + QStringLiteral("shop/xshop/wui_page.htm?cid=");
        QTest::newRow("layout 2: start offsets, whole shop always")
            << kLayout2
            << (QStringList{kLayout2, list2 + QStringLiteral("201&start=0"),
                            list2 + QStringLiteral("201&start=0&i=0")} +
                items({2001, 2002}) + QStringList{list2 + QStringLiteral("201&start=20&i=0")} +
                items({2003}) +
                QStringList{list2 + QStringLiteral("202&start=0"),
                            list2 + QStringLiteral("202&start=0&i=0")} +
                items({2004}) +
                QStringList{
                    QStringLiteral("http://shop.taobao.com/shop/xshop/show_list.htm?owner_id=&start=0")} +
                itemRange(2001, 2005));

        QTest::newRow("layout 3: second list of the page, leftover in the old list, counts add up")
            << kLayout3
            << (QStringList{kLayout3, kLayout3 + QStringLiteral("?cat=301&search=y"),
                            kLayout3 + QStringLiteral("?page_num=1&cat=301&search=y")} +
                itemRange(3001, 3020) +
                QStringList{kLayout3 + QStringLiteral("?page_num=2&cat=301&search=y")} + items({3021}) +
                QStringList{kLayout3 + QStringLiteral("?cat=302&search=y"),
                            kLayout3 + QStringLiteral("?page_num=1&cat=302&search=y")} +
                items({3022}) +
                QStringList{kLayout3 + QStringLiteral("?cat=0&search=y"),
                            kLayout3 + QStringLiteral("?page_num=1&cat=0&search=y")} +
                items({3023}));
    }

    void pagesInOrder() {
        QFETCH(QString, shop);
        QFETCH(QStringList, pages);

        Crawl crawl(shop);
        crawl.run();
        QCOMPARE(pagesRequested(*m_server), pages);
        QCOMPARE(crawl.stopCommands, 1);
        QVERIFY(crawl.session->state().stopRequested);
    }

    void layout1NumbersStatusAndBreakPoint() {
        Crawl crawl(kLayout1);
        crawl.run();

        // Cell 5 has no title and cell 6 no readable address: counted, but no row, and the
        // previous item is not taken twice.
        QCOMPARE(crawl.titles(), (QStringList{kDress, kCamera, kCase, kEarphones, kCable, kScarf, kDress,
                                              kCamera, kCase, kJeans}));
        QCOMPARE(crawl.session->state().collectedCount, 12);
        QCOMPARE(crawl.session->state().itemTotal, 8);
        QCOMPARE(crawl.session->state().pageCount, 1);
        QCOMPARE(crawl.ini(SettingsKeys::kBreakPointNum), QStringLiteral("12"));
        QCOMPARE(crawl.ini(SettingsKeys::kBreakPoint), QStringLiteral("0"));
        QVERIFY(crawl.window.messages.isEmpty());

        const QString dress = QStringLiteral("[女装]分类共有商品21个，");
        const QString cases =
            QStringLiteral("[数码配件") + kBackslashes + QStringLiteral("手机壳]分类共有商品2个，");
        const QString phones =
            QStringLiteral("[数码配件") + kBackslashes + QStringLiteral("耳机]分类共有商品0个，");
        const QString other = QStringLiteral("[未分类宝贝]分类共有商品1个，");
        const QString shop = QStringLiteral("该店铺中共有商品8个，共分1显示，");
        auto reached = [](int n, int p) {
            return QStringLiteral("已采集商品%1个，正在采集第%2页内容......").arg(n).arg(p);
        };
        auto page = [](int pages, int p) {
            return QStringLiteral("共分%1显示，正在采集第%2页内容......").arg(pages).arg(p);
        };
        const QStringList expected{
            QStringLiteral("载入淘宝店铺信息......"),
            QStringLiteral(".") + shop + QStringLiteral("准备分页采集商品信息......"),
            dress + page(2, 1),
            dress + reached(1, 1),
            dress + reached(2, 1),
            dress + page(2, 2),
            dress + reached(3, 2),
            cases + page(1, 1),
            cases + reached(4, 1),
            cases + reached(5, 1),
            phones + page(1, 1),
            phones + reached(6, 1),
            phones + reached(7, 1),
            other + page(1, 1),
            other + reached(8, 1),
            QStringLiteral(".") + shop + QStringLiteral("正在采集第1页内容......"),
            shop + reached(9, 1),
            shop + reached(10, 1),
            shop + reached(11, 1),
            shop + reached(12, 1),
            shop + QStringLiteral("全部采集完成......"),
            shop + QStringLiteral("全部采集完成......"),
        };
        QCOMPARE(crawl.window.statusTexts, expected);
    }

    void layout2StatusAndNoResumeNumberInWholeShop() {
        Crawl crawl(kLayout2);
        crawl.run();

        QCOMPARE(crawl.session->state().collectedCount, 9);
        // The whole-shop walk of this layout records no resume number.
        QCOMPARE(crawl.ini(SettingsKeys::kBreakPointNum), QStringLiteral("4"));
        QCOMPARE(crawl.ini(SettingsKeys::kBreakPoint), QStringLiteral("0"));
        const QStringList status = crawl.window.statusTexts;
        const QString shop = QStringLiteral("该店铺中共有商品5个，共分1显示，");
        QCOMPARE(status.value(1), QStringLiteral(":") + shop + QStringLiteral("准备分页采集商品信息......"));
        QCOMPARE(status.value(2), QStringLiteral("[家居]分类共有2页商品，正在采集第1页内容......"));
        QCOMPARE(status.value(3), shop + QStringLiteral("已采集商品1个，正在采集第1页内容......"));
        QVERIFY(status.contains(QStringLiteral("[厨房") + kBackslashes +
                                QStringLiteral("餐具]分类共有1页商品，正在采集第1页内容......")));
        QVERIFY(status.contains(QStringLiteral(":") + shop + QStringLiteral("正在采集第1页内容......")));
        QCOMPARE(status.value(status.size() - 3),
                 shop + QStringLiteral("已采集商品9个，正在采集第1页内容......"));
    }

    void layout3CategoryNamesAndCompletion() {
        Crawl crawl(kLayout3);
        crawl.run();

        QCOMPARE(crawl.window.rows.size(), 23);
        QCOMPARE(crawl.ini(SettingsKeys::kBreakPointNum), QStringLiteral("23"));
        QCOMPARE(crawl.ini(SettingsKeys::kBreakPoint), QStringLiteral("0"));
        const QStringList status = crawl.window.statusTexts;
        QCOMPARE(status.value(1),
                 QStringLiteral("该店铺中共有商品23个，共分2显示，准备分页采集商品信息......"));
        const QString shoes =
            QStringLiteral("[鞋包") + kBackslashes + QStringLiteral("女鞋]分类共有商品21个，");
        QCOMPARE(status.value(2), shoes + QStringLiteral("共分2显示，正在采集第1页内容......"));
        QVERIFY(status.contains(shoes + QStringLiteral("已采集商品21个，正在采集第2页内容......")));
        // The leftover entry has no top-level mark, so it stays under the last heading.
        QVERIFY(status.contains(
            QStringLiteral("[鞋包") + kBackslashes +
            QStringLiteral("其他宝贝]分类共有商品1个，已采集商品23个，正在采集第1页内容......")));
        QCOMPARE(status.last(), QStringLiteral("该店铺中共有商品23个，共分2显示，全部采集完成......"));
    }

    void resumePassesOverRecordedItems() {
        Crawl crawl(kLayout1);
        crawl.session->state().resumeItemNumber = 5;
        crawl.run();

        // Every list page is still read; items 1 to 5 cost no download.
        const QStringList pages = pagesRequested(*m_server);
        QStringList itemPages;
        for (const QString& page : pages) {
            if (page.startsWith(kItem))
                itemPages.append(page);
        }
        QCOMPARE(itemPages, items({1006, 1007, 1001, 1002, 1003, 1008}));
        QVERIFY(pages.contains(kLayout1 + QStringLiteral("?page_num=2&cat=101&search=y")));
        // Nothing of cells 1 to 5 (item page, picture, description) is asked for.
        const QStringList all = m_server->requestedAddresses();
        for (const QString& address : all.mid(0, all.indexOf(item(1006)))) {
            QVERIFY2(!address.startsWith(kItem) && !address.startsWith(QStringLiteral("http://img01.")) &&
                         !address.startsWith(QStringLiteral("http://dsc.")),
                     qPrintable(address));
        }
        QCOMPARE(crawl.titles(), (QStringList{kCable, kScarf, kDress, kCamera, kCase, kJeans}));
        QCOMPARE(crawl.session->state().collectedCount, 12);
        QCOMPARE(crawl.ini(SettingsKeys::kBreakPointNum), QStringLiteral("12"));
        QVERIFY(!crawl.window.statusTexts.contains(
            QStringLiteral("[女装]分类共有商品21个，已采集商品1个，正在采集第1页内容......")));
    }

    void stopInTheMiddleOfAListPage_data() {
        QTest::addColumn<int>("format");
        QTest::newRow("Taobao Assistant") << int(PlatformConstants::TaobaoAssistant);
        QTest::newRow("PaiPai Assistant") << int(PlatformConstants::PaiPaiAssistant);
        QTest::newRow("eBay Assistant") << int(PlatformConstants::EbayAssistant);
    }

    void stopInTheMiddleOfAListPage() {
        QFETCH(int, format);

        Crawl crawl(kLayout3, format);
        // The user presses stop while the third item page is being downloaded.
        crawl.window.onProcessEvents = [&] {
            if (!crawl.session->state().stopRequested && m_server->requestedAddresses().contains(item(3003)))
                crawl.stop();
        };
        crawl.run();

        const QStringList pages = pagesRequested(*m_server);
        QCOMPARE(pages.last(), item(3003));
        QCOMPARE(crawl.window.rows.size(), 3);
        QCOMPARE(crawl.session->state().collectedCount, 3);
        QCOMPARE(crawl.ini(SettingsKeys::kBreakPointNum), QStringLiteral("3"));
        QCOMPARE(crawl.ini(SettingsKeys::kBreakPoint), QStringLiteral("1"));
        QCOMPARE(crawl.stopCommands, 2);
        QVERIFY(crawl.session->state().outputBuffer.isEmpty());
        QCOMPARE(crawl.window.statusTexts.last(),
                 QStringLiteral("该店铺中共有商品23个，共分2显示，全部采集完成......"));

        // Every row reached the file, the one finished after the stop included.
        QString text;
        if (format == PlatformConstants::TaobaoAssistant)
            QVERIFY(ReadFile(crawl.outputFile(), QStringLiteral("unicode"), &text).ok());
        else
            QVERIFY(ReadFile(crawl.outputFile(), QStringLiteral("gbk"), &text).ok());
        for (int n = 1; n <= 3; ++n) {
            const QString title = crawl.window.rows.at(n - 1).cells.at(0);
            QVERIFY2(text.contains(title.mid(1, title.size() - 2)), qPrintable(title));
        }
    }

    void pageCountFromTotal_data() {
        QTest::addColumn<QString>("total");
        QTest::addColumn<QString>("expected");
        QTest::newRow("40 items, one page more than needed") << "40"
                                                             << "该店铺中共有商品40个，共分3显示，";
        QTest::newRow("39 items") << "39"
                                  << "该店铺中共有商品39个，共分2显示，";
        QTest::newRow("1 item") << "1"
                                << "该店铺中共有商品1个，共分1显示，";
        QTest::newRow("spaces around the total") << " 21 "
                                                 << "该店铺中共有商品21个，共分2显示，";
    }

    void pageCountFromTotal() {
        QFETCH(QString, total);
        QFETCH(QString, expected);

        const QString shop = QStringLiteral("http://shop90000001.taobao.com/");
        m_server->setContent(shop, gbkPage(layout1Home(total, QString())));
        Crawl crawl(shop);
        crawl.run();
        QCOMPARE(crawl.window.statusTexts.value(1),
                 QStringLiteral(".") + expected + QStringLiteral("准备分页采集商品信息......"));
        // No category accounts for the items, so every page of the whole shop is read.
        const int pages = crawl.session->state().pageCount;
        QCOMPARE(pagesRequested(*m_server).size(), 1 + pages);
    }

    void categoryPages_data() {
        QTest::addColumn<QString>("home");
        QTest::addColumn<QString>("firstPage");
        QTest::addColumn<QString>("expected");

        const QString entry = QStringLiteral(
            "\t\t<li id=\"TreeItem_1\"><a href=\"http://shop90000002.taobao.com/?cat=1\">鞋</a></li>\r\n");
        const QString home1 = layout1Home(QStringLiteral("20"), entry);
        auto count = [](int n) -> QString {
            return QStringLiteral("<div class=\"ViewInfoLeft\">鞋 (共 %1 个宝贝)</div>").arg(n);
        };
        QTest::newRow("20 items, one page") << home1 << count(20) << "[鞋]分类共有商品20个，共分1显示，";
        QTest::newRow("21 items, two pages") << home1 << count(21) << "[鞋]分类共有商品21个，共分2显示，";
        QTest::newRow("40 items, three pages") << home1 << count(40) << "[鞋]分类共有商品40个，共分3显示，";
        QTest::newRow("no size marker")
            << home1 << QStringLiteral("(共 30 个宝贝)") << "[鞋]分类共有商品0个，共分1显示，";
        QTest::newRow("marker without a count")
            << home1 << QStringLiteral("<div class=\"ViewInfoLeft\">鞋</div>")
            << "[鞋]分类共有商品0个，共分1显示，";

        const QString home2 =
            QStringLiteral("<ul><li><span>宝贝数量：</span>9</li><li>会员积累信用</li></ul>\r\n"
                           "<div class=\"shop-category\"><ul>\r\n") +
            QStringLiteral("<li id=\"TreeItem_1\"><a "
                           "href=\"http://shop90000002.taobao.com/?cat=1&start=0\">鞋</a></li>") +
            QStringLiteral("\r\n</ul></div><div class=\"shop-links\"></div>");
        auto indicator = [](const QString& text) -> QString {
            return QStringLiteral("<span class=\"page-info\">") + text + QStringLiteral("</span>");
        };
        QTest::newRow("indicator 1/7")
            << home2 << indicator(QStringLiteral("1/7")) << "[鞋]分类共有7页商品，";
        QTest::newRow("indicator 1/1")
            << home2 << indicator(QStringLiteral("1/1")) << "[鞋]分类共有1页商品，";
        QTest::newRow("indicator 0/0")
            << home2 << indicator(QStringLiteral("0/0")) << "[鞋]分类共有1页商品，";
    }

    void categoryPages() {
        QFETCH(QString, home);
        QFETCH(QString, firstPage);
        QFETCH(QString, expected);

        const QString shop = QStringLiteral("http://shop90000002.taobao.com/");
        m_server->setContent(shop, gbkPage(home));
        const bool layout2 = home.contains(QStringLiteral("start=0"));
        m_server->setContent(shop + (layout2 ? QStringLiteral("?cat=1&start=0") : QStringLiteral("?cat=1")),
                             gbkPage(firstPage));
        Crawl crawl(shop);
        crawl.run();
        QCOMPARE(crawl.window.statusTexts.value(2), expected + QStringLiteral("正在采集第1页内容......"));
    }

    void entryWithoutLinkIsNotWalked() {
        const QString shop = QStringLiteral("http://shop90000003.taobao.com/");
        const QString entries = QStringLiteral(
            "\t\t<li id=\"TreeItem_1\"><a href=\"http://shop90000003.taobao.com/?cat=1\">鞋</a></li>\r\n"
            "\t\t<li class=\"CatNote\"><span>新品每周二上架</span></li>\r\n");
        m_server->setContent(shop, gbkPage(layout1Home(QStringLiteral("5"), entries)));
        Crawl crawl(shop);
        crawl.run();
        // The note has no link: the shoe category is not walked a second time under its name.
        QCOMPARE(pagesRequested(*m_server).count(shop + QStringLiteral("?cat=1")), 1);
    }

    void stopBeforeTheLeftoverAndWholeShop() {
        Crawl crawl(kLayout1);
        crawl.window.onProcessEvents = [&] {
            if (!crawl.session->state().stopRequested && m_server->requestedAddresses().contains(item(1001)))
                crawl.stop();
        };
        crawl.run();

        // Neither the last category entry nor the whole shop is read after a stop.
        QCOMPARE(pagesRequested(*m_server).last(), item(1001));
        QCOMPARE(crawl.titles(), QStringList{kDress});
        QCOMPARE(crawl.ini(SettingsKeys::kBreakPointNum), QStringLiteral("1"));
    }

    void collectCommandRecordsTheBreakPoint() {
        FakeWindow window;
        QTemporaryDir dir;
        ExtractionSession session(window, dir.path());
        session.context().pauseScale = 0.001;
        ExtractionController controller(session);
        window.platform = PlatformConstants::Taobao;
        window.format = PlatformConstants::PaiPaiAssistant;
        window.address = QStringLiteral("HTTP://SHOP33334444.TAOBAO.COM/");
        controller.collect();

        auto ini = [&](const QString& key) {
            return session.settings().ReadIniValue(SettingsKeys::kSection, key);
        };
        QCOMPARE(ini(SettingsKeys::kBreakPoint), QStringLiteral("0"));
        QCOMPARE(ini(SettingsKeys::kBreakPointUrl), kLayout3);
        QCOMPARE(ini(SettingsKeys::kBreakPointSO), QStringLiteral("2"));
        QCOMPARE(ini(SettingsKeys::kBreakPointOption), QStringLiteral("2"));
        QCOMPARE(ini(SettingsKeys::kBreakPointFileName), QStringLiteral("Taobao_33334444.csv"));
        QCOMPARE(ini(SettingsKeys::kBreakPointNum), QStringLiteral("23"));
        QCOMPARE(window.rows.size(), 23);
        QVERIFY(!window.running);
        QVERIFY(QFile::exists(
            session.paths().outputFile(QStringLiteral("Taobao_33334444"), QStringLiteral(".csv"))));
    }

    void zeroItems() {
        Crawl crawl(QStringLiteral("http://shop44445555.taobao.com/"));
        crawl.run();

        QCOMPARE(crawl.window.messages,
                 QStringList{
                     QStringLiteral("此店铺宝贝数为0，无法采集!如实际宝贝数不为0，请将此店铺地址发给作者（") +
                     PlatformConstants::kContactAddress + QStringLiteral(")，谢谢")});
        QCOMPARE(crawl.window.statusTexts.last(),
                 QStringLiteral("无法完成采集操作，如有疑问，请将地址发给作者（") +
                     PlatformConstants::kContactAddress + QStringLiteral(")，谢谢"));
        QCOMPARE(crawl.stopCommands, 1);
        QCOMPARE(crawl.ini(SettingsKeys::kBreakPoint), QStringLiteral("1"));
        QCOMPARE(pagesRequested(*m_server), QStringList{QStringLiteral("http://shop44445555.taobao.com/")});
    }

    void noLayout() {
        Crawl crawl(QStringLiteral("http://shop55556666.taobao.com/"));
        crawl.run();

        QCOMPARE(crawl.window.messages,
                 QStringList{
                     QStringLiteral(
                         "对不起，无法完成采集操作，请重试。如尝试多次仍无法采集，请将此店铺地址发给作者（") +
                     PlatformConstants::kContactAddress + QStringLiteral(")，谢谢")});
        // The failure text stays: the completion text is not shown on this path.
        QCOMPARE(crawl.window.statusTexts,
                 (QStringList{QStringLiteral("载入淘宝店铺信息......"),
                              QStringLiteral("无法完成采集操作，请将此店铺地址发给作者（") +
                                  PlatformConstants::kContactAddress + QStringLiteral(")，谢谢")}));
        QCOMPARE(crawl.stopCommands, 1);
        QCOMPARE(pagesRequested(*m_server), QStringList{QStringLiteral("http://shop55556666.taobao.com/")});
    }

    void unreachableShopIsNoLayout() {
        Crawl crawl(QStringLiteral("http://shop66667777.taobao.com/"));
        crawl.run();
        QCOMPARE(crawl.window.messages.size(), 1);
        QCOMPARE(crawl.stopCommands, 1);
    }
};

QTEST_GUILESS_MAIN(TestCollectTaobaoShop)
#include "tst_collecttaobaoshop.moc"
