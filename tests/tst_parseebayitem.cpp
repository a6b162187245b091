#include "items/ParseEbayItem.h"
#include "support/TestMain.h"

#include "support/TestPaths.h"
#include "text/TextHelpers.h"
#include "web/PageFetcher.h"

#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString kTitle = u"</h1></td><td width='100%' class='titlePadding'><h1 class='itemTitle'>T</h1>"_s;

QString itemPage(const QString& itemId) {
    QFile file(fixturePath(u"web/cgi.ebay.com.cn/ws/eBayISAPI.dll%3FViewItem&item=%1&rd=1"_s.arg(itemId)));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return cleanPageText(decodeUtf8(file.readAll()));
}

// The 31 record values every eBay item shares; tests overwrite the ones the page decides.
QStringList sharedRecord() {
    const QString none;
    return QStringList() << none << QString() << u"0"_s << u"5"_s << none << none << u"a"_s << QString()
                         << u"1"_s << u"10"_s << u"7"_s << u"2"_s << u"0"_s << u"0.000000"_s << u"0"_s
                         << u"0"_s << u"1"_s << u"0"_s << u"1"_s << u"1"_s << u"0"_s << u"0"_s
                         << u"1980-01-01 00:00:00"_s << none << none << u"@PICTURES@/"_s << none << u"0"_s
                         << u"0"_s << u"0"_s << u"0"_s;
}

enum Column {
    Title = 0,
    Category = 1,
    Condition = 3,
    SaleType = 6,
    Price = 7,
    Increment = 8,
    PostFee = 12,
    ExpressFee = 14,
    Description = 24,
    Picture = 25
};

} // namespace

class TestParseEbayItem : public QObject {
    Q_OBJECT

private:
    // The page cut as the walk cuts it, the record naming the picture under "@PICTURES@/" by the
    // name the walk saves it as.
    static std::optional<ParsedItem> parse(const QString& pageText) {
        const QString pictureName = safePictureFileName(ebayPictureFileName(ebayPictureAddress(pageText)));
        return parseEbayItemPage(pageText, u"@PICTURES@/"_s + pictureName);
    }

private slots:
    // The grid shows the record with its price, increment and fees formatted.
    void rowAndRecord_data() {
        QTest::addColumn<QString>("itemId");
        QTest::addColumn<QStringList>("record");
        QTest::addColumn<QString>("incrementCell");
        QTest::addColumn<QString>("postageCell");
        QTest::addColumn<QString>("servedPicture");

        QStringList record = sharedRecord();
        record[Title] = u"清代青花缠枝莲纹瓶 仿古收藏"_s;
        record[Category] = u"37998"_s;
        record[SaleType] = u"b"_s;
        record[Increment] = u"0"_s;
        record[PostFee] = u"12.50"_s;
        record[Description] = u"<div class='desc'><p>高仿清代青花， 手工绘制， "
                              "送木座。</p><p>尺寸：高 32cm，口径 9cm</p></div>"_s;
        record[Picture] = u"@PICTURES@/330040000001_1.JPG"_s;
        QTest::newRow("fixed price, new, category path, postage, tagline cut")
            << "330040000001" << record << "0.000000"
            << "12.500000"
            << "330040000001_1.JPG";

        record = sharedRecord();
        record[Title] = u"二手 诺基亚 N73 手机 &amp; 原装电池"_s;
        record[Category] = u"</td><td><a href='http://list.ebay.com.cn/category15032/'>手机</a>"_s;
        record[Condition] = u"6"_s;
        record[PostFee] = u"8"_s;
        record[Description] = u"<p>九成新， 无拆无修， 附 '原装' 充电器</p>"_s;
        record[Picture] = u"@PICTURES@/330040000002_1.JPG"_s;
        QTest::newRow("auction, used, one-link category, picture query dropped")
            << "330040000002" << record << "1.000000"
            << "8.000000"
            << "330040000002_1.JPG?set_id=8800005007";

        record = sharedRecord();
        record[Title] = u"手绘团扇 苏州工艺"_s;
        record[Category] = u"0"_s;
        record[PostFee] = u"卖家承担运费0</b>"_s;
        record[Description] = u"<p>纯手工绘制</p>"_s;
        QTest::newRow("no picture, no purchase image, open category cell, postage not numeric")
            << "330040000003" << record << "1.000000" << QString() << QString();

        // No listing can be made of an item page without a title: no record.
        QTest::newRow("no title, picture address without a name, no category, no postage")
            << "330040000004" << QStringList() << QString() << QString() << QString();
    }

    void rowAndRecord() {
        QFETCH(QString, itemId);
        QFETCH(QStringList, record);
        QFETCH(QString, incrementCell);
        QFETCH(QString, postageCell);
        QFETCH(QString, servedPicture);

        const QString page = itemPage(itemId);
        QVERIFY(!page.isEmpty());
        const std::optional<ParsedItem> item = parse(page);
        QCOMPARE(item.has_value(), !record.isEmpty());
        QVERIFY(isEbayItemPage(page));
        if (!item)
            return;
        const ParsedItem& parsed = *item;
        QStringList grid = record;
        grid[Price] = u"0.000000"_s;
        grid[Increment] = incrementCell;
        grid[PostFee] = postageCell;
        grid[ExpressFee] = u"0.000000"_s;

        QCOMPARE(parsed.gridCells, grid);
        QCOMPARE(parsed.record.values(), record);
        // The picture is fetched by the last segment of its address, query and all.
        QCOMPARE(ebayPictureFileName(ebayPictureAddress(page)), servedPicture);
    }

    // Markers cut from small pages: the start marker decides, a missing end keeps the rest.
    void singleFields_data() {
        QTest::addColumn<QString>("page");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("expected");

        QTest::newRow("condition without its end keeps the rest and reads as used")
            << "<h2 class='itemSpecifics'>全新<p>x</p>" << int(Condition) << "6";
        QTest::newRow("purchase image without alt text is an auction")
            << "<span class='titlePurchase'><img src='x.gif'></span>" << int(SaleType) << "a";
        QTest::newRow("category takes the number of the last link")
            << "登录分类：<a href='/category1/'>a</a> &gt; <a href='/category22/'>b</a> &gt; "
               "<a href='http://list.ebay.com.cn/category333/'>c</a></td></tr></table>"
            << int(Category) << "333";
        QTest::newRow("description without its end keeps the rest of the page")
            << "<!-- Begin Description --><p>a,b</p>" << int(Description)
            << QString(u"<p>a，b</p>"_s + kTitle);
        QTest::newRow("tagline of another host stays in the description")
            << "<!-- Begin Description --><p>x</p><center><img "
               "src='http://pics.ebay.com.cn/aw/pics/sell/templates/"
               "images/k2/tagline.gif'></center><!-- End Description -->"
            << int(Description)
            << "<p>x</p><center><img "
               "src='http://pics.ebay.com.cn/aw/pics/sell/templates/images/k2/tagline.gif'>"
               "</center>";
        // Cutting after or from a marker deletes every copy of the text it drops, not only the first.
        QTest::newRow("after drops every copy of a leading marker")
            << "<h2 class='itemSpecifics'>全<h2 class='itemSpecifics'>新</h2>" << int(Condition) << "5";
        QTest::newRow("from drops every copy of the text before the marker")
            << "x<span class='titlePurchase'><img alt='一口x价'>" << int(SaleType) << "b";
    }

    void singleFields() {
        QFETCH(QString, page);
        QFETCH(int, column);
        QFETCH(QString, expected);

        // Each page gets a title at its end, where no cut above reaches it but the description.
        const std::optional<ParsedItem> item = parse(page + kTitle);
        QVERIFY(item);
        QCOMPARE(item->gridCells.at(column), expected);
    }

    // A page without a title makes no record; a page with none of an item page's parts is a page
    // of another kind (the walk says which in its log line).
    void withoutTitle_data() {
        QTest::addColumn<QString>("page");
        QTest::addColumn<bool>("itemPage");
        QTest::addColumn<bool>("parsed");
        QTest::newRow("title") << kTitle << true << true;
        QTest::newRow("empty heading") << u"</h1></td><td width='100%' class='titlePadding'>"
                                          "<h1 class='itemTitle'></h1>"_s
                                       << true << false;
        QTest::newRow("heading of spaces") << u"</h1></td><td width='100%' class='titlePadding'>"
                                              "<h1 class='itemTitle'> 　</h1>"_s
                                           << true << false;
        QTest::newRow("description only")
            << u"<!-- Begin Description -->x<!-- End Description -->"_s << true << false;
        QTest::newRow("sign-in page")
            << u"<form name='SignInForm'><input name='userid'></form>"_s << false << false;
        QTest::newRow("empty") << QString() << false << false;
    }

    void withoutTitle() {
        QFETCH(QString, page);
        QFETCH(bool, itemPage);
        QFETCH(bool, parsed);
        QCOMPARE(isEbayItemPage(page), itemPage);
        QCOMPARE(parse(page).has_value(), parsed);
    }
};

KESTRUNE_TEST_GUILESS_MAIN(TestParseEbayItem)
#include "tst_parseebayitem.moc"
