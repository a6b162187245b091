#include "run/Messages.h"
#include "run/SettingsKeys.h"
#include "run/SettingsStore.h"
#include "run/WrittenItemSet.h"
#include "support/TestMain.h"

#include "base/MarketplaceCodes.h"
#include "support/EndToEndSupport.h"
#include "support/FailureShops.h"
#include "support/FixtureWebServer.h"
#include "support/TestSystem.h"

#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

// The real program through the endings a seller meets: a shop the site will not show, a stop, a
// refused address between a stop and its resume, and a run to the end.
class TestE2eEndings : public QObject {
    Q_OBJECT

private:
    FixtureWebServer m_server{fixturePath(u"web"_s)};

    static QString ini(const ExtractRun& run, const QString& key) {
        return SettingsStore(run.file(u"Kestrune.ini"_s)).readValue(SettingsKeys::kSection, key);
    }

    // The data rows of a PaiPai Assistant file, with the data folder masked.
    static QStringList rows(const ExtractRun& run, const QString& name) {
        QString text = decodeOutput(fileBytes(run.file(name)), u"paipai"_s);
        text.replace(run.dir.path(), u"@"_s);
        QStringList lines = text.split(u"\r\n"_s, Qt::SkipEmptyParts);
        if (!lines.isEmpty())
            lines.removeFirst();
        return lines;
    }

private slots:
    void initTestCase() {
        QVERIFY(QFile::exists(kestruneBinary()));
        QVERIFY(m_server.start());
        m_server.useAsProxy();
    }

    void init() { m_server.clearBehaviours(); }

    // Each shop the site will not show ends the run with its reason and status 1, before anything
    // is recorded.
    void shopTheSiteWillNotShow_data() {
        QTest::addColumn<QString>("platform");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("message");

        for (const FailureShop& shop : failureShops())
            QTest::newRow(shop.name) << MarketplaceCodes::platformWord(shop.platform) << shop.address
                                     << shop.message;
    }

    void shopTheSiteWillNotShow() {
        QFETCH(QString, platform);
        QFETCH(QString, address);
        QFETCH(QString, message);

        ExtractRun run;
        run.start({u"--platform"_s, platform, u"--format"_s, platform}, address);
        QCOMPARE(run.finish(), 1);
        const QString err = QString::fromUtf8(run.process.readAllStandardError());
        QVERIFY2(err.contains(message), qPrintable(err));
        if (message.startsWith(u"网络"_s))
            QVERIFY2(err.contains(u"）："_s + address), qPrintable(err));
        QVERIFY2(!err.contains(u"全部采集完成"_s), qPrintable(err));
        QCOMPARE(ini(run, SettingsKeys::kBreakPoint), QString());
    }

    // Stopped at the fourth item, then an address refused (another platform's), then a restart
    // that resumes: the file ends as an uninterrupted run's, each item once, and the run complete.
    void refusedAddressBetweenStopAndResume() {
        SKIP_WITHOUT(Interrupt);
        const QString shop = u"http://shop11112222.taobao.com/"_s;
        const QString name = u"Taobao_11112222_PaiPai.csv"_s;
        const QStringList options{u"--platform"_s, u"taobao"_s, u"--format"_s, u"paipai"_s};

        ExtractRun whole;
        whole.start(options, shop);
        QCOMPARE(whole.finish(), 0);
        const QStringList expected = rows(whole, name);
        QVERIFY(expected.size() >= 4);

        ExtractRun run;
        const QString fourth = u"http://item.taobao.com/item.htm?id=1004"_s;
        m_server.setSlowBody(fourth, 10, 100);
        m_server.clearRequestedAddresses();
        run.start(options, shop);
        QTRY_VERIFY_WITH_TIMEOUT(m_server.requestedAddresses().contains(fourth), 30000);
        QVERIFY(TestSystem::interrupt(run.process));
        QCOMPARE(run.finish(), 0);
        QVERIFY2(run.process.readAllStandardError().contains("已停止：已采集3个宝贝"), "no stop message");
        m_server.clearBehaviours();
        QCOMPARE(ini(run, SettingsKeys::kBreakPoint), u"1"_s);
        QCOMPARE(ini(run, SettingsKeys::kBreakPointNum), u"3"_s);
        const QByteArray settingsAfterStop = fileBytes(run.file(u"Kestrune.ini"_s));

        run.start({u"--platform"_s, u"paipai"_s, u"--format"_s, u"paipai"_s},
                  u"http://shop33334444.taobao.com/"_s);
        QCOMPARE(run.finish(), 1);
        QVERIFY(run.process.readAllStandardError().contains(Messages::kTaobaoAddressChosenWrongly.toUtf8()));
        QCOMPARE(fileBytes(run.file(u"Kestrune.ini"_s)), settingsAfterStop);

        run.start({u"--resume"_s});
        QCOMPARE(run.finish(), 0);
        const QString err = QString::fromUtf8(run.process.readAllStandardError());
        QVERIFY2(err.contains(u"全部采集完成：共%1个宝贝，文件："_s.arg(expected.size()) + run.file(name)),
                 qPrintable(err));
        QCOMPARE(rows(run, name), expected);
        QCOMPARE(ini(run, SettingsKeys::kBreakPoint), u"0"_s);
        QVERIFY(!QFile::exists(run.file(u"."_s + name + u".items"_s)));

        // Complete: nothing is left to resume.
        run.start({u"--resume"_s});
        QCOMPARE(run.finish(), 1);
    }

    // The site answers a list page, or an item page, with its login page and status 200: the run
    // pauses with its reason and status 1, keeps the items before it and stays resumable; the item
    // that came as the login page is not known as written, so the resume fetches it again.
    void loginPageInTheMiddle_data() {
        QTest::addColumn<QString>("shop");
        QTest::addColumn<int>("rowsKept");
        QTest::addColumn<QString>("notWritten");
        QTest::newRow("list page") << u"66660004"_s << 5 << QString();
        QTest::newRow("item page") << u"66660005"_s << 1 << u"9901"_s;
    }

    void loginPageInTheMiddle() {
        QFETCH(QString, shop);
        QFETCH(int, rowsKept);
        QFETCH(QString, notWritten);
        const QString name = u"Taobao_%1_PaiPai.csv"_s.arg(shop);
        ExtractRun run;
        run.start({u"--platform"_s, u"taobao"_s, u"--format"_s, u"paipai"_s},
                  u"http://shop%1.taobao.com/"_s.arg(shop));
        QCOMPARE(run.finish(), 1);
        const QString err = QString::fromUtf8(run.process.readAllStandardError());
        QVERIFY2(err.contains(Messages::kLoginRequired), qPrintable(err));
        QVERIFY2(!err.contains(u"全部采集完成"_s), qPrintable(err));
        QCOMPARE(rows(run, name).size(), rowsKept);
        QCOMPARE(ini(run, SettingsKeys::kBreakPoint), u"1"_s);
        const QStringList written =
            WrittenItemSet::read(fileBytes(run.file(u"."_s + name + u".items"_s))).keys;
        QCOMPARE(written.size(), rowsKept);
        if (!notWritten.isEmpty())
            QVERIFY(!written.contains(notWritten));

        // Still asked for a login: paused again, nothing written twice.
        run.start({u"--resume"_s});
        QCOMPARE(run.finish(), 1);
        QVERIFY(run.process.readAllStandardError().contains(Messages::kLoginRequired.toUtf8()));
        QCOMPARE(rows(run, name).size(), rowsKept);
    }

    // A shop that states more items than its lists hold ends complete when its lists are read.
    void statedTotalHigherThanTheLists() {
        ExtractRun run;
        run.start({u"--platform"_s, u"paipai"_s, u"--format"_s, u"paipai"_s},
                  u"http://shop.paipai.com/20090301/"_s);
        QCOMPARE(run.finish(), 0);
        QVERIFY(run.process.readAllStandardError().contains("全部采集完成：共"));
        QCOMPARE(ini(run, SettingsKeys::kBreakPoint), u"0"_s);
    }
};

KESTRUNE_TEST_GUILESS_MAIN(TestE2eEndings)
#include "tst_e2e_endings.moc"
