#include "base/ProgramIdentity.h"
#include "crawl/TaobaoShopWalk.h"
#include "formats/QuotedRecordReader.h"
#include "run/SettingsKeys.h"
#include "run/WrittenItemSet.h"
#include "support/TestMain.h"
#include "text/TextFileIo.h"

#include "support/CrawlTestSupport.h"
#include "support/FixtureWebServer.h"
#include "support/TestPaths.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString kLayout1 = u"http://shop12345678.taobao.com/"_s;
const QString kLayout2 = u"http://shop22223333.taobao.com/"_s;
const QString kLayout3 = u"http://shop33334444.taobao.com/"_s;
const QString kItem = u"http://item.taobao.com/item.htm?id="_s;
const QString kBackslashes = u"\\\\\\"_s;

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
        if (!address.startsWith(u"http://img01."_s) && !address.startsWith(u"http://dsc."_s))
            pages.append(address);
    }
    return pages;
}

// A crawl as the collect command starts it: the breakpoint marks a run in progress.
struct Crawl : ShopRun {
    explicit Crawl(const QString& shopUrl, FileFormat format = FileFormat::TaobaoAssistant)
        : ShopRun(shopUrl, u"Taobao_"_s + shopUrl.section(u'.', 0, 0).remove(u"http://shop"_s)) {
        window.platform = Platform::Taobao;
        window.format = format;
        aimWriter();
        session.settings().writeValue(SettingsKeys::kSection, SettingsKeys::kBreakPoint, u"1"_s);
    }
    void run() { walk(walkTaobaoShop, 1000); }
};

// A page as the site would send it, for shops the tests put together on the spot.
QByteArray gbkPage(const QString& body) {
    return encodeGbk(u"<html><body>\r\n"_s + body + u"\r\n</body></html>\r\n"_s);
}

QString layout1Home(const QString& total, const QString& entries) {
    return u"<ul><li><span>宝贝数:</span>"_s + total +
           u"</li></ul>\r\n<div id=\"ItemCategoriesContent\" >\r\n\t<ul>\r\n"_s + entries +
           u"\t</ul>\r\n</div>"_s;
}

} // namespace

class TestTaobaoShopWalk : public QObject {
    Q_OBJECT

private:
    FixtureWebServer m_server{fixturePath(u"web"_s)};

private slots:
    void initTestCase() {
        QVERIFY(m_server.start());
        m_server.useAsProxy();
    }

    void init() {
        m_server.clearBehaviours();
        m_server.clearRequestedAddresses();
    }

    // Per layout: every shop and item page in the order asked for, the rows, the breakpoint, and
    // the status texts that must show in this order among statusCount in all.
    void layouts_data() {
        QTest::addColumn<QString>("shop");
        QTest::addColumn<QStringList>("pages");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("breakPointNum");
        QTest::addColumn<QStringList>("statuses");
        QTest::addColumn<int>("statusCount");

        auto reached = [](int n, int p) -> QString {
            return u"已采集商品%1个，正在采集第%2页内容......"_s.arg(n).arg(p);
        };
        auto page = [](int pages, int p) -> QString {
            return u"共分%1页显示，正在采集第%2页内容......"_s.arg(pages).arg(p);
        };
        const QString loading = u"载入淘宝店铺信息......"_s;
        const QString preparing = u"准备分页采集商品信息......"_s;
        const QString done = u"全部采集完成......"_s;

        // Cell 5 has no title and cell 7 no readable address: both are counted, neither gives a
        // row, and the titled item before cell 7 is not taken twice.
        const QString dress = u"[女装]分类共有商品21个，"_s;
        const QString cases = u"[数码配件"_s + kBackslashes + u"手机壳]分类共有商品2个，"_s;
        const QString phones = u"[数码配件"_s + kBackslashes + u"耳机]分类共有商品0个，"_s;
        const QString other = u"[未分类宝贝]分类共有商品1个，"_s;
        const QString shop1 = u"该店铺中共有商品8个，共分1页显示，"_s;
        QTest::newRow("layout 1: categories, heading, leftover, whole shop")
            << kLayout1
            << (QStringList{kLayout1, kLayout1 + u"?cat=101&search=y"_s,
                            kLayout1 + u"?page_num=1&cat=101&search=y"_s} +
                items({1001, 1002}) + QStringList{kLayout1 + u"?page_num=2&cat=101&search=y"_s} +
                items({1003}) +
                QStringList{kLayout1 + u"?cat=102&search=y"_s, kLayout1 + u"?page_num=1&cat=102&search=y"_s} +
                items({1004, 1005}) +
                QStringList{kLayout1 + u"?cat=103&search=y"_s, kLayout1 + u"?page_num=1&cat=103&search=y"_s} +
                items({1006}) +
                QStringList{kLayout1 + u"?cat=0&search=y"_s, kLayout1 + u"?page_num=1&cat=0&search=y"_s} +
                items({1007}) +
                QStringList{
                    u"http://shop.taobao.com/shop/view_shop.htm?shop_id=12345678&page_num=1&query_type=all"_s} +
                items({1001, 1002, 1003, 1008}))
            << 10 << u"12"_s
            << QStringList{loading, u"."_s + shop1 + preparing, dress + page(2, 1), dress + reached(1, 1),
                           dress + reached(2, 1), dress + page(2, 2), dress + reached(3, 2),
                           cases + page(1, 1), cases + reached(4, 1),
                           // item 1005's page has no title; the cell below it has no address
                           u"宝贝未能采集（页面没有宝贝标题），已跳过：http://item.taobao.com/item.htm?id=1005"_s,
                           cases + reached(5, 1), phones + page(1, 1), phones + reached(6, 1),
                           phones + reached(7, 1), other + page(1, 1), other + reached(8, 1),
                           u"."_s + shop1 + u"正在采集第1页内容......"_s, shop1 + reached(9, 1),
                           shop1 + reached(10, 1), shop1 + reached(11, 1), shop1 + reached(12, 1),
                           shop1 + done, shop1 + done}
            << 24;

        // The whole-shop walk of this layout records no resume number.
        const QString list2 = kLayout2 + u"shop/xshop/wui_page.htm?cid="_s;
        const QString shop2 = u"该店铺中共有商品5个，共分1页显示，"_s;
        QTest::newRow("layout 2: start offsets, whole shop always")
            << kLayout2
            << (QStringList{kLayout2, list2 + u"201&start=0"_s, list2 + u"201&start=0&i=0"_s} +
                items({2001, 2002}) + QStringList{list2 + u"201&start=20&i=0"_s} + items({2003}) +
                QStringList{list2 + u"202&start=0"_s, list2 + u"202&start=0&i=0"_s} + items({2004}) +
                QStringList{u"http://shop.taobao.com/shop/xshop/show_list.htm?owner_id=&start=0"_s} +
                itemRange(2001, 2005))
            << 9 << u"4"_s
            << QStringList{u":"_s + shop2 + preparing,
                           u"[家居]分类共有2页商品，正在采集第1页内容......"_s,
                           shop2 + reached(1, 1),
                           u"[厨房"_s + kBackslashes + u"餐具]分类共有1页商品，正在采集第1页内容......"_s,
                           u":"_s + shop2 + u"正在采集第1页内容......"_s,
                           shop2 + reached(9, 1),
                           shop2 + done}
            << 17;

        // The leftover entry has no top-level mark, so it stays under the last heading.
        const QString shoes = u"[鞋包"_s + kBackslashes + u"女鞋]分类共有商品21个，"_s;
        const QString shop3 = u"该店铺中共有商品23个，共分2页显示，"_s;
        QTest::newRow("layout 3: second list of the page, leftover in the old list, counts add up")
            << kLayout3
            << (QStringList{kLayout3, kLayout3 + u"?cat=301&search=y"_s,
                            kLayout3 + u"?page_num=1&cat=301&search=y"_s} +
                itemRange(3001, 3020) + QStringList{kLayout3 + u"?page_num=2&cat=301&search=y"_s} +
                items({3021}) +
                QStringList{kLayout3 + u"?cat=302&search=y"_s, kLayout3 + u"?page_num=1&cat=302&search=y"_s} +
                items({3022}) +
                QStringList{kLayout3 + u"?cat=0&search=y"_s, kLayout3 + u"?page_num=1&cat=0&search=y"_s} +
                items({3023}))
            << 23 << u"23"_s
            << QStringList{shop3 + preparing, shoes + page(2, 1), shoes + reached(21, 2),
                           u"[鞋包"_s + kBackslashes + u"其他宝贝]分类共有商品1个，"_s + reached(23, 1),
                           shop3 + done}
            << 31;
    }

    void layouts() {
        QFETCH(QString, shop);
        QFETCH(QStringList, pages);
        QFETCH(int, rows);
        QFETCH(QString, breakPointNum);
        QFETCH(QStringList, statuses);
        QFETCH(int, statusCount);

        Crawl crawl(shop);
        crawl.run();
        QCOMPARE(pagesRequested(m_server), pages);
        QCOMPARE(crawl.window.rows.size(), rows);
        QCOMPARE(crawl.breakPoint(SettingsKeys::kBreakPointNum), breakPointNum);
        QCOMPARE(crawl.end.kind, WalkEnd::Kind::Complete);
        QCOMPARE(crawl.stops, 1);
        QVERIFY(!crawl.session.state().isRunning());
        QVERIFY(crawl.window.messages.isEmpty());

        const QStringList shown = crawl.window.statusTexts;
        QCOMPARE(shown.size(), statusCount);
        qsizetype at = 0;
        for (const QString& status : statuses) {
            at = shown.indexOf(status, at);
            QVERIFY2(at >= 0, qPrintable(status));
            ++at;
        }
        QCOMPARE(shown.last(), statuses.last());
    }

    // A store file names each item's shop and the category whose list gave it (a child under its
    // parent); items of the uncategorised list (category 0) and of the whole-shop list have none.
    void storeFileNamesShopAndCategory_data() {
        QTest::addColumn<QString>("shop");
        QTest::addColumn<QString>("vendor");
        QTest::addColumn<QStringList>("products"); // handle: type; tags

        QTest::newRow("layout 1") << kLayout1 << u"小雨衣橱"_s
                                  << QStringList{u"1001:女装;女装"_s,
                                                 u"1002:女装;女装"_s,
                                                 u"1003:女装;女装"_s,
                                                 u"1004:手机壳;数码配件, 手机壳"_s,
                                                 u"1006:耳机;数码配件, 耳机"_s,
                                                 u"1007:;"_s,
                                                 u"1008:;"_s};
        QTest::newRow("layout 2") << kLayout2 << u"阿杰家居"_s
                                  << QStringList{u"2001:家居;家居"_s, u"2002:家居;家居"_s,
                                                 u"2003:家居;家居"_s, u"2004:餐具;厨房, 餐具"_s, u"2005:;"_s};
        QStringList shoes;
        for (int id = 3001; id <= 3021; ++id)
            shoes.append(u"%1:女鞋;鞋包, 女鞋"_s.arg(id));
        QTest::newRow("layout 3") << kLayout3 << u"步步高鞋包"_s
                                  << shoes + QStringList{u"3022:箱包;鞋包, 箱包"_s, u"3023:;"_s};
    }

    void storeFileNamesShopAndCategory() {
        QFETCH(QString, shop);
        QFETCH(QString, vendor);
        QFETCH(QStringList, products);

        Crawl crawl(shop, FileFormat::Shopify);
        // As in a run: an item the whole-shop list names again is in the file already.
        WrittenItemSet& written = crawl.session.writtenItems();
        written = WrittenItemSet(WrittenItemSet::pathFor(crawl.outputFile()));
        crawl.session.context().startRun(&written);
        crawl.run();
        QFile file(crawl.outputFile());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QuotedRecordReader reader{QChar(u',')};
        reader.start(&file, TextDecoder(QStringConverter::Utf8));
        QStringList header;
        QVERIFY(reader.readRecord(&header));
        const auto at = [&header](const QStringList& row, const QString& name) {
            return row.value(header.indexOf(name));
        };
        QStringList read;
        QStringList row;
        while (reader.readRecord(&row)) {
            QCOMPARE(at(row, u"Vendor"_s), vendor);
            read.append(at(row, u"Handle"_s) + u':' + at(row, u"Type"_s) + u';' + at(row, u"Tags"_s));
        }
        QCOMPARE(read, products);
    }

    void resumePassesOverRecordedItems() {
        Crawl crawl(kLayout1);
        WrittenItemSet& written = crawl.session.writtenItems();
        written = WrittenItemSet(WrittenItemSet::pathFor(crawl.outputFile()));
        for (const QString& key : {u"1001"_s, u"1002"_s, u"1003"_s, u"1004"_s, u"1005"_s})
            written.add(key);
        crawl.session.context().startRun(&written);
        crawl.run();

        // The items the file holds (cells 1 to 5) cost no download of their own (page, picture or
        // description), but every list page that holds them is still read.
        const QStringList all = m_server.requestedAddresses();
        QCOMPARE(all.mid(0, all.indexOf(item(1006))),
                 (QStringList{kLayout1, kLayout1 + u"?cat=101&search=y"_s,
                              kLayout1 + u"?page_num=1&cat=101&search=y"_s,
                              kLayout1 + u"?page_num=2&cat=101&search=y"_s, kLayout1 + u"?cat=102&search=y"_s,
                              kLayout1 + u"?page_num=1&cat=102&search=y"_s, kLayout1 + u"?cat=103&search=y"_s,
                              kLayout1 + u"?page_num=1&cat=103&search=y"_s}));
        // 1006, 1007 and 1008: the whole-shop list names 1001 to 1003 again, which the file holds.
        QCOMPARE(crawl.window.rows.size(), 3);
        QCOMPARE(crawl.session.state().counters().collectedCount(), 12);
        QCOMPARE(crawl.breakPoint(SettingsKeys::kBreakPointNum), u"12"_s);
    }

    void stopInTheMiddleOfAListPage_data() {
        QTest::addColumn<QString>("shop");
        QTest::addColumn<FileFormat>("format");
        QTest::addColumn<int>("stopAtItem");
        QTest::addColumn<int>("reached");

        QTest::newRow("Taobao Assistant") << kLayout3 << FileFormat::TaobaoAssistant << 3003 << 3;
        QTest::newRow("PaiPai Assistant") << kLayout3 << FileFormat::PaiPaiAssistant << 3003 << 3;
        QTest::newRow("eBay Assistant") << kLayout3 << FileFormat::EbayAssistant << 3003 << 3;
        // Neither the last category entry nor the whole shop is read after a stop.
        QTest::newRow("before the leftover entry and the whole shop")
            << kLayout1 << FileFormat::TaobaoAssistant << 1001 << 1;
    }

    // The user presses stop as an item reaches the grid: that item is finished, every loop is
    // left, and every row reaches the file.
    void stopInTheMiddleOfAListPage() {
        QFETCH(QString, shop);
        QFETCH(FileFormat, format);
        QFETCH(int, stopAtItem);
        QFETCH(int, reached);

        Crawl crawl(shop, format);
        crawl.window.onUpdate = [&] {
            if (crawl.window.rows.size() == reached)
                crawl.session.stopSignal().request();
        };
        crawl.run();

        QCOMPARE(pagesRequested(m_server).last(), item(stopAtItem));
        QCOMPARE(crawl.window.rows.size(), reached);
        QCOMPARE(crawl.session.state().counters().collectedCount(), reached);
        QCOMPARE(crawl.breakPoint(SettingsKeys::kBreakPointNum), QString::number(reached));
        QCOMPARE(crawl.breakPoint(SettingsKeys::kBreakPoint), u"1"_s);
        QCOMPARE(crawl.end.kind, WalkEnd::Kind::Stopped);
        QVERIFY(crawl.session.writer().pendingOutput().isEmpty());
        // A stopped walk never says it completed.
        for (const QString& status : crawl.window.statusTexts)
            QVERIFY2(!status.contains(u"全部采集完成"_s), qPrintable(status));

        QString text;
        const QString charset = format == FileFormat::TaobaoAssistant ? u"unicode"_s : u"gbk"_s;
        QVERIFY(readTextFile(crawl.outputFile(), charset, &text).ok());
        for (const FakeWindow::Row& row : crawl.window.rows)
            QVERIFY2(text.contains(row.cells.at(0).mid(1).chopped(1)), qPrintable(row.cells.at(0)));
    }

    void pageCountFromTotal_data() {
        QTest::addColumn<QString>("total");
        QTest::addColumn<QString>("expected");
        QTest::newRow("40 items, one page more than needed")
            << u"40"_s << u"该店铺中共有商品40个，共分3页显示，"_s;
        QTest::newRow("39 items") << u"39"_s << u"该店铺中共有商品39个，共分2页显示，"_s;
        QTest::newRow("1 item") << u"1"_s << u"该店铺中共有商品1个，共分1页显示，"_s;
        QTest::newRow("spaces around the total") << u" 21 "_s << u"该店铺中共有商品21个，共分2页显示，"_s;
    }

    void pageCountFromTotal() {
        QFETCH(QString, total);
        QFETCH(QString, expected);

        const QString shop = u"http://shop90000001.taobao.com/"_s;
        m_server.setContent(shop, gbkPage(layout1Home(total, QString())));
        Crawl crawl(shop);
        crawl.run();
        QCOMPARE(crawl.window.statusTexts.value(1), u"."_s + expected + u"准备分页采集商品信息......"_s);
        // No category accounts for the items, so the whole shop is listed; its first page holds no
        // item, which ends the walk however many pages the total promised.
        QCOMPARE(pagesRequested(m_server).size(), 2);
    }

    void categoryPages_data() {
        QTest::addColumn<QString>("home");
        QTest::addColumn<QString>("firstPage");
        QTest::addColumn<QString>("expected");

        const QString entry =
            u"\t\t<li id=\"TreeItem_1\"><a href=\"http://shop90000002.taobao.com/?cat=1\">鞋</a></li>\r\n"_s;
        const QString home1 = layout1Home(u"20"_s, entry);
        auto count = [](int n) -> QString {
            return u"<div class=\"ViewInfoLeft\">鞋 (共 %1 个宝贝)</div>"_s.arg(n);
        };
        QTest::newRow("20 items, one page") << home1 << count(20) << "[鞋]分类共有商品20个，共分1页显示，";
        QTest::newRow("21 items, two pages") << home1 << count(21) << "[鞋]分类共有商品21个，共分2页显示，";
        QTest::newRow("40 items, three pages") << home1 << count(40) << "[鞋]分类共有商品40个，共分3页显示，";
        QTest::newRow("no size marker")
            << home1 << u"(共 30 个宝贝)"_s << "[鞋]分类共有商品0个，共分1页显示，";
        QTest::newRow("marker without a count")
            << home1 << u"<div class=\"ViewInfoLeft\">鞋</div>"_s << "[鞋]分类共有商品0个，共分1页显示，";

        const QString home2 =
            u"<ul><li><span>宝贝数量：</span>9</li><li>会员积累信用</li></ul>\r\n<div "
            u"class=\"shop-category\"><ul>\r\n"
            u"<li id=\"TreeItem_1\"><a href=\"http://shop90000002.taobao.com/?cat=1&start=0\">鞋</a></li>\r\n"
            u"</ul></div><div class=\"shop-links\"></div>"_s;
        auto indicator = [](const QString& text) -> QString {
            return u"<span class=\"page-info\">"_s + text + u"</span>"_s;
        };
        QTest::newRow("indicator 1/7") << home2 << indicator(u"1/7"_s) << "[鞋]分类共有7页商品，";
        QTest::newRow("indicator 1/1") << home2 << indicator(u"1/1"_s) << "[鞋]分类共有1页商品，";
        QTest::newRow("indicator 0/0") << home2 << indicator(u"0/0"_s) << "[鞋]分类共有1页商品，";
    }

    void categoryPages() {
        QFETCH(QString, home);
        QFETCH(QString, firstPage);
        QFETCH(QString, expected);

        const QString shop = u"http://shop90000002.taobao.com/"_s;
        m_server.setContent(shop, gbkPage(home));
        const bool layout2 = home.contains(u"start=0"_s);
        m_server.setContent(shop + (layout2 ? u"?cat=1&start=0"_s : u"?cat=1"_s), gbkPage(firstPage));
        Crawl crawl(shop);
        crawl.run();
        QCOMPARE(crawl.window.statusTexts.value(2), expected + u"正在采集第1页内容......"_s);
    }

    void entryWithoutLinkIsNotWalked() {
        const QString shop = u"http://shop90000003.taobao.com/"_s;
        const QString entries =
            u"\t\t<li id=\"TreeItem_1\"><a href=\"http://shop90000003.taobao.com/?cat=1\">鞋</a></li>\r\n"
            u"\t\t<li class=\"CatNote\"><span>新品每周二上架</span></li>\r\n"_s;
        m_server.setContent(shop, gbkPage(layout1Home(u"5"_s, entries)));
        Crawl crawl(shop);
        crawl.run();
        // The note has no link: the shoe category is not walked a second time under its name.
        QCOMPARE(pagesRequested(m_server).count(shop + u"?cat=1"_s), 1);
    }

    void failures_data() {
        QTest::addColumn<QString>("shop");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("status");

        // No message names an address to write to.
        const QString noLayoutMessage = u"对不起，无法完成采集操作，请重试。"_s;
        const QString noLayoutStatus = u"无法完成采集操作"_s;
        // Each ends the walk failed, for the reason it told the user; the breakpoint is the run's.
        QTest::newRow("zero items") << u"http://shop44445555.taobao.com/"_s << u"此店铺宝贝数为0，无法采集!"_s
                                    << noLayoutStatus;
        QTest::newRow("no layout") << u"http://shop55556666.taobao.com/"_s << noLayoutMessage
                                   << noLayoutStatus;
        QTest::newRow("unreachable shop")
            << u"http://shop66667777.taobao.com/"_s << noLayoutMessage << noLayoutStatus;
    }

    void failures() {
        QFETCH(QString, shop);
        QFETCH(QString, message);
        QFETCH(QString, status);

        Crawl crawl(shop);
        crawl.run();
        QCOMPARE(crawl.window.messages, QStringList{message});
        // The failure text stays: the completion text is not shown on either path.
        QCOMPARE(crawl.window.statusTexts, (QStringList{u"载入淘宝店铺信息......"_s, status}));
        QCOMPARE(crawl.stops, 1);
        QCOMPARE(crawl.end.kind, WalkEnd::Kind::Failed);
        QCOMPARE(crawl.end.reason, message);
        QCOMPARE(crawl.breakPoint(SettingsKeys::kBreakPoint), u"1"_s);
        QCOMPARE(pagesRequested(m_server), QStringList{shop});
    }
};

KESTRUNE_TEST_GUILESS_MAIN(TestTaobaoShopWalk)
#include "tst_taobaoshopwalk.moc"
