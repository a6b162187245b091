#include "crawl/MarketplaceDescription.h"
#include "run/CollectCommand.h"
#include "run/Messages.h"
#include "run/ShopPageCheck.h"
#include "support/CrawlTestSupport.h"
#include "support/FailureShops.h"
#include "support/FixtureWebServer.h"
#include "support/TestMain.h"
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
        QTest::addColumn<FetchFailure>("failure");
        const auto add = [](const char* name, Platform platform, int status, const QString& page,
                            Verdict verdict, FetchFailure failure = FetchFailure::None) {
            QTest::newRow(name) << platform << status << page << verdict << failure;
        };

        const QString taobao = u"<li><span>宝贝数量：</span>5</li>"_s;
        add("taobao layout 1", Platform::Taobao, 200, u"<span>宝贝数:</span>5</li>"_s, Verdict::Shop);
        add("taobao layout 2", Platform::Taobao, 200, u"会员积累信用"_s, Verdict::Shop);
        add("taobao layout 3", Platform::Taobao, 200, taobao, Verdict::Shop);
        add("paipai shop", Platform::PaiPai, 200, u"商品数量：21<"_s, Verdict::Shop);
        add("ebay shop with list link", Platform::Ebay, 200, u"'>查看店铺的所有物品</a>"_s, Verdict::Shop);
        add("ebay list as shop page", Platform::Ebay, 200, u"在<b>所有分类</b>中找到 5"_s, Verdict::Shop);
        // Markers of one platform do not make a shop of another.
        add("taobao page for paipai", Platform::PaiPai, 200, taobao, Verdict::UnknownLayout);
        add("not found", Platform::Taobao, 404, QString(), Verdict::NotFound);
        add("gone", Platform::Ebay, 410, QString(), Verdict::NotFound);
        add("forbidden", Platform::Taobao, 403, QString(), Verdict::LoginRequired);
        add("too many requests", Platform::PaiPai, 429, QString(), Verdict::LoginRequired);
        add("server error", Platform::Taobao, 502, QString(), Verdict::NetworkFailure);
        add("no answer", Platform::Taobao, 0, QString(), Verdict::NetworkFailure);
        add("login form", Platform::Taobao, 200, u"action=\"https://login.taobao.com/member\""_s,
            Verdict::LoginRequired);
        add("captcha in english", Platform::Ebay, 200, u"<img src='/CAPTCHA.jpg'>"_s, Verdict::LoginRequired);
        add("too many requests text", Platform::Ebay, 200, u"429 Too Many Requests"_s,
            Verdict::LoginRequired);
        add("closed shop", Platform::PaiPai, 200, u"该店铺已经关闭"_s, Verdict::NotFound);
        add("empty page", Platform::Taobao, 200, QString(), Verdict::UnknownLayout);
        // A shop page that links to the login page is still the shop.
        add("shop with a login link", Platform::Taobao, 200,
            taobao + u"<a href='http://login.taobao.com/'>"_s, Verdict::Shop);
        // The headers (and part of a shop) came, then the transfer was cut: no page to judge.
        add("timed out after the headers", Platform::Taobao, 200, taobao, Verdict::NetworkFailure,
            FetchFailure::TimedOut);
        add("too many redirects", Platform::Ebay, 302, QString(), Verdict::NetworkFailure,
            FetchFailure::TooManyRedirects);
        add("body too large", Platform::PaiPai, 200, u"商品数量：21<"_s, Verdict::NetworkFailure,
            FetchFailure::TooLarge);
    }

    void classifyAnswer() {
        QFETCH(Platform, platform);
        QFETCH(int, status);
        QFETCH(QString, page);
        QFETCH(Verdict, verdict);
        QFETCH(FetchFailure, failure);
        FetchResult result;
        result.status = status;
        result.failure = failure;
        QCOMPARE(ShopPageCheck::classify(platform, result, page), verdict);
    }

    // Every marker in a marketplace's description makes a shop of that marketplace and of no other.
    void markersBelongToTheirMarketplace() {
        FetchResult answered;
        answered.status = 200;
        for (const MarketplaceDescription& own : marketplaceDescriptions()) {
            QVERIFY(!own.shopPageMarkers.isEmpty());
            for (const QString& marker : own.shopPageMarkers)
                for (const MarketplaceDescription& other : marketplaceDescriptions())
                    QCOMPARE(ShopPageCheck::classify(other.platform, answered, marker) == Verdict::Shop,
                             other.platform == own.platform);
        }
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
        const ShopPageCheck::Finding found = run.session.context().checkShopPage(platform);
        QCOMPARE(found.verdict, verdict);
        QVERIFY2(found.message.startsWith(message), qPrintable(found.message));
        if (verdict == Verdict::NetworkFailure)
            QVERIFY2(found.message.endsWith(u"）："_s + address), qPrintable(found.message));
    }

    // Each marketplace's shop as the collect command walks it: the page it checks (in the
    // marketplace's encoding) is a shop, the walk reads it to the end, and it pauses the
    // marketplace's own time after each item.
    void standardWalks_data() {
        QTest::addColumn<Platform>("platform");
        QTest::addColumn<QString>("address");
        QTest::addColumn<int>("pauseMs");

        QTest::newRow("taobao") << Platform::Taobao << u"http://shop22223333.taobao.com/"_s << 1000;
        QTest::newRow("paipai") << Platform::PaiPai << u"http://shop.paipai.com/20090301/"_s << 500;
        QTest::newRow("ebay") << Platform::Ebay << u"http://stores.ebay.com.cn/meihuaju"_s << 500;
    }

    void standardWalks() {
        QFETCH(Platform, platform);
        QFETCH(QString, address);
        QFETCH(int, pauseMs);

        ShopRun run(address, u"shop"_s);
        run.window.platform = platform;
        run.aimWriter();
        // A hundredth of each pause: long enough to tell the marketplaces' pauses apart.
        run.session.context().setPauseScale(0.01);
        const CollectCommand::Crawlers crawlers = CollectCommand::Crawlers::standard();
        const Status checked = crawlers.shopCheck(run.session.context(), platform);
        QVERIFY2(checked.ok(), qPrintable(checked.message()));
        const CollectCommand::Crawler& walk = platform == Platform::Taobao   ? crawlers.taobao
                                              : platform == Platform::PaiPai ? crawlers.paipai
                                                                             : crawlers.ebay;
        QCOMPARE(walk(run.session.context()).kind, WalkEnd::Kind::Complete);
        QVERIFY(!run.window.rows.isEmpty());
        QCOMPARE(run.session.context().lastPauseMs(), pauseMs / 100);
    }

    // A shop page that does not come says why, in words a seller reads.
    void failureReasons_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("reason");
        // Only the slow page needs a short time-out: the loop's many hops take longer than that
        // on a loaded machine.
        QTest::addColumn<int>("timeoutMs");

        addRow("time-out", u"http://shop66660011.taobao.com/"_s, u"超时"_s, 300);
        addRow("redirect loop", u"http://shop66660012.taobao.com/"_s, u"重定向次数过多"_s, 30000);
    }

    void failureReasons() {
        QFETCH(QString, address);
        QFETCH(QString, reason);
        QFETCH(int, timeoutMs);

        m_server.setSlowBody(u"http://shop66660011.taobao.com/"_s, 20, 100);
        m_server.setRedirect(u"http://shop66660012.taobao.com/"_s, u"http://shop66660012.taobao.com/"_s);
        ShopRun run(address);
        run.session.fetcher().setTimeoutMs(timeoutMs);
        const ShopPageCheck::Finding found = run.session.context().checkShopPage(Platform::Taobao);
        QCOMPARE(found.verdict, Verdict::NetworkFailure);
        QCOMPARE(found.message, Messages::networkFailed(address, reason));
    }
};

KESTRUNE_TEST_GUILESS_MAIN(TestShopPageCheck)
#include "tst_shoppagecheck.moc"
