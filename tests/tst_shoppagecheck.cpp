#include "app/Messages.h"
#include "app/ShopPageCheck.h"
#include "support/CrawlTestSupport.h"
#include "support/FailureShops.h"
#include "support/FixtureWebServer.h"
#include "support/TestPaths.h"
#include "support/WebTestSupport.h"
#include "web/PageFetcher.h"

#include <QTest>

using namespace Qt::StringLiterals;
using Verdict = ShopPageCheck::Verdict;
Q_DECLARE_METATYPE(ShopPageCheck::Verdict)

class TestShopPageCheck : public QObject {
    Q_OBJECT

    FixtureWebServer m_server{fixturePath(u"web"_s)};

private slots:
    void initTestCase() {
        QVERIFY(m_server.start());
        m_server.useAsProxy();
    }

    // What an answer says about the shop, before any page is looked at for its layout.
    void classifyAnswer_data() {
        QTest::addColumn<Platform>("platform");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("page");
        QTest::addColumn<Verdict>("verdict");

        const QString taobao = u"<li><span>宝贝数量：</span>5</li>"_s;
        addRow("taobao layout 1", Platform::Taobao, 200, u"<span>宝贝数:</span>5</li>"_s, Verdict::Shop);
        addRow("taobao layout 2", Platform::Taobao, 200, u"会员积累信用"_s, Verdict::Shop);
        addRow("taobao layout 3", Platform::Taobao, 200, taobao, Verdict::Shop);
        addRow("paipai shop", Platform::PaiPai, 200, u"商品数量：21<"_s, Verdict::Shop);
        addRow("ebay shop with list link", Platform::Ebay, 200, u"'>查看店铺的所有物品</a>"_s, Verdict::Shop);
        addRow("ebay list as shop page", Platform::Ebay, 200, u"在<b>所有分类</b>中找到 5"_s, Verdict::Shop);
        // Markers of one platform do not make a shop of another.
        addRow("taobao page for paipai", Platform::PaiPai, 200, taobao, Verdict::UnknownLayout);
        addRow("not found", Platform::Taobao, 404, QString(), Verdict::NotFound);
        addRow("gone", Platform::Ebay, 410, QString(), Verdict::NotFound);
        addRow("forbidden", Platform::Taobao, 403, QString(), Verdict::LoginRequired);
        addRow("too many requests", Platform::PaiPai, 429, QString(), Verdict::LoginRequired);
        addRow("server error", Platform::Taobao, 502, QString(), Verdict::NetworkFailure);
        addRow("no answer", Platform::Taobao, 0, QString(), Verdict::NetworkFailure);
        addRow("login form", Platform::Taobao, 200, u"action=\"https://login.taobao.com/member\""_s,
               Verdict::LoginRequired);
        addRow("captcha in english", Platform::Ebay, 200, u"<img src='/CAPTCHA.jpg'>"_s,
               Verdict::LoginRequired);
        addRow("too many requests text", Platform::Ebay, 200, u"429 Too Many Requests"_s,
               Verdict::LoginRequired);
        addRow("closed shop", Platform::PaiPai, 200, u"该店铺已经关闭"_s, Verdict::NotFound);
        addRow("empty page", Platform::Taobao, 200, QString(), Verdict::UnknownLayout);
        // A shop page that links to the login page is still the shop.
        addRow("shop with a login link", Platform::Taobao, 200,
               taobao + u"<a href='http://login.taobao.com/'>"_s, Verdict::Shop);
    }

    void classifyAnswer() {
        QFETCH(Platform, platform);
        QFETCH(int, status);
        QFETCH(QString, page);
        QFETCH(Verdict, verdict);
        FetchResult result;
        result.status = status;
        QCOMPARE(ShopPageCheck::classify(platform, result, page), verdict);
    }

    // Each fixture shop that is not a shop, fetched as a run would, and the words the seller gets.
    void fixtureShops_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<Platform>("platform");
        QTest::addColumn<Verdict>("verdict");
        QTest::addColumn<QString>("message");

        addRow("a shop", u"http://shop22223333.taobao.com/"_s, Platform::Taobao, Verdict::Shop, QString());
        for (const FailureShop& shop : failureShops())
            QTest::newRow(shop.name) << shop.address << shop.platform << shop.verdict << shop.message;
    }

    void fixtureShops() {
        QFETCH(QString, address);
        QFETCH(Platform, platform);
        QFETCH(Verdict, verdict);
        QFETCH(QString, message);

        ShopRun run(address);
        const ShopPageCheck::Finding found = ShopPageCheck::fetchAndClassify(run.session.context(), platform);
        QCOMPARE(found.verdict, verdict);
        QVERIFY2(found.message.startsWith(message), qPrintable(found.message));
        if (verdict == Verdict::NetworkFailure)
            QVERIFY2(found.message.endsWith(u"）："_s + address), qPrintable(found.message));
    }
};

QTEST_GUILESS_MAIN(TestShopPageCheck)
#include "tst_shoppagecheck.moc"
