#include "app/CollectContext.h"
#include "app/ExtractionController.h"
#include "app/ExtractionSession.h"
#include "app/Messages.h"
#include "app/SettingsKeys.h"
#include "app/ShopAddress.h"
#include "formats/Taobao5Output.h"
#include "support/ExtractionTestSupport.h"
#include "support/FakeWindow.h"
#include "support/WebTestSupport.h"

#include <QRegularExpression>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#include <stdexcept>

using namespace Qt::StringLiterals;

namespace {

// A session on a fresh folder whose three crawlers all run `crawl` (or just stop); the flush
// records what it would have written.
class Fixture {
public:
    explicit Fixture(std::function<void(CollectContext&)> crawl = {})
        : session(window, dir.path()), controller(session, crawlersFor(std::move(crawl))) {
        controller.setFlushFunction([this] {
            ++flushes;
            if (failFlush)
                return Status::failure(QStringLiteral("disk full"));
            written.append(session.writer().takePendingOutput());
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
    ExtractionSession session;
    ExtractionController controller;
    int crawls = 0;
    int platformCrawled = -1;
    bool runningInCrawl = false;
    bool stopFlagInCrawl = true;
    int flushes = 0;
    bool failFlush = false;
    QStringList written;

private:
    ExtractionController::Crawlers crawlersFor(std::function<void(CollectContext&)> crawl) {
        auto wrap = [this, crawl](int platform) {
            return [this, crawl, platform](CollectContext& ctx) {
                ++crawls;
                platformCrawled = platform;
                runningInCrawl = window.running;
                stopFlagInCrawl = ctx.state.stopRequested;
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
    // The window test covers each message and the common base names; these are the rest.
    void addressRules_data() {
        QTest::addColumn<int>("platform");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("baseName");

        const QString accepted;
        addRow("paipai capitals", 0, "HTTP://SHOP.PAIPAI.COM/ABC", accepted, "PaiPai_abc");
        addRow("paipai other host", 0, "http://shop.taobao.com/1", Messages::kPaiPaiAddressWrong, "");
        addRow("paipai reserved characters", 0, "http://shop.paipai.com/a:b*c?d|e\"f<g>h\\i", accepted,
               "PaiPai_a_b_c_d_e_f_g_h_i");
        addRow("paipai dot dot cannot climb", 0, "http://shop.paipai.com/../x", accepted, "PaiPai___x");
        addRow("paipai nested path flattened", 0, "http://shop.paipai.com/a/b/", accepted, "PaiPai_a_b");
        addRow("ebay leading space", 1, " http://stores.ebay.com.cn/myshop", Messages::kEbayAddressWrong, "");
        addRow("taobao capitals and slash", 2, "HTTP://SHOP123.TAOBAO.COM/", accepted, "Taobao_123");
        addRow("taobao without shop", 2, "http://www.taobao.com/item", Messages::kTaobaoAddressWrong, "");
        addRow("taobao without domain", 2, "http://shop123.example.com", Messages::kTaobaoAddressWrong, "");
        addRow("taobao other prefix kept", 2, "http://myshop.taobao.com", accepted, "Taobao_http___myshop");
        // The domain must be the host's, not text elsewhere in the address.
        addRow("taobao domain in the path", 2, "http://127.0.0.1:9/shop.taobao.com/",
               Messages::kTaobaoAddressWrong, "");
        addRow("taobao domain as the user name", 2, "http://shop1.taobao.com@10.0.0.1/",
               Messages::kTaobaoAddressWrong, "");
        addRow("taobao domain in the query", 2, "http://10.0.0.1/?shop=1.taobao.com",
               Messages::kTaobaoAddressWrong, "");
        addRow("taobao host ending like the domain", 2, "http://shop1.taobao.com.example.org/",
               Messages::kTaobaoAddressWrong, "");
        addRow("taobao on another port", 2, "http://shop123.taobao.com:9/", Messages::kTaobaoAddressWrong,
               "");
        addRow("taobao over https", 2, "https://shop123.taobao.com/", Messages::kTaobaoAddressWrong, "");
    }

    void addressRules() {
        QFETCH(int, platform);
        QFETCH(QString, address);
        QFETCH(QString, message);
        QFETCH(QString, baseName);

        Fixture f;
        f.run(platform, address);

        QCOMPARE(f.window.messages, message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(f.crawls, message.isEmpty() ? 1 : 0);
        QCOMPARE(f.window.running, false);
        QCOMPARE(f.session.state().stopRequested, true);
        QCOMPARE(f.session.state().outputBaseName, message.isEmpty() ? baseName : QStringLiteral("Temp"));
        if (message.isEmpty()) {
            QCOMPARE(f.platformCrawled, platform);
            QCOMPARE(f.runningInCrawl, true);
            QCOMPARE(f.stopFlagInCrawl, false);
            QCOMPARE(f.session.state().shopUrl, address.toLower());
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
        QVERIFY2(!name.contains(QRegularExpression(QStringLiteral("[/\\\\\t]|\\.\\."))), qPrintable(name));
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

    void collectEmptiesTheGridAndNumbersRowsAgain() {
        Fixture f([](CollectContext& ctx) {
            emitTestRow(ctx, QStringLiteral("a"));
            emitTestRow(ctx, QStringLiteral("b"));
            ctx.stop();
        });
        f.run(0, QStringLiteral("http://shop.paipai.com/1"));
        f.run(0, QStringLiteral("http://shop.paipai.com/1"));
        QCOMPARE(f.window.rows.size(), 2);
        QCOMPARE(f.window.rows.at(0).key, QStringLiteral("QXV0"));
        QCOMPARE(f.window.rows.at(1).key, QStringLiteral("QXV1"));
        // Each run starts its own buffer with its own header.
        QCOMPARE(f.written, QStringList({testOutput({u"a"_s, u"b"_s}), testOutput({u"a"_s, u"b"_s})}));
    }

    void userStopInTheMiddleFlushesAtOnce() {
        Fixture* fixture = nullptr;
        int flushesSeenAfterStop = -1;
        Fixture f([&](CollectContext& ctx) {
            emitTestRow(ctx, QStringLiteral("first"));
            fixture->window.onProcessEvents = [&] { fixture->controller.stop(); };
            while (!ctx.state.stopRequested)
                ctx.window.processEvents();
            flushesSeenAfterStop = fixture->flushes;
            QCOMPARE(fixture->window.running, false);
            // The item in progress when stop came still lands in the output.
            emitTestRow(ctx, QStringLiteral("late"));
            ctx.stop();
        });
        fixture = &f;
        f.run(2, QStringLiteral("http://shop9.taobao.com"));
        QCOMPARE(flushesSeenAfterStop, 1);
        QCOMPARE(f.written, QStringList({testOutput({u"first"_s}), testOutput({u"late"_s})}));
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
        QCOMPARE(f.crawls, 1);
    }

    void crawlEndings_data() {
        QTest::addColumn<bool>("throws");
        QTest::addColumn<bool>("stops");
        QTest::addColumn<bool>("failFlush");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("bufferKept");

        QTest::newRow("crawl forgets to stop") << false << false << false << "" << false;
        QTest::newRow("crawl throws, output written")
            << true << false << false << Messages::kCrawlFailed << false;
        QTest::newRow("crawl throws, write fails")
            << true << false << true << Messages::kCrawlFailedNotSaved << true;
        // The user's stop and the crawler's own stop both fail to write: one message.
        QTest::newRow("write fails at stop") << false << true << true << Messages::kFlushFailed << true;
    }

    void crawlEndings() {
        QFETCH(bool, throws);
        QFETCH(bool, stops);
        QFETCH(bool, failFlush);
        QFETCH(QString, message);
        QFETCH(bool, bufferKept);

        Fixture f([throws, stops](CollectContext& ctx) {
            emitTestRow(ctx, QStringLiteral("kept"));
            if (throws)
                throw std::runtime_error("parser bug");
            if (stops) {
                ctx.stop();
                ctx.stop();
            }
        });
        f.failFlush = failFlush;
        f.run(0, QStringLiteral("http://shop.paipai.com/5"));

        QCOMPARE(f.window.running, false);
        QCOMPARE(f.session.state().stopRequested, true);
        QCOMPARE(f.window.messages, message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(f.session.writer().hasPendingOutput(), bufferKept);
        QCOMPARE(f.session.writer().pendingOutput(), bufferKept ? testOutput({u"kept"_s}) : QString());
        QCOMPARE(f.controller.lastRun().outputPending, bufferKept);
        QCOMPARE(f.written, bufferKept ? QStringList() : QStringList{testOutput({u"kept"_s})});
    }

    void outputKeptByAFailedWriteIsWrittenBeforeTheNextRun() {
        Fixture f([](CollectContext& ctx) {
            emitTestRow(ctx, ctx.state.shopUrl.right(1));
            ctx.stop();
        });
        f.failFlush = true;
        f.run(0, QStringLiteral("http://shop.paipai.com/1"));
        // Still failing: the next run does not start and the buffer stays.
        f.window.messages.clear();
        f.run(0, QStringLiteral("http://shop.paipai.com/2"));
        QCOMPARE(f.crawls, 1);
        QCOMPARE(f.window.messages, QStringList{Messages::kFlushFailed});
        QCOMPARE(f.session.writer().pendingOutput(), testOutput({u"1"_s}));

        f.failFlush = false;
        f.run(0, QStringLiteral("http://shop.paipai.com/2"));
        QCOMPARE(f.crawls, 2);
        QCOMPARE(f.written, QStringList({testOutput({u"1"_s}), testOutput({u"2"_s})}));
    }

    // A loaded breakpoint of shop 55 at item 5, then runs of the given addresses; -1 = rejected.
    void resumeAppliesOnlyToItsShop_data() {
        QTest::addColumn<QStringList>("addresses");
        QTest::addColumn<QList<int>>("resumeNumbers");

        const QString shop = QStringLiteral("http://shop.paipai.com/55");
        const QString other = QStringLiteral("http://shop.paipai.com/66");
        QTest::newRow("resumed shop once") << QStringList{shop, shop} << QList<int>{5, 0};
        QTest::newRow("typed in capitals") << QStringList{shop.toUpper()} << QList<int>{5};
        QTest::newRow("other shop first") << QStringList{other, shop} << QList<int>{0, 0};
        QTest::newRow("rejected address keeps it")
            << QStringList{QStringLiteral("http://bad/"), shop} << QList<int>{-1, 5};
    }

    void resumeAppliesOnlyToItsShop() {
        QFETCH(QStringList, addresses);
        QFETCH(QList<int>, resumeNumbers);

        QList<int> seen;
        QList<bool> appended;
        Fixture f([&](CollectContext& ctx) {
            seen.append(ctx.state.resumeItemNumber);
            appended.append(ctx.writer.appendsToExisting());
            ctx.stop();
        });
        f.session.state().resumeShopUrl = QStringLiteral("http://shop.paipai.com/55");
        f.session.state().resumeItemNumber = 5;
        for (const QString& address : addresses) {
            const qsizetype crawlsBefore = seen.size();
            f.run(0, address);
            if (seen.size() == crawlsBefore) {
                seen.append(-1);
                appended.append(false);
            }
        }
        QCOMPARE(seen, resumeNumbers);
        // Only the resumed run continues the output file written before.
        for (int i = 0; i < seen.size(); ++i)
            QCOMPARE(appended.at(i), seen.at(i) == 5);
    }

    // A resumed run in today's Taobao layout adds rows only to a file of that layout: a file of
    // another kind at its name is refused before anything touches it.
    void resumedCurrentTaobaoRunChecksItsFile_data() {
        QTest::addColumn<QByteArray>("existing"); // null: no file
        QTest::addColumn<bool>("crawled");
        const QString currentLayout = u"version 1.00\ntitle\tprice\n宝贝名称\t宝贝价格\n\"a\"\t1\n"_s;
        const auto utf16 = [](const QString& text) -> QByteArray {
            return QByteArray("\xFF\xFE") +
                   QByteArray(QStringEncoder(QStringConverter::Utf16LE).encode(text));
        };
        QTest::newRow("no file yet") << QByteArray() << true;
        QTest::newRow("file of the current layout") << utf16(currentLayout) << true;
        QTest::newRow("older Taobao layout") << utf16(u"宝贝名称\t宝贝类目\r\n"_s) << false;
        QTest::newRow("current layout saved as UTF-8") << currentLayout.toUtf8() << false;
    }

    void resumedCurrentTaobaoRunChecksItsFile() {
        QFETCH(QByteArray, existing);
        QFETCH(bool, crawled);
        Fixture f;
        const QString output = f.session.paths().inProgramDir(u"Taobao_55_Taobao5.csv"_s);
        if (!existing.isNull())
            putFileBytes(output, existing);
        f.session.state().resumeShopUrl = u"http://shop55.taobao.com/"_s;
        f.session.state().resumeItemNumber = 5;
        f.window.format = 3;
        f.run(2, u"http://shop55.taobao.com/"_s);

        QCOMPARE(f.crawls, crawled ? 1 : 0);
        QCOMPARE(f.window.messages,
                 crawled ? QStringList() : QStringList{Taobao5Output::notContinuableMessage(output)});
        QCOMPARE(f.ini(SettingsKeys::kBreakPointOption), u"3"_s);
        QCOMPARE(f.ini(SettingsKeys::kBreakPointFileName), u"Taobao_55_Taobao5.csv"_s);
        QVERIFY(!f.window.running);
        if (!existing.isNull())
            QCOMPARE(fileBytes(output), existing);
    }
};

QTEST_GUILESS_MAIN(TestExtractionController)
#include "tst_extractioncontroller.moc"
