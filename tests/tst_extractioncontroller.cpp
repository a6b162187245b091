#include "app/CollectContext.h"
#include "app/ExtractionController.h"
#include "app/ExtractionSession.h"
#include "app/Messages.h"
#include "app/SettingsKeys.h"
#include "app/ShopAddress.h"
#include "formats/ItemRecord.h"
#include "support/FakeWindow.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <stdexcept>

namespace {

// Puts one item on the grid and into the buffer, as a parser and the row writer would.
void emitRow(CollectContext& ctx, const QString& title) {
    QStringList cells(ItemRecord::kFieldCount, QStringLiteral("0"));
    cells[0] = title;
    ShowGridRow(ctx.window, cells);
    if (!ctx.state.headerWritten)
        ctx.state.outputBuffer += QStringLiteral("header\n");
    ctx.state.outputBuffer += title + u'\n';
    ctx.state.headerWritten = true;
}

// What the controller saw, collected by the test crawler and the test flush.
struct Probe {
    int crawls = 0;
    int flushes = 0;
    bool failFlush = false;
    QStringList written;
    bool runningInCrawl = false;
    bool stopFlagInCrawl = true;
    int resumeNumberInCrawl = -1;
    bool appendInCrawl = false;
    int platformCrawled = -1;
};

class Fixture {
public:
    explicit Fixture(std::function<void(CollectContext&)> crawl = {})
        : session(window, dir.path()), controller(session, crawlersFor(std::move(crawl))) {
        controller.setFlushFunction([this] {
            ++probe.flushes;
            if (probe.failFlush)
                return Status::failure(QStringLiteral("disk full"));
            probe.written.append(session.state().outputBuffer);
            session.state().outputBuffer.clear();
            session.state().headerWritten = false;
            return Status::success();
        });
    }

    QString ini(const QString& key) { return session.settings().ReadIniValue(SettingsKeys::kSection, key); }

    void run(int platform, const QString& address) {
        window.platform = platform;
        window.address = address;
        controller.collect();
    }

    QTemporaryDir dir;
    FakeWindow window;
    Probe probe;
    ExtractionSession session;
    ExtractionController controller;

private:
    ExtractionController::Crawlers crawlersFor(std::function<void(CollectContext&)> crawl) {
        auto wrap = [this, crawl](int platform) {
            return [this, crawl, platform](CollectContext& ctx) {
                ++probe.crawls;
                probe.platformCrawled = platform;
                probe.runningInCrawl = window.running;
                probe.stopFlagInCrawl = ctx.state.stopRequested;
                probe.resumeNumberInCrawl = ctx.state.resumeItemNumber;
                probe.appendInCrawl = ctx.state.appendToExisting;
                if (crawl)
                    crawl(ctx);
                else
                    ctx.stop();
            };
        };
        return {wrap(0), wrap(1), wrap(2)};
    }
};

} // namespace

class TestExtractionController : public QObject {
    Q_OBJECT

private slots:
    void addressRules_data() {
        QTest::addColumn<int>("platform");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("baseName");

        const QString paipaiWrong = Messages::kPaiPaiAddressWrong;
        const QString ebayWrong = Messages::kEbayAddressWrong;
        const QString taobaoWrong = Messages::kTaobaoAddressWrong;

        QTest::newRow("empty address") << 0 << "" << Messages::kAddressEmpty << "";
        QTest::newRow("paipai shop") << 0 << "http://shop.paipai.com/12345"
                                     << ""
                                     << "PaiPai_12345";
        QTest::newRow("paipai trailing slash dropped") << 0 << "http://shop.paipai.com/12345/"
                                                       << ""
                                                       << "PaiPai_12345";
        QTest::newRow("paipai exact prefix") << 0 << "http://shop.paipai.com/"
                                             << ""
                                             << "PaiPai_";
        QTest::newRow("paipai capitals lower-cased") << 0 << "HTTP://SHOP.PAIPAI.COM/ABC"
                                                     << ""
                                                     << "PaiPai_abc";
        QTest::newRow("paipai leading space") << 0 << " http://shop.paipai.com/1" << paipaiWrong << "";
        QTest::newRow("paipai other host") << 0 << "http://shop.taobao.com/1" << paipaiWrong << "";
        QTest::newRow("paipai reserved characters") << 0 << "http://shop.paipai.com/a:b*c?d|e\"f<g>h\\i"
                                                    << ""
                                                    << "PaiPai_a_b_c_d_e_f_g_h_i";
        QTest::newRow("paipai dot dot cannot climb") << 0 << "http://shop.paipai.com/../x"
                                                     << ""
                                                     << "PaiPai___x";
        QTest::newRow("paipai nested path flattened") << 0 << "http://shop.paipai.com/a/b/"
                                                      << ""
                                                      << "PaiPai_a_b";
        QTest::newRow("ebay store") << 1 << "http://stores.ebay.com.cn/myshop"
                                    << ""
                                    << "eBay_myshop";
        QTest::newRow("ebay leading space") << 1 << " http://stores.ebay.com.cn/myshop" << ebayWrong << "";
        QTest::newRow("ebay paipai address") << 1 << "http://shop.paipai.com/1" << ebayWrong << "";
        QTest::newRow("taobao shop number") << 2 << "http://shop123.taobao.com"
                                            << ""
                                            << "Taobao_123";
        QTest::newRow("taobao capitals") << 2 << "HTTP://SHOP123.TAOBAO.COM/"
                                         << ""
                                         << "Taobao_123";
        QTest::newRow("taobao 18 characters") << 2 << "shop.taobao.com/ab" << taobaoWrong << "";
        QTest::newRow("taobao 19 characters") << 2 << "shop.taobao.com/abc"
                                              << ""
                                              << "Taobao_shop";
        QTest::newRow("taobao without shop") << 2 << "http://www.taobao.com/item" << taobaoWrong << "";
        QTest::newRow("taobao without domain") << 2 << "http://shop123.example.com" << taobaoWrong << "";
        QTest::newRow("taobao other prefix kept") << 2 << "http://myshop.taobao.com"
                                                  << ""
                                                  << "Taobao_http___myshop";
        QTest::newRow("taobao leading spaces kept") << 2 << "  http://shop7.taobao.com"
                                                    << ""
                                                    << "Taobao_  7";
    }

    void addressRules() {
        QFETCH(int, platform);
        QFETCH(QString, address);
        QFETCH(QString, message);
        QFETCH(QString, baseName);

        Fixture f;
        f.run(platform, address);

        QCOMPARE(f.window.messages, message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(f.probe.crawls, message.isEmpty() ? 1 : 0);
        QCOMPARE(f.window.running, false);
        QCOMPARE(f.session.state().stopRequested, true);
        if (message.isEmpty()) {
            QCOMPARE(f.probe.platformCrawled, platform);
            QCOMPARE(f.probe.runningInCrawl, true);
            QCOMPARE(f.probe.stopFlagInCrawl, false);
            QCOMPARE(f.session.state().outputBaseName, baseName);
            QCOMPARE(f.session.state().shopUrl, address.toLower());
        } else {
            QCOMPARE(f.session.state().outputBaseName, QStringLiteral("Temp"));
        }
    }

    void baseNameNeverLeavesTheFolder_data() {
        QTest::addColumn<QString>("part");
        QTest::newRow("dots only") << "..";
        QTest::newRow("three dots") << "...";
        QTest::newRow("slashes and dots") << "/../../etc/passwd";
        QTest::newRow("backslashes") << "..\\..\\x";
        QTest::newRow("control character") << QStringLiteral("a\tb");
    }

    void baseNameNeverLeavesTheFolder() {
        QFETCH(QString, part);
        const QString name = ShopAddress::SanitizeFileNamePart(part);
        QVERIFY(!name.contains(u'/'));
        QVERIFY(!name.contains(u'\\'));
        QVERIFY(!name.contains(QStringLiteral("..")));
        QVERIFY(!name.contains(u'\t'));
    }

    void breakPointKeysAfterAcceptedRun() {
        Fixture f;
        f.window.format = 2;
        f.run(2, QStringLiteral("HTTP://Shop42.Taobao.com/"));
        QCOMPARE(f.ini(SettingsKeys::kBreakPoint), QStringLiteral("1"));
        QCOMPARE(f.ini(SettingsKeys::kBreakPointUrl), QStringLiteral("http://shop42.taobao.com/"));
        QCOMPARE(f.ini(SettingsKeys::kBreakPointOption), QStringLiteral("2"));
        QCOMPARE(f.ini(SettingsKeys::kBreakPointSO), QStringLiteral("2"));
        QCOMPARE(f.ini(SettingsKeys::kBreakPointFileName), QStringLiteral("Taobao_42.csv"));
    }

    void breakPointKeysAfterRejectedRun() {
        Fixture f;
        f.window.format = 0;
        f.run(0, QStringLiteral("http://shop.paipai.com/777"));
        f.window.format = 1;
        f.run(1, QStringLiteral("http://wrong.example.com/"));
        QCOMPARE(f.window.messages, QStringList{Messages::kEbayAddressWrong});
        // Written before the check: the new address and format.
        QCOMPARE(f.ini(SettingsKeys::kBreakPoint), QStringLiteral("1"));
        QCOMPARE(f.ini(SettingsKeys::kBreakPointUrl), QStringLiteral("http://wrong.example.com/"));
        QCOMPARE(f.ini(SettingsKeys::kBreakPointOption), QStringLiteral("1"));
        // Written after the check: still the previous run's.
        QCOMPARE(f.ini(SettingsKeys::kBreakPointSO), QStringLiteral("0"));
        QCOMPARE(f.ini(SettingsKeys::kBreakPointFileName), QStringLiteral("PaiPai_777.csv"));
    }

    void emptyAddressWritesNoSettings() {
        Fixture f;
        f.run(2, QString());
        QCOMPARE(f.window.messages, QStringList{Messages::kAddressEmpty});
        QVERIFY(!QFile::exists(f.session.paths().settingsFile()));
    }

    void collectEmptiesTheGridAndNumbersRowsAgain() {
        Fixture f([](CollectContext& ctx) {
            emitRow(ctx, QStringLiteral("a"));
            emitRow(ctx, QStringLiteral("b"));
            ctx.stop();
        });
        f.run(0, QStringLiteral("http://shop.paipai.com/1"));
        f.run(0, QStringLiteral("http://shop.paipai.com/1"));
        QCOMPARE(f.window.rows.size(), 2);
        QCOMPARE(f.window.rows.at(0).key, QStringLiteral("QXV0"));
        QCOMPARE(f.window.rows.at(1).key, QStringLiteral("QXV1"));
        // Each run starts its own buffer with its own header.
        QCOMPARE(f.probe.written,
                 QStringList({QStringLiteral("header\na\nb\n"), QStringLiteral("header\na\nb\n")}));
    }

    void userStopInTheMiddleFlushesAtOnce() {
        Fixture* fixture = nullptr;
        int flushesSeenAfterStop = -1;
        Fixture f([&](CollectContext& ctx) {
            emitRow(ctx, QStringLiteral("first"));
            fixture->window.onProcessEvents = [&] { fixture->controller.stop(); };
            while (!ctx.state.stopRequested)
                ctx.window.processEvents();
            flushesSeenAfterStop = fixture->probe.flushes;
            QCOMPARE(fixture->window.running, false);
            // The item in progress when stop came still lands in the output.
            emitRow(ctx, QStringLiteral("late"));
            ctx.stop();
        });
        fixture = &f;
        f.run(2, QStringLiteral("http://shop9.taobao.com"));
        QCOMPARE(flushesSeenAfterStop, 1);
        QCOMPARE(f.probe.flushes, 2);
        QCOMPARE(f.probe.written,
                 QStringList({QStringLiteral("header\nfirst\n"), QStringLiteral("header\nlate\n")}));
        QCOMPARE(f.window.running, false);
    }

    void collectInsideACrawlIsIgnored() {
        Fixture* fixture = nullptr;
        Fixture f([&](CollectContext& ctx) {
            fixture->controller.collect();
            QVERIFY(!ctx.state.stopRequested);
            ctx.stop();
        });
        fixture = &f;
        f.run(0, QStringLiteral("http://shop.paipai.com/1"));
        QCOMPARE(f.probe.crawls, 1);
    }

    void crawlerThatForgetsToStopLeavesTheWindowIdle() {
        Fixture f([](CollectContext&) {});
        f.run(1, QStringLiteral("http://stores.ebay.com.cn/x"));
        QCOMPARE(f.window.running, false);
        QCOMPARE(f.session.state().stopRequested, true);
    }

    void failures_data() {
        QTest::addColumn<bool>("throws");
        QTest::addColumn<bool>("failFlush");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("bufferKept");

        QTest::newRow("crawl throws, output written") << true << false << Messages::kCrawlFailed << false;
        QTest::newRow("crawl throws, write fails") << true << true << Messages::kCrawlFailedNotSaved << true;
        QTest::newRow("write fails at stop") << false << true << Messages::kFlushFailed << true;
    }

    void failures() {
        QFETCH(bool, throws);
        QFETCH(bool, failFlush);
        QFETCH(QString, message);
        QFETCH(bool, bufferKept);

        Fixture f([throws](CollectContext& ctx) {
            emitRow(ctx, QStringLiteral("kept"));
            if (throws)
                throw std::runtime_error("parser bug");
            // The user's stop and the crawler's own stop both fail to write.
            ctx.stop();
            ctx.stop();
        });
        f.probe.failFlush = failFlush;
        f.run(0, QStringLiteral("http://shop.paipai.com/5"));

        QCOMPARE(f.window.running, false);
        QCOMPARE(f.session.state().stopRequested, true);
        QCOMPARE(f.window.messages, QStringList{message});
        QCOMPARE(f.session.state().headerWritten, bufferKept);
        QCOMPARE(f.session.state().outputBuffer.contains(QStringLiteral("kept")), bufferKept);
        QCOMPARE(f.controller.lastRun().outputPending, bufferKept);
    }

    void outputKeptByAFailedWriteIsWrittenBeforeTheNextRun() {
        Fixture f([](CollectContext& ctx) {
            emitRow(ctx, ctx.state.shopUrl.right(1));
            ctx.stop();
        });
        f.probe.failFlush = true;
        f.run(0, QStringLiteral("http://shop.paipai.com/1"));
        // Still failing: the next run does not start and the buffer stays.
        f.window.messages.clear();
        f.run(0, QStringLiteral("http://shop.paipai.com/2"));
        QCOMPARE(f.probe.crawls, 1);
        QCOMPARE(f.window.messages, QStringList{Messages::kFlushFailed});
        QVERIFY(f.session.state().outputBuffer.contains(QStringLiteral("1\n")));

        f.probe.failFlush = false;
        f.run(0, QStringLiteral("http://shop.paipai.com/2"));
        QCOMPARE(f.probe.crawls, 2);
        QCOMPARE(f.probe.written,
                 QStringList({QStringLiteral("header\n1\n"), QStringLiteral("header\n2\n")}));
    }

    void resumeAppliesOnlyToItsShop_data() {
        QTest::addColumn<QStringList>("addresses");
        QTest::addColumn<QList<int>>("resumeNumbers");
        QTest::addColumn<QList<bool>>("appends");

        const QString shop = QStringLiteral("http://shop.paipai.com/55");
        const QString other = QStringLiteral("http://shop.paipai.com/66");
        QTest::newRow("resumed shop once")
            << QStringList{shop, shop} << QList<int>{5, 0} << QList<bool>{true, false};
        QTest::newRow("typed in capitals")
            << QStringList{shop.toUpper()} << QList<int>{5} << QList<bool>{true};
        QTest::newRow("other shop first")
            << QStringList{other, shop} << QList<int>{0, 0} << QList<bool>{false, false};
        QTest::newRow("rejected address keeps it") << QStringList{QStringLiteral("http://bad/"), shop}
                                                   << QList<int>{-1, 5} << QList<bool>{false, true};
    }

    void resumeAppliesOnlyToItsShop() {
        QFETCH(QStringList, addresses);
        QFETCH(QList<int>, resumeNumbers);
        QFETCH(QList<bool>, appends);

        QList<int> seen;
        QList<bool> appendSeen;
        QList<bool> skipped;
        Fixture f([&](CollectContext& ctx) {
            seen.append(ctx.state.resumeItemNumber);
            appendSeen.append(ctx.state.appendToExisting);
            skipped.append(ctx.isAlreadyCollected(5));
            ctx.stop();
        });
        f.session.state().resumeShopUrl = QStringLiteral("http://shop.paipai.com/55");
        f.session.state().resumeItemNumber = 5;
        for (int i = 0; i < addresses.size(); ++i) {
            f.run(0, addresses.at(i));
            if (resumeNumbers.at(i) < 0) {
                seen.append(-1);
                appendSeen.append(false);
                skipped.append(false);
            }
        }
        QCOMPARE(seen, resumeNumbers);
        QCOMPARE(appendSeen, appends);
        for (int i = 0; i < skipped.size(); ++i)
            QCOMPARE(skipped.at(i), resumeNumbers.at(i) == 5);
        QCOMPARE(f.session.state().appendToExisting, appends.last());
    }
};

QTEST_GUILESS_MAIN(TestExtractionController)
#include "tst_extractioncontroller.moc"
