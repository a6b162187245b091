#include "base/ProgramIdentity.h"
#include "run/CollectCommand.h"
#include "run/Messages.h"
#include "run/SettingsKeys.h"
#include "run/StartupSequence.h"
#include "support/CrawlTestSupport.h"
#include "support/FixtureWebServer.h"
#include "support/TestMain.h"
#include "support/TestPaths.h"
#include "support/WebTestSupport.h"
#include "text/TextFileIo.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString kStore = u"http://stores.ebay.com.cn/"_s;
const QString kItems = u"http://cgi.ebay.com.cn/ws/eBayISAPI.dll?ViewItem&item="_s;
const QString kListSuffix = u"_W0QQfsubZ0QQsclZQ2d1QQtZkm"_s;

QString itemAddress(const QString& itemId) {
    return kItems + itemId + u"&rd=1"_s;
}

// The window, run state and commands of one program folder, as the real window runs them.
// The walks alone: the shop page check before them has its own test.
CollectCommand::Crawlers walksOnly() {
    CollectCommand::Crawlers crawlers = CollectCommand::Crawlers::standard();
    crawlers.shopCheck = {};
    return crawlers;
}

struct Program : ShopRun {
    CollectCommand controller{session.services(), walksOnly()};

    explicit Program(FileFormat format, const QString& folder = QString())
        : ShopRun(QString(), QString(), folder) {
        window.platform = Platform::Ebay;
        window.format = format;
        controller.setPauseScale(0.001);
    }
    void collect(const QString& address) {
        window.address = address;
        controller.collect();
    }
};

} // namespace

class TestEbayShopWalk : public QObject {
    Q_OBJECT

private:
    FixtureWebServer m_server{fixturePath(u"web"_s)};

    QStringList requested(const QString& prefix) const {
        QStringList result;
        for (const QString& address : m_server.requestedAddresses())
            if (address.startsWith(prefix))
                result.append(address);
        return result;
    }

    // The output file's lines, decoded from the ANSI code page the PaiPai and eBay formats use.
    static QStringList outputLines(const QString& path) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        QString text = decodeGbk(file.readAll());
        return text.split(u"\r\n"_s, Qt::SkipEmptyParts);
    }

private slots:
    void initTestCase() {
        QVERIFY(m_server.start());
        m_server.useAsProxy();
    }

    void init() { m_server.clearRequestedAddresses(); }

    void walk_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QStringList>("storePages");
        QTest::addColumn<int>("total");
        QTest::addColumn<int>("pages");
        QTest::addColumn<QString>("firstItem");

        const QString lanting = kStore + u"LanTingShop"_s + kListSuffix;
        QTest::newRow("list link found in other capitals, total 31 in bold")
            << kStore + u"LanTingShop"_s
            << QStringList{kStore + u"lantingshop"_s, lanting, lanting + u"QQpZ1"_s, lanting + u"QQpZ2"_s}
            << 31 << 2 << u"330010000001"_s;
        const QString meihua = kStore + u"meihuaju"_s + kListSuffix;
        QTest::newRow("list address built, total 29")
            << kStore + u"meihuaju"_s << QStringList{kStore + u"meihuaju"_s, meihua + u"QQpZ1"_s} << 29 << 1
            << u"330020000001"_s;
        const QString zhuyuan = kStore + u"zhuyuan"_s + kListSuffix;
        QTest::newRow("address typed with its list part, total 30 in bold")
            << kStore + u"ZhuYuan"_s + kListSuffix
            << QStringList{kStore + u"zhuyuan"_s + kListSuffix.toLower(), zhuyuan + u"QQpZ1"_s,
                           zhuyuan + u"QQpZ2"_s}
            << 30 << 2 << u"330030000001"_s;
    }

    void walk() {
        QFETCH(QString, address);
        QFETCH(QStringList, storePages);
        QFETCH(int, total);
        QFETCH(int, pages);
        QFETCH(QString, firstItem);

        Program program(FileFormat::EbayAssistant);
        program.collect(address);

        QCOMPARE(requested(kStore), storePages);
        const QStringList items = requested(kItems);
        QCOMPARE(items.size(), total);
        QCOMPARE(items.first(), itemAddress(firstItem));
        QCOMPARE(program.window.rows.size(), total);
        QCOMPARE(program.window.rows.last().key, u"QXV%1"_s.arg(total - 1));

        const QString progress = u"该店铺中共有商品%1个，共分%2页显示，"_s.arg(total).arg(pages);
        QCOMPARE(program.window.statusTexts.first(), u"载入易趣店铺信息......"_s);
        QVERIFY(program.window.statusTexts.contains(progress + u"正在采集第%1页内容......"_s.arg(pages)));
        QVERIFY(program.window.statusTexts.contains(
            progress + u"已采集商品%1个，正在采集第1页内容......"_s.arg(qMin(total, 30))));
        // The walk's own last word, then the run's ending naming the items and the file.
        QVERIFY(program.window.statusTexts.contains(progress + u"全部采集完成......"_s));
        QCOMPARE(program.window.statusTexts.last(),
                 Messages::runComplete(total, QDir::toNativeSeparators(program.outputFile())));

        QCOMPARE(program.breakPoint(SettingsKeys::kBreakPoint), u"0"_s);
        QCOMPARE(program.breakPoint(SettingsKeys::kBreakPointNum), QString::number(total));
        QVERIFY(!program.window.running);
        QCOMPARE(outputLines(program.outputFile()).size(), total + 1);
    }

    // A list or item page the site answers with its sign-in or a verification page (status 200,
    // or 403 and 429 with any body) pauses the run: resumable, the items before it written, the
    // item it stood for neither written nor dropped, so the resume fetches it again.
    void loginPageMidWalk_data() {
        QTest::addColumn<QString>("page");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("rowsBefore");
        const QByteArray signIn =
            fileBytes(fixturePath(u"web/signin.ebay.com.cn/ws/eBayISAPI.dll%3FSignIn"_s));
        const QByteArray tooOften =
            QByteArray("<html><body><p>") + u"您的访问过于频繁，请稍后再试"_s.toUtf8() + "</p></body></html>";
        const QString list = kStore + u"meihuaju"_s + kListSuffix + u"QQpZ1"_s;
        QTest::newRow("list page: sign-in page") << list << 200 << signIn << 0;
        QTest::newRow("item page: sign-in page") << itemAddress(u"330020000003"_s) << 200 << signIn << 2;
        QTest::newRow("item page: too many requests text")
            << itemAddress(u"330020000002"_s) << 200 << tooOften << 1;
        QTest::newRow("item page: 403") << itemAddress(u"330020000002"_s) << 403 << QByteArray() << 1;
    }

    void loginPageMidWalk() {
        QFETCH(QString, page);
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(int, rowsBefore);
        if (status == 200)
            m_server.setContent(page, body);
        else
            m_server.setStatus(page, status, body);
        Program program(FileFormat::EbayAssistant);
        program.collect(kStore + u"meihuaju"_s);
        m_server.clearBehaviours();

        QCOMPARE(program.window.messages, QStringList{Messages::kLoginRequired});
        QCOMPARE(program.window.statusTexts.last(), Messages::kLoginRequired);
        QCOMPARE(program.window.rows.size(), rowsBefore);
        QCOMPARE(program.controller.state().counters().counts().dropped, 0);
        QCOMPARE(program.breakPoint(SettingsKeys::kBreakPoint), u"1"_s);
        QCOMPARE(program.breakPoint(SettingsKeys::kBreakPointNum), QString::number(rowsBefore));
        QCOMPARE(requested(kItems).size(), rowsBefore + (page.startsWith(kItems) ? 1 : 0));
        QCOMPARE(outputLines(program.outputFile()).size(), rowsBefore == 0 ? 0 : rowsBefore + 1);
    }

    // A list that ends at a page the site does not have, or sends empty, short of the total the
    // store states, may hold more: the run fails on that page and stays resumable.
    void unreadListPageShortOfTotal_data() {
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("reason");
        QTest::newRow("404") << 404 << u"HTTP 404"_s;
        QTest::newRow("410") << 410 << u"HTTP 410"_s;
        QTest::newRow("empty page") << 200 << u"HTTP 200"_s;
    }

    void unreadListPageShortOfTotal() {
        QFETCH(int, status);
        QFETCH(QString, reason);
        const QString second = kStore + u"LanTingShop"_s + kListSuffix + u"QQpZ2"_s;
        if (status == 200)
            m_server.setContent(second, QByteArray());
        else
            m_server.setStatus(second, status, QByteArray());
        Program program(FileFormat::EbayAssistant);
        program.collect(kStore + u"LanTingShop"_s);
        m_server.clearBehaviours();

        QCOMPARE(program.window.rows.size(), 30);
        QCOMPARE(program.window.statusTexts.last(), Messages::networkFailed(second, reason));
        QCOMPARE(program.breakPoint(SettingsKeys::kBreakPoint), u"1"_s);
    }

    // The small store, collected twice in a row: a heading in capitals, one without a link, a link
    // written with "&", an item page that is gone and an item without a title. The second run
    // numbers its items from 1 again.
    void showcaseStoreTwice() {
        Program program(FileFormat::TaobaoAssistant);
        program.collect(kStore + u"QingShiXuan"_s);
        m_server.clearRequestedAddresses();
        program.window.statusTexts.clear();
        program.collect(kStore + u"QingShiXuan"_s);

        QCOMPARE(requested(kItems),
                 (QStringList{itemAddress(u"330040000001"_s), itemAddress(u"330040000002"_s),
                              itemAddress(u"330040000003"_s), itemAddress(u"330040000099"_s),
                              itemAddress(u"330040000004"_s)}));
        QCOMPARE(rowTitles(program.window),
                 (QStringList{u"清代青花缠枝莲纹瓶 仿古收藏"_s, u"二手 诺基亚 N73 手机 &amp; 原装电池"_s,
                              u"手绘团扇 苏州工艺"_s}));
        // The item without a title is dropped, and says so.
        QVERIFY(program.window.statusTexts.contains(Messages::itemDropped(DropReason::NoTitle) +
                                                    itemAddress(u"330040000004"_s)));
        QCOMPARE(program.window.rows.first().key, u"QXV0"_s);
        QCOMPARE(program.breakPoint(SettingsKeys::kBreakPointNum), u"6"_s);
        QCOMPARE(program.breakPoint(SettingsKeys::kBreakPoint), u"0"_s);
        QVERIFY(program.window.statusTexts.contains(
            u"该店铺中共有商品6个，共分1页显示，已采集商品3个，正在采集第1页内容......"_s));
    }

    // Stopped after the tenth item and resumed by a new start of the program: every item ends
    // up in the file once, and the resumed run downloads only the items after the breakpoint.
    void stopAndResume_data() {
        QTest::addColumn<FileFormat>("format");
        QTest::newRow("eBay Assistant") << FileFormat::EbayAssistant;
        QTest::newRow("PaiPai Assistant") << FileFormat::PaiPaiAssistant;
    }

    void stopAndResume() {
        QFETCH(FileFormat, format);
        QTemporaryDir folder;
        const QString address = kStore + u"meihuaju"_s;
        QString outputPath;
        {
            Program first(format, folder.path());
            bool pressed = false;
            first.window.onUpdate = [&] {
                if (!pressed && first.window.rows.size() == 10) {
                    pressed = true;
                    first.session.stopSignal().request();
                }
            };
            first.collect(address);
            QVERIFY(pressed);
            QCOMPARE(requested(kItems).size(), 10);
            QCOMPARE(first.breakPoint(SettingsKeys::kBreakPoint), u"1"_s);
            QCOMPARE(first.breakPoint(SettingsKeys::kBreakPointNum), u"10"_s);
            QCOMPARE(first.window.statusTexts.last(), Messages::runStopped(10));
            outputPath = first.outputFile();
            QCOMPARE(outputLines(outputPath).size(), 11);
        }

        m_server.clearRequestedAddresses();
        Program second(FileFormat::TaobaoAssistant, folder.path());
        StartupSequence startup = second.session.startup();
        QCOMPARE(startup.loadBreakPoint(), StartupSequence::ResumeResult::Loaded);
        second.controller.setResumePoint(startup.takeResumePoint());
        QCOMPARE(second.window.selectedFormat(), format);
        second.controller.collect();

        const QStringList items = requested(kItems);
        QCOMPARE(items.size(), 19);
        QCOMPARE(items.first(), itemAddress(u"330020000011"_s));
        QCOMPARE(second.breakPoint(SettingsKeys::kBreakPoint), u"0"_s);

        const QStringList lines = outputLines(outputPath);
        QCOMPARE(lines.size(), 30);
        for (int n = 1; n <= 29; ++n)
            QVERIFY2(lines.at(n).contains(u"物品 %1 号"_s.arg(n, 2, 10, QLatin1Char('0'))),
                     qPrintable(lines.at(n)));
    }

    // A store page without the store's marks is refused as a layout we do not know, before the
    // walk or the breakpoint.
    void missingShopMarker() {
        Program program(FileFormat::EbayAssistant);
        CollectCommand checked(program.session.services());
        program.window.address = kStore + u"songfeng"_s;
        checked.collect();

        const QString refusal = Messages::kUnknownLayout + kStore + u"songfeng"_s;
        QCOMPARE(requested(kStore), QStringList{kStore + u"songfeng"_s});
        QVERIFY(requested(kItems).isEmpty());
        QVERIFY(program.window.rows.isEmpty());
        QCOMPARE(program.window.messages, QStringList{refusal});
        QCOMPARE(program.window.statusTexts, QStringList{refusal});
        QCOMPARE(program.breakPoint(SettingsKeys::kBreakPoint), QString());
        QVERIFY(!program.window.running);
        QVERIFY(!QFile::exists(program.session.paths().outputFile(u"eBay_songfeng"_s, u".csv"_s)));
    }
};

KESTRUNE_TEST_GUILESS_MAIN(TestEbayShopWalk)
#include "tst_ebayshopwalk.moc"
