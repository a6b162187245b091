#include "app/ExtractionController.h"
#include "app/ExtractionSession.h"
#include "app/PlatformConstants.h"
#include "app/SettingsKeys.h"
#include "app/StartupSequence.h"
#include "support/FakeWindow.h"
#include "support/FixtureWebServer.h"
#include "support/TestPaths.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

const QString kStore = QStringLiteral("http://stores.ebay.com.cn/");
const QString kItems = QStringLiteral("http://cgi.ebay.com.cn/ws/eBayISAPI.dll?ViewItem&item=");
const QString kListSuffix = QStringLiteral("_W0QQfsubZ0QQsclZQ2d1QQtZkm");

QString itemAddress(const QString& itemId) {
    return kItems + itemId + QStringLiteral("&rd=1");
}

// The window, run state and commands of one program folder, as the real window would run them.
struct Program {
    FakeWindow window;
    ExtractionSession session;
    ExtractionController controller;

    Program(const QString& folder, int format) : session(window, folder), controller(session) {
        window.platform = PlatformConstants::Ebay;
        window.format = format;
        session.context().pauseScale = 0.002;
    }

    void collect(const QString& address) {
        window.address = address;
        controller.collect();
    }

    QString breakPoint(const QString& key) {
        return session.settings().ReadIniValue(SettingsKeys::kSection, key);
    }
};

} // namespace

class TestCollectEbayShop : public QObject {
    Q_OBJECT

private:
    FixtureWebServer m_server{fixturePath(QStringLiteral("web"))};

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
        QStringDecoder gbk("GB18030");
        QString text = gbk(file.readAll());
        return text.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
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

        const QString lanting = kStore + QStringLiteral("LanTingShop") + kListSuffix;
        QTest::newRow("list link found in other capitals, total 31 in bold")
            << kStore + QStringLiteral("LanTingShop")
            << QStringList{kStore + QStringLiteral("lantingshop"), lanting, lanting + QStringLiteral("QQpZ1"),
                           lanting + QStringLiteral("QQpZ2")}
            << 31 << 2 << QStringLiteral("330010000001");
        const QString meihua = kStore + QStringLiteral("meihuaju") + kListSuffix;
        QTest::newRow("list address built, total 29")
            << kStore + QStringLiteral("meihuaju")
            << QStringList{kStore + QStringLiteral("meihuaju"), meihua + QStringLiteral("QQpZ1")} << 29 << 1
            << QStringLiteral("330020000001");
        const QString zhuyuan = kStore + QStringLiteral("zhuyuan") + kListSuffix;
        QTest::newRow("address typed with its list part, total 30 in bold")
            << kStore + QStringLiteral("ZhuYuan") + kListSuffix
            << QStringList{kStore + QStringLiteral("zhuyuan") + kListSuffix.toLower(),
                           zhuyuan + QStringLiteral("QQpZ1"), zhuyuan + QStringLiteral("QQpZ2")}
            << 30 << 2 << QStringLiteral("330030000001");
    }

    void walk() {
        QFETCH(QString, address);
        QFETCH(QStringList, storePages);
        QFETCH(int, total);
        QFETCH(int, pages);
        QFETCH(QString, firstItem);

        QTemporaryDir folder;
        Program program(folder.path(), PlatformConstants::EbayAssistant);
        program.collect(address);

        QCOMPARE(requested(kStore), storePages);
        const QStringList items = requested(kItems);
        QCOMPARE(items.size(), total);
        QCOMPARE(items.first(), itemAddress(firstItem));
        QCOMPARE(program.window.rows.size(), total);
        QCOMPARE(program.window.rows.last().key, QStringLiteral("QXV%1").arg(total - 1));

        const QString progress = QStringLiteral("该店铺中共有商品%1个，共分%2显示，").arg(total).arg(pages);
        QCOMPARE(program.window.statusTexts.first(), QStringLiteral("载入易趣店铺信息......"));
        QVERIFY(program.window.statusTexts.contains(progress +
                                                    QStringLiteral("正在采集第%1页内容......").arg(pages)));
        QVERIFY(program.window.statusTexts.contains(
            progress + QStringLiteral("已采集商品%1个，正在采集第1页内容......").arg(qMin(total, 30))));
        QCOMPARE(program.window.statusTexts.last(), progress + QStringLiteral("全部采集完成......"));

        QCOMPARE(program.breakPoint(SettingsKeys::kBreakPoint), QStringLiteral("0"));
        QCOMPARE(program.breakPoint(SettingsKeys::kBreakPointNum), QString::number(total));
        QVERIFY(!program.window.running);
        QCOMPARE(outputLines(program.session.paths().outputFile(program.session.state().outputBaseName,
                                                                QStringLiteral(".csv")))
                     .size(),
                 total + 1);
    }

    // The small store: a heading in capitals, one without a link, a link written with "&",
    // an item page that is gone and an item without a title.
    void showcaseStore() {
        QTemporaryDir folder;
        Program program(folder.path(), PlatformConstants::TaobaoAssistant);
        program.collect(kStore + QStringLiteral("QingShiXuan"));

        QCOMPARE(requested(kItems), (QStringList{itemAddress(QStringLiteral("330040000001")),
                                                 itemAddress(QStringLiteral("330040000002")),
                                                 itemAddress(QStringLiteral("330040000003")),
                                                 itemAddress(QStringLiteral("330040000099")),
                                                 itemAddress(QStringLiteral("330040000004"))}));
        QStringList titles;
        for (const FakeWindow::Row& row : program.window.rows)
            titles.append(row.cells.first());
        QCOMPARE(titles, (QStringList{QStringLiteral("\"清代青花缠枝莲纹瓶 仿古收藏\""),
                                      QStringLiteral("\"二手 诺基亚 N73 手机 &amp; 原装电池\""),
                                      QStringLiteral("\"手绘团扇 苏州工艺\""), QStringLiteral("\"\"")}));
        QCOMPARE(program.breakPoint(SettingsKeys::kBreakPointNum), QStringLiteral("6"));
        QCOMPARE(program.breakPoint(SettingsKeys::kBreakPoint), QStringLiteral("0"));
        QVERIFY(program.window.statusTexts.contains(
            QStringLiteral("该店铺中共有商品6个，共分1显示，已采集商品3个，正在采集第1页内容......")));

        const QDir pictures(program.session.paths().pictureFolder(QStringLiteral("eBay_qingshixuan")));
        QCOMPARE(pictures.entryList(QDir::Files, QDir::Name),
                 (QStringList{QStringLiteral("330040000001_1.JPG"), QStringLiteral("330040000002_1.JPG")}));
    }

    void twoRunsNumberFromOne() {
        QTemporaryDir folder;
        Program program(folder.path(), PlatformConstants::PaiPaiAssistant);
        program.collect(kStore + QStringLiteral("qingshixuan"));
        program.window.statusTexts.clear();
        m_server.clearRequestedAddresses();
        program.collect(kStore + QStringLiteral("qingshixuan"));

        QCOMPARE(requested(kItems).size(), 5);
        QVERIFY(program.window.statusTexts.contains(
            QStringLiteral("该店铺中共有商品6个，共分1显示，已采集商品1个，正在采集第1页内容......")));
        QCOMPARE(program.window.rows.size(), 4);
        QCOMPARE(program.window.rows.first().key, QStringLiteral("QXV0"));
        QCOMPARE(program.breakPoint(SettingsKeys::kBreakPointNum), QStringLiteral("6"));
    }

    // Stopped after the tenth item and resumed by a new start of the program: every item ends
    // up in the file once, and the resumed run downloads only the items after the breakpoint.
    void stopAndResume_data() {
        QTest::addColumn<int>("format");
        QTest::newRow("eBay Assistant") << int(PlatformConstants::EbayAssistant);
        QTest::newRow("PaiPai Assistant") << int(PlatformConstants::PaiPaiAssistant);
    }

    void stopAndResume() {
        QFETCH(int, format);
        QTemporaryDir folder;
        const QString address = kStore + QStringLiteral("meihuaju");
        QString outputPath;
        {
            Program first(folder.path(), format);
            bool pressed = false;
            first.window.onProcessEvents = [&] {
                if (!pressed && first.window.rows.size() == 10) {
                    pressed = true;
                    first.controller.stop();
                }
            };
            first.collect(address);
            QVERIFY(pressed);
            QCOMPARE(requested(kItems).size(), 10);
            QCOMPARE(first.breakPoint(SettingsKeys::kBreakPoint), QStringLiteral("1"));
            QCOMPARE(first.breakPoint(SettingsKeys::kBreakPointNum), QStringLiteral("10"));
            QVERIFY(first.window.statusTexts.last().endsWith(QStringLiteral("全部采集完成......")));
            outputPath = first.session.paths().outputFile(first.session.state().outputBaseName,
                                                          QStringLiteral(".csv"));
            QCOMPARE(outputLines(outputPath).size(), 11);
        }

        m_server.clearRequestedAddresses();
        Program second(folder.path(), PlatformConstants::TaobaoAssistant);
        StartupSequence startup(second.session);
        startup.applyRunStateDefaults();
        QCOMPARE(startup.loadBreakPoint(), StartupSequence::ResumeResult::Loaded);
        QCOMPARE(second.window.selectedFormat(), format);
        second.controller.collect();

        const QStringList items = requested(kItems);
        QCOMPARE(items.size(), 19);
        QCOMPARE(items.first(), itemAddress(QStringLiteral("330020000011")));
        QCOMPARE(second.breakPoint(SettingsKeys::kBreakPoint), QStringLiteral("0"));

        const QStringList lines = outputLines(outputPath);
        QCOMPARE(lines.size(), 30);
        for (int n = 1; n <= 29; ++n)
            QVERIFY2(lines.at(n).contains(QStringLiteral("物品 %1 号").arg(n, 2, 10, QLatin1Char('0'))),
                     qPrintable(lines.at(n)));
    }

    void missingShopMarker() {
        QTemporaryDir folder;
        Program program(folder.path(), PlatformConstants::EbayAssistant);
        program.collect(kStore + QStringLiteral("songfeng"));

        QCOMPARE(requested(kStore), QStringList{kStore + QStringLiteral("songfeng")});
        QVERIFY(requested(kItems).isEmpty());
        QVERIFY(program.window.rows.isEmpty());
        QVERIFY(program.window.messages.isEmpty());
        QCOMPARE(
            program.window.statusTexts,
            (QStringList{QStringLiteral("载入易趣店铺信息......"),
                         QStringLiteral("没有找到店铺特征,请多试几次,如果仍有此提示,请与开发者联系~~")}));
        QVERIFY(!program.window.running);
        QCOMPARE(program.breakPoint(SettingsKeys::kBreakPoint), QStringLiteral("1"));
        QVERIFY(!QFile::exists(
            program.session.paths().outputFile(QStringLiteral("eBay_songfeng"), QStringLiteral(".csv"))));
    }
};

QTEST_GUILESS_MAIN(TestCollectEbayShop)
#include "tst_collectebayshop.moc"
