#include "items/ParsePaiPaiItem.h"
#include "support/TestMain.h"
#include "text/TextFileIo.h"

#include "items/SplitPaiPaiLocation.h"
#include "support/TestPaths.h"
#include "text/TextHelpers.h"

#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString kPicture = u"/data/PaiPai_20090301/pic.jpg"_s;

// An item page as the fetcher hands it over: GBK decoded, then cleaned.
QString itemPage(const QString& code) {
    QFile file(fixturePath(u"web/auction1.paipai.com/"_s + code));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing fixture page %s", qPrintable(code));
    return cleanPageText(decodeGbk(file.readAll()));
}

// The whole grid row from the cells that vary between items, in grid order: title, category,
// condition, province, city, sale type, price, increment, post fee, express fee, invoice,
// warranty, description.
QStringList gridRow(const QStringList& v) {
    const QString zero = u"0"_s, one = u"1"_s, none;
    return QStringList() << v[0] << v[1] << zero << v[2] << v[3] << v[4] << v[5] << v[6] << v[7] << u"10"_s
                         << u"7"_s << u"2"_s << v[8] << u"0.000000"_s << v[9] << zero << one << v[10] << v[11]
                         << one << zero << zero << u"1980-01-01 00:00:00"_s << none << v[12] << kPicture
                         << none << zero << zero << zero << zero;
}

} // namespace

class TestParsePaiPaiItem : public QObject {
    Q_OBJECT

private slots:
    void cutsItemPages_data() {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("listTitle");
        QTest::addColumn<QString>("saleType");
        QTest::addColumn<QString>("listPrice");
        QTest::addColumn<QStringList>("grid");
        // The record differs from the grid only in these three, kept as cut from the page.
        QTest::addColumn<QStringList>("recordIncrementPostExpress");

        const auto add = [](const char* name, const QString& code, const QString& listPrice,
                            const QStringList& grid, const QStringList& record) {
            QTest::newRow(name) << code << grid[0] << grid[5] << listPrice << gridRow(grid) << record;
        };
        add("fixed price, category after the last dash, fees, both flags",
            u"6A1E8B3A0000000000000000000A0001"_s, u"1280.00"_s,
            {u"诺基亚N73 全新行货 送2G卡"_s, u"456"_s, u"5"_s, u"广东省"_s, u"广州市"_s, u"b"_s,
             u"1280.000000"_s, u"0.000000"_s, u"10.000000"_s, u"15.000000"_s, u"1"_s, u"1"_s,
             u"<p style='color:red'>全新行货，全国联保，假一赔十</p><img src='http://img.paipai.com/n73.jpg' />"_s},
            {u"0"_s, u"10.00"_s, u"15.00"_s});
        add("auction, plain category, four-character province, no postage",
            u"6A1E8B3A0000000000000000000A0002"_s, u"35.5"_s,
            {u"二手索尼爱立信K750c"_s, u"456"_s, u"6"_s, u"黑龙江省"_s, u"哈尔滨市"_s, u"a"_s, u"35.500000"_s,
             u"2.000000"_s, u"0.000000"_s, u"0.000000"_s, u"0"_s, u"0"_s, u"九成新，<b>机身有划痕</b>"_s},
            {u"2.00"_s, u"0"_s, u"0"_s});
        // (The shop's list names this item without a title: the walk drops it; see withoutTitle.)
        add("category without number, no condition or city, last description wins",
            u"6A1E8B3A0000000000000000000A0003"_s, u"88"_s,
            {u"没有标题的商品"_s, u"0"_s, u"6"_s, u""_s, u""_s, u"a"_s, u"88.000000"_s, u"0.500000"_s,
             u"8.000000"_s, u"0.000000"_s, u"0"_s, u"0"_s, u"新的描述"_s},
            {u"0.5"_s, u"8"_s, u""_s});
        add("three-level category, autonomous region", u"7B2F9C4B0000000000000000000B0001"_s, u"45.00"_s,
            {u"羊毛围巾 红色"_s, u"1213"_s, u"5"_s, u"内蒙古自治区"_s, u"呼和浩特市"_s, u"b"_s,
             u"45.000000"_s, u"0.000000"_s, u"6.000000"_s, u"12.000000"_s, u"1"_s, u"0"_s,
             u"100%羊毛，手感柔软"_s},
            {u"0"_s, u"6.00"_s, u"12.00"_s});
        add("no breadcrumb, nested table keeps its own end", u"7B2F9C4B0000000000000000000B0002"_s, u"300"_s,
            {u"和田玉挂件"_s, u""_s, u"5"_s, u"新疆维吾尔自治区"_s, u"乌鲁木齐市"_s, u"a"_s, u"300.000000"_s,
             u"10.000000"_s, u"0.000000"_s, u"0.000000"_s, u"0"_s, u"1"_s,
             u"<table><tr><td>籽料</td><td>20克</td></tr></table>"_s},
            {u"10"_s, u"0"_s, u"0"_s});
        add("last breadcrumb entry without link, municipality, courier named in a notice",
            u"7B2F9C4B0000000000000000000B0003"_s, u"128.00"_s,
            {u"北京烤鸭礼盒"_s, u"0"_s, u"5"_s, u"北京市"_s, u"朝阳区"_s, u"b"_s, u"128.000000"_s,
             u"0.000000"_s, u"0.000000"_s, u"20.000000"_s, u"0"_s, u"0"_s, u"真空包装，'全聚德'"_s},
            {u"0"_s, u"0.00"_s, u"20.00"_s});
    }

    void cutsItemPages() {
        QFETCH(QString, code);
        QFETCH(QString, listTitle);
        QFETCH(QString, saleType);
        QFETCH(QString, listPrice);
        QFETCH(QStringList, grid);
        QFETCH(QStringList, recordIncrementPostExpress);

        const std::optional<ParsedItem> parsed =
            parsePaiPaiItemPage(itemPage(code), listTitle, saleType, listPrice, kPicture);
        QVERIFY(parsed);
        const ParsedItem& row = *parsed;
        QCOMPARE(row.gridCells, grid);

        QStringList record = grid;
        record[8] = recordIncrementPostExpress.at(0);
        record[12] = recordIncrementPostExpress.at(1);
        record[14] = recordIncrementPostExpress.at(2);
        QCOMPARE(row.record.values(), record);
    }

    void cutsOneField_data() {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("listPrice");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("recordValue");

        const auto add = [](const char* name, const QString& page, int column, const QString& value) {
            QTest::newRow(name) << page << u"1"_s << column << value;
        };
        // A page that begins with a marker loses every later copy of it too.
        add("breadcrumb marker repeated", u"<div id='FullPathShow'>5<div id='FullPathShow'>6</div>"_s, 1,
            u"56"_s);
        add("list path repeated", u"<div id='FullPathShow'>/list/3/list/4/</div>"_s, 1, u"34"_s);
        add("condition marker repeated", u"新旧程度：全新新旧程度：</span>"_s, 3, u"5"_s);
        add("showCity repeated", u"<script>showCity('广东省广州市<script>showCity('')"_s, 5, u"广州市"_s);
        add("increment marker repeated", u"加价幅度：5加价幅度：元"_s, 8, u"5"_s);
        add("postage marker repeated", u"运费支付：平邮：8运费支付：平邮：元"_s, 12, u"8"_s);
        add("courier marker repeated", u"运费支付：平邮：快递：1快递：元"_s, 14, u"1"_s);
        add("invoice marker repeated", u"<b>发 票：</b>有发票<b>发 票：</b></li>"_s, 17, u"1"_s);
        add("warranty marker repeated", u"<b>保 修：</b>有保修<b>保 修：</b></li>"_s, 18, u"1"_s);
        add("detail marker repeated",
            u"<div id='detail' class='full'>a<div id='detail' class='full'>b</li>"_s, 24, u"ab"_s);
        add("cell start repeated in the matched block",
            u"<div id='detail' class='full'><td>X<div id='detail' class='full'><td>Y</td></tr></table></div>"_s,
            24, u"XY"_s);
        // Each statement of a cut is a step of its own; a nested cut is one step.
        add("breadcrumb cuts keep what they reached", u"<div id='FullPathShow'>x/list/77"_s, 1, u"77"_s);
        add("increment without its unit stays unset", u"加价幅度：5"_s, 8, u""_s);
        QTest::newRow("price that is no number") << u""_s << u"面议"_s << 7 << u""_s;
    }

    void cutsOneField() {
        QFETCH(QString, page);
        QFETCH(QString, listPrice);
        QFETCH(int, column);
        QFETCH(QString, recordValue);
        const std::optional<ParsedItem> row = parsePaiPaiItemPage(page, u"t"_s, u"a"_s, listPrice, kPicture);
        QVERIFY(row);
        QCOMPARE(row->record.values().at(column), recordValue);
    }

    // The list names the title; an empty one, or a page of the item layout whose heading is
    // empty, makes no record. A page with neither the category path nor the heading is a page of
    // another kind (the walk says which in its log line).
    void withoutTitle_data() {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("listTitle");
        QTest::addColumn<bool>("itemPage");
        QTest::addColumn<bool>("parsed");
        const QString path = u"<div id='FullPathShow'>x</div>"_s;
        QTest::newRow("titled") << path + u"<div class='itemTitle'><h1>N73</h1></div>"_s << u"N73"_s << true
                                << true;
        QTest::newRow("no heading: the list's title counts") << path << u"N73"_s << true << true;
        QTest::newRow("empty list title") << path << QString() << true << false;
        QTest::newRow("list title of spaces") << path << u" 　"_s << true << false;
        QTest::newRow("empty heading")
            << u"<div class='itemTitle'><h1> </h1></div>"_s << u"N73"_s << true << false;
        QTest::newRow("verification page")
            << u"<form><input name='verifycode'></form>"_s << u"N73"_s << false << true;
    }

    void withoutTitle() {
        QFETCH(QString, page);
        QFETCH(QString, listTitle);
        QFETCH(bool, itemPage);
        QFETCH(bool, parsed);
        QCOMPARE(isPaiPaiItemPage(page), itemPage);
        QCOMPARE(parsePaiPaiItemPage(page, listTitle, u"b"_s, u"1"_s, kPicture).has_value(), parsed);
    }

    void splitsLocations_data() {
        QTest::addColumn<QString>("location");
        QTest::addColumn<QString>("province");
        QTest::addColumn<QString>("city");

        QTest::newRow("municipality") << u"上海市浦东新区"_s << u"上海市"_s << u"浦东新区"_s;
        QTest::newRow("municipality repeated as city") << u"北京市北京市"_s << u"北京市"_s << u"北京市"_s;
        QTest::newRow("guangxi") << u"广西壮族自治区南宁市"_s << u"广西壮族自治区"_s << u"南宁市"_s;
        QTest::newRow("tibet") << u"西藏自治区拉萨市"_s << u"西藏自治区"_s << u"拉萨市"_s;
        QTest::newRow("ningxia") << u"宁夏回族自治区银川市"_s << u"宁夏回族自治区"_s << u"银川市"_s;
        QTest::newRow("hong kong alone") << u"香港特别行政区"_s << u"香港特别行政区"_s << u""_s;
        QTest::newRow("macau") << u"澳门特别行政区澳门半岛"_s << u"澳门特别行政区"_s << u"澳门半岛"_s;
        QTest::newRow("short name keeps three characters") << u"黑龙江哈尔滨"_s << u"黑龙江"_s << u"哈尔滨"_s;
        QTest::newRow("unknown form drops every copy of its start")
            << u"浙江杭州浙江杭"_s << u"浙江杭"_s << u"州"_s;
        QTest::newRow("shorter than three") << u"台北"_s << u"台北"_s << u""_s;
        QTest::newRow("empty") << u""_s << u""_s << u""_s;
    }

    void splitsLocations() {
        QFETCH(QString, location);
        QFETCH(QString, province);
        QFETCH(QString, city);
        const PaiPaiLocation split = splitPaiPaiLocation(location);
        QCOMPARE(split.province, province);
        QCOMPARE(split.city, city);
    }

    void saleTypeFromListValue_data() {
        QTest::addColumn<QString>("listValue");
        QTest::addColumn<QString>("saleType");
        QTest::newRow("fixed price") << u"一口价"_s << u"b"_s;
        QTest::newRow("auction") << u"拍卖"_s << u"a"_s;
        QTest::newRow("empty") << u""_s << u"a"_s;
        QTest::newRow("fixed price with a space") << u" 一口价"_s << u"a"_s;
    }

    void saleTypeFromListValue() {
        QFETCH(QString, listValue);
        QFETCH(QString, saleType);
        QCOMPARE(paiPaiSaleType(listValue), saleType);
        const std::optional<ParsedItem> item =
            parsePaiPaiItemPage(itemPage(u"6A1E8B3A0000000000000000000A0002"_s), u"t"_s,
                                paiPaiSaleType(listValue), u"1"_s, kPicture);
        QVERIFY(item);
        QCOMPARE(item->gridCells.at(6), saleType);
    }
};

KESTRUNE_TEST_GUILESS_MAIN(TestParsePaiPaiItem)
#include "tst_parsepaipaiitem.moc"
