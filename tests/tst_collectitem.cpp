#include "crawl/EbayShopWalk.h"
#include "crawl/PaiPaiShopWalk.h"
#include "crawl/TaobaoShopWalk.h"
#include "formats/AssistantFormat.h"
#include "formats/ItemRecord.h"
#include "items/ParseEbayItem.h"
#include "run/Messages.h"
#include "support/CrawlTestSupport.h"
#include "support/ExtractionTestSupport.h"
#include "support/FixtureWebServer.h"
#include "support/TestMain.h"
#include "support/TestPaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString kTaobaoItem = u"http://item.taobao.com/item.htm?id="_s;
const QString kTaobaoPicture = u"http://img01.taobaocdn.com/bao/uploaded/i1/T1a%1XXXXXXXX.jpg"_s;
const QString kTaobaoDescription = u"http://dsc.taobaocdn.com/i1/%1/desc.js?t=1236268800"_s;

QByteArray fixtureBytes(const QString& path) {
    QFile file(fixturePath(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray savedBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The run's walk host as a walk finds it: the run's marketplace and picture folder fixed.
ShopWalkHost& startedHost(ShopRun& run) {
    run.session.context().walkInput(0);
    return run.session.context();
}

} // namespace

// One cell of a walk: the picture saved, the page parsed, the record emitted as a grid row and a
// row of the writer. What the parsers cut is tested with the parsers.
class TestCollectItem : public QObject {
    Q_OBJECT

private:
    FixtureWebServer m_server{fixturePath(u"web"_s)};

private slots:
    void initTestCase() {
        QVERIFY(m_server.start());
        m_server.useAsProxy();
    }

    void taobaoItem_data() {
        QTest::addColumn<int>("itemId");
        QTest::addColumn<QString>("pictureQuery");
        QTest::addColumn<bool>("hasDescription");
        QTest::newRow("with description") << 1001 << QString() << true;
        QTest::newRow("no description, picture query dropped") << 1004 << u"?v=2"_s << false;
    }

    // The picture is fetched first and saved by its name; the record names the saved file.
    void taobaoItem() {
        QFETCH(int, itemId);
        QFETCH(QString, pictureQuery);
        QFETCH(bool, hasDescription);

        ShopRun run(QString(), u"Taobao_12345678"_s);
        const QString page = run.session.fetcher().fetchPage(kTaobaoItem + QString::number(itemId));
        QVERIFY(!page.isEmpty());
        m_server.clearRequestedAddresses();
        const QString address = kTaobaoItem + QString::number(itemId);
        ShopWalkHost& host = startedHost(run);
        handItem(host, collectTaobaoItem(host, address, page, kTaobaoPicture.arg(itemId) + pictureQuery), 1);

        const QString picture = QDir(run.session.paths().pictureFolder(u"Taobao_12345678"_s))
                                    .filePath(u"T1a%1XXXXXXXX.jpg"_s.arg(itemId));
        QCOMPARE(run.window.rows.size(), 1);
        QCOMPARE(run.window.rows.at(0).key, u"QXV0"_s);
        // The row knows its page, after the 31 cells; the file does not.
        QStringList cells = run.window.rows.at(0).cells;
        QCOMPARE(cells.size(), ItemRecord::kFieldCount + 1);
        QCOMPARE(cells.takeLast(), address);
        QCOMPARE(cells.at(25), QDir::toNativeSeparators(picture));
        QVERIFY(QFile::exists(picture));
        // Taobao Assistant rows are the record joined by tabs, its text values in quotes.
        QStringList row = cells;
        for (int i = 0; i < row.size(); ++i) {
            if (AssistantFormat::isTextField(i))
                row[i] = AssistantFormat::taobao().recordText(row[i]);
        }
        QVERIFY2(run.session.writer().pendingOutput().endsWith(row.join(u'\t') + u"\r\n"_s),
                 qPrintable(run.session.writer().pendingOutput()));
        QVERIFY(!run.session.writer().pendingOutput().contains(address));
        QStringList requests{kTaobaoPicture.arg(itemId) + pictureQuery};
        if (hasDescription)
            requests.append(kTaobaoDescription.arg(itemId));
        QCOMPARE(m_server.requestedAddresses(), requests);
    }

    void taobaoPageWithoutTitleAddsNothingButKeepsThePicture() {
        ShopRun run(QString(), u"Taobao_12345678"_s);
        const QString page = run.session.fetcher().fetchPage(kTaobaoItem + u"1005"_s);
        QVERIFY(!page.isEmpty());
        ShopWalkHost& host = startedHost(run);
        handItem(host, collectTaobaoItem(host, kTaobaoItem + u"1005"_s, page, kTaobaoPicture.arg(1005)), 1);
        QVERIFY(run.window.rows.isEmpty());
        QVERIFY(run.session.writer().pendingOutput().isEmpty());
        QVERIFY(QFile::exists(QDir(run.session.paths().pictureFolder(u"Taobao_12345678"_s))
                                  .filePath(u"T1a1005XXXXXXXX.jpg"_s)));
    }

    // The rows' keys number the rows the run put on the grid; an item that adds none takes no
    // number.
    void rowKeysNumberTheRunsRows() {
        ShopRun run(QString(), u"Taobao_12345678"_s);
        ShopWalkHost& host = startedHost(run);
        const QString page = u"<input type='hidden' name='title' value='A' />"_s;
        handItem(host, collectTaobaoItem(host, QString(), page, QString()), 1);
        handItem(host, collectTaobaoItem(host, QString(), u"<p>untitled</p>"_s, QString()), 2);
        handItem(host, collectTaobaoItem(host, QString(), page, QString()), 3);
        QCOMPARE(run.window.rows.size(), 2);
        QCOMPARE(run.window.rows.at(0).key, u"QXV0"_s);
        QCOMPARE(run.window.rows.at(1).key, u"QXV1"_s);
    }

    void ebayItem_data() {
        QTest::addColumn<QString>("itemId");
        QTest::addColumn<QString>("servedPicture");
        QTest::addColumn<QString>("savedPicture");
        QTest::addColumn<bool>("pictureAddress"); // one a store could be given
        QTest::newRow("picture") << u"330040000001"_s << u"330040000001_1.JPG"_s << u"330040000001_1.JPG"_s
                                 << true;
        QTest::newRow("picture query dropped")
            << u"330040000002"_s << u"330040000002_1.JPG%3Fset_id=8800005007"_s << u"330040000002_1.JPG"_s
            << true;
        QTest::newRow("no picture") << u"330040000003"_s << QString() << QString() << false;
        QTest::newRow("picture address without a name")
            << u"330040000004"_s << QString() << QString() << true;
    }

    // The picture the record names is the file the download wrote.
    void ebayItem() {
        QFETCH(QString, itemId);
        QFETCH(QString, servedPicture);
        QFETCH(QString, savedPicture);
        QFETCH(bool, pictureAddress);

        ShopRun run(QString(), u"eBay_qingshixuan"_s);
        const QString address =
            u"http://cgi.ebay.com.cn/ws/eBayISAPI.dll?ViewItem&item="_s + itemId + u"&rd=1"_s;
        QString page = run.session.fetcher().fetchPageUtf8(address);
        QVERIFY(!page.isEmpty());
        // The page whose picture address has no name has no title either: given one here, as an
        // untitled item is dropped before its picture is fetched.
        if (ebayItemTitle(page).isEmpty())
            page.prepend(u"</h1></td><td width='100%' class='titlePadding'><h1 class='itemTitle'>T</h1>"_s);
        ShopWalkHost& host = startedHost(run);
        handItem(host, collectEbayItem(host, address, page), 1);

        QCOMPARE(run.window.rows.size(), 1);
        QCOMPARE(run.window.rows.at(0).cells.value(ItemRecord::kFieldCount), address);
        QCOMPARE(run.window.rows.at(0).key, u"QXV0"_s);
        const QString folder = run.session.paths().pictureFolder(u"eBay_qingshixuan"_s);
        const QString saved = run.window.rows.at(0).cells.at(25);
        QCOMPARE(saved, QDir::toNativeSeparators(folder + u'/' + savedPicture));
        const QStringList lines = run.session.writer().pendingOutput().split(u"\r\n"_s, Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines.last().split(u'\t').at(25), u'"' + run.window.rows.at(0).cells.at(25) + u'"');
        if (servedPicture.isEmpty()) {
            QVERIFY(!QFileInfo(saved).isFile());
        } else {
            const QByteArray served =
                fixtureBytes(u"web/i3.ebayimg.com.cn/01/i/000/b2/7f/"_s + servedPicture);
            QVERIFY(!served.isEmpty());
            QCOMPARE(savedBytes(saved), served);
        }

        // Written to a store file, an item without a picture address is named and counted.
        ShopRun store(QString(), u"eBay_qingshixuan"_s);
        store.window.format = FileFormat::Shopify;
        store.aimWriter();
        ShopWalkHost& storeHost = startedHost(store);
        handItem(storeHost, collectEbayItem(storeHost, address, page), 1);
        QCOMPARE(store.session.state().counters().counts().withoutPictureAddress, pictureAddress ? 0 : 1);
        QCOMPARE(store.window.statusTexts.contains(Messages::kItemWithoutPictureAddress + address),
                 !pictureAddress);
    }

    // An item page that could not be read makes no request, row or record.
    void emptyPageAddsNothing_data() {
        QTest::addColumn<QString>("walk");
        QTest::newRow("Taobao") << u"taobao"_s;
        QTest::newRow("PaiPai") << u"paipai"_s;
        QTest::newRow("eBay") << u"ebay"_s;
    }

    void emptyPageAddsNothing() {
        QFETCH(QString, walk);
        ShopRun run(QString(), u"Shop"_s);
        m_server.clearRequestedAddresses();
        if (walk == u"taobao") {
            QCOMPARE(collectTaobaoItem(run.session.context(), kTaobaoItem + u"1001"_s, QString(),
                                       kTaobaoPicture.arg(1001))
                         .fate,
                     ReachedItem::Fate::Dropped);
        } else if (walk == u"paipai") {
            QCOMPARE(collectPaiPaiItem(run.session.context(), u"http://auction1.paipai.com/1"_s, QString(),
                                       {u"20090301"_s, u"a.jpg"_s, u"t"_s, u"一口价"_s, u"1"_s})
                         .fate,
                     ReachedItem::Fate::Unread);
        } else {
            QCOMPARE(collectEbayItem(run.session.context(), u"http://cgi.ebay.com.cn/1"_s, QString()).fate,
                     ReachedItem::Fate::Dropped);
        }
        QVERIFY(run.window.rows.isEmpty());
        QVERIFY(run.session.writer().pendingOutput().isEmpty());
        QVERIFY(m_server.requestedAddresses().isEmpty());
        QVERIFY(!QDir(run.session.paths().pictureFolder(u"Shop"_s)).exists());
    }
};

KESTRUNE_TEST_GUILESS_MAIN(TestCollectItem)
#include "tst_collectitem.moc"
