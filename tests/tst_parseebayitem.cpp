#include "app/ExtractionSession.h"
#include "app/PlatformConstants.h"
#include "items/ParseEbayItem.h"
#include "support/FakeWindow.h"
#include "support/FixtureWebServer.h"
#include "support/TestPaths.h"
#include "web/TextHelpers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString itemPage(const QString& itemId) {
    QFile file(fixturePath(
        QStringLiteral("web/cgi.ebay.com.cn/ws/eBayISAPI.dll?ViewItem&item=%1&rd=1").arg(itemId)));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return CleanPageText(DecodeUtf8(file.readAll()));
}

// The 31 cells every eBay row shares; tests overwrite the ones the page decides.
QStringList constantRow() {
    return {
        QStringLiteral("\"\""),
        QString(),
        QStringLiteral("0"),
        QStringLiteral("5"),
        QStringLiteral("\"\""),
        QStringLiteral("\"\""),
        QStringLiteral("\"a\""),
        QString(),
        QStringLiteral("1"),
        QStringLiteral("10"),
        QStringLiteral("7"),
        QStringLiteral("2"),
        QStringLiteral("0"),
        QStringLiteral("0.000000"),
        QStringLiteral("0"),
        QStringLiteral("0"),
        QStringLiteral("1"),
        QStringLiteral("0"),
        QStringLiteral("1"),
        QStringLiteral("1"),
        QStringLiteral("0"),
        QStringLiteral("0"),
        QStringLiteral("\"1980-01-01 00:00:00\""),
        QStringLiteral("\"\""),
        QStringLiteral("\"\""),
        QStringLiteral("\"@PICTURES@/\""),
        QStringLiteral("\"\""),
        QStringLiteral("0"),
        QStringLiteral("0"),
        QStringLiteral("0"),
        QStringLiteral("0"),
    };
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
    QTemporaryDir m_dir;
    FixtureWebServer m_server{fixturePath(QStringLiteral("web"))};

    struct Parsed {
        QList<FakeWindow::Row> rows;
        QString output;
        QString pictureFolder;
    };

    Parsed parse(const QString& pageText) {
        FakeWindow window;
        window.format = PlatformConstants::TaobaoAssistant;
        ExtractionSession session(window, m_dir.path());
        session.state().outputBaseName = QStringLiteral("eBay_qingshixuan");
        session.state().stopRequested = false;
        ParseEbayItem(session.context(), pageText);
        return {window.rows, session.state().outputBuffer,
                QDir::toNativeSeparators(session.paths().pictureFolder(QStringLiteral("eBay_qingshixuan")))};
    }

private slots:
    void initTestCase() {
        QVERIFY(m_server.start());
        m_server.useAsProxy();
    }

    void rowAndRecord_data() {
        QTest::addColumn<QString>("itemId");
        QTest::addColumn<QStringList>("grid");
        QTest::addColumn<QStringList>("record");
        QTest::addColumn<QString>("servedPicture");

        QStringList grid = constantRow();
        grid[Title] = QStringLiteral("\"清代青花缠枝莲纹瓶 仿古收藏\"");
        grid[Category] = QStringLiteral("37998");
        grid[SaleType] = QStringLiteral("\"b\"");
        grid[Increment] = QStringLiteral("0");
        grid[PostFee] = QStringLiteral("12.50");
        grid[Description] = QStringLiteral("\"<div class='desc'><p>高仿清代青花， 手工绘制， "
                                           "送木座。</p><p>尺寸：高 32cm，口径 9cm</p></div>\"");
        grid[Picture] = QStringLiteral("\"@PICTURES@/330040000001_1.JPG\"");
        QStringList record = grid;
        grid[Price] = QStringLiteral("0.000000");
        grid[Increment] = QStringLiteral("0.000000");
        grid[PostFee] = QStringLiteral("12.500000");
        grid[ExpressFee] = QStringLiteral("0.000000");
        QTest::newRow("fixed price, new, category path, postage, tagline cut")
            << "330040000001" << grid << record << "330040000001_1.JPG";

        grid = constantRow();
        grid[Title] = QStringLiteral("\"二手 诺基亚 N73 手机 &amp; 原装电池\"");
        grid[Category] = QStringLiteral("</td><td><a href='http://list.ebay.com.cn/category15032/'>手机</a>");
        grid[Condition] = QStringLiteral("6");
        grid[PostFee] = QStringLiteral("8");
        grid[Description] = QStringLiteral("\"<p>九成新， 无拆无修， 附 '原装' 充电器</p>\"");
        grid[Picture] = QStringLiteral("\"@PICTURES@/330040000002_1.JPG\"");
        record = grid;
        grid[Price] = QStringLiteral("0.000000");
        grid[Increment] = QStringLiteral("1.000000");
        grid[PostFee] = QStringLiteral("8.000000");
        grid[ExpressFee] = QStringLiteral("0.000000");
        QTest::newRow("auction, used, one-link category, picture query dropped")
            << "330040000002" << grid << record << "330040000002_1.JPG?set_id=8800005007";

        grid = constantRow();
        grid[Title] = QStringLiteral("\"手绘团扇 苏州工艺\"");
        grid[Category] = QStringLiteral("0");
        grid[PostFee] = QStringLiteral("卖家承担运费0</b>");
        grid[Description] = QStringLiteral("\"<p>纯手工绘制</p>\"");
        record = grid;
        grid[Price] = QStringLiteral("0.000000");
        grid[Increment] = QStringLiteral("1.000000");
        grid[PostFee] = QString();
        grid[ExpressFee] = QStringLiteral("0.000000");
        QTest::newRow("no picture, no purchase image, open category cell, postage not numeric")
            << "330040000003" << grid << record << QString();

        grid = constantRow();
        grid[SaleType] = QStringLiteral("\"b\"");
        grid[Increment] = QStringLiteral("0");
        grid[Condition] = QStringLiteral("6");
        grid[Description] = QStringLiteral("\"<p>没有标题的物品</p>\"");
        record = grid;
        grid[Price] = QStringLiteral("0.000000");
        grid[Increment] = QStringLiteral("0.000000");
        grid[PostFee] = QStringLiteral("0.000000");
        grid[ExpressFee] = QStringLiteral("0.000000");
        QTest::newRow("no title, picture address without a name, no category, no postage")
            << "330040000004" << grid << record << QString();
    }

    void rowAndRecord() {
        QFETCH(QString, itemId);
        QFETCH(QStringList, grid);
        QFETCH(QStringList, record);
        QFETCH(QString, servedPicture);

        const QString page = itemPage(itemId);
        QVERIFY(!page.isEmpty());
        const Parsed parsed = parse(page);
        grid.replaceInStrings(QStringLiteral("@PICTURES@"), parsed.pictureFolder);
        record.replaceInStrings(QStringLiteral("@PICTURES@"), parsed.pictureFolder);

        QCOMPARE(parsed.rows.size(), 1);
        QCOMPARE(parsed.rows.first().key, QStringLiteral("QXV0"));
        const QStringList cells = parsed.rows.first().cells;
        QCOMPARE(cells.size(), 31);
        for (int i = 0; i < 31; ++i)
            QCOMPARE(cells.at(i), grid.at(i));

        const QStringList lines = parsed.output.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 2);
        const QStringList values = lines.last().split(u'\t');
        QCOMPARE(values.size(), 31);
        for (int i = 0; i < 31; ++i)
            QCOMPARE(values.at(i), record.at(i));

        // The picture the record names is the file the download wrote.
        const QString saved = record.at(Picture).mid(1, record.at(Picture).size() - 2);
        if (servedPicture.isEmpty()) {
            QVERIFY(!QFileInfo(saved).isFile());
        } else {
            QFile savedFile(saved);
            QFile servedFile(
                fixturePath(QStringLiteral("web/i3.ebayimg.com.cn/01/i/000/b2/7f/") + servedPicture));
            QVERIFY(savedFile.open(QIODevice::ReadOnly) && servedFile.open(QIODevice::ReadOnly));
            QCOMPARE(savedFile.readAll(), servedFile.readAll());
        }
    }

    // Markers cut from small pages: the start marker decides, a missing end keeps the rest.
    void singleFields_data() {
        QTest::addColumn<QString>("page");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("expected");

        QTest::newRow("condition without its end keeps the rest and reads as used")
            << "<h2 class='itemSpecifics'>全新<p>x</p>" << int(Condition) << "6";
        QTest::newRow("condition trimmed of spaces only")
            << "<h2 class='itemSpecifics'>  全新</h2>" << int(Condition) << "5";
        QTest::newRow("purchase image without alt text is an auction")
            << "<span class='titlePurchase'><img src='x.gif'></span>" << int(SaleType) << "\"a\"";
        QTest::newRow("category takes the number of the last link")
            << "登录分类：<a href='/category1/'>a</a> &gt; <a href='/category22/'>b</a> &gt; "
               "<a href='http://list.ebay.com.cn/category333/'>c</a></td></tr></table>"
            << int(Category) << "333";
        QTest::newRow("description without its end keeps the rest of the page")
            << "<!-- Begin Description --><p>a,b</p>" << int(Description) << "\"<p>a，b</p>\"";
        QTest::newRow("tagline of another host stays in the description")
            << "<!-- Begin Description --><p>x</p><center><img "
               "src='http://pics.ebay.com.cn/aw/pics/sell/templates/"
               "images/k2/tagline.gif'></center><!-- End Description -->"
            << int(Description)
            << "\"<p>x</p><center><img "
               "src='http://pics.ebay.com.cn/aw/pics/sell/templates/images/k2/tagline.gif'>"
               "</center>\"";
        QTest::newRow("postage of the first shipping block")
            << "<div id='ship_1'><b>6.5元</b></div><div id='ship_2'><b>20元</b></div>" << int(PostFee)
            << "6.500000";
        // Cutting after or from a marker deletes every copy of the text it drops, not only the first.
        QTest::newRow("after drops every copy of a leading marker")
            << "<h2 class='itemSpecifics'>全<h2 class='itemSpecifics'>新</h2>" << int(Condition) << "5";
        QTest::newRow("from drops every copy of the text before the marker")
            << "x<span class='titlePurchase'><img alt='一口x价'>" << int(SaleType) << "\"b\"";
    }

    void singleFields() {
        QFETCH(QString, page);
        QFETCH(int, column);
        QFETCH(QString, expected);

        const Parsed parsed = parse(page);
        QCOMPARE(parsed.rows.size(), 1);
        QCOMPARE(parsed.rows.first().cells.at(column), expected);
    }

    void emptyPageAddsNothing() {
        m_server.clearRequestedAddresses();
        const Parsed parsed = parse(QString());
        QVERIFY(parsed.rows.isEmpty());
        QVERIFY(parsed.output.isEmpty());
        QVERIFY(m_server.requestedAddresses().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestParseEbayItem)
#include "tst_parseebayitem.moc"
