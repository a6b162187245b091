#include "base/KillPoint.h"
#include "crawl/ItemKey.h"
#include "crawl/MarketplaceDescription.h"
#include "formats/AssistantFormat.h"
#include "formats/OutputBatch.h"
#include "formats/OutputFormats.h"
#include "formats/OutputJournal.h"
#include "formats/StoreOutput.h"
#include "formats/Taobao5Layout.h"
#include "formats/Taobao5Output.h"
#include "run/CollectCommand.h"
#include "run/Messages.h"
#include "run/ResumeCheck.h"
#include "run/SettingsKeys.h"
#include "run/ShopAddress.h"
#include "run/ShopWalkHost.h"
#include "run/WrittenItemSet.h"
#include "support/ExtractionTestSupport.h"
#include "support/FakeWindow.h"
#include "support/TestMain.h"
#include "support/TestSession.h"
#include "support/WebTestSupport.h"
#include "text/TextFileIo.h"

#include <QDir>
#include <QFileInfo>
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
    explicit Fixture(std::function<void(ShopWalkHost&)> crawl = {})
        : session(window, dir.path()), controller(session.services(), crawlersFor(std::move(crawl))) {
        controller.setFlushFunction([this] {
            ++flushes;
            if (failFlush)
                return Status::failure(QStringLiteral("disk full"));
            written.append(session.writer().takePendingOutput());
            return Status::success();
        });
    }

    QString ini(const QString& key) { return session.settings().readValue(SettingsKeys::kSection, key); }

    void run(Platform platform, const QString& address) {
        window.platform = platform;
        window.address = address;
        controller.collect();
    }

    // The shop page check answers with this problem (none when empty).
    void setShopPageProblem(const QString& problem) { shopPageProblem = problem; }

    QTemporaryDir dir;
    QString shopPageProblem;
    FakeWindow window;
    TestSession session;
    CollectCommand controller;
    int crawls = 0;
    Platform platformCrawled = Platform::PaiPai; // meaningful once crawls > 0
    bool runningInCrawl = false;
    bool stopFlagInCrawl = true;
    int flushes = 0;
    bool failFlush = false;
    QStringList written;
    // What every crawl hands back.
    WalkEnd walkEnd = testWalkEnd();

private:
    CollectCommand::Crawlers crawlersFor(std::function<void(ShopWalkHost&)> crawl) {
        auto wrap = [this, crawl](Platform platform) {
            return [this, crawl, platform](ShopWalkHost& ctx) {
                ++crawls;
                platformCrawled = platform;
                runningInCrawl = window.running;
                stopFlagInCrawl = !controller.state().isRunning();
                if (crawl)
                    crawl(ctx);
                return walkEnd;
            };
        };
        return {wrap(Platform::PaiPai), wrap(Platform::Ebay), wrap(Platform::Taobao),
                [this](ShopWalkHost&, Platform) {
                    return shopPageProblem.isEmpty() ? Status::success() : Status::failure(shopPageProblem);
                }};
    }
};

// A written-item list beside output that names as many items as it holds rows, so that only the
// file itself decides whether a resume may continue it.
void agreeingList(const QString& output, FileFormat format) {
    WrittenItemSet items(WrittenItemSet::pathFor(output));
    const int rows = ResumeCheck::countItemRows(output, format).value_or(0);
    for (int i = 0; i < rows; ++i)
        items.add(QString::number(i));
    QVERIFY(items.commit().ok());
}

// What the journal on disk held each time a row had just been journaled, as "rows:last key":
// a kill at that moment would leave exactly this for the next start to recover.
QString g_journalFolder;
QStringList g_journalOnDisk;

void lookAtTheJournal(const char* moment) {
    if (qstrcmp(moment, KillPoint::kRowJournaled) != 0)
        return;
    const QDir folder(g_journalFolder);
    const QStringList journals =
        folder.entryList({u"*"_s + OutputJournal::fileSuffix()}, QDir::Files | QDir::Hidden);
    if (journals.size() != 1) {
        g_journalOnDisk.append(u"%1 journals"_s.arg(journals.size()));
        return;
    }
    const OutputJournal::Contents contents = OutputJournal::read(folder.filePath(journals.first()));
    g_journalOnDisk.append(u"%1:%2"_s.arg(contents.valid ? contents.rows : -1)
                               .arg(contents.itemKeys.value(contents.itemKeys.size() - 1)));
}

} // namespace

class TestCollectCommand : public QObject {
    Q_OBJECT

private slots:
    // The window test covers each message and the common base names; these are the rest.
    void addressRules_data() {
        QTest::addColumn<Platform>("platform");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("baseName");

        const QString accepted;
        addRow("paipai capitals", Platform::PaiPai, "HTTP://SHOP.PAIPAI.COM/ABC", accepted, "PaiPai_abc");
        addRow("paipai other host", Platform::PaiPai, "http://www.paipai.com/1",
               Messages::kPaiPaiAddressWrong, "");
        addRow("paipai reserved characters", Platform::PaiPai, "http://shop.paipai.com/a:b*c?d|e\"f<g>h\\i",
               accepted, "PaiPai_a_b_c_d_e_f_g_h_i");
        addRow("paipai dot dot cannot climb", Platform::PaiPai, "http://shop.paipai.com/../x", accepted,
               "PaiPai___x");
        addRow("paipai nested path flattened", Platform::PaiPai, "http://shop.paipai.com/a/b/", accepted,
               "PaiPai_a_b");
        // Spaces around the address, a missing scheme and https are all read as the plain address.
        addRow("ebay spaces around", Platform::Ebay, " http://stores.ebay.com.cn/myshop\t", accepted,
               "eBay_myshop");
        addRow("ebay without scheme", Platform::Ebay, "stores.ebay.com.cn/myshop", accepted, "eBay_myshop");
        addRow("paipai over https", Platform::PaiPai, "HTTPS://shop.paipai.com/77", accepted, "PaiPai_77");
        addRow("only spaces", Platform::PaiPai, "   ", Messages::kAddressEmpty, "");
        // An address of another platform names it.
        addRow("taobao address, paipai chosen", Platform::PaiPai, "http://shop123.taobao.com/",
               Messages::kTaobaoAddressChosenWrongly, "");
        addRow("taobao store host, ebay chosen", Platform::Ebay, "http://shop.taobao.com/1",
               Messages::kTaobaoAddressChosenWrongly, "");
        addRow("paipai address, taobao chosen", Platform::Taobao, "shop.paipai.com/77",
               Messages::kPaiPaiAddressChosenWrongly, "");
        addRow("ebay address, paipai chosen", Platform::PaiPai, "http://stores.ebay.com.cn/myshop",
               Messages::kEbayAddressChosenWrongly, "");
        addRow("taobao capitals and slash", Platform::Taobao, "HTTP://SHOP123.TAOBAO.COM/", accepted,
               "Taobao_123");
        addRow("taobao without shop", Platform::Taobao, "http://www.taobao.com/item",
               Messages::kTaobaoAddressWrong, "");
        addRow("taobao without domain", Platform::Taobao, "http://shop123.example.com",
               Messages::kTaobaoAddressWrong, "");
        addRow("taobao other prefix kept", Platform::Taobao, "http://myshop.taobao.com", accepted,
               "Taobao_http___myshop");
        // The domain must be the host's, not text elsewhere in the address.
        addRow("taobao domain in the path", Platform::Taobao, "http://127.0.0.1:9/shop.taobao.com/",
               Messages::kTaobaoAddressWrong, "");
        addRow("taobao domain as the user name", Platform::Taobao, "http://shop1.taobao.com@10.0.0.1/",
               Messages::kTaobaoAddressWrong, "");
        addRow("taobao domain in the query", Platform::Taobao, "http://10.0.0.1/?shop=1.taobao.com",
               Messages::kTaobaoAddressWrong, "");
        addRow("taobao host ending like the domain", Platform::Taobao, "http://shop1.taobao.com.example.org/",
               Messages::kTaobaoAddressWrong, "");
        addRow("taobao on another port", Platform::Taobao, "http://shop123.taobao.com:9/",
               Messages::kTaobaoAddressWrong, "");
        addRow("taobao over https", Platform::Taobao, "https://shop123.taobao.com/", accepted, "Taobao_123");
        addRow("taobao without scheme", Platform::Taobao, " shop123.taobao.com", accepted, "Taobao_123");
        addRow("taobao other scheme", Platform::Taobao, "ftp://shop123.taobao.com/",
               Messages::kTaobaoAddressWrong, "");
    }

    void addressRules() {
        QFETCH(Platform, platform);
        QFETCH(QString, address);
        QFETCH(QString, message);
        QFETCH(QString, baseName);

        Fixture f;
        // Each platform's own format: the file name is the address rule's alone.
        f.window.format = platform == Platform::PaiPai ? FileFormat::PaiPaiAssistant
                          : platform == Platform::Ebay ? FileFormat::EbayAssistant
                                                       : FileFormat::TaobaoAssistant;
        f.run(platform, address);

        QCOMPARE(f.window.messages, message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(f.crawls, message.isEmpty() ? 1 : 0);
        QCOMPARE(f.window.running, false);
        QCOMPARE(f.controller.state().isRunning(), false);
        QCOMPARE(f.controller.state().setup().outputBaseName,
                 message.isEmpty() ? baseName : QStringLiteral("Temp"));
        if (message.isEmpty()) {
            QCOMPARE(f.platformCrawled, platform);
            QCOMPARE(f.runningInCrawl, true);
            QCOMPARE(f.stopFlagInCrawl, false);
            QCOMPARE(f.controller.state().setup().shopUrl, ShopAddress::normalize(address));
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
        const QString name = ShopAddress::sanitizeFileNamePart(part);
        QVERIFY2(!name.contains(QRegularExpression(QStringLiteral("[/\\\\\t]|\\.\\."))), qPrintable(name));
    }

    // A refused address, or a shop page that is not a shop, leaves the breakpoint of the earlier
    // run exactly as it was: a restart still resumes that run.
    void refusedRunLeavesTheBreakPoint_data() {
        QTest::addColumn<Platform>("platform");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("shopPageProblem");
        QTest::addColumn<QString>("message");

        addRow("empty address", Platform::Ebay, u""_s, QString(), Messages::kAddressEmpty);
        addRow("wrong address", Platform::Ebay, u"http://wrong.example.com/"_s, QString(),
               Messages::kEbayAddressWrong);
        addRow("other platform", Platform::Ebay, u"http://shop.paipai.com/9"_s, QString(),
               Messages::kPaiPaiAddressChosenWrongly);
        addRow("login page", Platform::PaiPai, u"http://shop.paipai.com/9"_s, Messages::kLoginRequired,
               Messages::kLoginRequired);
    }

    void refusedRunLeavesTheBreakPoint() {
        QFETCH(Platform, platform);
        QFETCH(QString, address);
        QFETCH(QString, shopPageProblem);
        QFETCH(QString, message);

        Fixture* fixture = nullptr;
        Fixture f([&](ShopWalkHost& ctx) {
            handItem(ctx, parsedTestItem(testRecord(u"x"_s)), 3);
            ctx.writeBreakPoint(SettingsKeys::kBreakPointNum, u"3"_s);
            fixture->session.stopSignal().request();
        });
        fixture = &f;
        f.window.format = FileFormat::PaiPaiAssistant;
        f.run(Platform::PaiPai, u"http://shop.paipai.com/777"_s);
        const QByteArray before = fileBytes(f.session.paths().settingsFile());
        QCOMPARE(f.ini(SettingsKeys::kBreakPoint), u"1"_s);

        f.setShopPageProblem(shopPageProblem);
        f.window.messages.clear();
        f.window.format = FileFormat::EbayAssistant;
        f.run(platform, address);
        QCOMPARE(f.window.messages, QStringList{message});
        QCOMPARE(f.crawls, 1);
        QCOMPARE(fileBytes(f.session.paths().settingsFile()), before);
        QCOMPARE(f.controller.lastRun().started, false);
    }

    // The keys of a run are written together as it starts: a fresh run from item 0, the resumed
    // one from where it was.
    void breakPointKeysOfARun_data() {
        QTest::addColumn<QString>("resumeShop");
        QTest::addColumn<QString>("numberSeen");

        addRow("fresh run after another shop", u"http://shop.paipai.com/55"_s, u"0"_s);
        addRow("fresh run, nothing loaded", QString(), u"0"_s);
        addRow("resumed run", u"http://shop.paipai.com/66"_s, u"8"_s);
    }

    void breakPointKeysOfARun() {
        QFETCH(QString, resumeShop);
        QFETCH(QString, numberSeen);

        QStringList seen;
        Fixture* fixture = nullptr;
        Fixture f([&](ShopWalkHost&) {
            for (const QString& key : {SettingsKeys::kBreakPoint, SettingsKeys::kBreakPointUrl,
                                       SettingsKeys::kBreakPointOption, SettingsKeys::kBreakPointSO,
                                       SettingsKeys::kBreakPointFileName, SettingsKeys::kBreakPointNum})
                seen << fixture->ini(key);
        });
        fixture = &f;
        QVERIFY(writeBreakPointKeys(
            f.session.settings(),
            {u"1"_s, u"PaiPai_66.csv"_s, u"http://shop.paipai.com/66"_s, u"8"_s, u"0"_s, u"2"_s}));
        f.controller.setResumePoint({resumeShop, 8});
        f.window.format = FileFormat::PaiPaiAssistant;
        f.run(Platform::PaiPai, u" HTTP://shop.paipai.com/66 "_s);
        QCOMPARE(seen, (QStringList{u"1"_s, u"http://shop.paipai.com/66"_s, u"2"_s, u"0"_s,
                                    u"PaiPai_66.csv"_s, numberSeen}));
    }

    // How a run ends decides whether the next start offers to resume it.
    void runEndings_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("ending");
        QTest::addColumn<QString>("breakPoint");
        QTest::addColumn<QString>("status"); // %1: the output path
        QTest::addColumn<QStringList>("messages");

        using Ending = CollectCommand::Ending;
        addRow("walked to the end", u"end"_s, int(Ending::Complete), u"0"_s,
               u"全部采集完成：共2个宝贝，文件：%1"_s, QStringList());
        // The shop said 21 items and its lists held 2: still complete.
        addRow("walk said not all were reached", u"short"_s, int(Ending::Complete), u"0"_s,
               u"全部采集完成：共2个宝贝，文件：%1"_s, QStringList());
        addRow("user stopped", u"stop"_s, int(Ending::Stopped), u"1"_s, u"已停止：已采集2个宝贝"_s,
               QStringList());
        addRow("user stopped after the walk called it done", u"stop done"_s, int(Ending::Stopped), u"1"_s,
               u"已停止：已采集2个宝贝"_s, QStringList());
        addRow("walk told the user", u"message"_s, int(Ending::Failed), u"1"_s, QString(),
               QStringList{u"提取店铺商品总数失败，程序中止！"_s});
        addRow("walk threw", u"throw"_s, int(Ending::Failed), u"1"_s, QString(),
               QStringList{Messages::kCrawlFailed});
        // The walk read its lists to their end and tells what they held.
        addRow("lists held fewer than the shop stated", u"found"_s, int(Ending::Complete), u"0"_s,
               u"全部采集完成：共2个宝贝，文件：%1；店铺标明2000000000个宝贝，实际找到2个"_s, QStringList());
        const QString unfetched = Messages::networkFailed(u"http://shop.paipai.com/21/1000-2-2/itemlist.js"_s,
                                                          u"Connection closed"_s);
        addRow("a list page did not come", u"unfetched"_s, int(Ending::Failed), u"1"_s, unfetched,
               QStringList{unfetched});
        addRow("user stopped after a list page did not come", u"stop unfetched"_s, int(Ending::Stopped),
               u"1"_s, u"已停止：已采集2个宝贝"_s, QStringList());
        // A shop whose lists hold nothing was read to its end too.
        addRow("nothing found", u"nothing"_s, int(Ending::Complete), u"0"_s,
               u"全部采集完成：共0个宝贝，文件：%1"_s, QStringList());
    }

    void runEndings() {
        QFETCH(QString, how);
        QFETCH(int, ending);
        QFETCH(QString, breakPoint);
        QFETCH(QString, status);
        QFETCH(QStringList, messages);

        Fixture* fixture = nullptr;
        Fixture f([&](ShopWalkHost& ctx) {
            if (how == u"nothing")
                return;
            for (int item = 1; item <= 2; ++item) {
                handItem(ctx, parsedTestItem(testRecord(QString::number(item))), item, QString(), true);
            }
            if (how == u"stop done")
                ctx.writeBreakPoint(SettingsKeys::kBreakPoint, u"0"_s);
            if (how == u"found") {
                ctx.reportShopTotal(2000000000);
                fixture->walkEnd = WalkEnd{};
            }
            if (how.endsWith(u"unfetched"_s))
                ctx.failWalk(Messages::networkFailed(u"http://shop.paipai.com/21/1000-2-2/itemlist.js"_s,
                                                     u"Connection closed"_s));
            if (how.startsWith(u"stop"))
                fixture->session.stopSignal().request();
            if (how == u"message")
                ctx.showMessage(u"提取店铺商品总数失败，程序中止！"_s);
            if (how == u"throw")
                throw std::runtime_error("parser bug");
            if (how == u"end")
                ctx.writeBreakPoint(SettingsKeys::kBreakPoint, u"0"_s);
        });
        fixture = &f;
        f.window.format = FileFormat::PaiPaiAssistant;
        f.run(Platform::PaiPai, u"http://shop.paipai.com/21"_s);

        const QString output = f.session.paths().outputFile(u"PaiPai_21"_s, u".csv"_s);
        const CollectCommand::RunSummary& run = f.controller.lastRun();
        QCOMPARE(int(run.ending), ending);
        QCOMPARE(run.failed, ending == int(CollectCommand::Ending::Failed));
        QCOMPARE(f.ini(SettingsKeys::kBreakPoint), breakPoint);
        QCOMPARE(run.endingText,
                 status.contains(u"%1"_s) ? status.arg(QDir::toNativeSeparators(output)) : status);
        if (!status.isEmpty())
            QCOMPARE(f.window.statusTexts.last(), run.endingText);
        QCOMPARE(f.window.messages, messages);
        // Only a complete run forgets which items its file holds.
        QCOMPARE(QFile::exists(WrittenItemSet::pathFor(output)),
                 ending != int(CollectCommand::Ending::Complete) && how != u"nothing");
    }

    // Items that went to a store file without a picture address are counted in the ending, the
    // way dropped items are; an item listed twice counts once, and an assistant file counts none.
    void endingCountsItemsWithoutPictureAddress_data() {
        QTest::addColumn<FileFormat>("format");
        QTest::addColumn<bool>("stop");
        QTest::addColumn<QString>("ending"); // %1: the output path
        const QString notes = u"；1个宝贝未能采集（见日志）；2个宝贝没有图片网址"_s;
        QTest::newRow("Shopify, complete")
            << FileFormat::Shopify << false << u"全部采集完成：共3个宝贝，文件：%1"_s + notes;
        QTest::newRow("WooCommerce, stopped")
            << FileFormat::WooCommerce << true << u"已停止：已采集3个宝贝"_s + notes;
        QTest::newRow("PaiPai Assistant")
            << FileFormat::PaiPaiAssistant << false
            << u"全部采集完成：共3个宝贝，文件：%1；1个宝贝未能采集（见日志）"_s;
    }

    void endingCountsItemsWithoutPictureAddress() {
        QFETCH(FileFormat, format);
        QFETCH(bool, stop);
        QFETCH(QString, ending);

        Fixture* fixture = nullptr;
        Fixture f([&](ShopWalkHost& ctx) {
            const auto item = [](int n) { return u"http://auction1.paipai.com/%1"_s.arg(n); };
            for (int n : {1, 2, 3, 2}) {
                ItemRecord record = testRecord(QString::number(n));
                if (n == 1)
                    record.pictureAddress = u"http://image.paipai.com/1.jpg"_s;
                handItem(ctx, parsedTestItem(record), n, item(n));
            }
            handItem(ctx, ReachedItem::dropped(DropReason::NoTitle), 4, item(4));
            if (stop)
                fixture->session.stopSignal().request();
        });
        fixture = &f;
        f.window.format = format;
        f.run(Platform::PaiPai, u"http://shop.paipai.com/21"_s);

        const QString output = QDir::toNativeSeparators(f.session.writer().target().outputPath);
        QCOMPARE(f.controller.lastRun().endingText, ending.contains(u"%1"_s) ? ending.arg(output) : ending);
        QCOMPARE(f.window.statusTexts.filter(Messages::kItemWithoutPictureAddress).size(),
                 OutputFormats::describe(format).storeFile ? 2 : 0);
    }

    // The file name carries the format when it is not the platform's own, so one file never
    // holds two layouts.
    void outputNameCarriesTheFormat_data() {
        QTest::addColumn<Platform>("platform");
        QTest::addColumn<QString>("address");
        QTest::addColumn<FileFormat>("format");
        QTest::addColumn<QString>("fileName");

        const QString taobao = u"http://shop5.taobao.com/"_s;
        const QString paipai = u"http://shop.paipai.com/5"_s;
        const QString ebay = u"http://stores.ebay.com.cn/five"_s;
        addRow("taobao in its own format", Platform::Taobao, taobao, FileFormat::TaobaoAssistant,
               u"Taobao_5.csv"_s);
        addRow("taobao for ebay", Platform::Taobao, taobao, FileFormat::EbayAssistant,
               u"Taobao_5_eBay.csv"_s);
        addRow("taobao for paipai", Platform::Taobao, taobao, FileFormat::PaiPaiAssistant,
               u"Taobao_5_PaiPai.csv"_s);
        addRow("paipai in its own format", Platform::PaiPai, paipai, FileFormat::PaiPaiAssistant,
               u"PaiPai_5.csv"_s);
        addRow("paipai for taobao", Platform::PaiPai, paipai, FileFormat::TaobaoAssistant,
               u"PaiPai_5_Taobao.csv"_s);
        addRow("paipai for ebay", Platform::PaiPai, paipai, FileFormat::EbayAssistant,
               u"PaiPai_5_eBay.csv"_s);
        addRow("ebay in its own format", Platform::Ebay, ebay, FileFormat::EbayAssistant, u"eBay_five.csv"_s);
        addRow("ebay for taobao", Platform::Ebay, ebay, FileFormat::TaobaoAssistant,
               u"eBay_five_Taobao.csv"_s);
        addRow("ebay for paipai", Platform::Ebay, ebay, FileFormat::PaiPaiAssistant,
               u"eBay_five_PaiPai.csv"_s);
        addRow("taobao for shopify", Platform::Taobao, taobao, FileFormat::Shopify,
               u"Taobao_5_Shopify.csv"_s);
        addRow("ebay for woocommerce", Platform::Ebay, ebay, FileFormat::WooCommerce,
               u"eBay_five_WooCommerce.csv"_s);
    }

    void outputNameCarriesTheFormat() {
        QFETCH(Platform, platform);
        QFETCH(QString, address);
        QFETCH(FileFormat, format);
        QFETCH(QString, fileName);

        Fixture f;
        f.window.format = format;
        f.run(platform, address);
        QCOMPARE(f.controller.state().setup().outputFileName(), fileName);
        QCOMPARE(f.ini(SettingsKeys::kBreakPointFileName), fileName);
        QCOMPARE(QFileInfo(f.session.writer().target().outputPath).fileName(), fileName);
    }

    void formatSuffixOfEveryFormat() {
        QCOMPARE(ShopAddress::formatSuffix(Platform::Taobao, FileFormat::TaobaoAssistant5), u"_Taobao5"_s);
        QCOMPARE(ShopAddress::formatSuffix(Platform::PaiPai, FileFormat::TaobaoAssistant5), u"_Taobao5"_s);
    }

    // A resumed run appends only to a file that is, byte for byte, what the program writes in its
    // format: encoding, byte-order mark and the whole header line.
    void resumeRefusesAFileOfAnotherLayout_data() {
        QTest::addColumn<FileFormat>("format");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("refused");

        const auto gbk = [](const QString& text) { return encodeGbk(text); };
        const auto utf16 = [](const QString& text) -> QByteArray {
            return "\xFF\xFE"_ba + QByteArray(QStringEncoder(QStringConverter::Utf16LE).encode(text));
        };
        const FileFormat paipai = FileFormat::PaiPaiAssistant;
        const FileFormat taobao = FileFormat::TaobaoAssistant;
        const QString paipaiHeader = AssistantFormat::paipai().headerLine();
        const QString taobaoHeader = AssistantFormat::taobao().headerLine();
        const QString taobaoRow = u"\"宝贝\"\t0 \r\n"_s;
        addRow("paipai file", paipai, QByteArray(QByteArray(gbk(paipaiHeader)) + "-1,-1\r\n"), false);
        addRow("empty file", paipai, ""_ba, false);
        addRow("taobao file", paipai, QByteArray(gbk(taobaoHeader)), true);
        addRow("picture", paipai, "\x89PNG\r\n\x1a\n"_ba, true);
        addRow("paipai file with a UTF-8 mark", paipai, QByteArray("\xEF\xBB\xBF"_ba + paipaiHeader.toUtf8()),
               true);
        addRow("paipai file as UTF-16", paipai, utf16(paipaiHeader), true);
        addRow("paipai column renamed by hand", paipai,
               QByteArray(gbk(QString(paipaiHeader).replace(u"\"id\""_s, u"\"ID\""_s))), true);
        addRow("paipai header without its line end", paipai, QByteArray(gbk(paipaiHeader.trimmed())), true);
        addRow("taobao file of the program", taobao, utf16(taobaoHeader + taobaoRow), false);
        addRow("taobao file re-saved as GBK", taobao, QByteArray(gbk(taobaoHeader + taobaoRow)), true);
        addRow("taobao file re-saved as UTF-8", taobao, (taobaoHeader + taobaoRow).toUtf8(), true);
        addRow("taobao column renamed by hand", taobao,
               utf16(QString(taobaoHeader).replace(u"宝贝价格"_s, u"价格"_s) + taobaoRow), true);
        const QString shopifyHeader = StoreOutput::header(FileFormat::Shopify);
        const QString wooHeader = StoreOutput::header(FileFormat::WooCommerce);
        const QString storeRow = u"1001,\"多行\n描述\",x\n"_s;
        addRow("shopify file of the program", FileFormat::Shopify, (shopifyHeader + storeRow).toUtf8(),
               false);
        addRow("shopify file with a UTF-8 mark", FileFormat::Shopify,
               "\xEF\xBB\xBF"_ba + (shopifyHeader + storeRow).toUtf8(), true);
        addRow("shopify file re-saved with CR LF", FileFormat::Shopify,
               QString(shopifyHeader + storeRow).replace(u"\n"_s, u"\r\n"_s).toUtf8(), true);
        addRow("woocommerce file of the program", FileFormat::WooCommerce, (wooHeader + storeRow).toUtf8(),
               false);
        // The converter's file of an item with variants has attribute columns the rows would lack.
        addRow("woocommerce file with attribute columns", FileFormat::WooCommerce,
               (wooHeader.chopped(1) + u",Attribute 1 name\n"_s + storeRow).toUtf8(), true);
        addRow("shopify header in a woocommerce file", FileFormat::WooCommerce,
               (shopifyHeader + storeRow).toUtf8(), true);
    }

    void resumeRefusesAFileOfAnotherLayout() {
        QFETCH(FileFormat, format);
        QFETCH(QByteArray, file);
        QFETCH(bool, refused);

        Fixture f;
        const QString fileName =
            u"PaiPai_66"_s + ShopAddress::formatSuffix(Platform::PaiPai, format) + u".csv"_s;
        const QString output = f.session.paths().inProgramDir(fileName);
        putFileBytes(output, file);
        agreeingList(output, format);
        f.controller.setResumePoint({u"http://shop.paipai.com/66"_s, 4});
        f.window.format = format;
        f.run(Platform::PaiPai, u"http://shop.paipai.com/66"_s);
        QCOMPARE(f.crawls, refused ? 0 : 1);
        QCOMPARE(f.window.messages, refused ? QStringList{Messages::outputOfAnotherFormat(
                                                  fileName, OutputFormats::describe(format).caption)}
                                            : QStringList());
        QCOMPARE(fileBytes(output), file);
        QCOMPARE(f.controller.lastRun().failed, refused);
    }

    // A resume passes over the items the written-item list names: a list that cannot say what the
    // file holds refuses the run before the file or the list is touched (start-up offers a fresh
    // run for such a list; this is a run that meets one all the same).
    void resumeTrustsOnlyAListThatAgreesWithTheFile_data() {
        QTest::addColumn<int>("rows");
        QTest::addColumn<QByteArray>("list"); // null: none
        QTest::addColumn<bool>("refused");

        const QByteArray version = "KESTRUNE-ITEMS 2\n";
        const QByteArray ab = version + "a\nb\n\t2\t18572a97\n";
        addRow("no rows, no list", 0, QByteArray(), false);
        addRow("rows, no list", 2, QByteArray(), true);
        addRow("list agrees", 2, ab, false);
        addRow("list names fewer", 2, version + "a\n\t1\tddeaa107\n", true);
        addRow("list damaged", 2, version + "a\nc\n\t2\t18572a97\n", true);
    }

    void resumeTrustsOnlyAListThatAgreesWithTheFile() {
        QFETCH(int, rows);
        QFETCH(QByteArray, list);
        QFETCH(bool, refused);

        Fixture f;
        const QString fileName = u"PaiPai_66"_s +
                                 ShopAddress::formatSuffix(Platform::PaiPai, FileFormat::TaobaoAssistant) +
                                 u".csv"_s;
        const QString output = f.session.paths().inProgramDir(fileName);
        QStringList titles;
        for (int i = 0; i < rows; ++i)
            titles << QString::number(i);
        QVERIFY(writeOutputBatch(output, FileFormat::TaobaoAssistant, testOutput(titles), false).ok());
        const QByteArray before = fileBytes(output);
        const QString listPath = WrittenItemSet::pathFor(output);
        if (!list.isNull())
            putFileBytes(listPath, list);
        f.controller.setResumePoint({u"http://shop.paipai.com/66"_s, 0});
        f.run(Platform::PaiPai, u"http://shop.paipai.com/66"_s);

        QCOMPARE(f.crawls, refused ? 0 : 1);
        QCOMPARE(f.window.messages,
                 refused ? QStringList{Messages::writtenItemsUntrustedRefused(fileName)} : QStringList());
        QCOMPARE(f.controller.lastRun().failed, refused);
        QCOMPARE(fileBytes(output), before);
        if (refused)
            QCOMPARE(fileBytes(listPath), list);
    }

    // A store file's item is its product row: the rows of further images and variants, and a
    // description's line breaks, are no items of their own.
    void storeFilesCountTheirProducts_data() {
        QTest::addColumn<FileFormat>("format");
        QTest::addColumn<QByteArray>("rows");
        QTest::addColumn<int>("items");
        QTest::newRow("shopify") << FileFormat::Shopify << QByteArray("a,Shirt,x\na,,\nb,\"two\nlines\",y\n")
                                 << 2;
        QTest::newRow("woocommerce") << FileFormat::WooCommerce
                                     << QByteArray(",simple,a\n,variable,b\n,variation,b-1\n,variation,b-2\n")
                                     << 2;
    }

    void storeFilesCountTheirProducts() {
        QFETCH(FileFormat, format);
        QFETCH(QByteArray, rows);
        QFETCH(int, items);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"out.csv"_s);
        putFileBytes(path, StoreOutput::header(format).toUtf8() + rows);
        QCOMPARE(ResumeCheck::countItemRows(path, format).value_or(-1), items);
    }

    // The entry point of the item loop: an item the file holds is known before its page is
    // fetched, across a stop and a resume, and a cell without an address is told apart by its
    // number.
    void eachItemOnce() {
        // The resume checks the list against the file: the rows reach it.
        QStringList fetched;
        bool stopAfterFirst = true;
        Fixture* fixture = nullptr;
        const QStringList addresses{u"http://item.taobao.com/item.htm?id=1"_s,
                                    u"http://item.taobao.com/item.htm?id=2"_s,
                                    u"http://item.taobao.com/item.htm?cat=9&id=1"_s};
        Fixture f([&](ShopWalkHost& ctx) {
            int itemNumber = 0;
            for (const QString& address : addresses) {
                ++itemNumber;
                // Asked by the item's key, as the item loop makes it.
                const QString& keyQuery = describeMarketplace(Platform::Taobao).itemKeyQuery;
                if (ctx.isItemWritten(itemKey(keyQuery, address, itemNumber)))
                    continue;
                fetched << address;
                handItem(ctx, parsedTestItem(testRecord(address)), itemNumber, address, true);
                if (stopAfterFirst) {
                    fixture->session.stopSignal().request();
                    break;
                }
            }
        });
        fixture = &f;
        f.controller.setFlushFunction([&f] { return f.session.writer().flush(); });
        f.run(Platform::Taobao, u"http://shop7.taobao.com/"_s);
        const QString items = WrittenItemSet::pathFor(f.session.paths().outputFile(u"Taobao_7"_s, u".csv"_s));
        QCOMPARE(WrittenItemSet::read(fileBytes(items)).keys, QStringList{u"1"_s});
        QCOMPARE(f.ini(SettingsKeys::kBreakPoint), u"1"_s);

        // Resumed: the list knows item 1, whatever number the breakpoint holds.
        stopAfterFirst = false;
        f.session.stopSignal().reset();
        f.controller.setResumePoint({u"http://shop7.taobao.com/"_s, 0});
        f.run(Platform::Taobao, u"http://shop7.taobao.com/"_s);
        QCOMPARE(fetched, (QStringList{addresses.at(0), addresses.at(1)}));
        QCOMPARE(f.window.rows.size(), 1);
        QCOMPARE(f.controller.lastRun().ending, CollectCommand::Ending::Complete);
        QCOMPARE(f.controller.lastRun().itemsInFile, 2);
        QVERIFY(!QFile::exists(items));
    }

    // Each row is on disk with its key the moment it is journaled, in every layout: a run killed
    // right after it loses nothing.
    void rowIsOnDiskWhenJournaled_data() {
        QTest::addColumn<FileFormat>("format");
        QTest::newRow("Taobao Assistant") << FileFormat::TaobaoAssistant;
        QTest::newRow("current Taobao Assistant") << FileFormat::TaobaoAssistant5;
        QTest::newRow("PaiPai Assistant") << FileFormat::PaiPaiAssistant;
        QTest::newRow("eBay Assistant") << FileFormat::EbayAssistant;
    }

    void rowIsOnDiskWhenJournaled() {
        QFETCH(FileFormat, format);
        Fixture f([](ShopWalkHost& ctx) {
            for (int item = 1; item <= 3; ++item) {
                const QString address = u"http://item.taobao.com/item.htm?id=%1"_s.arg(item);
                handItem(ctx, parsedTestItem(testRecord(address)), item, address);
            }
        });
        f.window.format = format;
        g_journalFolder = f.dir.path();
        g_journalOnDisk.clear();
        KillPoint::setHandler(&lookAtTheJournal);
        f.run(Platform::Taobao, u"http://shop7.taobao.com/"_s);
        KillPoint::setHandler(nullptr);
        QCOMPARE(g_journalOnDisk, (QStringList{u"1:1"_s, u"2:2"_s, u"3:3"_s}));
    }

    void collectEmptiesTheGridAndNumbersRowsAgain() {
        Fixture f([](ShopWalkHost& ctx) {
            emitTestRow(ctx, QStringLiteral("a"));
            emitTestRow(ctx, QStringLiteral("b"));
        });
        f.run(Platform::PaiPai, QStringLiteral("http://shop.paipai.com/1"));
        f.run(Platform::PaiPai, QStringLiteral("http://shop.paipai.com/1"));
        QCOMPARE(f.window.rows.size(), 2);
        QCOMPARE(f.window.rows.at(0).key, QStringLiteral("QXV0"));
        QCOMPARE(f.window.rows.at(1).key, QStringLiteral("QXV1"));
        // Each run starts its own buffer with its own header.
        QCOMPARE(f.written, QStringList({testOutput({u"a"_s, u"b"_s}), testOutput({u"a"_s, u"b"_s})}));
    }

    // The user's stop reaches the walk through the stop signal alone: the walk sees it, writes
    // nothing more, and the run's end writes the rows once.
    void userStopInTheMiddleFlushesOnceTheWalkReturns() {
        Fixture* fixture = nullptr;
        int flushesSeenInWalk = -1;
        bool emittedAfterStop = true;
        Fixture f([&](ShopWalkHost& ctx) {
            emitTestRow(ctx, QStringLiteral("first"));
            fixture->session.stopSignal().request();
            while (!ctx.stopRequested())
                ctx.pause(10);
            flushesSeenInWalk = fixture->flushes;
            // An item whose downloads the stop may have cut short is not written.
            emittedAfterStop = handItem(ctx, parsedTestItem(testRecord(u"late"_s)), 99);
        });
        fixture = &f;
        f.run(Platform::Taobao, QStringLiteral("http://shop9.taobao.com"));
        QCOMPARE(flushesSeenInWalk, 0);
        QVERIFY(!emittedAfterStop);
        QCOMPARE(f.written, QStringList({testOutput({u"first"_s})}));
        QCOMPARE(f.flushes, 1);
        QCOMPARE(f.window.running, false);
        QCOMPARE(f.controller.lastRun().ending, CollectCommand::Ending::Stopped);
    }

    void collectInsideACrawlIsIgnored() {
        Fixture* fixture = nullptr;
        Fixture f([&](ShopWalkHost& ctx) {
            fixture->controller.collect();
            QVERIFY(fixture->controller.state().isRunning());
            QVERIFY(!ctx.stopRequested());
        });
        fixture = &f;
        f.run(Platform::PaiPai, QStringLiteral("http://shop.paipai.com/1"));
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

        Fixture* fixture = nullptr;
        Fixture f([&fixture, throws, stops](ShopWalkHost& ctx) {
            emitTestRow(ctx, QStringLiteral("kept"));
            if (throws)
                throw std::runtime_error("parser bug");
            if (stops)
                fixture->session.stopSignal().request();
        });
        fixture = &f;
        f.failFlush = failFlush;
        f.run(Platform::PaiPai, QStringLiteral("http://shop.paipai.com/5"));

        QCOMPARE(f.window.running, false);
        QCOMPARE(f.controller.state().isRunning(), false);
        QCOMPARE(f.window.messages, message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(f.session.writer().hasPendingOutput(), bufferKept);
        QCOMPARE(f.session.writer().pendingOutput(), bufferKept ? testOutput({u"kept"_s}) : QString());
        QCOMPARE(f.controller.lastRun().outputPending, bufferKept);
        QCOMPARE(f.written, bufferKept ? QStringList() : QStringList{testOutput({u"kept"_s})});
    }

    // The counts a run reports, as the walk's item calls make them: each item found once and
    // counted by its best fate, the breakpoint's number the last cell reached, the progress total
    // the shop's or what the lists held. Each run counts afresh.
    void runCountsFollowTheItemCalls_data() {
        // Items handed to the sink: wN written, pN already in the file, dN dropped, cN cut short;
        // tN: the shop states N items.
        QTest::addColumn<QString>("calls");
        // found, written, already in the file, dropped, cell reached, stated total, progress total
        QTest::addColumn<QList<int>>("counts");

        QTest::newRow("none") << u""_s << QList<int>{0, 0, 0, 0, 0, 0, 0};
        QTest::newRow("one written") << u"w1"_s << QList<int>{1, 1, 0, 0, 1, 0, 1};
        QTest::newRow("passed over, then written") << u"p1 w2"_s << QList<int>{2, 1, 1, 0, 2, 0, 2};
        QTest::newRow("dropped once only") << u"d3 d3"_s << QList<int>{1, 0, 0, 1, 3, 0, 1};
        QTest::newRow("written under a second list beats dropped")
            << u"d1 w2 w1"_s << QList<int>{2, 2, 0, 0, 1, 0, 2};
        QTest::newRow("cut short: found only") << u"t4 c1"_s << QList<int>{1, 0, 0, 0, 1, 4, 4};
        QTest::newRow("lists hold more than stated") << u"t1 w1 w2"_s << QList<int>{2, 2, 0, 0, 2, 1, 2};
    }

    void runCountsFollowTheItemCalls() {
        QFETCH(QString, calls);
        QFETCH(QList<int>, counts);

        Fixture f([&](ShopWalkHost& ctx) {
            for (const QString& call : calls.split(u' ', Qt::SkipEmptyParts)) {
                const int number = call.mid(1).toInt();
                switch (call.at(0).unicode()) {
                case u't':
                    ctx.reportShopTotal(number);
                    break;
                case u'w':
                    handItem(ctx, parsedTestItem(testRecord(u"x"_s)), number);
                    break;
                case u'p':
                    handItem(ctx, ReachedItem::withFate(ReachedItem::Fate::AlreadyWritten), number);
                    break;
                case u'd':
                    handItem(ctx, ReachedItem::dropped(DropReason::NoTitle), number);
                    break;
                default:
                    handItem(ctx, ReachedItem::withFate(ReachedItem::Fate::CutShort), number);
                }
            }
        });
        for (int run = 0; run < 2; ++run) {
            f.run(Platform::PaiPai, QStringLiteral("http://shop.paipai.com/%1").arg(run + 1));
            const RunCounters& counters = f.controller.state().counters();
            const ItemTally::Counts& c = counters.counts();
            QCOMPARE((QList<int>{c.found, c.written, c.alreadyInFile, c.dropped, counters.collectedCount(),
                                 counters.itemTotal(), counters.progressTotal()}),
                     counts);
            QCOMPARE(f.controller.lastRun().counts.written, counts.at(1));
        }
    }

    void outputKeptByAFailedWriteIsWrittenBeforeTheNextRun() {
        Fixture f([](ShopWalkHost& ctx) { emitTestRow(ctx, ctx.walkInput(0).shopAddress.right(1)); });
        f.failFlush = true;
        f.run(Platform::PaiPai, QStringLiteral("http://shop.paipai.com/1"));
        // Still failing: the next run does not start and the buffer stays.
        f.window.messages.clear();
        f.run(Platform::PaiPai, QStringLiteral("http://shop.paipai.com/2"));
        QCOMPARE(f.crawls, 1);
        QCOMPARE(f.window.messages, QStringList{Messages::kFlushFailed});
        QCOMPARE(f.session.writer().pendingOutput(), testOutput({u"1"_s}));

        f.failFlush = false;
        f.run(Platform::PaiPai, QStringLiteral("http://shop.paipai.com/2"));
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
        Fixture* fixture = nullptr;
        Fixture f([&](ShopWalkHost&) {
            seen.append(fixture->controller.state().setup().resumedFrom);
            appended.append(fixture->session.writer().appendsToExisting());
        });
        fixture = &f;
        f.controller.setResumePoint({QStringLiteral("http://shop.paipai.com/55"), 5});
        for (const QString& address : addresses) {
            const qsizetype crawlsBefore = seen.size();
            f.run(Platform::PaiPai, address);
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
        const QString currentLayout = Taobao5Layout::headerText() + u"\"a\"\t1\n"_s;
        const auto utf16 = [](const QString& text) -> QByteArray {
            return QByteArray("\xFF\xFE") +
                   QByteArray(QStringEncoder(QStringConverter::Utf16LE).encode(text));
        };
        QTest::newRow("no file yet") << QByteArray() << true;
        QTest::newRow("file of the current layout") << utf16(currentLayout) << true;
        QTest::newRow("older Taobao layout") << utf16(u"宝贝名称\t宝贝类目\r\n"_s) << false;
        QTest::newRow("current layout saved as UTF-8") << currentLayout.toUtf8() << false;
        QTest::newRow("current layout with a column removed by hand")
            << utf16(QString(currentLayout).replace(u"\tprice"_s, QString())) << false;
    }

    void resumedCurrentTaobaoRunChecksItsFile() {
        QFETCH(QByteArray, existing);
        QFETCH(bool, crawled);
        Fixture f;
        const QString output = f.session.paths().inProgramDir(u"Taobao_55_Taobao5.csv"_s);
        if (!existing.isNull()) {
            putFileBytes(output, existing);
            agreeingList(output, FileFormat::TaobaoAssistant5);
        }
        f.controller.setResumePoint({u"http://shop55.taobao.com/"_s, 5});
        f.window.format = FileFormat::TaobaoAssistant5;
        f.run(Platform::Taobao, u"http://shop55.taobao.com/"_s);

        QCOMPARE(f.crawls, crawled ? 1 : 0);
        QCOMPARE(f.window.messages,
                 crawled ? QStringList() : QStringList{Taobao5Output::notContinuableMessage(output)});
        // A refused run records nothing: the breakpoint stays as it was.
        QCOMPARE(f.ini(SettingsKeys::kBreakPointOption), crawled ? u"3"_s : QString());
        QCOMPARE(f.ini(SettingsKeys::kBreakPointFileName), crawled ? u"Taobao_55_Taobao5.csv"_s : QString());
        QVERIFY(!f.window.running);
        if (!existing.isNull())
            QCOMPARE(fileBytes(output), existing);
    }
};

KESTRUNE_TEST_GUILESS_MAIN(TestCollectCommand)
#include "tst_extractioncontroller.moc"
