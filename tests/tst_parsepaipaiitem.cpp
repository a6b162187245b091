#include "app/ExtractionSession.h"
#include "items/ParsePaiPaiItem.h"
#include "items/SplitPaiPaiLocation.h"
#include "support/FakeWindow.h"
#include "support/FixtureWebServer.h"
#include "support/TestPaths.h"
#include "web/TextHelpers.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QString kPicture = QStringLiteral("/data/PaiPai_20090301/pic.jpg");

// An item page as the fetcher hands it over: GBK decoded, then cleaned.
QString itemPage(const QString& code) {
    QFile file(fixturePath(QStringLiteral("web/auction1.paipai.com/") + code));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing fixture page %s", qPrintable(code));
    QStringDecoder gbk("GBK");
    return CleanPageText(gbk(file.readAll()));
}

QString q(const QString& text) {
    return u'"' + text + u'"';
}

// The cells that vary between items, in grid order; the fees as the grid shows them.
struct Expected {
    const char *title, *category, *condition, *province, *city, *saleType, *price;
    const char *increment, *postFee, *expressFee;
    const char *invoice, *warranty, *description;
};

QStringList gridRow(const Expected& e) {
    const auto s = [](const char* text) { return QString::fromUtf8(text); };
    const QString zero = u"0"_s;
    return {q(s(e.title)),
            s(e.category),
            zero,
            s(e.condition),
            q(s(e.province)),
            q(s(e.city)),
            q(s(e.saleType)),
            s(e.price),
            s(e.increment),
            u"10"_s,
            u"7"_s,
            u"2"_s,
            s(e.postFee),
            u"0.000000"_s,
            s(e.expressFee),
            zero,
            u"1"_s,
            s(e.invoice),
            s(e.warranty),
            u"1"_s,
            zero,
            zero,
            u"\"1980-01-01 00:00:00\""_s,
            u"\"\""_s,
            q(s(e.description)),
            q(kPicture),
            u"\"\""_s,
            zero,
            zero,
            zero,
            zero};
}

} // namespace

class TestParsePaiPaiItem : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cutsItemPages_data();
    void cutsItemPages();
    void priceThatIsNoNumberLeavesItsCellEmpty();
    void splitsLocations_data();
    void splitsLocations();
    void saleTypeFromListValue_data();
    void saleTypeFromListValue();
    void emptyPageGivesNoRow();
    void showsSavesAndEmitsTheItem();

private:
    std::unique_ptr<FixtureWebServer> m_server;
};

void TestParsePaiPaiItem::initTestCase() {
    // Picture downloads go to the fixture site, never out.
    m_server = std::make_unique<FixtureWebServer>(fixturePath(u"web"_s));
    QVERIFY(m_server->start());
    m_server->useAsProxy();
}

void TestParsePaiPaiItem::cutsItemPages_data() {
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("listTitle");
    QTest::addColumn<QString>("saleType");
    QTest::addColumn<QString>("listPrice");
    QTest::addColumn<QStringList>("grid");
    // The record differs from the grid only in these three, kept as cut from the page.
    QTest::addColumn<QStringList>("recordIncrementPostExpress");

    QTest::newRow("fixed price, category after the last dash, fees, both flags")
        << "6A1E8B3A0000000000000000000A0001"
        << "诺基亚N73 全新行货 送2G卡"
        << "b"
        << "1280.00"
        << gridRow({"诺基亚N73 全新行货 送2G卡", "456", "5", "广东省", "广州市", "b", "1280.000000",
                    "0.000000", "10.000000", "15.000000", "1", "1",
                    "<p style='color:red'>全新行货，全国联保，假一赔十</p><img "
                    "src='http://img.paipai.com/n73.jpg' />"})
        << QStringList{u"0"_s, u"10.00"_s, u"15.00"_s};
    QTest::newRow("auction, plain category, four-character province, no postage")
        << "6A1E8B3A0000000000000000000A0002"
        << "二手索尼爱立信K750c"
        << "a"
        << "35.5"
        << gridRow({"二手索尼爱立信K750c", "456", "6", "黑龙江省", "哈尔滨市", "a", "35.500000", "2.000000",
                    "0.000000", "0.000000", "0", "0", "九成新，<b>机身有划痕</b>"})
        << QStringList{u"2.00"_s, u"0"_s, u"0"_s};
    QTest::newRow("empty title, category without number, no condition or city, last description wins")
        << "6A1E8B3A0000000000000000000A0003"
        << ""
        << "a"
        << "88"
        << gridRow({"", "0", "6", "", "", "a", "88.000000", "0.500000", "8.000000", "0.000000", "0", "0",
                    "新的描述"})
        << QStringList{u"0.5"_s, u"8"_s, u""_s};
    QTest::newRow("three-level category, autonomous region")
        << "7B2F9C4B0000000000000000000B0001"
        << "羊毛围巾 红色"
        << "b"
        << "45.00"
        << gridRow({"羊毛围巾 红色", "1213", "5", "内蒙古自治区", "呼和浩特市", "b", "45.000000", "0.000000",
                    "6.000000", "12.000000", "1", "0", "100%羊毛，手感柔软"})
        << QStringList{u"0"_s, u"6.00"_s, u"12.00"_s};
    QTest::newRow("no breadcrumb, nested table keeps its own end")
        << "7B2F9C4B0000000000000000000B0002"
        << "和田玉挂件"
        << "a"
        << "300"
        << gridRow({"和田玉挂件", "", "5", "新疆维吾尔自治区", "乌鲁木齐市", "a", "300.000000", "10.000000",
                    "0.000000", "0.000000", "0", "1", "<table><tr><td>籽料</td><td>20克</td></tr></table>"})
        << QStringList{u"10"_s, u"0"_s, u"0"_s};
    QTest::newRow("last breadcrumb entry without link, municipality, courier named in a notice")
        << "7B2F9C4B0000000000000000000B0003"
        << "北京烤鸭礼盒"
        << "b"
        << "128.00"
        << gridRow({"北京烤鸭礼盒", "0", "5", "北京市", "朝阳区", "b", "128.000000", "0.000000", "0.000000",
                    "20.000000", "0", "0", "真空包装，'全聚德'"})
        << QStringList{u"0"_s, u"0.00"_s, u"20.00"_s};
}

void TestParsePaiPaiItem::cutsItemPages() {
    QFETCH(QString, code);
    QFETCH(QString, listTitle);
    QFETCH(QString, saleType);
    QFETCH(QString, listPrice);
    QFETCH(QStringList, grid);
    QFETCH(QStringList, recordIncrementPostExpress);

    const PaiPaiItemRow row = CutPaiPaiItemPage(itemPage(code), listTitle, saleType, listPrice, kPicture);
    QCOMPARE(row.gridCells.size(), 31);
    for (int i = 0; i < 31; ++i)
        QCOMPARE(row.gridCells.at(i) + u'#' + QString::number(i + 1),
                 grid.at(i) + u'#' + QString::number(i + 1));

    QStringList record = grid;
    record[8] = recordIncrementPostExpress.at(0);
    record[12] = recordIncrementPostExpress.at(1);
    record[14] = recordIncrementPostExpress.at(2);
    QCOMPARE(row.record.values(), record);
}

void TestParsePaiPaiItem::priceThatIsNoNumberLeavesItsCellEmpty() {
    const PaiPaiItemRow row =
        CutPaiPaiItemPage(itemPage(QStringLiteral("6A1E8B3A0000000000000000000A0001")), QStringLiteral("x"),
                          QStringLiteral("b"), QStringLiteral("面议"), kPicture);
    QCOMPARE(row.gridCells.at(7), QString());
    QCOMPARE(row.record.price, QString());
    QCOMPARE(row.gridCells.at(8), QStringLiteral("0.000000"));
}

void TestParsePaiPaiItem::splitsLocations_data() {
    QTest::addColumn<QString>("location");
    QTest::addColumn<QString>("province");
    QTest::addColumn<QString>("city");

    QTest::newRow("province") << "广东省广州市"
                              << "广东省"
                              << "广州市";
    QTest::newRow("municipality") << "上海市浦东新区"
                                  << "上海市"
                                  << "浦东新区";
    QTest::newRow("municipality repeated as city") << "北京市北京市"
                                                   << "北京市"
                                                   << "北京市";
    QTest::newRow("four characters") << "黑龙江省哈尔滨市"
                                     << "黑龙江省"
                                     << "哈尔滨市";
    QTest::newRow("inner mongolia") << "内蒙古自治区包头市"
                                    << "内蒙古自治区"
                                    << "包头市";
    QTest::newRow("guangxi") << "广西壮族自治区南宁市"
                             << "广西壮族自治区"
                             << "南宁市";
    QTest::newRow("tibet") << "西藏自治区拉萨市"
                           << "西藏自治区"
                           << "拉萨市";
    QTest::newRow("ningxia") << "宁夏回族自治区银川市"
                             << "宁夏回族自治区"
                             << "银川市";
    QTest::newRow("xinjiang") << "新疆维吾尔自治区喀什地区"
                              << "新疆维吾尔自治区"
                              << "喀什地区";
    QTest::newRow("hong kong alone") << "香港特别行政区"
                                     << "香港特别行政区"
                                     << "";
    QTest::newRow("macau") << "澳门特别行政区澳门半岛"
                           << "澳门特别行政区"
                           << "澳门半岛";
    QTest::newRow("short name keeps three characters") << "黑龙江哈尔滨"
                                                       << "黑龙江"
                                                       << "哈尔滨";
    QTest::newRow("unknown form drops every copy of its start") << "浙江杭州浙江杭"
                                                                << "浙江杭"
                                                                << "州";
    QTest::newRow("shorter than three") << "台北"
                                        << "台北"
                                        << "";
    QTest::newRow("empty") << ""
                           << ""
                           << "";
}

void TestParsePaiPaiItem::splitsLocations() {
    QFETCH(QString, location);
    QFETCH(QString, province);
    QFETCH(QString, city);
    const PaiPaiLocation split = SplitPaiPaiLocation(location);
    QCOMPARE(split.province, province);
    QCOMPARE(split.city, city);
}

void TestParsePaiPaiItem::saleTypeFromListValue_data() {
    QTest::addColumn<QString>("listValue");
    QTest::addColumn<QString>("saleType");
    QTest::newRow("fixed price") << "一口价"
                                 << "b";
    QTest::newRow("auction") << "拍卖"
                             << "a";
    QTest::newRow("empty") << ""
                           << "a";
    QTest::newRow("fixed price with a space") << " 一口价"
                                              << "a";
}

void TestParsePaiPaiItem::saleTypeFromListValue() {
    QFETCH(QString, listValue);
    QFETCH(QString, saleType);
    QTemporaryDir dir;
    FakeWindow window;
    ExtractionSession session(window, dir.path());
    QString value = listValue;
    ParsePaiPaiItem(session.context(), itemPage(QStringLiteral("6A1E8B3A0000000000000000000A0002")),
                    QStringLiteral("20090301"), QString(), QStringLiteral("t"), value, QStringLiteral("1"));
    QCOMPARE(value, saleType);
    QCOMPARE(window.rows.size(), 1);
    QCOMPARE(window.rows.at(0).cells.at(6), q(saleType));
}

void TestParsePaiPaiItem::emptyPageGivesNoRow() {
    QTemporaryDir dir;
    FakeWindow window;
    ExtractionSession session(window, dir.path());
    QString saleType = QStringLiteral("一口价");
    ParsePaiPaiItem(session.context(), QString(), QStringLiteral("20090301"), QStringLiteral("a.jpg"),
                    QStringLiteral("t"), saleType, QStringLiteral("1"));
    QVERIFY(window.rows.isEmpty());
    QVERIFY(session.state().outputBuffer.isEmpty());
    QCOMPARE(saleType, QStringLiteral("一口价"));
}

void TestParsePaiPaiItem::showsSavesAndEmitsTheItem() {
    QTemporaryDir dir;
    FakeWindow window;
    window.format = 0; // Taobao Assistant writes the record values as they are, tab-separated
    window.rows.append({u"QXV0"_s, {}});
    ExtractionSession session(window, dir.path());
    session.state().outputBaseName = u"PaiPai_20090301"_s;
    const QString page = itemPage(u"6A1E8B3A0000000000000000000A0001"_s);
    QString saleType = u"一口价"_s;
    ParsePaiPaiItem(session.context(), page, u"20090301"_s, u"20090301A0001.jpg"_s, u"诺基亚N73"_s, saleType,
                    u"1280.00"_s);

    const QString picture =
        QDir::toNativeSeparators(QDir(dir.path()).absoluteFilePath(u"PaiPai_20090301/20090301A0001.jpg"_s));
    QVERIFY(m_server->requestedAddresses().contains(
        u"http://image.paipai.com/cgi-bin/showimg?uin=20090301&filename=20090301A0001.jpg&type=1"_s));
    QVERIFY(QFile::exists(picture));

    const PaiPaiItemRow expected = CutPaiPaiItemPage(page, u"诺基亚N73"_s, u"b"_s, u"1280.00"_s, picture);
    QCOMPARE(window.rows.size(), 2);
    QCOMPARE(window.rows.at(1).key, u"QXV1"_s);
    QCOMPARE(window.rows.at(1).cells, expected.gridCells);
    const QStringList lines = session.state().outputBuffer.split(u"\r\n"_s);
    QCOMPARE(lines.size(), 3); // header, row, nothing after the last line break
    QCOMPARE(lines.at(1), expected.record.values().join(u'\t'));
}

QTEST_GUILESS_MAIN(TestParsePaiPaiItem)
#include "tst_parsepaipaiitem.moc"
