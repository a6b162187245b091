#include "support/EndToEndSupport.h"
#include "support/FixtureWebServer.h"
#include "support/TestMain.h"

#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

class TestE2eEbay : public QObject {
    Q_OBJECT

private:
    FixtureWebServer m_server{fixturePath(u"web"_s)};

private slots:
    void initTestCase() {
        QVERIFY(m_server.start());
        m_server.useAsProxy();
    }

    void extract_data() {
        QTest::addColumn<QString>("format");
        QTest::newRow("Taobao Assistant") << u"taobao"_s;
        QTest::newRow("PaiPai Assistant") << u"paipai"_s;
        QTest::newRow("eBay Assistant") << u"ebay"_s;
        // The shop's name as vendor; the item without a picture is named and counted.
        QTest::newRow("Shopify") << u"shopify"_s;
    }

    void extract() {
        QFETCH(QString, format);
        ExtractRun run;
        run.start({u"--platform"_s, u"ebay"_s, u"--format"_s, format},
                  u"http://stores.ebay.com.cn/QingShiXuan"_s);
        const int exitCode = run.finish();
        const QString errors = QString::fromUtf8(run.process.readAllStandardError());
        QVERIFY2(exitCode == 0, qPrintable(errors));
        QVERIFY2(errors.contains(u"全部采集完成"_s), qPrintable(errors));
        const bool store = isStoreFormat(format);
        QCOMPARE(
            errors.contains(
                u"宝贝没有图片网址：http://cgi.ebay.com.cn/ws/eBayISAPI.dll?ViewItem&item=330040000003&rd=1"_s),
            store);
        QCOMPARE(errors.contains(u"；1个宝贝没有图片网址"_s), store);

        const QString difference =
            run.differenceFromExpected(outputName(u"eBay_qingshixuan"_s, u"ebay"_s, format), format,
                                       fixturePath(u"expected/eBay_qingshixuan.%1.csv"_s.arg(format)));
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
        const QString pictures = outputName(u"eBay_qingshixuan"_s, u"ebay"_s, format).chopped(4);
        QVERIFY(QFile::exists(run.file(pictures + u"/330040000001_1.JPG"_s)));
    }
};

KESTRUNE_TEST_GUILESS_MAIN(TestE2eEbay)
#include "tst_e2e_ebay.moc"
